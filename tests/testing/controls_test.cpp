// The control handler: what each ribbon control, tree and push-button
// function does to the settings, the run state and the plan.
#include "testing/controls.h"

#include <gtest/gtest.h>

#include <string>

#include "../shell/mainwindow_fixture.h"
#include "editor/editwindow.h"
#include "link/state.h"
#include "shell/layout.h"
#include "shell/menu.h"
#include "shell/refresh.h"
#include "shell/resources.h"
#include "shell/views.h"
#include "testing/mainstep.h"
#include "testing/planfile.h"
#include "testing/records.h"
#include "testing/state.h"
#include "testing/trees.h"

namespace {
class ControlsTest : public yrmtest::MainWindow {
 protected:
  void Start(const std::string& model = "YRM-A") {
    Build(model);
    YRM_LayoutMainWindow();
    YRM_RefreshMainWindow();
  }
  static void Step() { YRM_MainLoopStep(); }
  // Pushes the instrument's button A with the function box at `item`.
  static void PushA(int item) {
    pf::SetGadgetState(kButtonAFunctionCombo, item);
    buttonaevent = 1;
    YRM_MainLoopStep();
  }
  // A plan of `pins` pin rows named C1, C2, ... one pin each, all Untested.
  static void Plan(int pins) {
    records = RecordTable(pins + 1, kPlanFields);
    for (int row = 2; row <= pins + 1; ++row) {
      records.SetField(row, kFieldComponent, "C" + std::to_string(row - 1));
      records.SetField(row, kFieldPin, "1");
      records.SetField(row, kFieldResult, "Untested");
      records.SetField(row, kFieldGolden, "No");
    }
  }
};

// The steps of each setting, from a starting value; a value not in its list
// leaves the setting as it was.
TEST_F(ControlsTest, StepAndCycleControlsFollowTheModelsLists) {
  struct Case {
    const char* model;
    int control;
    float* from;     // the value the step starts from
    float* setting;  // the chosen setting it changes
    float start, expected;
  };
  const Case cases[] = {
      {"YRM-A", kCycleVoltage, &voltageset, &voltageset, 10000, 200},
      {"YRM-A", kCycleVoltage, &voltageset, &voltageset, 800, 1000},
      {"YRM-A", kVoltageUp, &voltageset, &voltageset, 10000, 10000},
      {"YRM-A", kVoltageUp, &voltageset, &voltageset, 5000, 10000},
      {"YRM-A", kVoltageDown, &voltageset, &voltageset, 200, 200},
      {"YRM-A", kVoltageDown, &voltageset, &voltageset, 2000, 1000},
      {"YRM-A", kVoltageUp, &voltageset, &voltageset, 1234, 1234},
      {"YRM-A", kResistanceUp, &resistance, &resistanceset, 10000, 10000},
      {"YRM-A", kResistanceUp, &resistance, &resistanceset, 100, 1000},
      {"YRM-A", kResistanceDown, &resistance, &resistanceset, 100, 100},
      {"YRM-A", kResistanceDown, &resistance, &resistanceset, 10000, 1000},
      {"YRM-A", kCycleResistance, &resistance, &resistanceset, 100, 1000},
      {"YRM-A", kCycleResistance, &resistance, &resistanceset, 10000, 100},
      {"YRM-A", kResistanceDown, &resistance, &resistanceset, 50, 777},  // not in the YRM-A list
      {"YRM-C", kResistanceDown, &resistance, &resistanceset, 100, 50},
      {"YRM-C", kResistanceDown, &resistance, &resistanceset, 50, 50},
      {"YRM-C", kResistanceUp, &resistance, &resistanceset, 5000, 10000},
      {"YRM-A", kCycleFrequency, &frequency, &frequencyset, 1000, 10},
      {"YRM-A", kFrequencyUp, &frequency, &frequencyset, 1000, 1000},
      {"YRM-A", kFrequencyUp, &frequency, &frequencyset, 50, 100},
      {"YRM-A", kFrequencyDown, &frequency, &frequencyset, 10, 10},
      {"YRM-A", kFrequencyDown, &frequency, &frequencyset, 33, 777},
  };
  for (const Case& c : cases) {
    activeinstrument = c.model;
    voltageset = resistanceset = frequencyset = 777;
    *c.from = c.start;
    YRM_GadgetEvent(c.control);
    EXPECT_EQ(*c.setting, c.expected) << c.model << " control " << c.control << " from " << c.start;
  }
}

// Combo boxes take the value of the selected item; the DC level is read from
// the item's text.
TEST_F(ControlsTest, ComboBoxesSetTheirSettings) {
  Start("YRM-D");
  struct Case {
    int combo, item;
    float expected;
    float (*value)();
  };
  const Case cases[] = {
      {kVoltageCombo, 9, 10000, [] { return voltageset; }},
      {kVoltageCombo, 0, 200, [] { return voltageset; }},
      {kResistanceCombo, 7, 50, [] { return resistanceset; }},
      {kResistanceCombo, 1, 5000, [] { return resistanceset; }},
      {kFrequencyCombo, 6, 1000, [] { return frequencyset; }},
      {kDcModeCombo, 3, 3, [] { return float(dcmodeset); }},
      {kDcLevelCombo, 7, 3.3f, [] { return dclevelset; }},     // " +3.3V"
      {kDcLevelCombo, 20, 0.0f, [] { return dclevelset; }},    // " 0V"
      {kDcLevelCombo, 21, -0.25f, [] { return dclevelset; }},  // " -0.25V"
      {kDcLevelCombo, 39, -10.0f, [] { return dclevelset; }},  // " -10.00V"
      {kScanSignalCombo, 12, 12, [] { return float(scansigset); }},
      {kScanCommonCombo, 40, 40, [] { return float(scancomset); }},
  };
  for (const Case& c : cases) {
    dclevelset = 99;
    pf::SetGadgetState(c.combo, c.item);
    YRM_GadgetEvent(c.combo);
    EXPECT_EQ(c.value(), c.expected) << "combo " << c.combo << " item " << c.item;
  }
  // The three-resistance models read their own list.
  activeinstrument = "YRM-A";
  pf::SetGadgetState(kResistanceCombo, 2);
  YRM_GadgetEvent(kResistanceCombo);
  EXPECT_EQ(resistanceset, 100.0f);
}

// The eight-resistance walk through the instrument's push button, one main
// step per press, so each press starts from the applied value.
TEST_F(ControlsTest, CycleResistanceWalksDownAndTurnsAtBothEnds) {
  Start("YRM-C");
  resistanceset = 10000;
  Step();
  ASSERT_EQ(resistancedirection, "Down");
  std::vector<float> walk;
  for (int press = 0; press < 8; ++press) {
    PushA(1);  // "A= Cycle Resistance"
    walk.push_back(resistance);
  }
  EXPECT_EQ(walk, (std::vector<float>{5000, 2000, 1000, 500, 200, 100, 50, 100}));
  EXPECT_EQ(resistancedirection, "Up");
  for (int press = 0; press < 6; ++press) PushA(1);
  EXPECT_EQ(resistance, 10000.0f);
  PushA(1);
  EXPECT_EQ(resistance, 5000.0f);
  EXPECT_EQ(resistancedirection, "Down");
}

TEST_F(ControlsTest, FreezeTogglesCopyOrClearAndRenameThemselves) {
  Start();
  struct Case {
    int toggle;
    Signature *v, *i;
    const char *on, *off;
  };
  const Case cases[] = {{kFreezeGoldenToggle, &goldenv, &goldeni, "Golden Frozen", "Freeze Golden"},
                        {kFreezeDutToggle, &dutv, &duti, "  DUT   Frozen", " Freeze   DUT "}};
  for (const Case& c : cases) {
    livev.fill(1.5f);
    livei.fill(-0.002f);
    pf::SetGadgetState(c.toggle, 1);
    YRM_GadgetEvent(c.toggle);
    EXPECT_EQ(pf::GetGadgetText(c.toggle), c.on);
    EXPECT_EQ(*c.v, livev);
    EXPECT_EQ(*c.i, livei);
    pf::SetGadgetState(c.toggle, 0);
    YRM_GadgetEvent(c.toggle);
    EXPECT_EQ(pf::GetGadgetText(c.toggle), c.off);
    EXPECT_EQ(*c.v, Signature{});
    EXPECT_EQ(*c.i, Signature{});
    livev.fill(0.25f);  // on again: the live curve of that moment
    pf::SetGadgetState(c.toggle, 1);
    YRM_GadgetEvent(c.toggle);
    EXPECT_EQ((*c.v)[64], 0.25f);
  }
}

TEST_F(ControlsTest, AutoFreezeToggleRestartsItsCycle) {
  Start();
  autofreezestep = 3;
  pf::SetGadgetState(kAutoFreezeToggle, 1);
  YRM_GadgetEvent(kAutoFreezeToggle);
  EXPECT_EQ(autofreeze, 1);
  EXPECT_EQ(autofreezestep, 0);
  autofreezestep = 2;
  pf::SetGadgetState(kAutoFreezeToggle, 0);
  YRM_GadgetEvent(kAutoFreezeToggle);
  EXPECT_EQ(autofreeze, 0);
  EXPECT_EQ(autofreezestep, 0);
}

// The capture check box sets the run state whatever it was; the editor
// opens only while it is ticked, and the window is redrawn after it.
TEST_F(ControlsTest, CaptureCheckBoxAndEditorButton) {
  Start();
  Plan(2);
  for (int from : {1, 3, 4}) {
    runstate = from;
    pf::SetGadgetState(kCaptureModeCheck, 1);
    YRM_GadgetEvent(kCaptureModeCheck);
    EXPECT_EQ(runstate, 2) << from;
    EXPECT_FALSE(pf::GadgetDisabled(kEditRecordsButton));
  }
  pf::SetGadgetState(kCaptureModeCheck, 0);
  YRM_GadgetEvent(kCaptureModeCheck);
  EXPECT_EQ(runstate, 1);

  pcbshowall = 1;  // the editor clears it when it opens
  fullredraw = 0;
  YRM_GadgetEvent(kEditRecordsButton);
  EXPECT_EQ(pcbshowall, 1);
  EXPECT_EQ(fullredraw, 0);

  pf::SetGadgetState(kCaptureModeCheck, 1);
  YRM_GadgetEvent(kCaptureModeCheck);
  pf::test::PostWindowEvent(kEditWindow, pf::kEventCloseWindow);  // the operator closes it at once
  YRM_GadgetEvent(kEditRecordsButton);
  EXPECT_EQ(pcbshowall, 0);
  EXPECT_FALSE(pf::IsWindow(kEditWindow));
  EXPECT_EQ(fullredraw, 1);
}

TEST_F(ControlsTest, TreeSelectionMakesItsRowCurrent) {
  Start();
  mode = "Advanced";
  Plan(8);
  YRM_RefreshMainWindow();
  for (int tree : {kTestTree, kBadTree}) {
    if (tree == kBadTree) {
      records.SetField(7, kFieldResult, "Bad");
      YRM_BuildBadTree();
    }
    int item = -1;
    for (int i = 0; i < pf::CountGadgetItems(tree); ++i)
      if (pf::GetGadgetItemData(tree, i) == 7) item = i;
    ASSERT_GE(item, 0) << tree;
    currentrecord = 2;
    fullredraw = 0;
    pf::SetGadgetState(tree, item);
    YRM_GadgetEvent(tree);
    EXPECT_EQ(currentrecord, 7) << tree;
    EXPECT_EQ(fullredraw, 1) << tree;
  }
  // No selection: nothing changes.
  pf::SetGadgetState(kTestTree, -1);
  currentrecord = 3;
  YRM_GadgetEvent(kTestTree);
  EXPECT_EQ(currentrecord, 3);
}

// One press on screen and one push-button press each judge exactly one
// record; the FREEZE and THAW functions do nothing.
TEST_F(ControlsTest, OneGoodPressJudgesOneRecord) {
  Start();
  mode = "Advanced";
  Plan(4);
  currentrecord = 2;
  YRM_RefreshMainWindow();
  Step();
  pf::test::PostGadgetEvent(kMainWindow, kGoodImage);
  for (int k = 0; k < 5; ++k) MainLoopPass();
  EXPECT_EQ(records.Field(2, kFieldResult), "Good");
  EXPECT_EQ(records.Field(3, kFieldResult), "Untested");
  EXPECT_EQ(currentrecord, 3);

  PushA(10);  // "A= GOOD/CAPTURE"
  for (int k = 0; k < 5; ++k) Step();
  EXPECT_EQ(records.Field(3, kFieldResult), "Good");
  EXPECT_EQ(records.Field(4, kFieldResult), "Untested");
  EXPECT_EQ(currentrecord, 4);

  const RecordTable before = records;
  const float v = voltageset, r = resistanceset, f = frequencyset;
  for (int item : {14, 15}) PushA(item);  // FREEZE, THAW
  EXPECT_EQ(records, before);
  EXPECT_EQ(currentrecord, 4);
  EXPECT_EQ(runstate, 1);
  EXPECT_EQ(goldenv, Signature{});
  EXPECT_EQ(voltageset + resistanceset + frequencyset, v + r + f);
}

// "Edit/Add Records" opens the editor from the ribbon; a component of three
// pins placed there is in the plan and in the test tree when it closes.
TEST_F(ControlsTest, EditorFromTheRibbonAddsAComponentAndReturns) {
  Start();
  mode = "Advanced";
  displayview = kView3MiniScopesTree;
  Plan(1);
  pf::CreateImage(700, 640, 640, 0x306030);
  ASSERT_TRUE(pf::SavePng(700, "board.png"));
  records.SetField(1, kFieldPhoto, "board.png");
  records.SetField(2, kFieldViewX, "320");
  records.SetField(2, kFieldViewY, "320");
  records.SetField(2, kFieldViewZoom, "1");
  currentrecord = 2;
  testplanfilename = "board.qvt";
  YRM_RefreshMainWindow();
  Step();
  pf::SetGadgetState(kCaptureModeCheck, 1);
  pf::test::PostGadgetEvent(kMainWindow, kCaptureModeCheck);
  MainLoopPass();
  ASSERT_EQ(runstate, 2);

  // The operator's work in the editor, one event each time it waits.
  int next = 0;
  pf::test::SetWaitHook([&next] {
    if (!pf::IsWindow(kEditWindow)) return;
    switch (next++) {
      case 0:
        pf::SetGadgetText(kEditComponentName, "R9");
        pf::SetGadgetState(kEditPackageCombo, 3);  // "  3 pin"
        pf::test::PostGadgetEvent(kEditWindow, kEditCreateComponentButton);
        break;
      case 1:
      case 2:
      case 3:
        pf::test::PostClick(kEditWindow, 10 + 100 * next, 110);
        break;
      case 4:
        pf::test::PostGadgetEvent(kEditWindow, kEditQuickSaveButton);
        break;  // "Quick Save"
      default:
        pf::test::PostWindowEvent(kEditWindow, pf::kEventCloseWindow);
    }
  });
  pf::test::PostGadgetEvent(kMainWindow, kEditRecordsButton);
  MainLoopPass();
  pf::test::SetWaitHook(nullptr);
  EXPECT_FALSE(pf::IsWindow(kEditWindow));
  ASSERT_EQ(records.Rows(), 5);
  for (int pin = 1; pin <= 3; ++pin) {
    EXPECT_EQ(records.Field(2 + pin, kFieldDescription), "R9, Pin " + std::to_string(pin));
    EXPECT_EQ(records.FieldInt(2 + pin, kFieldPinX), 100 * (pin + 1)) << pin;
  }
  const RecordTable edited = records;
  YRM_ReadTestPlan("board.qvt");  // Quick Save wrote the plan as it stood
  EXPECT_EQ(records, edited);
  EXPECT_EQ(testplanfilename, "board.qvt");
  int shown = 0;
  for (int i = 0; i < pf::CountGadgetItems(kTestTree); ++i)
    shown += pf::GetGadgetItemText(kTestTree, i).starts_with("R9");
  EXPECT_GE(shown, 1);
  EXPECT_EQ(fullredraw, 0);  // the same step redrew the window
}

// Auto run on a plan with nothing to test ends within the same step: the
// window shows the state the machine is in, not the one it passed through.
TEST_F(ControlsTest, RunPictureFollowsTheRunState) {
  Start();
  mode = "Advanced";
  Plan(2);  // no golden signatures: nothing to test
  YRM_RefreshMainWindow();
  Step();
  for (bool shortcut : {true, false}) {
    if (shortcut)
      pf::test::PostMenuEvent(kMainWindow, kShortcutAutoRun);
    else
      pf::test::PostGadgetEvent(kMainWindow, kRunImage);
    MainLoopPass();
    EXPECT_EQ(runstate, 1);
    EXPECT_EQ(pf::GetGadgetState(kRunImage), kImageAutoTestYellow);
    EXPECT_EQ(pf::GetGadgetState(kGoodImage), kImageGood72);
    EXPECT_FALSE(pf::GadgetDisabled(kNextRecordButton));
  }
}
}  // namespace
