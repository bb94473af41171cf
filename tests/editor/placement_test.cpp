#include "editor/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "editor/editwindow.h"
#include "editor/recordedits.h"
#include "editor/state.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "shell/startup.h"
#include "testing/boardview.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {

class PlacementTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    SetEditorStartValues();
    Fresh();
    // The plan has no photo: the window shows the placeholder picture.
    std::filesystem::create_directories("graphics");
    ASSERT_TRUE(pf::CreateImage(kScratch, 640, 640, 0x808080));
    ASSERT_TRUE(pf::SavePng(kScratch, kNoImageFile));
    pf::FreeImage(kScratch);
  }
  static constexpr int kScratch = 700;
  // Header, U1 (rows 2, 3), R1 (row 4).
  void Fresh() {
    records = RecordTable(4, kPlanFields);
    records.SetField(2, kFieldComponent, "U1");
    records.SetField(3, kFieldComponent, "U1");
    records.SetField(4, kFieldComponent, "R1");
    currentrecord = 2;
    viewx = 10;
    viewy = 20;
    viewzoom = 2.5f;
  }
  static void Clicks(std::initializer_list<std::pair<int, int>> at, const std::string& name) {
    for (auto [x, y] : at) EditorPlacementClick(x, y, name);
  }
  static std::string Pin(int row) { return records.Field(row, kFieldPin); }
};

TEST_F(PlacementTest, DipTakesTwoClicksPerRowAndSpreadsPins) {
  EditorCreateComponent("  8 pin DIP/SO", {}, "IC17");
  EXPECT_EQ(editinstruction, "Click on Pin 1");
  Clicks({{100, 50}, {100, 80}}, "IC17");
  EXPECT_EQ(editinstruction, "Click on Pin 5");
  Clicks({{130, 80}, {130, 50}}, "IC17");
  EXPECT_EQ(placementstep, 0);
  EXPECT_EQ(editinstruction, "");
  ASSERT_EQ(records.Rows(), 12);  // inserted after U1: rows 4..11, R1 at 12
  for (int k = 0; k < 8; ++k) {
    const int row = 4 + k;
    EXPECT_EQ(Pin(row), std::to_string(k + 1));
    EXPECT_EQ(records.Field(row, kFieldDescription), "IC17, Pin " + std::to_string(k + 1));
    EXPECT_EQ(records.Field(row, kFieldResult), "Untested");
    EXPECT_EQ(records.Field(row, kFieldGolden), "No");
    EXPECT_EQ(records.Field(row, kFieldViewZoom), "2.5");
    EXPECT_EQ(records.FieldInt(row, kFieldPinY), k < 4 ? 50 + 10 * k : 80 - 10 * (k - 4));
  }
  EXPECT_EQ(records.Field(12, kFieldComponent), "R1");
  EXPECT_EQ(records.Field(12, kFieldNumber), "12");  // renumbered at the first click
}

TEST_F(PlacementTest, RowSpreadRoundsHalvesAwayFromZero) {
  EditorCreateComponent(" Custom (1 row)", {"3"}, "J1");
  Clicks({{100, 0}, {103, 0}}, "J1");
  EXPECT_EQ(records.FieldInt(4, kFieldPinX), 100);
  EXPECT_EQ(records.FieldInt(5, kFieldPinX), 102);
  EXPECT_EQ(records.FieldInt(6, kFieldPinX), 103);
  EXPECT_EQ(placementstep, 0);
}

TEST_F(PlacementTest, RectangleQfpInsertsAllPinsAtFirstClick) {
  EditorCreateComponent(" 64 pin QFP (rectangle)", {}, "U9");
  EditorPlacementClick(1, 1, "U9");
  EXPECT_EQ(records.Rows(), 4 + 64);
  for (int step = 2; step <= 8; ++step) EditorPlacementClick(step * 10, step * 10, "U9");
  EXPECT_EQ(placementstep, 0);
  EXPECT_EQ(Pin(4 + 63), "64");
  EXPECT_EQ(records.Field(4 + 64, kFieldComponent), "R1");
}

