// An operator's day with the simulated instrument, driven only through the
// window's controls and menu events. The first session (a process of its own,
// so that ending it really ends a process) makes a new plan, places a component
// of three pins on a board photo in the editor, captures a golden signature of
// a 1 kohm resistor on each pin and saves. The second session reopens the
// plan from "Open Recent" and runs the automatic test with a diode on pin 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "editor/editwindow.h"
#include "forked.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "platform/requester.h"
#include "shell/menu.h"
#include "shell/panels.h"
#include "shell/ribbon.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "simprogram.h"
#include "testing/planfile.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {

constexpr int kPackageThreePins = 3;  // "  3 pin"
constexpr int kPhotoImage = 700;

const char* const kPlan = "testplans/day.qvt";
const char* const kFirstDayFailure = "first-day-failure.txt";

// In the forked first session a failed step is written down for the parent
// and ends the child with status 1.
void Need(bool ok, const std::string& what) {
  if (ok) return;
  yrmtest::Spit(kFirstDayFailure, what + "\n");
  std::_Exit(1);
}

// Golden block of a row: point count and the point pairs, as text.
std::string GoldenPoints(const RecordTable& table, int row) {
  std::string s;
  for (int f = kBlockCount; f < kBlockPairs + 2 * 64; ++f) s += table.Field(row, kGoldenBase + f) + ",";
  return s;
}

class OperatorDay : public yrmtest::SimulatedProgram {
 protected:
  // Pumps until the live signature has been stable for a while.
  static bool Steady() {
    return PumpUntil([] { return usbopen == 1 && signaturestate == 1 && stablecount >= 12; }, 30);
  }
  static void Menu(int item) {
    pf::test::PostMenuEvent(kMainWindow, item);
    MainLoopPass();
  }
  static void Click(int gadget) {
    pf::test::PostGadgetEvent(kMainWindow, gadget);
    MainLoopPass();
  }
  // A check box clicked into the given state.
  static void Tick(int gadget, bool on) {
    pf::SetGadgetState(gadget, on ? 1 : 0);
    Click(gadget);
  }

  void FirstSession();
};

// The first session as a fresh process runs it, in the parent test's folder.
class FirstDay : public OperatorDay {
 public:
  void TestBody() override {}
  void Run() {
    dir = std::filesystem::current_path().string();
    pf::test::ScriptRequesters(true);  // as the parent's folder set-up does
    FirstSession();
  }
};
const bool firstDayRegistered = yrmtest::RegisterChild("operator-day-first-session", [] {
  FirstDay day;
  day.Run();
});

void OperatorDay::FirstSession() {
  pf::test::SetDelay([](int) {});
  StartUp();
  pf::test::RestoreClocks();
  Need(quit == 0, "start-up failed");
  Menu(kItemAdvanced);
  Need(mode == "Advanced", "mode is " + mode);
  Menu(kItemConnect);
  Need(PumpUntil([] { return usbopen == 1; }, 30), "the instrument did not connect");

  // File > New, saved as testplans/day.qvt.
  pf::test::QueueFileAnswer(dir + "/" + kPlan);
  Menu(kItemNew);
  Need(records.Rows() == 1, "New left " + std::to_string(records.Rows()) + " rows");
  Need(yrmtest::Slurp(kPlan) == std::string(575, ',') + "\r\n", "New did not write an empty plan");
  // New ticks the box without a control event; the operator's click makes
  // the run state follow it.
  Need(pf::GetGadgetState(kCaptureModeCheck) == 1, "New did not tick Edit/Capture signature");
  Tick(kCaptureModeCheck, true);
  Need(runstate == 2, "run state " + std::to_string(runstate) + " after ticking capture");

  // The editor: a photo from images/, then component R1 of three pins.
  std::filesystem::create_directories("images");
  pf::CreateImage(kPhotoImage, 640, 480, 0x205020);
  Need(pf::SavePng(kPhotoImage, "images/board.png"), "cannot write the photo");
  int next = 0;
  pf::test::SetWaitHook([&next, this] {
    if (!pf::IsWindow(kEditWindow)) return;
    switch (next++) {
      case 0:
        pf::test::QueueFileAnswer(dir + "/images/board.png");
        pf::test::PostGadgetEvent(kEditWindow, kEditSelectImageButton);
        break;
      case 1:
        pf::SetGadgetText(kEditComponentName, "R1");
        pf::SetGadgetState(kEditPackageCombo, kPackageThreePins);
        pf::test::PostGadgetEvent(kEditWindow, kEditCreateComponentButton);
        break;
      case 2:
      case 3:
      case 4:
        pf::test::PostClick(kEditWindow, 60 + 150 * (next - 2), 300);
        break;
      default:
        pf::test::PostWindowEvent(kEditWindow, pf::kEventCloseWindow);
    }
  });
  Click(kEditRecordsButton);
  pf::test::SetWaitHook(nullptr);
  Need(!pf::IsWindow(kEditWindow), "the editor is still open");
  Need(records.Rows() == 4, "the plan has " + std::to_string(records.Rows()) + " rows after the editor");
  Need(records.Field(1, kFieldPhoto) == "images/board.png",
       "photo stored as " + records.Field(1, kFieldPhoto));
  for (int pin = 1; pin <= 3; ++pin)
    Need(records.Field(1 + pin, kFieldDescription) == "R1, Pin " + std::to_string(pin) &&
             records.FieldInt(1 + pin, kFieldPinX) > 0,
         "pin " + std::to_string(pin) + " is not placed");

  // Golden signatures: "First", then GOOD/CAPTURE once per pin.
  Click(kFirstRecordButton);
  Need(currentrecord == 2, "First went to row " + std::to_string(currentrecord));
  for (int row = 2; row <= 4; ++row) {
    Need(Steady(), "no steady resistor before row " + std::to_string(row));
    Click(kGoodImage);
    Need(records.Field(row, kFieldGolden) == "Yes" && BlockPointCount(row, kGoldenBase) == 64,
         "row " + std::to_string(row) + " not captured");
    Need(currentrecord == std::min(row + 1, 4), "current row " + std::to_string(currentrecord));
  }
  Need(records.Field(1, kFieldGolden).empty(), "the header was captured");

  // File > Save under its own name, then the window's close button.
  pf::test::QueueFileAnswer(testplanfilename);
  Menu(kItemSave);
  pf::test::PostWindowEvent(kMainWindow, pf::kEventCloseWindow);
  RunMainLoop();
}

