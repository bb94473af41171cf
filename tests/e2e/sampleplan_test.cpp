// The sample plan that the run script leaves in the working folder: a new
// user opens it from the File menu and the board view shows its photo, on
// which every pin of the plan sits on the centre of a drawn pad.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "platform/requester.h"
#include "probescript.h"
#include "shell/menu.h"
#include "shell/state.h"
#include "sim/control.h"
#include "simprogram.h"
#include "testing/compare.h"
#include "testing/records.h"
#include "testing/runstates.h"
#include "testing/state.h"

namespace {
class SamplePlanEndToEnd : public yrmtest::SimulatedProgram {
 protected:
  void OpenSamplePlan() {
    pf::test::QueueFileAnswer(dir + "/testplans/sample_board.qvt");
    pf::test::PostMenuEvent(kMainWindow, kItemOpen);
    ASSERT_TRUE(PumpUntil([] { return testplanfilename.find("sample_board.qvt") != std::string::npos; }, 5));
  }
  // Runs the program until a frame asked for after this call is on the scope.
  static bool FreshSignature() {
    const int64_t now = pf::ElapsedMilliseconds();
    if (!PumpUntil([&] { return lastrequest > now; })) return false;
    const int64_t asked = lastrequest;
    if (!PumpUntil([&] { return lastgoodframe > asked; })) return false;
    { std::lock_guard<std::mutex> g(linklock); }  // the frame's flag is set with it
    return PumpUntil([] { return newframe == 0; });
  }
};

constexpr int kPhotoImage = 700;
constexpr int Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

// A pin placed on the centre of its pad shows the drill hole, or the lead or
// header post standing in it; anywhere else is tin, board or a body.
bool AtAPadCentre(int x, int y) {
  const int c = pf::Point(kPhotoImage, x, y);
  return c == Rgb(70, 72, 66) || c == Rgb(180, 182, 184) || c == Rgb(214, 178, 64);
}
}  // namespace

TEST_F(SamplePlanEndToEnd, OpensFromTheFileMenuWithEveryPinOnAPad) {
  Start();
  pf::test::ClearAsked();
  OpenSamplePlan();
  for (const auto& asked : pf::test::AskedRequesters()) EXPECT_NE(asked.kind, "message") << asked.title;
  EXPECT_EQ(recentplan1, testplanfilename);

  // The photo is named relative to the working folder and the board view
  // finds it there.
  const std::string photo = records.Field(1, kFieldPhoto);
  EXPECT_EQ(photo, "testplans/images/sample_board.png");
  EXPECT_TRUE(PumpUntil([] { return pcbimagewidth == 1200 && pcbimageheight == 800; }, 5));

  ASSERT_TRUE(pf::LoadImage(kPhotoImage, photo));
  std::set<std::string> components;
  ASSERT_GE(records.Rows(), 10);
  for (int r = 2; r <= records.Rows(); ++r) {
    SCOPED_TRACE(records.Field(r, kFieldDescription));
    components.insert(records.Field(r, kFieldComponent));
    EXPECT_EQ(records.Field(r, kFieldResult), "Untested");
    EXPECT_EQ(records.Field(r, kFieldGolden), "Yes");
    EXPECT_TRUE(AtAPadCentre(records.FieldInt(r, kFieldPinX), records.FieldInt(r, kFieldPinY)));
  }
  EXPECT_GE(components.size(), 5u);

  // The file is what the program itself writes for this table.
  pf::test::QueueFileAnswer("copy.qvt");
  pf::test::PostMenuEvent(kMainWindow, kItemSave);
  ASSERT_TRUE(PumpUntil([] { return pf::FileExists("copy.qvt"); }, 5));
  EXPECT_EQ(yrmtest::Slurp("copy.qvt"), yrmtest::Slurp("testplans/sample_board.qvt"));
}

// The probe script left beside the sample plan plays the plan's pins in its
// order, each held long enough for an automatic test with the default
// stable-signature delay (10 frames at 4 a second), the probe lifted between
// them; and against the plan's golden signatures every pin it plays is Good
// but the one it makes faulty.
TEST_F(SamplePlanEndToEnd, ProbeScriptPlaysEveryPinAndOneIsBad) {
  const auto steps = yrmtest::ProbeSteps(yrmtest::Slurp("testplans/sample_board_probe.txt"));
  ASSERT_GE(steps.size(), 3u);
  EXPECT_EQ(steps[0].ms, 0);
  EXPECT_EQ(steps[0].shows, "open");
  EXPECT_GE(steps[0].heldMs, 5000) << "time to start the automatic test before the first pin";
  std::vector<std::string> pins;
  for (size_t k = 1; k < steps.size(); ++k) {
    const bool lifted = (k % 2) == 0;
    EXPECT_EQ(steps[k].shows == "open", lifted) << k;
    EXPECT_GE(steps[k].heldMs, lifted ? 750 : yrmtest::kHeldForCaptureMs) << steps[k].shows;
    if (!lifted) pins.push_back(steps[k].shows);
  }

  Start();
  OpenSamplePlan();
  ASSERT_EQ(static_cast<int>(pins.size()), records.Rows() - 1);
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1);
  std::vector<std::string> bad;
  for (int row = 2; row <= records.Rows(); ++row) {
    currentrecord = row;
    ASSERT_EQ(simctl::Configure("component=" + pins[row - 2]), "");
    // The step that takes the record sends its settings; only a frame asked
    // for after that was sampled with them.
    ASSERT_TRUE(PumpUntil([row] { return lastrecord == row && paramspending == 0; })) << row;
    ASSERT_TRUE(FreshSignature()) << row;
    YRM_GoldenVsLiveDifference();
    if (goldenlivediff > YRM_GoldenVsLiveThreshold(goldenvslivethreshold))
      bad.push_back(records.Field(row, kFieldDescription));
  }
  EXPECT_EQ(bad, std::vector<std::string>{"U1, Pin 6"});
}
