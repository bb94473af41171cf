// Display views and the grid of square cells right of the ribbon: where each
// panel goes for the operating mode and the display view.
#pragma once
#include <string>

// The ten display views, as stored under YRM_DisplayView.
inline const char* const kView9MiniScopes = "9miniscopes";
inline const char* const kView6MiniScopesTree = "6miniscopes+TestTree";
inline const char* const kView3MiniScopesTree = "3miniscopes+TestTree";
inline const char* const kView3MiniScopesPcb = "3miniscopes+PCB";
inline const char* const kView3MiniScopesPcbTree = "3miniscopes+PCB+TestTree";
inline const char* const kView2MiniScopesPcbTree = "2miniscopes+PCB+TestTree";
inline const char* const kViewPcb = "PCB";
inline const char* const kView3MiniScopesTreeBad = "3miniscopes+TestTree+BadTree";
inline const char* const kView2MiniScopesPcbTreeBad = "2miniscopes+PCB+TestTree+BadTree";
inline const char* const kView1MiniScopePcbTreeBad = "miniscope+PCB+TestTree+BadTree";

// Columns of the grid for a mode: 5 in the compact modes, 10 in "Advanced".
int GridColumns(const std::string& mode);

// Pixel rectangle of a span of cells -> cellrectx/y/width/height.
void YRM_GridCellRect(float column, float row, float widthCells, float heightCells, float cell, float gap);
// Places every panel and the ribbon for mode, view and the window's size.
void YRM_LayoutMainWindow();
