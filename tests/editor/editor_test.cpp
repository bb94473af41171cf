#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/editwindow.h"
#include "editor/recordedits.h"
#include "editor/state.h"
#include "editor/view.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "platform/requester.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {

class EditorTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    SetEditorStartValues();
  }
  // Header plus one row per entry: component name, pin numbered within it.
  static void Plan(const std::vector<std::string>& components) {
    records = RecordTable(1 + static_cast<int>(components.size()), kPlanFields);
    int pin = 0;
    for (size_t k = 0; k < components.size(); ++k) {
      const int row = static_cast<int>(k) + 2;
      pin = (k > 0 && components[k] == components[k - 1]) ? pin + 1 : 1;
      records.SetField(row, kFieldComponent, components[k]);
      records.SetFieldInt(row, kFieldPin, pin);
      records.SetFieldInt(row, kFieldNumber, row);
    }
  }
  static void Photo(const std::string& path, int w, int h) {
    pf::CreateImage(700, w, h, 0x306030);
    ASSERT_TRUE(pf::SavePng(700, path));
  }
};

TEST_F(EditorTest, ComponentMovesAndBounds) {
  Plan({"U1", "U1", "U2", "U2", "U2", "R1"});  // rows 2..7
  struct Case {
    int from;
    void (*move)();
    int to;
  };
  const Case cases[] = {
      {3, EditorPreviousComponent, 2}, {2, EditorPreviousComponent, 2}, {1, EditorPreviousComponent, 1},
      {6, EditorPreviousComponent, 2}, {7, EditorPreviousComponent, 4}, {2, EditorNextComponent, 4},
      {4, EditorNextComponent, 7},     {7, EditorNextComponent, 7},     {5, EditorFirstRecord, 2},
      {2, EditorLastRecord, 7},
  };
  for (const auto& c : cases) {
    currentrecord = c.from;
    c.move();
    EXPECT_EQ(currentrecord, c.to) << "from row " << c.from;
  }
  currentrecord = 5;
  YRM_FindComponentBounds();
  EXPECT_EQ(componentfirst, 4);
  EXPECT_EQ(componentlast, 6);
  // An empty name, as in the header, never reaches back into row 1.
  Plan({"", "", "U3"});
  currentrecord = 3;
  YRM_FindComponentBounds();
  EXPECT_EQ(componentfirst, 2);
  EXPECT_EQ(componentlast, 3);
  // Only the header: First stays on it.
  records = RecordTable(1, kPlanFields);
  EditorFirstRecord();
  EXPECT_EQ(currentrecord, 1);
}

TEST_F(EditorTest, DeleteComponentTagsRefreshesRemovesAndRenumbers) {
  std::vector<std::string> rows(40, "U7");
  rows.insert(rows.begin(), "U6");
  rows.push_back("U8");
  Plan(rows);  // U6 row 2, U7 rows 3..42, U8 row 43
  currentrecord = 20;
  int refreshes = 0, tagged = 0;
  EditorDeleteComponent([&] {
    ++refreshes;
    for (int r = 3; r <= 42 && records.Rows() == 43; ++r)
      tagged += records.Field(r, kFieldNumber) == "delete";
  });
  // Interval 2: a refresh after every third of 40 rows (13), then 5 more.
  EXPECT_EQ(refreshes, 13 + 5);
  EXPECT_GT(tagged, 0);
  ASSERT_EQ(records.Rows(), 3);
  EXPECT_EQ(records.Field(3, kFieldComponent), "U8");
  EXPECT_EQ(records.Field(3, kFieldNumber), "3");
  EXPECT_EQ(currentrecord, 3);
  EXPECT_EQ(editinstruction, "");
  // Nothing at the header.
  currentrecord = 1;
  EditorDeleteComponent([] {});
  EXPECT_EQ(records.Rows(), 3);
}

TEST_F(EditorTest, DeleteComponentBeyondOneRemovalLeavesNoTaggedRows) {
  std::vector<std::string> rows(1500, "BIG");
  rows.push_back("U9");
  Plan(rows);
  currentrecord = 700;
  EditorDeleteComponent([] {});
  ASSERT_EQ(records.Rows(), 2);
  EXPECT_EQ(records.Field(2, kFieldComponent), "U9");
  EXPECT_EQ(currentrecord, 2);
}

