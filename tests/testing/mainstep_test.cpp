#include "testing/mainstep.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "link/state.h"
#include "platform/clock.h"
#include "platform/image.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/boardview.h"
#include "testing/capture.h"
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
  EXPECT_EQ(paramspending, 1);  // not connected: nothing is sent, the request stays
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
  YRM_MainLoopStep();  // the start-up relayout request is served first
  relayoutrequest = 1;
  lastrelayout = clock;  // a relayout just happened in this second
  for (int i = 0; i < 10; ++i) {
    relayoutrequest = 1;  // ten resize events within the second
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
    yrmtest::Spit("YRM_settings.txt",
                  "YRM_DisplayView=9miniscopes\r\nYRM_TestPlanFileName=testplans\\p.qvt\r\n");
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
  struct Case {
    int from, scope, to;
  };
  const Case cases[] = {
      {3, 1, 2},  // offset -4 stops at the first pin
      {8, 9, 9},  // offset +4 stops at the last row
      {5, 5, 5},  // the centre mini-scope does nothing
      {5, 4, 4}, {5, 7, 7},
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

// ---- when the main loop may sleep -------------------------------------------
// The loop waits MainStepWait ms (or until an event or a wake-up) instead of
// 1 ms before each step. These tests run the old loop (a step every 1 ms of
// the program's clock) beside the sleeping one and find the same behaviour.

namespace {
constexpr int kLongest = 100;

// The start-up requests served: the next step has nothing to do.
void Settle() {
  for (int i = 0; i < 3; ++i) YRM_MainLoopStep();
  paramspending = 0;
  event = 0;
}
}  // namespace

TEST_F(MainStepTest, SleepsOnlyWhenTheNextStepHasNothingToDo) {
  Settle();
  ASSERT_EQ(MainStepWait(kLongest), kLongest);
  struct Case {
    const char* what;
    void (*set)();
  };
  const Case cases[] = {
      {"window event", [] { event = 1; }},
      {"new frame", [] { newframe = 1; }},
      {"full redraw", [] { fullredraw = 1; }},
      {"trace redraw", [] { traceredraw = 1; }},
      {"left click", [] { leftclick = 1; }},
      {"right click", [] { rightclick = 1; }},
      {"push button A", [] { buttonaevent = 1; }},
      {"push button B", [] { buttonbevent = 1; }},
      {"record change", [] { currentrecord = 2; }},
      {"run state change", [] { runstate = 3; }},
      {"chosen setting", [] { dclevelset = 1.5f; }},
      {"link dropped", [] { usbopen = 0, usbshown = 1; }},
      {"settings to send", [] { usbopen = usbshown = 1, paramspending = 1; }},
  };
  for (const Case& c : cases) {
    SetStartValues();
    pf::test::SetCalendar([this] { return clock; });
    Settle();
    c.set();
    EXPECT_EQ(MainStepWait(kLongest), 0) << c.what;
  }
}

// A relayout waits for the next whole second: the sleeping loop does it in
// the same millisecond as the loop that looks every millisecond.
TEST_F(MainStepTest, RelayoutAtTheNextWholeSecondAsWithMillisecondPasses) {
  auto run = [](bool everyMs) {
    int64_t now = 7'000'300;  // 300 ms into a second
    pf::test::SetCalendarMilliseconds([&now] { return now; });
    SetStartValues();
    Settle();
    lastrelayout = now / 1000;  // one just happened in this second
    std::vector<int64_t> relayouts;
    for (int64_t end = now + 3500; now < end;) {
      if (now == 7'000'450 || now == 7'001'020 || now == 7'001'990) relayoutrequest = 1;  // resizes
      const long long before = lastrelayout;
      YRM_MainLoopStep();
      if (lastrelayout != before) relayouts.push_back(now);
      const int64_t next = everyMs ? 1 : MainStepWait(kLongest);
      // A resize event would end the wait at its time.
      int64_t wake = now + std::max<int64_t>(next, 1);
      for (int64_t t : {7'000'450, 7'001'020, 7'001'990})
        if (t > now && t < wake) wake = t;
      now = wake;
    }
    return relayouts;
  };
  const std::vector<int64_t> expected = {7'001'000, 7'002'000};
  EXPECT_EQ(run(true), expected);
  EXPECT_EQ(run(false), expected);
}

// The run-state machine advances once per step, also without a new frame: the
// loop must not sleep while it moves, or an automatic test would crawl.
TEST_F(MainStepTest, RunStatesMoveOnWithoutSleepingBetweenSteps) {
  auto run = [](bool everyMs) {
    SetStartValues();
    records = RecordTable(5, kPlanFields);
    for (int row = 2; row <= 5; ++row) {
      records.SetField(row, kFieldResult, "Untested");
      YRM_StoreSignatureInRecord(row, kSlotGolden);
      records.SetField(row, kFieldGolden, "Yes");
    }
    Settle();
    // Automatic test with the scanner switching pins: every pin is judged
    // on a stable signature without the probe being lifted.
    scansigset = scansig = 1;
    runstate = prevrunstate = 3;  // running already
    signaturestate = 1;
    stablecount = 50;
    int steps = 0;
    if (everyMs) {
      for (; steps < 200; ++steps) YRM_MainLoopStep();
    } else {
      do {
        YRM_MainLoopStep();
        ++steps;
      } while (MainStepWait(kLongest) == 0 && steps < 200);
    }
    std::string results;
    for (int row = 2; row <= 5; ++row) results += records.Field(row, kFieldResult) + " ";
    return std::make_tuple(results, currentrecord, autoteststep, runstate, steps < 200);
  };
  const auto everyMs = run(true);
  const auto sleeping = run(false);
  EXPECT_EQ(std::get<0>(sleeping), std::get<0>(everyMs));
  EXPECT_EQ(std::get<1>(sleeping), std::get<1>(everyMs));
  EXPECT_EQ(std::get<2>(sleeping), std::get<2>(everyMs));
  EXPECT_EQ(std::get<3>(sleeping), std::get<3>(everyMs));
  EXPECT_TRUE(std::get<4>(sleeping)) << "the sleeping loop came to rest";
  EXPECT_NE(std::get<0>(everyMs).find("Untested"), 0u) << "the first pin was judged";
}

// A large photo decodes on the loading thread while the loop sleeps: its
// arrival ends the sleep, and the next step draws it with a full redraw.
TEST_F(MainStepTest, APhotoDecodedMeanwhileWakesTheLoopAndIsDrawn) {
  pf::test::ResetImages();
  ForgetPcbPhoto();
  constexpr int kScratch = 700;
  pf::CreateImage(kScratch, 800, 600, 0);
  pf::StartDrawing(kScratch);
  unsigned seed = 1;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) pf::Plot(x, y, int((seed = seed * 1103515245u + 12345u) >> 8) & 0xFFFFFF);
  pf::StopDrawing();
  ASSERT_TRUE(pf::SavePng(kScratch, "large.png"));
  Settle();
  records = RecordTable(3, kPlanFields);
  records.SetField(1, kFieldPhoto, "large.png");
  currentrecord = 2;
  pcbviewwidth = pcbviewheight = 100;
  YRM_MainLoopStep();                                         // the record change's full redraw
  EXPECT_EQ(pf::Point(kImagePcbView, 5, 5), colourdarkgrey);  // the photo is on its way

  pf::test::WaitImageLoads();
  EXPECT_EQ(MainStepWait(kLongest), 0);
  YRM_MainLoopStep();
  EXPECT_NE(pf::Point(kImagePcbView, 5, 5), colourdarkgrey);
  EXPECT_EQ(MainStepWait(kLongest), kLongest);
  ForgetPcbPhoto();
}
