#include "shell/startup.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <future>
#include <regex>

#include "forked.h"
#include "link/caldata.h"
#include "link/poll.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "platform/sound.h"
#include "shell/menu.h"
#include "shell/resources.h"
#include "shell/state.h"
#include "shell/updatecheck.h"
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

namespace {
// Start-up in a fresh process, in the folder it is started in, then a main
// loop pass (the board view reads the plan's photo), the calibration file as a
// connection reads it and a sound. Ends 0 once the main window is up, and
// leaves the messages shown in "shown.txt".
const bool hostileStartRegistered = yrmtest::RegisterChild("start-up-beside-a-hostile-file", [] {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // A file read without end fails here, not by filling the machine.
  const rlimit mem{rlim_t(4) << 30, rlim_t(4) << 30};
  setrlimit(RLIMIT_AS, &mem);
#endif
  pf::test::ScriptRequesters(true);
  pf::test::SetDelay([](int) {});
  SetUpdateServer("http://127.0.12.1:9");
  StartUp();
  MainLoopPass();
  DeriveCalibration();
  pf::LoadSound(kSoundGood, "sounds/testgood.wav");
  std::string shown;
  for (const auto& a : pf::test::AskedRequesters()) shown += a.title + ": " + a.text + "\n";
  yrmtest::Spit("shown.txt", shown);
  std::_Exit(quit == 0 && pf::IsWindow(kMainWindow) ? 0 : 3);
});
}  // namespace

// Each file the program reads, made a FIFO without a writer or a link to
// /dev/zero: start-up still reaches its window, within a time far above a
// normal start, and the file counts as one that cannot be opened.
TEST_F(StartUpTest, NoFileCanHoldUpStartUp) {
  const char* build = std::getenv("YRM_BUILD_DIR");
  ASSERT_NE(build, nullptr) << "YRM_BUILD_DIR names the build folder";
  const std::filesystem::path assets = std::filesystem::path(build) / "work-template";
  ASSERT_TRUE(std::filesystem::exists(assets / "graphics")) << assets << " missing: build the assets";
  const std::string photoPlan =
      "YRM_TestPlanFileName=testplans\\sample_board.qvt\r\nCheckWebsiteForUpdate=0\r\n";
  struct Case {
    const char* file;
    std::string settings;  // "" for none: the first start writes every key
    const char* shown;     // the message the refused file brings, if any
  };
  const Case cases[] = {
      {"YRM_settings.txt", "", ""},
      {"settings/colours.txt", "",
       "Error #0003: settings/colours.txt Not found, using Default colour scheme\n"},
      {"testplans/demo_A.qvt", "", "Error #0065: Cannot open .qvt file\n"},
      {"testplans/sample_board.qvt", photoPlan, ""},  // the demo plan stands in
      {"testplans/images/sample_board.png", photoPlan,
       "Error #xxxx: Can't load the PCB image: testplans/images/sample_board.png\n"},
      {"graphics/button_no-connect.png", "", ""},
      {"sounds/testgood.wav", "", ""},
      {"YRM_cal.txt", "", ""},
      {"tmp.txt", "", ""},  // the settings write of the daily check goes through it
      {"log.txt", photoPlan, "Warning #xxxx: cannot write to log.txt\n"},
  };
  std::vector<std::future<int>> runs;
  std::vector<std::string> folders;
  for (const char* kind : {"fifo", "zero"}) {
    for (const Case& c : cases) {
      const std::string folder = dir + "/" + kind + std::to_string(folders.size());
      std::filesystem::copy(assets, folder, std::filesystem::copy_options::recursive);
      if (!c.settings.empty()) Spit(folder + "/YRM_settings.txt", c.settings);
      const std::string path = folder + "/" + c.file;
      std::filesystem::remove(path);
      if (std::string(kind) == "fifo")
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
      else
        ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0) << path;
      folders.push_back(folder);
    }
  }
  // A few at a time: each start is a process of its own.
  std::vector<int> results(folders.size(), -2);
  for (size_t first = 0; first < folders.size(); first += 4) {
    for (size_t k = first; k < std::min(first + 4, folders.size()); ++k)
      runs.push_back(std::async(std::launch::async, [&folders, k] {
        return yrmtest::RunInFreshProcess("start-up-beside-a-hostile-file", folders[k], 120);
      }));
    for (size_t k = first; k < runs.size(); ++k) results[k] = runs[k].get();
  }
  for (size_t k = 0; k < folders.size(); ++k) {
    const Case& c = cases[k % std::size(cases)];
    SCOPED_TRACE(folders[k] + ": " + c.file);
    EXPECT_EQ(results[k], 0);
    std::string shown = Slurp(folders[k] + "/shown.txt");
    if (std::string(c.file) == "log.txt") shown = shown.substr(0, shown.find('\n') + 1);  // one per log line
    EXPECT_EQ(shown, c.shown);
  }
}
