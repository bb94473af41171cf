// Calibration data: "YRM_cal.txt", its master copy in the converter's EEPROM
// (words 128 to 1023, two bytes a word, low byte first) and the derived codes.
#pragma once
#include <cstdint>
#include <string>

inline constexpr const char* kCalFile = "YRM_cal.txt";
constexpr int kCalFirstWord = 128;
constexpr int kCalLastWord = 1023;

// Copies the EEPROM text into "YRM_cal.txt" and derives the codes, gains and
// offsets from that text; only while usbopen is 1. A file that cannot be
// written is reported ("Error #0064 File cannot be created").
void YRM_LoadCalibration();
// Rebuilds `file` from EEPROM words 128 to 1023, skipping 0 bytes; reports a
// file that cannot be written.
void YRM_LoadCalibrationFromEeprom(const std::string& file);
// Writes `file` (up to 1792 bytes, then zeros) into EEPROM words 128 to 1023.
void YRM_SaveCalibrationToEeprom(const std::string& file);
// Derives the codes, gains and offsets from "YRM_cal.txt".
void DeriveCalibration();
// The same from a calibration text (the second half of YRM_LoadCalibration).
void DeriveCalibrationFromText(const std::string& text);
// A key of "YRM_cal.txt" as a decimal integer; a missing key or no number
// ("--") reads 0.
int64_t CalValue(const std::string& key);
