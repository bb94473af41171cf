#include "shell/startup.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <regex>
#include <sstream>
#include <thread>

#include "editor/editwindow.h"
#include "forked.h"
#include "link/caldata.h"
#include "link/poll.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "platform/sound.h"
#include "shell/menu.h"
#include "shell/menucommands.h"
#include "shell/resources.h"
#include "shell/settings.h"
#include "shell/state.h"
#include "shell/updatecheck.h"
#include "testing/planfile.h"
#include "testing/records.h"
#include "testing/trees.h"
#include "workfolder.h"

extern char** environ;

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

// A stored plan the reader refuses (here one over its size bound) is not the
// open plan: nothing names it, and no save writes over it unless the
// operator chooses that file in the save dialog.
TEST_F(StartUpTest, RefusedStoredPlanIsNeverSavedOver) {
  const std::string big = "testplans/big.qvt";
  Spit("YRM_settings.txt",
       "CheckWebsiteForUpdate=0\r\nYRM_TestPlanFileName=testplans\\big.qvt\r\n"
       "YRM_TestPlanFileNameRecent1=testplans\\big.qvt\r\n");
  Spit("settings/colours.txt", "default\r\n");
  Spit(big, "R1,captured");
  std::filesystem::resize_file(big, kMaxPlanBytes + 1);  // sparse: no disk taken
  const auto untouched = [&] {
    std::string start;
    return pf::FileSize(big) == kMaxPlanBytes + 1 && pf::ReadFileStart(big, start, 11) &&
           start == "R1,captured";
  };
  StartUp();
  std::vector<std::string> shown;
  for (const auto& a : pf::test::AskedRequesters()) shown.push_back(a.title + " " + a.text);
  EXPECT_EQ(shown, std::vector<std::string>{"Error #0065 Cannot open .qvt file"});
  EXPECT_EQ(testplanfilename, "");
  EXPECT_EQ(records, RecordTable());
  EXPECT_EQ(TreeTitle(), "");
  // The stored name and list stay, so the next start tries the file again.
  YRM_GetKeyValue("YRM_settings.txt", "YRM_TestPlanFileName");
  EXPECT_EQ(keyvalue, "testplans\\big.qvt");
  EXPECT_EQ(pf::GetMenuItemText(kMainMenu, kItemRecentFirst), "testplans\\big.qvt");
  EXPECT_EQ(pf::GetMenuItemText(kMainMenu, kItemRecentFirst + 1), "testplans\\demo_B.qvt");

  // Components added in the editor, then Quick Save: a name is asked for.
  records = RecordTable(3, kPlanFields);
  records.SetField(2, kFieldComponent, "U1");
  const RecordTable edited = records;
  ASSERT_TRUE(OpenEditRecordsWindow());
  pf::test::ClearAsked();
  pf::test::PostGadgetEvent(kEditWindow, kEditQuickSaveButton);
  EXPECT_TRUE(EditRecordsWindowStep(0));
  CloseEditRecordsWindow();
  // File > Save asks with no name of the refused file's.
  pf::test::PostMenuEvent(kMainWindow, kItemSave);
  ASSERT_EQ(pf::WindowEvent(), pf::kEventMenu);
  YRM_MenuEvent();
  const auto& asked = pf::test::AskedRequesters();
  ASSERT_EQ(asked.size(), 2u);
  for (const auto& a : asked) {
    EXPECT_EQ(a.kind, "save");
    EXPECT_EQ(a.text, "");
  }
  EXPECT_TRUE(untouched());

  // Chosen in the dialog (which confirms the replacement), the file is written.
  pf::test::QueueFileAnswer(big);
  pf::test::PostMenuEvent(kMainWindow, kItemSave);
  ASSERT_EQ(pf::WindowEvent(), pf::kEventMenu);
  YRM_MenuEvent();
  ASSERT_TRUE(YRM_ReadTestPlan(big));
  EXPECT_EQ(records, edited);
}

