#include "testing/scope.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/image.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
constexpr int kBg = 0x000000, kOutline = 0x00AA00, kGrat = 0x003300, kCross = 0x0000CC, kText = 0xFFFFFF;

// A 150 x 130 scope: box left 25, right 125, top 25, bottom 105, centre (75, 65).
class ScopeTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    pf::test::ResetImages();
    scope1width = 150;
    scope1height = 130;
    scopemargin = 50;
    drawbackgroundcolour = kBg;
    drawoutlinecolour = kOutline;
    drawgraticulecolour = kGrat;
    drawcrosshaircolour = kCross;
    drawtextcolour = drawlefttextcolour = drawrighttextcolour = kText;
    for (std::string* s :
         {&scopelabel1, &scopelabel2, &scopelabel3, &scopelabel4, &scopelabel5, &scopelabel6, &scopelabel7,
          &scopelabel8, &scopelabel9, &scopelabel10, &scopelabel11, &scopelabel12})
      s->clear();
  }
  static int At(int x, int y) { return pf::Point(kImageScopeBackground, x, y); }
};
}  // namespace

TEST_F(ScopeTest, PlotBoxTruncatesTowardZero) {
  const PlotBox b = ScopePlotBox(151, 131, 50);  // (101 / 2, 81 / 2) = (50, 40)
  EXPECT_EQ(b.cx, 75);
  EXPECT_EQ(b.cy, 65);
  EXPECT_EQ(b.left, 25);
  EXPECT_EQ(b.right, 125);
  EXPECT_EQ(b.top, 25);
  EXPECT_EQ(b.bottom, 105);
  const PlotBox small = ScopePlotBox(41, 40, 50);  // (-9 / 2) = -4, not -5
  EXPECT_EQ(small.left, 24);
  EXPECT_EQ(small.right, 16);
}

TEST_F(ScopeTest, GraticuleDotsOfKnownBox) {
  graticulemode = "On";
  crosshairmode = "Off";
  YRM_DrawScopeBackground();
  ASSERT_EQ(pf::ImageWidth(kImageScopeBackground), 150);
  // Row 1 above the centre: step (65 - 25) / 5 = 8, so y = 57. Dots of two
  // pixels every 5, starting 2 from the centre, never reaching the box edge.
  for (int x : {77, 78, 82, 83, 122, 123, 73, 72, 28, 27}) EXPECT_EQ(At(x, 57), kGrat) << x;
  for (int x : {76, 79, 80, 81, 124, 74, 71, 26}) EXPECT_EQ(At(x, 57), kBg) << x;
  EXPECT_EQ(At(125, 57), kOutline);
  EXPECT_EQ(At(25, 57), kOutline);
  // Nine rows: the outermost at 65 - 32 and 65 + 32; nothing between rows.
  EXPECT_EQ(At(77, 33), kGrat);
  EXPECT_EQ(At(77, 97), kGrat);
  EXPECT_EQ(At(77, 61), kBg);
  // Columns: step (75 - 25) / 5 = 10; dots upwards from y = 63 and downwards from 67.
  for (int y : {63, 62, 58, 57, 67, 68, 103, 102}) EXPECT_EQ(At(85, y), kGrat) << y;
  for (int y : {64, 61, 66, 69, 104}) EXPECT_EQ(At(85, y), kBg) << y;
  EXPECT_EQ(At(35, 63), kGrat);
  EXPECT_EQ(At(115, 63), kGrat);
  EXPECT_EQ(At(30, 63), kBg);
}

TEST_F(ScopeTest, DivisionCounts) {
  graticulemode = "On";
  crosshairmode = "Off";
  struct Case {
    int rows, columns;
    bool centreRow, otherRow, centreColumn, otherColumn;
  } cases[] = {
      {5, 5, true, true, true, true},
      {1, 5, true, false, true, true},  // the centre row only
      {0, 5, false, false, true, true},
      {5, 1, true, true, false, false},  // no columns, not even the centre one
      {-3, 2, false, false, true, true},
  };
  for (const Case& c : cases) {
    drawverticaldivisions = c.rows;
    drawhorizontaldivisions = c.columns;
    YRM_DrawScopeBackground();
    SCOPED_TRACE(std::to_string(c.rows) + "/" + std::to_string(c.columns));
    EXPECT_EQ(At(78, 65) == kGrat, c.centreRow);
    EXPECT_EQ(At(78, 57) == kGrat || At(78, 45) == kGrat, c.otherRow);
    EXPECT_EQ(At(75, 62) == kGrat, c.centreColumn);
    EXPECT_EQ(At(85, 62) == kGrat || At(100, 62) == kGrat, c.otherColumn);
  }
}

