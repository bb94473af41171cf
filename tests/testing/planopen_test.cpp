// What the whole program takes for a plan it opens: the table, the result
// trees and what the tree controls hold, measured in a fresh process.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "forked.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/panels.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/planfiles.h"
#include "testing/records.h"
#include "testing/state.h"
#include "testing/trees.h"
#include "workfolder.h"

using yrmtest::Slurp;
using yrmtest::Spit;

namespace {

long PeakKb() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

// Lets the window lay out and paint what it shows.
void Settle() {
  for (int i = 0; i < 5; ++i) pf::WaitWindowEvent(1);
}

// Opens "plan.qvt" as File > Open does, in a window with both result trees,
// builds the trees as the next main step does, then makes the first pin
// current as "Next" does; leaves in "peak.txt" the peak memory in kB before
// and after, the rows read and the messages shown.
const bool openRegistered = yrmtest::RegisterChild("plan-open-peak", [] {
  pf::test::ScriptRequesters(true);
  SetStartValues();
  pf::InitGui();
  pf::OpenWindow(kMainWindow, 0, 0, 800, 600, "plan", 0);
  YRM_CreateBadTreePanel();
  YRM_CreateTestTreePanel();
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  Settle();
  const long before = PeakKb();
  YRM_OpenTestPlan("plan.qvt");
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  Settle();
  currentrecord = 2;
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  Settle();
  std::string shown;
  for (const auto& a : pf::test::AskedRequesters()) shown += a.title;
  Spit("peak.txt", std::to_string(before) + " " + std::to_string(PeakKb()) + " " +
                       std::to_string(records.Rows()) + " " +
                       std::to_string(pf::CountGadgetItems(kTestTree)) + " " + shown);
  std::_Exit(0);
});

class PlanOpen : public yrmtest::WorkFolder {};

// Opening a plan takes, in the whole program, at most twice the file and
// 64 bytes a row (plus 24 MB): 4,000,000 short rows (20 MB) stay far under
// 1 GB, and 900,000 empty lines (1.8 MB) under 100 MB.
TEST_F(PlanOpen, TakesAFewTensOfBytesARowBeyondTwiceTheFile) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's own memory is no measure of the program's";
#endif
  constexpr long kAllowanceKb = 24 << 10, kRowBytes = 64;
  struct Case {
    const char* name;
    int rows;
    std::string line;
  };
  const Case cases[] = {
      {"4,000,000 short rows", 4000000, "5,1\r\n"},
      {"900,000 empty lines", 900000, "\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text;
    text.reserve(c.line.size() * c.rows);
    for (int r = 0; r < c.rows; ++r) text += c.line;
    Spit("plan.qvt", text);
    pf::DeleteFile("peak.txt");
    ASSERT_EQ(yrmtest::RunInFreshProcess("plan-open-peak", dir, 300), 0);
    long before = 0, after = 0;
    int rows = 0, entries = 0;
    char shown[64] = "";
    ASSERT_GE(std::sscanf(Slurp("peak.txt").c_str(), "%ld %ld %d %d %63[^\n]", &before, &after, &rows,
                          &entries, shown),
              4);
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(entries, c.rows);  // the title and a pin entry for every pin row
    EXPECT_STREQ(shown, "");
    const long bound = 2 * static_cast<long>(text.size() >> 10) + kRowBytes * c.rows / 1024 + kAllowanceKb;
    EXPECT_LE(after - before, bound) << "peak " << after << " kB, " << before
                                     << " kB before the plan was opened";
  }
}

}  // namespace
