// The main display in two layers: the full redraw (scope background with its
// labels, result icon and legend, the nine mini-scopes, the board view) and
// the trace redraw (traces composed on a copy of the background, the live
// signature classified, the status line, the centre mini-scope's copy).
#pragma once
#include <string>

constexpr int kImageCentreMiniScope = 947;  // centre mini-scope as the full redraw left it
constexpr int kImageFlash = 965;            // black, the size of 946

// Image holding the picture a display control (953 to 962, 900) shows: a copy
// under the control's own number (numbers are unique across object kinds).
// The trace redraw composes the main scope and the centre mini-scope straight
// into theirs.
constexpr int DisplayPicture(int control) { return control; }

// Clears fullredraw, requests a trace redraw and redraws every display.
void YRM_FullRedraw();
// Clears traceredraw and composes the main scope and the centre mini-scope;
// while connected it draws and classifies the live signature.
void YRM_TraceRedraw();

// The status line for a signature state, e.g. "Stable, Count: 12, Prev:
// 0.37%, Threshold: 1.50%".
std::string SignatureStatusLine(int state, int count, float diff, const std::string& threshold);