TEST_F(ScopeTest, CrosshairModes) {
  graticulemode = "Off";
  scopelabel4 = "-1V";  // a label whose tick the mask allows
  // "On": full lines through the centre, outline, ticks.
  crosshairmode = "On";
  YRM_DrawScopeBackground();
  EXPECT_EQ(At(26, 65), kCross);
  EXPECT_EQ(At(75, 104), kCross);
  EXPECT_EQ(At(100, 25), kOutline);
  EXPECT_EQ(At(25, 108), kOutline);  // tick of place 4: (25, 105) to (25, 110)

  // "Off" (or any other text): outline and ticks, no crosshair.
  crosshairmode = "Off";
  YRM_DrawScopeBackground();
  EXPECT_EQ(At(26, 65), kBg);
  EXPECT_EQ(At(100, 25), kOutline);
  EXPECT_EQ(At(25, 108), kOutline);

  // "Classic": the marks only; no outline, no ticks whatever the mask says.
  crosshairmode = "Classic";
  YRM_DrawScopeBackground();
  EXPECT_EQ(At(100, 25), kBg);
  EXPECT_EQ(At(25, 108), kBg);
  EXPECT_EQ(At(75 + 16, 25), kCross);  // top centre mark, 16 each way
  EXPECT_EQ(At(75 + 17, 25), kBg);
  EXPECT_EQ(At(75, 25 + 16), kCross);
  EXPECT_EQ(At(75, 25 + 17), kBg);
  EXPECT_EQ(At(125 - 16, 65), kCross);  // right centre, pointing inwards
  EXPECT_EQ(At(125, 65 + 16), kCross);
  EXPECT_EQ(At(75, 65 - 16), kCross);  // centre cross
  EXPECT_EQ(At(75 + 17, 65), kBg);
  // Axis ticks every (125 - 25) / 8 = 12 pixels from each side: 37, 49, 61, 89, 101, 113.
  for (int x : {37, 49, 61, 89, 101, 113}) EXPECT_EQ(At(x, 65 - 16), kCross) << x;
  EXPECT_EQ(At(37, 65 - 17), kBg);
  EXPECT_EQ(At(43, 65 - 16), kBg);
}

TEST_F(ScopeTest, SmallScopeIsRaisedToTenWhileTheBoxKeepsTheSmallSize) {
  scope1width = 4;
  scope1height = 60;
  graticulemode = "Off";
  crosshairmode = "On";
  YRM_DrawScopeBackground();
  EXPECT_EQ(scope1width, 10);
  EXPECT_EQ(pf::ImageWidth(kImageScopeBackground), 10);
  // The box comes from width 4: centre x 2 (not 5), top 25, bottom 35.
  EXPECT_EQ(At(2, 28), kCross);
  EXPECT_EQ(At(5, 28), kBg);
}

TEST_F(ScopeTest, LabelTextsFromSettings) {
  mode = "Basic";
  struct Case {
    float mv, ohms, hz;
    const char *plus, *minus, *vplus, *vminus, *line;
  } cases[] = {
      {200, 10000, 50, "+20uA", "-20uA", "+200mV", "-200mV", "Vpk=200mV, Z=10kohms, f=50Hz"},
      {1000, 1000, 1000, "+1mA", "-1mA", "+1V", "-1V", "Vpk=1V, Z=1kohms, f=1kHz"},
      {400, 1000, 50, "+400uA", "-400uA", "+400mV", "-400mV", "Vpk=400mV, Z=1kohms, f=50Hz"},
      {2000, 2000, 1000, "+1mA", "-1mA", "+2V", "-2V", "Vpk=2V, Z=2kohms, f=1kHz"},
      {10000, 50, 2000, "+200mA", "-200mA", "+10V", "-10V", "Vpk=10V, Z=50ohms, f=2kHz"},
  };
  for (const Case& c : cases) {
    voltage = c.mv;
    resistance = c.ohms;
    frequency = c.hz;
    YRM_PrepareScopeLabels();
    SCOPED_TRACE(c.line);
    EXPECT_EQ(scopelabel1, c.plus);
    EXPECT_EQ(scopelabel3, c.minus);
    EXPECT_EQ(scopelabel6, c.vplus);
    EXPECT_EQ(scopelabel4, c.vminus);
    EXPECT_EQ(scopelabel5, c.line);
    for (const std::string* empty : {&scopelabel2, &scopelabel7, &scopelabel8, &scopelabel9, &scopelabel10,
                                     &scopelabel11, &scopelabel12})
      EXPECT_EQ(*empty, "");
  }
}

