#include "link/caldata.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "link/d2xx.h"
#include "link/state.h"
#include "platform/files.h"
#include "shell/messages.h"
#include "shell/models.h"
#include "shell/settings.h"
#include "shell/state.h"

namespace {
// Keys whose value must be an integer, and those that may also be "--" (an
// ADC point not calibrated), in the order of the text.
const char* const kDacKeys[] = {"DAC@10V", "DAC@1V", "DAC@0V", "DAC@-1V", "DAC@-10V"};
const char* const kAdcKeys[] = {"ADC0@10V", "ADC0@0V", "ADC0@-10V", "ADC1@10V", "ADC1@0V", "ADC1@-10V"};
const char* const kDcBiasKeys[] = {"DCBIAS@10V", "DCBIAS@-10V"};

// The integer a value begins with: optional blanks and sign, then digits,
// held within 32 bits (`overflow` when they went past); `end` is where the
// digits stop, `digits` false when there are none.
struct LeadingInteger {
  int64_t value = 0;
  size_t end = 0;
  bool digits = false, overflow = false;
};
LeadingInteger ReadLeadingInteger(const std::string& t) {
  LeadingInteger r;
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  r.digits = i < t.size() && t[i] >= '0' && t[i] <= '9';
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    r.value = r.value * 10 + (t[i] - '0');
    if (r.value > std::numeric_limits<int32_t>::max()) {
      r.value = std::numeric_limits<int32_t>::max();
      r.overflow = true;
    }
  }
  r.end = i;
  if (negative) r.value = -r.value;
  return r;
}

// A decimal integer; a missing key or no number ("--") reads 0.
int64_t CalValue(const KeyText& keys, const std::string& key) {
  return ReadLeadingInteger(KeyValueIn(keys, key)).value;
}

