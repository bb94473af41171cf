// Shared state of the calibration window, its automatic sequence and the
// multimeter link. GUI thread only.
#pragma once
#include <array>
#include <cstdint>
#include <string>

// ---- window and controls ------------------------------------------------------
constexpr int kCalWindow = 548;
// Rows of the window, in the order of the working codes.
enum CalRow : int { kRowDac10, kRowDac1, kRowDac0, kRowDacM1, kRowDacM10, kRowBias10, kRowBiasM10, kCalRows };
// Per row: the set-output button, the first of its six adjust buttons and
// the calibrate button.
constexpr int kSet10Button = 462, kAdjust10First = 467, kCal10Button = 497;
constexpr int kSet1Button = 464, kAdjust1First = 473, kCal1Button = 498;
constexpr int kSet0Button = 466, kAdjust0First = 479, kCal0Button = 499;
constexpr int kSetM1Button = 465, kAdjustM1First = 485, kCalM1Button = 500;
constexpr int kSetM10Button = 463, kAdjustM10First = 491, kCalM10Button = 501;
constexpr int kSetBias10Button = 746, kAdjustBias10First = 747, kCalBias10Button = 753;
constexpr int kSetBiasM10Button = 754, kAdjustBiasM10First = 755, kCalBiasM10Button = 761;
constexpr int kAdjustButtons = 6;
constexpr int kStoreButton = 502;
constexpr int kLoadDefaultsButton = 503;
// Fields: the live values, then the values each calibrate takes.
constexpr int kLiveCodeField = 504;
constexpr int kLiveAdc0Field = 510;
constexpr int kLiveAdc1Field = 514;
constexpr int kDac10Field = 509, kDac1Field = 508, kDac0Field = 507, kDacM1Field = 506, kDacM10Field = 505;
constexpr int kAdc0At10Field = 511, kAdc0At0Field = 512, kAdc0AtM10Field = 513;
constexpr int kAdc1At10Field = 515, kAdc1At0Field = 516, kAdc1AtM10Field = 517;
constexpr int kBias10Field = 762, kBiasM10Field = 763;
// The multimeter row and the automatic sequence (numbers of our own choice).
constexpr int kDmmAddressField = 777;
constexpr int kDmmConnectButton = 778;
constexpr int kDmmRangeCombo = 779;
constexpr int kDmmMeasureButton = 780;
constexpr int kDmmResultField = 781;
constexpr int kGoButton = 782;
constexpr int kCountdownField = 783;
constexpr int kStatusField = 785;
// Reading action of range row k is event kDmmReadAction + k.
constexpr int kDmmReadAction = 764;
constexpr int kDmmRanges = 13;
constexpr int kDmmRange10V = 2;
constexpr int kDmmPort = 5025;
constexpr int kDmmConnectTimeoutMs = 10000;
// The meter address proposed when the settings name none: a loopback one,
// so that a Connect dials nothing off this machine unless an address is typed.
inline const std::string kDmmDefaultAddress = "127.0.0.2";
constexpr int kEndSound = 895;

// ---- working values -------------------------------------------------------------
// Codes of the seven rows: DAC +10, +1, 0, -1, -10 V, DC bias +10, -10 V.
inline std::array<int, kCalRows> calcode;
// The calibration text read from the instrument when the window opened; ""
// when none was read whole. What Store writes for a value not calibrated.
inline std::string calreadtext;
// Set while a message box of the window itself is or was just up: the
// deactivation it causes must not close the window.
inline bool calownbox;

// ---- automatic sequence ---------------------------------------------------------
constexpr int kLastCalStep = 41;
inline int calstep;          // 0 idle, else the next step
inline int64_t calnextstep;  // ms clock of the next step
inline int calpasses;        // zeroing passes left
// Measured volts and the codes on the output: +10, +1, -1, -10 V.
inline double measured10, measured1, measuredm1, measuredm10;
inline int codeat10, codeat1, codeatm1, codeatm10;

// ---- multimeter link ------------------------------------------------------------
inline int dmmconnection;               // TCP handle, 0 = none; let go when the meter hangs up
inline std::string dmmlastrange;        // range last configured
inline double dmmvalue;                 // last reading, volts or amperes
constexpr int kDmmBufferBytes = 65536;  // the most one receive takes
// What waits before "READ?" (a reply that came too late) is drained, at most
// this much and this long: a peer that keeps sending must not hold the window.
constexpr int kDmmDrainBytes = 4096;
constexpr int kDmmDrainMs = 100;

// Sets every start value of the calibration subsystem.
void SetCalibrationStartValues();
