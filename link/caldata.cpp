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
#include "shell/settings.h"

namespace {
// The keys of a calibration text, lower case with their "=": an area that
// holds none of them holds no calibration.
const char* const kCalKeysFound[] = {
    "calibration date=", "dac@10v=",   "dac@1v=",   "dac@0v=",  "dac@-1v=",   "dac@-10v=",   "adc0@10v=",
    "adc0@0v=",          "adc0@-10v=", "adc1@10v=", "adc1@0v=", "adc1@-10v=", "dcbias@10v=", "dcbias@-10v="};

// The integer a value begins with: optional blanks and sign, then digits,
// held within 32 bits; `digits` false when there are none.
struct LeadingInteger {
  int64_t value = 0;
  bool digits = false;
};
LeadingInteger ReadLeadingInteger(const std::string& t) {
  LeadingInteger r;
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  r.digits = i < t.size() && t[i] >= '0' && t[i] <= '9';
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i)
    r.value = std::min<int64_t>(r.value * 10 + (t[i] - '0'), std::numeric_limits<int32_t>::max());
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

// Puts no calibration in force: the codes, gains and offsets at their
// start-up values (the two highest settings keep their codes).
void ClearCalibrationInForce() {
  for (int i = 0; i <= 10; ++i) amplitudecode[i] = zerocode[i] = 0;
  adc0gain = adc1gain = 0;
  adc0offset = adc1offset = 0;
  dcbiasscale = dcbiaszero = 0;
  dcbiascalibrated = dcbiastold = false;
}

// Replaced whole: a file that cannot be written leaves the old one, and the
// operator is told.
bool WriteCalibrationFile(const std::string& file, const std::string& text) {
  if (pf::ReplaceFile(file, text)) return true;
  YRM_ShowMessage(kMsgFileCannotBeCreated);
  return false;
}
}  // namespace

bool CalNumber(const std::string& value, int64_t& out) {
  const LeadingInteger r = ReadLeadingInteger(value);
  if (!r.digits) return false;
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

std::string CalibrationWordsFault(const std::vector<uint16_t>& words) {
  const bool cleared = !words.empty() && words[0] == 0;
  const bool written =
      std::any_of(words.begin() + (words.empty() ? 0 : 1), words.end(), [](uint16_t w) { return w != 0; });
  // A store clears the first word before the rest and writes it last; no
  // text a store writes begins with two 0 bytes.
  if (cleared && written) return "a store was cut short";
  KeyText keys;
  LoadKeyText(CalibrationTextFromWords(words), keys);
  for (const char* key : kCalKeysFound)
    if (keys.lowered.find(key) != std::string::npos) return "";
  return "no calibration text";
}

CalCopy YRM_LoadCalibrationFromEeprom(const std::string& file, std::string* text) {
  if (usbopen != 1) return CalCopy::kReadFailed;
  std::vector<uint16_t> words;
  // Whatever is in force may have come from another instrument: none is, and
  // the message says so.
  if (!ReadEepromWords(words)) {
    ClearCalibrationInForce();
    YRM_ShowMessage(kMsgCalNotRead);
    return CalCopy::kReadFailed;
  }
  if (const std::string fault = CalibrationWordsFault(words); !fault.empty()) {
    ClearCalibrationInForce();
    YRM_ShowMessage(kMsgCalIncomplete, fault);
    return CalCopy::kIncomplete;
  }
  const std::string read = CalibrationTextFromWords(words);
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
  if (const std::string fault = CalibrationWordsFault(words); !fault.empty()) {
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
  // A key missing or "--" reads 0 above, but code 0 is no level of the DC
  // generator (beyond -10 V): it is used only with both codes stored.
  int64_t code = 0;
  dcbiascalibrated =
      CalNumber(KeyValueIn(keys, "DCBIAS@10V"), code) && CalNumber(KeyValueIn(keys, "DCBIAS@-10V"), code);
  dcbiastold = false;
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
