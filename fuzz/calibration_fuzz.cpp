// Calibration from the instrument's EEPROM: the fuzz input is the EEPROM area
// (words 128 on). The file written must be its bytes without the 0 bytes, and
// the derived values must follow the rules whatever the text says.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/check.h"
#include "fuzz/link_stubs.h"
#include "link/caldata.h"
#include "link/state.h"
#include "platform/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = [] {
    SetLinkStartValues();
    return true;
  }();
  (void)started;
  fuzzlink::eeprom.assign(reinterpret_cast<const char*>(data), size);
  usbopen = 1;
  YRM_LoadCalibration();
  usbopen = 0;

  std::string expected;
  for (size_t i = 0; i < size && i < 1792; ++i)
    if (data[i]) expected += static_cast<char>(data[i]);
  std::string written;
  Check(pf::ReadFileBytes("YRM_cal.txt", written), "the file is written");
  Check(written == expected, "the file holds the EEPROM text without its 0 bytes");

  Check(amplitudecode[0] == 0, "0 mV gives code 0");
  for (int i = 1; i < 11; ++i) Check(zerocode[i] == zerocode[0], "one zero code");
  Check(amplitudecode[11] == 65535 && amplitudecode[12] == 65535, "15 V and 20 V keep their codes");
  Check(std::isfinite(adc0gain) && std::isfinite(adc1gain), "finite gains");
  Check(std::isfinite(adc0offset) && std::isfinite(adc1offset), "finite offsets");
  Check(std::isfinite(dcbiasscale) && std::isfinite(dcbiaszero), "finite DC bias");
  return 0;
}
