// Calibration data: "YRM_cal.txt", its master copy in the converter's EEPROM
// (words 128 to 1023, two bytes a word, low byte first) and the derived codes.
//
// A text from the EEPROM is taken (into the file and the values in force)
// when every word was read and the area holds a calibration text; keys and
// values are then read as they stand (a missing key or "--" reads 0). A
// store writes the first word last, over a first word it cleared before the
// rest, so a store cut short at any word leaves its first word 0 and is
// refused. A text refused leaves the file and puts no calibration in force.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kCalFile = "YRM_cal.txt";
constexpr int kCalFirstWord = 128;
constexpr int kCalLastWord = 1023;
constexpr int kCalWords = kCalLastWord - kCalFirstWord + 1;  // 896

// What a copy of the EEPROM text came to.
enum class CalCopy {
  kTaken,        // read whole, a calibration text, and written into the file
  kTakenNoFile,  // read whole, a calibration text; the file could not be written
  kReadFailed,   // a read failed or the device went away: nothing taken
  kIncomplete,   // a store cut short, or no calibration at all: nothing taken
};

// Copies the EEPROM text into "YRM_cal.txt" and derives the codes, gains and
// offsets from that text; only while usbopen is 1. While connected, every
// outcome but kTaken has shown its message (unconnected: kReadFailed, silent).
CalCopy YRM_LoadCalibration();
// Rebuilds `file` from EEPROM words 128 to 1023, skipping 0 bytes, when the
// text is taken; the text read goes to `text` when it is. A text not taken
// leaves the file as it was and clears the values in force (no calibration:
// whatever was in force may be another instrument's), as its message says.
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
// "" when `words` (the area from word 128 on, as read) hold a calibration
// text as a store leaves it: its first word is not 0 and it holds at least
// one key of a calibration. Otherwise why not, for the operator: a store cut
// short (first word still cleared, words after it written), or no
// calibration at all (an erased, blank or foreign area).
std::string CalibrationWordsFault(const std::vector<uint16_t>& words);
// A value of the calibration text as the derivation reads it: optional
// blanks and sign, then digits (what follows is ignored), within 32 bits.
// False when it holds no number ("--", "").
bool CalNumber(const std::string& value, int64_t& out);

// Derives the codes, gains and offsets from "YRM_cal.txt".
void DeriveCalibration();
// The same from a calibration text (the second half of YRM_LoadCalibration).
void DeriveCalibrationFromText(const std::string& text);
// A key of a calibration text as a decimal integer; a missing key or no
// number ("--") reads 0.
int64_t CalValueIn(const std::string& text, const std::string& key);
