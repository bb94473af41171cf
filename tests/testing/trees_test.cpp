#include "testing/trees.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "componentsplan.h"
#include "editor/editwindow.h"
#include "platform/gui.h"
#include "shell/panels.h"
#include "shell/resources.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/navigation.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
struct Pin {
  const char* component;
  const char* pin;
  const char* result = "Untested";
  const char* golden = "Yes";
  const char* note = "";
};

struct Shown {
  std::string text;
  int level, data;
  bool operator==(const Shown&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Shown& s) {
  return os << "{" << s.text << ", " << s.level << ", " << s.data << "}";
}

class TreesTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    pf::test::ResetGui();
    SetStartValues();
    pf::InitGui();
    ASSERT_TRUE(pf::OpenWindow(kMainWindow, 0, 0, 800, 600, "trees", 0));
    YRM_CreateBadTreePanel();
    YRM_CreateTestTreePanel();
    testplanfilename = "testplans\\board.qvt";
  }
  void TearDown() override {
    pf::test::ResetGui();
    WorkFolder::TearDown();
  }
  static void Plan(const std::vector<Pin>& pins) {
    records = RecordTable(1 + int(pins.size()), kPlanFields);
    for (int i = 0; i < int(pins.size()); ++i) {
      const Pin& p = pins[i];
      records.SetField(i + 2, kFieldComponent, p.component);
      records.SetField(i + 2, kFieldPin, p.pin);
      records.SetField(i + 2, kFieldResult, p.result);
      records.SetField(i + 2, kFieldGolden, p.golden);
      records.SetField(i + 2, kFieldNote, p.note);
    }
  }
  static std::vector<Shown> Entries(int tree) {
    std::vector<Shown> shown;
    for (int i = 0; i < pf::CountGadgetItems(tree); ++i)
      shown.push_back({pf::GetGadgetItemText(tree, i), pf::GetGadgetItemSublevel(tree, i),
                       pf::GetGadgetItemData(tree, i)});
    return shown;
  }
  static std::vector<int> Icons(int tree) {
    std::vector<int> icons;
    for (int i = 0; i < pf::CountGadgetItems(tree); ++i) icons.push_back(pf::GetGadgetItemImage(tree, i));
    return icons;
  }
  const std::vector<Pin> twoComponents = {{"U1", "1"}, {"U1", "2"}, {"U1", "3"}, {"U2", "1"}, {"U2", "2"}};
};
}  // namespace

TEST_F(TreesTest, TestTreeGroupsPinsUnderComponents) {
  Plan(twoComponents);
  currentrecord = 5;
  YRM_BuildTestTree();
  EXPECT_EQ(Entries(kTestTree), (std::vector<Shown>{{"testplans\\board.qvt", 0, 2},
                                                    {"U1", 0, 2},
                                                    {"1", 1, 2},
                                                    {"2", 1, 3},
                                                    {"3", 1, 4},
                                                    {"U2", 0, 5},
                                                    {"1", 1, 5},
                                                    {"2", 1, 6}}));
  // The first pin of U2, not U2 itself.
  EXPECT_EQ(pf::GetGadgetState(kTestTree), 6);
  EXPECT_EQ(pf::GetGadgetColor(kTestTree, pf::kColorBack), colourblack);
  EXPECT_EQ(pf::GetGadgetColor(kTestTree, pf::kColorFront), colourwhite);

  // The header current: the selection stays where it was.
  currentrecord = 1;
  YRM_BuildTestTree();
  EXPECT_EQ(pf::GetGadgetState(kTestTree), 6);
}

TEST_F(TreesTest, NotesAndTitleWithoutWorkingFolder) {
  Plan({{"R5", "2", "Untested", "Yes", "solder"}, {"R5", "3", "Bad", "Yes", "cold joint"}});
  testplanfilename = dir + "/testplans/board.qvt";
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  EXPECT_EQ(pf::GetGadgetItemText(kTestTree, 0), "testplans/board.qvt");
  EXPECT_EQ(pf::GetGadgetItemText(kTestTree, 2), "2  solder");
  EXPECT_EQ(Entries(kBadTree),
            (std::vector<Shown>{{"testplans/board.qvt", 0, 2}, {"R5, Pin 3  cold joint", 0, 3}}));
  // Written with "\" after the folder, as a plan from the settings file may be.
  testplanfilename = dir + "\\testplans\\other.qvt";
  YRM_BuildTestTree();
  EXPECT_EQ(pf::GetGadgetItemText(kTestTree, 0), "testplans\\other.qvt");
}

