// The calibration text as assembled from EEPROM words, and stores of it cut
// short. The input: two bytes of a cut (FT_WriteEE calls that work, 0 to
// 898), a byte whose lowest bit picks a model with the DC generator, then
// the EEPROM area as it was (words 128 on, low byte first; any length).
// A text is judged whole only when the derived values read what was
// checked; a store leaves the whole new text, the old area untouched, or
// (cut in between) a text that is refused.
#include <cstdint>
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
const char* const kIntegerKeys[] = {"DAC@10V", "DAC@1V", "DAC@0V", "DAC@-1V", "DAC@-10V"};
const char* const kAdcKeys[] = {"ADC0@10V", "ADC0@0V", "ADC0@-10V", "ADC1@10V", "ADC1@0V", "ADC1@-10V"};
const char* const kBiasKeys[] = {"DCBIAS@10V", "DCBIAS@-10V"};

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

  // A whole text: derivation reads exactly what the check accepted.
  const bool whole = CalibrationTextFault(text, dcBias).empty();
  if (whole) {
    Check(text.rfind(kCalTextStart, 0) == 0, "a whole text begins as a stored one");
    KeyText keys;
    LoadKeyText(text, keys);
    int64_t v = 0;
    for (const char* key : kIntegerKeys) {
      Check(CalInteger(KeyValueIn(keys, key), v), "every DAC key holds an integer");
      Check(CalValueIn(text, key) == v, "the derivation reads the checked DAC value");
    }
    for (const char* key : kAdcKeys) {
      const std::string value = KeyValueIn(keys, key);
      Check(value == "--" || (CalInteger(value, v) && CalValueIn(text, key) == v), "ADC keys: integer or --");
    }
    if (dcBias)
      for (const char* key : kBiasKeys)
        Check(CalInteger(KeyValueIn(keys, key), v), "DC-bias keys hold integers");
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
    // Refused, unless only the first word was cleared and what follows it
    // was already a whole text: old content, nothing of the new.
    std::vector<uint16_t> cleared = oldWords;
    cleared[0] = 0;
    Check(!CalibrationTextFault(after, dcBias).empty() ||
              (cut == 1 && after == CalibrationTextFromWords(cleared)),
          "a store cut short is never taken");
  }
  return 0;
}
