#include "testing/miniscopes.h"

#include <algorithm>
#include <string>

#include "platform/image.h"
#include "shell/state.h"
#include "testing/records.h"
#include "testing/scope.h"
#include "testing/state.h"
#include "testing/traces.h"

namespace {
constexpr float kOhmsWhenUnset = 10000;

// The plan's file name without its folder ("\" or "/").
std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A stored curve of `row` (block base kGoldenBase or kDutBase): its first
// pair is read even when the count is 0, so such a curve is one pixel.
void DrawStoredCurve(int row, int base, const PlotBox& box, float xscale, float yscale, int colour) {
  Signature v{}, i{};
  const int n = ReadSignatureBlock(row, base, v, i);
  if (n == 0) {
    v[1] = records.FieldFloat(row, base + kBlockPairs);
    i[1] = records.FieldFloat(row, base + kBlockPairs + 1);
  }
  DrawCurve(box, xscale, yscale, v.data(), i.data(), n < 1 ? 1 : n, colour);
}

std::string Thousands(int value, const char* small, const char* large) {
  if (value < 1000) return std::to_string(value) + small;
  return std::to_string(value / 1000) + large;
}
}  // namespace

void YRM_DrawMiniScope(int width, int height, int index, int count) {
  // A panel the layout left without a size still gets a fresh (1-pixel) picture.
  if (!pf::CreateImage(kImageMiniScope, std::max(1, width), std::max(1, height), drawbackgroundcolour))
    return;
  if (!pf::StartDrawing(kImageMiniScope)) return;

  if (index >= 2 && index <= count) {
    const std::string heading = std::to_string(index) + "/" + std::to_string(count);
    pf::DrawText(width - pf::TextWidth(heading), 0, heading, drawtextcolour);
  } else if (index == count + 1) {
    pf::DrawText(width - pf::TextWidth("END"), 0, "END", drawtextcolour);
  } else if (index == 1) {
    const std::string name = BaseName(testplanfilename);
    pf::DrawText(RoundHalfAway((width - pf::TextWidth(name)) / 2.0), height / 2, name, drawtextcolour);
  }
  if (index < 2 || index > count) {
    pf::StopDrawing();
    return;
  }

  const PlotBox box = ScopePlotBox(width, height, kMiniScopeMargin);
  if (scopexcrosshairmode == "On") {
    pf::LineXY(box.left, box.cy, box.right, box.cy, colourscopexcrosshair);
    pf::LineXY(box.cx, box.top, box.cx, box.bottom, colourscopexcrosshair);
  }

  const int mv = records.FieldInt(index, kFieldVoltage);
  const int ohms = records.FieldInt(index, kFieldResistance);
  // Without a voltage there is no scale, so the curves are left out.
  if (mv != 0) {
    const float vscale = static_cast<float>(mv) / 1000.0f;
    const float iscale = vscale / (ohms == 0 ? kOhmsWhenUnset : static_cast<float>(ohms));
    const float xscale = static_cast<float>(box.halfwidth) / vscale;
    const float yscale = static_cast<float>(box.halfheight) / iscale;
    DrawStoredCurve(index, kGoldenBase, box, xscale, yscale, colourscopextracegoldensig);
    const std::string result = records.Field(index, kFieldResult);
    if (result == "Good" || result == "Bad")
      DrawStoredCurve(index, kDutBase, box, xscale, yscale, colourscopextracedutsig);
  }

  const std::string line = "Vpk=" + Thousands(mv, "mV, ", "V, ") +
                           "Z=" + Thousands(ohms, "ohms, ", "kohms, ") +
                           "f=" + Thousands(records.FieldInt(index, kFieldFrequency), "Hz", "kHz");
  pf::DrawText(width / 2 - RoundHalfAway(pf::TextWidth(line) / 2.0), height - pf::TextHeight(line), line,
               drawtextcolour);

  const std::string description = PoundsAsCommas(records.Field(index, kFieldDescription));
  if (!description.empty())
    pf::DrawText(width / 2 - RoundHalfAway(pf::TextWidth(description) / 2.0), 0, description, drawtextcolour);
  pf::StopDrawing();
}
