#include "shell/layout.h"

#include <algorithm>
#include <cmath>

#include "platform/gui.h"
#include "platform/image.h"
#include "shell/menu.h"
#include "shell/panels.h"
#include "shell/ribbon.h"
#include "shell/state.h"
#include "shell/views.h"

namespace {
constexpr int kColumnsCompact = 5;
constexpr int kColumnsAdvanced = 10;
constexpr float kGap = 2;
constexpr int kMinSize = 102;
constexpr int kMaxPlace = 5000;
constexpr int kWindowEdge = 2;  // the filler stops this short of the window's edges

constexpr GridPlace kMainScopePlace{0, 0, 5, 5};
constexpr GridPlace kDefaultBoard{kCol5, kAt0, 5, 5};
// Tree panels in views that do not show them: the right-hand column.
constexpr GridPlace kDefaultTree{kCol8, kAt0, kMiniSpan, 5};

// Halves away from zero, as the grid's worked examples require.
int roundHalfAway(double value) { return static_cast<int>(std::round(value)); }

void cellRect(const GridPlace& p) { YRM_GridCellRect(p.column, p.row, p.width, p.height, cellsize, kGap); }

// Gives an image control the 1 x 1 placeholder, so it can shrink, then places it.
void placeImage(int g) {
  if (!pf::IsGadget(g)) return;
  pf::SetGadgetImage(g, kPlaceholderImage);
  pf::ResizeGadget(g, cellrectx, cellrecty, cellrectwidth, cellrectheight);
}

void placeTreePanel(int panel, int header, int tree, const GridPlace& p) {
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

  const DisplayView* view = FindDisplayView(displayview);
  // A mini-scope the view does not show keeps its place in the nine-scope view.
  const DisplayView& allMinis = *FindDisplayView(kView9MiniScopes);
  for (int k = 1; k <= kMiniScopes; ++k) {
    const MiniScopePlace* shown = view ? FindMiniScope(*view, k) : nullptr;
    const MiniScopePlace& place = shown ? *shown : *FindMiniScope(allMinis, k);
    cellRect({place.column, place.row, kMiniSpan, kMiniSpan});
    *kMiniScopeWidth[k - 1] = cellrectwidth;
    *kMiniScopeHeight[k - 1] = cellrectheight;
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
