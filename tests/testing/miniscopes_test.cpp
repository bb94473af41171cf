#include "testing/miniscopes.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/image.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
constexpr int kRef = 700, kBg = 0x101010, kText = 0xEEEEEE, kGold = 0x00A5FF, kDut = 0xFF0000,
              kCross = 0x008800;
constexpr int kW = 200, kH = 160;  // box: left 25, right 175, top 25, bottom 135, centre (100, 80)

class MiniScopeTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    pf::test::ResetImages();
    drawbackgroundcolour = kBg;
    drawtextcolour = kText;
    colourscopextracegoldensig = kGold;
    colourscopextracedutsig = kDut;
    colourscopexcrosshair = kCross;
    scopexcrosshairmode = "Off";
    testplanfilename = "testplans\\my board.qvt";
    records = RecordTable(23, kPlanFields);
    for (int row = 2; row <= 23; ++row) Settings(row, "1000", "1000", "50");
  }
  static void Settings(int row, const char* mv, const char* ohms, const char* hz) {
    records.SetField(row, kFieldVoltage, mv);
    records.SetField(row, kFieldResistance, ohms);
    records.SetField(row, kFieldFrequency, hz);
  }
  // Golden (base 0) or DUT (base 288) block with count n and point 1 at (v, i).
  static void Block(int row, int base, const char* n, const char* v, const char* i) {
    records.SetField(row, base + kBlockCount, n);
    records.SetField(row, base + kBlockPairs, v);
    records.SetField(row, base + kBlockPairs + 1, i);
  }
  // A reference image with the given texts at their places, nothing else.
  struct Text {
    int x, y;
    std::string text;
  };
  static void Reference(std::initializer_list<Text> texts) {
    pf::CreateImage(kRef, kW, kH, kBg);
    pf::StartDrawing(kRef);
    for (const Text& t : texts) pf::DrawText(t.x, t.y, t.text, kText);
    pf::StopDrawing();
  }
  // Rows y0..y1-1 of the mini-scope equal the reference's.
  static bool SameRows(int y0, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = 0; x < kW; ++x)
        if (pf::Point(kImageMiniScope, x, y) != pf::Point(kRef, x, y)) return false;
    return true;
  }
  static int Width(const std::string& s) { return pf::TextWidth(s); }
  static int Count(int colour) {
    int n = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) n += pf::Point(kImageMiniScope, x, y) == colour;
    return n;
  }
};
}  // namespace

TEST_F(MiniScopeTest, HeadingsAroundThePlan) {
  const int h = pf::TextHeight("X");
  // Outside the plan: an empty picture.
  for (int index : {-2, 0, 25}) {
    YRM_DrawMiniScope(kW, kH, index, 23);
    Reference({});
    EXPECT_TRUE(SameRows(0, kH)) << index;
  }
  // Row 1: the plan's file name without its folder, centred at mid-height.
  YRM_DrawMiniScope(kW, kH, 1, 23);
  Reference({{(kW - Width("my board.qvt") + 1) / 2, kH / 2, "my board.qvt"}});
  EXPECT_TRUE(SameRows(0, kH));
  // After the last row: "END" at the top right, nothing else.
  YRM_DrawMiniScope(kW, kH, 24, 23);
  Reference({{kW - Width("END"), 0, "END"}});
  EXPECT_TRUE(SameRows(0, kH));
  // A pin: "7/23" at the top right, description (with "£" shown as ",") at the top centre.
  records.SetField(7, kFieldDescription, "U3\xC2\xA3 pin 7");
  YRM_DrawMiniScope(kW, kH, 7, 23);
  const std::string d = "U3, pin 7";
  Reference({{kW - Width("7/23"), 0, "7/23"}, {kW / 2 - (Width(d) + 1) / 2, 0, d}});
  EXPECT_TRUE(SameRows(0, h));
}

TEST_F(MiniScopeTest, SettingsLine) {
  struct Case {
    const char *mv, *ohms, *hz, *line;
  } cases[] = {
      {"400", "2000", "1000", "Vpk=400mV, Z=2kohms, f=1kHz"},
      {"2500", "999", "60", "Vpk=2V, Z=999ohms, f=60Hz"},  // thousands drop the remainder
      {"200", "", "50", "Vpk=200mV, Z=0ohms, f=50Hz"},     // empty resistance shown as stored
  };
  for (const Case& c : cases) {
    Settings(5, c.mv, c.ohms, c.hz);
    YRM_DrawMiniScope(kW, kH, 5, 23);
    const int h = pf::TextHeight(c.line);
    Reference({{kW / 2 - (Width(c.line) + 1) / 2, kH - h, c.line}});
    EXPECT_TRUE(SameRows(kH - h, kH)) << c.line;
  }
}

TEST_F(MiniScopeTest, CurvesUseTheRecordsOwnScale) {
  // 1000 mV into an empty resistance field: scaled as 10000 ohms, so full
  // scale is 1 V and 0.1 mA. Point 1 at (+1 V, +0.1 mA): the bottom right corner.
  Settings(5, "1000", "", "50");
  Block(5, kGoldenBase, "1", "1", "0.0001");
  YRM_DrawMiniScope(kW, kH, 5, 23);
  EXPECT_EQ(pf::Point(kImageMiniScope, 175, 135), kGold);
  EXPECT_EQ(Count(kGold), 1);

  // A golden count of 0 still plots the first pair: empty, so the centre.
  Block(5, kGoldenBase, "0", "", "");
  YRM_DrawMiniScope(kW, kH, 5, 23);
  EXPECT_EQ(pf::Point(kImageMiniScope, 100, 80), kGold);
  EXPECT_EQ(Count(kGold), 1);
}

TEST_F(MiniScopeTest, DutCurveOnlyOnceJudged) {
  Block(6, kGoldenBase, "1", "-1", "0");  // left edge centre
  Block(6, kDutBase, "1", "1", "0");      // right edge centre
  struct Case {
    const char* result;
    bool dut;
  } cases[] = {{"Untested", false}, {"NoTest", false}, {"Good", true}, {"Bad", true}};
  for (const Case& c : cases) {
    records.SetField(6, kFieldResult, c.result);
    YRM_DrawMiniScope(kW, kH, 6, 23);
    EXPECT_EQ(pf::Point(kImageMiniScope, 25, 80), kGold) << c.result;
    EXPECT_EQ(pf::Point(kImageMiniScope, 175, 80) == kDut, c.dut) << c.result;
  }
}

TEST_F(MiniScopeTest, CrosshairOnlyWhenOnAndOnlyForPins) {
  scopexcrosshairmode = "On";
  YRM_DrawMiniScope(kW, kH, 4, 23);
  EXPECT_EQ(pf::Point(kImageMiniScope, 30, 80), kCross);
  EXPECT_EQ(pf::Point(kImageMiniScope, 100, 30), kCross);
  YRM_DrawMiniScope(kW, kH, 24, 23);
  EXPECT_EQ(Count(kCross), 0);
  scopexcrosshairmode = "Off";
  YRM_DrawMiniScope(kW, kH, 4, 23);
  EXPECT_EQ(Count(kCross), 0);
}
