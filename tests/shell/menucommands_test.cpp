#include "shell/menucommands.h"

#include <gtest/gtest.h>

#include "link/state.h"
#include "mainwindow_fixture.h"
#include "platform/files.h"
#include "platform/requester.h"
#include "shell/refresh.h"
#include "shell/settings.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {
class MenuCommandsTest : public yrmtest::MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    YRM_ReadSettings();  // a settings file with every key
    Build();
    YRM_RefreshMainWindow();
  }
};
}  // namespace

TEST_F(MenuCommandsTest, OptionsStoreValuesNotLabels) {
  struct Case {
    int item;
    std::string* global;
    const char *key, *value;
    bool redraw;
  };
  const Case cases[] = {
      {50, &scope1graticulemode, "YRM_Scope1GraticuleMode", "Off", true},
      {52, &scope1crosshairmode, "YRM_Scope1CrosshairMode", "Classic", true},
      {54, &scopexcrosshairmode, "YRM_ScopeXCrosshairMode", "On", true},
      {61, &pcbcrosshairtype, "YRM_PCBCrosshairType", "3 line", true},
      {172, &opencircuitdetectthreshold, "YRM_OpenCircuitDetectThreshold", "0.25%", false},
      {182, &stablesignaturedetectthreshold, "YRM_StableSignatureDetectThreshold", "2.00%", false},
      {175, &stablesignaturedelay, "YRM_SignatureCaptureDelay", "2 cycles", false},
      {184, &goldenvslivethreshold, "YRM_GoldenVsLiveThreshold", "0.75%", false},
      {79, &displayview, "YRM_DisplayView", "3miniscopes+PCB", false},
      {85, &displayview, "YRM_DisplayView", "miniscope+PCB+TestTree+BadTree", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    fullredraw = 0;
    traceredraw = 0;
    Choose(c.item);
    EXPECT_EQ(*c.global, c.value);
    EXPECT_EQ(Stored(c.key), c.value);
    EXPECT_TRUE(pf::GetMenuItemState(kMainMenu, c.item));
    // Only scope and board options redraw, and views through the switch.
    const bool isView = std::string(c.key) == "YRM_DisplayView";
    EXPECT_EQ(fullredraw, c.redraw || isView ? 1 : 0);
    EXPECT_EQ(traceredraw, isView ? 1 : 0);
  }
  EXPECT_FALSE(pf::GetMenuItemState(kMainMenu, 79));
}

TEST_F(MenuCommandsTest, CompactStoresBasicAndSwitchesLayout) {
  Choose(kItemCompact);
  EXPECT_EQ(mode, "Basic");
  EXPECT_EQ(Stored("YRM_Mode"), "Basic");
  EXPECT_EQ(pf::WindowWidth(kMainWindow), 534);
  EXPECT_TRUE(pf::GadgetHidden(kBoardView));
  // The same item again writes and refreshes, but leaves the size alone.
  pf::ResizeWindow(kMainWindow, -1, -1, 700, 500);
  Choose(kItemCompact);
  EXPECT_EQ(pf::WindowWidth(kMainWindow), 700);
  Choose(kItemAdvanced);
  EXPECT_EQ(pf::WindowWidth(kMainWindow), 1545);
  EXPECT_FALSE(pf::GadgetHidden(kBoardView));
}

TEST_F(MenuCommandsTest, FlipsWriteZeroOrOne) {
  Choose(kItemAllowOverwrite);
  EXPECT_EQ(allowsignatureoverwrite, 1);
  EXPECT_EQ(Stored("YRM_AllowSignatureOverwrite"), "1");
  EXPECT_TRUE(pf::GetMenuItemState(kMainMenu, kItemAllowOverwrite));
  Choose(kItemDailyCheck);
  EXPECT_EQ(checkwebsiteforupdate, 0);
  EXPECT_EQ(Stored("CheckWebsiteForUpdate"), "0");
  EXPECT_FALSE(pf::GetMenuItemState(kMainMenu, kItemDailyCheck));
  allowsignatureoverwrite = 5;  // not 0: becomes 0
  Choose(kItemAllowOverwrite);
  EXPECT_EQ(allowsignatureoverwrite, 0);
}

TEST_F(MenuCommandsTest, CollapseRebuildsTreesOnly) {
  records = RecordTable(3, kPlanFields);
  records.SetField(2, kFieldComponent, "U1");
  records.SetField(3, kFieldComponent, "U1");
  records.SetField(3, kFieldResult, "Bad");
  YRM_RefreshMainWindow();
  pf::SetGadgetItemState(kTestTree, 1, 1);
  const RecordTable before = records;
  const std::string settings = yrmtest::Slurp("YRM_settings.txt");
  Choose(kItemCollapseTree);
  EXPECT_EQ(pf::CountGadgetItems(kTestTree), 4);
  EXPECT_EQ(pf::GetGadgetItemState(kTestTree, 1), 0);  // built afresh
  EXPECT_EQ(pf::CountGadgetItems(kBadTree), 2);
  EXPECT_TRUE(records == before);
  EXPECT_EQ(yrmtest::Slurp("YRM_settings.txt"), settings);
}

TEST_F(MenuCommandsTest, AboutSupportAndConnect) {
  Choose(kItemAbout);
  Choose(kItemSupport);
  const auto& asked = pf::test::AskedRequesters();
  ASSERT_GE(asked.size(), 2u);
  EXPECT_EQ(asked[asked.size() - 2].title, "About");
  EXPECT_NE(asked[asked.size() - 2].text.find("Copyright"), std::string::npos);
  EXPECT_EQ(asked.back().title, "Support");
  EXPECT_NE(asked.back().text.find("@"), std::string::npos);

  // Items this part does not carry out change nothing.
  const std::string settings = yrmtest::Slurp("YRM_settings.txt");
  for (int item : {240, 243, 999}) Choose(item);
  EXPECT_EQ(yrmtest::Slurp("YRM_settings.txt"), settings);

  // Disconnect without a connection: the link reports it.
  pf::test::ClearAsked();
  Choose(kItemDisconnect);
  ASSERT_EQ(pf::test::AskedRequesters().size(), 1u);
  EXPECT_EQ(pf::test::AskedRequesters()[0].title, "Error #0062");
  EXPECT_EQ(usbopen, 0);
}

TEST_F(MenuCommandsTest, NavigationShortcuts) {
  records = RecordTable(5, kPlanFields);
  for (int row = 2; row <= 5; ++row) records.SetField(row, kFieldComponent, row < 4 ? "U1" : "U2");
  struct Case {
    int item, from, to;
  };
  const Case cases[] = {
      {kShortcutNextRecord, 2, 3}, {kShortcutPreviousRecord, 3, 2}, {kShortcutFirstRecord, 4, 2},
      {kShortcutLastRecord, 2, 5}, {kShortcutNextComponent, 2, 4},  {kShortcutPreviousComponent, 5, 2},
  };
  for (const auto& c : cases) {
    currentrecord = c.from;
    Choose(c.item);
    EXPECT_EQ(currentrecord, c.to) << c.item;
  }
}

TEST_F(MenuCommandsTest, RunShortcutTogglesTheAutomaticRun) {
  runstate = 1;
  Choose(kShortcutAutoRun);
  EXPECT_EQ(runstate, 3);
  Choose(kShortcutAutoRun);
  EXPECT_EQ(runstate, 1);
}
