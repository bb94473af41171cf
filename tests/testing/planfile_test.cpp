// Test-plan files: what a read makes of the bytes, what a write puts on disk,
// and that a failed write keeps the old plan.
#include "testing/planfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "forked.h"
#include "platform/files.h"
#include "platform/requester.h"
#include "workfolder.h"

namespace fs = std::filesystem;
using yrmtest::Slurp;
using yrmtest::Spit;

namespace {

// The table as text: fields joined by "|", rows by "/".
std::string Dump(const RecordTable& t) {
  std::string s;
  for (int r = 1; r <= t.Rows(); ++r) {
    for (int f = 1; f <= t.Fields(); ++f) s += t.Field(r, f) + (f < t.Fields() ? "|" : "");
    if (r < t.Rows()) s += "/";
  }
  return s;
}

// The messages shown since the test began, as "title: text".
std::string Shown() {
  std::string s;
  for (const auto& a : pf::test::AskedRequesters())
    if (a.kind == "message") s += a.title + ": " + a.text + "\n";
  return s;
}

// Names of the files in a folder, sorted.
std::string Listing(const std::string& dir) {
  std::string s;
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  for (const auto& n : names) s += n + " ";
  return s;
}

class PlanFile : public yrmtest::WorkFolder {
 protected:
  // The next test sees the real memory and allowance, whatever this one set.
  void TearDown() override {
    pf::test::SetAvailableMemory(-1);
    plantest::SetPlanAllowance(-1);
    WorkFolder::TearDown();
  }
};

TEST_F(PlanFile, ReadsBytesIntoRowsAndFields) {
  struct Case {
    const char* name;
    std::string bytes;
    int rows, fields;
    std::string table;
  };
  const std::string demo(576, ',');
  const std::string fresh = std::string(575, ',') + "\r\n";
  const Case cases[] = {
      {"CR LF", "abc,def,ghi\r\njkl,mno,pqr\r\n", 2, 3, "abc|def|ghi/jkl|mno|pqr"},
      {"LF only", "abc,def,ghi\njkl,mno,pqr\n", 2, 3, "abc|def|ghi/jkl|mno|pqr"},
      {"lone CR", "abc,def,ghi\rjkl,mno,pqr\r", 2, 3, "abc|def|ghi/jkl|mno|pqr"},
      {"no line end at the end", "abc,def,ghi\r\njkl,mno,pqr", 2, 3, "abc|def|ghi/jkl|mno|pqr"},
      {"CR before CR LF", "a,b\r\r\nc,d\r\n", 3, 1, "a//c"},
      {"5, 5 and 2 commas", "1,2,3,4,5,6\r\na,b,c,d,e,f\r\nx,y,z\r\n", 3, 5, "1|2|3|4|5/a|b|c|d|e/x|y|z||"},
      {"one long line among short", "a\nb\nc\n,,,,,,,,x,y\n", 4, 3, "a||/b||/c||/||"},
      {"start-up demo", demo, 1, 577, std::string(576, '|')},
      {"New", fresh, 1, 576, std::string(575, '|')},
      {"empty", "", 1, 1, ""},
      {"one line end", "\r\n", 1, 1, ""},
      {"pound signs", "R1\xC2\xA3 R2,a\xC2\xA3\xC2\xA3z,\xC2,\xA3\r\n", 1, 4, "R1, R2|a,,z|\xC2|\xA3"},
      {"blanks, quotes, UTF-8 and a BOM", "\xEF\xBB\xBF \"U 1\" ,\xC3\xBC\t\r\n", 1, 2,
       "\xEF\xBB\xBF \"U 1\" |\xC3\xBC\t"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Spit("plan.qvt", c.bytes);
    records = RecordTable(7, 7);
    YRM_ReadTestPlan("plan.qvt");
    EXPECT_EQ(records.Rows(), c.rows);
    EXPECT_EQ(records.Fields(), c.fields);
    EXPECT_EQ(Dump(records), c.table);
    EXPECT_TRUE(records.Valid());
  }
  EXPECT_EQ(Shown(), "");
}

TEST_F(PlanFile, ReadLeavesCurrentRecordAlone) {
  Spit("plan.qvt", "a\r\nb\r\nc\r\n");
  currentrecord = 5;
  YRM_ReadTestPlan("plan.qvt");
  EXPECT_EQ(currentrecord, 5);
}

TEST_F(PlanFile, UnreadableFileKeepsTheTable) {
  fs::create_directory("folder.qvt");
  for (const char* path : {"missing.qvt", "folder.qvt"}) {
    SCOPED_TRACE(path);
    pf::test::ClearAsked();
    records = RecordTable(3, 4);
    records.SetField(2, 2, "kept");
    RecordTable before = records;
    YRM_ReadTestPlan(path);
    EXPECT_EQ(records, before);
    EXPECT_EQ(Shown(), "Error #0065: Cannot open .qvt file\n");
  }
}

TEST_F(PlanFile, WritesCommasAndCrLfOnEveryLine) {
  records = RecordTable(2, 3);
  records.SetField(1, 1, "R1, R2");
  records.SetField(1, 2, "x");
  YRM_WriteTestPlan("small.qvt");
  EXPECT_EQ(Slurp("small.qvt"), "R1\xC2\xA3 R2,x,\r\n,,\r\n");

  records = RecordTable(3, 576);
  records.SetField(2, 100, "mid");
  YRM_WriteTestPlan("wide.qvt");
  std::string bytes = Slurp("wide.qvt");
  std::string empty = std::string(575, ',') + "\r\n";
  std::string mid = std::string(99, ',') + "mid" + std::string(476, ',') + "\r\n";
  EXPECT_EQ(bytes, empty + mid + empty);  // no BOM, nothing else
  EXPECT_EQ(Shown(), "");
}

TEST_F(PlanFile, WriteThenReadGivesTheSameTable) {
  records = RecordTable(4, 577);
  records.SetField(1, 13, "images/board photo.jpg");
  records.SetField(2, 8, "R1, R2, Pin 1");
  records.SetField(2, 9, "Good");
  records.SetField(2, 12, " \"quoted\"  \xC3\xA4\xE2\x82\xAC ");
  records.SetFieldFloat(3, 32, 0.1f);
  records.SetFieldFloat(3, 33, -0.0031f);
  records.SetField(4, 577, "past 576");
  records.SetField(4, 1, ",");
  RecordTable written = records;
  YRM_WriteTestPlan("testplans\\round.qvt");  // no such folder yet
  EXPECT_EQ(Shown(), "Error #0064: File cannot be created\n");
  pf::CreateDirectory("testplans");
  YRM_WriteTestPlan("testplans\\round.qvt");
  EXPECT_TRUE(fs::exists("testplans/round.qvt"));
  records = RecordTable();
  YRM_ReadTestPlan("testplans\\round.qvt");
  EXPECT_EQ(records, written);
  EXPECT_EQ(records.FieldFloat(3, 32), 0.1f);

  records.SetField(2, 12, "typed \xC2\xA3");  // a typed pound sign comes back as a comma
  YRM_WriteTestPlan("testplans/round.qvt");
  YRM_ReadTestPlan("testplans/round.qvt");
  EXPECT_EQ(records.Field(2, 12), "typed ,");
}

TEST_F(PlanFile, FailedWriteKeepsTheOldFileWhole) {
  const std::string old = "old,plan,with\r\ncaptured,signatures,\r\n";
  struct Case {
    const char* name;
    void (*fault)();
  };
  const Case cases[] = {
      {"temporary file cannot be created", [] { pf::test::FailCreates(1); }},
      {"rename fails", [] { pf::test::FailRenames(1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Spit("plan.qvt", old);
    pf::test::ClearAsked();
    records = RecordTable(10, 576);
    c.fault();
    YRM_WriteTestPlan("plan.qvt");
    EXPECT_EQ(Slurp("plan.qvt"), old);
    EXPECT_EQ(Shown(), "Error #0064: File cannot be created\n");
    EXPECT_EQ(Listing(dir), "log.txt plan.qvt ");  // no temporary left behind
    EXPECT_EQ(records.Rows(), 10);
  }
  pf::test::FailCreates(0);
  pf::test::FailRenames(0);
}

// The table a plan's bytes make, worked out line by line: the reader's
// rules in their plainest form.
std::string Plain(const std::string& bytes) {
  std::vector<std::string> lines;
  pf::SplitLines(bytes, lines);
  const size_t rows = std::max<size_t>(lines.size(), 1);
  const size_t fields = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), ',')) / rows + 1;
  std::string s;
  for (size_t r = 0; r < rows; ++r) {
    std::vector<std::string> cells(fields);
    size_t f = 0;
    const std::string line = r < lines.size() ? lines[r] : "";
    for (size_t i = 0; i < line.size() && f < fields; ++i) {
      if (line[i] == ',')
        ++f;
      else if (line.compare(i, 2, "\xC2\xA3") == 0 && ++i)
        cells[f] += ',';
      else
        cells[f] += line[i];
    }
    for (size_t k = 0; k < fields; ++k) s += cells[k] + (k + 1 < fields ? "|" : "");
    if (r + 1 < rows) s += "/";
  }
  return s;
}

// Lines of every end, length and field count, with "£" and line ends falling
// across the pieces the file is read in.
TEST_F(PlanFile, AFileReadInPiecesGivesTheTableOfItsBytes) {
  const size_t piece = pf::FileReader::kPieceBytes;
  std::string bytes;
  // A line of filler up to `at`, then `tail`.
  auto fillTo = [&bytes](size_t at, const std::string& tail) {
    bytes += std::string(at - bytes.size(), 'y') + tail;
  };
  for (int r = 0; bytes.size() < 3 * piece; ++r) {
    std::string line = std::to_string(r);
    for (int f = 0; f < (r % 7 == 0 ? 200 : 20); ++f)
      line += "," + std::string(r % 3, 'x') + (f % 5 ? "" : "R\xC2\xA3");
    line += r % 4 == 0 ? "\n" : r % 4 == 1 ? "\r" : "\r\n";
    for (const size_t edge : {piece, 2 * piece})
      if (bytes.size() < edge - 1 && bytes.size() + line.size() >= edge - 1)
        fillTo(edge - 1, edge == piece ? "\r\n" : "\xC2\xA3,\n");
    bytes += line;
  }
  ASSERT_EQ(bytes.substr(piece - 1, 2), "\r\n");
  ASSERT_EQ(bytes.substr(2 * piece - 1, 2), "\xC2\xA3");
  Spit("pieces.qvt", bytes);
  ASSERT_TRUE(YRM_ReadTestPlan("pieces.qvt"));
  EXPECT_TRUE(records.Valid());
  EXPECT_EQ(Dump(records), Plain(bytes));
  RecordTable text;
  ASSERT_TRUE(ParseTestPlanText(bytes, text));
  EXPECT_EQ(text, records);
  EXPECT_EQ(Shown(), "");
}

// A plan read and saved again is the same file, whatever its lines hold; a
// line past 64 kB holds its fields too.
TEST_F(PlanFile, AReadPlanIsSavedAsItWasRead) {
  std::string bytes;
  for (int r = 1; r <= 50; ++r) {
    std::string line = std::to_string(r) + ",,,,,,,U" + std::to_string(r) + "\xC2\xA3 Pin 1,Good";
    for (int f = 10; f <= 576; ++f) line += "," + (f % 3 ? std::to_string(r * f) : std::string());
    bytes += line + "\r\n";
  }
  bytes += std::string(70000, 'w') + std::string(575, ',') + "\r\n";
  Spit("plan.qvt", bytes);
  ASSERT_TRUE(YRM_ReadTestPlan("plan.qvt"));
  EXPECT_EQ(records.Field(51, 1), std::string(70000, 'w'));
  EXPECT_EQ(records.Field(7, 8), "U7, Pin 1");
  EXPECT_EQ(records.Field(7, 575), std::to_string(7 * 575));
  YRM_WriteTestPlan("again.qvt");
  EXPECT_EQ(Slurp("again.qvt"), bytes);
}

// A plan as a capture of both blocks of `pins` pins leaves it: about 3,850
// bytes a pin row (38 MB for 10,000 pins), the first line the header's.
std::string FullRows(int pins) {
  RecordTable t(pins + 1, kPlanFields);
  std::swap(records, t);
  records.SetField(1, kFieldPhoto, "testplans\\images\\board.jpg");
  Signature v{}, i{};
  for (int r = 2; r <= pins + 1; ++r) {
    for (int k = 1; k <= 64; ++k) {
      v[k] = static_cast<float>(9.87654 * std::sin(0.0982 * k + r * 0.01));
      i[k] = static_cast<float>(0.00123456 * std::cos(0.0982 * k + r * 0.01) + 0.0000317 * r / 10000);
    }
    WriteSignatureBlock(r, kGoldenBase, 10000, 100, 1000, v, i, 64);
    WriteSignatureBlock(r, kDutBase, 10000, 100, 1000, i, v, 64);
    const std::string u = "U" + std::to_string((r - 2) / 16 + 1), pin = std::to_string((r - 2) % 16 + 1);
    records.SetField(r, kFieldDescription, u + ", Pin " + pin);
    records.SetField(r, kFieldResult, r % 7 ? "Good" : "Bad");
    records.SetField(r, kFieldComponent, u);
    records.SetField(r, kFieldPin, pin);
    for (int f : {kFieldViewX, kFieldPinX}) records.SetFieldInt(r, f, 1000 + r % 300);
    for (int f : {kFieldViewY, kFieldPinY}) records.SetFieldInt(r, f, 800 + r % 200);
    records.SetFieldFloat(r, kFieldViewZoom, 1.5f);
    records.SetFieldInt(r, kFieldScanSignal, 0);
    records.SetFieldInt(r, kFieldScanCommon, 0);
    records.SetField(r, kFieldGolden, "Yes");
  }
  std::string text;
  FormatTestPlanText(records, text);
  std::swap(records, t);
  return text;
}

// Reads "plan.qvt" in a fresh process and leaves in "peak.txt" the peak
// memory in kB before and after the read, the rows read and the messages.
const bool peakRegistered = yrmtest::RegisterChild("plan-read-peak", [] {
  auto peak = [] {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
      if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0L;
  };
  pf::test::ScriptRequesters(true);
  // The memory the system can give, when the test says.
  if (const std::string available = Slurp("available.txt"); !available.empty())
    pf::test::SetAvailableMemory(std::atoll(available.c_str()));
  const long before = peak();
  records = RecordTable(1, kPlanFields);
  YRM_ReadTestPlan("plan.qvt");
  std::string shown;
  for (const auto& a : pf::test::AskedRequesters()) shown += a.title;
  Spit("peak.txt", std::to_string(before) + " " + std::to_string(peak()) + " " +
                       std::to_string(records.Rows()) + " " + shown);
  std::_Exit(0);
});

// Peak memory of a read in a fresh process, above what the process held
// before it: at most twice the file's size, 16 bytes a row and 16 MB, for
// rows short, full and empty alike; a plan that would need more memory than
// the system can give is refused before its memory is taken.
TEST_F(PlanFile, ReadingTakesMemoryInProportionToTheFile) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's own memory is no measure of the reader's";
#endif
  constexpr long kAllowanceKb = 16 << 10, kRowBytes = 16;
  auto shortRows = [](size_t bytes) {
    std::string text;
    for (int r = 1; text.size() < bytes; ++r) {
      const std::string u = "U" + std::to_string(r / 16), pin = std::to_string(r % 16 + 1);
      text += std::to_string(r) + ",,,,,,," + u + "\xC2\xA3 Pin " + pin + ",Untested," + u + "," + pin +
              ",,," + std::to_string(1000 + r % 300) + "," + std::to_string(800 + r % 200) + ",1.5\r\n";
    }
    return text;
  };
  struct Case {
    const char* name;
    std::string bytes;
    int rows;  // 0: refused, -1: one a line
    long long available = -1;
  };
  const std::string lineEnds(40 << 20, '\n');
  const long long lineEndsNeed = PlanMemory(40 << 20, 40 << 20);
  const std::string full = FullRows(10000);
  // The same rows under a first line of 58 bytes, a header of a photo and a view.
  const std::string shortFirst = std::string(12, ',') + "testplans\\images\\board_01.jpg,2048,1536,0.35\r\n" +
                                 full.substr(full.find("\r\n") + 2);
  const long long shortFirstNeed = PlanMemory(static_cast<long long>(shortFirst.size()), 10001);
  const Case cases[] = {
      {"20 MB of short rows", shortRows(20 << 20), -1},
      {"40 MB of short rows", shortRows(40 << 20), -1},
      {"10,000 full rows", full, 10001},
      {"10,000 full rows under a 58-byte first line", shortFirst, 10001, shortFirstNeed},
      {"10,000 full rows under a 58-byte first line, memory for one less", shortFirst, 0, shortFirstNeed - 1},
      {"40 MB of line ends", lineEnds, -1, lineEndsNeed},
      {"40 MB of line ends, memory for one less", lineEnds, 0, lineEndsNeed - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Spit("plan.qvt", c.bytes);
    pf::DeleteFile("peak.txt");
    pf::DeleteFile("available.txt");
    if (c.available >= 0) Spit("available.txt", std::to_string(c.available));
    ASSERT_EQ(yrmtest::RunInFreshProcess("plan-read-peak", dir, 120), 0);
    long before = 0, after = 0;
    int rows = 0;
    char shown[64] = "";
    ASSERT_GE(std::sscanf(Slurp("peak.txt").c_str(), "%ld %ld %d %63[^\n]", &before, &after, &rows, shown),
              3);
    const long lines = static_cast<long>(std::count(c.bytes.begin(), c.bytes.end(), '\n'));
    const long bound =
        c.rows == 0 ? kAllowanceKb
                    : 2 * static_cast<long>(c.bytes.size() >> 10) + kRowBytes * lines / 1024 + kAllowanceKb;
    EXPECT_LE(after - before, bound) << "peak " << after << " kB, " << before << " kB before the read";
    if (c.rows == 0) {
      EXPECT_EQ(rows, 1);
      EXPECT_STREQ(shown, "Error #0065");
    } else {
      EXPECT_EQ(rows, c.rows > 0 ? c.rows : static_cast<int>(lines));
      EXPECT_STREQ(shown, "");
    }
  }
}

TEST(PlanText, ParsedTablesAreAlwaysSound) {
  // Lines far longer and shorter than the average, line ends of every kind.
  const char* inputs[] = {",,,,,,,,,,\r\r\n\n,\xC2", "\n\n\n", "\r", "\xC2\xA3,\r\n\xA3", ",,,"};
  for (const char* in : inputs) {
    RecordTable t;
    ASSERT_TRUE(ParseTestPlanText(in, t));
    EXPECT_TRUE(t.Valid()) << in;
    std::string text;
    FormatTestPlanText(t, text);
    RecordTable again;
    ASSERT_TRUE(ParseTestPlanText(text, again));
    EXPECT_EQ(again, t) << in;
  }
}

// A plan is refused only when what the program would take for it does not
// fit in the memory the system can still give: with one byte less than that
// it is refused and the table stays as it was; with that memory it is read.
// The lines are counted as the reader makes them, also where a CR LF falls
// across two pieces of a file.
TEST_F(PlanFile, APlanTooLargeForMemoryIsRefused) {
  auto repeat = [](const std::string& line, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += line;
    return s;
  };
  struct Case {
    const char* name;
    std::string text;
    int rows;
  };
  const Case cases[] = {
      {"a million empty rows", std::string(1 << 20, '\n'), 1 << 20},
      {"lone CRs", repeat("x\r", 300000), 300000},
      {"CR LF, the last line without", repeat("x\r\n", 300000) + "y", 300001},
      {"a CR LF at the very end", repeat("ab,c\n", 1000) + "\r\n", 1001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const long long need = PlanMemory(static_cast<long long>(c.text.size()), c.rows);
    EXPECT_GE(need, static_cast<long long>(c.text.size()) + c.rows * kPlanRowBytes);
    RecordTable t(2, 2);
    pf::test::SetAvailableMemory(need - 1);
    EXPECT_FALSE(ParseTestPlanText(c.text, t));
    EXPECT_EQ(t, RecordTable(2, 2));
    pf::test::SetAvailableMemory(need);
    EXPECT_TRUE(ParseTestPlanText(c.text, t));
    EXPECT_EQ(t.Rows(), c.rows);
    // From a file, read in pieces: refused through the plan reader's message.
    Spit("big.qvt", c.text);
    records = RecordTable(2, 2);
    pf::test::ClearAsked();
    pf::test::SetAvailableMemory(need - 1);
    EXPECT_FALSE(YRM_ReadTestPlan("big.qvt"));
    EXPECT_EQ(records, RecordTable(2, 2));
    EXPECT_EQ(Shown(), "Error #0065: Cannot open .qvt file\n");
    pf::test::SetAvailableMemory(need);
    EXPECT_TRUE(YRM_ReadTestPlan("big.qvt"));
    EXPECT_EQ(records.Rows(), c.rows);
    pf::test::SetAvailableMemory(-1);
  }
  records = RecordTable();
}

// Many full rows under first lines of every length and form the files hold,
// with every kind of line end: each plan reads in exactly the memory counted
// for it (PlanMemory), and one byte less refuses it before it is read, the
// table kept. A short first line must not make the reader take room for rows
// the plan does not hold. The fixed allowance is made small so that 1,000
// rows stand where 100,000 would with the real one.
TEST_F(PlanFile, FullRowsReadInTheirCountedMemoryUnderAnyFirstLine) {
  constexpr int kPins = 1000;
  const std::string rows = [] {
    const std::string text = FullRows(kPins);
    return text.substr(text.find("\r\n") + 2);
  }();
  struct Case {
    const char* name;
    std::string first;  // without its line end
  };
  const std::string view = ",2048,1536,0.35";
  const Case firsts[] = {
      {"58 bytes", std::string(12, ',') + "testplans\\images\\board_01.jpg" + view},
      {"empty", ""},
      {"one byte", "x"},
      {"as New writes it", std::string(575, ',')},
      {"as the start-up demo holds it", std::string(576, ',')},
      {"615 bytes", std::string(12, ',') + "testplans\\images\\" + std::string(565, 'b') + ".jpg" + view},
      {"70,000 bytes", std::string(70000, 'w') + std::string(575, ',')},
      {"a BOM and a pound sign", "\xEF\xBB\xBF" + std::string(12, ',') + "R1\xC2\xA3 R2.jpg" + view},
  };
  ASSERT_EQ(firsts[0].first.size() + 2, 58u);
  ASSERT_EQ(firsts[5].first.size() + 2, 615u);
  plantest::SetPlanAllowance(64 << 10);
  for (const char* end : {"\r\n", "\n", "\r"}) {
    std::string body = rows;
    if (std::string_view(end) != "\r\n") {
      size_t at = 0;
      while ((at = body.find("\r\n", at)) != std::string::npos) body.replace(at, 2, end);
    }
    for (const Case& c : firsts) {
      SCOPED_TRACE(c.name + std::string(end[0] == '\r' ? end[1] ? " CR LF" : " CR" : " LF"));
      const std::string bytes = c.first + end + body;
      const long long need = PlanMemory(static_cast<long long>(bytes.size()), kPins + 1);
      Spit("full.qvt", bytes);
      records = RecordTable(2, 2);
      pf::test::ClearAsked();
      pf::test::SetAvailableMemory(need - 1);
      EXPECT_FALSE(YRM_ReadTestPlan("full.qvt"));
      EXPECT_EQ(records, RecordTable(2, 2));
      EXPECT_EQ(Shown(), "Error #0065: Cannot open .qvt file\n");
      pf::test::ClearAsked();
      pf::test::SetAvailableMemory(need);
      EXPECT_TRUE(YRM_ReadTestPlan("full.qvt"));
      EXPECT_EQ(Shown(), "");
      EXPECT_EQ(records.Rows(), kPins + 1);
      EXPECT_TRUE(records.Valid());
      // The same table as with memory to spare.
      pf::test::SetAvailableMemory(-1);
      RecordTable spare;
      ASSERT_TRUE(ParseTestPlanText(bytes, spare));
      EXPECT_EQ(records, spare);
      EXPECT_EQ(records.Field(1, 1), c.first.substr(0, c.first.find(',')));
      EXPECT_EQ(records.Field(kPins + 1, kFieldGolden), "Yes");
    }
  }
  records = RecordTable();
}

// Three million lines of one short field (6 MB): rows cost more than their
// two bytes of text, and the plan still opens.
TEST_F(PlanFile, ThreeMillionOneFieldLinesOpen) {
  constexpr int kLines = 3000000;
  std::string text;
  text.reserve(2 * kLines);
  for (int r = 0; r < kLines; ++r) text += r % 2 ? "7\n" : "x\n";
  Spit("many.qvt", text);
  pf::test::ClearAsked();
  ASSERT_TRUE(YRM_ReadTestPlan("many.qvt")) << Shown();
  EXPECT_EQ(records.Rows(), kLines);
  EXPECT_EQ(records.Fields(), 1);
  EXPECT_EQ(records.Field(kLines, 1), "7");
  EXPECT_EQ(records.Field(kLines - 1, 1), "x");
  EXPECT_EQ(Shown(), "");
  records = RecordTable();
}

}  // namespace