// Rows inserted or deleted between the clicks of a placement, elsewhere or
// among its own rows, never make it write into another component's rows.
TEST_F(PlacementTest, EditsBetweenClicksNeverLeadOutsideItsOwnRows) {
  struct Case {
    const char* edit;
    void (*between)();
    int pinsKept;  // pins placed once the own rows that survived are full
  };
  const Case cases[] = {
      {"row inserted before U1",
       [] {
         currentrecord = 2;
         YRM_InsertRecordBefore();
       },
       8},
      {"U1's second row deleted",
       [] {
         currentrecord = 3;
         YRM_DeleteRecords(1);
       },
       8},
      {"pin 1's row deleted",
       [] {
         currentrecord = 4;
         YRM_DeleteRecords(1);
       },
       7},
      {"two own rows deleted",
       [] {
         currentrecord = 6;
         YRM_DeleteRecords(2);
       },
       6},
      {"row inserted after R1",
       [] {
         currentrecord = records.Rows();
         YRM_InsertRecordsAfter(3);
       },
       8},
  };
  for (const Case& c : cases) {
    Fresh();
    placementstep = 0;
    records.SetField(2, kFieldPinX, "2");
    records.SetField(3, kFieldPinX, "3");
    EditorCreateComponent("  8 pin DIP/SO", {}, "IC1");
    EditorPlacementClick(100, 50, "IC1");
    c.between();
    Clicks({{100, 80}, {130, 80}, {130, 50}}, "IC1");
    EXPECT_EQ(placementstep, 0) << c.edit;
    int u1 = 0, r1 = 0, ic1 = 0, empty = 0;
    for (int row = 2; row <= records.Rows(); ++row) {
      const std::string name = records.Field(row, kFieldComponent);
      u1 += name == "U1";
      r1 += name == "R1";
      ic1 += name == "IC1";
      empty += name.empty();
      if (name == "U1") {
        EXPECT_LE(records.FieldInt(row, kFieldPinX), 3) << c.edit;
      }
      if (name == "R1") {
        EXPECT_EQ(records.Field(row, kFieldPin), "") << c.edit;
      }
    }
    EXPECT_EQ(ic1, c.pinsKept) << c.edit;
    EXPECT_EQ(r1, 1) << c.edit;
    EXPECT_EQ(u1 + ic1 + r1 + empty, records.Rows() - 1) << c.edit;
    EXPECT_EQ(u1, std::string(c.edit).starts_with("U1's") ? 1 : 2) << c.edit;
  }
}

// A plan replaced between two clicks is not the placement's: nothing is written.
TEST_F(PlacementTest, ReplacedPlanEndsThePlacement) {
  EditorCreateComponent("  8 pin DIP/SO", {}, "IC1");
  EditorPlacementClick(100, 50, "IC1");
  records = RecordTable(20, kPlanFields);
  currentrecord = 2;
  EditorPlacementClick(100, 80, "IC1");
  EXPECT_EQ(placementstep, 0);
  for (int row = 1; row <= records.Rows(); ++row) EXPECT_EQ(records.Field(row, kFieldComponent), "") << row;
}

TEST_F(PlacementTest, SinglePinsAndPinToPin) {
  EditorCreateComponent("  1 pin", {}, "TP1");
  EXPECT_EQ(editinstruction, "Click on Pin");
  EditorPlacementClick(5, 6, "TP1");
  EXPECT_EQ(placementstep, 0);
  EXPECT_EQ(records.Field(4, kFieldDescription), "TP1, Pin 1");

  EditorCreateComponent(" Custom (from pin? to pin?)", {"10", "7"}, "CN1");
  EXPECT_EQ(editinstruction, "Click on Pin 10");
  std::vector<std::string> pins;
  for (int k = 0; k < 6 && placementstep != 0; ++k) {
    EditorPlacementClick(k, k, "CN1");
    pins.push_back(Pin(currentrecord));
  }
  EXPECT_EQ(pins, (std::vector<std::string>{"10", "9", "8", "7"}));
  // A custom quantity below 2 counts as 2.
  EditorCreateComponent(" Custom (any qty of pins)", {""}, "X");
  EditorPlacementClick(1, 1, "X");
  EXPECT_EQ(editinstruction, "Click on Pin 2");
  EditorPlacementClick(2, 2, "X");
  EXPECT_EQ(placementstep, 0);
}

