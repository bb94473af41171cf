#include "shell/refresh.h"

#include <gtest/gtest.h>

#include "mainwindow_fixture.h"
#include "shell/resources.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {
class RefreshTest : public yrmtest::MainWindow {
 protected:
  // A plan whose pin rows carry these results.
  static void Plan(std::initializer_list<const char*> results) {
    records = RecordTable(1 + int(results.size()), kPlanFields);
    int row = 2;
    for (const char* r : results) {
      records.SetField(row, kFieldComponent, "U1");
      records.SetField(row, kFieldPin, std::to_string(row - 1));
      records.SetField(row++, kFieldResult, r);
    }
  }
  static std::vector<int> Shown(std::initializer_list<int> gadgets) {
    std::vector<int> shown;
    for (int g : gadgets)
      if (!pf::GadgetHidden(g)) shown.push_back(g);
    return shown;
  }
  static constexpr std::initializer_list<int> kPanels = {953, 954, 955, 956, 957, 958, 959,
                                                         960, 961, 962, 900, 250, 251};
};
}  // namespace

TEST(GeneratorItems, AppliedValuesSelectItems) {
  struct Case {
    float value;
    int item;
  };
  const Case voltages[] = {{0, 0},    {250, 0},  {299.4f, 0}, {299.5f, 1}, {300, 1},   {1000, 4}, {1499, 4},
                           {1500, 5}, {7499, 8}, {7500, 9},   {12499, 9},  {12500, 4}, {-1, 4},   {1e9f, 4}};
  for (const Case& c : voltages) EXPECT_EQ(VoltageItem(c.value), c.item) << c.value;
  EXPECT_EQ(ResistanceItem(50, false), 0);
  EXPECT_EQ(ResistanceItem(50, true), 7);
  EXPECT_EQ(ResistanceItem(1000, false), 1);
  EXPECT_EQ(ResistanceItem(1000, true), 3);
  EXPECT_EQ(ResistanceItem(4999.6f, true), 1);  // rounded first
  EXPECT_EQ(ResistanceItem(123, true), 0);
  EXPECT_EQ(FrequencyItem(10), 0);
  EXPECT_EQ(FrequencyItem(1000), 6);
  EXPECT_EQ(FrequencyItem(0), 3);
  EXPECT_EQ(FrequencyItem(60), 3);
}

