// The File menu's plan commands, driven through menu events: open, save, new,
// the recent list and the board-photo choice.
#include "testing/planfiles.h"

#include <gtest/gtest.h>

#include <array>

#include "editor/state.h"
#include "mainwindow_fixture.h"
#include "platform/files.h"
#include "platform/requester.h"
#include "shell/menucommands.h"
#include "shell/refresh.h"
#include "shell/settings.h"
#include "testing/planfile.h"
#include "testing/records.h"
#include "testing/state.h"

using yrmtest::Slurp;
using yrmtest::Spit;

namespace {

const std::array<std::string, 8> kStoredSlots = {"p/1.qvt", "p/2.qvt", "p/3.qvt", "p/4.qvt",
                                                 "p/5.qvt", "p/6.qvt", "p/7.qvt", "p/8.qvt"};

class PlanFilesTest : public yrmtest::MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    YRM_ReadSettings();  // a settings file with every key
    Build();
    YRM_RefreshMainWindow();
    // A known list, stored and in memory, and an open plan of three rows.
    for (int i = 0; i < 8; ++i) {
      *Slot(i + 1) = kStoredSlots[i];
      YRM_WriteSetting("YRM_settings.txt", "YRM_TestPlanFileNameRecent" + std::to_string(i + 1),
                       kStoredSlots[i]);
    }
    testplanfilename = "p/1.qvt";
    YRM_WriteSetting("YRM_settings.txt", "YRM_TestPlanFileName", testplanfilename);
    YRM_UpdateRecentTestPlans();  // as start-up does once the menu is built
    pf::CreateDirectory("testplans");
    records = RecordTable(3, kPlanFields);
    records.SetField(2, kFieldComponent, "U1");
    currentrecord = 3;
    lastrecord = 3;
    pf::test::ClearAsked();
  }
  static std::string* Slot(int i) { return &RecentPlan(i); }
  static std::vector<std::string> StoredSlots() {
    std::vector<std::string> v;
    for (int i = 1; i <= 8; ++i) v.push_back(Stored("YRM_TestPlanFileNameRecent" + std::to_string(i)));
    return v;
  }
  static std::vector<std::string> Slots() {
    std::vector<std::string> v;
    for (int i = 1; i <= 8; ++i) {
      v.push_back(*Slot(i));
      EXPECT_EQ(pf::GetMenuItemText(kMainMenu, kItemRecentFirst + i - 1), *Slot(i))
          << "menu item of slot " << i;
    }
    return v;
  }
  static std::vector<std::string> Messages() {
    std::vector<std::string> v;
    for (const auto& a : pf::test::AskedRequesters())
      if (a.kind == "message") v.push_back(a.title + " " + a.text);
    return v;
  }
  static const pf::test::Asked* FileAsked() {
    for (const auto& a : pf::test::AskedRequesters())
      if (a.kind == "open" || a.kind == "save") return &a;
    return nullptr;
  }
};

using Strings = std::vector<std::string>;