TEST_F(EditorTest, ComponentWideUpdates) {
  Plan({"U1", "U4", "U4", "U4", "U2"});
  currentrecord = 4;
  EditorUpdateComponentName("U5");
  for (int r = 3; r <= 5; ++r) {
    EXPECT_EQ(records.Field(r, kFieldComponent), "U5");
    EXPECT_EQ(records.Field(r, kFieldDescription), "U5, Pin " + std::to_string(r - 2));
  }
  EXPECT_EQ(records.Field(2, kFieldComponent), "U1");
  EXPECT_EQ(records.Field(6, kFieldComponent), "U2");
  EditorUpdateComponentDescription("quad op-amp");
  EditorUpdateComponentView("120", "340", "2.0");
  for (int r = 3; r <= 5; ++r) {
    EXPECT_EQ(records.Field(r, kFieldDescription), "quad op-amp");
    EXPECT_EQ(records.Field(r, kFieldViewZoom), "2.0");
  }
  EXPECT_EQ(records.Field(2, kFieldViewX), "");
  // A single record, header included, takes the texts as typed.
  currentrecord = 1;
  EditorRow texts;
  for (size_t k = 0; k < texts.size(); ++k) texts[k] = "t" + std::to_string(k);
  EditorUpdateSingleRecord(texts);
  EXPECT_EQ(records.Field(1, 8), "t0");
  EXPECT_EQ(records.Field(1, 30), "t12");
  EditorRecordLoad();
  EXPECT_EQ(viewx, 0);  // "t5" holds no number
}

TEST_F(EditorTest, TakePhotoRecentresHeaderAndKeepsViewOnBadFile) {
  Plan({"U1"});
  Photo("board.png", 3000, 2000);
  pcbimagefile = "board.png";
  ASSERT_TRUE(EditorTakePhoto());
  EXPECT_EQ(records.Field(1, kFieldPhoto), "board.png");
  EXPECT_EQ(records.Field(1, kFieldViewX), "1500");
  EXPECT_EQ(records.Field(1, kFieldViewY), "1000");
  EXPECT_EQ(records.Field(1, kFieldViewZoom), "1");
  EXPECT_EQ(records.Field(2, kFieldViewX), "");
  yrmtest::Spit("broken.png", "not an image");
  pcbimagefile = "broken.png";
  viewx = 7;
  EXPECT_FALSE(EditorTakePhoto());
  EXPECT_EQ(viewx, 7);
  EXPECT_EQ(records.Field(1, kFieldPhoto), "board.png");
}