TEST_F(TreesTest, IconsByPriority) {
  struct Case {
    std::vector<Pin> pins;
    int component;
    std::vector<int> pinIcons;
  };
  const Case cases[] = {
      {{{"U1", "1", "Good"}, {"U1", "2", "Good"}, {"U1", "3", "Bad"}},
       kImageBad23,
       {kImageGood23, kImageGood23, kImageBad23}},
      {{{"U1", "1", "Good"}, {"U1", "2", "Bad", "No"}, {"U1", "3", "Untested"}},
       kImageNoSig23,
       {kImageGood23, kImageNoSig23, kImageUntested23}},
      {{{"U1", "1", "Bad"}, {"U1", "2", "Untested"}}, kImageUntested23, {kImageBad23, kImageUntested23}},
      {{{"U1", "1", "Good"}, {"U1", "2", "Good"}}, kImageGood23, {kImageGood23, kImageGood23}},
      {{{"U1", "1", "NoTest"}, {"U1", "2", "NoTest"}}, kImageGood23, {kImageNoTest23, kImageNoTest23}},
  };
  for (const Case& c : cases) {
    pf::ClearGadgetItems(kTestTree);
    Plan(c.pins);
    YRM_BuildTestTree();
    std::vector<int> expected = {kImageBlock23, c.component};
    expected.insert(expected.end(), c.pinIcons.begin(), c.pinIcons.end());
    EXPECT_EQ(Icons(kTestTree), expected);
  }
  // A result the tree does not know keeps the icon the pin had.
  records.SetField(2, kFieldResult, "Maybe");
  YRM_BuildTestTree();
  EXPECT_EQ(pf::GetGadgetItemImage(kTestTree, 2), kImageNoTest23);
}

TEST_F(TreesTest, OnlyChangedEntriesAreReplaced) {
  Plan(twoComponents);
  currentrecord = 3;
  YRM_BuildTestTree();
  ASSERT_EQ(pf::GetGadgetState(kTestTree), 3);
  // An entry the rebuild keeps keeps its expanded state; a replaced one starts afresh.
  pf::SetGadgetItemState(kTestTree, 1, 1);
  pf::SetGadgetItemState(kTestTree, 5, 1);
  records.SetField(5, kFieldComponent, "U3");  // U2 pin 1 becomes U3 pin 1
  YRM_BuildTestTree();
  EXPECT_EQ(Entries(kTestTree), (std::vector<Shown>{{"testplans\\board.qvt", 0, 2},
                                                    {"U1", 0, 2},
                                                    {"1", 1, 2},
                                                    {"2", 1, 3},
                                                    {"3", 1, 4},
                                                    {"U3", 0, 5},
                                                    {"1", 1, 5},
                                                    {"U2", 0, 6},
                                                    {"2", 1, 6}}));
  EXPECT_EQ(pf::GetGadgetItemState(kTestTree, 1), 1);
  EXPECT_EQ(pf::GetGadgetItemState(kTestTree, 5), 0);
  EXPECT_EQ(pf::GetGadgetState(kTestTree), 3);

  // Rows removed (as the editor does): leftovers go, data follows the rows.
  records.DeleteRows(2, 3);
  YRM_BuildTestTree();
  EXPECT_EQ(Entries(kTestTree),
            (std::vector<Shown>{
                {"testplans\\board.qvt", 0, 2}, {"U3", 0, 2}, {"1", 1, 2}, {"U2", 0, 3}, {"2", 1, 3}}));
}

