// Test-plan files: what a read makes of the bytes, what a write puts on disk,
// and that a failed write keeps the old plan.
#include "testing/planfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

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

class PlanFile : public yrmtest::WorkFolder {};

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

TEST(PlanText, ATableTooLargeForMemoryIsRefused) {
  // 64 MiB of line ends would make 64 million rows.
  RecordTable t(2, 2);
  EXPECT_FALSE(ParseTestPlanText(std::string(64 << 20, '\n'), t));
  EXPECT_EQ(t, RecordTable(2, 2));
}

}  // namespace
