// The key reader of the settings and calibration files against a plain
// line-by-line reading of the same bytes, and the integer reader on what it
// finds. Input: one byte giving the key's length, the key, then the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "platform/files.h"
#include "shell/settings.h"

namespace {
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The lookup rule read line by line: the last line holding key= (any case)
// wins, with the first occurrence removed from it.
std::string Expected(const std::string& bytes, const std::string& key) {
  std::string text = bytes;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  std::vector<std::string> lines;
  pf::SplitLines(text, lines);
  const std::string search = Lower(key + "=");
  std::string value;
  for (const std::string& line : lines) {
    size_t at = Lower(line).find(search);
    if (at != std::string::npos) value = line.substr(0, at) + line.substr(at + search.size());
  }
  return value;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t length = std::min<size_t>(data[0] % 32, size - 1);
  std::string key(reinterpret_cast<const char*>(data + 1), length);
  for (char& c : key)
    if (c == '\r' || c == '\n') c = '_';  // keys are one line
  std::string bytes(reinterpret_cast<const char*>(data + 1 + length), size - 1 - length);

  KeyText keys;
  LoadKeyText(bytes, keys);
  const std::string value = KeyValueIn(keys, key);
  Check(value == Expected(bytes, key), "value as read line by line");

  const int32_t n = SettingTextToInt(value);
  Check(SettingTextToInt(" \t" + value) == n, "leading blanks are skipped");
  Check(SettingTextToInt(value + "\r") == n, "the number ends at another character");
  return 0;
}
