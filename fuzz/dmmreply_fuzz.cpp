// The multimeter's reply parser on arbitrary bytes: a value is finite and
// within what ten mantissa characters and the exponents allow, a refusal
// leaves the value alone, and a well-formed reply reads as the C library
// reads the same text.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calibration/dmm.h"
#include "fuzz/check.h"

namespace {
bool Digit(char c) { return c >= '0' && c <= '9'; }

// "+1.23456789E+01": sign, digit, point, eight digits, E, sign, two digits.
bool WellFormed(const std::string& s) {
  if (s.size() < 15) return false;
  if (s[0] != '+' && s[0] != '-') return false;
  if (!Digit(s[1]) || s[2] != '.') return false;
  for (int i = 3; i < 11; ++i)
    if (!Digit(s[i])) return false;
  return s[11] == 'E' && (s[12] == '+' || s[12] == '-') && Digit(s[13]) && Digit(s[14]);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  const double untouched = 12345.678;
  double value = untouched;
  if (!ParseDmmReply(reply, value)) {
    Check(value == untouched, "a refused reply changed the value");
    return 0;
  }
  Check(std::isfinite(value) && std::fabs(value) < 1e23, "value out of range");
  if (WellFormed(reply)) {
    const double expected = std::strtod(reply.substr(0, 15).c_str(), nullptr);
    Check(std::fabs(value - expected) <= 1e-9 * std::fabs(expected) + 1e-300,
          "reads otherwise than the C library");
  }
  return 0;
}
