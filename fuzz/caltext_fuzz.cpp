// The calibration text as assembled from EEPROM words, and stores of it cut
// short. The input: two bytes of a cut (FT_WriteEE calls that work, 0 to
// 898), a byte whose lowest bit picks a model with the DC generator, then
// the EEPROM area as it was (words 128 on, low byte first; any length).
// A text taken is read key by key as the derivation reads it; a store
// leaves the whole new text, the old area untouched, or (cut in between) an
// area that is refused.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "fuzz/link_stubs.h"
#include "link/caldata.h"
#include "link/state.h"
#include "platform/files.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "shell/state.h"

void YRM_ShowMessage(const std::string&) {}

namespace {
const char* const kKeys[] = {"DAC@10V",   "DAC@1V",     "DAC@0V",     "DAC@-1V",  "DAC@-10V",
                             "ADC0@10V",  "ADC0@0V",    "ADC0@-10V",  "ADC1@10V", "ADC1@0V",
                             "ADC1@-10V", "DCBIAS@10V", "DCBIAS@-10V"};

// A stored text, stored when the input is none.
std::string Factory(bool dcBias) {
  std::string t =
      "Calibration date=05/Jun/2025@14:03:59\r\nDAC@10V=28945\r\nDAC@1V=29550\r\nDAC@0V=1110\r\n"
      "DAC@-1V=-27575\r\nDAC@-10V=-27015\r\nADC0@10V=32012\r\nADC0@0V=12\r\nADC0@-10V=-31988\r\n"
      "ADC1@10V=31978\r\nADC1@0V=-9\r\nADC1@-10V=-31996\r\n50ohm=50\r\n100ohm=100\r\n200ohm=200\r\n"
      "500ohm=500\r\n1Kohm=1000\r\n2Kohm=2000\r\n5Kohm=5000\r\n10Kohm=10000\r\n";
  if (dcBias) t += "DCBIAS@10V=29198\r\nDCBIAS@-10V=3367\r\n";
  return t;
}

// A value's number read another way: blanks, an optional sign, then what
// strtoll takes of the digits, held within 32 bits; 0 when no digit follows.
int64_t Number(const std::string& value) {
  size_t i = value.find_first_not_of(" \t");
  if (i == std::string::npos) return 0;
  bool negative = false;
  if (value[i] == '+' || value[i] == '-') negative = value[i++] == '-';
  if (i == value.size() || value[i] < '0' || value[i] > '9') return 0;
  errno = 0;
  const long long v = std::strtoll(value.c_str() + i, nullptr, 10);
  const int64_t most = std::numeric_limits<int32_t>::max();
  const int64_t held = errno == ERANGE ? most : std::min<int64_t>(v, most);
  return negative ? -held : held;
}

std::vector<uint16_t> Words(const std::string& bytes) {
  std::vector<uint16_t> w(kCalWords, 0);
  for (size_t b = 0; b < bytes.size() && b < 2 * w.size(); ++b)
    w[b / 2] |= static_cast<uint16_t>(static_cast<uint8_t>(bytes[b]) << (b % 2 ? 8 : 0));
  return w;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static bool started = [] {
    SetLinkStartValues();
    SetShellStartValues();
    return true;
  }();
  (void)started;
  const long cut = (data[0] | data[1] << 8) % 899;
  const bool dcBias = data[2] & 1;
  activeinstrument = dcBias ? "YRM-C" : "YRM-A";
  const std::string old(reinterpret_cast<const char*>(data) + 3, size - 3);

  // Assembly: the bytes of the area without its 0 bytes.
  const std::vector<uint16_t> oldWords = Words(old);
  const std::string text = CalibrationTextFromWords(oldWords);
  std::string expected;
  for (size_t i = 0; i < old.size() && i < 2 * kCalWords; ++i)
    if (old[i]) expected += old[i];
  Check(text == expected, "the text is the area's bytes without the 0 bytes");
  Check(CalibrationTextFromWords(CalibrationWords(text)) == text, "a text round-trips through the words");

  // A text taken: every key reads its number, a missing key or no number 0.
  const bool whole = CalibrationWordsFault(oldWords).empty();
  if (whole) {
    Check(oldWords[0] != 0, "a text taken does not begin as a cut store");
    KeyText keys;
    LoadKeyText(text, keys);
    for (const char* key : kKeys)
      Check(CalValueIn(text, key) == Number(KeyValueIn(keys, key)),
            "the derivation reads the key's number, or 0");
  }

  // A store over that area, cut after `cut` writes.
  const std::string stored = whole ? text : Factory(dcBias);
  Check(pf::WriteFile("YRM_cal.txt", stored), "the file to store is written");
  fuzzlink::eeprom = old;
  fuzzlink::writesLeft = cut;
  usbopen = 1;
  const bool ok = YRM_SaveCalibrationToEeprom("YRM_cal.txt");
  usbopen = 0;
  fuzzlink::writesLeft = -1;
  const std::string after = CalibrationTextFromWords(Words(fuzzlink::eeprom));
  if (cut >= kCalWords + 1) {
    Check(ok && after == stored, "a store that is not cut leaves the new text");
  } else if (cut == 0) {
    Check(!ok && after == text, "a store refused at its first write changes nothing");
  } else {
    Check(!ok, "a store cut short reports it");
    Check(!CalibrationWordsFault(Words(fuzzlink::eeprom)).empty(), "a store cut short is never taken");
  }
  return 0;
}
