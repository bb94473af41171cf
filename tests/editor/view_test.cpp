// The editor's photo at every zoom the ZOOM + button reaches, as the window
// shows it.
#include "editor/view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "bigphoto.h"
#include "editor/editwindow.h"
#include "editor/state.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "platform/requester.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/boardview.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {

class EditorViewTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    SetEditorStartValues();
    pf::test::ResetImages();
    ForgetPcbPhoto();
  }
  void TearDown() override {
    if (pf::IsWindow(kEditWindow)) CloseEditRecordsWindow();
    ForgetPcbPhoto();
    pf::test::ResetImages();
    WorkFolder::TearDown();
  }
};

// A 50-megapixel photo, over the decoded-picture limit at full size, chosen
// with Select Image and zoomed in step by step: at every zoom from 1 to 10
// the photo control shows the photo's own pixels and the pin on the
// crosshair, never the missing-photo panel.
TEST_F(EditorViewTest, PhotoOverTheDecodeLimitShowsAtEveryZoom) {
  using namespace yrmtest;
  std::filesystem::create_directories("testplans/images");
  ASSERT_TRUE(WriteBigPhoto("testplans/images/big.jpg"));
  records = RecordTable(2, kPlanFields);
  const int cx = kBigPhotoWidth / 2, cy = kBigPhotoHeight / 2;
  records.SetFieldInt(2, kFieldPinX, cx);
  records.SetFieldInt(2, kFieldPinY, cy);
  records.SetField(2, kFieldGolden, "Yes");
  records.SetField(2, kFieldResult, "Bad");
  records.SetField(2, kFieldPin, "2");
  currentrecord = 1;
  ASSERT_TRUE(OpenEditRecordsWindow());
  pf::test::QueueFileAnswer(dir + "/testplans/images/big.jpg");
  pf::test::PostGadgetEvent(kEditWindow, kEditSelectImageButton);
  ASSERT_TRUE(EditRecordsWindowStep(50));
  ASSERT_EQ(records.Field(1, kFieldPhoto), "testplans/images/big.jpg");
  ASSERT_EQ(viewx, cx);
  ASSERT_EQ(viewy, cy);
  testx = cx;
  testy = cy;

  constexpr int kShown = 710;
  for (int zoom = 1; zoom <= 10; ++zoom) {
    SCOPED_TRACE("zoom " + std::to_string(zoom));
    if (zoom > 1) {
      pf::test::PostGadgetEvent(kEditWindow, kEditZoomInButton);
      for (int k = 0; k < 5 && viewzoom != float(zoom); ++k) ASSERT_TRUE(EditRecordsWindowStep(50));
    } else {
      YRM_RefreshEditRecordsWindow();
    }
    ASSERT_EQ(viewzoom, float(zoom));
    ASSERT_TRUE(pf::test::GrabWindow(kEditWindow, "editor.png"));
    ASSERT_TRUE(pf::LoadImage(kShown, "editor.png"));
    ASSERT_TRUE(pf::GrabImage(kShown, kShown, pf::GadgetX(kEditPhoto), pf::GadgetY(kEditPhoto), 640, 640));
    // The pin at the centre, under the white crosshair's arms.
    EXPECT_EQ(pf::Point(kShown, 323, 323), colourred);
    int checked = 0;
    EXPECT_EQ(CompareWithBigPhoto(kShown, imagewindowleft, imagewindowtop, imagewindowright,
                                  imagewindowbottom, checked),
              "");
    EXPECT_GT(checked, 1000);
  }
}

}  // namespace
