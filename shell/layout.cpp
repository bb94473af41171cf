#include "shell/layout.h"

#include <algorithm>
#include <cmath>

#include "platform/gui.h"
#include "platform/image.h"
#include "shell/menu.h"
#include "shell/panels.h"
#include "shell/ribbon.h"
#include "shell/state.h"

namespace {
constexpr int kColumnsCompact = 5;
constexpr int kColumnsAdvanced = 10;
constexpr float kGap = 2;
constexpr int kMinSize = 102;
constexpr int kMaxPlace = 5000;
constexpr int kWindowEdge = 2;  // the filler stops this short of the window's edges

// Grid places used by the views: written with three decimals, not as thirds.
constexpr float kAt0 = 0.0f, kAt1 = 1.666f, kAt2 = 3.333f, kAt3 = 5.0f;
constexpr float kCol5 = 5.0f, kCol6 = 6.666f, kCol8 = 8.333f;
constexpr float kMiniSpan = 1.666f;

struct Place {
  float column, row, width, height;
};
struct MiniPlace {
  int scope;  // 1..9
  float column, row;
};
struct View {
  const char* name;
  MiniPlace minis[9];
  int miniCount;
  bool hasBoard, hasTree, hasBad;
  Place board, tree, bad;
};

constexpr Place kMainScopePlace{0, 0, 5, 5};
constexpr Place kDefaultBoard{kCol5, kAt0, 5, 5};
// Tree panels in views that do not show them: the right-hand column.
constexpr Place kDefaultTree{kCol8, kAt0, kMiniSpan, 5};
constexpr MiniPlace kDefaultMinis[9] = {{1, kCol5, kAt0}, {2, kCol6, kAt0}, {3, kCol8, kAt0},
                                        {4, kCol5, kAt1}, {5, kCol6, kAt1}, {6, kCol8, kAt1},
                                        {7, kCol5, kAt2}, {8, kCol6, kAt2}, {9, kCol8, kAt2}};

const View kViews[] = {
    {kView9MiniScopes,
     {{1, kCol5, kAt0},
      {2, kCol6, kAt0},
      {3, kCol8, kAt0},
      {4, kCol5, kAt1},
      {5, kCol6, kAt1},
      {6, kCol8, kAt1},
      {7, kCol5, kAt2},
      {8, kCol6, kAt2},
      {9, kCol8, kAt2}},
     9,
     false,
     false,
     false,
     {},
     {},
     {}},
    {kView6MiniScopesTree,
     {{2, kCol5, kAt0},
      {3, kCol6, kAt0},
      {4, kCol5, kAt1},
      {5, kCol6, kAt1},
      {6, kCol5, kAt2},
      {7, kCol6, kAt2}},
     6,
     false,
     true,
     false,
     {},
     {kCol8, kAt0, kMiniSpan, 5},
     {}},
    {kView3MiniScopesTree,
     {{4, kCol5, kAt0}, {5, kCol5, kAt1}, {6, kCol5, kAt2}},
     3,
     false,
     true,
     false,
     {},
     {kCol6, kAt0, 3.333f, 5},
     {}},
    {kView3MiniScopesPcb,
     {{4, kCol5, kAt0}, {5, kCol6, kAt0}, {6, kCol8, kAt0}},
     3,
     true,
     false,
     false,
     {kCol5, kAt1, 5, 3.333f},
     {},
     {}},
    {kView3MiniScopesPcbTree,
     {{4, kCol5, kAt0}, {5, kCol6, kAt0}, {6, kCol8, kAt0}},
     3,
     true,
     true,
     false,
     {kCol5, kAt1, 3.333f, 3.333f},
     {kCol8, kAt1, kMiniSpan, 3.333f},
     {}},
    {kView2MiniScopesPcbTree,
     {{4, kCol5, kAt0}, {6, kCol6, kAt0}},
     2,
     true,
     true,
     false,
     {kCol5, kAt1, 3.333f, 3.333f},
     {kCol8, kAt0, kMiniSpan, 5},
     {}},
    {kViewPcb, {}, 0, true, false, false, {kCol5, kAt0, 5, 5}, {}, {}},
    {kView3MiniScopesTreeBad,
     {{4, kCol5, kAt0}, {5, kCol5, kAt1}, {6, kCol5, kAt2}},
     3,
     false,
     true,
     true,
     {},
     {kCol6, kAt0, kMiniSpan, 5},
     {kCol8, kAt0, kMiniSpan, 5}},
    {kView2MiniScopesPcbTreeBad,
     {{4, kCol5, kAt0}, {6, kCol6, kAt0}},
     2,
     true,
     true,
     true,
     {kCol5, kAt1, 3.333f, 3.333f},
     {kCol8, kAt1, kMiniSpan, 3.333f},
     {kCol8, kAt0, kMiniSpan, kMiniSpan}},
    {kView1MiniScopePcbTreeBad,
     {{4, kCol5, kAt0}},
     1,
     true,
     true,
     true,
     {kCol5, kAt1, 3.333f, 3.333f},
     {kCol8, kAt0, kMiniSpan, 5},
     {kCol6, kAt0, kMiniSpan, kMiniSpan}},
};

const View* findView(const std::string& name) {
  for (const View& v : kViews)
    if (name == v.name) return &v;
  return nullptr;
}

// Halves away from zero, as the grid's worked examples require.
int roundHalfAway(double value) { return static_cast<int>(std::round(value)); }

void cellRect(const Place& p) { YRM_GridCellRect(p.column, p.row, p.width, p.height, cellsize, kGap); }

// Gives an image control the 1 x 1 placeholder, so it can shrink, then places it.
void placeImage(int g) {
  if (!pf::IsGadget(g)) return;
  pf::SetGadgetImage(g, kPlaceholderImage);
  pf::ResizeGadget(g, cellrectx, cellrecty, cellrectwidth, cellrectheight);
}

void placeTreePanel(int panel, int header, int tree, const Place& p) {
  cellRect(p);
  if (!pf::IsGadget(panel)) return;
  pf::ResizeGadget(panel, cellrectx, cellrecty, cellrectwidth, cellrectheight);
  int headerHeight = 0;
  if (pf::IsGadget(header)) {
    pf::ResizeGadget(header, -1, -1, cellrectwidth, -1);
    headerHeight = pf::GadgetHeight(header);
  }
  if (pf::IsGadget(tree))
    pf::ResizeGadget(tree, 0, headerHeight, cellrectwidth, cellrectheight - headerHeight);
}

int menuBarHeight() { return pf::IsMenu(kMainMenu) ? pf::MenuHeight() : 0; }

int* const kMiniWidth[kMiniScopes] = {&miniscope1width, &miniscope2width, &miniscope3width,
                                      &miniscope4width, &miniscope5width, &miniscope6width,
                                      &miniscope7width, &miniscope8width, &miniscope9width};
int* const kMiniHeight[kMiniScopes] = {&miniscope1height, &miniscope2height, &miniscope3height,
                                       &miniscope4height, &miniscope5height, &miniscope6height,
                                       &miniscope7height, &miniscope8height, &miniscope9height};
}  // namespace