TEST_F(RefreshTest, CombosFollowAppliedSettings) {
  struct Case {
    const char* model;
    float mv, ohms, hz;
    int scan;
    const char *voltage, *resistance, *frequency;
  };
  const Case cases[] = {
      {"YRM-A", 250, 50, 50, 0, "Voltage: 0.2Vpk", "Resistance: 10K ohms", "Frequency: 50Hz"},
      {"YRM-C", 12500, 50, 1000, 0, "Voltage: 1Vpk", "Resistance: 50 ohms", "Frequency: 1KHz"},
      {"YRM-D", 7500, 100, 7, 12, "Voltage: 10Vpk", "Resistance: 100 ohms", "Frequency: 100Hz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    pf::test::ResetGui();
    Build(c.model);
    voltage = c.mv;
    resistance = c.ohms;
    frequency = c.hz;
    scansigset = scancomset = c.scan;
    YRM_RefreshMainWindow();
    EXPECT_EQ(pf::GetGadgetText(kVoltageCombo), c.voltage);
    EXPECT_EQ(pf::GetGadgetText(kResistanceCombo), c.resistance);
    EXPECT_EQ(pf::GetGadgetText(kFrequencyCombo), c.frequency);
    if (pf::IsGadget(kScanSignalCombo)) {
      EXPECT_EQ(pf::GetGadgetState(kScanSignalCombo), c.scan);
      EXPECT_EQ(pf::GetGadgetState(kScanCommonCombo), c.scan);
    }
  }
}

TEST_F(RefreshTest, Percentages) {
  Build();
  Plan({"Good", "Bad", "Bad", "Untested"});
  YRM_RefreshMainWindow();
  EXPECT_EQ(pf::GetGadgetText(kGoodPercentText), "25.00%");
  EXPECT_EQ(pf::GetGadgetText(kBadPercentText), "50.00%");
  Plan({"Good", "NoTest", "bad"});  // results are compared exactly
  YRM_RefreshMainWindow();
  EXPECT_EQ(pf::GetGadgetText(kGoodPercentText), "33.33%");
  EXPECT_EQ(pf::GetGadgetText(kBadPercentText), "0.00%");
  records = RecordTable();  // header only: nothing to count
  YRM_RefreshMainWindow();
  EXPECT_EQ(pf::GetGadgetText(kGoodPercentText), "0.00%");
  EXPECT_EQ(pf::GetGadgetText(kBadPercentText), "0.00%");
}

TEST_F(RefreshTest, RunStateControls) {
  Build();
  struct Case {
    int runstate;
    bool recordButtonsOn, resetOn, editOn;
    int good, bad, run;
  };
  const Case cases[] = {
      {1, true, true, false, kImageGood72, kImageBad72, kImageAutoTestYellow},
      {2, true, false, true, kImageSingleCaptureGreen, -1, kImageAutoCaptureYellow},
      {3, false, true, false, kImageGoodGrey72, kImageBadGrey72, kImageTestInProgress},
      {4, false, false, true, kImageSingleCaptureGrey, -1, kImageCaptureInProgress},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.runstate);
    runstate = c.runstate;
    YRM_RefreshMainWindow();
    for (int g : {kPreviousRecordButton, kNextRecordButton, kPreviousComponentButton, kNextComponentButton,
                  kFirstRecordButton, kLastRecordButton})
      EXPECT_EQ(pf::GadgetDisabled(g), !c.recordButtonsOn) << g;
    for (int g : {kResetTestButton, kGoodPercentText, kBadPercentText})
      EXPECT_EQ(pf::GadgetDisabled(g), !c.resetOn) << g;
    EXPECT_EQ(pf::GadgetDisabled(kEditRecordsButton), !c.editOn);
    EXPECT_EQ(pf::GetGadgetState(kGoodImage), c.good);
    EXPECT_EQ(pf::GetGadgetState(kBadImage), c.bad);
    EXPECT_EQ(pf::GetGadgetState(kRunImage), c.run);
  }
  // An unknown run state leaves every one of them as it was (state 4's).
  runstate = 5;
  YRM_RefreshMainWindow();
  EXPECT_TRUE(pf::GadgetDisabled(kPreviousRecordButton));
  EXPECT_FALSE(pf::GadgetDisabled(kEditRecordsButton));
  EXPECT_EQ(pf::GetGadgetState(kGoodImage), kImageSingleCaptureGrey);
  EXPECT_EQ(pf::GetGadgetState(kRunImage), kImageCaptureInProgress);
}

TEST_F(RefreshTest, FirstRefreshAppliesModeAndView) {
  Build();
  fullredraw = traceredraw = 0;
  YRM_RefreshMainWindow();  // "Advanced", "2miniscopes+PCB+TestTree+BadTree" by default
  EXPECT_EQ(Shown(kPanels), (std::vector<int>{953, 957, 959, 900, 250, 251}));
  EXPECT_EQ(pf::WindowWidth(kMainWindow), 1545);
  EXPECT_EQ(pf::WindowHeight(kMainWindow), 725);
  EXPECT_EQ(fullredraw, 1);
  EXPECT_EQ(traceredraw, 1);
  EXPECT_EQ(pf::GadgetWidth(kMainScope), 696);  // laid out
  EXPECT_EQ((std::vector<int>{scope1visible, miniscope4visible, miniscope5visible, miniscope6visible,
                              pcbviewvisible, testtreevisible, badtreevisible}),
            (std::vector<int>{1, 1, 0, 1, 1, 1, 1}));
  EXPECT_FALSE(pf::GadgetHidden(kPreviousRecordButton));
  EXPECT_TRUE(pf::GadgetHidden(kFreezeGoldenToggle));
  EXPECT_TRUE(pf::GadgetHidden(kAutoFreezeToggle));

  // The same mode and view again: no resize, no layout, no redraw.
  fullredraw = traceredraw = 0;
  pf::ResizeWindow(kMainWindow, -1, -1, 1300, 700);
  YRM_RefreshMainWindow();
  EXPECT_EQ(pf::WindowWidth(kMainWindow), 1300);
  EXPECT_EQ(fullredraw, 0);
  EXPECT_EQ(traceredraw, 0);
}

