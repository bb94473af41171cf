// Which display panel of the main window lies under a point.
#pragma once

// Panel numbers returned by YRM_PanelUnderMouse.
constexpr int kPanelNone = 0;
constexpr int kPanelMainScope = 1;
constexpr int kPanelMiniScope1 = 2;  // mini-scope k is panel k + 1
constexpr int kPanelMiniScope9 = 10;
constexpr int kPanelConnection = 11;
constexpr int kPanelBoardView = 12;

// x, y in the main window's client coordinates. Tests the shown main scope,
// the shown mini-scopes, the connection picture and the shown board view, in
// that order, edges included; 0 when none holds the point.
int YRM_PanelUnderMouse(int x, int y);