// A settings file over the bound of whole reads (years of hand-added lines)
// is read as any other: the keys it holds are found and never appended
// again, the daily check runs once a day, and a menu choice is stored. A
// colours file as big is found too.
TEST_F(StartUpTest, BigSettingsFileIsReadAndNotGrown) {
  std::string settings = "ActiveInstrument=YRM-D2\r\nYRM_Mode=Basic\r\n";
  for (int i = 0; settings.size() <= size_t(pf::kDefaultReadLimit); ++i)
    settings += "Note" + std::to_string(i) + "=" + std::string(100, '.') + "\r\n";
  Spit("YRM_settings.txt", settings);
  Spit("settings/colours.txt", "default\r\n");
  std::filesystem::resize_file("settings/colours.txt", uint64_t(pf::kDefaultReadLimit) + 1);
  int64_t size = -1;
  for (int start = 1; start <= 3; ++start) {
    SCOPED_TRACE("start " + std::to_string(start));
    pf::test::ResetGui();
    pf::test::ClearAsked();
    StartUp();
    EXPECT_EQ(activeinstrument, "YRM-D2");
    EXPECT_EQ(mode, start == 1 ? "Basic" : "Advanced");
    EXPECT_EQ(dateoflastupdatecheck, "09/12/2026");
    EXPECT_TRUE(pf::test::AskedRequesters().empty());
    if (start == 1) {
      // The first start appends the 42 keys the file lacks, once.
      std::string tail;
      ASSERT_TRUE(pf::ReadFileEnd("YRM_settings.txt", tail, 64));
      EXPECT_TRUE(tail.ends_with("YRM_GoldenVsLiveThreshold=1.50%\r\n")) << tail;
      pf::test::PostMenuEvent(kMainWindow, kItemAdvanced);
      ASSERT_EQ(pf::WindowEvent(), pf::kEventMenu);
      YRM_MenuEvent();
      size = pf::FileSize("YRM_settings.txt");
    }
    EXPECT_EQ(pf::FileSize("YRM_settings.txt"), size);
  }
  YRM_GetKeyValue("YRM_settings.txt", "YRM_Mode");
  EXPECT_EQ(keyvalue, "Advanced");
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

namespace {
// Runs `args` in `folder` with the test's environment less `drop`, plus `add`,
// `input` on its standard input and no core file. Its wait status, or -1 when
// it did not end within two minutes; its standard error in "stderr.txt".
int runProgram(const std::vector<std::string>& args, const std::string& folder,
               const std::vector<std::string>& drop, const std::vector<std::string>& add,
               const std::string& input = "") {
  std::vector<std::string> vars = add;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    bool keep = true;
    for (const std::string& name : drop) keep = keep && v.rfind(name + "=", 0) != 0;
    if (keep) vars.push_back(v);
  }
  std::vector<char*> envp;
  for (std::string& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::vector<std::string> words = args;
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  Spit(folder + "/stdin.txt", input);
  const std::string in = folder + "/stdin.txt", err = folder + "/stderr.txt";
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const int i = open(in.c_str(), O_RDONLY), e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (i >= 0 && e >= 0 && dup2(i, 0) == 0 && dup2(e, 2) == 2 && chdir(folder.c_str()) == 0)
      execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; ++waited) {
    if (waited == 12000) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status;
}

// A virtual X server of our own that lets in only the holders of its cookie:
// a program without the cookie is refused as it connects. The server picks a
// free display number itself and is ended with the object.
class RefusingXServer {
 public:
  explicit RefusingXServer(const std::string& folder) {
    std::string program;
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string d; program.empty() && std::getline(dirs, d, ':');)
      if (!d.empty() && access((d + "/Xvfb").c_str(), X_OK) == 0) program = d + "/Xvfb";
    if (program.empty()) return;
    installed = true;
    // One entry for any display: its cookie, 16 bytes.
    std::string entry = std::string("\xff\xff", 2);
    for (const std::string_view field : {"", "", "MIT-MAGIC-COOKIE-1", "0123456789abcdef"})
      entry += std::string{char(field.size() >> 8), char(field.size() & 0xff)}.append(field);
    Spit(folder + "/server.auth", entry);
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return;
    const std::string fd = std::to_string(ready[1]), auth = folder + "/server.auth",
                      log = folder + "/xvfb.txt";
    pid = fork();
    if (pid == 0) {
      const int e = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (e >= 0) dup2(e, 2);
      fcntl(ready[1], F_SETFD, 0);  // the server's only
      execl(program.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-auth", auth.c_str(), "-nolisten", "tcp",
            "-screen", "0", "640x480x24", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    // The server writes its number once it takes connections.
    std::string number;
    pollfd p{ready[0], POLLIN, 0};
    char c = 0;
    while (pid > 0 && poll(&p, 1, 120000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    close(ready[0]);
    if (c == '\n' && !number.empty()) display = ":" + number;
  }
  ~RefusingXServer() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  bool installed = false;
  std::string display;  // empty when Xvfb is not installed or did not start

 private:
  pid_t pid = -1;
};

// Every way the toolkit can fail to open its display, each with the
// environment that brings it about in `folder`; those that need the refusing
// X server only when it runs.
struct DisplayCase {
  std::string name;
  std::vector<std::string> environment;
};
std::vector<DisplayCase> unusableDisplays(const std::string& folder, const std::string& refusing) {
  int number = 4711;  // a display no X server of this machine holds
  while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number))) ++number;
  const std::string absent = "DISPLAY=:" + std::to_string(number);
  // A compositor's socket in a folder of the test's own, where none listens.
  const std::string noCompositor[] = {"WAYLAND_DISPLAY=wayland-yrm-none", "XDG_RUNTIME_DIR=" + folder};
  Spit(folder + "/empty.auth", "");
  std::vector<DisplayCase> cases = {
      {"no display named", {}},
      {"a display no server holds", {absent}},
      {"the same, the X platform chosen", {absent, "QT_QPA_PLATFORM=xcb"}},
      {"the Wayland platform chosen, no compositor",
       {"QT_QPA_PLATFORM=wayland", noCompositor[0], noCompositor[1]}},
      {"a Wayland session, no compositor, no X",
       {"XDG_SESSION_TYPE=wayland", noCompositor[0], noCompositor[1]}},
      {"a platform plugin that does not exist", {"QT_QPA_PLATFORM=yrm-no-such-platform", absent}},
  };
  if (!refusing.empty()) {
    const std::string refused[] = {"DISPLAY=" + refusing, "XAUTHORITY=" + folder + "/empty.auth"};
    cases.push_back({"an X server that refuses the program", {refused[0], refused[1]}});
    cases.push_back(
        {"the refusing X server, the X platform chosen", {refused[0], refused[1], "QT_QPA_PLATFORM=xcb"}});
    cases.push_back({"a Wayland session, no compositor, an X server that refuses",
                     {"XDG_SESSION_TYPE=wayland", noCompositor[0], noCompositor[1], refused[0], refused[1]}});
  }
  return cases;
}
const std::vector<std::string> kDisplayVariables = {"DISPLAY",          "QT_QPA_PLATFORM", "WAYLAND_DISPLAY",
                                                    "XDG_SESSION_TYPE", "XDG_RUNTIME_DIR", "XAUTHORITY"};

// Runs the program with `args` and `input` under every unusable display,
// each in a folder of its own under `dir`; `check` judges each run that ended
// normally by its status and folder.
void underEveryUnusableDisplay(const std::string& dir, const std::vector<std::string>& args,
                               const std::string& input,
                               const std::function<void(int status, const std::string& folder)>& check) {
  const char* build = std::getenv("YRM_BUILD_DIR");
  ASSERT_NE(build, nullptr) << "YRM_BUILD_DIR names the build folder";
  std::vector<std::string> command = {std::string(build) + "/yrm32"};
  command.insert(command.end(), args.begin(), args.end());
  RefusingXServer server(dir);
  int k = 0;
  for (const DisplayCase& c : unusableDisplays(dir, server.display)) {
    SCOPED_TRACE(c.name);
    const std::string folder = dir + "/run" + std::to_string(k++);
    std::filesystem::create_directory(folder);
    const int status = runProgram(command, folder, kDisplayVariables, c.environment, input);
    if (WIFEXITED(status))
      check(WEXITSTATUS(status), folder);
    else
      ADD_FAILURE() << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : -1);
  }
  if (!server.installed) GTEST_SKIP() << "Xvfb is not installed: an X server that refuses was not tried";
  EXPECT_NE(server.display, "") << "Xvfb did not start: " << Slurp(dir + "/xvfb.txt");
}
}  // namespace

