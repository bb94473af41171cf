#include "testing/scope.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/image.h"
#include "shell/state.h"
#include "testing/records.h"
#include "testing/state.h"

PlotBox ScopePlotBox(int w, int h, int m) {
  PlotBox b;
  b.halfwidth = (w - m) / 2;
  b.halfheight = (h - m) / 2;
  b.cx = w / 2;
  b.cy = h / 2;
  b.left = b.cx - b.halfwidth;
  b.right = b.cx + b.halfwidth;
  b.top = b.cy - b.halfheight;
  b.bottom = b.cy + b.halfheight;
  return b;
}

int RoundHalfAway(double value) {
  if (!(value == value)) return 0;  // no number
  value = std::round(value);
  if (value <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  if (value >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

std::string PoundsAsCommas(std::string text) {
  static const std::string pound = "\xC2\xA3";
  for (size_t at = text.find(pound); at != std::string::npos; at = text.find(pound, at + 1))
    text.replace(at, pound.size(), ",");
  return text;
}

namespace {
constexpr int kQuarterTurnClockwise = 270;  // text reading top to bottom
constexpr int kClassicArm = 16;             // half-length of the "Classic" marks

std::string Whole(float value) { return std::to_string(RoundHalfAway(value)); }

// A value in `small` units below 1000, else in thousands with `large` units.
std::string Scaled(float value, const char* small, const char* large) {
  if (value < 1000) return Whole(value) + small;
  return Whole(value / 1000.0f) + large;
}

std::string FixedNoDecimals(float value) {
  if (!std::isfinite(value)) value = 0;
  char text[64];
  std::snprintf(text, sizeof text, "%.0f", static_cast<double>(value));
  return text;
}

std::string* LabelText(int place) {
  static std::string* const labels[13] = {
      nullptr,      &scopelabel1, &scopelabel2, &scopelabel3,  &scopelabel4,  &scopelabel5, &scopelabel6,
      &scopelabel7, &scopelabel8, &scopelabel9, &scopelabel10, &scopelabel11, &scopelabel12};
  return labels[place];
}

// One line of dots from (x0, y0) outwards in direction (dx, dy), up to but
// not reaching `limit` along that direction.
void DotLine(int x0, int y0, int dx, int dy, int limit) {
  const int period = std::max(1, graticuledotlength + graticuledotgap);
  const int start = graticuledotgap / 2;
  const int along0 = dx != 0 ? x0 : y0;
  const int sign = dx + dy;
  for (long long d = start;; d += period) {
    const long long p = along0 + sign * d;
    if (sign > 0 ? p >= limit : p <= limit) break;
    const int a = static_cast<int>(p);
    const int b = static_cast<int>(p + sign * static_cast<long long>(graticuledotlength));
    if (dx != 0)
      pf::LineXY(a, y0, b, y0, drawgraticulecolour);
    else
      pf::LineXY(x0, a, x0, b, drawgraticulecolour);
  }
}

void DrawGraticule(const PlotBox& b) {
  const int rows = drawverticaldivisions;
  if (rows >= 1) {
    const int step = (b.cy - b.top) / rows;
    // With a step of 0 every row falls on the centre one.
    const int last = step == 0 ? 0 : rows - 1;
    for (int i = -last; i <= last; ++i) {
      const int y = b.cy - step * i;
      DotLine(b.cx, y, 1, 0, b.right);
      DotLine(b.cx, y, -1, 0, b.left);
    }
  }
  const int columns = drawhorizontaldivisions;
  if (columns >= 2) {
    const int step = (b.cx - b.left) / columns;
    const int last = step == 0 ? 0 : columns - 1;
    for (int i = -last; i <= last; ++i) {
      const int x = b.cx - step * i;
      DotLine(x, b.cy, 0, -1, b.top);
      DotLine(x, b.cy, 0, 1, b.bottom);
    }
  }
}

void DrawClassicCrosshair(const PlotBox& b) {
  const int t = kClassicArm;
  const int q = (b.right - b.left) / 8;
  const int c = drawcrosshaircolour;
  pf::LineXY(b.cx - t, b.top, b.cx + t, b.top, c);
  pf::LineXY(b.cx, b.top, b.cx, b.top + t, c);
  pf::LineXY(b.cx - t, b.bottom, b.cx + t, b.bottom, c);
  pf::LineXY(b.cx, b.bottom, b.cx, b.bottom - t, c);
  pf::LineXY(b.left, b.cy - t, b.left, b.cy + t, c);
  pf::LineXY(b.left, b.cy, b.left + t, b.cy, c);
  pf::LineXY(b.right, b.cy - t, b.right, b.cy + t, c);
  pf::LineXY(b.right, b.cy, b.right - t, b.cy, c);
  pf::LineXY(b.cx - t, b.cy, b.cx + t, b.cy, c);
  pf::LineXY(b.cx, b.cy - t, b.cx, b.cy + t, c);
  for (int x : {b.left + q, b.left + 2 * q, b.left + 3 * q, b.right - 3 * q, b.right - 2 * q, b.right - q})
    pf::LineXY(x, b.cy - t, x, b.cy + t, c);
}

// Text place k: where its text goes and where its tick ends.
struct Place {
  int anchorx, anchory;
  double textx, texty;
  bool vertical;
  int colour;
  int tickx, ticky;
};

Place LabelPlace(int k, const PlotBox& b, int w, int h) {
  const int o = scopelabeloffset;
  const int l = b.left, r = b.right, t = b.top, bo = b.bottom, cx = b.cx, cy = b.cy;
  const double hw = w / 2.0;
  switch (k) {
    case 1:
      return {l, t, double(l - o), double(t), true, drawlefttextcolour, l - o, t};
    case 2:
      return {l, cy, double(l - o), cy - hw, true, drawlefttextcolour, l - o, cy};
    case 3:
      return {l, bo, double(l - o), double(bo - w), true, drawlefttextcolour, l - o, bo};
    case 4:
      return {l, bo, double(l), double(bo + o), false, drawtextcolour, l, bo + o};
    case 5:
      return {cx, bo, cx - hw, double(bo + o), false, drawtextcolour, cx, bo + o};
    case 6:
      return {r, bo, double(r - w), double(bo + o), false, drawtextcolour, r, bo + o};
    case 7:
      return {r, bo, double(r + o + h), double(bo - w), true, drawrighttextcolour, r + o, bo};
    case 8:
      return {r, cy, double(r + o + h), cy - hw, true, drawrighttextcolour, r + o, cy};
    case 9:
      return {r, t, double(r + o + h), double(t), true, drawrighttextcolour, r + o, t};
    case 10:
      return {r, t, double(r - w), double(t - o - h), false, drawtextcolour, r, t - o};
    case 11:
      return {cx, t, cx - hw, double(t - o - h), false, drawtextcolour, cx, t - o};
    default:
      return {l, t, double(l), double(t - o - h), false, drawtextcolour, l, t - o};
  }
}
}  // namespace

void YRM_PrepareScopeLabels() {
  for (int k = 1; k <= 12; ++k) LabelText(k)->clear();
  scopelabelmask = "111111111001";

  if (mode == "Advanced") {
    const int last = records.Rows();
    if (currentrecord <= last) {
      if (currentrecord == 1) {
        scopelabel11 = testplanfilename;
      } else {
        scopelabel11 = PoundsAsCommas(records.Field(currentrecord, kFieldDescription));
        std::string note = records.Field(currentrecord, kFieldNote);
        if (!note.empty()) scopelabel11 += ", " + note;
      }
    }
    scopelabel10 = std::to_string(currentrecord) + "/" + std::to_string(last);
  }

  scopelabel4 = "-" + Scaled(voltage, "mV", "V");
  scopelabel6 = "+" + Scaled(voltage, "mV", "V");

  const float milliamps = voltage / resistance;
  const std::string current =
      milliamps >= 1 ? FixedNoDecimals(milliamps) + "mA" : FixedNoDecimals(milliamps * 1000.0f) + "uA";
  scopelabel1 = "+" + current;
  scopelabel3 = "-" + current;

  scopelabel5 = "Vpk=" + Scaled(voltage, "mV, ", "V, ") + "Z=" + Scaled(resistance, "ohms, ", "kohms, ") +
                "f=" + Scaled(frequency, "Hz", "kHz");

  graticuledotlength = 1;
  graticuledotgap = 4;
  scopelabeloffset = 5;
  drawbackgroundcolour = colourscope1background;
  drawoutlinecolour = colourscope1outline;
  drawgraticulecolour = colourscope1graticule;
  drawtextcolour = colourscope1text;
  drawlefttextcolour = colourscope1text;
  drawrighttextcolour = colourscope1text;
  drawcrosshaircolour = colourscopexcrosshair;
  graticulemode = scope1graticulemode;
  crosshairmode = scope1crosshairmode;
  drawverticaldivisions = verticaldivisions;
  drawhorizontaldivisions = horizontaldivisions;

  YRM_DrawScopeBackground();
}

void YRM_DrawScopeBackground() {
  // The box comes from the sizes as they stand, before the image's minimum.
  const PlotBox b = ScopePlotBox(scope1width, scope1height, scopemargin);
  if (scope1width < 10) scope1width = 10;
  if (scope1height < 10) scope1height = 10;
  if (!pf::CreateImage(kImageScopeBackground, scope1width, scope1height, drawbackgroundcolour)) return;
  if (!pf::StartDrawing(kImageScopeBackground)) return;

  if (graticulemode == "On") DrawGraticule(b);
  const bool classic = crosshairmode == "Classic";
  if (crosshairmode == "On") {
    pf::LineXY(b.left, b.cy, b.right, b.cy, drawcrosshaircolour);
    pf::LineXY(b.cx, b.top, b.cx, b.bottom, drawcrosshaircolour);
  } else if (classic) {
    DrawClassicCrosshair(b);
  }
  if (!classic) {
    pf::LineXY(b.left, b.top, b.right, b.top, drawoutlinecolour);
    pf::LineXY(b.right, b.top, b.right, b.bottom, drawoutlinecolour);
    pf::LineXY(b.right, b.bottom, b.left, b.bottom, drawoutlinecolour);
    pf::LineXY(b.left, b.bottom, b.left, b.top, drawoutlinecolour);
  }

  Place places[13];
  for (int k = 1; k <= 12; ++k) {
    const std::string& text = *LabelText(k);
    const int w = text.empty() ? 0 : pf::TextWidth(text);
    const int h = pf::TextHeight(text);
    places[k] = LabelPlace(k, b, w, h);
    if (text.empty()) continue;
    const int x = RoundHalfAway(places[k].textx), y = RoundHalfAway(places[k].texty);
    if (places[k].vertical)
      pf::DrawRotatedText(x, y, text, kQuarterTurnClockwise, places[k].colour);
    else
      pf::DrawText(x, y, text, places[k].colour);
  }
  if (!classic) {
    for (int k = 1; k <= 12; ++k) {
      const bool enabled = k <= static_cast<int>(scopelabelmask.size()) && scopelabelmask[k - 1] == '1';
      if (LabelText(k)->empty() || !enabled) continue;
      pf::LineXY(places[k].anchorx, places[k].anchory, places[k].tickx, places[k].ticky, drawoutlinecolour);
    }
  }
  pf::StopDrawing();
}

void YRM_DrawScopeLabel(int width, int height, int margin, int image, const std::string& text) {
  if (!pf::StartDrawing(image)) return;
  pf::DrawText(width / 2 + 20, height - margin / 2 - 20, text, colourwhite);
  pf::StopDrawing();
}
