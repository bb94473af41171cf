#include "shell/log.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "workfolder.h"

using yrmtest::Slurp;

namespace {
class LogTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    pf::test::SetNow([] { return pf::LocalTime{2027, 1, 1, 8, 7, 5}; });
  }
  void TearDown() override {
    pf::test::RestoreClocks();
    WorkFolder::TearDown();
  }
};
}  // namespace

TEST_F(LogTest, LineFormat) {
  YRM_WriteLog("hello");
  EXPECT_EQ(Slurp("log.txt"), "[01-Jan-2027 08:07:05] hello\r\n");
  pf::test::SetNow([] { return pf::LocalTime{2026, 12, 31, 23, 59, 59}; });
  YRM_WriteLog("x");
  EXPECT_EQ(Slurp("log.txt"), "[01-Jan-2027 08:07:05] hello\r\n[31-Dec-2026 23:59:59] x\r\n");
}

TEST_F(LogTest, MessageBoxesByClass) {
  struct Case {
    const char* text;
    const char* title;
    const char* body;
    int icon;
  };
  const Case cases[] = {
      {"Error #0066 main window won't start", "Error #0066", "main window won't start", pf::kRequesterError},
      {"Error #00xx 'Display Colours' window won't start", "Error #00xx",
       "'Display Colours' window won't start", pf::kRequesterError},
      {"Warning #0061 USB service unable to start", "Warning #0061", "USB service unable to start",
       pf::kRequesterWarning},
      {"Info #0063 This function is only available in Advanced mode.", "Info #0063",
       "This function is only available in Advanced mode.", pf::kRequesterInfo},
  };
  for (const auto& c : cases) {
    pf::test::ClearAsked();
    YRM_ShowMessage(c.text);
    ASSERT_EQ(pf::test::AskedRequesters().size(), 1u) << c.text;
    const auto& a = pf::test::AskedRequesters()[0];
    EXPECT_EQ(a.title, c.title);
    EXPECT_EQ(a.text, c.body);
    EXPECT_EQ(a.flags, c.icon);
  }
  std::string log = Slurp("log.txt");
  EXPECT_NE(log.find("] Error #0066 main window won't start\r\n"), std::string::npos);

  // A text of no class is only logged.
  pf::test::ClearAsked();
  YRM_ShowMessage("YRM_StartConnection()");
  EXPECT_TRUE(pf::test::AskedRequesters().empty());
  EXPECT_NE(Slurp("log.txt").find("] YRM_StartConnection()\r\n"), std::string::npos);
}

TEST_F(LogTest, UnwritableLogWarnsWithoutLogging) {
  pf::CreateDirectory("log.txt");  // a folder in the way: the log cannot be opened
  YRM_ShowMessage("Info #0063 text");
  const auto& asked = pf::test::AskedRequesters();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].title, "Warning #xxxx");
  EXPECT_EQ(asked[0].text, "cannot write to log.txt");
  EXPECT_EQ(asked[1].title, "Info #0063");
}

TEST_F(LogTest, WarningFromAnotherThreadIsShownOnTheGuiThread) {
  pf::InitGui();
  pf::CreateDirectory("log.txt");
  // The poll thread's log call when the watchdog drops the link.
  std::thread([] { YRM_WriteLog("YRM_WorkerThread() link lost"); }).join();
  EXPECT_TRUE(pf::test::AskedRequesters().empty());  // nothing built on that thread
  pf::WaitWindowEvent(0);                            // the GUI thread's next pass
  const auto& asked = pf::test::AskedRequesters();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].title, "Warning #xxxx");
  EXPECT_EQ(asked[0].text, "cannot write to log.txt");
}

TEST_F(LogTest, TwoThreadsNeverInterleave) {
  auto writer = [](char c) {
    for (int i = 0; i < 300; ++i) YRM_WriteLog(std::string(200, c));
  };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join();
  b.join();
  std::vector<std::string> lines;
  pf::ReadLines("log.txt", lines);
  ASSERT_EQ(lines.size(), 600u);
  for (const auto& l : lines) {
    ASSERT_EQ(l.size(), 23u + 200u);
    EXPECT_TRUE(l.substr(23) == std::string(200, 'a') || l.substr(23) == std::string(200, 'b'));
  }
}