TEST_F(TreesTest, BadTreeFollowsResults) {
  Plan(twoComponents);
  YRM_BuildBadTree();
  EXPECT_EQ(Entries(kBadTree), (std::vector<Shown>{{"testplans\\board.qvt", 0, 2}}));
  EXPECT_EQ(Icons(kBadTree), (std::vector<int>{kImageBlock23}));

  for (int row : {2, 4, 6}) records.SetField(row, kFieldResult, "Bad");
  YRM_BuildBadTree();
  EXPECT_EQ(
      Entries(kBadTree),
      (std::vector<Shown>{
          {"testplans\\board.qvt", 0, 2}, {"U1, Pin 1", 0, 2}, {"U1, Pin 3", 0, 4}, {"U2, Pin 2", 0, 6}}));
  EXPECT_EQ(Icons(kBadTree), (std::vector<int>{kImageBlock23, kImageBad23, kImageBad23, kImageBad23}));

  records.SetField(2, kFieldResult, "Good");
  records.SetField(6, kFieldResult, "Good");
  YRM_BuildBadTree();
  EXPECT_EQ(Entries(kBadTree), (std::vector<Shown>{{"testplans\\board.qvt", 0, 2}, {"U1, Pin 3", 0, 4}}));
  EXPECT_EQ(Icons(kBadTree), (std::vector<int>{kImageBlock23, kImageBad23}));

  // A row removed before it: the entry keeps its text but must name the new row.
  records.DeleteRows(3, 1);
  YRM_BuildBadTree();
  EXPECT_EQ(Entries(kBadTree), (std::vector<Shown>{{"testplans\\board.qvt", 0, 2}, {"U1, Pin 3", 0, 3}}));
}

TEST_F(TreesTest, HeaderOnlyPlanAndMissingTrees) {
  records = RecordTable();
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  EXPECT_EQ(pf::CountGadgetItems(kTestTree), 1);
  EXPECT_EQ(pf::CountGadgetItems(kBadTree), 1);
  pf::test::ResetGui();  // no window: nothing to build, nothing breaks
  YRM_BuildTestTree();
  YRM_BuildBadTree();
}

namespace {
void BigPlan(int pins, const std::string& component) {
  records = RecordTable(1 + pins, kPlanFields);
  for (int r = 2; r <= pins + 1; ++r) {
    records.SetField(r, kFieldComponent, component);
    records.SetField(r, kFieldPin, std::to_string(r - 1));
    records.SetField(r, kFieldResult, "Untested");
  }
}
}  // namespace

// All pins under one component, built into an empty tree and then into the
// tree of another plan: four times the pins cost about four times the CPU
// time (a backward search per entry made it sixteen).
TEST_F(TreesTest, BuildingScalesLinearlyWithThePins) {
  auto cpuOfBuilds = [](int pins) {
    double best = 1e9;
    for (int rep = 0; rep < 3; ++rep) {
      pf::ClearGadgetItems(kTestTree);
      BigPlan(pins, "U1");
      std::clock_t c0 = std::clock();
      YRM_BuildTestTree();
      double cpu = double(std::clock() - c0);
      BigPlan(pins, "U2");
      c0 = std::clock();
      YRM_BuildTestTree();
      cpu += double(std::clock() - c0);
      best = std::min(best, cpu / CLOCKS_PER_SEC);
    }
    return best;
  };
  const double small = cpuOfBuilds(10000), large = cpuOfBuilds(40000);
  EXPECT_LT(large, 8 * small) << small << " s for 10,000 pins, " << large << " s for 40,000";
  const int n = pf::CountGadgetItems(kTestTree);
  ASSERT_EQ(n, 40002);
  EXPECT_EQ(Entries(kTestTree)[1], (Shown{"U2", 0, 2}));
  EXPECT_EQ(Entries(kTestTree)[n - 1], (Shown{"40000", 1, 40001}));
}

namespace {
// One step of an automatic test: the current pin judged, the next one made
// current and both trees brought in line, as the main step does.
void JudgeAndStep(int k) {
  records.SetField(currentrecord, kFieldResult, k % 4 == 3 ? "Bad" : "Good");
  YRM_NextRecord();
  YRM_BuildTestTree();
  YRM_BuildBadTree();
}
}  // namespace

