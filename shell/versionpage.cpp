#include "shell/versionpage.h"

#include "testing/records.h"

namespace {
constexpr std::string_view kVersionMark = "Version: ";
constexpr size_t kVersionLength = 6;
}  // namespace

std::string LatestVersionText(std::string_view body) {
  const size_t at = body.rfind(kVersionMark);  // the scan to the end: the last one counts
  if (at == std::string_view::npos) return "0.000";
  return std::string(body.substr(at + kVersionMark.size(), kVersionLength));
}

float PageVersion(std::string_view body) { return DecimalValue(LatestVersionText(body)); }
