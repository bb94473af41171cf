// The display panels right of the ribbon: main scope, nine mini-scopes, the
// board view, a filler below the grid, and the two result-tree panels.
#pragma once
#include "shell/state.h"

// ---- image controls -------------------------------------------------------------
constexpr int kMainScope = 953;
constexpr int kMiniScope1 = 954;  // mini-scope k is kMainScope + k
constexpr int kMiniScope9 = 962;
constexpr int kBoardView = 900;
constexpr int kFiller = 964;  // blank strip below the grid
constexpr int kMiniScopes = 9;

// The size and visibility globals of mini-scope k, at [k - 1].
inline int* const kMiniScopeWidth[kMiniScopes] = {&miniscope1width, &miniscope2width, &miniscope3width,
                                                  &miniscope4width, &miniscope5width, &miniscope6width,
                                                  &miniscope7width, &miniscope8width, &miniscope9width};
inline int* const kMiniScopeHeight[kMiniScopes] = {&miniscope1height, &miniscope2height, &miniscope3height,
                                                   &miniscope4height, &miniscope5height, &miniscope6height,
                                                   &miniscope7height, &miniscope8height, &miniscope9height};
inline int* const kMiniScopeVisible[kMiniScopes] = {
    &miniscope1visible, &miniscope2visible, &miniscope3visible, &miniscope4visible, &miniscope5visible,
    &miniscope6visible, &miniscope7visible, &miniscope8visible, &miniscope9visible};

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
