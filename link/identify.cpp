#include "link/identify.h"

#include "link/state.h"
#include "shell/models.h"

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

// The product belongs to the models whose product beginning is the longest
// that fits it, so an AP instrument is not an A.
bool ProductFitsModel(const std::string& product, const std::string& model) {
  size_t longest = 0;
  bool fits = false;
  for (const InstrumentModel& m : InstrumentModels())
    for (const char* start : m.products) {
      const std::string s = start;
      if (!BeginsWith(product, s) || s.size() < longest) continue;
      if (s.size() > longest) fits = false;
      longest = s.size();
      fits = fits || model == m.name;
    }
  return fits;
}

bool MakerFits(const std::string& maker) { return BeginsWith(maker, kMaker); }
