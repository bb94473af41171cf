// Calibration from the instrument's EEPROM: the fuzz input is the EEPROM area
// (words 128 on). A calibration text is written into the file as its bytes
// without the 0 bytes; anything else leaves the file as it was and no
// calibration in force, with the operator told. The derived values follow
// the rules whatever the text says.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "fuzz/link_stubs.h"
#include "link/caldata.h"
#include "link/state.h"
#include "platform/files.h"
#include "shell/log.h"

namespace {
std::string lastMessage;
}
void YRM_ShowMessage(const std::string& text) { lastMessage = text; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = [] {
    SetLinkStartValues();
    return true;
  }();
  (void)started;
  fuzzlink::eeprom.assign(reinterpret_cast<const char*>(data), size);
  Check(pf::WriteFile("YRM_cal.txt", "before"), "the old file is written");
  lastMessage.clear();
  usbopen = 1;
  const CalCopy copy = YRM_LoadCalibration();
  usbopen = 0;

  std::string expected;
  std::vector<uint16_t> words(kCalWords, 0);
  for (size_t i = 0; i < size && i < 1792; ++i) {
    if (data[i]) expected += static_cast<char>(data[i]);
    words[i / 2] |= static_cast<uint16_t>(data[i] << (i % 2 ? 8 : 0));
  }
  const bool whole = CalibrationWordsFault(words).empty();
  std::string written;
  Check(pf::ReadFileBytes("YRM_cal.txt", written), "the file is there");
  Check(whole == (copy == CalCopy::kTaken), "only a whole calibration is taken");
  Check(written == (whole ? expected : "before"), "the file holds the text taken, or what it held");
  Check(whole == lastMessage.empty(), "a text not taken is reported");
  Check(whole || (amplitudecode[5] == 0 && zerocode[0] == 0 && adc0gain == 0 && dcbiasscale == 0),
        "a text not taken leaves no calibration in force");

  Check(amplitudecode[0] == 0, "0 mV gives code 0");
  for (int i = 1; i < 11; ++i) Check(zerocode[i] == zerocode[0], "one zero code");
  Check(amplitudecode[11] == 65535 && amplitudecode[12] == 65535, "15 V and 20 V keep their codes");
  Check(std::isfinite(adc0gain) && std::isfinite(adc1gain), "finite gains");
  Check(std::isfinite(adc0offset) && std::isfinite(adc1offset), "finite offsets");
  Check(std::isfinite(dcbiasscale) && std::isfinite(dcbiaszero), "finite DC bias");
  return 0;
}
