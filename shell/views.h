// The display views of "Advanced": one row per view with the name it is
// stored under, its item in the Views menu, and which panels it shows where.
#pragma once
#include <span>
#include <string>

#include "shell/panels.h"

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

// A span of grid cells: left column, top row, width and height in cells.
struct GridPlace {
  float column, row, width, height;
};
// Mini-scope `scope` (1..9) with its top-left cell; mini-scopes span kMiniSpan.
struct MiniScopePlace {
  int scope;
  float column, row;
};

struct DisplayView {
  const char* name;                   // stored value
  int item;                           // Views menu item (76 to 85)
  const char* label;                  // menu label
  MiniScopePlace minis[kMiniScopes];  // the mini-scopes shown, minis[0..miniCount)
  int miniCount;
  bool hasBoard, hasTree, hasBad;  // which of the board and the two trees it shows
  GridPlace board, tree, bad;      // and where (for those it shows)
};

// Grid places used by the views: written with three decimals, not as thirds.
constexpr float kAt0 = 0.0f, kAt1 = 1.666f, kAt2 = 3.333f;
constexpr float kCol5 = 5.0f, kCol6 = 6.666f, kCol8 = 8.333f;
constexpr float kMiniSpan = 1.666f;

// Every view, in the order of the Views menu.
std::span<const DisplayView> DisplayViews();
// The view stored as name; nullptr for a name no view has.
const DisplayView* FindDisplayView(const std::string& name);
// Where view shows mini-scope k (1..9); nullptr when it does not show it.
const MiniScopePlace* FindMiniScope(const DisplayView& view, int k);
// Whether view shows mini-scope k (1..9).
bool ShowsMiniScope(const DisplayView& view, int k);
