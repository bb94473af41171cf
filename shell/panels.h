// The display panels right of the ribbon: main scope, nine mini-scopes, the
// board view, a filler below the grid, and the two result-tree panels.
#pragma once

// ---- image controls -------------------------------------------------------------
constexpr int kMainScope = 953;
constexpr int kMiniScope1 = 954;  // mini-scope k is kMainScope + k
constexpr int kMiniScope9 = 962;
constexpr int kBoardView = 900;
constexpr int kFiller = 964;  // blank strip below the grid
constexpr int kMiniScopes = 9;

// Blank black image every panel shows until something is drawn for it.
constexpr int kPlaceholderImage = 784;

// ---- tree panels ------------------------------------------------------------------
constexpr int kTestTreePanel = 250;
constexpr int kTestTreeHeader = 245;
constexpr int kTestTree = 246;
constexpr int kBadTreePanel = 251;
constexpr int kBadTreeHeader = 247;
constexpr int kBadTree = 248;

void YRM_CreateScopeGadgets();
void YRM_CreateBadTreePanel();
void YRM_CreateTestTreePanel();
