#include "shell/colourswindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/gui.h"
#include "platform/image.h"
#include "platform/requester.h"
#include "shell/menucommands.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/state.h"
#include "workfolder.h"

using yrmtest::Slurp;

namespace {
class ColoursTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    pf::test::ResetGui();
    SetShellStartValues();
    YRM_ReadSettings();  // the settings file with every key
    pf::test::ClearAsked();
    fullredraw = 0;
    traceredraw = 0;
  }
  void TearDown() override {
    pf::test::ResetGui();
    WorkFolder::TearDown();
  }
  // Runs passes until the window closes; never more than `limit`.
  int RunPasses(int limit = 50) {
    int n = 0;
    while (n < limit && YRM_DisplayColoursPass()) ++n;
    return n;
  }
};

TEST_F(ColoursTest, SwatchesTakeEachRowsColour) {
  for (int k = 1; k <= kColourRows; ++k) YRM_ColourRowValue(k) = 0x010203 * k;
  YRM_RefreshColourSwatches(100, 20);
  for (int k = 1; k <= kColourRows; ++k) {
    ASSERT_TRUE(pf::IsImage(874 + k)) << k;
    EXPECT_EQ(pf::ImageWidth(874 + k), 100);
    EXPECT_EQ(pf::ImageHeight(874 + k), 20);
    EXPECT_EQ(pf::Point(874 + k, 50, 10) & 0xFFFFFF, 0x010203 * k) << k;
  }
  // A second call replaces the images at the new size and colour.
  colourheadertext = 0x00A5FF;
  YRM_RefreshColourSwatches(10, 5);
  EXPECT_EQ(pf::ImageWidth(888), 10);
  EXPECT_EQ(pf::Point(888, 1, 1) & 0xFFFFFF, 0x00A5FF);
}

TEST_F(ColoursTest, PresetsDifferWhereTheyShould) {
  // Rows whose own default differs from dark mode.
  EXPECT_EQ(YRM_ColourRowDefault(7), 16711680);
  EXPECT_EQ(YRM_ColourRowDarkMode(7), 55295);
  EXPECT_EQ(YRM_ColourRowDefault(8), 65535);
  EXPECT_EQ(YRM_ColourRowDarkMode(8), 16711680);
  EXPECT_EQ(YRM_ColourRowDefault(11), 8327734);
  EXPECT_EQ(YRM_ColourRowDarkMode(11), 2228224);
  EXPECT_EQ(&YRM_ColourRowValue(4), &colourscopexcrosshair);
  EXPECT_EQ(&YRM_ColourRowValue(5), &colourscope1text);
}

TEST_F(ColoursTest, SaveWritesAllKeysAndAsksForRedraw) {
  for (int k = 1; k <= kColourRows; ++k) YRM_ColourRowValue(k) = YRM_ColourRowDarkMode(k);
  colourpanelwindow = 123456;
  YRM_SaveColours();
  EXPECT_EQ(fullredraw, 1);
  EXPECT_EQ(traceredraw, 1);
  const std::string text = Slurp("YRM_settings.txt");
  EXPECT_NE(text.find("YRM_ColourPanelWindow=123456"), std::string::npos) << text;
  EXPECT_NE(text.find("YRM_ColourScopeXTraceGoldenSig=55295"), std::string::npos) << text;
  // Read back into the globals: the saved values survive a restart.
  SetShellStartValues();
  YRM_ReadSettings();
  EXPECT_EQ(colourpanelwindow, 123456);
  EXPECT_EQ(colourscopextracegoldensig, 55295);
}

TEST_F(ColoursTest, WindowShowsRowsAndClosesOnCloseRequest) {
  pf::test::PostWindowEvent(kColoursWindow, pf::kEventCloseWindow);
  YRM_DisplayColoursWindow();  // returns: the close was queued first
  EXPECT_FALSE(pf::IsWindow(kColoursWindow));

  ASSERT_TRUE(YRM_OpenDisplayColoursWindow());
  EXPECT_EQ(pf::GetWindowTitle(kColoursWindow), "Display Colours");
  EXPECT_EQ(pf::GetGadgetText(633), "Golden Signature > ");
  EXPECT_EQ(pf::GadgetY(633), 185);
  EXPECT_EQ(pf::GadgetY(635), 260);  // rows 9.. sit below the second heading
  EXPECT_EQ(pf::GetGadgetState(668), 888);
  EXPECT_EQ(pf::GetGadgetText(654), " < set to default");
  EXPECT_EQ(pf::GadgetY(669), 435);
  // A close request of the main window closes only this window.
  pf::test::PostWindowEvent(0, pf::kEventCloseWindow);
  RunPasses();
  EXPECT_FALSE(pf::IsWindow(kColoursWindow));
  EXPECT_EQ(fullredraw, 0);
}

// The window acts on events only: its loop sleeps until the next one.
TEST_F(ColoursTest, WindowLoopSleepsUntilTheNextEvent) {
  std::vector<int> waits;
  pf::test::SetWaitHook([&waits] {
    waits.push_back(pf::test::WaitingMs());
    if (waits.size() == 1)
      pf::test::PostGadgetEvent(kColoursWindow, kColourPresetBase + 7);  // golden row: its default
    else
      pf::test::PostWindowEvent(kColoursWindow, pf::kEventCloseWindow);
  });
  YRM_DisplayColoursWindow();
  EXPECT_FALSE(pf::IsWindow(kColoursWindow));
  EXPECT_EQ(colourscopextracegoldensig, 16711680);
  EXPECT_EQ(fullredraw, 1);
  ASSERT_EQ(waits.size(), 2u);
  for (int ms : waits) EXPECT_EQ(ms, pf::kLongestLoopWaitMs);
}

