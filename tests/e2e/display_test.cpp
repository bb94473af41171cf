// The display end to end: the program started in a fresh working folder with
// the simulated instrument as its driver library, connected, the live
// signature of a component on the main scope with its state line, and a plan
// with a board photo on the mini-scopes and the board view.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/poll.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/driverlib.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "shell/panels.h"
#include "shell/resources.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "sim/control.h"
#include "simprogram.h"
#include "testing/planfile.h"
#include "testing/records.h"
#include "testing/redraw.h"
#include "testing/scope.h"
#include "testing/state.h"

namespace fs = std::filesystem;

namespace {
class DisplayEndToEnd : public yrmtest::SimulatedProgram {
 protected:
  static int Picture(int control) { return DisplayPicture(control); }
  // A pixel of `colour` within `reach` pixels of (x, y).
  static bool Near(int image, int x, int y, int colour, int reach = 3) {
    for (int dy = -reach; dy <= reach; ++dy)
      for (int dx = -reach; dx <= reach; ++dx)
        if (pf::Point(image, x + dx, y + dy) == colour) return true;
    return false;
  }
};
}  // namespace

TEST_F(DisplayEndToEnd, LiveSignatureOfAResistorThenTheProbeLifted) {
  Start();
  ASSERT_EQ(mode, "Advanced");
  voltageset = 1000;  // 1000 mV through 1000 ohms
  resistanceset = 1000;
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1) << "the simulated instrument did not connect";

  // The count of stable results grows by one per trace redraw.
  std::vector<int> counts;
  ASSERT_TRUE(PumpUntil(
      [&] {
        if (signaturestate == 1 && (counts.empty() || counts.back() != stablecount))
          counts.push_back(stablecount);
        return counts.size() >= 4;
      },
      20))
      << "no run of stable signatures; state " << signaturestate << ", count " << stablecount;
  for (size_t k = 1; k < counts.size(); ++k) EXPECT_EQ(counts[k], counts[k - 1] + 1);
  EXPECT_EQ(sourceohms, 1000);

  // A 1 kohm resistor from a 1 kohm source: half the full-scale voltage and
  // half the full-scale current, a straight line through the box centre. The
  // current is measured from the component back to the generator, so the
  // line rises to the right, under the "+" current label at the top.
  const int scope = Picture(kMainScope);
  ASSERT_EQ(pf::GetGadgetState(kMainScope), scope);
  const PlotBox box = ScopePlotBox(scope1width, scope1height, scopemargin);
  const int live = colourscopextracelivesig;
  auto onLine = [&](int f, int side) {  // f tenths of half-scale along (side 1) or across (-1)
    return Near(scope, box.cx + box.halfwidth * f / 10, box.cy - side * box.halfheight * f / 10, live);
  };
  for (int f : {-4, -2, 0, 2, 4}) EXPECT_TRUE(onLine(f, 1)) << "on the line at " << f;
  for (int f : {-4, 4}) EXPECT_FALSE(onLine(f, -1)) << "across the line at " << f;
  EXPECT_FALSE(onLine(7, 1)) << "the line ends at half scale";
  EXPECT_FALSE(onLine(-7, 1)) << "the line ends at half scale";
  // The state line stands in white right of the centre, 45 pixels above the bottom.
  int white = 0;
  for (int y = scope1height - 45; y < scope1height; ++y)
    for (int x = scope1width / 2 + 20; x < scope1width; ++x) {
      const int c = pf::Point(scope, x, y);  // smoothed glyph edges count when nearly white
      white += (c & 0xFF) >= 0xC0 && ((c >> 8) & 0xFF) >= 0xC0 && ((c >> 16) & 0xFF) >= 0xC0;
    }
  EXPECT_GT(white, 20);

  // The probe lifted: no current flows.
  ASSERT_EQ(simctl::Configure("component=open"), "");
  ASSERT_TRUE(PumpUntil([] { return signaturestate == 0; }, 10)) << "no open circuit seen";
  EXPECT_EQ(stablecount, 0);
  Pump(0.6);
  EXPECT_EQ(signaturestate, 0);
  EXPECT_FALSE(onLine(4, 1)) << "the resistor's line is gone";
}

