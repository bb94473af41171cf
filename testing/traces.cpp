#include "testing/traces.h"

#include <algorithm>
#include <cmath>

#include "link/state.h"
#include "platform/image.h"
#include "testing/state.h"

namespace {
// Rounds, then limits to lo..hi with the lower bound applied first. Works in
// floating point so that far-away or broken values never overflow an int.
int RoundIntoBox(float value, int lo, int hi) {
  float r = std::round(value);
  if (!(r >= static_cast<float>(lo))) r = static_cast<float>(lo);  // also no number
  if (r > static_cast<float>(hi)) r = static_cast<float>(hi);
  return static_cast<int>(r);
}
}  // namespace

void TracePoint(const PlotBox& box, float xscale, float yscale, float v, float i, int& x, int& y) {
  x = RoundIntoBox(static_cast<float>(box.cx) + v * xscale, box.left, box.right);
  y = RoundIntoBox(static_cast<float>(box.cy) + i * yscale, box.top, box.bottom);
}

void DrawCurve(const PlotBox& box, float xscale, float yscale, const float* v, const float* i, int n,
               int colour) {
  if (n < 1) return;
  int firstx, firsty;
  TracePoint(box, xscale, yscale, v[1], i[1], firstx, firsty);
  pf::Plot(firstx, firsty, colour);
  int px = firstx, py = firsty;
  for (int k = 2; k <= n; ++k) {
    int x, y;
    TracePoint(box, xscale, yscale, v[k], i[k], x, y);
    pf::LineXY(px, py, x, y, colour);
    px = x;
    py = y;
  }
  pf::LineXY(px, py, firstx, firsty, colour);
}

void YRM_DrawTrace(int width, int height, int margin, int image, int colour, float vscale, float iscale) {
  if (vscale == 0 || iscale == 0 || !std::isfinite(vscale) || !std::isfinite(iscale)) return;
  const PlotBox box = ScopePlotBox(width, height, margin);
  const float xscale = static_cast<float>(box.halfwidth) / vscale;
  const float yscale = static_cast<float>(box.halfheight) / iscale;
  if (!pf::StartDrawing(image)) return;
  const int n = std::clamp(pointcount, 0, static_cast<int>(tracex.size()) - 1);
  DrawCurve(box, xscale, yscale, tracex.data(), tracey.data(), n, colour);
  pf::StopDrawing();
}
