#include "calibration/autocal.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include "calibration/dmm.h"
#include "calibration/state.h"
#include "calibration/window.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/sound.h"

namespace {
constexpr int kFirstDelayMs = 1000;
constexpr int kZeroingPasses = 50;
constexpr int kZeroingStep = 30;
// How far a reading may lie from the level set: 25 % of the level and
// 0.25 V. A drifted or repaired instrument is what calibration is for (an
// output 120 mV off at +1 V is one); a meter on another output or reading
// nothing reads 0 V or another level, a volt or more from +-1 V and +-10 V.
constexpr double kLevelTolerance = 0.25, kLevelToleranceVolts = 0.25;
// The codes the DAC takes (16 bits, signed): a line that asks for more
// would wrap to the other end of the range.
constexpr int kDacLowest = -32768, kDacHighest = 32767;

enum Action {
  kNone,
  kPress,
  kRead,  // a Measure on range "10V"
  kStoreAt10,
  kStoreAt1,
  kStoreAtM1,
  kStoreAtM10,
  kCalculate,
  kSetupZero,
  kZeroing,
  kStore  // Store Calibration Values
};

struct Step {
  Action action;
  int control;  // for kPress and kSetupZero
  const char* text;
  int delay;
};

// Steps 1 to 41; steps 16 to 28 repeat 3 to 15 with longer delays.
const Step kSteps[kLastCalStep + 1] = {
    {kNone, 0, "", 0},
    {kNone, 0, ": starting calibration", 1000},
    {kPress, kLoadDefaultsButton, ": load default values", 1000},
    {kPress, kSet10Button, ": set to +10V", 1000},
    {kRead, 0, ": read DMM", 1000},
    {kStoreAt10, 0, ": store +10V result", 1000},
    {kPress, kSet1Button, ": set to +1V", 1000},
    {kRead, 0, ": read DMM", 1000},
    {kStoreAt1, 0, ": store +1V result", 1000},
    {kPress, kSetM1Button, ": set to -1V", 1000},
    {kRead, 0, ": read DMM", 1000},
    {kStoreAtM1, 0, ": store -1V result", 1000},
    {kPress, kSetM10Button, ": set to -10V", 1000},
    {kRead, 0, ": read DMM", 1000},
    {kStoreAtM10, 0, ": store -10V result", 1000},
    {kCalculate, 0, ": calculate values ", 1000},
    {kPress, kSet10Button, ": set to +10V", 2000},
    {kRead, 0, ": read DMM", 2000},
    {kStoreAt10, 0, ": store +10V result", 2000},
    {kPress, kSet1Button, ": set to +1V", 2000},
    {kRead, 0, ": read DMM", 2000},
    {kStoreAt1, 0, ": store +1V result", 2000},
    {kPress, kSetM1Button, ": set to -1V", 2000},
    {kRead, 0, ": read DMM", 2000},
    {kStoreAtM1, 0, ": store -1V result", 2000},
    {kPress, kSetM10Button, ": set to -10V", 2000},
    {kRead, 0, ": read DMM", 2000},
    {kStoreAtM10, 0, ": store -10V result", 2000},
    {kCalculate, 0, ": calculate values ", 2000},
    {kSetupZero, kSet0Button, ": setup for zeroing the 0V", 2000},
    {kZeroing, 0, ": zeroing in on 0V, pass:", 500},
    {kPress, kSet10Button, ": +10V cal, set", 2000},
    {kPress, kCal10Button, ": +10V cal, store", 2000},
    {kPress, kSet1Button, ": +1V cal, set", 2000},
    {kPress, kCal1Button, ": +1V cal, store", 2000},
    {kPress, kSet0Button, ": 0V cal, set", 2000},
    {kPress, kCal0Button, ": 0V cal, store", 2000},
    {kPress, kSetM1Button, ": -1V cal, set", 2000},
    {kPress, kCalM1Button, ": -1V cal, store", 2000},
    {kPress, kSetM10Button, ": -10V cal, set", 2000},
    {kPress, kCalM10Button, ": -10V cal, store", 2000},
    {kStore, 0, ": store all values", 2000},
};

// The countdown field's text for `left` ms: seconds with two decimals.
std::string CountdownText(int64_t left) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(left) / 1000.0);
  return text;
}

void Status(int step, const std::string& text) {
  pf::SetGadgetText(kStatusField, std::to_string(step) + text);
}

void Idle() {
  calstep = 0;
  pf::SetGadgetText(kGoButton, "Go!");
  pf::SetGadgetText(kCountdownField, "");
  Status(0, ": idle");
}

// Nearest integer, a half away from zero, kept within the code's range.
int Rounded(double x) {
  double r = std::round(x);
  if (!(r > INT_MIN)) return INT_MIN;
  if (r > INT_MAX) return INT_MAX;
  return static_cast<int>(r);
}

bool NearLevel(double volts, double level) {
  return std::fabs(volts - level) <= kLevelTolerance * std::fabs(level) + kLevelToleranceVolts;
}

// Why the run stops here, after the step's number; "" to go on.
std::string FarFromLevel(double volts, double level, const char* name) {
  if (NearLevel(volts, level)) return "";
  return ": DMM reads " + DmmValueText(volts) + " V at " + name +
         " - check the DMM wiring; calibration stopped";
}

constexpr const char* kNoReading = ": no valid reading from the DMM - calibration stopped";

