// Calibration data: "YRM_cal.txt", its master copy in the converter's EEPROM
// (words 128 to 1023, two bytes a word, low byte first) and the derived codes.
//
// A text from the EEPROM is taken (into the file and the values in force)
// only when every word was read and the text holds a whole calibration; a
// store writes the first word last, over a first word it cleared before
// the rest, so a store cut short at any word leaves a text that is refused.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kCalFile = "YRM_cal.txt";
constexpr int kCalFirstWord = 128;
constexpr int kCalLastWord = 1023;
constexpr int kCalWords = kCalLastWord - kCalFirstWord + 1;  // 896
// Every stored text begins so (the window's Store writes the date first).
inline constexpr const char* kCalTextStart = "Calibration date=";

// What a copy of the EEPROM text came to.
enum class CalCopy {
  kTaken,        // read whole and complete, and written into the file
  kTakenNoFile,  // read whole and complete; the file could not be written
  kReadFailed,   // a read failed or the device went away: nothing taken
  kIncomplete,   // the text is no whole calibration: nothing taken
};

// Copies the EEPROM text into "YRM_cal.txt" and derives the codes, gains and
// offsets from that text; only while usbopen is 1. A text not taken leaves
// the file and the values in force as they were. While connected, every
// outcome but kTaken has shown its message (unconnected: kReadFailed, silent).
CalCopy YRM_LoadCalibration();
// Rebuilds `file` from EEPROM words 128 to 1023, skipping 0 bytes, when the
// text is taken; the text read goes to `text` when it is.
CalCopy YRM_LoadCalibrationFromEeprom(const std::string& file, std::string* text = nullptr);
// Writes `file` (up to 1792 bytes, then zeros) into EEPROM words 128 to 1023;
// only a file that reads back as a whole calibration. False, after its
// message, when nothing or not everything was written.
bool YRM_SaveCalibrationToEeprom(const std::string& file);

// The text of EEPROM words (from word 128 on): two bytes a word, low byte
// first, 0 bytes skipped.
std::string CalibrationTextFromWords(const std::vector<uint16_t>& words);
// The words that hold `text` in the EEPROM area: 896, zeros after the text,
// a longer text cut.
std::vector<uint16_t> CalibrationWords(const std::string& text);
// "" when `text` is a whole calibration of a model with (or without) the DC
// generator: it begins as a stored text does and holds every DAC key (and
// the DC-bias keys) with an integer, every ADC key with one or "--".
// Otherwise why not, for the operator.
std::string CalibrationTextFault(const std::string& text, bool dcBias);
// A value of the calibration text as an integer: optional blanks and sign,
// then digits only, within 32 bits.
bool CalInteger(const std::string& value, int64_t& out);

// Derives the codes, gains and offsets from "YRM_cal.txt".
void DeriveCalibration();
// The same from a calibration text (the second half of YRM_LoadCalibration).
void DeriveCalibrationFromText(const std::string& text);
// A key of a calibration text as a decimal integer; a missing key or no
// number ("--") reads 0.
int64_t CalValueIn(const std::string& text, const std::string& key);
