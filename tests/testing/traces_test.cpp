#include "testing/traces.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "link/state.h"
#include "platform/image.h"
#include "shell/startup.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
constexpr int kImage = 949, kBg = 0, kInk = 0x0000FF;
using Pixels = std::set<std::pair<int, int>>;

class TraceTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    pf::test::ResetImages();
    pointcount = 64;
  }
  // Draws the trace arrays on a fresh w x h image (margin 50) and returns the inked pixels.
  static Pixels Draw(int w, int h, float vscale, float iscale) {
    pf::CreateImage(kImage, w, h, kBg);
    YRM_DrawTrace(w, h, 50, kImage, kInk, vscale, iscale);
    Pixels inked;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (pf::Point(kImage, x, y) == kInk) inked.insert({x, y});
    return inked;
  }
  static void AllPoints(float v, float i) {
    tracex.fill(v);
    tracey.fill(i);
  }
};
}  // namespace

// 150 x 130, margin 50: box left 25, right 125, top 25, bottom 105, centre (75, 65);
// full scale 1 V and 1 mA. Positive currents lie below the centre.
TEST_F(TraceTest, PointsScaleToTheBoxAndAreHeldOnItsEdges) {
  struct Case {
    float v, i;
    int x, y;
  } cases[] = {
      {0, 0, 75, 65},
      {1, 0.001f, 125, 105},  // exactly full scale: on the edge
      {-1, -0.001f, 25, 25},
      {5, 0.5f, 125, 105},       // beyond full scale: moved onto the edge
      {-3e30f, -1e30f, 25, 25},  // far beyond: no overflow
      {0.5f, -0.0005f, 100, 45},
  };
  for (const Case& c : cases) {
    AllPoints(c.v, c.i);
    EXPECT_EQ(Draw(150, 130, 1.0f, 0.001f), (Pixels{{c.x, c.y}})) << c.v << " V " << c.i << " A";
  }
}

TEST_F(TraceTest, HalvesRoundAwayFromZero) {
  // 178 x 178: half-width 64, centre 89; 2^-7 V is exactly half a pixel.
  AllPoints(-0.0078125f, 0.0078125f);
  EXPECT_EQ(Draw(178, 178, 1.0f, 1.0f), (Pixels{{89, 90}}));  // 88.5 -> 89, 89.5 -> 90
}

TEST_F(TraceTest, InvertedBoxSendsEveryPointToTheRightAndBottomBounds) {
  // 40 x 30: half-width (40 - 50) / 2 = -5, so left 25 > right 15; top 25 > bottom 5.
  for (int k = 1; k <= 64; ++k) {
    tracex[k] = (k % 7 - 3) * 0.4f;
    tracey[k] = (k % 5 - 2) * 0.0004f;
  }
  EXPECT_EQ(Draw(40, 30, 1.0f, 0.001f), (Pixels{{15, 5}}));
}

TEST_F(TraceTest, CurveIsClosedFromTheLastPointBackToTheFirst) {
  pointcount = 3;
  tracex[1] = -0.5f, tracey[1] = 0;       // (50, 65)
  tracex[2] = 0.5f, tracey[2] = 0;        // (100, 65)
  tracex[3] = 0.5f, tracey[3] = 0.0005f;  // (100, 85)
  tracex[4] = 1, tracey[4] = 0.001f;      // beyond pointcount: not drawn
  const Pixels inked = Draw(150, 130, 1.0f, 0.001f);
  EXPECT_TRUE(inked.count({75, 65}));   // 1 -> 2
  EXPECT_TRUE(inked.count({100, 75}));  // 2 -> 3
  EXPECT_TRUE(inked.count({75, 75}));   // 3 -> 1, the closing line
  EXPECT_FALSE(inked.count({125, 105}));
}

TEST_F(TraceTest, ZeroScaleDrawsNothing) {
  AllPoints(0.1f, 0.0001f);
  EXPECT_TRUE(Draw(150, 130, 0.0f, 0.001f).empty());
  EXPECT_TRUE(Draw(150, 130, 1.0f, 0.0f).empty());
}
