#include <gtest/gtest.h>

#include <vector>

#include "mainwindow_fixture.h"
#include "shell/resources.h"

using yrmtest::Rect;

namespace {
class RibbonTest : public yrmtest::MainWindow {};

struct Placed {
  int gadget;
  Rect rect;
};

// Rows at 26 px; the connection picture 3 px higher, the percentages 2 px lower.
const std::vector<Placed> kCommonTop = {
    {kStatusHeader, {0, 0, 144, 23}},
    {kConnectionImage, {0, 23, 70, 23}},
};
const std::vector<Placed> kYrmA = {
    {kUsbStatusText, {2, 52, 140, 23}},
    {kGeneratorHeader, {0, 78, 144, 23}},
    {kVoltageUp, {2, 104, 70, 23}},
    {kVoltageDown, {73, 104, 70, 23}},
    {kResistanceUp, {2, 130, 70, 23}},
    {kFrequencyDown, {73, 156, 70, 23}},
    {kVoltageCombo, {2, 182, 140, 23}},
    {kResistanceCombo, {2, 208, 140, 23}},
    {kFrequencyCombo, {2, 234, 140, 23}},
    {kButtonAImage, {2, 260, 70, 23}},
    {kButtonBImage, {73, 260, 70, 23}},
    {kButtonAFunctionCombo, {2, 286, 140, 23}},
    {kButtonBFunctionCombo, {2, 312, 140, 23}},
    {kTestHeader, {0, 338, 144, 23}},
    {kPreviousRecordButton, {2, 364, 70, 23}},
    {kNextRecordButton, {73, 364, 70, 23}},
    {kFreezeGoldenToggle, {2, 364, 70, 46}},
    {kFreezeDutToggle, {73, 364, 70, 46}},
    {kPreviousComponentButton, {2, 390, 70, 23}},
    {kNextComponentButton, {73, 390, 70, 23}},
    {kFirstRecordButton, {2, 416, 70, 23}},
    {kLastRecordButton, {73, 416, 70, 23}},
    {kAutoFreezeToggle, {2, 416, 140, 23}},
    {kSettingsFromRecordCheck, {2, 442, 70, 23}},
    {kResetTestButton, {73, 442, 70, 23}},
    {kGoodPercentText, {2, 470, 70, 23}},
    {kBadPercentText, {73, 470, 70, 23}},
    {kGoodImage, {0, 494, 70, 23}},
    {kBadImage, {73, 494, 70, 46}},
    {kRunImage, {0, 520, 140, 23}},
    {kEditHeader, {0, 546, 144, 23}},
    {kCaptureModeCheck, {2, 572, 140, 23}},
    {kEditRecordsButton, {2, 598, 140, 23}},  // row 23: 24 rows
};
// YRM-C: no USB text; the DC rows follow the button B function row.
const std::vector<Placed> kYrmC = {
    {kGeneratorHeader, {0, 52, 144, 23}},    {kButtonBFunctionCombo, {2, 286, 140, 23}},
    {kDcHeader, {0, 312, 144, 23}},          {kDcModeCombo, {2, 338, 70, 23}},
    {kDcLevelCombo, {73, 338, 70, 23}},      {kTestHeader, {0, 364, 144, 23}},
    {kEditRecordsButton, {2, 624, 140, 23}},  // row 24: 25 rows
};
// YRM-D: as YRM-C with the scanner rows after the DC rows.
const std::vector<Placed> kYrmD = {
    {kDcLevelCombo, {73, 338, 70, 23}},   {kScannerHeader, {0, 364, 144, 23}},
    {kScanSignalCombo, {2, 390, 70, 23}}, {kScanCommonCombo, {73, 390, 70, 23}},
    {kTestHeader, {0, 416, 144, 23}},     {kEditRecordsButton, {2, 676, 140, 23}},  // 27 rows
};
}  // namespace

