#include "calibration/window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>

#include "calibration/autocal.h"
#include "calibration/dmm.h"
#include "calibration/state.h"
#include "link/caldata.h"
#include "link/connection.h"
#include "link/frames.h"
#include "link/poll.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/messages.h"
#include "shell/models.h"
#include "shell/settingkeys.h"
#include "shell/settings.h"
#include "shell/state.h"

namespace {

constexpr int kWindowX = 300, kWindowY = 0, kWindowWidth = 630;
constexpr int kHeightPlain = 640, kHeightBias = 840;
constexpr int kLine = 24, kRowHeight = 72, kTop = 28;
constexpr int kYellow = 0x00FFFF;
constexpr int kAdjustSteps[kAdjustButtons] = {500, 25, 1, -1, -25, -500};
const char* const kAdjustLabels[kAdjustButtons] = {"++Course Adj.", "+Course Adj.", "+Fine Adj.",
                                                   "-Fine Adj.",    "-Course Adj.", "--Course Adj."};
// Frame points and the samples summed into each at the calibration output
// (10 samples a point x 8 cycles a frame).
constexpr int kPoints = 64, kSamplesPerPoint = 80;

struct RowControls {
  int set, adjust, calibrate;           // set-output, first adjust and calibrate buttons
  int codefield, adc0field, adc1field;  // fields the calibrate fills (0 = none)
  int register1;                        // register 1 while the row's output is on
  int adjustwrites;                     // sends of register 3 per adjust
  const char* level;                    // "+10.00V"
  const char* setlabel;
  const char* pressText;  // "2. Press button --->"
  const char* calibrateText;
  const char* calibrateLabel;
};

const RowControls kRows[kCalRows] = {
    {kSet10Button, kAdjust10First, kCal10Button, kDac10Field, kAdc0At10Field, kAdc1At10Field, 0x30, 1,
     "+10.00V", "Set output: +10V", "2. Press button --->",
     "3. Press button to calibrate the ADC/DAC to +10.00V --->", "Calibrate +10.00V"},
    {kSet1Button, kAdjust1First, kCal1Button, kDac1Field, 0, 0, 0x10, 1, "+1.00V", "Set output: +1V",
     "4. Press button --->", "5. Press button to calibrate the DAC to +1.00V --->", "Calibrate +1.00V"},
    {kSet0Button, kAdjust0First, kCal0Button, kDac0Field, kAdc0At0Field, kAdc1At0Field, 0x10, 2, "0.00V",
     "Set output: 0V", "6. Press button --->", "7. Press button to calibrate the DAC to 0.00V --->",
     "Calibrate 0.00V"},
    {kSetM1Button, kAdjustM1First, kCalM1Button, kDacM1Field, 0, 0, 0x10, 2, "-1.00V", "Set output: -1V",
     "8. Press button --->", "9. Press button to calibrate the DAC to -1.00V --->", "Calibrate -1.00V"},
    {kSetM10Button, kAdjustM10First, kCalM10Button, kDacM10Field, kAdc0AtM10Field, kAdc1AtM10Field, 0x30, 2,
     "-10.00V", "Set output: -10V", "10. Press button --->",
     "11. Press button to calibrate the ADC/DAC to -10.00V --->", "Calibrate -10.00V"},
    {kSetBias10Button, kAdjustBias10First, kCalBias10Button, kBias10Field, 0, 0, 0x30, 1, "+10.00V",
     "Set output: +10V", "13. Press button --->",
     "14. Press button to calibrate the DCBIAS DAC to +10.00V --->", "Calibrate +10.00V"},
    {kSetBiasM10Button, kAdjustBiasM10First, kCalBiasM10Button, kBiasM10Field, 0, 0, 0x30, 1, "-10.00V",
     "Set output: -10V", "15. Press button --->",
     "16. Press button to calibrate the DCBIAS DAC to -10.00V --->", "Calibrate -10.00V"},
};

const char* const kCalKeys[kCalRows] = {"DAC@10V",  "DAC@1V",     "DAC@0V",     "DAC@-1V",
                                        "DAC@-10V", "DCBIAS@10V", "DCBIAS@-10V"};
const int kFactoryCodes[kCalRows] = {28945, 29550, 1110, -27575, -27015, 29198, 3367};

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsBiasRow(int row) { return row == kRowBias10 || row == kRowBiasM10; }

bool HasDcBias() { return ActiveModel().dcGenerator; }

// The texts carry no fixed number: negative ones keep them apart.
int nexttext;
void Text(int x, int y, int w, const std::string& text) { pf::TextGadget(nexttext--, x, y, w, 20, text); }

void RowGadgets(int row, int y, bool adjustText) {
  const RowControls& r = kRows[row];
  Text(10, y + 3, 150, r.pressText);
  pf::ButtonGadget(r.set, 160, y, 130, 22, r.setlabel);
  if (adjustText) Text(300, y + 3, 320, std::string("Adjust to ") + r.level + " using controls below:");
  for (int k = 0; k < kAdjustButtons; ++k)
    pf::ButtonGadget(r.adjust + k, 10 + 102 * k, y + kLine, 98, 22, kAdjustLabels[k]);
  Text(10, y + 2 * kLine + 3, 420, r.calibrateText);
  pf::ButtonGadget(r.calibrate, 440, y + 2 * kLine, 150, 22, r.calibrateLabel);
}

void Field(int g, int x, int y) { pf::StringGadget(g, x, y, 78, 20, "--", pf::kGadgetReadOnly); }

void FieldLine(int y, const std::string& label, std::initializer_list<int> fields) {
  Text(10, y + 2, 90, label);
  int x = 100;
  for (int g : fields) {
    Field(g, x, y);
    x += 84;
  }
}

// The address the meter row proposes: the meter last connected (scripts/run
// writes the simulated one's), else the default.
std::string ProposedDmmAddress() {
  YRM_GetKeyValue(kSettingsFile, kKeyDmmAddress);
  return keyvalue.empty() ? kDmmDefaultAddress : keyvalue;
}

void BuildGadgets() {
  const std::string& m = activeinstrument;
  const bool bias = HasDcBias();
  nexttext = -5480;
  pf::UseGadgetList(kCalWindow);
  const InstrumentModel& model = ActiveModel();
  Text(10, 5, 610,
       model.calConnect ? model.calConnect
                        : "1. Connect " + m + " RED socket to DVM(+) and " + m + " BLACK socket to DVM(-)");
  int y = kTop;
  for (int row = kRowDac10; row <= kRowDacM10; ++row, y += kRowHeight) RowGadgets(row, y, true);
  if (bias) {
    Text(10, y, 610, model.calBiasConnect);
    y += kLine;
    RowGadgets(kRowBias10, y, false);
    y += kRowHeight;
    RowGadgets(kRowBiasM10, y, false);
    y += kRowHeight;
  }
  Text(10, y, 610,
       std::string(bias ? "17." : "12.") + " Press button below to store calibration values in " + m +
           ". Calibration now completed.");
  y += kLine;
  pf::ButtonGadget(kStoreButton, 10, y, 250, 22, "Store Calibration Values");
  pf::TextGadget(nexttext, 330, y + 2, 130, 20, "Factory/Debug only", pf::kGadgetCenter);
  pf::SetGadgetColor(nexttext--, pf::kColorBack, kYellow);
  pf::ButtonGadget(kLoadDefaultsButton, 470, y, 120, 22, "Load Defaults");
  y += kLine + 8;
  FieldLine(y, "DAC:", {kLiveCodeField, kDac10Field, kDac1Field, kDac0Field, kDacM1Field, kDacM10Field});
  y += kLine;
  if (bias) {
    FieldLine(y, "DCBIAS DAC:", {kBias10Field, kBiasM10Field});
    y += kLine;
  }
  FieldLine(y, "ADC0:", {kLiveAdc0Field, kAdc0At10Field, kAdc0At0Field, kAdc0AtM10Field});
  y += kLine;
  FieldLine(y, "ADC1:", {kLiveAdc1Field, kAdc1At10Field, kAdc1At0Field, kAdc1AtM10Field});
  y += kLine + 8;
  Text(10, y + 2, 40, "DMM>");
  pf::StringGadget(kDmmAddressField, 50, y, 120, 22, ProposedDmmAddress());
  pf::ButtonGadget(kDmmConnectButton, 175, y, 100, 22, "Connect");
  pf::ComboBoxGadget(kDmmRangeCombo, 280, y, 80, 22);
  for (int k = 0; k < kDmmRanges; ++k) pf::AddGadgetItem(kDmmRangeCombo, -1, DmmRangeText(k));
  pf::SetGadgetState(kDmmRangeCombo, kDmmRange10V);
  pf::ButtonGadget(kDmmMeasureButton, 365, y, 80, 22, "Measure");
  pf::StringGadget(kDmmResultField, 450, y, 140, 22, "", pf::kGadgetReadOnly);
  y += kLine + 4;
  pf::ButtonGadget(kGoButton, 10, y, 80, 22, "Go!");
  pf::TextGadget(kCountdownField, 95, y + 2, 60, 20, "");
  pf::TextGadget(kStatusField, 160, y + 2, 430, 20, "0: idle");
}

void SetOutput(int row) {
  const RowControls& r = kRows[row];
  paramblock[1] = r.register1;
  if (IsBiasRow(row)) {
    paramblock[3] = calcode[row == kRowBias10 ? kRowDac10 : kRowDacM10];
    paramblock[20] = calcode[row];
    paramblock[21] = (calcode[kRowBias10] - calcode[kRowBiasM10]) / 2;
    paramblock[22] = 2;
  } else {
    paramblock[3] = calcode[row];
  }
  paramblock[6] = 1000;
  paramblock[8] = 100;
  paramblock[10] = 64;
  paramblock[11] = 10;
  paramblock[12] = 8;
  paramblock[14] = 100;
  paramblock[16] = 0;
  paramblock[17] = 0;
  YRM_WriteRegisters(0, 32);
  if (IsBiasRow(row))
    pf::SetGadgetText(r.codefield, std::to_string(paramblock[20]));
  else
    pf::SetGadgetText(kLiveCodeField, std::to_string(paramblock[3]));
}

void Calibrate(int row) {
  const RowControls& r = kRows[row];
  pf::SetGadgetText(r.codefield, std::to_string(calcode[row]));
  if (r.adc0field) pf::SetGadgetText(r.adc0field, pf::GetGadgetText(kLiveAdc0Field));
  if (r.adc1field) pf::SetGadgetText(r.adc1field, pf::GetGadgetText(kLiveAdc1Field));
}

// A box the window shows itself: its loss of focus is no leave.
void WindowMessage(const std::string& text) {
  calownbox = true;
  YRM_ShowMessage(text);
}
}  // namespace