TEST_F(DisplayEndToEnd, PlanWithBoardPhotoShowsMiniScopesAndPins) {
  Start();
  // An 800 x 600 photo and three pins: Good pin 2, Bad pin 1 (a square), Untested pin 3.
  fs::create_directory("images");
  constexpr int kPhotoColour = 0x303030;
  pf::CreateImage(700, 800, 600, kPhotoColour);
  ASSERT_TRUE(pf::SavePng(700, "images/board.png"));
  records = RecordTable(4, kPlanFields);
  records.SetField(1, kFieldPhoto, "images/board.png");
  const struct {
    const char *result, *pin;
    int x, y;
  } pins[] = {{"Good", "2", 200, 150}, {"Bad", "1", 400, 300}, {"Untested", "3", 600, 450}};
  Signature v{}, i{};
  for (int k = 1; k <= 64; ++k) {
    v[k] = (k - 32) * 0.01f;
    i[k] = v[k] / 10000;
  }
  for (int n = 0; n < 3; ++n) {
    const int row = n + 2;
    WriteSignatureBlock(row, kGoldenBase, 1000, 10000, 50, v, i, 64);
    records.SetField(row, kFieldGolden, "Yes");
    records.SetField(row, kFieldResult, pins[n].result);
    records.SetField(row, kFieldPin, pins[n].pin);
    records.SetField(row, kFieldDescription, std::string("R") + pins[n].pin);
    records.SetFieldInt(row, kFieldPinX, pins[n].x);
    records.SetFieldInt(row, kFieldPinY, pins[n].y);
    records.SetFieldInt(row, kFieldViewX, 400);
    records.SetFieldInt(row, kFieldViewY, 300);
    records.SetField(row, kFieldViewZoom, "1");
  }
  YRM_WriteTestPlan("testplans/board.qvt");
  records = RecordTable();
  YRM_ReadTestPlan("testplans/board.qvt");
  ASSERT_EQ(records.Rows(), 4);
  testplanfilename = "testplans\\board.qvt";
  currentrecord = 3;
  fullredraw = 1;
  Pump(0.3);
  ASSERT_EQ(fullredraw, 0);

  // Mini-scopes 1 and 2: nothing; 3 the plan's name; 4 to 6 the pins with
  // their icons; 7 "END"; 8 and 9 nothing.
  const int bg = colourscope1background;
  auto drawn = [&](int k) {
    const int picture = Picture(kMainScope + k);
    int n = 0;
    for (int y = 0; y < pf::ImageHeight(picture); ++y)
      for (int x = 0; x < pf::ImageWidth(picture); ++x) n += pf::Point(picture, x, y) != bg;
    return n;
  };
  for (int k : {1, 2, 8, 9}) EXPECT_EQ(drawn(k), 0) << "mini-scope " << k;
  for (int k : {3, 7}) EXPECT_GT(drawn(k), 0) << "mini-scope " << k;
  const int icons[] = {kImageGood23, kImageBad23, kImageUntested23};
  for (int n = 0; n < 3; ++n) {
    const int picture = Picture(kMiniScope1 + 3 + n);
    EXPECT_EQ(pf::GetGadgetState(kMiniScope1 + 3 + n), picture);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{11, 11}, std::pair{22, 22}})
      EXPECT_EQ(pf::Point(picture, x, y), pf::Point(icons[n], x, y)) << pins[n].result;
    // The golden curve in its colour.
    EXPECT_TRUE(
        Near(picture, pf::ImageWidth(picture) / 2, pf::ImageHeight(picture) / 2, colourscopextracegoldensig));
  }

  // The board view: the whole photo stretched, a symbol on every pin in its
  // result colour, and the crosshair on the current one.
  const int board = Picture(kBoardView);
  ASSERT_EQ(pf::GetGadgetState(kBoardView), board);
  ASSERT_EQ(pf::ImageWidth(board), pcbviewwidth);
  EXPECT_EQ(imagewindowright - imagewindowleft, 800);
  EXPECT_EQ(imagewindowbottom - imagewindowtop, 600);
  const int colours[] = {colourgreen, colourred, colouryellow};
  for (int n = 0; n < 3; ++n) {
    const int sx = RoundHalfAway(pins[n].x / 800.0 * pcbviewwidth);
    const int sy = RoundHalfAway(pins[n].y / 600.0 * pcbviewheight);
    EXPECT_EQ(pf::Point(board, sx + 3, sy + 3), colours[n]) << pins[n].result;
    EXPECT_EQ(pf::Point(board, sx + 4, sy - 4) == colours[n], n == 1) << "only pin 1 is square";
  }
  const int cx = RoundHalfAway(400 / 800.0 * pcbviewwidth), cy = RoundHalfAway(300 / 600.0 * pcbviewheight);
  EXPECT_EQ(pf::Point(board, 1, cy), colourwhite);
  EXPECT_EQ(pf::Point(board, cx, 1), colourwhite);
  EXPECT_EQ(pf::Point(board, pcbviewwidth - 2, 2), kPhotoColour);
}
