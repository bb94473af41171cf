#include "testing/detect.h"

#include <algorithm>

#include "link/state.h"
#include "shell/state.h"
#include "testing/state.h"
#include "testing/thresholds.h"

float OpenCircuitFraction(const std::string& text) {
  const ThresholdOption* o = FindThresholdOption(kOpenCircuitOptions, text);
  return o ? o->amount : kOpenCircuitOptions[0].amount;  // "0.25%" for any other text
}

float StableFraction(const std::string& text) {
  const ThresholdOption* o = FindThresholdOption(kStableThresholdOptions, text);
  return o ? o->amount : kStableThresholdOptions[1].amount;  // "1.00%" for any other text
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