// The program where the toolkit cannot open its display, however that comes
// about: it logs and says on standard error that its main window cannot
// start and ends with status 1, without the toolkit's abort.
TEST_F(StartUpTest, WithoutAUsableDisplayTheProgramSaysSoAndEnds) {
  underEveryUnusableDisplay(dir, {}, "", [](int status, const std::string& folder) {
    EXPECT_EQ(status, 1);
    std::vector<std::string> log;
    pf::ReadLines(folder + "/log.txt", log);
    EXPECT_TRUE(!log.empty() && log.back().ends_with("] Error #0066 main window won't start"))
        << Slurp(folder + "/log.txt");
    const std::string errors = Slurp(folder + "/stderr.txt");
    EXPECT_NE(errors.find("Error #0066: main window won't start\n"), std::string::npos) << errors;
  });
}

// A fault report's box process where no box can open writes the report to
// standard error, and ends normally, whatever stands in the way.
TEST_F(StartUpTest, WithoutAUsableDisplayTheFaultBoxWritesTheReport) {
  underEveryUnusableDisplay(dir, {"--fault-box", "OnError Handler"}, "Sorry!\nAddress: 0",
                            [](int status, const std::string& folder) {
                              EXPECT_EQ(status, 0);
                              const std::string errors = Slurp(folder + "/stderr.txt");
                              EXPECT_TRUE(errors.ends_with("OnError Handler\nSorry!\nAddress: 0\n"))
                                  << errors;
                            });
}

