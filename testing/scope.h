// Main-scope background: plot box, graticule, crosshair, outline and the
// twelve label places round the box, drawn into image 946; and the state line
// written onto the trace image.
#pragma once
#include <string>

constexpr int kImageScopeBackground = 946;

// The plot box of a scope image of w x h pixels with margin m, shared by the
// background, the traces and the mini-scopes.
struct PlotBox {
  int halfwidth, halfheight;
  int cx, cy;
  int left, right, top, bottom;
};
PlotBox ScopePlotBox(int w, int h, int m);

// Nearest whole number, halves away from zero (text positions, labels); no
// number gives 0 and values beyond int are held at its limits.
int RoundHalfAway(double value);

// A record text as shown: every "£" becomes ",".
std::string PoundsAsCommas(std::string text);

// Fills the label texts and drawing settings from the applied settings, the
// mode and the current record, then draws the background.
void YRM_PrepareScopeLabels();
// Replaces image 946 with the background at scope1width x scope1height (each
// raised to 10 when below), from the drawing settings.
void YRM_DrawScopeBackground();
// Writes text in white at (width div 2 + 20, height - margin div 2 - 20).
void YRM_DrawScopeLabel(int width, int height, int margin, int image, const std::string& text);
