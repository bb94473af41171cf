#include "shell/layout.h"

#include <gtest/gtest.h>

#include "mainwindow_fixture.h"

using yrmtest::Rect;

namespace {
class LayoutTest : public yrmtest::MainWindow {
 protected:
  // Lays the window out at an inner size, the way the refresh does.
  void LayOut(int width, int height, const std::string& m, const std::string& view) {
    mode = m;
    displayview = view;
    pf::ResizeWindow(kMainWindow, -1, -1, width, height);
    YRM_LayoutMainWindow();
  }
  Rect cell(float column, float row, float w, float h) {
    YRM_GridCellRect(column, row, w, h, cellsize, 2);
    return {cellrectx, cellrecty, cellrectwidth, cellrectheight};
  }
};
}  // namespace

TEST(GridCellRect, WorkedExamplesLandOnWholePixels) {
  ribbonx = ribbony = 2;
  ribbonwidth = 144;
  const float advanced = (1545 - 148) / 10.0f;
  EXPECT_EQ(advanced, 139.69999694824219f);
  struct Case {
    float column, row, w, h, cell;
    Rect rect;
  };
  const Case cases[] = {
      {0, 0, 5, 5, advanced, {148, 2, 696, 696}},            // main scope
      {5, 0, 1.666f, 1.666f, advanced, {846, 2, 231, 231}},  // column 5: 846, not 847
      {6.666f, 1.666f, 1.666f, 1.666f, advanced, {1079, 235, 231, 231}},
      {8.333f, 3.333f, 1.666f, 1.666f, advanced, {1312, 468, 231, 231}},
      {5, 1.666f, 3.333f, 3.333f, advanced, {846, 235, 464, 464}},  // board view
      {0, 0, 5, 5, (534 - 148) / 5.0f, {148, 2, 384, 384}},         // "Basic"
      // Limits: sizes at least 102, places 0 to 5000.
      {0, 0, 0.5f, 0.5f, 10, {148, 2, 102, 102}},
      {-100, -100, 1, 1, 10, {0, 0, 102, 102}},
      {100, 100, 100, 100, 100, {5000, 5000, 5000, 5000}},
  };
  for (const Case& c : cases) {
    YRM_GridCellRect(c.column, c.row, c.w, c.h, c.cell, 2);
    EXPECT_EQ((Rect{cellrectx, cellrecty, cellrectwidth, cellrectheight}), c.rect)
        << "(" << c.column << ", " << c.row << ") " << c.w << " x " << c.h;
  }
}

TEST_F(LayoutTest, AdvancedWindowPlacesEveryPanel) {
  Build();
  LayOut(1545, 725, "Advanced", "2miniscopes+PCB+TestTree+BadTree");
  const int menu = pf::MenuHeight();
  EXPECT_FLOAT_EQ(cellsize, 139.7f);
  EXPECT_EQ(RectOf(kMainScope), (Rect{148, 2, 696, 696}));
  EXPECT_EQ(scope1width, 696);
  EXPECT_EQ(scope1height, 696);
  EXPECT_EQ(scopemargin, 50);
  EXPECT_EQ(RectOf(kMiniScope1 + 3), (Rect{846, 2, 231, 231}));     // 957 at (5, 0)
  EXPECT_EQ(RectOf(kMiniScope1 + 5), (Rect{1079, 2, 231, 231}));    // 959 at (6.666, 0)
  EXPECT_EQ(RectOf(kMiniScope1 + 4), (Rect{1079, 235, 231, 231}));  // 958 keeps its default place
  EXPECT_EQ(RectOf(kBoardView), (Rect{846, 235, 464, 464}));
  EXPECT_EQ(pcbviewwidth, 464);
  EXPECT_EQ(pcbviewheight, 464);
  EXPECT_EQ(miniscope4width, 231);
  EXPECT_EQ(miniscope9height, 231);
  EXPECT_EQ(RectOf(kTestTreePanel), (Rect{1312, 235, 231, 464}));
  EXPECT_EQ(RectOf(kBadTreePanel), (Rect{1312, 2, 231, 231}));
  // The tree fills its panel below the header.
  const Rect tree = RectOf(kTestTreePanel);
  EXPECT_EQ(RectOf(kTestTreeHeader), (Rect{0, 0, tree.w, 23}));
  EXPECT_EQ(RectOf(kTestTree), (Rect{0, 23, tree.w, tree.h - 23}));
  // Ribbon to the bottom of the window, filler below the grid.
  EXPECT_EQ(ribbonheight, 725 - menu - 4);
  EXPECT_EQ(RectOf(kRibbon), (Rect{2, 2, 144, ribbonheight}));
  const int fillerY = 700;  // 5 x 139.7 + 2, rounded
  EXPECT_EQ(RectOf(kFiller), (Rect{148, fillerY, 1545 - 148 - 2, std::max(1, 725 - menu - fillerY - 2)}));
}