// A record step reads the fields it changed and the few it shows, whatever
// the plan's size: at 10,000 and 100,000 pins within three times what it
// reads at 1,000 (it used to read every row, twice).
TEST_F(TreesTest, ARecordStepCostsTheSameWhateverThePlansSize) {
  auto readsPerStep = [](int pins) {
    yrmtest::ComponentsPlan(pins);
    currentrecord = 2;
    YRM_BuildTestTree();
    YRM_BuildBadTree();
    constexpr int kSteps = 40;
    const uint64_t before = RecordTable::FieldReads();
    for (int k = 0; k < kSteps; ++k) JudgeAndStep(k);
    return double(RecordTable::FieldReads() - before) / kSteps;
  };
  const double small = readsPerStep(1000), medium = readsPerStep(10000), large = readsPerStep(100000);
  EXPECT_LE(medium, 3 * small) << small << " fields read a step at 1,000 pins, " << medium << " at 10,000";
  EXPECT_LE(large, 3 * small) << small << " fields read a step at 1,000 pins, " << large << " at 100,000";
  EXPECT_EQ(pf::GetGadgetItemData(kTestTree, pf::GetGadgetState(kTestTree)), 42);
  EXPECT_EQ(pf::CountGadgetItems(kBadTree), 1 + 10);
}

// Trees brought in line step by step show what trees built afresh show:
// every text, depth, row and icon, and the selection.
TEST_F(TreesTest, StepByStepTreesEqualTreesBuiltAfresh) {
  yrmtest::ComponentsPlan(100);
  currentrecord = 2;
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  for (int k = 0; k < 60; ++k) JudgeAndStep(k);
  records.SetField(5, kFieldNote, "lifted");    // a Bad pin's text changes in place
  records.SetField(7, kFieldGolden, "No");      // its component's icon changes
  records.SetField(9, kFieldResult, "Good");    // a Bad pin leaves the bad tree
  records.SetField(90, kFieldResult, "Bad");    // one past the judged ones enters it
  records.SetField(90, kFieldResult, "Maybe");  // and leaves it, keeping its icon
  testplanfilename = "testplans\\renamed.qvt";  // the titles change
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  const auto tree = Entries(kTestTree), bad = Entries(kBadTree);
  const auto icons = Icons(kTestTree), badIcons = Icons(kBadTree);
  const int selected = pf::GetGadgetState(kTestTree);
  EXPECT_EQ(bad.size(), 1u + 14);
  EXPECT_EQ(bad[1], (Shown{"U1, Pin 4  lifted", 0, 5}));
  EXPECT_EQ(tree[0].text, "testplans\\renamed.qvt");
  pf::ClearGadgetItems(kTestTree);
  pf::ClearGadgetItems(kBadTree);
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  EXPECT_EQ(Entries(kTestTree), tree);
  EXPECT_EQ(Entries(kBadTree), bad);
  EXPECT_EQ(Icons(kBadTree), badIcons);
  EXPECT_EQ(pf::GetGadgetState(kTestTree), selected);
  // Built afresh, the pin of the unknown result has no icon yet.
  std::vector<int> afresh = Icons(kTestTree);
  const int maybe = 1 + 88 + 12;  // the title, 88 pins and 12 components before row 90's pin
  EXPECT_EQ(afresh[maybe], -1);
  EXPECT_EQ(icons[maybe], kImageUntested23);
  afresh[maybe] = icons[maybe];
  EXPECT_EQ(afresh, icons);
}

namespace {
// The texts of the open component entries, in order.
std::vector<std::string> OpenComponents() {
  std::vector<std::string> open;
  for (int i = 1; i < pf::CountGadgetItems(kTestTree); ++i)
    if (pf::GetGadgetItemSublevel(kTestTree, i) == 0 && pf::GetGadgetItemState(kTestTree, i))
      open.push_back(pf::GetGadgetItemText(kTestTree, i));
  return open;
}

// One change in the editor, made with its button as the operator makes it.
void EditorChange(int button, const char* componentName = nullptr) {
  ASSERT_TRUE(OpenEditRecordsWindow());
  if (componentName) pf::SetGadgetText(kEditWriteComponent, componentName);
  pf::test::PostGadgetEvent(kEditWindow, button);
  EXPECT_TRUE(EditRecordsWindowStep(50));
  CloseEditRecordsWindow();
}
}  // namespace