TEST_F(RibbonTest, RowsPerModel) {
  struct Case {
    const char* model;
    const std::vector<Placed>* rows;
    bool usbText, dc, scanner;
  };
  const Case cases[] = {{"YRM-A", &kYrmA, true, false, false},
                        {"YRM-AP", &kYrmA, true, false, false},
                        {"YRM-C", &kYrmC, false, true, false},
                        {"YRM-D", &kYrmD, false, true, true},
                        {"YRM-D2", &kYrmD, false, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    pf::test::ResetGui();
    Build(c.model);
    EXPECT_EQ(RectOf(kRibbon), (Rect{2, 2, 144, 100}));
    for (const auto* rows : {&kCommonTop, c.rows})
      for (const Placed& p : *rows) EXPECT_EQ(RectOf(p.gadget), p.rect) << "control " << p.gadget;
    EXPECT_EQ(pf::IsGadget(kUsbStatusText), c.usbText);
    EXPECT_EQ(pf::IsGadget(kDcModeCombo), c.dc);
    EXPECT_EQ(pf::IsGadget(kDcLevelCombo), c.dc);
    EXPECT_EQ(pf::IsGadget(kScanSignalCombo), c.scanner);
    EXPECT_EQ(pf::CountGadgetItems(kResistanceCombo), c.dc ? 8 : 3);
  }
}

TEST_F(RibbonTest, TextsToolTipsAndStartStates) {
  Build("YRM-A");
  struct Text {
    int gadget;
    const char* text;
    const char* tip;
  };
  const Text texts[] = {
      {kStatusHeader, "Instrument Status", ""},
      {kUsbStatusText, "--", ""},
      {kGeneratorHeader, "Signature Generator", ""},
      {kVoltageUp, "V+", ""},
      {kResistanceDown, "Ohm-", ""},
      {kFrequencyUp, "Freq+", ""},
      {kTestHeader, "Test Controls", ""},
      {kPreviousRecordButton, "<", "Goto previous Pin/record"},
      {kNextRecordButton, ">", "Goto next Pin/record"},
      {kFreezeGoldenToggle, "Freeze Golden", ""},
      {kFreezeDutToggle, " Freeze   DUT ", ""},
      {kPreviousComponentButton, "<<", "Goto previous Component"},
      {kNextComponentButton, ">>", "Goto next Component"},
      {kFirstRecordButton, "First", "Goto first record"},
      {kLastRecordButton, "Last", "Goto last record"},
      {kAutoFreezeToggle, "Auto Freeze", ""},
      {kSettingsFromRecordCheck, "V/R/Hz",
       "(I) Use V/R/Hz settings from file, (O) Use current V/R/Hz settings"},
      {kResetTestButton, "Reset test", "Clear all GOOD/BAD results ready for new test"},
      {kGoodPercentText, "0.00%", ""},
      {kBadPercentText, "0.00%", ""},
      {kEditHeader, "Edit Controls", ""},
      {kCaptureModeCheck, "Edit/Capture signature", "(I) Capture/edit mode, (O) Test board mode"},
      {kEditRecordsButton, "Edit/Add Records", "Opens the 'Edit/Add Records & Images' window"},
  };
  for (const Text& t : texts) {
    EXPECT_EQ(pf::GetGadgetText(t.gadget), t.text) << t.gadget;
    EXPECT_EQ(pf::GetGadgetToolTip(t.gadget), t.tip) << t.gadget;
  }
  EXPECT_EQ(pf::GetGadgetState(kSettingsFromRecordCheck), 1);
  EXPECT_EQ(pf::GetGadgetState(kCaptureModeCheck), 0);
  EXPECT_EQ(pf::GetGadgetState(kFreezeGoldenToggle), 0);
  EXPECT_EQ(pf::GetGadgetState(kAutoFreezeToggle), 0);

  // Pictures by number.
  EXPECT_EQ(pf::GetGadgetState(kConnectionImage), kImageNoConnect);
  EXPECT_EQ(pf::GetGadgetState(kGoodImage), kImageGood72);
  EXPECT_EQ(pf::GetGadgetState(kBadImage), kImageBad72);
  EXPECT_EQ(pf::GetGadgetState(kRunImage), kImageAutoCaptureYellow);
  EXPECT_EQ(pf::GadgetKind(kButtonAImage), pf::kGadgetKindButtonImage);

  // Colours: headers, status texts and the container.
  EXPECT_EQ(pf::GetGadgetColor(kRibbon, pf::kColorBack), colourpanel);
  for (int g : {kStatusHeader, kGeneratorHeader, kTestHeader, kEditHeader}) {
    EXPECT_EQ(pf::GetGadgetColor(g, pf::kColorFront), colourheadertext);
    EXPECT_EQ(pf::GetGadgetColor(g, pf::kColorBack), colourheader);
  }
  for (int g : {kUsbStatusText, kGoodPercentText, kBadPercentText}) {
    EXPECT_EQ(pf::GetGadgetColor(g, pf::kColorFront), colourpaneltext);
    EXPECT_EQ(pf::GetGadgetColor(g, pf::kColorBack), colourpanel);
  }
}

TEST_F(RibbonTest, ComboItemsAndSelections) {
  Build("YRM-D");
  struct Item {
    int combo, count, index;
    const char* text;
  };
  const Item items[] = {
      {kVoltageCombo, 10, 0, "Voltage: 0.2Vpk"},
      {kVoltageCombo, 10, 9, "Voltage: 10Vpk"},
      {kResistanceCombo, 8, 7, "Resistance: 50 ohms"},
      {kFrequencyCombo, 7, 6, "Frequency: 1KHz"},
      {kButtonAFunctionCombo, 16, 0, "A= No Function"},
      {kButtonBFunctionCombo, 16, 15, "B= THAW"},
      {kButtonAFunctionCombo, 16, 12, "A= +1 test"},
      {kDcModeCombo, 6, 0, "Off (HiZ)"},
      {kDcModeCombo, 6, 5, "Pulse"},
      {kDcLevelCombo, 40, 0, "+10.00V"},
      {kDcLevelCombo, 40, 7, " +3.3V"},
      {kDcLevelCombo, 40, 8, " +3.0V"},
      {kDcLevelCombo, 40, 20, " 0V"},
      {kDcLevelCombo, 40, 32, " -3.00V"},
      {kDcLevelCombo, 40, 39, " -10.00V"},
      {kScanSignalCombo, 41, 0, "Off"},
      {kScanSignalCombo, 41, 40, "Sig: 40"},
      {kScanCommonCombo, 41, 7, "Com: 7"},
  };
  for (const Item& i : items) {
    EXPECT_EQ(pf::CountGadgetItems(i.combo), i.count) << i.combo;
    EXPECT_EQ(pf::GetGadgetItemText(i.combo, i.index), i.text) << i.combo << " item " << i.index;
  }
  const std::pair<int, int> selected[] = {{kButtonAFunctionCombo, 4},
                                          {kButtonBFunctionCombo, 7},
                                          {kDcModeCombo, 0},
                                          {kDcLevelCombo, 20},
                                          {kScanSignalCombo, 0},
                                          {kScanCommonCombo, 0},
                                          // the refresh selects these from the applied settings
                                          {kVoltageCombo, -1},
                                          {kResistanceCombo, -1},
                                          {kFrequencyCombo, -1}};
  for (auto [combo, index] : selected) EXPECT_EQ(pf::GetGadgetState(combo), index) << combo;
  EXPECT_EQ(pf::GetGadgetText(kButtonAFunctionCombo), "A= Cycle Frequency");
  EXPECT_EQ(pf::GetGadgetText(kButtonBFunctionCombo), "B= Cycle Voltage");
}