int GridColumns(const std::string& mode) {
  if (mode == "Basic" || mode == "Basic-Auto") return kColumnsCompact;
  return kColumnsAdvanced;  // "Advanced", and any other text
}

void YRM_GridCellRect(float column, float row, float widthCells, float heightCells, float cell, float gap) {
  const int left = ribbonx + ribbonwidth + ribbonx;
  const int top = ribbony;
  // The operands are single precision; the products are worked wider, so five
  // cells of 139.7 make 698.49998 and the main scope ends up 696 wide, not 697.
  const double c = cell;
  cellrectx = std::clamp(roundHalfAway(double(column) * c + left), 0, kMaxPlace);
  cellrecty = std::clamp(roundHalfAway(double(row) * c + top), 0, kMaxPlace);
  cellrectwidth = std::clamp(roundHalfAway(double(widthCells) * c - gap), kMinSize, kMaxPlace);
  cellrectheight = std::clamp(roundHalfAway(double(heightCells) * c - gap), kMinSize, kMaxPlace);
}

void YRM_LayoutMainWindow() {
  const int columns = GridColumns(mode);
  const int left = ribbonx + ribbonwidth + ribbonx;
  const int windowWidth = pf::WindowWidth(kMainWindow);
  const int clientHeight = pf::WindowHeight(kMainWindow) - menuBarHeight();
  cellsize = float(windowWidth - left) / float(columns);

  if (pf::IsGadget(kRibbon)) {
    ribbonheight = clientHeight - 2 * ribbony;
    pf::ResizeGadget(kRibbon, 0, 0, 1, 1);
    pf::ResizeGadget(kRibbon, ribbonx, ribbony, ribbonwidth, ribbonheight);
  }

  pf::CreateImage(kPlaceholderImage, 1, 1, colourblack);

  cellRect(kMainScopePlace);
  scopemargin = 50;
  scope1width = cellrectwidth;
  scope1height = cellrectheight;
  if (pf::IsGadget(kMainScope)) {
    pf::HideGadget(kMainScope, true);
    placeImage(kMainScope);
    pf::HideGadget(kMainScope, false);
  }

  const View* view = findView(displayview);
  for (int k = 1; k <= kMiniScopes; ++k) {
    MiniPlace place = kDefaultMinis[k - 1];
    if (view)
      for (int i = 0; i < view->miniCount; ++i)
        if (view->minis[i].scope == k) place = view->minis[i];
    cellRect({place.column, place.row, kMiniSpan, kMiniSpan});
    *kMiniWidth[k - 1] = cellrectwidth;
    *kMiniHeight[k - 1] = cellrectheight;
    placeImage(kMainScope + k);
  }

  cellRect(view && view->hasBoard ? view->board : kDefaultBoard);
  pcbviewwidth = cellrectwidth;
  pcbviewheight = cellrectheight;
  placeImage(kBoardView);

  // The filler last of the image controls: it turns the placeholder into its
  // own black strip, and the others must get the 1 x 1 placeholder first.
  cellRect({0, 5, 1, 1});
  if (pf::IsGadget(kFiller)) {
    const int x = std::max(1, cellrectx);
    const int y = std::max(1, cellrecty);
    const int w = std::max(1, windowWidth - x - kWindowEdge);
    const int h = std::max(1, clientHeight - y - kWindowEdge);
    pf::CreateImage(kPlaceholderImage, w, h, colourblack);
    pf::SetGadgetImage(kFiller, kPlaceholderImage);
    pf::ResizeGadget(kFiller, x, y, w, h);
  }

  placeTreePanel(kTestTreePanel, kTestTreeHeader, kTestTree,
                 view && view->hasTree ? view->tree : kDefaultTree);
  placeTreePanel(kBadTreePanel, kBadTreeHeader, kBadTree, view && view->hasBad ? view->bad : kDefaultTree);
}
