#include "testing/redraw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "link/state.h"
#include "platform/image.h"
#include "shell/panels.h"
#include "shell/resources.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/boardview.h"
#include "testing/miniscopes.h"
#include "testing/records.h"
#include "testing/scope.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
constexpr int kBg = 0x000000, kOutline = 0x00AA00, kText = 0x808080, kLive = 0x0000FF, kGold = 0x00A5FF,
              kDut = 0xFF0000;
constexpr int kMainPicture = DisplayPicture(kMainScope);
constexpr int kCentrePicture = DisplayPicture(kMainScope + 5);

// Main scope 300 x 250: box left 25, right 275, top 25, bottom 225, centre (150, 125).
// Full scale 1 V and 1 mA. A plan of a header and three pins.
class RedrawTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    pf::test::ResetImages();
    ForgetPcbPhoto();
    scope1width = 300;
    scope1height = 250;
    for (int* size :
         {&miniscope1width, &miniscope2width, &miniscope3width, &miniscope4width, &miniscope5width,
          &miniscope6width, &miniscope7width, &miniscope8width, &miniscope9width})
      *size = 120;
    for (int* size :
         {&miniscope1height, &miniscope2height, &miniscope3height, &miniscope4height, &miniscope5height,
          &miniscope6height, &miniscope7height, &miniscope8height, &miniscope9height})
      *size = 100;
    pcbviewwidth = 200;
    pcbviewheight = 150;
    colourscope1background = kBg;
    colourscope1outline = kOutline;
    colourscope1text = kText;
    colourscopextracelivesig = kLive;
    colourscopextracegoldensig = kGold;
    colourscopextracedutsig = kDut;
    scope1crosshairmode = "Off";
    scope1graticulemode = "Off";
    voltage = 1000;
    resistance = 1000;
    frequency = 50;
    sourceohms = 1000;
    pointcount = 64;
    mode = "Advanced";
    records = RecordTable(4, kPlanFields);
    for (int row = 2; row <= 4; ++row) {
      records.SetField(row, kFieldVoltage, "1000");
      records.SetField(row, kFieldResistance, "1000");
      records.SetField(row, kFieldGolden, "Yes");
      records.SetField(row, kFieldResult, "Untested");
      Block(row, kGoldenBase, -1, 0);  // golden: left edge, then lines to the centre
      Block(row, kDutBase, 1, 0);      // DUT: right edge
    }
    // Icons in plain colours of their own.
    int colour = 0x100000;
    for (int icon : {kImageGood72, kImageBad72, kImageNoSig72, kImageNoTest72, kImageUntested72})
      pf::CreateImage(icon, 72, 23, colour += 0x10);
    for (int icon : {kImageGood23, kImageBad23, kImageNoSig23, kImageNoTest23, kImageUntested23})
      pf::CreateImage(icon, 23, 23, colour += 0x10);
  }
  static void Block(int row, int base, float v, float i) {
    records.SetField(row, base + kBlockCount, "1");
    records.SetFieldFloat(row, base + kBlockPairs, v);
    records.SetFieldFloat(row, base + kBlockPairs + 1, i);
  }
  static void Live(float v, float i) {
    livev.fill(v);
    livei.fill(i);
  }
  static int Main(int x, int y) { return pf::Point(kMainPicture, x, y); }
  static int Count(int image, int colour, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += pf::Point(image, x, y) == colour;
    return n;
  }
  static void Both() {
    YRM_FullRedraw();
    YRM_TraceRedraw();
  }
};
}  // namespace

