// Shared state of the calibration window, its automatic sequence and the
// multimeter link. GUI thread only.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// ---- window and controls ------------------------------------------------------
constexpr int kCalWindow = 548;
// Rows of the window, in the order of the working codes.
enum CalRow : int { kRowDac10, kRowDac1, kRowDac0, kRowDacM1, kRowDacM10, kRowBias10, kRowBiasM10, kCalRows };
constexpr int kLiveCodeField = 504;
constexpr int kLiveAdc0Field = 510;
constexpr int kLiveAdc1Field = 514;
constexpr int kStoreButton = 502;
constexpr int kLoadDefaultsButton = 503;
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
// Where the simulated bench multimeter listens (sim/README.md).
inline const std::string kDmmDefaultAddress = "127.0.0.2";
constexpr int kEndSound = 895;

// ---- working values -------------------------------------------------------------
// Codes of the seven rows: DAC +10, +1, 0, -1, -10 V, DC bias +10, -10 V.
inline std::array<int, kCalRows> calcode;
inline int adc0average, adc1average;         // of the last frame
// Set while a message box of the window itself is or was just up: the
// deactivation it causes must not close the window.
inline bool calownbox;

// ---- automatic sequence ---------------------------------------------------------
constexpr int kLastCalStep = 41;
inline int calstep;                           // 0 idle, else the next step
inline int callaststep;
inline int64_t calnextstep;                   // ms clock of the next step
inline int calpasses;                         // zeroing passes left
// Measured volts and the codes on the output: +10, +1, -1, -10 V.
inline double measured10, measured1, measuredm1, measuredm10;
inline int codeat10, codeat1, codeatm1, codeatm10;

// ---- multimeter link ------------------------------------------------------------
inline int dmmconnection;                     // TCP handle, 0 = none; never closed
inline std::string dmmlastrange;              // range last configured
inline double dmmvalue;                       // last reading, volts or amperes
inline std::vector<uint8_t> dmmbuffer;        // receive buffer
constexpr int kDmmBufferBytes = 65536;

// Sets every start value of the calibration subsystem.
void SetCalibrationStartValues();
