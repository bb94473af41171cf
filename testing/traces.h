// Signature traces: a closed voltage/current curve scaled so that full-scale
// voltage reaches the plot box's left and right edges and full-scale current
// its top and bottom edges.
#pragma once
#include "testing/scope.h"

// Pixel of one curve point: x = cx + v * xscale, y = cy + i * yscale, each
// rounded (halves away from zero) and then held inside the box, lower bound
// first, so an inverted box sends every point to its right and bottom bounds.
void TracePoint(const PlotBox& box, float xscale, float yscale, float v, float i, int& x, int& y);

// Draws points 1..n of v/i onto the current drawing image: point 1 as a pixel,
// lines from each point to the next and from point n back to point 1.
// Nothing for n below 1.
void DrawCurve(const PlotBox& box, float xscale, float yscale, const float* v, const float* i, int n,
               int colour);

// Draws points 1 to pointcount of tracex/tracey onto `image`, with full scale
// vscale volts and iscale amperes. A scale of 0 or no number draws nothing.
void YRM_DrawTrace(int width, int height, int margin, int image, int colour, float vscale, float iscale);