int32_t RoundedCode(double x) {
  double r = std::nearbyint(x);  // a half to the even neighbour
  if (r > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (r < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

// The EEPROM area, read whole: false when any read failed (the device
// refused, the cable was pulled) or the device is not open.
bool ReadEepromWords(std::vector<uint16_t>& words) {
  words.assign(kCalWords, 0);
  std::lock_guard<std::mutex> g(linklock);
  if (usbopen != 1) return false;
  for (int k = 0; k < kCalWords; ++k) {
    eeword = 0;
    if (d2xx::ReadEE(fthandle, static_cast<uint32_t>(kCalFirstWord + k), &eeword) != 0) return false;
    words[static_cast<size_t>(k)] = eeword;
  }
  return true;
}

// Replaced whole: a file that cannot be written leaves the old one, and the
// operator is told.
bool WriteCalibrationFile(const std::string& file, const std::string& text) {
  if (pf::ReplaceFile(file, text)) return true;
  YRM_ShowMessage(kMsgFileCannotBeCreated);
  return false;
}
}  // namespace

bool CalInteger(const std::string& value, int64_t& out) {
  const LeadingInteger r = ReadLeadingInteger(value);
  if (!r.digits || r.overflow || r.end != value.size()) return false;
  out = r.value;
  return true;
}

std::string CalibrationTextFromWords(const std::vector<uint16_t>& words) {
  std::string text;
  for (uint16_t w : words) {
    const char lo = static_cast<char>(w & 0xFF), hi = static_cast<char>(w >> 8);
    if (lo) text += lo;
    if (hi) text += hi;
  }
  return text;
}

std::vector<uint16_t> CalibrationWords(const std::string& text) {
  std::vector<uint16_t> words(kCalWords, 0);
  const size_t n = std::min(text.size(), 2 * words.size());  // a longer text is cut
  for (size_t b = 0; b < n; ++b) {
    const auto byte = static_cast<uint16_t>(static_cast<uint8_t>(text[b]));
    words[b / 2] |= b % 2 ? static_cast<uint16_t>(byte << 8) : byte;
  }
  return words;
}

std::string CalibrationTextFault(const std::string& text, bool dcBias) {
  if (text.empty()) return "no calibration text";
  // A store writes the first word last: a text cut short has lost its start.
  if (text.compare(0, std::string(kCalTextStart).size(), kCalTextStart) != 0)
    return "its start is damaged, a store may have been cut short";
  KeyText keys;
  LoadKeyText(text, keys);
  int64_t v = 0;
  auto number = [&](const char* key) { return CalInteger(KeyValueIn(keys, key), v); };
  for (const char* key : kDacKeys)
    if (!number(key)) return std::string(key) + " missing or not a number";
  for (const char* key : kAdcKeys)
    if (!number(key) && KeyValueIn(keys, key) != "--") return std::string(key) + " missing or not a number";
  if (dcBias)
    for (const char* key : kDcBiasKeys)
      if (!number(key)) return std::string(key) + " missing or not a number";
  return "";
}

CalCopy YRM_LoadCalibrationFromEeprom(const std::string& file, std::string* text) {
  if (usbopen != 1) return CalCopy::kReadFailed;
  std::vector<uint16_t> words;
  if (!ReadEepromWords(words)) {
    YRM_ShowMessage(kMsgCalNotRead);
    return CalCopy::kReadFailed;
  }
  const std::string read = CalibrationTextFromWords(words);
  const std::string fault = CalibrationTextFault(read, ActiveModel().dcGenerator);
  if (!fault.empty()) {
    YRM_ShowMessage(kMsgCalIncomplete, fault);
    return CalCopy::kIncomplete;
  }
  if (text) *text = read;
  return WriteCalibrationFile(file, read) ? CalCopy::kTaken : CalCopy::kTakenNoFile;
}

bool YRM_SaveCalibrationToEeprom(const std::string& file) {
  if (usbopen != 1) return false;
  // What the EEPROM will hold is what the file holds now, read back: never a
  // folder taken for an empty file, never a text the next connection refuses.
  std::string bytes;
  if (!pf::ReadFileStart(file, bytes, 2 * kCalWords)) {
    YRM_ShowMessage(kMsgCalFileNotReadBack, file);
    return false;
  }
  const std::vector<uint16_t> words = CalibrationWords(bytes);
  const std::string fault = CalibrationTextFault(CalibrationTextFromWords(words), ActiveModel().dcGenerator);
  if (!fault.empty()) {
    YRM_ShowMessage(kMsgCalFileIncomplete, {file, fault});
    return false;
  }
  // The first word cleared first and written last: until the last write the
  // text lacks its start, so a store cut short at any word is refused.
  int failedAt = -1;
  bool changed = false;
  {
    std::lock_guard<std::mutex> g(linklock);
    if (usbopen != 1) failedAt = kCalFirstWord;  // closed meanwhile: nothing written
    auto write = [&](int k, uint16_t word) {
      if (failedAt >= 0) return;
      if (d2xx::WriteEE(fthandle, static_cast<uint32_t>(kCalFirstWord + k), word) != 0)
        failedAt = kCalFirstWord + k;
      else
        changed = true;
    };
    write(0, 0);
    for (int k = 1; k < kCalWords; ++k) write(k, words[static_cast<size_t>(k)]);
    write(0, words[0]);
  }
  if (failedAt < 0) return true;
  if (!changed)
    YRM_ShowMessage(kMsgCalStoreFailed, std::to_string(failedAt));
  else
    YRM_ShowMessage(kMsgCalStoreTorn, std::to_string(failedAt));
  return false;
}

void DeriveCalibration() {
  std::string text;
  pf::ReadFileBytes(kCalFile, text);
  DeriveCalibrationFromText(text);
}

int64_t CalValueIn(const std::string& text, const std::string& key) {
  KeyText keys;
  LoadKeyText(text, keys);
  return CalValue(keys, key);
}

void DeriveCalibrationFromText(const std::string& text) {
  KeyText keys;
  LoadKeyText(text, keys);
  int64_t dac10 = CalValue(keys, "DAC@10V"), dac1 = CalValue(keys, "DAC@1V"), dac0 = CalValue(keys, "DAC@0V");
  int64_t dacm1 = CalValue(keys, "DAC@-1V"), dacm10 = CalValue(keys, "DAC@-10V");
  int64_t a010 = CalValue(keys, "ADC0@10V"), a0m10 = CalValue(keys, "ADC0@-10V");
  int64_t a110 = CalValue(keys, "ADC1@10V"), a1m10 = CalValue(keys, "ADC1@-10V");
  int64_t dc10 = CalValue(keys, "DCBIAS@10V"), dcm10 = CalValue(keys, "DCBIAS@-10V");

  // Amplitude codes of 0 .. 10000 mV; 15000 and 20000 keep theirs.
  const double lowSpan = static_cast<double>(dac1 - dacm1);
  const double highSpan = static_cast<double>(dac10 - dacm10);
  for (int i = 0; i <= 10; ++i) {
    int mv = kCalVoltages[i];
    amplitudecode[i] =
        mv <= 1000 ? RoundedCode(lowSpan * (mv / 1000.0)) : RoundedCode(highSpan * (mv / 10000.0));
    zerocode[i] = RoundedCode(static_cast<double>(dac0));
  }

  // Equal points (or none) cannot calibrate: gain and offset stay together
  // as the last calibration left them.
  if (a010 != a0m10) {
    adc0gain = 20.0f / static_cast<float>(a010 - a0m10);
    adc0offset = -10.0f / adc0gain - static_cast<float>(a0m10);
  }
  if (a110 != a1m10) {
    adc1gain = 20.0f / static_cast<float>(a110 - a1m10);
    adc1offset = -10.0f / adc1gain - static_cast<float>(a1m10);
  }

  dcbiasscale = static_cast<float>(dc10 - dcm10) / 20.0f;
  dcbiaszero = static_cast<float>(dc10 - dcm10) / 2.0f + static_cast<float>(dcm10);
}

// The values in force come from the text just read from the instrument, not
// from the file: a folder that cannot take the file (read-only, full) must not
// leave zero codes or another instrument's calibration in force.
CalCopy YRM_LoadCalibration() {
  if (usbopen != 1) return CalCopy::kReadFailed;
  std::string text;
  const CalCopy copy = YRM_LoadCalibrationFromEeprom(kCalFile, &text);
  if (copy == CalCopy::kTaken || copy == CalCopy::kTakenNoFile) DeriveCalibrationFromText(text);
  return copy;
}
