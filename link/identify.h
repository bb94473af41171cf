// The identification texts in the converter's EEPROM header: who made the
// instrument and which model it is.
#pragma once
#include <string>

// `length` characters from eepromwords[first]: a word holding a printable
// character (33 to 125) gives it, any other word a blank.
std::string EepromText(int first, int length);
// True when the maker text names the instrument's maker.
bool MakerFits(const std::string& maker);
// True when the product text belongs to the model (an AP is not an A).
bool ProductFitsModel(const std::string& product, const std::string& model);
