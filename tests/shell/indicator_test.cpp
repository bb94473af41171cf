#include "shell/indicator.h"

#include <gtest/gtest.h>

#include <chrono>

#include "link/device.h"
#include "link/poll.h"
#include "link/state.h"
#include "mainwindow_fixture.h"
#include "shell/resources.h"
#include "sim/control.h"

namespace {
class IndicatorTest : public yrmtest::MainWindow {
 protected:
  bool Ticked(int item) { return pf::GetMenuItemState(kMainMenu, item); }
};
}  // namespace

TEST_F(IndicatorTest, FirstPassShowsNotConnectedPerModel) {
  for (const char* model : {"YRM-A", "YRM-AP", "YRM-C", "YRM-D", "YRM-D2"}) {
    SCOPED_TRACE(model);
    pf::test::ResetGui();
    Build(model);
    usbopen = 0;
    usbshown = 99;  // as the end of the window build leaves it
    YRM_ShowUsbStatus();
    EXPECT_EQ(pf::GetGadgetState(kConnectionImage), kImageNoConnect);
    EXPECT_TRUE(Ticked(kItemDisconnect));
    EXPECT_FALSE(Ticked(kItemConnect));
    const bool usbText = std::string(model) == "YRM-A" || std::string(model) == "YRM-AP";
    EXPECT_EQ(pf::IsGadget(kUsbStatusText), usbText);
    if (usbText) {
      EXPECT_EQ(pf::GetGadgetText(kUsbStatusText), " USB disconnected");
    }
  }
}

TEST_F(IndicatorTest, FollowsConnectAndDisconnectOnce) {
  Build("YRM-A");
  usbshown = 99;
  YRM_ShowUsbStatus();

  usbopen = 1;
  YRM_ShowUsbStatus();
  EXPECT_EQ(pf::GetGadgetState(kConnectionImage), kImageConnected);
  EXPECT_TRUE(Ticked(kItemConnect));
  EXPECT_FALSE(Ticked(kItemDisconnect));
  EXPECT_EQ(pf::GetGadgetText(kUsbStatusText), " USB disconnected");  // until the first frame

  // Unchanged state: the controls are left alone.
  pf::SetGadgetText(kUsbStatusText, "USB rail: 5.02V");
  pf::SetGadgetImage(kConnectionImage, kImageGood72);
  YRM_ShowUsbStatus();
  EXPECT_EQ(pf::GetGadgetText(kUsbStatusText), "USB rail: 5.02V");
  EXPECT_EQ(pf::GetGadgetState(kConnectionImage), kImageGood72);

  usbopen = 0;  // the watchdog closed the link
  YRM_ShowUsbStatus();
  EXPECT_EQ(pf::GetGadgetState(kConnectionImage), kImageNoConnect);
  EXPECT_TRUE(Ticked(kItemDisconnect));
  EXPECT_FALSE(Ticked(kItemConnect));
  EXPECT_EQ(pf::GetGadgetText(kUsbStatusText), " USB disconnected");
}

TEST_F(IndicatorTest, NothingToShowOn) {
  usbshown = 99;
  YRM_ShowUsbStatus();  // no window at all
  EXPECT_EQ(usbshown, 0);
}

// The whole program in a working folder holding no pictures at all (so the
// connection picture is missing too), with the simulated instrument.
namespace {
class IndicatorWithInstrumentTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    pf::test::ResetGui();
    pf::test::SetDelay([](int) {});
    yrmtest::Spit("YRM_settings.txt", "ActiveInstrument=YRM-A\r\nCheckWebsiteForUpdate=0\r\n");
    SetStartValues();
    ASSERT_TRUE(simctl::Install(dir, YRM_SIM_LIBRARY));
    simctl::Reset();
  }
  void TearDown() override {
    StopPollThread();
    if (usbopen == 1) YRM_CloseUsbPort();
    pf::test::ResetGui();
    pf::test::RestoreClocks();
    WorkFolder::TearDown();
  }
  // Runs main-loop passes until `done`. The bound only ends a broken run: it is
  // far above the link's own 2 s watchdog, so a loaded machine never trips it.
  template <typename F>
  bool PassUntil(F done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      MainLoopPass();
    }
    return true;
  }
};
}  // namespace

TEST_F(IndicatorWithInstrumentTest, ClickConnectsWatchdogDisconnects) {
  StartUp();
  for (int i = 0; i < 3; ++i) MainLoopPass();
  EXPECT_FALSE(pf::IsImage(kImageNoConnect));  // the program runs without it
  EXPECT_EQ(pf::GetGadgetState(kConnectionImage), kImageNoConnect);
  EXPECT_TRUE(pf::GetMenuItemState(kMainMenu, kItemDisconnect));
  EXPECT_EQ(pf::GetGadgetText(kUsbStatusText), " USB disconnected");

  // A click on the connection picture connects at the end of that step.
  pf::test::PostClick(kMainWindow, pf::GadgetWindowX(kConnectionImage) + 10,
                      pf::GadgetWindowY(kConnectionImage) + 10);
  ASSERT_TRUE(PassUntil([] { return usbopen == 1; }));
  EXPECT_EQ(pf::GetGadgetState(kConnectionImage), kImageConnected);
  EXPECT_TRUE(pf::GetMenuItemState(kMainMenu, kItemConnect));
  EXPECT_FALSE(pf::GetMenuItemState(kMainMenu, kItemDisconnect));
  ASSERT_TRUE(PassUntil([] { return pf::GetGadgetText(kUsbStatusText).rfind("USB rail: 5.0", 0) == 0; }))
      << pf::GetGadgetText(kUsbStatusText);

  // The instrument falls silent: the watchdog closes the link, the next step shows it.
  ASSERT_EQ(simctl::Configure("silence=1"), "");
  ASSERT_TRUE(PassUntil([] { return usbopen == 0; }));
  MainLoopPass();
  EXPECT_EQ(pf::GetGadgetState(kConnectionImage), kImageNoConnect);
  EXPECT_TRUE(pf::GetMenuItemState(kMainMenu, kItemDisconnect));
  EXPECT_EQ(pf::GetGadgetText(kUsbStatusText), " USB disconnected");

  // Instrument > Connect does the same as the picture.
  ASSERT_EQ(simctl::Configure("silence=0"), "");
  pf::test::PostMenuEvent(kMainWindow, kItemConnect);
  ASSERT_TRUE(PassUntil([] { return usbopen == 1; }));
  EXPECT_EQ(pf::GetGadgetState(kConnectionImage), kImageConnected);
}