TEST_F(PlanFilesTest, OpenRecentMovesOrAddsPlans) {
  struct Case {
    int slot;          // the slot's item is chosen; 0: the plan is in no slot
    std::string plan;  // the plan opened
    Strings slots;     // the list afterwards
    bool written;      // the eight keys are written
  };
  const Case cases[] = {
      {1,
       "p/1.qvt",
       {"p/1.qvt", "p/2.qvt", "p/3.qvt", "p/4.qvt", "p/5.qvt", "p/6.qvt", "p/7.qvt", "p/8.qvt"},
       false},
      {5,
       "p/5.qvt",
       {"p/5.qvt", "p/1.qvt", "p/2.qvt", "p/3.qvt", "p/4.qvt", "p/6.qvt", "p/7.qvt", "p/8.qvt"},
       false},
      {8,
       "p/8.qvt",
       {"p/8.qvt", "p/1.qvt", "p/2.qvt", "p/3.qvt", "p/4.qvt", "p/5.qvt", "p/6.qvt", "p/7.qvt"},
       false},
      // Letter case and the kind of slash make another entry.
      {0,
       "p\\5.qvt",
       {"p\\5.qvt", "p/1.qvt", "p/2.qvt", "p/3.qvt", "p/4.qvt", "p/5.qvt", "p/6.qvt", "p/7.qvt"},
       true},
      {0,
       "P/5.qvt",
       {"P/5.qvt", "p/1.qvt", "p/2.qvt", "p/3.qvt", "p/4.qvt", "p/5.qvt", "p/6.qvt", "p/7.qvt"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plan);
    for (int i = 1; i <= 8; ++i) *Slot(i) = kStoredSlots[i - 1];
    Spit(pf::NativePath(c.plan), "h1,h2\r\nr2,U7\r\n");
    if (c.slot > 0) {
      Choose(kItemRecentFirst + c.slot - 1);
    } else {
      pf::test::QueueFileAnswer(c.plan);
      Choose(kItemOpen);
    }
    EXPECT_EQ(records.Rows(), 2);
    EXPECT_EQ(records.Field(2, 2), "U7");
    EXPECT_EQ(currentrecord, 1);
    EXPECT_EQ(lastrecord, 0);
    EXPECT_EQ(testplanfilename, c.plan);
    EXPECT_EQ(Stored("YRM_TestPlanFileName"), c.plan);
    EXPECT_EQ(Slots(), c.slots);
    EXPECT_EQ(StoredSlots(), c.written ? c.slots : Strings(kStoredSlots.begin(), kStoredSlots.end()));
    for (int i = 1; i <= 8; ++i)
      YRM_WriteSetting("YRM_settings.txt", "YRM_TestPlanFileNameRecent" + std::to_string(i),
                       kStoredSlots[i - 1]);
  }
  const pf::test::Asked* asked = FileAsked();
  ASSERT_NE(asked, nullptr);
  EXPECT_EQ(asked->kind, "open");
  EXPECT_EQ(asked->title, "Please choose a file to open");
  EXPECT_EQ(asked->text, "*.qvt");
  EXPECT_EQ(asked->pattern, "Test (*.qvt)|*.qvt|All files (*.*)|*.*");
  EXPECT_EQ(asked->flags, 0);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(PlanFilesTest, NewPlanFillsEmptySlotsWithTheirDemoPlans) {
  *Slot(3) = "";
  *Slot(8) = "";
  mode = "Advanced";
  pf::test::QueueFileAnswer("testplans/fresh.qvt");
  Choose(kItemNew);
  const Strings expected = {"testplans/fresh.qvt",
                            "p/1.qvt",
                            "p/2.qvt",
                            "testplans/demo_D.qvt",
                            "p/4.qvt",
                            "p/5.qvt",
                            "p/6.qvt",
                            "p/7.qvt"};
  EXPECT_EQ(Slots(), expected);
  EXPECT_EQ(StoredSlots(), expected);
}

TEST_F(PlanFilesTest, OpenThatFailsOrIsCancelledChangesNothing) {
  const std::string before = Slurp("YRM_settings.txt");
  // Cancelled dialog, a missing plan and a plan that is a folder.
  pf::CreateDirectory("folder.qvt");
  for (const char* answer : {"", "missing.qvt", "folder.qvt"}) {
    SCOPED_TRACE(answer);
    pf::test::ClearAsked();
    pf::test::QueueFileAnswer(answer);
    Choose(kItemOpen);
    EXPECT_EQ(records.Rows(), 3);
    EXPECT_EQ(records.Field(2, kFieldComponent), "U1");
    EXPECT_EQ(currentrecord, 3);
    EXPECT_EQ(testplanfilename, "p/1.qvt");
    EXPECT_EQ(Slurp("YRM_settings.txt"), before);
    EXPECT_EQ(*Slot(1), "p/1.qvt");
    EXPECT_EQ(Messages(),
              std::string(answer).empty() ? Strings{} : Strings{"Error #0065 Cannot open .qvt file"});
  }
  // A recent slot naming a plan that is gone: the same.
  Choose(kItemRecentFirst + 3);
  EXPECT_EQ(testplanfilename, "p/1.qvt");
  EXPECT_EQ(*Slot(4), "p/4.qvt");
}

TEST_F(PlanFilesTest, SaveUnderANewNameKeepsTheOpenPlansName) {
  const std::string settings = Slurp("YRM_settings.txt");
  pf::test::QueueFileAnswer("copy.qvt");
  Choose(kItemSave);
  std::string expected;
  FormatTestPlanText(records, expected);
  EXPECT_EQ(Slurp("copy.qvt"), expected);
  EXPECT_EQ(testplanfilename, "p/1.qvt");
  EXPECT_EQ(Slots()[0], "p/1.qvt");
  EXPECT_EQ(Slots()[1], "p/2.qvt");
  EXPECT_EQ(Slurp("YRM_settings.txt"), settings);
  YRM_RefreshMainWindow();
  EXPECT_EQ(pf::GetGadgetItemText(kTestTree, 0), "p/1.qvt");
  const pf::test::Asked* asked = FileAsked();
  ASSERT_NE(asked, nullptr);
  EXPECT_EQ(asked->kind, "save");
  EXPECT_EQ(asked->title, "Please choose file to save");
  EXPECT_EQ(asked->text, "p/1.qvt");
  EXPECT_EQ(asked->pattern, "Test (*.qvt)|*.qvt|All files (*.*)|*.*");

  // A file that cannot be written: #0064, the name and the list stay.
  pf::test::ClearAsked();
  pf::test::FailRenames(1);
  pf::test::QueueFileAnswer("copy2.qvt");
  Choose(kItemSave);
  pf::test::FailRenames(0);
  EXPECT_FALSE(pf::FileExists("copy2.qvt"));
  EXPECT_EQ(Messages(), Strings{"Error #0064 File cannot be created"});
  EXPECT_EQ(testplanfilename, "p/1.qvt");
  EXPECT_EQ(Slurp("YRM_settings.txt"), settings);

  // Cancel writes nothing.
  pf::test::ClearAsked();
  Choose(kItemSave);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Slurp("YRM_settings.txt"), settings);
}

TEST_F(PlanFilesTest, NewOnlyInAdvancedMode) {
  for (const char* m : {"Basic", "Basic-Auto"}) {
    pf::test::ClearAsked();
    mode = m;
    Choose(kItemNew);
    EXPECT_EQ(Messages(), Strings{"Info #0063 This function is only available in Advanced mode."}) << m;
    EXPECT_EQ(FileAsked(), nullptr);
    EXPECT_EQ(records.Rows(), 3);
    EXPECT_EQ(testplanfilename, "p/1.qvt");
    EXPECT_EQ(pf::GetGadgetState(kCaptureModeCheck), 0);
  }
}

TEST_F(PlanFilesTest, NewPlanIsSavedOpenedAndTicksCapture) {
  mode = "Advanced";
  runstate = 1;
  pf::test::QueueFileAnswer("testplans/board.qvt");
  Choose(kItemNew);
  EXPECT_EQ(Slurp("testplans/board.qvt"), std::string(575, ',') + "\r\n");
  EXPECT_EQ(records.Rows(), 1);
  EXPECT_EQ(records.Fields(), kPlanFields);
  EXPECT_EQ(currentrecord, 1);
  EXPECT_EQ(lastrecord, 0);
  EXPECT_EQ(testplanfilename, "testplans/board.qvt");
  EXPECT_EQ(Stored("YRM_TestPlanFileName"), "testplans/board.qvt");
  EXPECT_EQ(Slots()[0], "testplans/board.qvt");
  EXPECT_EQ(pf::GetGadgetState(kCaptureModeCheck), 1);
  EXPECT_EQ(runstate, 1);  // ticked without a control event
  EXPECT_EQ(fullredraw, 1);
  EXPECT_EQ(traceredraw, 1);
  EXPECT_TRUE(Messages().empty());
  const pf::test::Asked* asked = FileAsked();
  ASSERT_NE(asked, nullptr);
  EXPECT_EQ(asked->title, "Please choose file to save");
  EXPECT_EQ(asked->text, "p/1.qvt");
}

TEST_F(PlanFilesTest, CancellingNewLeavesAnEmptyUnnamedPlan) {
  mode = "Advanced";
  Choose(kItemNew);
  EXPECT_EQ(records.Rows(), 1);
  EXPECT_EQ(records.Fields(), kPlanFields);
  EXPECT_EQ(records.Field(1, kFieldComponent), "");
  EXPECT_EQ(Messages(), Strings{"Error #0065 Cannot open .qvt file"});
  EXPECT_EQ(testplanfilename, "");
  EXPECT_EQ(Stored("YRM_TestPlanFileName"), "");
  const Strings expected = {
      "testplans/demo_A.qvt", "p/1.qvt", "p/2.qvt", "p/3.qvt", "p/4.qvt", "p/5.qvt", "p/6.qvt", "p/7.qvt"};
  EXPECT_EQ(Slots(), expected);
  EXPECT_EQ(StoredSlots(), expected);
  EXPECT_EQ(pf::GetGadgetState(kCaptureModeCheck), 1);
}

TEST_F(PlanFilesTest, PhotoInsideTheWorkingFolderIsStoredRelative) {
  struct Case {
    std::string chosen, stored;
  };
  const Case cases[] = {
      {dir + "/testplans/images/board.jpg", "testplans/images/board.jpg"},
      {dir + "/images/b.png", "images/b.png"},
      {"/elsewhere/board.jpg", "/elsewhere/board.jpg"},
      // A sibling folder whose name starts like the working folder's.
      {dir + "2/board.jpg", dir + "2/board.jpg"},
      // The working folder's path further inside another path is no prefix.
      {"/mnt/copy" + dir + "/board.jpg", "/mnt/copy" + dir + "/board.jpg"},
      {"", "/mnt/copy" + dir + "/board.jpg"},  // cancel keeps the last choice
  };
  for (const Case& c : cases) {
    pf::test::ClearAsked();
    pf::test::QueueFileAnswer(c.chosen);
    YRM_ChoosePcbImage();
    EXPECT_EQ(pcbimagefile, c.stored) << c.chosen;
  }
  const pf::test::Asked* asked = FileAsked();
  ASSERT_NE(asked, nullptr);
  EXPECT_EQ(asked->kind, "open");
  EXPECT_EQ(asked->title, "Please choose PCB image to open");
  EXPECT_EQ(asked->text, "\\images\\*.jpg");
  EXPECT_EQ(asked->pattern, "JPG (*.jpg)|*.jpg|PNG (*.png)|*.png|All files (*.*)|*.*");
  EXPECT_EQ(asked->flags, 0);
}

}  // namespace
