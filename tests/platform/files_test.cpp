#include "platform/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "workfolder.h"

using yrmtest::Slurp;
using yrmtest::Spit;

class FilesTest : public yrmtest::WorkFolder {};

TEST(SplitLines, AllLineEndsAndLastLineWithoutEnd) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then lone CR: two line ends
      {"\r\n", {""}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> got;
    pf::SplitLines(c.text, got);
    EXPECT_EQ(got, c.lines) << "text: " << c.text;
  }
}

TEST_F(FilesTest, BackslashPathsOpenWithSlashes) {
  Spit("testplans/x.qvt", "abc");
  EXPECT_TRUE(pf::FileExists("testplans\\x.qvt"));
  std::string s;
  EXPECT_TRUE(pf::ReadFileBytes("testplans\\x.qvt", s));
  EXPECT_EQ(s, "abc");
}

TEST_F(FilesTest, AppendLineEndsWithCrLf) {
  EXPECT_TRUE(pf::AppendLine("log.txt", "one"));
  EXPECT_TRUE(pf::AppendLine("log.txt", "two"));
  EXPECT_EQ(Slurp("log.txt"), "one\r\ntwo\r\n");
}

TEST_F(FilesTest, ReplaceFileKeepsOldContentWhenRenameFails) {
  Spit("plan.qvt", "old");
  pf::test::FailRenames(1);
  EXPECT_FALSE(pf::ReplaceFile("plan.qvt", "new"));
  EXPECT_EQ(Slurp("plan.qvt"), "old");
  EXPECT_TRUE(pf::ReplaceFile("plan.qvt", "new"));
  EXPECT_EQ(Slurp("plan.qvt"), "new");
  // No temporary is left behind either way.
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

// A save killed before its rename leaves ".<name>.tmp<pid>"; the next save of
// that file removes it, unless its writer still runs.
TEST_F(FilesTest, ReplaceFileClearsLeftoversOfDeadWriters) {
  pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  const std::string deadTmp = "plans/.plan.qvt.tmp" + std::to_string(dead);
  const std::string ownTmp = "plans/.plan.qvt.tmp" + std::to_string(getpid());
  const std::string liveTmp = "plans/.plan.qvt.tmp" + std::to_string(getppid());
  const std::string otherPlanTmp = "plans/.other.qvt.tmp" + std::to_string(dead);
  const std::string notOurs = "plans/.plan.qvt.tmpx" + std::to_string(dead);
  for (const auto& f : {deadTmp, ownTmp, liveTmp, otherPlanTmp, notOurs}) Spit(f, "half a plan");
  ASSERT_TRUE(pf::ReplaceFile("plans\\plan.qvt", "plan"));
  EXPECT_EQ(Slurp("plans/plan.qvt"), "plan");
  EXPECT_FALSE(std::filesystem::exists(deadTmp));
  EXPECT_FALSE(std::filesystem::exists(ownTmp));
  EXPECT_TRUE(std::filesystem::exists(liveTmp));       // a save still running
  EXPECT_TRUE(std::filesystem::exists(otherPlanTmp));  // another plan's
  EXPECT_TRUE(std::filesystem::exists(notOurs));
}

TEST_F(FilesTest, ReplaceFileFailsWhenFolderMissing) {
  EXPECT_FALSE(pf::ReplaceFile("nofolder/plan.qvt", "x"));
}
