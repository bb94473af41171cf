#include "link/caldata.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "link/d2xx.h"
#include "link/state.h"
#include "platform/files.h"
#include "shell/messages.h"
#include "shell/settings.h"
#include "shell/state.h"

namespace {
constexpr int kCalWords = kCalLastWord - kCalFirstWord + 1;  // 896

// A decimal integer; a missing key or no number ("--") reads 0.
int64_t CalValue(const KeyText& keys, const std::string& key) {
  const std::string t = KeyValueIn(keys, key);
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  int64_t v = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    v = v * 10 + (t[i] - '0');
    if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
  }
  return negative ? -v : v;
}

int32_t RoundedCode(double x) {
  double r = std::nearbyint(x);  // a half to the even neighbour
  if (r > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (r < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

// The calibration text held in EEPROM words 128 to 1023, 0 bytes skipped.
bool ReadEepromText(std::string& text) {
  text.clear();
  std::lock_guard<std::mutex> g(linklock);
  if (usbopen != 1) return false;
  for (int w = kCalFirstWord; w <= kCalLastWord; ++w) {
    eeword = 0;
    d2xx::ReadEE(fthandle, static_cast<uint32_t>(w), &eeword);
    char lo = static_cast<char>(eeword & 0xFF), hi = static_cast<char>(eeword >> 8);
    if (lo) text += lo;
    if (hi) text += hi;
  }
  return true;
}

// Replaced whole: a file that cannot be written leaves the old one, and the
// operator is told.
void WriteCalibrationFile(const std::string& file, const std::string& text) {
  if (!pf::ReplaceFile(file, text)) YRM_ShowMessage(kMsgFileCannotBeCreated);
}
}  // namespace

void YRM_LoadCalibrationFromEeprom(const std::string& file) {
  if (usbopen != 1) return;
  std::string text;
  if (ReadEepromText(text)) WriteCalibrationFile(file, text);
}

void YRM_SaveCalibrationToEeprom(const std::string& file) {
  if (usbopen != 1) return;
  std::string text;
  if (!pf::ReadFileBytes(file, text)) return;
  text.resize(2 * kCalWords, '\0');  // the rest of the area is 0; a longer text is cut
  std::lock_guard<std::mutex> g(linklock);
  if (usbopen != 1) return;
  for (int k = 0; k < kCalWords; ++k) {
    uint16_t word =
        static_cast<uint16_t>(static_cast<uint8_t>(text[2 * k]) | static_cast<uint8_t>(text[2 * k + 1]) << 8);
    d2xx::WriteEE(fthandle, static_cast<uint32_t>(kCalFirstWord + k), word);
  }
}

int64_t CalValue(const std::string& key) {
  std::string text;
  pf::ReadFileBytes(kCalFile, text);
  KeyText keys;
  LoadKeyText(text, keys);
  return CalValue(keys, key);
}

void DeriveCalibration() {
  std::string text;
  pf::ReadFileBytes(kCalFile, text);
  DeriveCalibrationFromText(text);
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
void YRM_LoadCalibration() {
  if (usbopen != 1) return;
  std::string text;
  if (!ReadEepromText(text)) return;
  WriteCalibrationFile(kCalFile, text);
  DeriveCalibrationFromText(text);
}