TEST_F(PlacementTest, OversizedAndUnplaceablePackagesStartNothing) {
  EditorCreateComponent(" Custom (4 row)", {"255", "255", "255", "255"}, "X");
  EXPECT_EQ(placementstep, 0);
  EXPECT_EQ(records.Rows(), 4);
  EditorCreateComponent(" 37 pin D-type (2 row)", {}, "X");
  EXPECT_EQ(placementstep, 0);
  EXPECT_EQ(currentrecord, 3);  // the last row of U1
}

TEST_F(PlacementTest, MovePinKeepsTheViewAndNeverTouchesTheHeader) {
  currentrecord = 1;
  EditorArmMovePin();
  EXPECT_EQ(movepinstep, 0);
  currentrecord = 3;
  records.SetField(3, kFieldPin, "2");
  records.SetField(3, kFieldViewX, "77");
  EditorArmMovePin();
  EXPECT_EQ(editinstruction, "Move Pin: Click on new location for Pin 2");
  EXPECT_EQ(testx, 0);
  EditorMovePinClick(321, 123);
  EXPECT_EQ(records.Field(3, kFieldPinX), "321");
  EXPECT_EQ(records.Field(3, kFieldPinY), "123");
  EXPECT_EQ(records.Field(3, kFieldViewX), "77");
  EXPECT_EQ(movepinstep, 0);
  EXPECT_EQ(editinstruction, "");
}

TEST_F(PlacementTest, NameCountsOn) {
  const std::pair<const char*, const char*> cases[] = {
      {"IC17", "IC18"},  {"R007", "R8"},  {"CONN", "CONN_1"},
      {"", "Unknown_1"}, {"U99", "U100"}, {"X99999999999999999999", "X100000000000000000000"}};
  for (auto [from, to] : cases) EXPECT_EQ(NextComponentName(from), to) << from;
}

TEST_F(PlacementTest, PackageListOrder) {
  const auto& items = PackageItems();
  auto at = [&](const std::string& t) { return std::find(items.begin(), items.end(), t) - items.begin(); };
  EXPECT_EQ(items.front(), ".... Components ....");
  EXPECT_EQ(at("  5 pin SOT23-5") + 1, at("  6 pin DIP/SOT23-6"));
  EXPECT_EQ(at(" 32 pin DIP/SO") + 1, at(" 32 pin QFP (square)"));
  EXPECT_EQ(at("132 pin QFP (square)") + 1, at("144 pin QFP (square)"));
  EXPECT_EQ(at("240 pin QFP (square)") + 1, at(".... Connectors ...."));
  EXPECT_EQ(items.back(), " 96 pin DIN41612 (3 row)");
}

TEST_F(PlacementTest, WindowPlacesByClicksAndCountsTheNameOn) {
  ASSERT_TRUE(OpenEditRecordsWindow());
  pf::SetGadgetText(kEditComponentName, "IC17");
  const auto& items = PackageItems();
  pf::SetGadgetState(kEditPackageCombo,
                     static_cast<int>(std::find(items.begin(), items.end(), "  2 pin") - items.begin()));
  pf::test::PostGadgetEvent(kEditWindow, kEditCreateComponentButton);
  EditRecordsWindowStep(50);
  EXPECT_EQ(editinstruction, "Click on Pin 1");
  pf::test::PostClick(kEditWindow, 100, 100);
  for (int k = 0; k < 3 && placementstep == 1; ++k) EditRecordsWindowStep(20);
  pf::test::PostClick(kEditWindow, 200, 100);
  for (int k = 0; k < 3 && placementstep != 0; ++k) EditRecordsWindowStep(20);
  EditRecordsWindowStep(0);
  EXPECT_EQ(placementstep, 0);
  EXPECT_EQ(records.Rows(), 6);
  EXPECT_EQ(pf::GetGadgetText(kEditComponentName), "IC18");
  pf::test::PostWindowEvent(kEditWindow, pf::kEventCloseWindow);
  for (int k = 0; k < 5 && EditRecordsWindowStep(20);) ++k;
  CloseEditRecordsWindow();
}

}  // namespace