TEST_F(LayoutTest, CompactWindowAndHeightOnlyChange) {
  Build();
  LayOut(534, 408, "Basic", "2miniscopes+PCB+TestTree+BadTree");
  EXPECT_EQ(RectOf(kMainScope), (Rect{148, 2, 384, 384}));
  // Mini-scopes beyond the right edge of the compact window.
  EXPECT_GE(pf::GadgetX(kMiniScope1), 534);

  const float cell = cellsize;
  const Rect scope = RectOf(kMainScope);
  const int ribbon = ribbonheight;
  const int fillerY = 388;                                             // 5 x 77.2 + 2
  EXPECT_EQ(RectOf(kFiller), (Rect{148, fillerY, 534 - 148 - 2, 1}));  // no room below the grid
  LayOut(534, 600, "Basic", "2miniscopes+PCB+TestTree+BadTree");
  EXPECT_EQ(cellsize, cell);
  EXPECT_EQ(RectOf(kMainScope), scope);
  EXPECT_EQ(ribbonheight, ribbon + 192);
  EXPECT_EQ(RectOf(kFiller), (Rect{148, fillerY, 534 - 148 - 2, 600 - pf::MenuHeight() - fillerY - 2}));
}

TEST_F(LayoutTest, ViewsMovePanels) {
  Build();
  LayOut(1545, 725, "Advanced", "9miniscopes");
  const Rect at5_1 = cell(5, 1.666f, 1.666f, 1.666f), at6_1 = cell(6.666f, 1.666f, 1.666f, 1.666f),
             at8_1 = cell(8.333f, 1.666f, 1.666f, 1.666f);
  EXPECT_EQ(RectOf(957), at5_1);
  EXPECT_EQ(RectOf(958), at6_1);
  EXPECT_EQ(RectOf(959), at8_1);
  EXPECT_EQ(RectOf(kBoardView), cell(5, 0, 5, 5));  // default place, hidden
  LayOut(1545, 725, "Advanced", "3miniscopes+PCB");
  EXPECT_EQ(RectOf(957), cell(5, 0, 1.666f, 1.666f));
  EXPECT_EQ(RectOf(958), cell(6.666f, 0, 1.666f, 1.666f));
  EXPECT_EQ(RectOf(959), cell(8.333f, 0, 1.666f, 1.666f));
  EXPECT_EQ(RectOf(kBoardView), cell(5, 1.666f, 5, 3.333f));
  EXPECT_EQ(RectOf(960), cell(5, 3.333f, 1.666f, 1.666f));  // not named by the view: default

  struct TreeCase {
    const char* view;
    Rect tree, bad;
  };
  const TreeCase trees[] = {
      {"3miniscopes+TestTree", cell(6.666f, 0, 3.333f, 5), cell(8.333f, 0, 1.666f, 5)},
      {"3miniscopes+TestTree+BadTree", cell(6.666f, 0, 1.666f, 5), cell(8.333f, 0, 1.666f, 5)},
      {"miniscope+PCB+TestTree+BadTree", cell(8.333f, 0, 1.666f, 5), cell(6.666f, 0, 1.666f, 1.666f)},
  };
  for (const TreeCase& t : trees) {
    LayOut(1545, 725, "Advanced", t.view);
    EXPECT_EQ(RectOf(kTestTreePanel), t.tree) << t.view;
    EXPECT_EQ(RectOf(kBadTreePanel), t.bad) << t.view;
  }
  // A view the settings file made up: everything at its default place.
  LayOut(1545, 725, "Advanced", "no such view");
  EXPECT_EQ(RectOf(957), at5_1);
  EXPECT_EQ(RectOf(kBoardView), cell(5, 0, 5, 5));
}

TEST_F(LayoutTest, TinyWindowKeepsLimits) {
  Build();
  LayOut(150, 60, "Advanced", "9miniscopes");
  EXPECT_EQ(pf::GadgetWidth(kMainScope), 102);
  EXPECT_EQ(pf::GadgetWidth(kMiniScope9), 102);
  EXPECT_GE(pf::GadgetWidth(kFiller), 1);
  EXPECT_GE(pf::GadgetHeight(kFiller), 1);
  // An unknown mode still gets columns.
  LayOut(1545, 725, "Expert", "9miniscopes");
  EXPECT_GT(cellsize, 0);
}