TEST_F(ColoursTest, ChooserCancelWritesNothing) {
  const std::string before = Slurp("YRM_settings.txt");
  ASSERT_TRUE(YRM_OpenDisplayColoursWindow());
  pf::test::QueueColorAnswer(-1);
  pf::test::PostGadgetEvent(kColoursWindow, 632);
  EXPECT_TRUE(YRM_DisplayColoursPass());
  ASSERT_EQ(pf::test::AskedRequesters().size(), 1u);
  EXPECT_EQ(pf::test::AskedRequesters()[0].kind, "colour");
  EXPECT_EQ(colourscopextracelivesig, 255);
  EXPECT_EQ(Slurp("YRM_settings.txt"), before);
  EXPECT_EQ(fullredraw, 0);
  EXPECT_EQ(traceredraw, 0);
}

TEST_F(ColoursTest, ButtonsChangeSaveAndRefresh) {
  struct Case {
    int gadget;
    int answer;  // colour chooser answer, unused for the other buttons
    int* global;
    int expect;
    const char* line;
  };
  const Case cases[] = {
      {632, 0x123456, &colourscopextracelivesig, 0x123456, "YRM_ColourScopeXTraceLiveSig=1193046"},
      {647, 0, &colourscopextracegoldensig, 16711680, "YRM_ColourScopeXTraceGoldenSig=16711680"},
      {669, 0, &colourscopextracegoldensig, 55295, "YRM_ColourScopeXTraceGoldenSig=55295"},
      {651, 0, &colourpanelwindow, 8327734, "YRM_ColourPanelWindow=8327734"},
  };
  ASSERT_TRUE(YRM_OpenDisplayColoursWindow());
  for (const Case& c : cases) {
    fullredraw = 0;
    traceredraw = 0;
    if (c.gadget <= 640) pf::test::QueueColorAnswer(c.answer);
    pf::test::PostGadgetEvent(kColoursWindow, c.gadget);
    EXPECT_TRUE(YRM_DisplayColoursPass());
    EXPECT_EQ(*c.global, c.expect) << c.gadget;
    EXPECT_EQ(fullredraw, 1);
    EXPECT_EQ(traceredraw, 1);
    EXPECT_NE(Slurp("YRM_settings.txt").find(c.line), std::string::npos) << c.line;
    EXPECT_EQ(pf::Point(874 + (c.gadget == 669 ? 7 : (c.gadget - 626 - 1) % 14 + 1), 5, 5) & 0xFFFFFF,
              c.gadget == 669 ? 55295 : c.expect);
  }
  // Dark mode also restored the crosshair-before-text rows and header text.
  EXPECT_EQ(colourheadertext, 42495);
  EXPECT_NE(Slurp("YRM_settings.txt").find("YRM_ColourScope1Outline=34816"), std::string::npos);
}

TEST_F(ColoursTest, LossOfActivationClosesOnlyWhenAnotherWindowIsActive) {
  ASSERT_TRUE(pf::OpenWindow(0, 0, 0, 200, 100, "main", pf::kWindowTitleBar));
  ASSERT_TRUE(YRM_OpenDisplayColoursWindow());
  pf::SetActiveWindow(kColoursWindow);
  EXPECT_EQ(RunPasses(5), 5);  // let the toolkit settle
  ASSERT_EQ(pf::ActiveWindow(), kColoursWindow);
  // The chooser's own deactivation: the window is active again when read.
  pf::test::PostWindowEvent(kColoursWindow, pf::kEventDeactivateWindow);
  EXPECT_EQ(RunPasses(5), 5);
  EXPECT_TRUE(pf::IsWindow(kColoursWindow));
  // The operator clicks the main window.
  pf::SetActiveWindow(0);
  pf::test::PostWindowEvent(kColoursWindow, pf::kEventDeactivateWindow);
  RunPasses();
  EXPECT_FALSE(pf::IsWindow(kColoursWindow));
  EXPECT_TRUE(pf::IsWindow(0));
}

TEST_F(ColoursTest, MenuItemOpensWindowUntilClosed) {
  pf::test::PostMenuEvent(0, 59);
  pf::test::PostWindowEvent(kColoursWindow, pf::kEventCloseWindow);
  ASSERT_EQ(pf::WaitWindowEvent(0), pf::kEventMenu);
  YRM_MenuEvent();
  EXPECT_TRUE(pf::IsImage(875));  // the window was built
  EXPECT_FALSE(pf::IsWindow(kColoursWindow));
}

TEST_F(ColoursTest, OtherWindowsControlEventsAreDropped) {
  ASSERT_TRUE(YRM_OpenDisplayColoursWindow());
  pf::test::PostGadgetEvent(0, 647);
  EXPECT_TRUE(YRM_DisplayColoursPass());
  EXPECT_EQ(colourscopextracegoldensig, 42495);
  EXPECT_EQ(fullredraw, 0);
}
}  // namespace
