// The model choice and the display colours across a restart of the program:
// what takes effect at once and what only at the next start.
#include <gtest/gtest.h>

#include "link/poll.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "platform/requester.h"
#include "shell/colourswindow.h"
#include "shell/menu.h"
#include "shell/panels.h"
#include "shell/ribbon.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "shell/updatecheck.h"
#include "simprogram.h"
#include "webserver.h"

namespace {
class ModelAndColours : public yrmtest::SimulatedProgram {
 protected:
  void SetUp() override {
    SimulatedProgram::SetUp();
    saved = UpdateServer();
    SetUpdateServer(server.Address());
  }
  void TearDown() override {
    SetUpdateServer(saved);
    SimulatedProgram::TearDown();
  }
  // Ends this run's windows and thread and starts the program again.
  void Restart() {
    StopPollThread();
    pf::test::ResetGui();
    pf::test::ResetImages();
    Start();
  }
  // Share of the main scope's shown pixels (every fourth) in `colour`.
  static double Share(int colour) {
    const int w = pf::ImageWidth(kMainScope), h = pf::ImageHeight(kMainScope);
    int n = 0, in = 0;
    for (int y = 0; y < h; y += 4)
      for (int x = 0; x < w; x += 4, ++n) in += pf::Point(kMainScope, x, y) == colour;
    return n ? double(in) / n : 0;
  }
  yrmtest::WebServer server;
  std::string saved;
};

TEST_F(ModelAndColours, ChosenModelRunsAtTheNextStartWithAnUpdateCheckThatDay) {
  Start();
  ASSERT_EQ(activeinstrument, "YRM-A");
  pf::test::PostMenuEvent(kMainWindow, kItemModelC);
  ASSERT_TRUE(PumpUntil([] { return !pf::test::AskedRequesters().empty(); }));
  EXPECT_EQ(pf::test::AskedRequesters()[0].text, "Change will take effect when you restart YRM");
  EXPECT_EQ(activeinstrument, "YRM-A");
  EXPECT_NE(pf::GetWindowTitle(kMainWindow).find("YRM-A"), std::string::npos);

  Restart();
  EXPECT_EQ(activeinstrument, "YRM-C");
  EXPECT_NE(pf::GetWindowTitle(kMainWindow).find("Quenlar - YRM-C Analog Signature Analyser"),
            std::string::npos);
  EXPECT_TRUE(pf::GetMenuItemState(kMainMenu, kItemModelC));
  // First start: YRM-A's page; the restart after the choice: YRM-C's, although
  // the same day; a third start that day asks nothing.
  Restart();
  EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/pages/XRM7LT", "/pages/Z6D9XR"}));
}

TEST_F(ModelAndColours, ScopeColourShowsAtOnceAndPanelColourAtTheNextStart) {
  Start();
  ASSERT_TRUE(PumpUntil([] { return Share(colourblack) > 0.5; }));
  const int panelBefore = pf::GetGadgetColor(kRibbon, pf::kColorBack);
  pf::test::QueueColorAnswer(0x0000AA);  // scope background
  pf::test::QueueColorAnswer(0x00AA00);  // panel
  pf::test::PostMenuEvent(kMainWindow, kItemDisplayColours);
  pf::test::PostGadgetEvent(kColoursWindow, 627);
  pf::test::PostGadgetEvent(kColoursWindow, 636);
  pf::test::PostWindowEvent(kColoursWindow, pf::kEventCloseWindow);
  ASSERT_TRUE(PumpUntil([] { return Share(0x0000AA) > 0.5; })) << "the scope kept its old background";
  EXPECT_FALSE(pf::IsWindow(kColoursWindow));
  EXPECT_EQ(pf::GetGadgetColor(kRibbon, pf::kColorBack), panelBefore);

  Restart();
  EXPECT_EQ(pf::GetGadgetColor(kRibbon, pf::kColorBack), 0x00AA00);
  EXPECT_TRUE(PumpUntil([] { return Share(0x0000AA) > 0.5; }));
}
}  // namespace
