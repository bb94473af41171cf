// The update check's page body on arbitrary bytes: the version text is the
// (up to) six bytes after the last "Version: " (found here by a scan of our
// own), its number is finite, and no byte after those six changes it.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "shell/versionpage.h"

namespace {
constexpr std::string_view kMark = "Version: ";

// The text after the last mark, by trying every position from the end.
std::string Expected(std::string_view body) {
  for (size_t at = body.size() >= kMark.size() ? body.size() - kMark.size() + 1 : 0; at-- > 0;)
    if (body.substr(at, kMark.size()) == kMark) return std::string(body.substr(at + kMark.size(), 6));
  return "0.000";
}

bool Plain(const std::string& t) {
  // digits, one point, digits: read the same by the C library
  size_t points = 0, digits = 0;
  for (char c : t) {
    if (c == '.')
      ++points;
    else if (c >= '0' && c <= '9')
      ++digits;
    else
      return false;
  }
  return points <= 1 && digits > 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);
  const std::string text = LatestVersionText(body);
  Check(text == Expected(body), "not the six bytes after the last mark");
  const float v = PageVersion(body);
  Check(std::isfinite(v), "version not finite");
  // Bytes that cannot complete a mark, after the body: the same version.
  Check(PageVersion(body + std::string(8, '\x01')) == v, "bytes after the version text changed it");
  if (Plain(text)) {
    const double expected = std::strtod(text.c_str(), nullptr);
    Check(std::fabs(v - expected) <= 1e-6 * std::fabs(expected), "reads otherwise than the C library");
  }
  return 0;
}
