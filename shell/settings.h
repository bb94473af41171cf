// The settings store: key=value lines of "YRM_settings.txt" (and of the
// calibration file, which shares the format).
#pragma once
#include <cstdint>
#include <string>

// A key file held in memory for many lookups: its text (without a leading
// byte order mark) and the same text in lower case.
struct KeyText {
  std::string text, lowered;
};
void LoadKeyText(std::string bytes, KeyText& out);
// The value of `key` in `keys` by the rules of YRM_GetKeyValue.
std::string KeyValueIn(const KeyText& keys, const std::string& key);

// Leaves the value of the last line holding key= (any letter case) in
// `keyvalue`; "" when missing or unreadable.
void YRM_GetKeyValue(const std::string& file, const std::string& key);
// Read with default: a missing or empty key is appended with the default
// (after a line end when the file's last line lacks one).
void YRM_ReadSettingInt(int32_t defaultValue, const std::string& key);                // -> settingint
void YRM_ReadSettingString(const std::string& defaultValue, const std::string& key);  // -> settingstring
// Rewrites every line holding key= with key=value.
void YRM_WriteSetting(const std::string& file, const std::string& key, const std::string& value);
// Reads every key of the settings table into its global, reading the file
// once.
void YRM_ReadSettings();
// The integer reader: blanks, sign, "$" hex, "%" binary or decimal digits.
int32_t SettingTextToInt(const std::string& text);
