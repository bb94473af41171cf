#include "shell/ribbon.h"

#include <span>
#include <string>

#include "platform/gui.h"
#include "shell/models.h"
#include "shell/resources.h"
#include "shell/state.h"

namespace {
// Container geometry when created; the layout gives the final height.
constexpr int kRibbonX = 2;
constexpr int kRibbonY = 2;
constexpr int kRibbonWidth = 144;
constexpr int kRibbonStartHeight = 100;

constexpr int kRowPitch = 21 + 5;
constexpr int kControlHeight = 23;
constexpr int kDoubleHeight = 46;         // the freeze toggles and BAD
constexpr int kConnectionRaise = 3;       // the connection picture sits higher
constexpr int kPercentDrop = 2;           // the percentages sit lower
constexpr int kButtonAFunctionStart = 4;  // "A= Cycle Frequency"
constexpr int kButtonBFunctionStart = 7;  // "B= Cycle Voltage"
constexpr int kDcLevelStart = 20;         // " 0V"
constexpr int kScannerChannels = 40;

const char* const kVoltageItems[] = {
    "Voltage: 0.2Vpk", "Voltage: 0.4Vpk", "Voltage: 0.6Vpk", "Voltage: 0.8Vpk", "Voltage: 1Vpk",
    "Voltage: 2Vpk",   "Voltage: 3Vpk",   "Voltage: 4Vpk",   "Voltage: 5Vpk",   "Voltage: 10Vpk"};
const char* const kFrequencyItems[] = {"Frequency: 10Hz",  "Frequency: 20Hz",  "Frequency: 50Hz",
                                       "Frequency: 100Hz", "Frequency: 200Hz", "Frequency: 500Hz",
                                       "Frequency: 1KHz"};
const char* const kButtonFunctions[] = {
    "No Function", "Cycle Resistance", "Resistance+", "Resistance-", "Cycle Frequency", "Frequency+",
    "Frequency-",  "Cycle Voltage",    "Voltage+",    "Voltage-",    "GOOD/CAPTURE",    "BAD",
    "+1 test",     "-1 test",          "FREEZE",      "THAW"};
const char* const kDcModeItems[] = {"Off (HiZ)", "Off (0V)", "DC", "Sqr-Hard", "Sqr-Soft", "Pulse"};
const char* const kDcLevelItems[] = {
    "+10.00V", " +9.00V", " +8.00V", " +7.00V", " +6.00V", " +5.00V", " +4.00V", " +3.3V",
    " +3.0V",  " +2.75V", " +2.50V", " +2.25V", " +2.00V", " +1.75V", " +1.50V", " +1.25V",
    " +1.00V", " +0.75V", " +0.50V", " +0.25V", " 0V",     " -0.25V", " -0.50V", " -0.75V",
    " -1.00V", " -1.25V", " -1.50V", " -1.75V", " -2.00V", " -2.25V", " -2.50V", " -2.75V",
    " -3.00V", " -4.00V", " -5.00V", " -6.00V", " -7.00V", " -8.00V", " -9.00V", " -10.00V"};

// Column positions, worked out from the ribbon globals when it is built.
struct Columns {
  int full, half, left, right;
};

void addItems(int combo, std::span<const char* const> items, const std::string& prefix = "") {
  for (const char* item : items) pf::AddGadgetItem(combo, -1, prefix + item);
}

void header(int g, int y, const std::string& text) {
  pf::TextGadget(g, 0, y, ribbonwidth, kControlHeight, text, pf::kGadgetCenter);
  pf::SetGadgetColor(g, pf::kColorFront, colourheadertext);
  pf::SetGadgetColor(g, pf::kColorBack, colourheader);
  pf::SetGadgetFont(g, kFontHeader);
}

void statusText(int g, int x, int y, int w, const std::string& text, int font) {
  pf::TextGadget(g, x, y, w, kControlHeight, text, pf::kGadgetCenter);
  pf::SetGadgetColor(g, pf::kColorFront, colourpaneltext);
  pf::SetGadgetColor(g, pf::kColorBack, colourpanel);
  pf::SetGadgetFont(g, font);
}

void button(int g, int x, int y, int w, const std::string& text, const std::string& tip = "") {
  pf::ButtonGadget(g, x, y, w, kControlHeight, text);
  if (!tip.empty()) pf::SetGadgetToolTip(g, tip);
}
}  // namespace

