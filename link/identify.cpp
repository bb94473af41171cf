#include "link/identify.h"

#include "link/state.h"

namespace {
const std::string kMaker = "Quenlar";

bool BeginsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}
}  // namespace

std::string EepromText(int first, int length) {
  std::string text;
  for (int w = first; w < first + length; ++w) {
    int c = static_cast<int16_t>(eepromwords[w]);
    text += (c >= 33 && c <= 125) ? static_cast<char>(c) : ' ';
  }
  return text;
}

bool ProductFitsModel(const std::string& product, const std::string& model) {
  if (model == "YRM-A")   // an AP instrument is not an A
    return (BeginsWith(product, "YRM-A") && !BeginsWith(product, "YRM-AP")) ||
           (BeginsWith(product, "Quenlar YRM-A") && !BeginsWith(product, "Quenlar YRM-AP"));
  if (model == "YRM-AP") return BeginsWith(product, "YRM-AP") || BeginsWith(product, "Quenlar YRM-AP");
  if (model == "YRM-C") return BeginsWith(product, "Quenlar YRM-C");
  if (model == "YRM-D" || model == "YRM-D2") return BeginsWith(product, "Quenlar YRM-D");
  return false;
}

bool MakerFits(const std::string& maker) { return BeginsWith(maker, kMaker); }
