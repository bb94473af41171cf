#include "testing/navigation.h"

#include <gtest/gtest.h>

#include "platform/gui.h"
#include "platform/image.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
// Rows 2 to 4 component U1, 5 to 6 U2, 7 U3.
class NavigationTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    records = RecordTable(7, kPlanFields);
    const char* components[] = {"", "", "U1", "U1", "U1", "U2", "U2", "U3"};
    for (int row = 2; row <= 7; ++row) records.SetField(row, kFieldComponent, components[row]);
  }
  int after(void (*move)(), int from) {
    currentrecord = from;
    move();
    return currentrecord;
  }
};
}  // namespace

TEST_F(NavigationTest, RecordsAndComponents) {
  struct Case {
    void (*move)();
    int from, to;
    const char* what;
  };
  const Case cases[] = {
      {YRM_ShowNextRecord, 7, 7, "next on the last stays"},
      {YRM_ShowNextRecord, 1, 2, "next from the header"},
      {YRM_ShowPreviousRecord, 2, 1, "previous on the first pin goes to the header"},
      {YRM_ShowPreviousRecord, 1, 1, "previous on the header stays"},
      {YRM_FirstRecord, 5, 2, "first"},
      {YRM_LastRecord, 3, 7, "last"},
      {YRM_NextComponent, 3, 5, "next component from U1"},
      {YRM_NextComponent, 5, 7, "next component from U2"},
      {YRM_NextComponent, 7, 7, "next component on the last"},
      {YRM_PreviousComponent, 7, 5, "previous component from U3"},
      {YRM_PreviousComponent, 6, 2, "previous component from inside U2"},
      {YRM_PreviousComponent, 3, 2, "previous component inside the first"},
      {YRM_PreviousComponent, 1, 1, "previous component from the header"},
  };
  for (const auto& c : cases) {
    fullredraw = 0;
    EXPECT_EQ(after(c.move, c.from), c.to) << c.what;
    EXPECT_EQ(fullredraw, 1) << c.what;
  }
}

TEST_F(NavigationTest, HeaderOnlyPlan) {
  records = RecordTable(1, kPlanFields);
  EXPECT_EQ(after(YRM_FirstRecord, 1), 1);
  EXPECT_EQ(after(YRM_LastRecord, 1), 1);
  EXPECT_EQ(after(YRM_NextComponent, 1), 1);
}

TEST_F(NavigationTest, ClickOnTheBoardView) {
  // A 200 x 100 board view at (300, 50) showing photo pixels 0..400 x 0..200.
  pf::test::ResetGui();
  pf::InitGui();
  ASSERT_TRUE(pf::OpenWindow(kMainWindow, 0, 0, 800, 400, "t", pf::kWindowSizeable));
  pf::CreateImage(784, 1, 1);
  pf::ImageGadget(900, 300, 50, 200, 100, 784);
  imagewindowleft = 0, imagewindowright = 400, imagewindowtop = 0, imagewindowbottom = 200;
  imagewindowshown = 1;
  records.SetFieldInt(3, kFieldPinX, 100), records.SetFieldInt(3, kFieldPinY, 100);
  records.SetFieldInt(4, kFieldPinX, 103), records.SetFieldInt(4, kFieldPinY, 100);  // 3 photo pixels on
  for (int row : {2, 5, 6, 7})
    records.SetFieldInt(row, kFieldPinX, 390), records.SetFieldInt(row, kFieldPinY, 190);
  auto click = [](int x, int y) {
    pf::test::SetMouse(kMainWindow, x, y);
    YRM_SelectRecordAtClick();
  };
  currentrecord = 7;
  click(350, 100);  // photo (100, 100): two pins under the click, the lower row wins
  EXPECT_EQ(currentrecord, 3);
  EXPECT_EQ(pcbshowall, 0);

  fullredraw = traceredraw = 0;
  click(330, 60);  // an empty spot: the whole photo
  EXPECT_EQ(currentrecord, 3);
  EXPECT_EQ(pcbshowall, 1);
  EXPECT_EQ(fullredraw, 1);
  EXPECT_EQ(traceredraw, 1);
  click(330, 60);  // and back
  EXPECT_EQ(pcbshowall, 0);
  click(330, 60);
  click(351, 100);  // a pin while the whole photo shows
  EXPECT_EQ(currentrecord, 3);
  EXPECT_EQ(pcbshowall, 0);

  click(300, 50);  // the photo's top-left pixel: the header row
  EXPECT_EQ(currentrecord, 1);

  // A photo that could not be loaded shows none of it: a click picks no
  // pin through the window of the photo drawn before, and toggles nothing.
  imagewindowshown = 0;
  fullredraw = 0;
  click(350, 100);
  EXPECT_EQ(currentrecord, 1);
  EXPECT_EQ(pcbshowall, 0);
  EXPECT_EQ(fullredraw, 0);
  pf::test::ResetGui();
}
