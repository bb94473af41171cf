#include <gtest/gtest.h>

#include "link/state.h"
#include "platform/clock.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/mainstep.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
class MainStepTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    pf::test::SetCalendar([this] { return clock; });
  }
  void TearDown() override {
    pf::test::RestoreClocks();
    WorkFolder::TearDown();
  }
  long long clock = 1000;
};
}  // namespace

TEST_F(MainStepTest, FirstStepAppliesChosenSettingsAndKeepsThemPending) {
  YRM_MainLoopStep();
  EXPECT_EQ(voltage, 1000.0f);
  EXPECT_EQ(resistance, 10000.0f);
  EXPECT_EQ(frequency, 50.0f);
  EXPECT_EQ(scansig, 0);
  EXPECT_EQ(scancom, 0);
  EXPECT_EQ(dcmode, 0);
  EXPECT_EQ(dclevel, 0.0f);
  EXPECT_EQ(paramspending, 1);   // not connected: nothing is sent, the request stays
  EXPECT_EQ(prevrunstate, 1);
  EXPECT_EQ(lastrecord, 1);
  // The full redraw of this step hands over to the trace redraw of the same step.
  EXPECT_EQ(fullredraw, 0);
  EXPECT_EQ(traceredraw, 0);

  // Nothing changed: a second step finds nothing to apply.
  paramspending = 0;
  YRM_MainLoopStep();
  EXPECT_EQ(paramspending, 0);
  EXPECT_EQ(fullredraw, 0);
}

TEST_F(MainStepTest, AnySingleSettingDifferenceAppliesAll) {
  YRM_MainLoopStep();
  paramspending = 0;
  dclevelset = 2.5f;
  voltageset = 400;
  YRM_MainLoopStep();
  EXPECT_EQ(dclevel, 2.5f);
  EXPECT_EQ(voltage, 400.0f);
  EXPECT_EQ(paramspending, 1);
}

TEST_F(MainStepTest, RelayoutAtMostOncePerSecond) {
  YRM_MainLoopStep();   // the start-up relayout request is served first
  relayoutrequest = 1;
  lastrelayout = clock;  // a relayout just happened in this second
  for (int i = 0; i < 10; ++i) {
    relayoutrequest = 1;   // ten resize events within the second
    YRM_MainLoopStep();
    EXPECT_EQ(relayoutrequest, 1);
  }
  clock += 1;
  YRM_MainLoopStep();
  EXPECT_EQ(relayoutrequest, 0);
  EXPECT_EQ(lastrelayout, clock);
}

TEST_F(MainStepTest, NewFrameIsTakenOnce) {
  YRM_MainLoopStep();
  newframe = 1;
  YRM_MainLoopStep();
  EXPECT_EQ(newframe, 0);
  EXPECT_EQ(traceredraw, 0);
}

TEST_F(MainStepTest, ClicksAndPushButtonFlagsAreCleared) {
  leftclick = rightclick = 1;
  buttonaevent = buttonbevent = 1;
  YRM_MainLoopStep();
  EXPECT_EQ(leftclick, 0);
  EXPECT_EQ(rightclick, 0);
  EXPECT_EQ(buttonaevent, 0);
  EXPECT_EQ(buttonbevent, 0);
}

TEST(PushButtonAction, ItemsMapToControlEvents) {
  const int expected[16] = {0, 570, 571, 572, 574, 575, 576, 566, 567, 568, 608, 609, 598, 599, 610, 611};
  for (int item = 0; item < 16; ++item) EXPECT_EQ(PushButtonAction(item), expected[item]) << item;
  EXPECT_EQ(PushButtonAction(-1), 0);
  EXPECT_EQ(PushButtonAction(16), 0);
}

#include "link/poll.h"
#include "platform/gui.h"

namespace {
// A running main window in the "9miniscopes" view with a plan of eight pins.
class MainStepClickTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    pf::test::ResetGui();
    pf::test::SetDelay([](int) {});
    yrmtest::Spit("YRM_settings.txt", "YRM_DisplayView=9miniscopes\r\nYRM_TestPlanFileName=testplans\\p.qvt\r\n");
    std::string plan;
    for (int row = 1; row <= 9; ++row) plan += std::to_string(row) + ",,\r\n";
    yrmtest::Spit("testplans/p.qvt", plan);
    StartUp();
    YRM_MainLoopStep();
  }
  void TearDown() override {
    StopPollThread();
    pf::test::RestoreClocks();
    pf::test::ResetGui();
    WorkFolder::TearDown();
  }
  void clickMiniScope(int k) {
    const int g = 953 + k;
    pf::test::SetMouse(kMainWindow, pf::GadgetWindowX(g) + pf::GadgetWidth(g) / 2,
                       pf::GadgetWindowY(g) + pf::GadgetHeight(g) / 2);
    leftclick = 1;
    YRM_MainLoopStep();
  }
};
}  // namespace

TEST_F(MainStepClickTest, MiniScopeClicksStepWithinTheTable) {
  ASSERT_EQ(records.Rows(), 9);
  struct Case { int from, scope, to; };
  const Case cases[] = {
      {3, 1, 2},   // offset -4 stops at the first pin
      {8, 9, 9},   // offset +4 stops at the last row
      {5, 5, 5},   // the centre mini-scope does nothing
      {5, 4, 4},
      {5, 7, 7},
  };
  for (const auto& c : cases) {
    currentrecord = c.from;
    YRM_MainLoopStep();
    clickMiniScope(c.scope);
    EXPECT_EQ(currentrecord, c.to) << "from " << c.from << " scope " << c.scope;
  }
  // A right click on a mini-scope changes nothing.
  currentrecord = 5;
  pf::test::SetMouse(kMainWindow, pf::GadgetWindowX(954) + 5, pf::GadgetWindowY(954) + 5);
  rightclick = 1;
  YRM_MainLoopStep();
  EXPECT_EQ(currentrecord, 5);
}