TEST_F(RedrawTest, FullRedrawDrawsEveryDisplayAndRequestsTheTraces) {
  currentrecord = 2;
  fullredraw = 1;
  traceredraw = 0;
  YRM_FullRedraw();
  EXPECT_EQ(fullredraw, 0);
  EXPECT_EQ(traceredraw, 1);
  // Mini-scopes 1 to 3 show rows -2 to 0: empty, no icon. 4 is the header row
  // (no icon), 5 the current record with its icon, and the copy in 947.
  for (int k = 1; k <= 4; ++k) {
    const int picture = DisplayPicture(kMainScope + k);
    ASSERT_EQ(pf::ImageWidth(picture), 120) << k;
    EXPECT_EQ(pf::Point(picture, 0, 0), kBg) << k;
  }
  EXPECT_EQ(Count(DisplayPicture(kMiniScope1), kText, 0, 0, 120, 100), 0);
  EXPECT_GT(Count(DisplayPicture(kMiniScope1 + 3), kText, 0, 0, 120, 100), 0);  // the file name
  EXPECT_EQ(pf::Point(kCentrePicture, 0, 0), pf::Point(kImageUntested23, 0, 0));
  EXPECT_EQ(pf::Point(kCentrePicture, 22, 22), pf::Point(kImageUntested23, 0, 0));
  EXPECT_EQ(pf::Point(kImageCentreMiniScope, 5, 5), pf::Point(kImageUntested23, 0, 0));
  // Rows 3 and 4, then "END" (text only, no icon).
  EXPECT_EQ(pf::Point(DisplayPicture(kMiniScope1 + 6), 0, 0), pf::Point(kImageUntested23, 0, 0));
  EXPECT_EQ(pf::Point(DisplayPicture(kMiniScope1 + 7), 0, 0), kBg);
  // The main scope's result icon in "Advanced", over the top left corner.
  EXPECT_EQ(pf::Point(kImageScopeBackground, 71, 22), pf::Point(kImageUntested72, 0, 0));
  EXPECT_NE(pf::Point(kImageScopeBackground, 72, 22), pf::Point(kImageUntested72, 0, 0));
}

TEST_F(RedrawTest, ResultIconsFollowResultAndGoldenFlag) {
  struct Case {
    const char *result, *golden;
    int icon72, icon23;
  } cases[] = {
      {"Good", "Yes", kImageGood72, kImageGood23},
      {"Bad", "Yes", kImageBad72, kImageBad23},
      {"NoTest", "Yes", kImageNoTest72, kImageNoTest23},
      {"Good", "No", kImageNoSig72, kImageNoSig23},
      {"Other", "Yes", -1, -1},
  };
  currentrecord = 3;
  for (const Case& c : cases) {
    records.SetField(3, kFieldResult, c.result);
    records.SetField(3, kFieldGolden, c.golden);
    YRM_FullRedraw();
    SCOPED_TRACE(std::string(c.result) + "/" + c.golden);
    EXPECT_EQ(pf::Point(kImageScopeBackground, 1, 1), c.icon72 < 0 ? kBg : pf::Point(c.icon72, 0, 0));
    EXPECT_EQ(pf::Point(kCentrePicture, 1, 1), c.icon23 < 0 ? kBg : pf::Point(c.icon23, 0, 0));
  }
  // No record icon on the main scope outside "Advanced".
  mode = "Basic";
  YRM_FullRedraw();
  EXPECT_EQ(pf::Point(kImageScopeBackground, 1, 1), kBg);
}

TEST_F(RedrawTest, LegendThreeLinesAboveTheBottomLeft) {
  YRM_FullRedraw();
  // x = 50 / 2 + 2 = 27, y = 250 - 27 = 223: lines at 169, 187 and 205.
  const int h = pf::TextHeight("X");
  EXPECT_GT(Count(kImageScopeBackground, kLive, 27, 169, 150, 169 + h), 0);
  EXPECT_GT(Count(kImageScopeBackground, kGold, 27, 187, 150, 187 + h), 0);
  EXPECT_GT(Count(kImageScopeBackground, kDut, 27, 205, 150, 205 + h), 0);
  EXPECT_EQ(Count(kImageScopeBackground, kLive, 0, 0, 300, 169), 0);
}