void YRM_CreateControlRibbon() {
  ribbonx = kRibbonX;
  ribbony = kRibbonY;
  ribbonwidth = kRibbonWidth;
  ribbonheight = kRibbonStartHeight;
  const int full = ribbonwidth - 2 * ribbonmargin;
  const Columns c{full, full / 2, ribbonmargin, 2 * ribbonmargin + (ribbonwidth - 3 * ribbonmargin) / 2};
  const InstrumentModel& model = ActiveModel();
  const bool usbText = model.usbStatusText;
  const bool dcRows = model.dcGenerator;
  const bool scanner = model.scanner;

  pf::UseGadgetList(kMainWindow);
  pf::ContainerGadget(kRibbon, ribbonx, ribbony, ribbonwidth, ribbonheight);
  pf::SetGadgetColor(kRibbon, pf::kColorBack, colourpanel);

  int y = 0;
  header(kStatusHeader, y, "Instrument Status");
  y += kRowPitch;
  pf::ImageGadget(kConnectionImage, 0, y - kConnectionRaise, c.half, kControlHeight, kImageNoConnect);
  if (usbText) {
    y += kRowPitch;
    statusText(kUsbStatusText, c.left, y, c.full, "--", kFontUsbStatus);
  }

  y += kRowPitch;
  header(kGeneratorHeader, y, "Signature Generator");
  y += kRowPitch;
  button(kVoltageUp, c.left, y, c.half, "V+");
  button(kVoltageDown, c.right, y, c.half, "V-");
  y += kRowPitch;
  button(kResistanceUp, c.left, y, c.half, "Ohm+");
  button(kResistanceDown, c.right, y, c.half, "Ohm-");
  y += kRowPitch;
  button(kFrequencyUp, c.left, y, c.half, "Freq+");
  button(kFrequencyDown, c.right, y, c.half, "Freq-");
  y += kRowPitch;
  pf::ComboBoxGadget(kVoltageCombo, c.left, y, c.full, kControlHeight);
  addItems(kVoltageCombo, kVoltageItems);
  y += kRowPitch;
  pf::ComboBoxGadget(kResistanceCombo, c.left, y, c.full, kControlHeight);
  addItems(kResistanceCombo, model.resistanceItems);
  y += kRowPitch;
  pf::ComboBoxGadget(kFrequencyCombo, c.left, y, c.full, kControlHeight);
  addItems(kFrequencyCombo, kFrequencyItems);
  y += kRowPitch;
  pf::ButtonImageGadget(kButtonAImage, c.left, y, c.half, kControlHeight, kImageButtonAGrey);
  pf::ButtonImageGadget(kButtonBImage, c.right, y, c.half, kControlHeight, kImageButtonBGrey);
  y += kRowPitch;
  pf::ComboBoxGadget(kButtonAFunctionCombo, c.left, y, c.full, kControlHeight);
  addItems(kButtonAFunctionCombo, kButtonFunctions, "A= ");
  pf::SetGadgetState(kButtonAFunctionCombo, kButtonAFunctionStart);
  y += kRowPitch;
  pf::ComboBoxGadget(kButtonBFunctionCombo, c.left, y, c.full, kControlHeight);
  addItems(kButtonBFunctionCombo, kButtonFunctions, "B= ");
  pf::SetGadgetState(kButtonBFunctionCombo, kButtonBFunctionStart);

  if (dcRows) {
    y += kRowPitch;
    header(kDcHeader, y, "DC Generator");
    y += kRowPitch;
    pf::ComboBoxGadget(kDcModeCombo, c.left, y, c.half, kControlHeight);
    addItems(kDcModeCombo, kDcModeItems);
    pf::SetGadgetState(kDcModeCombo, 0);
    pf::ComboBoxGadget(kDcLevelCombo, c.right, y, c.half, kControlHeight);
    addItems(kDcLevelCombo, kDcLevelItems);
    pf::SetGadgetState(kDcLevelCombo, kDcLevelStart);
  }
  if (scanner) {
    y += kRowPitch;
    header(kScannerHeader, y, "Scanner");
    y += kRowPitch;
    pf::ComboBoxGadget(kScanSignalCombo, c.left, y, c.half, kControlHeight);
    pf::ComboBoxGadget(kScanCommonCombo, c.right, y, c.half, kControlHeight);
    pf::AddGadgetItem(kScanSignalCombo, -1, "Off");
    pf::AddGadgetItem(kScanCommonCombo, -1, "Off");
    for (int channel = 1; channel <= kScannerChannels; ++channel) {
      pf::AddGadgetItem(kScanSignalCombo, -1, "Sig: " + std::to_string(channel));
      pf::AddGadgetItem(kScanCommonCombo, -1, "Com: " + std::to_string(channel));
    }
    pf::SetGadgetState(kScanSignalCombo, 0);
    pf::SetGadgetState(kScanCommonCombo, 0);
  }

  y += kRowPitch;
  header(kTestHeader, y, "Test Controls");
  y += kRowPitch;
  button(kPreviousRecordButton, c.left, y, c.half, "<", "Goto previous Pin/record");
  button(kNextRecordButton, c.right, y, c.half, ">", "Goto next Pin/record");
  pf::ButtonGadget(kFreezeGoldenToggle, c.left, y, c.half, kDoubleHeight, "Freeze Golden",
                   pf::kGadgetToggle | pf::kGadgetMultiLine);
  pf::ButtonGadget(kFreezeDutToggle, c.right, y, c.half, kDoubleHeight, " Freeze   DUT ",
                   pf::kGadgetToggle | pf::kGadgetMultiLine);
  y += kRowPitch;
  button(kPreviousComponentButton, c.left, y, c.half, "<<", "Goto previous Component");
  button(kNextComponentButton, c.right, y, c.half, ">>", "Goto next Component");
  y += kRowPitch;
  button(kFirstRecordButton, c.left, y, c.half, "First", "Goto first record");
  button(kLastRecordButton, c.right, y, c.half, "Last", "Goto last record");
  pf::ButtonGadget(kAutoFreezeToggle, c.left, y, c.full, kControlHeight, "Auto Freeze", pf::kGadgetToggle);
  y += kRowPitch;
  pf::CheckBoxGadget(kSettingsFromRecordCheck, c.left, y, c.half, kControlHeight, "V/R/Hz");
  pf::SetGadgetState(kSettingsFromRecordCheck, 1);
  pf::SetGadgetToolTip(kSettingsFromRecordCheck,
                       "(I) Use V/R/Hz settings from file, (O) Use current V/R/Hz settings");
  button(kResetTestButton, c.right, y, c.half, "Reset test", "Clear all GOOD/BAD results ready for new test");
  y += kRowPitch;
  statusText(kGoodPercentText, c.left, y + kPercentDrop, c.half, "0.00%", kFontPercent);
  statusText(kBadPercentText, c.right, y + kPercentDrop, c.half, "0.00%", kFontPercent);
  y += kRowPitch;
  pf::ImageGadget(kGoodImage, 0, y, c.half, kControlHeight, kImageGood72);
  pf::ImageGadget(kBadImage, c.right, y, c.half, kDoubleHeight, kImageBad72);
  y += kRowPitch;
  pf::ImageGadget(kRunImage, 0, y, c.full, kControlHeight, kImageAutoCaptureYellow);

  y += kRowPitch;
  header(kEditHeader, y, "Edit Controls");
  y += kRowPitch;
  pf::CheckBoxGadget(kCaptureModeCheck, c.left, y, c.full, kControlHeight, "Edit/Capture signature");
  pf::SetGadgetState(kCaptureModeCheck, 0);
  pf::SetGadgetToolTip(kCaptureModeCheck, "(I) Capture/edit mode, (O) Test board mode");
  y += kRowPitch;
  button(kEditRecordsButton, c.left, y, c.full, "Edit/Add Records",
         "Opens the 'Edit/Add Records & Images' window");

  pf::CloseGadgetList();
}