namespace {
// Asks in a fresh process, before any toolkit start, whether the toolkit
// could start; with YRM_TEST_LISTEN set, an X server's abstract socket of
// that display number listens meanwhile (it accepts without answering).
const bool canStartRegistered = yrmtest::RegisterChild("gui-can-start", [] {
  int listener = -1;
  if (const char* number = std::getenv("YRM_TEST_LISTEN")) {
    const std::string name = std::string("/tmp/.X11-unix/X") + number;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, name.data(), name.size());
    listener = socket(AF_UNIX, SOCK_STREAM, 0);
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr),
             socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size())) != 0 ||
        listen(listener, 1) != 0)
      std::_Exit(3);
  }
  std::_Exit(pf::GuiCanStart() ? 0 : 1);
});
}  // namespace

// (No platform chosen at all is the program's own test above: the test
// program chooses the offscreen one for every process it starts.)
TEST_F(StartUpTest, TheToolkitIsStartedOnlyWhereADisplayAnswers) {
  int number = 4711;  // as above
  while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number))) ++number;
  const std::string display = ":" + std::to_string(number) + ".0";
  struct Case {
    const char* platform;
    std::string display;
    bool listening;
    int status;  // 0 can start, 1 cannot
  };
  const Case cases[] = {
      {"offscreen", display, false, 0},
      {"xcb", display, false, 1},
      {"xcb", display, true, 0},
      {"xcb:nograb", "unix/" + display, true, 0},
      {"xcb", "", false, 1},
      {"xcb;offscreen", display, false, 0},  // another platform to try
  };
  const char* const vars[] = {"QT_QPA_PLATFORM", "DISPLAY", "YRM_TEST_LISTEN", "WAYLAND_DISPLAY",
                              "XDG_SESSION_TYPE"};
  std::vector<std::pair<std::string, std::string>> saved;
  for (const char* v : vars)
    if (const char* value = std::getenv(v)) saved.emplace_back(v, value);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.platform) + " " + c.display + (c.listening ? " listening" : ""));
    for (const char* v : vars) unsetenv(v);
    if (*c.platform) setenv("QT_QPA_PLATFORM", c.platform, 1);
    if (!c.display.empty()) setenv("DISPLAY", c.display.c_str(), 1);
    if (c.listening) setenv("YRM_TEST_LISTEN", std::to_string(number).c_str(), 1);
    EXPECT_EQ(yrmtest::RunInFreshProcess("gui-can-start", dir, 60), c.status);
  }
  for (const char* v : vars) unsetenv(v);
  for (const auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);
}