TEST_F(RedrawTest, AdvancedTracesByResultAndLiveOnlyWhileConnected) {
  currentrecord = 2;
  Live(0, -0.0005f);  // one point, (150, 75)
  struct Case {
    const char* result;
    int connected;
    bool dut;
  } cases[] = {{"Untested", 0, false}, {"Untested", 1, false}, {"Bad", 1, true}, {"Good", 0, true}};
  for (const Case& c : cases) {
    records.SetField(2, kFieldResult, c.result);
    usbopen = c.connected;
    signaturestate = 9;
    Both();
    SCOPED_TRACE(std::string(c.result) + (c.connected ? " connected" : ""));
    EXPECT_EQ(Main(40, 125), kGold);
    EXPECT_EQ(Main(260, 125) == kDut, c.dut);
    EXPECT_EQ(Main(150, 75) == kLive, c.connected == 1);
    // State line: white, from (170, 205); classified only while connected.
    EXPECT_EQ(Count(kMainPicture, colourwhite, 170, 205, 300, 250) > 0, c.connected == 1);
    EXPECT_EQ(signaturestate, c.connected ? 0 : 9);  // equal currents: open circuit
  }
  usbopen = 0;
}

TEST_F(RedrawTest, CentreMiniScopeCopyCarriesTheLiveTrace) {
  currentrecord = 3;
  Live(0.5f, 0);  // mini-scope 120 x 100: box 25..95, centre (60, 50) -> (78, 50)
  usbopen = 1;
  Both();
  EXPECT_EQ(pf::Point(kCentrePicture, 78, 50), kLive);
  EXPECT_NE(pf::Point(kImageCentreMiniScope, 78, 50), kLive);  // the stored picture stays clean
  EXPECT_EQ(Main(213, 125), kLive);                            // the main scope keeps its own picture
  usbopen = 0;
  YRM_TraceRedraw();
  EXPECT_NE(pf::Point(kCentrePicture, 78, 50), kLive);
}

TEST_F(RedrawTest, ThreeFlashesOnBlackAfterACapture) {
  currentrecord = 2;
  YRM_FullRedraw();
  flashcount = 3;
  for (int redraw = 1; redraw <= 4; ++redraw) {
    YRM_TraceRedraw();
    EXPECT_EQ(Main(100, 25), redraw <= 3 ? kBg : kOutline) << redraw;
    EXPECT_EQ(Main(40, 125), kGold) << redraw;  // traces still drawn on the flash
  }
  EXPECT_EQ(flashcount, 0);
}

TEST_F(RedrawTest, BasicModesShowTheFrozenSignatures) {
  mode = "Basic-Auto";
  goldenv.fill(0);
  goldeni.fill(0.0005f);  // (150, 175)
  dutv.fill(-0.5f);
  duti.fill(0);  // (88, 125)
  Both();
  EXPECT_EQ(Main(150, 175), kGold);
  EXPECT_EQ(Main(88, 125), kDut);
  EXPECT_NE(Main(40, 125), kGold);  // the record's golden is not shown
}

TEST_F(RedrawTest, RecordPastTheEndIsBroughtBackByTheTraceRedraw) {
  currentrecord = 9;
  YRM_FullRedraw();
  EXPECT_EQ(currentrecord, 9);
  EXPECT_EQ(pf::Point(kImageScopeBackground, 1, 1), kBg);  // no icon
  EXPECT_FALSE(pf::IsImage(DisplayPicture(kBoardView)));   // no board view
  YRM_TraceRedraw();
  EXPECT_EQ(currentrecord, 4);
}