TEST_F(RefreshTest, CompactModesAndBack) {
  Build();
  YRM_RefreshMainWindow();
  for (const char* compact : {"Basic", "Basic-Auto"}) {
    SCOPED_TRACE(compact);
    mode = compact;
    YRM_RefreshMainWindow();
    EXPECT_EQ(Shown(kPanels), (std::vector<int>{953}));
    EXPECT_EQ(pf::WindowWidth(kMainWindow), 534);
    EXPECT_EQ(pf::WindowHeight(kMainWindow), 408);
    EXPECT_EQ(pf::GadgetWidth(kMainScope), 384);
    for (int g : {599, 598, 601, 600, 602, 603, 607, 613, 608, 609, 615, 616, 619, 552, 606, 618})
      EXPECT_TRUE(pf::GadgetHidden(g)) << g;
    for (int g : {596, 597, 582}) EXPECT_FALSE(pf::GadgetHidden(g)) << g;
    EXPECT_EQ(pcbviewvisible + testtreevisible + badtreevisible + miniscope4visible, 0);
  }
  mode = "Advanced";
  displayview = "6miniscopes+TestTree";
  YRM_RefreshMainWindow();
  EXPECT_EQ(Shown(kPanels), (std::vector<int>{953, 955, 956, 957, 958, 959, 960, 250}));
  EXPECT_EQ(pf::WindowWidth(kMainWindow), 1545);
  for (int g : {599, 618, 552}) EXPECT_FALSE(pf::GadgetHidden(g)) << g;
  for (int g : {596, 597, 582}) EXPECT_TRUE(pf::GadgetHidden(g)) << g;

  // A made-up view keeps the panels; a made-up mode touches nothing but the flags.
  displayview = "my view";
  YRM_RefreshMainWindow();
  EXPECT_EQ(Shown(kPanels), (std::vector<int>{953, 955, 956, 957, 958, 959, 960, 250}));
  mode = "Expert";
  fullredraw = traceredraw = 0;
  pf::ResizeWindow(kMainWindow, -1, -1, 1000, 600);
  YRM_RefreshMainWindow();
  EXPECT_EQ(pf::WindowWidth(kMainWindow), 1000);
  EXPECT_EQ(appliedmode, "Expert");
  EXPECT_EQ(fullredraw, 1);
  EXPECT_EQ(traceredraw, 1);
}

TEST_F(RefreshTest, MenuTicks) {
  Build();
  YRM_RefreshMainWindow();
  auto ticked = [](std::initializer_list<int> items) {
    std::vector<int> on;
    for (int i : items)
      if (pf::GetMenuItemState(kMainMenu, i)) on.push_back(i);
    return on;
  };
  // Start values: daily check on, overwrite off, the default of every group.
  EXPECT_EQ(ticked({238, 202, 49,  50,  51,  52,  53,  54,  55,  60,  61,  172, 173, 174, 180, 181,
                    182, 175, 176, 177, 178, 179, 183, 184, 185, 186, 187, 188, 189, 190, 162, 164}),
            (std::vector<int>{238, 49, 51, 55, 60, 173, 181, 177, 186, 164}));
  EXPECT_EQ(ticked({76, 77, 78, 79, 80, 81, 82, 83, 84, 85}), (std::vector<int>{84}));

  checkwebsiteforupdate = 0;
  allowsignatureoverwrite = 1;
  scope1crosshairmode = "Classic";
  stablesignaturedelay = "2 cycles";
  goldenvslivethreshold = "9.99%";  // matches no item: the group stays as it was
  mode = "Basic-Auto";              // no item of its own: both unticked
  displayview = "PCB";
  YRM_RefreshMainWindow();
  EXPECT_EQ(ticked({238, 202, 51, 52, 53, 175, 177, 186, 162, 164}), (std::vector<int>{202, 52, 175, 186}));
  EXPECT_EQ(ticked({76, 77, 78, 79, 80, 81, 82, 83, 84, 85}), (std::vector<int>{82}));

  allowsignatureoverwrite = 7;  // neither 0 nor 1: unchanged
  displayview = "Pcb";          // no view: every view item unticked
  YRM_RefreshMainWindow();
  EXPECT_EQ(ticked({202}), (std::vector<int>{202}));
  EXPECT_EQ(ticked({76, 77, 78, 79, 80, 81, 82, 83, 84, 85}), (std::vector<int>{}));
}

TEST_F(RefreshTest, WithoutMenu) {
  activeinstrument = "YRM-A";
  ASSERT_TRUE(pf::OpenWindow(kMainWindow, 0, 0, 1200, 720, "test", pf::kWindowSizeable));
  YRM_CreateControlRibbon();
  YRM_CreateScopeGadgets();
  YRM_CreateBadTreePanel();
  YRM_CreateTestTreePanel();
  YRM_RefreshMainWindow();
  EXPECT_EQ(pf::WindowWidth(kMainWindow), 1545);
  EXPECT_EQ(pf::GetGadgetText(kVoltageCombo), "Voltage: 0.2Vpk");  // applied 0 mV
}
