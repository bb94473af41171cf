#include "shell/model.h"

#include <gtest/gtest.h>

#include "mainwindow_fixture.h"
#include "platform/requester.h"
#include "shell/refresh.h"

using yrmtest::Slurp;
using yrmtest::Spit;

namespace {
class ModelTest : public yrmtest::MainWindow {
 protected:
  void choose(int item) {
    pf::test::PostMenuEvent(kMainWindow, item);
    ASSERT_EQ(pf::WaitWindowEvent(0), pf::kEventMenu);
    YRM_SelectInstrument();
  }
  std::vector<int> ticks() {
    std::vector<int> t;
    for (int item = kItemModelA; item <= kItemModelD; ++item)
      t.push_back(pf::GetMenuItemState(kMainMenu, item));
    return t;
  }
};
}  // namespace

TEST_F(ModelTest, ChoiceIsStoredTickedAndTakesEffectAtNextStart) {
  Build("YRM-A");
  Spit("YRM_settings.txt", "ActiveInstrument=YRM-A\r\nDateOfLastUpdateCheck=09/12/2026\r\n");
  selectedinstrument = "YRM-A";
  YRM_CheckInstrumentMenu();
  EXPECT_EQ(ticks(), (std::vector<int>{1, 0, 0, 0}));

  choose(kItemModelC);
  EXPECT_EQ(Slurp("YRM_settings.txt"), "ActiveInstrument=YRM-C\r\nDateOfLastUpdateCheck=01/01/2021\r\n");
  EXPECT_EQ(selectedinstrument, "YRM-C");
  EXPECT_EQ(activeinstrument, "YRM-A");
  EXPECT_EQ(ticks(), (std::vector<int>{0, 0, 1, 0}));
  ASSERT_EQ(pf::test::AskedRequesters().size(), 1u);
  EXPECT_EQ(pf::test::AskedRequesters()[0].title, "Info");
  EXPECT_EQ(pf::test::AskedRequesters()[0].text, "Change will take effect when you restart YRM");
  EXPECT_EQ(pf::test::AskedRequesters()[0].flags, pf::kRequesterInfo);

  // The running model again: the same keys are written and the box is shown.
  choose(kItemModelA);
  EXPECT_EQ(Slurp("YRM_settings.txt"), "ActiveInstrument=YRM-A\r\nDateOfLastUpdateCheck=01/01/2021\r\n");
  EXPECT_EQ(pf::test::AskedRequesters().size(), 2u);

  // Other menu items are not this procedure's.
  choose(kItemConnect);
  EXPECT_EQ(pf::test::AskedRequesters().size(), 2u);
}

TEST_F(ModelTest, NoTickForYrmD2OrAnUnknownName) {
  Build("YRM-D2");
  for (const char* name : {"YRM-D2", "YRM-E", "yrm-a"}) {
    selectedinstrument = name;
    YRM_RefreshMainWindow();
    EXPECT_EQ(ticks(), (std::vector<int>{0, 0, 0, 0})) << name;
  }
  selectedinstrument = "YRM-D";
  YRM_RefreshMainWindow();
  EXPECT_EQ(ticks(), (std::vector<int>{0, 0, 0, 1}));
}