TEST_F(EditorTest, SelectImageStoresPhotoRelativeAndReportsABadOne) {
  Plan({"U1"});
  yrmtest::Spit("testplans/images/broken.png", "not an image");
  Photo("testplans/images/board.png", 300, 200);
  currentrecord = 2;
  ASSERT_TRUE(OpenEditRecordsWindow());
  struct Case {
    std::string chosen, photo;
    bool reported;
  };
  const Case cases[] = {
      {dir + "/testplans/images/board.png", "testplans/images/board.png", false},
      {dir + "/testplans/images/broken.png", "testplans/images/board.png", true},
      {"", "testplans/images/board.png", false},  // cancel recentres on the same photo
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    pf::test::ClearAsked();
    records.SetField(1, kFieldViewX, "7");
    pf::test::QueueFileAnswer(c.chosen);
    pf::test::PostGadgetEvent(kEditWindow, kEditSelectImageButton);
    EXPECT_TRUE(EditRecordsWindowStep(50));
    EXPECT_EQ(records.Field(1, kFieldPhoto), c.photo);
    EXPECT_EQ(pcbimagefile, c.photo);
    EXPECT_EQ(records.Field(1, kFieldViewX), c.reported ? "7" : "150");
    const auto& asked = pf::test::AskedRequesters();
    ASSERT_GE(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Please choose PCB image to open");
    ASSERT_EQ(asked.size(), c.reported ? 2u : 1u);
    if (c.reported) {
      EXPECT_EQ(asked[1].title, "Error #xxxx");
      EXPECT_EQ(asked[1].text, "Can't load the PCB image: testplans/images/broken.png");
      EXPECT_EQ(asked[1].flags & pf::kRequesterError, pf::kRequesterError);
    }
  }
  EXPECT_EQ(pf::GetGadgetText(kEditPhotoFile), " testplans/images/board.png");
  CloseEditRecordsWindow();
}

TEST_F(EditorTest, ZoomAndPanStayInsideLimitsAndPhoto) {
  const std::vector<std::pair<float, float>> zoomIn = {{2.5f, 3}, {24.7f, 25}, {25, 25}, {0, 1}, {1, 2}};
  for (auto [from, to] : zoomIn) {
    viewzoom = from;
    EditorZoomIn();
    EXPECT_EQ(viewzoom, to) << from;
  }
  viewzoom = 1.2f;
  EditorZoomOut();
  EXPECT_EQ(viewzoom, 1.0f);
  Photo("wide.png", 2000, 1000);
  pcbimagefile = "wide.png";
  viewzoom = 4;
  viewx = 500;
  viewy = 500;
  EditorPan(-1, 0);
  EXPECT_EQ(viewx, 450);
  viewx = 30;
  EditorPan(-1, 0);
  EXPECT_EQ(viewx, 1);
  viewzoom = 0;  // a record without a view: panned as the whole photo
  EditorPan(0, 1);
  EXPECT_EQ(viewy, 600);
  EditorCentre();
  EXPECT_EQ(viewx, 1000);
  EXPECT_EQ(viewy, 500);
  pcbimagefile = "missing.png";
  EditorPan(1, 1);
  EXPECT_EQ(viewx, 1000);
}

TEST_F(EditorTest, WindowLoopNavigatesEditsAndPicksPinOnPhoto) {
  Plan({"U1", "U1", "U2", "U2", "R1"});
  Photo("board.png", 640, 640);
  records.SetField(1, kFieldPhoto, "board.png");
  for (int r = 2; r <= 6; ++r) {
    records.SetFieldInt(r, kFieldViewX, 320);
    records.SetFieldInt(r, kFieldViewY, 320);
    records.SetField(r, kFieldViewZoom, "1");
    records.SetFieldInt(r, kFieldPinX, 100 * r);
    records.SetFieldInt(r, kFieldPinY, 100);
  }
  currentrecord = 2;
  pcbshowall = 1;
  ASSERT_TRUE(OpenEditRecordsWindow());
  EXPECT_EQ(pcbshowall, 0);
  EXPECT_EQ(pf::GetGadgetText(kEditRecordCount), "2/6");
  pf::test::PostGadgetEvent(kEditWindow, kEditNextComponentButton);  // >> : U2 at row 4
  EXPECT_TRUE(EditRecordsWindowStep(50));
  EXPECT_EQ(currentrecord, 4);
  EXPECT_EQ(pf::GetGadgetText(kEditWriteComponent), "U2");
  EXPECT_EQ(pf::GetGadgetText(kEditWritePinX), "400");
  pf::SetGadgetText(kEditWriteComponent, "IC9");
  pf::test::PostGadgetEvent(kEditWindow, kEditUpdateNameButton);
  EXPECT_TRUE(EditRecordsWindowStep(50));
  EXPECT_EQ(records.Field(5, kFieldComponent), "IC9");
  EXPECT_EQ(records.Field(5, kFieldDescription), "IC9, Pin 2");
  // A click 3 pixels beside the pin of row 6 (600, 100) on the whole photo.
  ASSERT_EQ(imagewindowright - imagewindowleft, 640);
  pf::test::PostClick(kEditWindow, 10 + 603 * 640 / (imagewindowright - imagewindowleft), 10 + 100);
  for (int k = 0; k < 3 && currentrecord != 6; ++k) EditRecordsWindowStep(20);
  EXPECT_EQ(currentrecord, 6);
  pf::test::PostGadgetEvent(kEditWindow, kEditZoomWindowButton);
  EditRecordsWindowStep(50);
  EXPECT_EQ(editinstruction, "Click on top-left corner of Component");
  EXPECT_TRUE(pf::test::GrabWindow(kEditWindow, "editor.png"));
  pf::test::PostWindowEvent(kEditWindow, pf::kEventCloseWindow);
  bool open = true;
  for (int k = 0; k < 5 && open; ++k) open = EditRecordsWindowStep(20);
  EXPECT_FALSE(open);
  CloseEditRecordsWindow();
  EXPECT_FALSE(pf::IsWindow(kEditWindow));
}

// Nothing in the editor falls due by time: its loop sleeps until the next
// event, each one handled as it comes.
TEST_F(EditorTest, WindowLoopSleepsUntilTheNextEvent) {
  Plan({"U1", "U2", "U3"});
  currentrecord = 2;
  std::vector<int> waits;
  pf::test::SetWaitHook([&waits] {
    waits.push_back(pf::test::WaitingMs());
    if (waits.size() <= 2)
      pf::test::PostGadgetEvent(kEditWindow, kEditNextRecordButton);
    else
      pf::test::PostWindowEvent(kEditWindow, pf::kEventCloseWindow);
  });
  YRM_EditRecordsWindow();
  pf::test::SetWaitHook(nullptr);
  EXPECT_FALSE(pf::IsWindow(kEditWindow));
  EXPECT_EQ(currentrecord, 4);
  ASSERT_EQ(waits.size(), 3u);
  for (int ms : waits) EXPECT_EQ(ms, pf::kLongestLoopWaitMs);
}

// A right click starts a placement on the photo, nowhere else in the window.
TEST_F(EditorTest, RightClickPlacesOnlyOnThePhoto) {
  Plan({"U1"});
  currentrecord = 2;
  ASSERT_TRUE(OpenEditRecordsWindow());
  pf::SetGadgetState(kEditPackageCombo, 1);  // "  1 pin"
  const std::pair<int, int> off[] = {{1275, 5}, {655, 300}, {5, 655}};
  for (auto [x, y] : off) {
    pf::test::PostClick(kEditWindow, x, y, true);
    for (int k = 0; k < 3; ++k) EditRecordsWindowStep(5);
    EXPECT_EQ(placementstep, 0) << x << ", " << y;
  }
  pf::test::PostClick(kEditWindow, 300, 300, true);
  for (int k = 0; k < 3 && placementstep == 0; ++k) EditRecordsWindowStep(5);
  EXPECT_EQ(placementstep, 1);
  EXPECT_EQ(editinstruction, "Click on Pin");
  CloseEditRecordsWindow();
}

}  // namespace
