// The meter's fixed-width reply: sign, ten mantissa characters, exponent.
#include <cmath>
#include <string>

#include "calibration/dmm.h"

namespace {
constexpr int kReplyChars = 15;  // sign, 10 mantissa characters, exponent

// The decimal number of a mantissa text: digits with at most one point;
// a text holding no number counts 0.
double Mantissa(const std::string& text) {
  double value = 0, scale = 0;
  for (char c : text) {
    if (c == '.' && scale == 0) {
      scale = 1;
    } else if (c >= '0' && c <= '9') {
      if (scale == 0) {
        value = value * 10 + (c - '0');
      } else {
        scale /= 10;
        value += (c - '0') * scale;
      }
    } else {
      break;
    }
  }
  return value;
}
}  // namespace

bool ParseDmmReply(const std::string& reply, double& value) {
  const std::string text = reply.substr(0, kReplyChars);
  const double sign = !text.empty() && text[0] == '+' ? 1 : -1;
  const double mantissa = Mantissa(text.size() > 1 ? text.substr(1, 10) : "");
  const std::string exponent = text.size() > 11 ? text.substr(11, 4) : "";
  if (exponent.size() != 4 || exponent[0] != 'E' || (exponent[1] != '+' && exponent[1] != '-') ||
      exponent[2] < '0' || exponent[2] > '9' || exponent[3] < '0' || exponent[3] > '9')
    return false;
  const int n = (exponent[2] - '0') * 10 + (exponent[3] - '0');
  if (exponent[1] == '+' && n <= 12) {
    value = mantissa * sign * std::pow(10.0, n);
    return true;
  }
  if (exponent[1] == '-' && n >= 1 && n <= 15) {
    value = mantissa * sign / std::pow(10.0, n);
    return true;
  }
  return false;
}
