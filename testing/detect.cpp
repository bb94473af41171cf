#include "testing/detect.h"

#include <algorithm>

#include "link/state.h"
#include "shell/state.h"
#include "testing/state.h"

float OpenCircuitFraction(const std::string& text) {
  if (text == "0.50%") return 0.005f;
  if (text == "1.00%") return 0.01f;
  return 0.0025f;  // "0.25%" and any other text
}

float StableFraction(const std::string& text) {
  if (text == "0.50%") return 0.005f;
  if (text == "2.00%") return 0.02f;
  return 0.01f;  // "1.00%" and any other text
}

int YRM_DetectSignatureState() {
  const float vfs = voltage / 1000.0f;
  const float ifs = vfs / static_cast<float>(sourceohms);
  const int n = std::clamp(pointcount, 0, static_cast<int>(livei.size()) - 1);

  float sum = 0;
  for (int k = 1; k <= n; ++k) sum += livei[k];
  const float mean = n > 0 ? sum / static_cast<float>(n) : 0.0f;

  // Open circuit: every current within the band round the mean, ends included.
  const float openband = OpenCircuitFraction(opencircuitdetectthreshold) * ifs;
  const float low = mean - openband, high = mean + openband;
  bool open = true;
  for (int k = 1; k <= n && open; ++k) open = livei[k] >= low && livei[k] <= high;
  if (open) {
    stablecount = 0;
    return kSignatureOpen;
  }

  ++stablecount;
  const float t2 = StableFraction(stablesignaturedetectthreshold);
  const float vband = t2 * vfs, iband = t2 * ifs;
  for (int k = 1; k <= n; ++k) {
    const bool vinside = livev[k] >= prevv[k] - vband && livev[k] <= prevv[k] + vband;
    const bool iinside = livei[k] >= previ[k] - iband && livei[k] <= previ[k] + iband;
    if (!vinside || !iinside) {
      prevv = livev;
      previ = livei;
      stablecount = 0;
      return kSignatureUnstable;
    }
  }
  return kSignatureStable;
}
