// The record table: text forms, accessors and the row operations.
#include "testing/records.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <string>
#include <vector>

#include "testing/planfile.h"

namespace {

TEST(RecordTextForms, DecimalText) {
  struct Case {
    float value;
    const char* text;
  };
  const Case cases[] = {
      {0.1f, "0.1000000015"},
      {2.0f, "2"},
      {-0.0031f, "-0.0031000001"},
      {0.5f, "0.5"},
      {12.0f, "12"},
      {-2.5f, "-2.5"},
      {0.0f, "0"},
      {-0.0f, "0"},
      {-1e-12f, "0"},
      {16777216.0f, "16777216"},
      {1e-10f, "0.0000000001"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecimalText(c.value), c.text) << c.value;
}

TEST(RecordTextForms, IntegerText) {
  EXPECT_EQ(IntegerText(0), "0");
  EXPECT_EQ(IntegerText(-470), "-470");
  EXPECT_EQ(IntegerText(10000), "10000");
}

TEST(RecordTextForms, NumbersThatAreEmptyOrNoNumberReadAsZero) {
  struct Case {
    const char* text;
    int i;
    float f;
  };
  const Case cases[] = {
      {"", 0, 0.0f},
      {"abc", 0, 0.0f},
      {"-", 0, 0.0f},
      {".", 0, 0.0f},
      {"12", 12, 12.0f},
      {"-7", -7, -7.0f},
      {"  42", 42, 42.0f},
      {"+3", 3, 3.0f},
      {"12abc", 12, 12.0f},
      {"2.75", 2, 2.75f},
      {"-0.5", 0, -0.5f},
      {"1e3", 1, 1000.0f},
      {"1e", 1, 1.0f},
      {"nan", 0, 0.0f},
      {"inf", 0, 0.0f},
      {"0.1000000015", 0, 0.1f},
      {"99999999999999", 2147483647, 99999999999999.0f},
      {"-99999999999999", -2147483647 - 1, -99999999999999.0f},
      {"1e999", 1, FLT_MAX},
      {"-1e999", -1, -FLT_MAX},
      {"1e-999", 1, 0.0f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IntegerValue(c.text), c.i) << '"' << c.text << '"';
    EXPECT_EQ(DecimalValue(c.text), c.f) << '"' << c.text << '"';
  }
}

TEST(RecordTextForms, DecimalTextReadsBackAsTheSameValue) {
  for (float v : {0.1f, -0.0031f, 3.14159265f, -11.999999f, 0.000123f, 1234.5678f})
    EXPECT_NEAR(DecimalValue(DecimalText(v)), v, 1e-10f + 1e-7f * std::abs(v)) << v;
}

TEST(RecordTable, StartValuesAreOneEmptyHeaderOf576Fields) {
  records = RecordTable(4, 3);
  SetRecordsStartValues();
  EXPECT_EQ(records.Rows(), 1);
  EXPECT_EQ(records.Fields(), 576);
  EXPECT_EQ(records, RecordTable());
}

TEST(RecordTable, OutsideTheTableReadsEmptyAndZero) {
  RecordTable t(2, 3);
  ASSERT_TRUE(t.SetField(2, 3, "17"));
  EXPECT_EQ(t.Field(2, 3), "17");
  EXPECT_EQ(t.FieldInt(2, 3), 17);
  for (auto [row, field] : {std::pair{0, 1}, {1, 0}, {3, 1}, {2, 4}, {-1, -1}, {2, 100000}}) {
    EXPECT_EQ(t.Field(row, field), "") << row << "," << field;
    EXPECT_EQ(t.FieldInt(row, field), 0);
    EXPECT_EQ(t.FieldFloat(row, field), 0.0f);
  }
}

TEST(RecordTable, SetFieldKeepsNeighboursAndRows) {
  RecordTable t(3, 5);
  for (int r = 1; r <= 3; ++r)
    for (int f = 1; f <= 5; ++f) t.SetField(r, f, "r" + std::to_string(r) + "f" + std::to_string(f));
  t.SetField(2, 3, "a much longer text than before");
  t.SetField(2, 1, "");
  t.SetField(2, 5, "x");
  t.SetField(2, 2, t.FieldView(2, 3));  // a view into the same row
  EXPECT_TRUE(t.Valid());
  const char* row2[] = {"", "a much longer text than before", "a much longer text than before", "r2f4", "x"};
  for (int f = 1; f <= 5; ++f) EXPECT_EQ(t.Field(2, f), row2[f - 1]) << f;
  EXPECT_EQ(t.Field(1, 5), "r1f5");
  EXPECT_EQ(t.Field(3, 1), "r3f1");
}

TEST(RecordTable, WritesPastTheFieldCount) {
  RecordTable narrow(2, 5);
  narrow.SetField(1, 5, "e");
  EXPECT_TRUE(narrow.SetField(2, 159, "0.5"));  // a capture into a narrow plan widens it
  EXPECT_EQ(narrow.Fields(), 576);
  EXPECT_EQ(narrow.Field(2, 159), "0.5");
  EXPECT_EQ(narrow.Field(1, 5), "e");
  EXPECT_TRUE(narrow.Valid());

  RecordTable wide(1, 577);
  EXPECT_TRUE(wide.SetField(1, 577, "kept"));
  EXPECT_FALSE(wide.SetField(1, 578, "x"));
  EXPECT_FALSE(wide.SetField(2, 1, "x"));
  EXPECT_EQ(wide.Fields(), 577);
}

TEST(RecordTable, LineEndsInATextAreStoredAsBlanks) {
  RecordTable t(1, 2);
  t.SetField(1, 1, "U1\r\nPin 3\n");
  EXPECT_EQ(t.Field(1, 1), "U1  Pin 3 ");
  EXPECT_TRUE(t.Valid());
}

// Builds `records` of `rows` rows of 577 fields tagged with their row in
// field 1 and field 577, the field past the usual 576 that must travel along.
void TagRows(int rows) {
  records = RecordTable(rows, 577);
  for (int r = 1; r <= rows; ++r) {
    records.SetFieldInt(r, 1, r);
    records.SetFieldInt(r, 577, r);
  }
}

// The tags of all rows in order, "-" for an empty row.
std::string Tags() {
  std::string s;
  for (int r = 1; r <= records.Rows(); ++r) {
    std::string tag = records.Field(r, 1);
    EXPECT_EQ(tag, records.Field(r, 577)) << "row " << r << " was torn";
    s += (tag.empty() ? "-" : tag) + (r < records.Rows() ? " " : "");
  }
  return s;
}

TEST(RecordRows, InsertsAndDeletes) {
  enum Op { kAfter, kBefore, kDelete };
  struct Case {
    const char* name;
    int rows, current;
    Op op;
    int count;
    const char* tags;
    int currentAfter;
  };
  const Case cases[] = {
      {"3 after row 5", 10, 5, kAfter, 3, "1 2 3 4 5 - - - 6 7 8 9 10", 6},
      {"0 after inserts 1", 3, 2, kAfter, 0, "1 2 - 3", 3},
      {"negative after inserts 1", 3, 2, kAfter, -4, "1 2 - 3", 3},
      {"after the header", 2, 1, kAfter, 1, "1 - 2", 2},
      {"after the last row", 3, 3, kAfter, 2, "1 2 3 - -", 4},
      {"after a row past the end", 3, 9, kAfter, 1, "1 2 3 -", 4},
      {"before the header", 3, 1, kBefore, 0, "1 2 3", 1},
      {"before row 2", 3, 2, kBefore, 0, "1 - 2 3", 2},
      {"before the row after the last", 3, 4, kBefore, 0, "1 2 3 -", 4},
      {"2 from row 9", 10, 9, kDelete, 2, "1 2 3 4 5 6 7 8", 8},
      {"5 from row 9 takes 2", 10, 9, kDelete, 5, "1 2 3 4 5 6 7 8", 8},
      {"2 from row 3", 10, 3, kDelete, 2, "1 2 5 6 7 8 9 10", 3},
      {"0 deletes 1", 5, 3, kDelete, 0, "1 2 4 5", 3},
      {"all pins", 4, 2, kDelete, 3, "1", 1},
      {"the header never", 4, 1, kDelete, 3, "1 2 3 4", 1},
      {"past the end deletes nothing", 4, 7, kDelete, 1, "1 2 3 4", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TagRows(c.rows);
    currentrecord = c.current;
    if (c.op == kAfter) YRM_InsertRecordsAfter(c.count);
    if (c.op == kBefore) YRM_InsertRecordBefore();
    if (c.op == kDelete) YRM_DeleteRecords(c.count);
    EXPECT_EQ(Tags(), c.tags);
    EXPECT_EQ(currentrecord, c.currentAfter);
    EXPECT_EQ(records.Fields(), 577);
    EXPECT_TRUE(records.Valid());
  }
}

TEST(RecordRows, CountsAreLimitedTo1000) {
  TagRows(3);
  currentrecord = 2;
  YRM_InsertRecordsAfter(5000);
  EXPECT_EQ(records.Rows(), 1003);
  EXPECT_EQ(records.Field(1003, 577), "3");

  TagRows(1500);
  currentrecord = 2;
  YRM_DeleteRecords(5000);
  EXPECT_EQ(records.Rows(), 500);
  EXPECT_EQ(records.Field(2, 1), "1002");
  EXPECT_EQ(currentrecord, 2);
}

TEST(RecordRows, RenumberWritesEveryRowIndex) {
  TagRows(8);
  currentrecord = 3;
  YRM_InsertRecordBefore();
  YRM_RenumberRecords();
  for (int r = 1; r <= 9; ++r) EXPECT_EQ(records.Field(r, 1), std::to_string(r));
  EXPECT_EQ(records.Field(7, 577), "6");
}

// A table as a plan file makes it: its rows held as their lines were.
RecordTable Read(const std::string& text) {
  RecordTable t;
  EXPECT_TRUE(ParseTestPlanText(text, t));
  return t;
}

// What a table must hold, field by field.
using Model = std::vector<std::vector<std::string>>;

void ExpectHolds(const RecordTable& t, const Model& m) {
  ASSERT_EQ(t.Rows(), static_cast<int>(m.size()));
  for (int r = 1; r <= t.Rows(); ++r)
    for (int f = 1; f <= t.Fields() + 2; ++f) {
      const auto& row = m[r - 1];
      const std::string want = f <= static_cast<int>(row.size()) && f <= t.Fields() ? row[f - 1] : "";
      EXPECT_EQ(t.Field(r, f), want) << "row " << r << " field " << f;
    }
  EXPECT_TRUE(t.Valid());
}

TEST(RecordsAsRead, TakeEveryEdit) {
  // Row 2 has 40 fields, so that fields stand past the marks every 8.
  std::string wide;
  Model m(4, std::vector<std::string>(40));
  for (int f = 1; f <= 40; ++f) {
    wide += (f > 1 ? "," : "") + ("f" + std::to_string(f));
    m[1][f - 1] = "f" + std::to_string(f);
  }
  // Every line holds 39 commas: the table is 40 fields wide.
  RecordTable t = Read("a,bb,ccc" + std::string(37, ',') + "\r\n" + wide + "\r\nx\xC2\xA3y,z" +
                       std::string(38, ',') + "\r\n" + std::string(39, ',') + "\r\n");
  m[0] = {"a", "bb", "ccc"};
  m[2] = {"x,y", "z"};
  m[0].resize(40);
  m[2].resize(40);
  ASSERT_EQ(t.Fields(), 40);
  ExpectHolds(t, m);

  struct Edit {
    int row, field;
    std::string text;
  };
  const Edit edits[] = {
      {1, 2, "bb"},       // unchanged
      {1, 2, "b"},        // shorter
      {1, 3, ""},         // emptied
      {2, 17, "x"},       // shorter, past a mark
      {2, 40, "forty"},   // longer
      {2, 33, "y"},       // a row already changed
      {1, 1, "a,b"},      // a comma into a row as read
      {3, 1, "x"},        // shorter in a row holding a comma
      {3, 2, "zzzzzzz"},  // longer
      {4, 5, "e"},        // an empty row
      {1, 9, ""},         // emptying a field never stored
      {1, 30, "thirty"},  // past the fields stored
      {4, 40, "last"},    // a row read empty
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(std::to_string(e.row) + "," + std::to_string(e.field) + " = " + e.text);
    EXPECT_TRUE(t.SetField(e.row, e.field, e.text));
    m[e.row - 1][e.field - 1] = e.text;
    ExpectHolds(t, m);
  }
  t.SetField(2, 1, t.FieldView(2, 39));  // a view into the row it changes
  m[1][0] = "f39";
  ExpectHolds(t, m);

  // Written and read again, whatever way each row is held.
  std::string text;
  FormatTestPlanText(t, text);
  ExpectHolds(Read(text), m);
  EXPECT_EQ(Read(text), t);
}

TEST(RecordsAsRead, RowOperationsAndRenumbering) {
  std::string text;
  for (int r = 1; r <= 12; ++r) text += std::to_string(r) + ",pin " + std::to_string(r) + ",,\r\n";
  records = Read(text);
  currentrecord = 3;
  YRM_DeleteRecords(2);  // rows 3 and 4
  currentrecord = 2;
  YRM_InsertRecordsAfter(1);
  YRM_RenumberRecords();  // "10" becomes "9" in place, an empty row takes "3"
  const char* pins[] = {"pin 1", "pin 2", "",       "pin 5",  "pin 6", "pin 7",
                        "pin 8", "pin 9", "pin 10", "pin 11", "pin 12"};
  ASSERT_EQ(records.Rows(), 11);
  for (int r = 1; r <= 11; ++r) {
    EXPECT_EQ(records.Field(r, 1), std::to_string(r));
    EXPECT_EQ(records.Field(r, 2), pins[r - 1]);
  }
  EXPECT_TRUE(records.Valid());
}

TEST(RecordsAsRead, EqualWhenTheContentIs) {
  RecordTable built(2, 4);
  built.SetField(1, 1, "a");
  built.SetField(2, 3, "c,d");
  const RecordTable read = Read(
      "a,,,\r\n,,c\xC2\xA3"
      "d,\r\n");
  EXPECT_EQ(read, built);
  built.SetField(2, 4, "x");
  EXPECT_FALSE(read == built);
  EXPECT_FALSE(read == RecordTable(2, 5));
}

TEST(SignatureBlocks, GoldenCaptureLayout) {
  records = RecordTable(3, 576);
  Signature v{}, i{};
  for (int k = 1; k <= 64; ++k) {
    v[k] = 0.1f * k - 3.0f;
    i[k] = -0.0001f * k;
  }
  WriteSignatureBlock(2, kGoldenBase, 10000.0f, 100.0f, 1000.0f, v, i, 64);
  const char* settings[] = {"2", "10000", "mVpk", "100", "ohms", "1000", "Hz"};
  for (int f = 1; f <= 7; ++f) EXPECT_EQ(records.Field(2, f), settings[f - 1]) << f;
  EXPECT_EQ(records.Field(2, 31), "64");
  EXPECT_EQ(records.Field(2, 32), DecimalText(v[1]));
  EXPECT_EQ(records.Field(2, 33), DecimalText(i[1]));
  EXPECT_EQ(records.Field(2, 159), DecimalText(i[64]));
  EXPECT_EQ(records.Field(2, 160), "");
  EXPECT_EQ(records.Field(2, 289), "");  // the DUT block is apart

  WriteSignatureBlock(2, kDutBase, 499.6f, 47.0f, 60.0f, i, v, 64);
  EXPECT_EQ(records.Field(2, 290), "500");
  EXPECT_EQ(records.Field(2, 319), "64");
  EXPECT_EQ(records.Field(2, 447), DecimalText(v[64]));

  Signature rv{}, ri{};
  EXPECT_EQ(ReadSignatureBlock(2, kGoldenBase, rv, ri), 64);
  for (int k = 1; k <= 64; ++k) {
    EXPECT_NEAR(rv[k], v[k], 1e-6f) << k;  // ten decimals
    EXPECT_NEAR(ri[k], i[k], 1e-10f) << k;
  }
}

TEST(SignatureBlocks, PointCountIsLimited) {
  records = RecordTable(2, 576);
  struct Case {
    const char* count;
    int n;
  };
  for (Case c : {Case{"", 0}, {"abc", 0}, {"-3", 0}, {"64", 64}, {"128", 128}, {"500", 128}}) {
    records.SetField(2, kDutBase + kBlockCount, c.count);
    EXPECT_EQ(BlockPointCount(2, kDutBase), c.n) << c.count;
  }
  records = RecordTable(2, 40);  // a narrow plan: pairs past the table read as 0
  records.SetField(2, kBlockCount, "64");
  Signature v, i;
  v.fill(9.0f);
  i.fill(9.0f);
  EXPECT_EQ(ReadSignatureBlock(2, kGoldenBase, v, i), 64);
  EXPECT_EQ(v[64], 0.0f);
  EXPECT_EQ(v[65], 9.0f);
}

}  // namespace
