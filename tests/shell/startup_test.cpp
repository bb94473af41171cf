#include "shell/startup.h"

#include <gtest/gtest.h>

#include <regex>

#include "link/poll.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "shell/menu.h"
#include "shell/state.h"
#include "workfolder.h"

using yrmtest::Slurp;
using yrmtest::Spit;

namespace {
class StartUpTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    pf::test::ResetGui();
    pf::test::SetDelay([](int) {});
    pf::test::SetNow([] { return pf::LocalTime{2026, 12, 9, 10, 11, 12}; });
  }
  void TearDown() override {
    StopPollThread();
    pf::test::RestoreClocks();
    pf::test::ResetGui();
    WorkFolder::TearDown();
  }
  std::vector<std::string> logLines() {
    std::vector<std::string> lines;
    pf::ReadLines("log.txt", lines);
    return lines;
  }
};
}  // namespace

TEST_F(StartUpTest, FirstStartInAnEmptyFolder) {
  StartUp();
  std::vector<std::string> settings;
  ASSERT_TRUE(pf::ReadLines("YRM_settings.txt", settings));
  ASSERT_EQ(settings.size(), 44u);
  EXPECT_EQ(settings[0], "ActiveInstrument=YRM-A");
  // The update-check date is written before the check; the second read takes it.
  EXPECT_EQ(settings[3], "DateOfLastUpdateCheck=09/12/2026");
  EXPECT_EQ(dateoflastupdatecheck, "09/12/2026");

  EXPECT_TRUE(pf::IsDirectory("testplans"));
  EXPECT_EQ(Slurp("testplans/demo_A.qvt"), std::string(576, ','));
  EXPECT_EQ(testplanfilename, "testplans\\demo_A.qvt");

  auto log = logLines();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0], "[09-Dec-2026 10:11:12] YRM32.EXE start-up, activeinstrument:YRM-A");
  const std::regex stamp(
      R"(\[\d\d-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-\d{4} \d\d:\d\d:\d\d\] .*)");
  for (const auto& l : log) EXPECT_TRUE(std::regex_match(l, stamp)) << l;

  EXPECT_EQ(pf::GetWindowTitle(kMainWindow), "Quenlar - YRM-A Analog Signature Analyser V25.001");
  // The build's first refresh applies the default mode "Advanced".
  EXPECT_EQ(pf::WindowWidth(kMainWindow), 1545);
  EXPECT_EQ(pf::WindowHeight(kMainWindow), 725);
  EXPECT_EQ(quit, 0);
}

TEST_F(StartUpTest, IllegalModelRunsAsYrmA) {
  for (const char* stored : {"YRM-E", "yrm-c", "YRM-A "}) {
    pf::test::ResetGui();
    Spit("YRM_settings.txt", std::string("ActiveInstrument=") + stored + "\r\n");
    pf::DeleteFile("log.txt");
    StartUp();
    auto log = logLines();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(
        log[0].substr(23),
        "YRM32.EXE start-up, cannot find legal instrument name, defaulting 'activeinstrument$' to 'YRM-A'");
    EXPECT_EQ(log[1].substr(23), "YRM32.EXE start-up, activeinstrument:YRM-A");
    // The second settings read inside the build keeps the corrected model.
    EXPECT_EQ(activeinstrument, "YRM-A") << stored;
    EXPECT_EQ(selectedinstrument, stored);
    EXPECT_EQ(pf::GetWindowTitle(kMainWindow), "Quenlar - YRM-A Analog Signature Analyser V25.001");
  }
}

TEST_F(StartUpTest, LegalModelAndStoredPlanAreKept) {
  Spit("YRM_settings.txt", "ActiveInstrument=YRM-D2\r\nYRM_TestPlanFileName=testplans\\mine.qvt\r\n");
  Spit("testplans/mine.qvt", ",,,\r\n");
  StartUp();
  EXPECT_EQ(activeinstrument, "YRM-D2");
  EXPECT_EQ(testplanfilename, "testplans\\mine.qvt");
  EXPECT_FALSE(pf::FileExists("testplans/demo_A.qvt"));
  EXPECT_EQ(pf::GetWindowTitle(kMainWindow), "Quenlar - YRM-D2 Analog Signature Analyser V25.001");
  // The stored plan is in no recent slot: the list's one update after the
  // menu is built puts it first, shows and stores the list.
  EXPECT_EQ(pf::GetMenuItemText(kMainMenu, kItemRecentFirst), "testplans\\mine.qvt");
  EXPECT_EQ(pf::GetMenuItemText(kMainMenu, kItemRecentFirst + 1), "testplans\\demo_A.qvt");
  EXPECT_EQ(pf::GetMenuItemText(kMainMenu, kItemRecentLast), "testplans\\demo_G.qvt");
  EXPECT_NE(Slurp("YRM_settings.txt").find("YRM_TestPlanFileNameRecent1=testplans\\mine.qvt"),
            std::string::npos);
}

TEST_F(StartUpTest, MissingStoredPlanFallsBackToDemo) {
  Spit("YRM_settings.txt", "YRM_TestPlanFileName=testplans\\gone.qvt\r\n");
  Spit("testplans/demo_A.qvt", "x,y\r\n");
  StartUp();
  EXPECT_EQ(testplanfilename, "testplans\\demo_A.qvt");
  EXPECT_EQ(Slurp("testplans/demo_A.qvt"), "x,y\r\n");  // an existing demo is not overwritten
  // The settings key is not written here.
  std::string settings = Slurp("YRM_settings.txt");
  EXPECT_NE(settings.find("YRM_TestPlanFileName=testplans\\gone.qvt"), std::string::npos);
}

TEST_F(StartUpTest, CloseOfTheMainWindowEndsTheLoopAfterItsStep) {
  StartUp();
  pf::test::PostWindowEvent(kMainWindow, pf::kEventCloseWindow);
  for (int i = 0; i < 50 && quit == 0; ++i) MainLoopPass();
  EXPECT_EQ(quit, 1);
  EXPECT_EQ(event, pf::kEventCloseWindow);
}
