#include "testing/compare.h"

#include <gtest/gtest.h>

#include <cmath>

#include "testing/records.h"
#include "testing/state.h"

namespace {
constexpr float kSmallest = 0.000152587890625f;

// A record at row 2 whose golden block is a resistor's line at 1000 mV and
// 1000 ohms, sampled around one period; the live curve starts equal to it.
class CompareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTestingStartValues();
    records = RecordTable(2, kPlanFields);
    currentrecord = 2;
    for (int k = 1; k <= n; ++k) {
      const float volts = std::sin(2.0f * 3.14159265f * (k - 1) / n);
      v[k] = volts;
      i[k] = volts / 1000.0f;
    }
    WriteSignatureBlock(2, kGoldenBase, 1000, 1000, 50, v, i, n);
    tracex = v;
    tracey = i;
  }
  const int n = 64;
  Signature v{}, i{};
};
}  // namespace

TEST_F(CompareTest, IdenticalCurvesGiveTheSmallestResult) {
  YRM_GoldenVsLiveDifference();
  EXPECT_EQ(goldenlivediff, kSmallest);
  EXPECT_FLOAT_EQ(goldennormv[17], 100.0f);  // the peak is full scale
  EXPECT_FLOAT_EQ(goldennormi[17], 100.0f);
}

TEST_F(CompareTest, FarCurveGivesTheLargestResult) {
  for (int k = 1; k <= n; ++k) tracey[k] = i[k] + 0.5f / 1000.0f;  // 50 % of full scale away
  YRM_GoldenVsLiveDifference();
  EXPECT_EQ(goldenlivediff, kLargestDifference);
}

TEST_F(CompareTest, OffsetCurveGivesItsDistanceAndScaleFollowsTheRecord) {
  for (int k = 1; k <= n; ++k) tracey[k] = i[k] + 0.05f / 1000.0f;  // 5 % of full scale off
  YRM_GoldenVsLiveDifference();
  // Between the distance across the 45-degree line and the vertical offset,
  // which is what is left near the line's turning ends.
  EXPECT_GT(goldenlivediff, 5.0f / std::sqrt(2.0f));
  EXPECT_LE(goldenlivediff, 5.0f);
  const float at1000 = goldenlivediff;
  records.SetFieldInt(2, kGoldenBase + kBlockVoltage, 2000);  // twice the full scale
  YRM_GoldenVsLiveDifference();
  EXPECT_LT(goldenlivediff, at1000 * 0.75f);
}

TEST_F(CompareTest, EmptyBlockFitsAndUnusableScaleJudgesBad) {
  records.SetField(2, kGoldenBase + kBlockCount, "");
  YRM_GoldenVsLiveDifference();
  EXPECT_EQ(goldenlivediff, kSmallest);

  SetUp();
  records.SetField(2, kGoldenBase + kBlockVoltage, "x");
  YRM_GoldenVsLiveDifference();
  EXPECT_EQ(goldenlivediff, kLargestDifference);
}

TEST_F(CompareTest, ZeroResistanceIsScaledAsTenKilohms) {
  records.SetFieldInt(2, kGoldenBase + kBlockResistance, 0);
  YRM_GoldenVsLiveDifference();
  EXPECT_FLOAT_EQ(goldennormi[17], 1000.0f);  // 1 mA against a full scale of 0.1 mA
}

TEST(PointNearSegment, Cases) {
  struct Case {
    float ax, ay, bx, by, tol, px, py;
    int fits;
    const char* what;
  };
  const Case cases[] = {
      {0, 0, 10, 0, 1, 5, 0.5f, 1, "over the middle, within"},
      {0, 0, 10, 0, 1, 5, 2, -1, "over the middle, too far"},
      {0, 0, 10, 0, 1, 10.5f, 0, 1, "near the end B"},
      {0, 0, 10, 0, 1, 12, 0.1f, -1, "beyond B, close to the line"},
      {0, 0, 10, 0, 1, -2, 0.1f, -1, "beyond A, close to the line"},
      {3, 3, 3, 3, 1, 3.5f, 3, 1, "zero-length segment, within the point's tolerance"},
      {3, 3, 3, 3, 1, 5, 3, -1, "zero-length segment, outside"},
      {0, 0, 10, 0, 1, 0, 0, 1, "on A"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(YRM_PointNearSegment(c.ax, c.ay, c.bx, c.by, c.tol, c.px, c.py), c.fits) << c.what;
}