bool YRM_StoreCalibration() {
  // The link stopped while the window was open: the instrument cannot take
  // the calibration, and a file written now would claim what it does not hold.
  if (usbopen != 1) {
    WindowMessage(MessageText(kMsgCalibrateNoUsb));
    return false;
  }
  const pf::LocalTime t = pf::Now();
  char date[64];
  std::snprintf(date, sizeof date, "Calibration date=%02d/%s/%04d@%02d:%02d:%02d", t.day,
                kMonths[(t.month + 11) % 12], t.year, t.hour, t.minute, t.second);
  std::string text = std::string(date) + "\r\n";
  // Each value is what was calibrated in this window, else what the window
  // read from the instrument when it opened: its number, or "--" again where
  // the instrument holds none (a level never calibrated, a key missing). A
  // code is never made up: without a text read at the opening, every code
  // must have been calibrated here. An ADC point with neither stays "--".
  KeyText read;
  LoadKeyText(calreadtext, read);
  const bool textRead = !calreadtext.empty();
  std::string missing;
  auto value = [&](int g, const char* key, bool code) {
    int64_t v = 0;
    if (CalNumber(pf::GetGadgetText(g), v) || CalNumber(KeyValueIn(read, key), v)) return std::to_string(v);
    if (code && !textRead && missing.empty()) missing = key;
    return std::string("--");
  };
  auto line = [&](const std::string& key, const std::string& v) { text += key + "=" + v + "\r\n"; };
  auto field = [&](int g, const char* key) { line(key, value(g, key, true)); };
  auto adc = [&](int g, const char* key) { line(key, value(g, key, false)); };
  auto ohms = [](float r) { return std::to_string(std::lround(r)); };
  field(kDac10Field, "DAC@10V");
  field(kDac1Field, "DAC@1V");
  field(kDac0Field, "DAC@0V");
  field(kDacM1Field, "DAC@-1V");
  field(kDacM10Field, "DAC@-10V");
  adc(kAdc0At10Field, "ADC0@10V");
  adc(kAdc0At0Field, "ADC0@0V");
  adc(kAdc0AtM10Field, "ADC0@-10V");
  adc(kAdc1At10Field, "ADC1@10V");
  adc(kAdc1At0Field, "ADC1@0V");
  adc(kAdc1AtM10Field, "ADC1@-10V");
  line("50ohm", ohms(resistance50));
  line("100ohm", ohms(resistance100));
  line("200ohm", ohms(resistance200));
  line("500ohm", ohms(resistance500));
  line("1Kohm", ohms(resistance1k));
  line("2Kohm", ohms(resistance2k));
  line("5Kohm", ohms(resistance5k));
  line("10Kohm", ohms(resistance10k));
  if (HasDcBias()) {
    field(kBias10Field, "DCBIAS@10V");
    field(kBiasM10Field, "DCBIAS@-10V");
  }
  if (!missing.empty()) {
    WindowMessage(MessageText(kMsgCalValueMissing, missing));
    return false;
  }
  // The EEPROM is written only after the file: a file that could not be
  // replaced must not send an older one into the instrument.
  if (!pf::ReplaceFile(kCalFile, text)) {
    WindowMessage(MessageText(kMsgCalFileNotWritten));
    return false;
  }
  if (YRM_SaveCalibrationToEeprom(kCalFile)) return true;
  calownbox = true;  // the message is up
  return false;
}