// Each trace redraw shows its own frame alone: nothing is left of the one
// before (its traces, a longer status line, a flash), and the picture is
// pixel for pixel the one composed afresh, on the main scope and the centre
// mini-scope alike, also after a full redraw changed the background.
TEST_F(RedrawTest, EachTraceRedrawLeavesNothingOfTheOneBefore) {
  scope1graticulemode = "On";
  currentrecord = 2;
  records.SetField(2, kFieldResult, "Bad");
  usbopen = 1;
  YRM_FullRedraw();
  struct Frame {
    float size;  // of the live loop, in full scales
    int count;   // the stable count the status line shows
    int flash;
    int record;  // a full redraw on this record first, or 0
  } frames[] = {{0.9f, 10, 0, 0}, {0.2f, 1, 0, 0}, {0.5f, 123456, 1, 0}, {0.7f, 3, 0, 0},
                {0.3f, 4, 0, 3},  {1.5f, 5, 0, 0}, {0.1f, 6, 0, 0}};
  constexpr int kShown = 800, kShownCentre = 801;
  auto frame = [](const Frame& f) {
    for (int k = 1; k <= 64; ++k) {
      const float a = float(k) * 6.2831853f / 64;
      livev[k] = f.size * std::cos(a);
      livei[k] = f.size * 0.0008f * std::sin(a + f.size);
    }
    prevv = livev;
    previ = livei;
    stablecount = f.count - 1;
    flashcount = f.flash;
    YRM_TraceRedraw();
  };
  for (const Frame& f : frames) {
    SCOPED_TRACE("loop " + std::to_string(f.size) + ", count " + std::to_string(f.count));
    if (f.record) {
      currentrecord = f.record;
      YRM_FullRedraw();
    }
    frame(f);
    ASSERT_EQ(stablecount, f.count);
    pf::CopyImage(kMainPicture, kShown);
    pf::CopyImage(kCentrePicture, kShownCentre);
    // The same frame on pictures made afresh.
    pf::FreeImage(kMainPicture);
    pf::FreeImage(kCentrePicture);
    frame(f);
    EXPECT_EQ(Count(kShown, kLive, 0, 0, 300, 250), Count(kMainPicture, kLive, 0, 0, 300, 250));
    int differ = 0;
    for (int y = 0; y < 250; ++y)
      for (int x = 0; x < 300; ++x) differ += pf::Point(kShown, x, y) != Main(x, y);
    EXPECT_EQ(differ, 0);
    differ = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 120; ++x)
        differ += pf::Point(kShownCentre, x, y) != pf::Point(kCentrePicture, x, y);
    EXPECT_EQ(differ, 0);
  }
  usbopen = 0;
}

TEST_F(RedrawTest, StatusLineText) {
  EXPECT_EQ(SignatureStatusLine(1, 12, 0.374f, "1.50%"), "Stable, Count: 12, Prev: 0.37%, Threshold: 1.50%");
  EXPECT_EQ(SignatureStatusLine(0, 0, 0, "0.50%"), "O/C, Count: 0, Prev: 0.00%, Threshold: 0.50%");
  EXPECT_EQ(SignatureStatusLine(2, 0, 12.5f, "x"), "Unstable, Count: 0, Prev: 12.50%, Threshold: x");
}

TEST_F(RedrawTest, BoardViewOfTheCurrentRecord) {
  pf::CreateImage(700, 400, 300, 0x224466);
  ASSERT_TRUE(pf::SavePng(700, "photo.png"));
  records.SetField(1, kFieldPhoto, "photo.png");
  records.SetField(3, kFieldViewX, "200");
  records.SetField(3, kFieldViewY, "150");
  records.SetField(3, kFieldViewZoom, "2");
  records.SetField(3, kFieldPinX, "199.6");  // rounded: (200, 150)
  records.SetField(3, kFieldPinY, "150.4");
  currentrecord = 3;
  YRM_FullRedraw();
  EXPECT_EQ(imagewindowleft, 100);
  EXPECT_EQ(imagewindowright, 300);
  const int picture = DisplayPicture(kBoardView);
  ASSERT_EQ(pf::ImageWidth(picture), 200);
  EXPECT_EQ(pf::Point(picture, 100, 5), colourwhite);  // cursor crosshair at the centre
  EXPECT_EQ(pf::Point(picture, 5, 75), colourwhite);
}