// The components a walk through the plan opened by selecting pins in them
// stay open through a change in the editor, those before the change and
// those after it alike; the walk goes on to open the component of the row
// current after the change.
TEST_F(TreesTest, ComponentsTheWalkOpenedStayOpenThroughEditorChanges) {
  struct Case {
    const char* change;
    int button;
    const char* rename;
    std::vector<std::string> open;
  };
  const Case cases[] = {
      {"Manual Insert After", kEditInsertAfterButton, nullptr, {"U1", "U2", "U3", "U4", "", "U120"}},
      {"Insert Before", kEditInsertBeforeButton, nullptr, {"U1", "U2", "U3", "U4", "", "U120"}},
      {"Delete Single Pin Record", kEditDeleteRecordButton, nullptr, {"U1", "U2", "U3", "U4", "U120"}},
      {"Delete Whole Component", kEditDeleteComponentButton, nullptr, {"U1", "U2", "U3", "U5", "U120"}},
      {"component renamed", kEditUpdateNameButton, "IC4", {"U1", "U2", "U3", "U120"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.change);
    pf::ClearGadgetItems(kTestTree);
    yrmtest::ComponentsPlan(120 * 8);
    // The last pin, the first, then Alt+X twice, Alt+Z three times and Alt+X:
    // each move brings the tree in line, as the refresh does.
    const std::vector<void (*)()> walk = {[] { currentrecord = records.Rows(); },
                                          [] { currentrecord = 2; },
                                          YRM_NextRecord,
                                          YRM_NextRecord,
                                          MoveToNextComponent,
                                          MoveToNextComponent,
                                          MoveToNextComponent,
                                          YRM_NextRecord};
    for (auto move : walk) {
      move();
      YRM_BuildTestTree();
    }
    ASSERT_EQ(currentrecord, 27);
    ASSERT_EQ(OpenComponents(), (std::vector<std::string>{"U1", "U2", "U3", "U4", "U120"}));
    EditorChange(c.button, c.rename);
    EXPECT_EQ(OpenComponents(), c.open);
  }
}

// While the editor changes the table, whatever makes the main window's trees
// paint shows them as the table now is, never old entries with new texts.
TEST_F(TreesTest, TreesPaintedWhileTheEditorChangesTheTableShowItAsItIs) {
  yrmtest::ComponentsPlan(40);
  for (int row = 2; row <= records.Rows(); ++row)
    records.SetField(row, kFieldResult, row % 3 == 0 ? "Bad" : row % 3 == 1 ? "Good" : "Untested");
  currentrecord = 9;
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  ASSERT_TRUE(OpenEditRecordsWindow());
  for (int button :
       {kEditFirstRecordButton, kEditDeleteRecordButton, kEditDeleteRecordButton, kEditDeleteRecordButton}) {
    pf::test::PostGadgetEvent(kEditWindow, button);
    EXPECT_TRUE(EditRecordsWindowStep(50));
  }
  ASSERT_EQ(records.Rows(), 1 + 37);
  ASSERT_TRUE(pf::test::GrabWindow(kMainWindow, "main.png"));
  const auto tree = Entries(kTestTree), bad = Entries(kBadTree);
  const auto icons = Icons(kTestTree), badIcons = Icons(kBadTree);
  pf::ClearGadgetItems(kTestTree);
  pf::ClearGadgetItems(kBadTree);
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  EXPECT_EQ(tree, Entries(kTestTree));
  EXPECT_EQ(icons, Icons(kTestTree));
  EXPECT_EQ(bad, Entries(kBadTree));
  EXPECT_EQ(badIcons, Icons(kBadTree));
  CloseEditRecordsWindow();
}
