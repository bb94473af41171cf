#include "platform/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "forked.h"
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

namespace {
// Runs `body` in a child with a time bound, and where no sanitizer reserves
// address space a memory bound too, so that a read that blocks or never ends
// fails the test instead of hanging it or filling the machine.
int Bounded(const std::function<void()>& body) {
  return yrmtest::RunInChild(
      [&] {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
        const rlimit mem{rlim_t(1) << 30, rlim_t(1) << 30};
        setrlimit(RLIMIT_AS, &mem);
#endif
        body();
        _exit(0);
      },
      60);
}
}  // namespace

// A FIFO without a writer, a link to a device, a folder: none is read, none
// makes a read or a write wait, and a link to a regular file is followed.
TEST_F(FilesTest, OnlyRegularFilesAreReadOrWritten) {
  ASSERT_EQ(mkfifo("pipe.txt", 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", "zero.txt"), 0);
  std::filesystem::create_directory("folder.txt");
  Spit("plain.txt", "a\r\nb");
  ASSERT_EQ(symlink("plain.txt", "link.txt"), 0);
  const char* const refused[] = {"pipe.txt", "zero.txt", "folder.txt", "/dev/zero", "missing.txt"};
  auto readAll = [&] {
    for (const char* path : refused) {
      std::string bytes = "old";
      std::vector<std::string> lines{"old"};
      pf::FileReader reader;
      pf::LineReader lineReader;
      if (pf::ReadFileBytes(path, bytes) || !bytes.empty() || pf::ReadLines(path, lines) || !lines.empty() ||
          pf::ReadFileStart(path, bytes, 100) || pf::ReadFileEnd(path, bytes, 100) || pf::FileExists(path) ||
          reader.Open(path) || lineReader.Open(path))
        _exit(1);
    }
    pf::FileWriter writer;
    if (pf::AppendLine("pipe.txt", "x") || pf::WriteFile("pipe.txt", "x") ||
        pf::AppendLine("zero.txt", "x") || pf::WriteFile("folder.txt", "x") || writer.Create("pipe.txt"))
      _exit(2);
  };
  ASSERT_EQ(Bounded(readAll), 0);

  std::string bytes;
  EXPECT_TRUE(pf::ReadFileBytes("link.txt", bytes));
  EXPECT_EQ(bytes, "a\r\nb");
  EXPECT_TRUE(pf::FileExists("link.txt"));
  EXPECT_TRUE(pf::AppendLine("link.txt", "c"));
  EXPECT_EQ(Slurp("plain.txt"), "a\r\nbc\r\n");
  EXPECT_TRUE(std::filesystem::is_fifo("pipe.txt"));
}

TEST_F(FilesTest, WholeFileReadsAreBounded) {
  Spit("small.bin", "twelve bytes");
  std::string bytes;
  EXPECT_TRUE(pf::ReadFileBytes("small.bin", bytes, 12));
  EXPECT_EQ(bytes, "twelve bytes");
  EXPECT_FALSE(pf::ReadFileBytes("small.bin", bytes, 11));
  EXPECT_EQ(bytes, "");
  EXPECT_TRUE(pf::ReadFileStart("small.bin", bytes, 6));
  EXPECT_EQ(bytes, "twelve");
  EXPECT_TRUE(pf::ReadFileEnd("small.bin", bytes, 5));
  EXPECT_EQ(bytes, "bytes");
  EXPECT_TRUE(pf::ReadFileEnd("small.bin", bytes, 50));
  EXPECT_EQ(bytes, "twelve bytes");
  Spit("empty.txt", "");
  EXPECT_TRUE(pf::ReadFileBytes("empty.txt", bytes));
  EXPECT_EQ(bytes, "");

  // One byte past the default bound, sparse so that it costs no disk.
  Spit("big.txt", "");
  std::filesystem::resize_file("big.txt", uint64_t(pf::kDefaultReadLimit) + 1);
  EXPECT_FALSE(pf::ReadFileBytes("big.txt", bytes));
  std::vector<std::string> lines;
  EXPECT_FALSE(pf::ReadLines("big.txt", lines));
  EXPECT_TRUE(pf::ReadFileEnd("big.txt", bytes, 1));
  EXPECT_EQ(bytes, std::string(1, '\0'));
  // A file that tells no size is read to its end.
  EXPECT_TRUE(pf::ReadFileBytes("/proc/self/status", bytes));
  EXPECT_NE(bytes.find("VmRSS"), std::string::npos);
}

TEST_F(FilesTest, ReaderGivesTheFileInPieces) {
  std::string content;
  for (int i = 0; content.size() < 2 * pf::FileReader::kPieceBytes + 100; ++i)
    content += std::to_string(i) + ",";
  Spit("plan.qvt", content);
  pf::FileReader reader;
  ASSERT_FALSE(reader.Open("plan.qvt", int64_t(content.size()) - 1));
  ASSERT_TRUE(reader.Open("plan.qvt", int64_t(content.size())));
  EXPECT_EQ(reader.Size(), int64_t(content.size()));
  std::string got;
  int pieces = 0;
  for (std::string_view piece; !(piece = reader.Next()).empty(); ++pieces) got += piece;
  EXPECT_EQ(got, content);
  EXPECT_EQ(pieces, 3);
  EXPECT_FALSE(reader.Failed());

  // A file that grew past the bound since it was opened ends the read as failed.
  ASSERT_TRUE(reader.Open("plan.qvt", int64_t(content.size())));
  EXPECT_FALSE(reader.Next().empty());
  std::ofstream("plan.qvt", std::ios::app) << "more";
  while (!reader.Next().empty()) {
  }
  EXPECT_TRUE(reader.Failed());
}

namespace {
// A file read through the line reader: its lines, each put together from its
// pieces, and the size of the largest piece.
struct ReadBack {
  std::vector<std::string> lines;
  size_t largestPiece = 0;
  bool endsOpen = false;
};
ReadBack readByLines(const std::string& path) {
  ReadBack back;
  pf::LineReader reader;
  EXPECT_TRUE(reader.Open(path));
  std::string piece;
  while (reader.Next(piece)) {
    if (reader.LineStart()) back.lines.emplace_back();
    back.lines.back() += piece;
    back.largestPiece = std::max(back.largestPiece, piece.size());
  }
  EXPECT_FALSE(reader.Failed());
  back.endsOpen = reader.EndsOpen();
  return back;
}
}  // namespace

// Every line end, also one split between two reads of the file, and lines
// longer than the bound, which come in pieces of at most the bound.
TEST_F(FilesTest, LineReaderTakesAnyTextLineByLine) {
  const size_t bound = pf::LineReader::kMaxLineBytes;
  const std::string a(65535, 'a');  // the CR ends the first read of 64 KiB
  const std::string longLine(2 * bound + 5, 'x');
  const std::string full(bound, 'f');
  struct Case {
    std::string text;
    std::vector<std::string> lines;
    bool endsOpen;
  };
  const Case cases[] = {
      {"", {}, false},
      {"a", {"a"}, true},
      {"a\r\nb\r\n", {"a", "b"}, false},
      {"a\nb", {"a", "b"}, true},
      {"a\rb\r", {"a", "b"}, false},
      {"a\r\n\r\nb", {"a", "", "b"}, true},
      {"a\n\rb", {"a", "", "b"}, true},
      {"\r\n", {""}, false},
      {a + "\r\nb", {a, "b"}, true},
      {longLine + "\r\nshort\r\n", {longLine, "short"}, false},
      {full + "\r\n" + full, {full, full}, true},
  };
  for (const Case& c : cases) {
    Spit("lines.txt", c.text);
    const ReadBack back = readByLines("lines.txt");
    EXPECT_EQ(back.lines, c.lines) << c.text.substr(0, 20);
    EXPECT_EQ(back.endsOpen, c.endsOpen) << c.text.substr(0, 20);
    EXPECT_LE(back.largestPiece, bound);
  }

  // A file far over the bound of whole reads: one line of 17 MiB of NULs.
  Spit("big.txt", "");
  std::filesystem::resize_file("big.txt", uint64_t(pf::kDefaultReadLimit) + (1 << 20));
  const ReadBack back = readByLines("big.txt");
  ASSERT_EQ(back.lines.size(), 1u);
  EXPECT_EQ(back.lines[0].size(), size_t(pf::kDefaultReadLimit) + (1 << 20));
  EXPECT_EQ(back.largestPiece, bound);
}

TEST_F(FilesTest, FileWriterWritesEveryPieceOrSaysItFailed) {
  std::string content;
  pf::FileWriter writer;
  ASSERT_TRUE(writer.Create("out.txt"));
  for (int i = 0; content.size() < 300000; ++i) {
    const std::string piece = std::to_string(i) + "\r\n";
    writer.Write(piece);
    content += piece;
  }
  EXPECT_TRUE(writer.Close());
  EXPECT_EQ(Slurp("out.txt"), content);
  pf::test::FailCreates(1);
  EXPECT_FALSE(writer.Create("out.txt"));
  EXPECT_FALSE(writer.Close());
  EXPECT_EQ(Slurp("out.txt"), content);
}
