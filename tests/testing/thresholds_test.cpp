#include "testing/thresholds.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "shell/state.h"
#include "testing/state.h"

// The start value of each threshold is the one option the Test menu labels
// "(default)", so the two cannot drift apart.
TEST(ThresholdDefaultsTest, StartValueIsTheOptionLabelledDefault) {
  SetShellStartValues();
  struct Case {
    std::span<const ThresholdOption> options;
    const std::string& start;
  };
  const Case cases[] = {{kOpenCircuitOptions, opencircuitdetectthreshold},
                        {kStableThresholdOptions, stablesignaturedetectthreshold},
                        {kStableDelayOptions, stablesignaturedelay},
                        {kGoldenVsLiveOptions, goldenvslivethreshold}};
  for (const Case& c : cases) {
    int labelled = 0;
    for (const ThresholdOption& o : c.options) {
      if (std::string(o.label).find("(default)") == std::string::npos) continue;
      ++labelled;
      EXPECT_EQ(c.start, o.value);
    }
    EXPECT_EQ(labelled, 1) << c.start;
  }
}
