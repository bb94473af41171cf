#include "testing/recordindex.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "editor/placement.h"
#include "editor/recordedits.h"
#include "shell/startup.h"
#include "testing/planfile.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {

// What the index stands for, worked out from every row.
ResultCounts Recount() {
  ResultCounts c;
  for (int row = 2; row <= records.Rows(); ++row) {
    c.good += records.FieldView(row, kFieldResult) == "Good";
    c.bad += records.FieldView(row, kFieldResult) == "Bad";
  }
  return c;
}

// Every row the board view would draw in the window, in order, less those a
// later row of the same place and shape covers.
std::vector<int> Redraw(int left, int top, int right, int bottom) {
  std::vector<int> drawn;
  for (int row = 1; row <= records.Rows(); ++row) {
    const int x = records.FieldInt(row, kFieldPinX), y = records.FieldInt(row, kFieldPinY);
    if (x < left || x > right || y < top || y > bottom) continue;
    if (records.FieldView(row, kFieldNumber) == "delete") continue;
    drawn.push_back(row);
  }
  std::map<std::tuple<int, int, bool>, int> last;
  for (int row : drawn)
    last[{records.FieldInt(row, kFieldPinX), records.FieldInt(row, kFieldPinY),
          records.FieldView(row, kFieldPin) == "1"}] = row;
  std::vector<int> shown;
  for (int row : drawn)
    if (last[{records.FieldInt(row, kFieldPinX), records.FieldInt(row, kFieldPinY),
              records.FieldView(row, kFieldPin) == "1"}] == row)
      shown.push_back(row);
  return shown;
}

struct Window {
  int left, top, right, bottom;
};
// The whole board, a cell's corner, a pin's own point, windows across cell
// edges and one with nothing in it.
constexpr Window kWindows[] = {{0, 0, 1000, 800},  {0, 0, 63, 63},       {130, 70, 130, 70},
                               {60, 60, 200, 130}, {500, 300, 700, 520}, {900, 700, 905, 705}};

class RecordIndexTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    // 120 pins in components of eight on a 13-pixel grid with a few stacked
    // on one place, of every result.
    records = RecordTable(121, kPlanFields);
    const char* results[] = {"Good", "Bad", "Untested", "NoTest", "good", ""};
    for (int row = 2; row <= 121; ++row) {
      const int k = row - 2;
      records.SetField(row, kFieldComponent, "U" + std::to_string(k / 8 + 1));
      records.SetField(row, kFieldPin, std::to_string(k % 8 + 1));
      records.SetField(row, kFieldResult, results[k % 6]);
      records.SetField(row, kFieldGolden, "Yes");
      records.SetFieldInt(row, kFieldPinX, k % 10 == 9 ? 130 : 13 * (k % 20) + 5);
      records.SetFieldInt(row, kFieldPinY, k % 10 == 9 ? 70 : 13 * (k / 20) + 5);
    }
  }
  // The index against the recount, in every window.
  static void ExpectInStep(const std::string& after) {
    const ResultCounts kept = CountResults(), counted = Recount();
    EXPECT_EQ(kept.good, counted.good) << after;
    EXPECT_EQ(kept.bad, counted.bad) << after;
    std::vector<int> rows;
    for (const Window& w : kWindows) {
      PinsInWindow(w.left, w.top, w.right, w.bottom, rows);
      EXPECT_EQ(rows, Redraw(w.left, w.top, w.right, w.bottom))
          << after << ", window (" << w.left << ", " << w.top << ") to (" << w.right << ", " << w.bottom
          << ")";
    }
  }
};
}  // namespace