// One zeroing pass; "" or why the run stops.
std::string ZeroingPass() {
  if (calpasses > 0) {
    --calpasses;
    if (!YRM_DmmRead("100mV")) return dmmconnection ? kNoReading : "";
    if (std::string far = FarFromLevel(dmmvalue, 0, "0V"); !far.empty()) return far;
    AdjustWorkingCode(kRowDac0, ZeroingChange(dmmvalue));
  }
  if (calpasses == 0) calstep = kZeroingStep + 1;
  return "";
}
}  // namespace

int ZeroingChange(double v) {
  if (v > 0.002) return -32;
  if (v >= 0.001) return -8;
  if (v >= 0) return -1;
  if (v > -0.001) return 1;
  if (v >= -0.002) return 8;
  return 32;
}

bool YRM_CalibrationCalculate() {
  // Equal readings give no line: the codes stay rather than turn to nonsense.
  if (measured10 == measuredm10 || measured1 == measuredm1) return false;
  const double s10 = (codeat10 - codeatm10) / (measured10 - measuredm10);
  const double o10 = codeat10 - measured10 * s10;
  const double s1 = (codeat1 - codeatm1) / (measured1 - measuredm1);
  const double o1 = codeat1 - measured1 * s1;
  const int codes[] = {Rounded(10 * s10 + o10), Rounded(-10 * s10 + o10), Rounded(s1 + o1), Rounded(-s1 + o1),
                       Rounded(o1)};
  // A level the DAC cannot reach: the codes stay, as for equal readings.
  for (int c : codes)
    if (c < kDacLowest || c > kDacHighest) return false;
  calcode[kRowDac10] = codes[0];
  calcode[kRowDacM10] = codes[1];
  calcode[kRowDac1] = codes[2];
  calcode[kRowDacM1] = codes[3];
  calcode[kRowDac0] = codes[4];
  return true;
}

void YRM_CalibrationGo() {
  if (calstep != 0) {
    Idle();
    return;
  }
  if (dmmconnection == 0) return;
  pf::SetGadgetText(kGoButton, "Stop!");
  calnextstep = pf::ElapsedMilliseconds() + kFirstDelayMs;
  calstep = 1;
}

void YRM_CalibrationTimer() {
  if (calstep == 0) return;
  const int64_t now = pf::ElapsedMilliseconds();
  if (now < calnextstep) {
    const std::string left = CountdownText(calnextstep - now);
    if (pf::GetGadgetText(kCountdownField) != left) pf::SetGadgetText(kCountdownField, left);
    return;
  }
  if (calstep > kLastCalStep) {
    Idle();
    if (pf::IsSound(kEndSound)) pf::PlaySound(kEndSound);
    return;
  }
  const int number = calstep;
  if (dmmconnection == 0) {
    // The meter went away: readings from here on would be no readings.
    Idle();
    Status(number, ": DMM connection lost - calibration stopped");
    return;
  }
  const Step& step = kSteps[number];
  std::string text = step.text;
  std::string stop;  // why the run stops at this step
  ++calstep;
  switch (step.action) {
    case kNone:
      break;
    case kPress:
      YRM_CalibrationAction(step.control);
      break;
    case kRead:
      // A reading that did not come, or came as none (the overload reply),
      // must not leave the last level's reading to stand for this one. A
      // lost meter is told at the next step.
      if (!YRM_DmmReadingAction(kDmmRange10V) && dmmconnection != 0) stop = kNoReading;
      break;
    case kStoreAt10:
      measured10 = dmmvalue;
      codeat10 = calcode[kRowDac10];
      stop = FarFromLevel(dmmvalue, 10, "+10V");
      break;
    case kStoreAt1:
      measured1 = dmmvalue;
      codeat1 = calcode[kRowDac1];
      stop = FarFromLevel(dmmvalue, 1, "+1V");
      break;
    case kStoreAtM1:
      measuredm1 = dmmvalue;
      codeatm1 = calcode[kRowDacM1];
      stop = FarFromLevel(dmmvalue, -1, "-1V");
      break;
    case kStoreAtM10:
      measuredm10 = dmmvalue;
      codeatm10 = calcode[kRowDacM10];
      stop = FarFromLevel(dmmvalue, -10, "-10V");
      break;
    case kCalculate:
      // Nothing measured a difference (meter not on the output?), or the
      // lines ask for codes the DAC has not: storing the defaults as a
      // calibration would pass for success.
      if (!YRM_CalibrationCalculate())
        stop = measured10 == measuredm10 || measured1 == measuredm1
                   ? ": readings equal - check the DMM wiring; calibration stopped"
                   : ": a level needs a code beyond the DAC's range - calibration stopped";
      break;
    case kSetupZero:
      YRM_CalibrationAction(step.control);
      calpasses = kZeroingPasses;
      break;
    case kZeroing:
      calstep = number;
      stop = ZeroingPass();
      text += std::to_string(calpasses);
      break;
    case kStore:
      if (!YRM_StoreCalibration()) stop = ": calibration not stored";
      break;
  }
  if (!stop.empty()) {
    Idle();
    Status(number, stop);
    return;
  }
  Status(number, text);
  calnextstep = pf::ElapsedMilliseconds() + step.delay;
}

int CalibrationTimerWait(int longest) {
  if (calstep == 0) return longest;
  // The timer runs once a pass; a loop passing every ms would run it next at
  // now + 1. The countdown reads otherwise within about 10 ms.
  const int64_t now = pf::ElapsedMilliseconds();
  const std::string shown = pf::GetGadgetText(kCountdownField);
  for (int ms = 1; ms < longest; ++ms)
    if (now + ms >= calnextstep || CountdownText(calnextstep - now - ms) != shown) return ms;
  return longest;
}