// A placement left unfinished when the editor closes goes on at the next
// opening under its own name: the name field shows it, every pin gets it,
// and the component is one for its bounds and counts its name on at the end.
TEST_F(PlacementTest, PlacementContinuedAfterReopeningKeepsItsName) {
  auto step = [](int passes, auto until) {
    for (int k = 0; k < passes && !until(); ++k) EditRecordsWindowStep(20);
  };
  auto close = [&] {
    pf::test::PostWindowEvent(kEditWindow, pf::kEventCloseWindow);
    for (int k = 0; k < 5 && EditRecordsWindowStep(20);) ++k;
    CloseEditRecordsWindow();
  };
  ASSERT_TRUE(OpenEditRecordsWindow());
  pf::SetGadgetText(kEditComponentName, "Q1");
  const auto& items = PackageItems();
  pf::SetGadgetState(
      kEditPackageCombo,
      static_cast<int>(std::find(items.begin(), items.end(), " 64 pin QFP (rectangle)") - items.begin()));
  pf::test::PostGadgetEvent(kEditWindow, kEditCreateComponentButton);
  step(3, [] { return placementstep == 1; });
  pf::test::PostClick(kEditWindow, 100, 100);
  step(3, [] { return placementstep == 2; });
  ASSERT_EQ(placementstep, 2);
  close();

  ASSERT_TRUE(OpenEditRecordsWindow());
  EXPECT_EQ(editinstruction, "Click on Pin 19");
  EXPECT_EQ(pf::GetGadgetText(kEditComponentName), "Q1");
  for (int click = 2; click <= 8; ++click) {
    pf::test::PostClick(kEditWindow, 100 + 40 * click, 100 + 20 * (click % 2));
    step(3, [click] { return placementstep != click; });
  }
  EditRecordsWindowStep(0);
  EXPECT_EQ(placementstep, 0);
  ASSERT_EQ(records.Rows(), 4 + 64);
  for (int pin = 1; pin <= 64; ++pin) {
    EXPECT_EQ(records.Field(3 + pin, kFieldComponent), "Q1") << pin;
    EXPECT_EQ(records.Field(3 + pin, kFieldDescription), "Q1, Pin " + std::to_string(pin));
  }
  EXPECT_EQ(pf::GetGadgetText(kEditComponentName), "Q2");
  currentrecord = 40;
  YRM_FindComponentBounds();
  EXPECT_EQ(componentfirst, 4);
  EXPECT_EQ(componentlast, 67);
  close();

  // With no placement running the field opens with its first name again.
  ASSERT_TRUE(OpenEditRecordsWindow());
  EXPECT_EQ(pf::GetGadgetText(kEditComponentName), "Unknown_1");
  close();
}

// A placement started with the name field emptied goes on after a reopening
// with the field still empty: all its pins stay one component.
TEST_F(PlacementTest, PlacementContinuedWithAnEmptyNameStaysOneComponent) {
  EditorCreateComponent("  8 pin DIP/SO", {}, "");
  EditorPlacementClick(100, 50, "");
  ASSERT_EQ(placementstep, 2);
  ASSERT_TRUE(OpenEditRecordsWindow());
  EXPECT_EQ(pf::GetGadgetText(kEditComponentName), "");
  Clicks({{100, 80}, {130, 80}, {130, 50}}, pf::GetGadgetText(kEditComponentName));
  CloseEditRecordsWindow();
  EXPECT_EQ(placementstep, 0);
  int pins = 0;
  for (int r = 2; r <= records.Rows(); ++r)
    if (records.Field(r, kFieldPinX) != "") {
      ++pins;
      EXPECT_EQ(records.Field(r, kFieldComponent), "") << "row " << r;
      EXPECT_EQ(records.Field(r, kFieldDescription), ", Pin " + Pin(r)) << "row " << r;
    }
  EXPECT_EQ(pins, 8);
}