// Each edit follows the ones before it on the same table, with the index
// looked at in between, so each is taken in by the index as it stands.
TEST_F(RecordIndexTest, InStepWithARecountAfterEveryKindOfEdit) {
  const struct Edit {
    const char* what;
    std::function<void()> apply;
  } edits[] = {
      {"results judged",
       [] {
         records.SetField(2, kFieldResult, "Bad");
         records.SetField(3, kFieldResult, "Untested");
         records.SetField(4, kFieldResult, "Good");
         records.SetField(5, kFieldResult, "Bad");
         records.SetField(5, kFieldResult, "Good");  // twice before a look
         records.SetField(1, kFieldResult, "Good");  // the header is no pin
       }},
      {"a result of the same text again", [] { records.SetField(3, kFieldResult, "Good"); }},
      {"a pin moved by Move Pin",
       [] {
         currentrecord = 5;
         EditorArmMovePin();
         EditorMovePinClick(131, 71);
       }},
      {"a pin moved onto a stack",
       [] { records.SetFieldInt(6, kFieldPinX, 130), records.SetFieldInt(6, kFieldPinY, 70); }},
      {"a pin renamed 1 and back",
       [] {
         records.SetField(11, kFieldPin, "1");
         records.SetField(21, kFieldPin, "5");
       }},
      {"the header's pin placed",
       [] { records.SetFieldInt(1, kFieldPinX, 130), records.SetFieldInt(1, kFieldPinY, 70); }},
      {"a position that is no number", [] { records.SetField(7, kFieldPinX, "x12"); }},
      {"a negative position", [] { records.SetFieldInt(8, kFieldPinY, -4); }},
      {"many pins moved at once",
       [] {
         for (int row = 30; row <= 50; ++row) records.SetFieldInt(row, kFieldPinX, 600 + row);
       }},
      {"rows inserted by the editor",
       [] {
         currentrecord = 9;
         YRM_InsertRecordsAfter(3);
         records.SetField(currentrecord, kFieldResult, "Bad");
         records.SetFieldInt(currentrecord, kFieldPinX, 130);
         records.SetFieldInt(currentrecord, kFieldPinY, 70);
         YRM_InsertRecordBefore();
         records.SetField(currentrecord, kFieldResult, "Good");
       }},
      {"rows deleted by the editor",
       [] {
         currentrecord = 60;
         YRM_DeleteRecords(5);
       }},
      {"more edits than the log keeps",
       [] {
         for (int round = 0; round < 3; ++round)
           for (int row = 2; row <= records.Rows(); ++row)
             records.SetField(row, kFieldResult, (row + round) % 3 ? "Good" : "Bad");
       }},
      {"a plan written and read again",
       [] {
         records.SetField(12, kFieldResult, "Bad");
         YRM_WriteTestPlan("plan.qvt");
         records.SetField(12, kFieldResult, "Good");
         ASSERT_TRUE(YRM_ReadTestPlan("plan.qvt"));
       }},
      {"results after the read",
       [] {
         records.SetField(13, kFieldResult, "Untested");
         records.SetField(14, kFieldResult, "Untested");
       }},
      {"the table replaced",
       [] {
         RecordTable other(4, kPlanFields);
         other.SetField(2, kFieldResult, "Good");
         other.SetFieldInt(3, kFieldPinX, 130);
         other.SetFieldInt(3, kFieldPinY, 70);
         other.SetField(3, kFieldResult, "Bad");
         records = other;
       }},
      {"a copy of the table", [] { records = RecordTable(records); }},
      {"the header alone", [] { records = RecordTable(); }},
  };
  ExpectInStep("the plan as made");
  for (const Edit& e : edits) {
    e.apply();
    ExpectInStep(e.what);
  }
}

// Deleting a component tags its rows "delete" before it removes them: while
// tagged they are drawn no more, and a row beneath a tagged one of its place
// shows again.
TEST_F(RecordIndexTest, RowsTaggedForDeletionAreNotDrawn) {
  ExpectInStep("the plan as made");
  currentrecord = 20;  // U3, rows 18 to 25, whose row 21 sits on the stack
  int looks = 0;
  EditorDeleteComponent([&] {
    ++looks;
    ExpectInStep("during the delete, rows " + std::to_string(records.Rows()));
  });
  EXPECT_GE(looks, 2);
  EXPECT_EQ(records.Rows(), 113);
  ExpectInStep("after the delete");
}
