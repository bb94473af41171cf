#include "testing/panelhit.h"

#include <gtest/gtest.h>

#include "mainwindow_fixture.h"
#include "shell/refresh.h"

namespace {
class PanelHitTest : public yrmtest::MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    Build();
  }
};
}  // namespace

TEST_F(PanelHitTest, PanelsInOrderEdgesIncluded) {
  displayview = "2miniscopes+PCB+TestTree+BadTree";
  YRM_RefreshMainWindow();  // 1545 wide: main scope (148, 2) 696 x 696
  struct Case {
    int x, y, panel;
  };
  const Case cases[] = {
      {148, 2, kPanelMainScope},
      {844, 698, kPanelMainScope},   // both corners, edges included
      {846, 2, 5},                   // mini-scope 4 (957) at (5, 0)
      {1077, 233, 5},                // its far corner
      {1079, 2, 7},                  // mini-scope 6 (959) at (6.666, 0)
      {1079, 300, kPanelBoardView},  // hidden mini-scope 5's place lies on the board view
      {1312, 468, 0},                // hidden mini-scope 9: nothing shown there but the tree
      {2, 25, kPanelConnection},     // the connection picture in the ribbon (2, 2) + (0, 23)
      {72, 48, kPanelConnection},
      {73, 49, 0},
      {1500, 720, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(YRM_PanelUnderMouse(c.x, c.y), c.panel) << c.x << ", " << c.y;

  displayview = "9miniscopes";
  YRM_RefreshMainWindow();
  EXPECT_EQ(YRM_PanelUnderMouse(1079, 300), 6);   // mini-scope 5 now shown
  EXPECT_EQ(YRM_PanelUnderMouse(1312, 468), 10);  // mini-scope 9
  mode = "Basic";
  YRM_RefreshMainWindow();
  EXPECT_EQ(YRM_PanelUnderMouse(300, 300), kPanelMainScope);
  EXPECT_EQ(YRM_PanelUnderMouse(600, 100), 0);  // mini-scopes hidden beyond the edge
}