namespace {
// A live field is rewritten only when its text changes: each frame would
// otherwise repaint it, four times a second, mostly with the same text.
void ShowLive(int g, const std::string& text) {
  if (pf::GetGadgetText(g) != text) pf::SetGadgetText(g, text);
}

// Live ADC averages of the frame just taken.
void TakeFrame() {
  int sum0 = 0, sum1 = 0;
  {
    std::lock_guard<std::mutex> g(linklock);
    if (adc0samples.size() <= kPoints || adc1samples.size() <= kPoints) return;
    for (int i = 1; i <= kPoints; ++i) {
      sum0 += adc0samples[i] / kSamplesPerPoint;
      sum1 += adc1samples[i] / kSamplesPerPoint;
    }
  }
  ShowLive(kLiveAdc0Field, std::to_string(sum0 / kPoints));
  ShowLive(kLiveAdc1Field, std::to_string(sum1 / kPoints));
}

void CloseCalibrationWindow() {
  calstep = 0;
  paramblock[1] &= ~int64_t{0x10};
  YRM_StopConnection();
  pf::CloseWindow(kCalWindow);
}
}  // namespace

void CalibrationErrorBox(const std::string& text) {
  calownbox = true;
  pf::MessageRequester("Error", text, pf::kRequesterOk | pf::kRequesterError);
}

