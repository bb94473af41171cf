// The grid of square cells right of the ribbon: where each panel goes for
// the operating mode and the display view (shell/views.h).
#pragma once
#include <string>

// Columns of the grid for a mode: 5 in the compact modes, 10 in "Advanced".
int GridColumns(const std::string& mode);

// Pixel rectangle of a span of cells -> cellrectx/y/width/height.
void YRM_GridCellRect(float column, float row, float widthCells, float heightCells, float cell, float gap);
// Places every panel and the ribbon for mode, view and the window's size.
void YRM_LayoutMainWindow();
