// The settings store: key=value lines of "YRM_settings.txt" (and of the
// calibration file, which shares the format).
#pragma once
#include <cstdint>
#include <string>

// Leaves the value of the last line holding key= (any letter case) in
// `keyvalue`; "" when missing or unreadable.
void YRM_GetKeyValue(const std::string& file, const std::string& key);
// Read with default: a missing or empty key is appended with the default.
void YRM_ReadSettingInt(int32_t defaultValue, const std::string& key);    // -> settingint
void YRM_ReadSettingString(const std::string& defaultValue, const std::string& key);  // -> settingstring
// Rewrites every line holding key= with key=value.
void YRM_WriteSetting(const std::string& file, const std::string& key, const std::string& value);
// Reads every key of the settings table into its global.
void YRM_ReadSettings();
// The integer reader: blanks, sign, "$" hex, "%" binary or decimal digits.
int32_t SettingTextToInt(const std::string& text);