void AdjustWorkingCode(int row, int step) {
  calcode[row] += step;
  const RowControls& r = kRows[row];
  if (IsBiasRow(row)) {
    paramblock[20] = calcode[row];
    YRM_WriteRegisters(20, 1);
    pf::SetGadgetText(r.codefield, std::to_string(paramblock[20]));
    return;
  }
  paramblock[3] = calcode[row];
  for (int k = 0; k < r.adjustwrites; ++k) YRM_WriteRegisters(3, 1);
  pf::SetGadgetText(kLiveCodeField, std::to_string(paramblock[3]));
}

void YRM_CalibrationAction(int g) {
  for (int row = 0; row < kCalRows; ++row) {
    const RowControls& r = kRows[row];
    if (g == r.set) return SetOutput(row);
    if (g >= r.adjust && g < r.adjust + kAdjustButtons)
      return AdjustWorkingCode(row, kAdjustSteps[g - r.adjust]);
    if (g == r.calibrate) return Calibrate(row);
  }
  if (g >= kDmmReadAction && g < kDmmReadAction + kDmmRanges) {
    YRM_DmmReadingAction(g - kDmmReadAction);
    return;
  }
  switch (g) {
    case kLoadDefaultsButton:
      for (int row = 0; row < kCalRows; ++row) calcode[row] = kFactoryCodes[row];
      break;
    case kStoreButton:
      YRM_StoreCalibration();
      break;
    case kDmmConnectButton:
      YRM_DmmConnect(pf::GetGadgetText(kDmmAddressField));
      break;
    case kDmmMeasureButton: {
      const int k = pf::GetGadgetState(kDmmRangeCombo);
      if (k >= 0 && k < kDmmRanges) YRM_DmmReadingAction(k);
      break;
    }
    case kGoButton:
      YRM_CalibrationGo();
      break;
    default:
      break;
  }
}