TEST_F(ScopeTest, RecordCounterAndTextOnlyInAdvanced) {
  records = RecordTable(3, kPlanFields);
  records.SetField(2, kFieldDescription, "R12\xC2\xA3 pin 2\xC2\xA3 base");
  records.SetField(2, kFieldNote, "check");
  records.SetField(3, kFieldDescription, "C4");
  testplanfilename = "testplans\\board.qvt";
  mode = "Advanced";
  currentrecord = 2;
  YRM_PrepareScopeLabels();
  EXPECT_EQ(scopelabel11, "R12, pin 2, base, check");
  EXPECT_EQ(scopelabel10, "2/3");
  currentrecord = 3;  // no note: no separator
  YRM_PrepareScopeLabels();
  EXPECT_EQ(scopelabel11, "C4");
  currentrecord = 1;  // the header row: the plan's path as stored
  YRM_PrepareScopeLabels();
  EXPECT_EQ(scopelabel11, "testplans\\board.qvt");
  EXPECT_EQ(scopelabel10, "1/3");
  mode = "Basic-Auto";
  currentrecord = 2;
  YRM_PrepareScopeLabels();
  EXPECT_EQ(scopelabel10, "");
  EXPECT_EQ(scopelabel11, "");
}

// Every label's text lands in its place: turned labels beside the box, the
// others above and below it; nothing in the text colour anywhere else.
TEST_F(ScopeTest, LabelsStandInTheirPlaces) {
  scope1width = 400;
  scope1height = 300;
  mode = "Advanced";
  records = RecordTable(3, kPlanFields);
  records.SetField(2, kFieldDescription, "R1");
  currentrecord = 2;
  voltage = 1000;
  resistance = 1000;
  frequency = 50;
  colourscope1text = kText;
  colourscope1background = kBg;
  scope1graticulemode = "Off";
  YRM_PrepareScopeLabels();
  // Box: left 25, right 375, top 25, bottom 275, centre (200, 150).
  pf::StartDrawing(kImageScopeBackground);
  const int h = pf::TextHeight("X");
  struct Rect {
    int x0, y0, x1, y1;  // inclusive-exclusive
    const std::string* text;
  };
  auto width = [](const std::string& s) { return pf::TextWidth(s); };
  const Rect rects[] = {
      {20 - h, 25, 21, 25 + width(scopelabel1), &scopelabel1},    // left, top
      {20 - h, 275 - width(scopelabel3), 21, 276, &scopelabel3},  // left, bottom
      {25, 280, 25 + width(scopelabel4), 280 + h, &scopelabel4},  // below, left
      {200 - width(scopelabel5) / 2 - 1, 280, 201 + width(scopelabel5) / 2, 280 + h, &scopelabel5},
      {375 - width(scopelabel6), 280, 376, 280 + h, &scopelabel6},  // below, right
      {375 - width(scopelabel10), 20 - h, 376, 21, &scopelabel10},  // above, right
      {200 - width(scopelabel11) / 2 - 1, 20 - h, 201 + width(scopelabel11) / 2, 21, &scopelabel11},
  };
  pf::StopDrawing();
  for (const Rect& r : rects) {
    ASSERT_FALSE(r.text->empty());
    int inside = 0;
    for (int y = r.y0; y < r.y1; ++y)
      for (int x = r.x0; x < r.x1; ++x) inside += At(x, y) == kText;
    EXPECT_GT(inside, 0) << *r.text;
  }
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) {
      if (At(x, y) != kText) continue;
      bool known = false;
      for (const Rect& r : rects) known |= x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1;
      ASSERT_TRUE(known) << x << "," << y;
    }
}

TEST_F(ScopeTest, StateLineStandsRightOfCentreAboveTheBottom) {
  pf::CreateImage(949, 400, 300, kBg);
  YRM_DrawScopeLabel(400, 300, 50, 949, "Stable, Count: 12");
  // Top-left corner at (400 / 2 + 20, 300 - 25 - 20) = (220, 255).
  int inside = 0, outside = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) {
      if (pf::Point(949, x, y) != colourwhite) continue;
      (x >= 220 && y >= 255 ? inside : outside)++;
    }
  EXPECT_GT(inside, 0);
  EXPECT_EQ(outside, 0);
}
