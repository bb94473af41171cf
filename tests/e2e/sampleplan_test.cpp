// The sample plan that the run script leaves in the working folder: a new
// user opens it from the File menu and the board view shows its photo, on
// which every pin of the plan sits on the centre of a drawn pad.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/files.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "platform/requester.h"
#include "shell/menu.h"
#include "shell/state.h"
#include "simprogram.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {
class SamplePlanEndToEnd : public yrmtest::SimulatedProgram {};

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
  pf::test::QueueFileAnswer(dir + "/testplans/sample_board.qvt");
  pf::test::PostMenuEvent(kMainWindow, kItemOpen);
  ASSERT_TRUE(PumpUntil([] { return testplanfilename.find("sample_board.qvt") != std::string::npos; }, 5));
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
    EXPECT_TRUE(AtAPadCentre(records.FieldInt(r, kFieldPinX), records.FieldInt(r, kFieldPinY)));
  }
  EXPECT_GE(components.size(), 5u);

  // The file is what the program itself writes for this table.
  pf::test::QueueFileAnswer("copy.qvt");
  pf::test::PostMenuEvent(kMainWindow, kItemSave);
  ASSERT_TRUE(PumpUntil([] { return pf::FileExists("copy.qvt"); }, 5));
  EXPECT_EQ(yrmtest::Slurp("copy.qvt"), yrmtest::Slurp("testplans/sample_board.qvt"));
}