bool YRM_OpenCalibrationWindow() {
  const int height = HasDcBias() ? kHeightBias : kHeightPlain;
  if (!pf::OpenWindow(kCalWindow, kWindowX, kWindowY, kWindowWidth, height,
                      "Calibrate " + activeinstrument + " ADC/DAC",
                      pf::kWindowTitleBar | pf::kWindowSystemMenu)) {
    YRM_ShowMessage(kMsgCalibrationWontStart);
    return false;
  }
  BuildGadgets();
  if (usbopen == 0) {
    YRM_ShowMessage(kMsgCalibrateNoUsb);
    pf::CloseWindow(kCalWindow);
    return false;
  }
  calownbox = false;
  calstep = 0;
  // The working codes start from the instrument's own calibration, and only
  // from a text read whole: no made-up code ever reaches a field or Store.
  calreadtext.clear();
  const CalCopy copy = YRM_LoadCalibrationFromEeprom(kCalFile, &calreadtext);
  if (copy != CalCopy::kTaken) calownbox = true;  // its message took the focus
  for (int row = 0; row < kCalRows; ++row)
    calcode[row] = static_cast<int>(CalValueIn(calreadtext, kCalKeys[row]));
  if (dmmconnection != 0) pf::SetGadgetText(kDmmConnectButton, "Connected");
  return true;
}

bool YRM_CalibrationPass(int ms) {
  const int event = pf::WaitWindowEvent(ms);
  YRM_CalibrationTimer();
  bool close = false;
  if (pf::EventWindow() == kCalWindow) {
    if (event == pf::kEventGadget) {
      YRM_CalibrationAction(pf::EventGadget());
    } else if (event == pf::kEventCloseWindow) {
      close = true;
    } else if (event == pf::kEventActivateWindow) {
      calownbox = false;
    } else if (event == pf::kEventDeactivateWindow) {
      // Focus lost to the window's own message box is no leave to close.
      if (calownbox)
        calownbox = false;
      else if (pf::ActiveWindow() != kCalWindow)
        close = true;
    }
  }
  if (close) {
    CloseCalibrationWindow();
    return false;
  }
  YRM_PollInstrument(kPollIntervalMs);
  YRM_ReadUsbFrames();
  if (newframe.exchange(0) == 1) TakeFrame();
  return true;
}

int CalibrationLoopWait(int longest) {
  if (newframe == 1) return 0;  // the poll thread's frame, for the live fields
  // The link's times: the next request, the moment a reply can be complete,
  // every ms while one is arriving. A running poll thread keeps them itself
  // and wakes this loop for each frame, so the loop sleeps through them.
  const int link = usbopen == 1 && !PollThreadRunning() ? NextPollDelay() : longest;
  return std::max(0, std::min({longest, CalibrationTimerWait(longest), link}));
}

void YRM_CalibrationWindow() {
  if (!YRM_OpenCalibrationWindow()) return;
  // Sleeps until an event, the poll thread's wake-up or the next time a pass
  // would change something: a step, the countdown, a request or a frame.
  while (YRM_CalibrationPass(CalibrationLoopWait(pf::kLongestLoopWaitMs))) {
  }
}
