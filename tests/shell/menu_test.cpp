#include <gtest/gtest.h>

#include "mainwindow_fixture.h"
#include "platform/requester.h"
#include "testing/planfiles.h"

namespace {
class MenuTest : public yrmtest::MainWindow {};
}  // namespace

TEST_F(MenuTest, LabelsExactAndNothingTicked) {
  Build();
  const std::pair<int, const char*> labels[] = {
      {25, "New"},
      {26, "Open"},
      {27, "Save"},
      // The recent-plan list gives these their slots' texts right after the
      // menu is made.
      {555, "testplans\\demo_A.qvt"},
      {562, "testplans\\demo_H.qvt"},
      {235, "Connect"},
      {236, "Disconnect"},
      {240, "YRM-A"},
      {241, "YRM-AP"},
      {242, "YRM-C"},
      {243, "YRM-D"},
      {162, "Compact"},
      {164, "Advanced"},
      {202, "Allow Signature Overwrite (AUTO CAPTURE)"},
      {172, "0.25%"},
      {173, "0.5% (default)"},
      {174, "1.0%"},
      {180, "0.5%"},
      {181, "1.0% (default)"},
      {182, "2.0%"},
      {175, " 2 cycles"},
      {176, " 5 cycles"},
      {177, "10 cycles (default)"},
      {178, "15 cycles"},
      {179, "20 cycles"},
      {183, "0.5%"},
      {184, "0.75%"},
      {185, "1.0%"},
      {186, "1.5% (default)"},
      {187, "2.0%"},
      {188, "3.0%"},
      {189, "4.0%"},
      {190, "5.0%"},
      {201, "Collapse Test Tree"},
      {49, "On (default)"},
      {50, "Off"},
      {51, "On (default)"},
      {52, "Classic"},
      {53, "Off"},
      {54, "On"},
      {55, "Off (default)"},
      {60, "1 line"},
      {61, "3 line"},
      {59, "Display Colours"},
      {76, "9 mini-scopes (default)"},
      {77, "6 mini-scopes + TestTree"},
      {78, "3 mini-scopes + TestTree"},
      {83, "3 mini-scopes + TestTree + BadTree"},
      {79, "3 mini-scopes + PCB"},
      {80, "3 mini-scopes + PCB + TestTree"},
      {84, "2 mini-scopes + PCB + TestTree + BadTree"},
      {81, "2 mini-scopes + PCB + TestTree"},
      {85, "1 mini-scope + PCB+ TestTree + BadTree"},
      {82, "PCB"},
      {58, "Calibrate DAC/ADC"},
      {238, "Daily Check for Releases"},
      {146, "About"},
      {149, "Support Info"},
  };
  for (auto [item, label] : labels) {
    EXPECT_EQ(pf::GetMenuItemText(kMainMenu, item), label) << item;
    EXPECT_FALSE(pf::GetMenuItemState(kMainMenu, item)) << item;
  }
  // Shortcut numbers have no item; YRM-D2 has none either.
  for (int item = 191; item <= 200; ++item) EXPECT_EQ(pf::GetMenuItemText(kMainMenu, item), "") << item;
  EXPECT_EQ(pf::GetMenuItemText(kMainMenu, 244), "");
}

// The menu alone gives "Open Recent" its first labels; the build's list
// update then replaces them with the slots' texts.
TEST_F(MenuTest, RecentItemsHaveFirstLabelsUntilTheListUpdate) {
  ASSERT_TRUE(pf::OpenWindow(kMainWindow, 0, 0, 1200, 720, "test", pf::kWindowSizeable));
  YRM_CreateMainMenu();
  EXPECT_EQ(pf::GetMenuItemText(kMainMenu, kItemRecentFirst), "testplans/demo_A.qvt");
  EXPECT_EQ(pf::GetMenuItemText(kMainMenu, kItemRecentFirst + 7), "testplans/demo_H.qvt");
  YRM_UpdateRecentTestPlans();
  EXPECT_EQ(pf::GetMenuItemText(kMainMenu, kItemRecentFirst), "testplans\\demo_A.qvt");
  EXPECT_EQ(pf::GetMenuItemText(kMainMenu, kItemRecentFirst + 7), "testplans\\demo_H.qvt");
}

TEST_F(MenuTest, AltLettersArriveAsMenuEvents) {
  Build();
  const std::pair<char, int> keys[] = {{'W', 197}, {'X', 198}, {'Y', 199}, {'Z', 200}, {'B', 191},
                                       {'E', 192}, {'R', 196}, {'J', 193}, {'K', 194}, {'L', 195}};
  for (auto [letter, item] : keys) {
    SCOPED_TRACE(letter);
    while (pf::WindowEvent() != 0) {
    }
    EXPECT_TRUE(pf::test::PressShortcut(kMainWindow, pf::kShortcutAlt | letter));
    int kind = pf::WaitWindowEvent(50);
    while (kind != 0 && kind != pf::kEventMenu) kind = pf::WaitWindowEvent(50);
    EXPECT_EQ(kind, pf::kEventMenu);
    EXPECT_EQ(pf::EventMenu(), item);
  }
  // Alt alone: with Ctrl or without Alt the letters are no shortcuts.
  EXPECT_FALSE(pf::test::PressShortcut(kMainWindow, pf::kShortcutAlt | pf::kShortcutControl | 'W'));
  EXPECT_FALSE(pf::test::PressShortcut(kMainWindow, 'W'));
}

TEST_F(MenuTest, NoMenuIsReportedAndEndsTheRun) {
  // Without window 1 the menu bar cannot be made.
  YRM_CreateMainMenu();
  YRM_AddShortcuts();
  EXPECT_FALSE(pf::IsMenu(kMainMenu));
  EXPECT_EQ(quit, 1);
  ASSERT_EQ(pf::test::AskedRequesters().size(), 1u);
  EXPECT_EQ(pf::test::AskedRequesters()[0].title, "Error #0055");
  EXPECT_EQ(pf::test::AskedRequesters()[0].text, "cannot create menu");
}
