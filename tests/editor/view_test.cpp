// The editor's photo at every zoom the ZOOM + button reaches, as the window
// shows it.
#include "editor/view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bigphoto.h"
#include "editor/editwindow.h"
#include "editor/placement.h"
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

// Camera-sized photos over the decoded-picture limit at full size (a 50 MP
// JPEG, a 48 MP PNG), chosen with Select Image and zoomed in step by step: at
// every zoom the photo control shows the photo's own pixels and the pin on
// the crosshair, never the missing-photo panel; and a Move Pin click lands on
// the photo pixel under it.
TEST_F(EditorViewTest, PhotoOverTheDecodeLimitShowsAtEveryZoom) {
  using namespace yrmtest;
  struct Pixel {
    int zoom, x, y;  // a click at (160, 480) in the photo control
  };
  struct Case {
    const char* file;
    bool (*write)(const std::string&);
    int width, height, zooms;
    std::vector<Pixel> clicks;
  } cases[] = {
      {"big.jpg", WriteBigPhoto, kBigPhotoWidth, kBigPhotoHeight, 10, {}},
      // At zoom 1 the whole photo spans the control, at zoom 10 an 800-pixel
      // square round its centre.
      {"big.png", WriteBigPng, kBigPngWidth, kBigPngHeight, 25, {{1, 2000, 4500}, {10, 3800, 3200}}},
  };
  std::filesystem::create_directories("testplans/images");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = std::string("testplans/images/") + c.file;
    ASSERT_TRUE(c.write(path));
    records = RecordTable(2, kPlanFields);
    const int cx = c.width / 2, cy = c.height / 2;
    records.SetFieldInt(2, kFieldPinX, cx);
    records.SetFieldInt(2, kFieldPinY, cy);
    records.SetField(2, kFieldGolden, "Yes");
    records.SetField(2, kFieldResult, "Bad");
    records.SetField(2, kFieldPin, "2");
    currentrecord = 1;
    ASSERT_TRUE(OpenEditRecordsWindow());
    pf::test::QueueFileAnswer(dir + "/" + path);
    pf::test::PostGadgetEvent(kEditWindow, kEditSelectImageButton);
    ASSERT_TRUE(EditRecordsWindowStep(50));
    ASSERT_EQ(records.Field(1, kFieldPhoto), path);
    ASSERT_EQ(viewx, cx);
    ASSERT_EQ(viewy, cy);
    currentrecord = 2;

    constexpr int kShown = 710;
    for (int zoom = 1; zoom <= c.zooms; ++zoom) {
      SCOPED_TRACE("zoom " + std::to_string(zoom));
      testx = cx;
      testy = cy;
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

      for (const Pixel& at : c.clicks) {
        if (at.zoom != zoom) continue;
        pf::test::PostGadgetEvent(kEditWindow, kEditMovePinButton);
        for (int k = 0; k < 20 && movepinstep != 1; ++k) ASSERT_TRUE(EditRecordsWindowStep(50));
        ASSERT_EQ(movepinstep, 1);
        pf::test::PostClick(kEditWindow, pf::GadgetX(kEditPhoto) + 160, pf::GadgetY(kEditPhoto) + 480);
        for (int k = 0; k < 20 && movepinstep != 0; ++k) ASSERT_TRUE(EditRecordsWindowStep(50));
        ASSERT_EQ(movepinstep, 0);
        EXPECT_EQ(records.FieldInt(2, kFieldPinX), at.x);
        EXPECT_EQ(records.FieldInt(2, kFieldPinY), at.y);
        records.SetFieldInt(2, kFieldPinX, cx);
        records.SetFieldInt(2, kFieldPinY, cy);
      }
    }
    CloseEditRecordsWindow();
    ForgetPcbPhoto();
    pf::test::ResetImages();
    std::filesystem::remove(path);
  }
}

// A plan photo that cannot be loaded shows the blue panel, is reported once
// however often the window is drawn, and takes no click: no pin is placed or
// moved, no zoom window taken, and the placement still waits for its pin.
TEST_F(EditorViewTest, PhotoThatCannotBeLoadedTakesNoClicks) {
  std::filesystem::create_directories("testplans/images");
  yrmtest::Spit("testplans/images/broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "torn");
  records = RecordTable(2, kPlanFields);
  records.SetField(1, kFieldPhoto, "testplans/images/broken.png");
  records.SetFieldInt(2, kFieldPinX, 300);
  records.SetFieldInt(2, kFieldPinY, 200);
  currentrecord = 2;
  pf::test::ClearAsked();
  ASSERT_TRUE(OpenEditRecordsWindow());
  YRM_RefreshEditRecordsWindow();
  EXPECT_EQ(pf::Point(kImagePcbView, 320, 320), colourblue);
  EXPECT_EQ(imagewindowshown, 0);
  const int x = pf::GadgetX(kEditPhoto) + 320, y = pf::GadgetY(kEditPhoto) + 320;

  pf::test::PostGadgetEvent(kEditWindow, kEditMovePinButton);
  for (int k = 0; k < 20 && movepinstep != 1; ++k) ASSERT_TRUE(EditRecordsWindowStep(50));
  ASSERT_EQ(movepinstep, 1);
  pf::test::PostClick(kEditWindow, x, y);
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(EditRecordsWindowStep(20));
  EXPECT_EQ(records.Field(2, kFieldPinX), "300");
  EXPECT_EQ(records.Field(2, kFieldPinY), "200");

  const float zoom = viewzoom;
  pf::test::PostGadgetEvent(kEditWindow, kEditZoomWindowButton);
  const std::string corner = "Click on top-left corner of Component";
  for (int k = 0; k < 20 && editinstruction != corner; ++k) ASSERT_TRUE(EditRecordsWindowStep(50));
  ASSERT_EQ(editinstruction, corner);
  for (int click = 0; click < 2; ++click) {
    pf::test::PostClick(kEditWindow, x + 10 * click, y + 10 * click);
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(EditRecordsWindowStep(20));
  }
  EXPECT_EQ(viewzoom, zoom);
  EXPECT_EQ(editinstruction, corner);

  EditorCreateComponent("  1 pin", {}, "R5");
  ASSERT_EQ(placementstep, 1);
  pf::test::PostClick(kEditWindow, x, y);
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(EditRecordsWindowStep(20));
  EXPECT_EQ(records.Rows(), 2);
  EXPECT_EQ(placementstep, 1);

  int reported = 0;
  for (const auto& asked : pf::test::AskedRequesters())
    reported += asked.text == "Can't load the PCB image: testplans/images/broken.png";
  EXPECT_EQ(reported, 1);
  CloseEditRecordsWindow();
}

}  // namespace
