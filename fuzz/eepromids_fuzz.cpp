// The EEPROM identification texts: any words give texts of the set length
// made of printable characters and blanks, and at most one of the models A
// and AP.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/check.h"
#include "link/identify.h"
#include "link/state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  eepromwords.assign(65536, 0);
  for (size_t i = 0; i + 1 < size && i / 2 < 129; i += 2)
    eepromwords[i / 2] = static_cast<uint16_t>(data[i] | data[i + 1] << 8);
  for (int first : {81, 95}) {
    const int length = first == 81 ? 14 : 25;
    const std::string text = EepromText(first, length);
    Check(text.size() == size_t(length), "text of the set length");
    for (char c : text) Check(c == ' ' || (c >= 33 && c <= 125), "printable or blank");
    for (int w = first; w < first + length; ++w)
      Check(text[w - first] == ' ' || text[w - first] == int16_t(eepromwords[w]), "one character per word");
  }
  const std::string product = EepromText(95, 25);
  Check(!(ProductFitsModel(product, "YRM-A") && ProductFitsModel(product, "YRM-AP")), "A and AP exclusive");
  Check(ProductFitsModel(product, "YRM-D") == ProductFitsModel(product, "YRM-D2"), "D and D2 alike");
  Check(!ProductFitsModel(product, "other"), "no other model");
  (void)MakerFits(EepromText(81, 14));
  return 0;
}