TEST_F(OperatorDay, NewPlanCapturedSavedReopenedAndTested) {
  namespace fs = std::filesystem;
  const int status = yrmtest::RunInFreshProcess("operator-day-first-session", dir, 300);
  ASSERT_EQ(status, 0) << yrmtest::Slurp(kFirstDayFailure);
  const std::string firstDay = yrmtest::Slurp(kPlan);

  // The pins of the second session: resistor, diode, resistor, the probe
  // lifted in between. The first touch comes late enough for the run to be
  // waiting for it.
  yrmtest::Spit("sim.txt",
                "probe=0 open; 4000 resistor 1k; 7000 open; 9000 diode; 12000 open; "
                "14000 resistor 1k; 17000 open\n");
  Start();
  Menu(kItemAdvanced);
  int slot = 0;
  for (int item = kItemRecentFirst; item <= kItemRecentLast && slot == 0; ++item)
    if (pf::GetMenuItemText(kMainMenu, item) == dir + "/" + kPlan) slot = item;
  ASSERT_EQ(slot, kItemRecentFirst) << "the plan is not first in Open Recent";
  // Start-up opened it already; the reopening shows in the current row.
  Click(kLastRecordButton);
  ASSERT_EQ(currentrecord, 4);
  Menu(slot);
  EXPECT_EQ(currentrecord, 1);
  ASSERT_EQ(testplanfilename, dir + "/" + kPlan);
  ASSERT_EQ(records.Rows(), 4);
  Tick(kCaptureModeCheck, false);
  ASSERT_EQ(runstate, 1);
  for (int row = 2; row <= 4; ++row) ASSERT_EQ(records.Field(row, kFieldResult), "Untested") << row;

  Menu(kItemConnect);
  ASSERT_TRUE(PumpUntil([] { return usbopen == 1; }, 30)) << "the instrument did not connect";
  Click(kRunImage);
  ASSERT_EQ(runstate, 3);
  ASSERT_TRUE(PumpUntil([] { return runstate == 1; }, 120)) << "the run did not end; row " << currentrecord;
  EXPECT_EQ(records.Field(2, kFieldResult), "Good");
  EXPECT_EQ(records.Field(3, kFieldResult), "Bad");
  EXPECT_EQ(records.Field(4, kFieldResult), "Good");
  // Entry 0 of the Bad tree is the plan's title; pin 2 alone follows it.
  ASSERT_EQ(pf::CountGadgetItems(kBadTree), 2);
  EXPECT_EQ(pf::GetGadgetItemText(kBadTree, 1), "R1, Pin 2");
  EXPECT_EQ(pf::GetGadgetItemData(kBadTree, 1), 3);

  // File > Save, and the file read back.
  pf::test::QueueFileAnswer(testplanfilename);
  Menu(kItemSave);
  const RecordTable shown = records;
  ASSERT_TRUE(YRM_ReadTestPlan(kPlan));
  EXPECT_EQ(records, shown);
  yrmtest::Spit("first.qvt", firstDay);
  ASSERT_TRUE(YRM_ReadTestPlan("first.qvt"));
  const RecordTable before = records;
  ASSERT_TRUE(YRM_ReadTestPlan(kPlan));
  const char* results[] = {"Good", "Bad", "Good"};
  for (int row = 2; row <= 4; ++row) {
    EXPECT_EQ(records.Field(row, kFieldGolden), "Yes") << row;
    EXPECT_EQ(BlockPointCount(row, kGoldenBase), 64) << row;
    EXPECT_EQ(GoldenPoints(records, row), GoldenPoints(before, row)) << "golden of row " << row << " changed";
    EXPECT_EQ(records.Field(row, kFieldResult), results[row - 2]) << row;
    EXPECT_EQ(BlockPointCount(row, kDutBase), 64) << row;
  }
}

}  // namespace
