#include "testing/detect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "link/state.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
// Full scale 1 V and 1 mA.
class DetectTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    voltage = 1000;
    sourceohms = 1000;
    pointcount = 64;
    opencircuitdetectthreshold = "0.50%";
    stablesignaturedetectthreshold = "1.00%";
  }
  static constexpr float kIfs = 1.0f / 1000.0f;  // as the detector works it out
  // Currents +a, -a, +a ... (mean exactly 0) and a voltage ramp.
  static void Alternating(float a) {
    for (int k = 1; k <= 64; ++k) {
      livei[k] = k % 2 ? a : -a;
      livev[k] = (k - 32) * 0.03f;
    }
  }
  // A resistor-like curve, far from open circuit.
  static void Resistor(float offset) {
    for (int k = 1; k <= 64; ++k) {
      livev[k] = (k - 32) * 0.03f + offset;
      livei[k] = livev[k] * 0.001f;
    }
  }
};
}  // namespace

TEST_F(DetectTest, OpenCircuitBandEndsIncluded) {
  struct Case {
    const char* threshold;
    float fraction;
    bool justOutside;
    int expected;
  } cases[] = {
      {"0.50%", 0.005f, false, 0}, {"0.50%", 0.005f, true, 2}, {"0.25%", 0.0025f, false, 0},
      {"0.25%", 0.0025f, true, 2}, {"1.00%", 0.01f, false, 0}, {"1.00%", 0.01f, true, 2},
      {"5%", 0.0025f, false, 0},   {"5%", 0.0025f, true, 2},  // any other text: 0.25%
      {"", 0.0025f, true, 2},
  };
  for (const Case& c : cases) {
    opencircuitdetectthreshold = c.threshold;
    prevv.fill(0);
    previ.fill(0);
    stablecount = 7;
    float a = c.fraction * kIfs;  // the band's end
    if (c.justOutside) a = std::nextafter(a, 1.0f);
    Alternating(a);
    SCOPED_TRACE(std::string(c.threshold) + (c.justOutside ? " outside" : " on the end"));
    EXPECT_EQ(YRM_DetectSignatureState(), c.expected);
    EXPECT_EQ(stablecount, 0);
    // A candidate that differs from the zero reference becomes the reference.
    EXPECT_EQ(previ[1], c.expected == 2 ? a : 0.0f);
  }
}

// The reference is the signature that began the run: a slow drift stays
// stable until it leaves the band round that first signature.
TEST_F(DetectTest, RunsCountAroundTheirFirstSignature) {
  const float band = 0.01f * 1.0f;  // 1.00 % of 1 V
  struct Step {
    float offset;  // volts added to every point of the resistor curve
    bool open;
    int result, count;
  } steps[] = {
      {0, false, 2, 0},  // differs from the zero reference: the first of a run
      {0, false, 1, 1},
      {0, false, 1, 2},
      {0.6f * band, false, 1, 3},  // drift inside the band
      {0.9f * band, false, 1, 4},
      {1.2f * band, false, 2, 0},  // 0.3 band from the last, 1.2 from the first: a change
      {1.2f * band, false, 1, 1},  // the first stable result after the change
      {0, true, 0, 0},             // probe lifted
      {1.2f * band, false, 1, 1},  // the reference survived the open circuit
  };
  int n = 0;
  for (const Step& s : steps) {
    if (s.open)
      Alternating(0);
    else
      Resistor(s.offset);
    SCOPED_TRACE("step " + std::to_string(++n));
    EXPECT_EQ(YRM_DetectSignatureState(), s.result);
    EXPECT_EQ(stablecount, s.count);
  }
}

TEST_F(DetectTest, ChangeLimitsAreInclusiveForVoltageAndCurrent) {
  Resistor(0);
  prevv = livev;
  previ = livei;
  const Signature refv = livev, refi = livei;
  struct Case {
    int point;
    bool voltage;
    int sign;
    bool beyond;
    int expected;
  } cases[] = {
      {1, true, 1, false, 1},  {1, true, 1, true, 2},    {64, true, -1, false, 1},
      {64, true, -1, true, 2}, {30, false, 1, false, 1}, {30, false, -1, true, 2},
  };
  for (const Case& c : cases) {
    prevv = refv;
    previ = refi;
    livev = refv;
    livei = refi;
    float& value = c.voltage ? livev[c.point] : livei[c.point];
    const float ref = value;
    const float band = 0.01f * (c.voltage ? 1.0f : kIfs);
    value = c.sign > 0 ? ref + band : ref - band;  // on the limit
    if (c.beyond) value = std::nextafter(value, c.sign * 1e9f);
    stablecount = 4;
    SCOPED_TRACE("point " + std::to_string(c.point) + (c.voltage ? " V" : " I") +
                 (c.beyond ? " beyond" : " on the limit"));
    EXPECT_EQ(YRM_DetectSignatureState(), c.expected);
    EXPECT_EQ(stablecount, c.expected == 1 ? 5 : 0);
    EXPECT_EQ(c.voltage ? prevv[c.point] : previ[c.point], c.expected == 1 ? ref : value);
  }
}

TEST_F(DetectTest, OpenCircuitIgnoresVoltages) {
  Alternating(0);
  for (int k = 1; k <= 64; ++k) livev[k] = k % 2 ? 9.0f : -9.0f;
  previ.fill(1.0f);
  EXPECT_EQ(YRM_DetectSignatureState(), 0);
  EXPECT_EQ(previ[5], 1.0f);  // an open circuit leaves the reference alone
}
