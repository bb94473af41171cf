// The window service, offscreen: geometry below the menu bar, clicks and the
// mouse position, shortcuts, the event queue's wait, silence on programmatic
// changes, tree entries, cross-thread texts and missing numbers.
#include "platform/gui.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <thread>

#include "platform/image.h"
#include "platform/qtbridge.h"
#include "platform/requester.h"

namespace {
using namespace pf;
using Clock = std::chrono::steady_clock;
constexpr int kWin = 1, kMenu = 30;

struct Ev {
  int kind, win, gadget, menu, type;
};

// Every event the toolkit has for us now (none left after `ms` of quiet).
std::vector<Ev> Drain(int ms = 20) {
  std::vector<Ev> got;
  auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end)
    if (int k = WaitWindowEvent(1))
      got.push_back({k, EventWindow(), EventGadget(), EventMenu(), EventType()});
  return got;
}

class Gui : public ::testing::Test {
 protected:
  void SetUp() override {
    InitGui();
    test::ResetGui();
    test::ResetImages();
  }
  void TearDown() override { test::ResetGui(); }

  // Window 1, 400 x 300 inner, with a menu bar; events of the opening drained.
  void OpenWithMenu() {
    ASSERT_TRUE(OpenWindow(kWin, 30, 40, 400, 300, "main", kWindowTitleBar | kWindowSizeable));
    ASSERT_TRUE(CreateMenu(kMenu, kWin));
    MenuTitle("Test");
    MenuItem(175, " 2 cycles");
    OpenSubMenu("Sub & more");
    MenuItem(176, "A&B");
    CloseSubMenu();
    Drain();
  }
  QWidget* Top() { return CurrentQtWindow(); }
  template <class T>
  T* Widget(int g) {
    // The control's widget: the one at its place in the window.
    QWidget* top = Top();
    QMenuBar* bar = top->findChild<QMenuBar*>();
    QPoint p(GadgetWindowX(g) + 1, GadgetWindowY(g) + 1 + (bar ? bar->height() : 0));
    for (QWidget* w = top->childAt(p); w; w = w->parentWidget())
      if (auto* t = qobject_cast<T*>(w)) return t;
    return nullptr;
  }
};

TEST_F(Gui, InnerSizeIncludesMenuBarAndControlsStartBelowIt) {
  ASSERT_TRUE(OpenWindow(kWin, 30, 40, 400, 300, "main", kWindowTitleBar));
  ButtonGadget(10, 5, 6, 50, 20, "b");
  QWidget* button = Top()->childAt(6, 7);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->mapTo(Top(), QPoint(0, 0)), QPoint(5, 6));

  ASSERT_TRUE(CreateMenu(kMenu, kWin));
  MenuTitle("File");
  const int mh = MenuHeight();
  ASSERT_GT(mh, 10);
  EXPECT_EQ(WindowWidth(kWin), 400);
  EXPECT_EQ(WindowHeight(kWin), 300);  // the menu bar takes its height from the inner size
  EXPECT_EQ(Top()->size(), QSize(400, 300));
  QMenuBar* bar = Top()->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->geometry(), QRect(0, 0, 400, mh));
  EXPECT_EQ(button->mapTo(Top(), QPoint(0, 0)), QPoint(5, 6 + mh));
  EXPECT_EQ(GadgetX(10), 5);
  EXPECT_EQ(GadgetY(10), 6);

  // Containers: coordinates inside are relative to them; window coordinates add up.
  ContainerGadget(20, 100, 50, 200, 100);
  TextGadget(21, 7, 8, 50, 20, "t");
  CloseGadgetList();
  ButtonGadget(22, 1, 2, 30, 20, "after");
  EXPECT_EQ(GadgetX(21), 7);
  EXPECT_EQ(GadgetWindowX(21), 107);
  EXPECT_EQ(GadgetWindowY(21), 58);
  EXPECT_EQ(GadgetWindowY(22), 2);  // back in the window after CloseGadgetList

  // Resizing keeps the menu bar's height and, with -1, the position.
  int x = WindowX(kWin), y = WindowY(kWin);
  ResizeWindow(kWin, -1, -1, 500, 320);
  EXPECT_EQ(WindowWidth(kWin), 500);
  EXPECT_EQ(WindowHeight(kWin), 320);
  EXPECT_EQ(WindowX(kWin), x);
  EXPECT_EQ(WindowY(kWin), y);
  EXPECT_EQ(bar->geometry(), QRect(0, 0, 500, mh));
  EXPECT_EQ(MenuHeight(), mh);
}

TEST_F(Gui, ClickOnImageControlGivesControlEventAndMousePosition) {
  OpenWithMenu();
  ASSERT_TRUE(CreateImage(100, 40, 30, 0x0000FF));
  ContainerGadget(5, 10, 20, 200, 200);
  ASSERT_TRUE(ImageGadget(6, 30, 40, 0, 0, 100));  // takes the image's size
  CloseGadgetList();
  EXPECT_EQ(GadgetWidth(6), 40);
  EXPECT_EQ(GadgetHeight(6), 30);

  struct Case {
    int x, y;
    bool right;
    int kind, gadget, type;
  };
  const Case cases[] = {
      {45, 65, false, kEventGadget, 6, kTypeLeftClick},
      {79, 89, true, kEventGadget, 6, kTypeRightClick},  // last pixel of the image control
      {80, 90, false, kEventLeftClick, -1, kTypeNone},   // just outside: the container's background
      {300, 250, true, kEventRightClick, -1, kTypeNone},
  };
  for (const Case& c : cases) {
    test::PostClick(kWin, c.x, c.y, c.right);
    ASSERT_EQ(WaitWindowEvent(1), c.kind) << c.x << "," << c.y;
    EXPECT_EQ(EventWindow(), kWin);
    if (c.kind == kEventGadget) {
      EXPECT_EQ(EventGadget(), c.gadget);
      EXPECT_EQ(EventType(), c.type);
    }
    EXPECT_EQ(WindowMouseX(kWin), c.x);
    EXPECT_EQ(WindowMouseY(kWin), c.y);
  }
  EXPECT_TRUE(Drain().empty());
}

TEST_F(Gui, ImageControlPaintsImageUnscaledAndFollowsChanges) {
  OpenWithMenu();
  ASSERT_TRUE(CreateImage(100, 20, 10, 0x0000FF));  // red
  ImageGadget(6, 0, 0, 60, 40, 100);
  QWidget* w = Widget<QWidget>(6);
  ASSERT_NE(w, nullptr);
  QImage shot = w->grab().toImage();
  EXPECT_EQ(shot.size(), QSize(60, 40));
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(19, 9), QColor(255, 0, 0));
  EXPECT_NE(shot.pixelColor(20, 9), QColor(255, 0, 0));  // not stretched
  EXPECT_NE(shot.pixelColor(59, 39), QColor(255, 0, 0));

  // The image changed under its number: a refresh shows it.
  ASSERT_TRUE(CreateImage(100, 20, 10, 0x00FF00));
  RefreshImageGadgets(100);
  EXPECT_EQ(w->grab().toImage().pixelColor(0, 0), QColor(0, 255, 0));
  // Another number through the state; a missing number shows nothing.
  ASSERT_TRUE(CreateImage(101, 5, 5, 0xFF0000));
  SetGadgetState(6, 101);
  EXPECT_EQ(GetGadgetState(6), 101);
  EXPECT_EQ(w->grab().toImage().pixelColor(0, 0), QColor(0, 0, 255));
  SetGadgetImage(6, 999);
  EXPECT_NE(w->grab().toImage().pixelColor(0, 0), QColor(0, 0, 255));
  EXPECT_EQ(GadgetWidth(6), 60);
}

// A picture that fills its control is painted alone, without the window's
// background under it; once it no longer fills the control (a smaller
// picture, a larger control) the background shows again round it.
TEST_F(Gui, ImageControlShowsWindowBackgroundWhereThePictureEnds) {
  OpenWithMenu();
  SetWindowColor(kWin, 0x00FF00);                   // green
  ASSERT_TRUE(CreateImage(100, 60, 40, 0x0000FF));  // red, the control's size
  ImageGadget(6, 10, 10, 60, 40, 100);
  auto at = [this](int x, int y) {
    const QPoint p = Top()->mapFromGlobal(Widget<QWidget>(6)->mapToGlobal(QPoint(x, y)));
    return Top()->grab().toImage().pixelColor(p);
  };
  EXPECT_EQ(at(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(at(59, 39), QColor(255, 0, 0));

  ASSERT_TRUE(CreateImage(100, 20, 10, 0xFF0000));  // blue, smaller
  EXPECT_EQ(at(0, 0), QColor(0, 0, 255));
  EXPECT_EQ(at(59, 39), QColor(0, 255, 0));

  ASSERT_TRUE(CreateImage(100, 60, 40, 0x0000FF));
  ResizeGadget(6, -1, -1, 80, 50);
  EXPECT_EQ(at(59, 39), QColor(255, 0, 0));
  EXPECT_EQ(at(79, 49), QColor(0, 255, 0));
}

TEST_F(Gui, AltLetterArrivesAsMenuEventOnlyInItsWindow) {
  OpenWithMenu();
  ComboBoxGadget(7, 0, 0, 100, 20);  // a focused control must not eat the key
  AddGadgetItem(7, -1, "Wa");
  AddGadgetItem(7, -1, "Wb");
  Widget<QComboBox>(7)->setFocus();
  AddKeyboardShortcut(kWin, kShortcutAlt | 'W', 197);
  AddKeyboardShortcut(kWin, kShortcutAlt | 'X', 198);
  Drain();

  EXPECT_TRUE(test::PressShortcut(kWin, kShortcutAlt | 'W'));
  ASSERT_EQ(WaitWindowEvent(1), kEventMenu);
  EXPECT_EQ(EventMenu(), 197);
  EXPECT_EQ(EventWindow(), kWin);
  EXPECT_TRUE(test::PressShortcut(kWin, kShortcutAlt | 'X'));
  ASSERT_EQ(WaitWindowEvent(1), kEventMenu);
  EXPECT_EQ(EventMenu(), 198);
  EXPECT_EQ(GetGadgetState(7), -1);

  // Other combinations are no shortcut.
  EXPECT_FALSE(test::PressShortcut(kWin, kShortcutAlt | 'Q'));
  EXPECT_FALSE(test::PressShortcut(kWin, 'W'));
  EXPECT_FALSE(test::PressShortcut(kWin, kShortcutAlt | kShortcutShift | 'W'));
  for (const Ev& e : Drain()) EXPECT_NE(e.kind, kEventMenu);

  // A second window has its own shortcuts.
  OpenWindow(2, 0, 0, 100, 100, "other", kWindowTitleBar);
  Drain();
  EXPECT_FALSE(test::PressShortcut(2, kShortcutAlt | 'W'));
}

TEST_F(Gui, MenuItemsKeepExactLabelsAndProgramTicks) {
  OpenWithMenu();
  EXPECT_EQ(GetMenuItemText(kMenu, 175), " 2 cycles");
  EXPECT_EQ(GetMenuItemText(kMenu, 176), "A&B");
  EXPECT_FALSE(GetMenuItemState(kMenu, 175));
  QAction* item = nullptr;
  for (QAction* a : Top()->findChildren<QAction*>())
    if (a->text() == " 2 cycles") item = a;
  ASSERT_NE(item, nullptr);
  EXPECT_FALSE(item->isChecked());

  SetMenuItemState(kMenu, 175, true);
  EXPECT_TRUE(item->isChecked());
  item->trigger();  // the operator chooses it: an event, the tick stays the program's
  ASSERT_EQ(WaitWindowEvent(1), kEventMenu);
  EXPECT_EQ(EventMenu(), 175);
  EXPECT_TRUE(item->isChecked());
  EXPECT_TRUE(GetMenuItemState(kMenu, 175));

  SetMenuItemText(kMenu, 175, "testplans/x.qvt");
  EXPECT_EQ(GetMenuItemText(kMenu, 175), "testplans/x.qvt");
  EXPECT_TRUE(IsMenu(kMenu));
  CloseWindow(kWin);
  EXPECT_FALSE(IsMenu(kMenu));
}

TEST_F(Gui, IdleWaitReturnsPromptlyAndSleeps) {
  OpenWithMenu();
  // First calls load fonts and platform state; measure the steady state.
  for (int i = 0; i < 50; ++i) WaitWindowEvent(1);
  const int n = 200;
  std::clock_t cpu0 = std::clock();
  auto t0 = Clock::now();
  for (int i = 0; i < n; ++i) ASSERT_EQ(WaitWindowEvent(1), kEventNone);
  double wall = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  double cpu = 1000.0 * double(std::clock() - cpu0) / CLOCKS_PER_SEC;
  EXPECT_GE(wall, n * 0.9);   // each call waits its millisecond...
  EXPECT_LT(wall, n * 10.0);  // ...and not much more, even on a loaded machine
  EXPECT_LT(cpu, wall * 0.5) << "the wait must sleep, not spin";

  auto t1 = Clock::now();
  for (int i = 0; i < n; ++i) ASSERT_EQ(WaitWindowEvent(0), kEventNone);
  double idle0 = std::chrono::duration<double, std::milli>(Clock::now() - t1).count();
  EXPECT_LT(idle0, n * 0.5);

  // A queued event is returned at once, without waiting.
  test::PostMenuEvent(kWin, 5);
  auto t2 = Clock::now();
  EXPECT_EQ(WaitWindowEvent(1000), kEventMenu);
  EXPECT_LT(Clock::now() - t2, std::chrono::milliseconds(100));
}

// Another thread ends a long wait; a wake-up that came before the wait ends
// the next one at once, and only that one.
TEST_F(Gui, WakeFromAnotherThreadEndsTheWait) {
  OpenWithMenu();
  WaitWindowEvent(0);
  auto t0 = Clock::now();
  std::thread other([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    WakeWindowEvent();
  });
  EXPECT_EQ(WaitWindowEvent(60000), kEventNone);
  other.join();
  EXPECT_LT(Clock::now() - t0, std::chrono::seconds(30));

  WakeWindowEvent();
  t0 = Clock::now();
  EXPECT_EQ(WaitWindowEvent(60000), kEventNone);
  EXPECT_LT(Clock::now() - t0, std::chrono::seconds(30));
  t0 = Clock::now();
  EXPECT_EQ(WaitWindowEvent(20), kEventNone);
  EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(19)) << "a used wake-up does not end later waits";
}

TEST_F(Gui, ProgrammaticChangesGiveNoEventsButOperatorActionsDo) {
  OpenWithMenu();
  CreateImage(100, 10, 10);
  ButtonGadget(1, 0, 0, 50, 20, "b");
  ButtonGadget(2, 0, 25, 50, 20, "t", kGadgetToggle);
  CheckBoxGadget(3, 0, 50, 80, 20, "c");
  ComboBoxGadget(4, 0, 75, 100, 20);
  TreeGadget(5, 0, 100, 100, 100, kGadgetTreeLines);
  StringGadget(6, 120, 0, 80, 20, "s");
  EditorGadget(7, 120, 25, 80, 40);
  TrackBarGadget(8, 120, 70, 80, 20, 0, 10);
  ImageGadget(9, 120, 100, 10, 10, 100);
  Drain();

  for (int i = 0; i < 3; ++i) AddGadgetItem(4, -1, "item " + std::to_string(i));
  EXPECT_EQ(GetGadgetState(4), -1);  // adding items chooses none
  SetGadgetState(4, 2);
  AddGadgetItem(4, 0, "first");
  EXPECT_EQ(GetGadgetState(4), 3);  // the chosen item keeps its choice
  RemoveGadgetItem(4, 3);
  EXPECT_EQ(GetGadgetState(4), -1);
  for (int i = 0; i < 3; ++i) AddGadgetItem(5, -1, "e", -1, i);
  SetGadgetState(5, 2);
  RemoveGadgetItem(5, 2);
  SetGadgetState(5, 0);
  ClearGadgetItems(5);
  SetGadgetState(2, 1);
  SetGadgetState(3, 1);
  SetGadgetText(6, "new");
  SetGadgetText(7, "new");
  SetGadgetState(8, 7);
  SetGadgetState(9, 100);
  SetGadgetText(1, "renamed");
  ResizeGadget(1, 1, 1, 60, 22);
  HideGadget(1, true);
  HideGadget(1, false);
  ResizeWindow(kWin, 10, 10, 420, 310);
  SetWindowTitle(kWin, "x");
  SetMenuItemState(kMenu, 175, true);
  for (const Ev& e : Drain())
    EXPECT_TRUE(e.kind == kEventActivateWindow || e.kind == kEventDeactivateWindow) << "event " << e.kind;
  EXPECT_EQ(GetGadgetState(2), 1);
  EXPECT_EQ(GetGadgetState(3), 1);
  EXPECT_EQ(GetGadgetText(6), "new");

  // The operator's actions: a click, a toggle, a tick, a choice by key.
  test::PostClick(kWin, GadgetWindowX(1) + 5, GadgetWindowY(1) + 5);
  test::PostClick(kWin, 5, 30);
  test::PostClick(kWin, 5, 55);
  QComboBox* combo = Widget<QComboBox>(4);
  ASSERT_NE(combo, nullptr);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(combo, &down);
  std::vector<std::pair<int, int>> got;
  for (const Ev& e : Drain())
    if (e.kind == kEventGadget) got.push_back({e.gadget, e.type});
  std::vector<std::pair<int, int>> want = {
      {1, kTypeLeftClick}, {2, kTypeLeftClick}, {3, kTypeLeftClick}, {4, kTypeChange}};
  EXPECT_EQ(got, want);
  EXPECT_EQ(GetGadgetState(2), 0);  // toggled back by the click
  EXPECT_EQ(GetGadgetState(3), 0);
  EXPECT_EQ(GetGadgetState(4), 0);
}

TEST_F(Gui, TreeEntriesHangByTheirSublevel) {
  OpenWithMenu();
  TreeGadget(5, 0, 0, 200, 200, kGadgetTreeLines);
  QTreeWidget* tree = Widget<QTreeWidget>(5);
  ASSERT_NE(tree, nullptr);
  // The tree as the toolkit shows it: "text" per entry, "(" ... ")" around children.
  auto shape = [&] {
    std::function<std::string(QTreeWidgetItem*)> one = [&](QTreeWidgetItem* it) {
      std::string s = it->text(0).toStdString();
      if (it->childCount()) {
        s += "(";
        for (int i = 0; i < it->childCount(); ++i) s += (i ? " " : "") + one(it->child(i));
        s += ")";
      }
      return s;
    };
    std::string s;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) s += (i ? " " : "") + one(tree->topLevelItem(i));
    return s;
  };

  const std::pair<const char*, int> entries[] = {{"plan", 0}, {"U1", 0}, {"1", 1},
                                                 {"2", 1},    {"U2", 0}, {"1", 1}};
  for (auto [text, level] : entries) AddGadgetItem(5, -1, text, -1, level);
  EXPECT_EQ(shape(), "plan U1(1 2) U2(1)");
  EXPECT_EQ(CountGadgetItems(5), 6);
  EXPECT_EQ(GetGadgetItemSublevel(5, 3), 1);
  EXPECT_EQ(GetGadgetItemText(5, 4), "U2");

  AddGadgetItem(5, 3, "U9", -1, 0);  // a new root in the middle takes the entries after it
  EXPECT_EQ(shape(), "plan U1(1) U9(2) U2(1)");
  RemoveGadgetItem(5, 3);  // its child goes back under U1
  EXPECT_EQ(shape(), "plan U1(1 2) U2(1)");
  AddGadgetItem(5, -1, "deep", -1, 5);  // no depth 4 to hang under: depth 2
  EXPECT_EQ(GetGadgetItemSublevel(5, 6), 2);
  RemoveGadgetItem(5, 0);
  RemoveGadgetItem(5, 0);  // U1 gone with nothing before it: its pins become roots
  EXPECT_EQ(shape(), "1 2 U2(1(deep))");
  EXPECT_EQ(GetGadgetItemSublevel(5, 0), 0);

  // Data, images, expanded state and selection by flat index.
  ClearGadgetItems(5);
  CreateImage(853, 23, 23);
  for (auto [text, level] : entries) AddGadgetItem(5, -1, text, -1, level);
  SetGadgetItemData(5, 5, 6);
  SetGadgetItemImage(5, 5, 853);
  EXPECT_EQ(GetGadgetItemData(5, 5), 6);
  EXPECT_EQ(GetGadgetItemImage(5, 5), 853);
  EXPECT_EQ(GetGadgetItemState(5, 1), 0);
  SetGadgetItemState(5, 1, 1);
  EXPECT_EQ(GetGadgetItemState(5, 1), 1);
  EXPECT_TRUE(tree->topLevelItem(1)->isExpanded());
  SetGadgetState(5, 5);  // selecting under a closed entry opens it
  EXPECT_EQ(GetGadgetState(5), 5);
  EXPECT_EQ(GetGadgetText(5), "1");
  EXPECT_EQ(GetGadgetItemState(5, 4), 1);
  QPalette p = tree->palette();
  EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight), p.color(QPalette::Active, QPalette::Highlight));
  SetGadgetItemText(5, 5, "pin 1  note");
  EXPECT_EQ(GetGadgetText(5), "pin 1  note");
  EXPECT_TRUE(Drain().empty());

  // The operator's selection is an event.
  tree->setCurrentItem(tree->topLevelItem(0));
  ASSERT_EQ(WaitWindowEvent(1), kEventGadget);
  EXPECT_EQ(EventGadget(), 5);
  EXPECT_EQ(GetGadgetState(5), 0);
  RemoveGadgetItem(5, 0);
  EXPECT_EQ(GetGadgetState(5), -1);
}

// Entries kept by the caller: a list of (text, depth); the data is the index
// times ten, the image 853 for depth 1.
class ListEntries : public TreeEntries {
 public:
  std::vector<std::pair<std::string, int>> list;
  int Count() const override { return int(list.size()); }
  int Tops() const override {
    return int(std::count_if(list.begin(), list.end(), [](auto& e) { return !e.second; }));
  }
  int Top(int n) const override {
    for (int e = 0; e < Count(); ++e)
      if (list[e].second == 0 && n-- == 0) return e;
    return -1;
  }
  int TopOf(int entry) const override {
    int n = -1;
    for (int e = 0; e <= entry; ++e) n += list[e].second == 0;
    return n;
  }
  std::string Text(int entry) const override { return list[entry].first; }
  int Image(int entry) const override { return list[entry].second ? 853 : -1; }
  int Data(int entry) const override { return 10 * entry; }
};

TEST_F(Gui, TreeOfTheCallersEntries) {
  OpenWithMenu();
  CreateImage(853, 23, 23);
  TreeGadget(5, 0, 0, 200, 200, kGadgetTreeLines);
  ListEntries list;
  list.list = {{"plan", 0}, {"U1", 0}, {"1", 1}, {"2", 1}, {"U2", 0}, {"1", 1}};
  SetTreeEntries(5, &list);
  EXPECT_EQ(GetTreeEntries(5), &list);
  auto* view = Widget<QTreeView>(5);
  ASSERT_NE(view, nullptr);
  QAbstractItemModel* m = view->model();
  // The toolkit's tree: entries of depth 1 under the depth-0 entry before them.
  ASSERT_EQ(m->rowCount(), 3);
  EXPECT_EQ(m->rowCount(m->index(1, 0)), 2);
  EXPECT_EQ(m->index(1, 0, m->index(1, 0)).data().toString(), "2");
  EXPECT_EQ(m->parent(m->index(0, 0, m->index(2, 0))).row(), 2);
  // The item calls read the entries by flat index.
  EXPECT_EQ(CountGadgetItems(5), 6);
  EXPECT_EQ(GetGadgetItemText(5, 4), "U2");
  EXPECT_EQ(GetGadgetItemSublevel(5, 5), 1);
  EXPECT_EQ(GetGadgetItemData(5, 3), 30);
  EXPECT_EQ(GetGadgetItemImage(5, 2), 853);
  EXPECT_EQ(GetGadgetItemImage(5, 1), -1);
  AddGadgetItem(5, -1, "ignored");
  EXPECT_EQ(CountGadgetItems(5), 6);

  // Selecting under a closed entry opens it; only the operator's choice is an event.
  SetGadgetState(5, 5);
  EXPECT_EQ(GetGadgetState(5), 5);
  EXPECT_EQ(GetGadgetText(5), "1");
  EXPECT_EQ(GetGadgetItemState(5, 4), 1);
  SetGadgetItemState(5, 1, 1);
  EXPECT_TRUE(Drain().empty());
  view->setCurrentIndex(m->index(0, 0));
  ASSERT_EQ(WaitWindowEvent(1), kEventGadget);
  EXPECT_EQ(EventGadget(), 5);
  EXPECT_EQ(GetGadgetState(5), 0);

  // Any other change: an entry with the same text at the same index stays
  // open and selected; a changed one starts closed.
  SetGadgetState(5, 3);
  ResetTreeEntries(5, [&] { list.list[4].first = "U3"; });
  EXPECT_EQ(GetGadgetItemText(5, 4), "U3");
  EXPECT_EQ(GetGadgetItemState(5, 1), 1);
  EXPECT_EQ(GetGadgetItemState(5, 4), 0);
  EXPECT_EQ(GetGadgetState(5), 3);
  EXPECT_TRUE(Drain().empty());

  // In a list of depth-0 entries, entries added and removed leave the
  // selection with its entry, also through a later reset.
  ResetTreeEntries(5, [&] { list.list = {{"plan", 0}, {"a", 0}, {"b", 0}}; });
  SetGadgetState(5, 2);
  InsertTreeEntries(5, 1, 2, [&] { list.list.insert(list.list.begin() + 1, {{"new", 0}, {"newer", 0}}); });
  EXPECT_EQ(GetGadgetState(5), 4);
  EXPECT_EQ(GetGadgetText(5), "b");
  RemoveTreeEntries(5, 2, 1, [&] { list.list.erase(list.list.begin() + 2); });
  EXPECT_EQ(GetGadgetState(5), 3);
  ResetTreeEntries(5, [] {});
  EXPECT_EQ(GetGadgetState(5), 3);
  EXPECT_EQ(m->rowCount(), 4);
  RemoveTreeEntries(5, 3, 1, [&] { list.list.pop_back(); });  // the selected one: none selected
  EXPECT_EQ(GetGadgetState(5), -1);
  EXPECT_TRUE(Drain().empty());

  // Emptied, the tree lets go of the entries until they are set again.
  ClearGadgetItems(5);
  EXPECT_EQ(GetTreeEntries(5), nullptr);
  EXPECT_EQ(CountGadgetItems(5), 0);
  EXPECT_EQ(GetGadgetState(5), -1);
  EXPECT_EQ(m->rowCount(), 0);
}

// What is open stays open through any other change, however it was opened,
// where the entry stands or moved by the entries added or removed before it.
TEST_F(Gui, TreeOfTheCallersEntriesKeepsWhatIsOpen) {
  OpenWithMenu();
  TreeGadget(5, 0, 0, 200, 200, kGadgetTreeLines);
  ListEntries list;
  list.list = {{"plan", 0}, {"U1", 0}, {"1", 1},  {"U2", 0}, {"1", 1},
               {"U3", 0},   {"1", 1},  {"U4", 0}, {"1", 1}};
  SetTreeEntries(5, &list);
  SetGadgetState(5, 2);  // a selection under U1 opens it
  SetGadgetState(5, 6);  // and under U3
  SetGadgetItemState(5, 7, 1);
  auto open = [] {
    std::vector<std::string> texts;
    for (int e = 0; e < CountGadgetItems(5); ++e)
      if (GetGadgetItemState(5, e)) texts.push_back(GetGadgetItemText(5, e));
    return texts;
  };
  ASSERT_EQ(open(), (std::vector<std::string>{"U1", "U3", "U4"}));
  struct Step {
    const char* change;
    std::function<void()> edit;
    std::vector<std::string> open;
  };
  const Step steps[] = {
      {"two entries added before U3",
       [&] {
         list.list.insert(list.list.begin() + 5, {{"R1", 0}, {"1", 1}});
       },
       {"U1", "U3", "U4"}},
      {"U1 removed", [&] { list.list.erase(list.list.begin() + 1, list.list.begin() + 3); }, {"U3", "U4"}},
      {"U3 renamed", [&] { list.list[5].first = "U5"; }, {"U4"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.change);
    ResetTreeEntries(5, step.edit);
    EXPECT_EQ(open(), step.open);
  }
  EXPECT_TRUE(Drain().empty());
}

// Entries drawn from something that changed since they were brought in line
// are renewed before they are painted, once.
TEST_F(Gui, TreeOfTheCallersEntriesRenewsOutdatedEntriesBeforePainting) {
  struct Renewing : ListEntries {
    std::vector<std::pair<std::string, int>> next;
    int renewals = 0;
    bool Outdated() const override { return list != next; }
    void Renew() override {
      ++renewals;
      ResetTreeEntries(5, [this] { list = next; });
    }
  };
  OpenWithMenu();
  TreeGadget(5, 0, 0, 200, 200, kGadgetTreeLines);
  Renewing entries;
  entries.list = entries.next = {{"plan", 0}, {"U1", 0}, {"1", 1}};
  SetTreeEntries(5, &entries);
  auto* view = Widget<QTreeView>(5);
  ASSERT_NE(view, nullptr);
  view->grab();
  EXPECT_EQ(entries.renewals, 0);
  entries.next = {{"plan", 0}, {"U2", 0}, {"1", 1}, {"2", 1}};
  view->grab();
  EXPECT_EQ(entries.renewals, 1);
  EXPECT_EQ(view->model()->rowCount(view->model()->index(1, 0)), 2);
  EXPECT_EQ(GetGadgetItemText(5, 1), "U2");
  view->grab();
  EXPECT_EQ(entries.renewals, 1);
}

TEST_F(Gui, SetGadgetTextFromAnotherThreadLands) {
  OpenWithMenu();
  TextGadget(253, 0, 0, 140, 23, "--", kGadgetCenter);
  std::thread poll([] {
    SetGadgetText(253, "USB error: $0102");
    SetGadgetText(999, "nobody");  // missing control: nothing
    SetGadgetText(253, "USB rail: 5.02V");
  });
  poll.join();
  EXPECT_EQ(GetGadgetText(253), "--");  // not before the GUI thread runs
  WaitWindowEvent(1);
  EXPECT_EQ(GetGadgetText(253), "USB rail: 5.02V");
}

TEST_F(Gui, OperatorsWindowActionsAreEvents) {
  OpenWithMenu();
  Top()->close();  // a close request leaves the window to the program
  ASSERT_EQ(WaitWindowEvent(1), kEventCloseWindow);
  EXPECT_EQ(EventWindow(), kWin);
  EXPECT_TRUE(IsWindow(kWin));
  EXPECT_TRUE(Top()->isVisible());

  Drain(350);  // past the settling of the program's own geometry
  Top()->resize(450, 330);
  Top()->move(70, 80);
  std::vector<int> kinds;
  for (const Ev& e : Drain()) kinds.push_back(e.kind);
  EXPECT_EQ(kinds, (std::vector<int>{kEventSizeWindow, kEventMoveWindow}));
  EXPECT_EQ(WindowWidth(kWin), 450);
  EXPECT_EQ(WindowHeight(kWin), 330);
  EXPECT_EQ(Top()->findChild<QMenuBar*>()->width(), 450);
}

TEST_F(Gui, NumbersAreReplacedAndFreedWithTheirOwners) {
  OpenWithMenu();
  ButtonGadget(10, 0, 0, 10, 10, "b");
  TextGadget(10, 0, 0, 10, 10, "t");  // the same number again: replaced
  EXPECT_EQ(GadgetKind(10), kGadgetKindText);
  EXPECT_EQ(Top()->findChildren<QPushButton*>().size(), 0);
  ContainerGadget(20, 0, 0, 100, 100);
  ButtonGadget(21, 0, 0, 10, 10, "in");
  CloseGadgetList();
  FreeGadget(20);
  EXPECT_FALSE(IsGadget(21));
  ButtonGadget(22, 0, 0, 10, 10, "x");
  OpenWindow(kWin, 0, 0, 100, 100, "again", 0);  // a window opened again loses its controls
  EXPECT_FALSE(IsGadget(22));
  EXPECT_FALSE(IsMenu(kMenu));
  ButtonGadget(23, 0, 0, 10, 10, "y");
  CloseWindow(kWin);
  EXPECT_FALSE(IsGadget(23));
  EXPECT_FALSE(IsWindow(kWin));
}

TEST_F(Gui, MissingNumbersNeverCrash) {
  const int g = 4242, w = 77, m = 88;
  EXPECT_FALSE(ButtonGadget(g, 0, 0, 10, 10, "no window"));  // no gadget list yet
  EXPECT_FALSE(CreateMenu(m, w));
  MenuTitle("t");
  MenuItem(1, "i");
  MenuBar();
  OpenSubMenu("s");
  CloseSubMenu();
  CloseGadgetList();
  AddKeyboardShortcut(w, kShortcutAlt | 'W', 1);
  EXPECT_FALSE(test::PressShortcut(w, kShortcutAlt | 'W'));
  test::PostClick(w, 1, 1);
  test::SetMouse(w, 1, 1);
  SetMenuItemState(m, 1, true);
  SetMenuItemText(m, 1, "x");
  EXPECT_FALSE(GetMenuItemState(m, 1));
  EXPECT_EQ(GetMenuItemText(m, 1), "");
  EXPECT_FALSE(IsMenu(m));

  CloseWindow(w);
  ResizeWindow(w, 1, 1, 1, 1);
  SetWindowTitle(w, "x");
  SetWindowColor(w, 0);
  HideWindow(w, true);
  DisableWindow(w, true);
  SetActiveWindow(w);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(GetWindowTitle(w), "");
  EXPECT_EQ(WindowWidth(w) + WindowHeight(w) + WindowX(w) + WindowY(w), 0);
  EXPECT_EQ(WindowMouseX(w), -1);
  EXPECT_EQ(WindowMouseY(w), -1);

  FreeGadget(g);
  ResizeGadget(g, 1, 1, 1, 1);
  HideGadget(g, true);
  DisableGadget(g, true);
  SetGadgetText(g, "x");
  SetGadgetState(g, 1);
  SetGadgetToolTip(g, "x");
  SetGadgetColor(g, kColorBack, 0);
  SetGadgetFont(g, 1);
  SetGadgetImage(g, 1);
  AddGadgetItem(g, -1, "x");
  RemoveGadgetItem(g, 0);
  ClearGadgetItems(g);
  SetGadgetItemText(g, 0, "x");
  SetGadgetItemImage(g, 0, 1);
  SetGadgetItemState(g, 0, 1);
  SetGadgetItemData(g, 0, 1);
  RefreshImageGadgets(12345);
  EXPECT_FALSE(IsGadget(g));
  EXPECT_EQ(GadgetKind(g), kGadgetKindNone);
  EXPECT_EQ(GadgetX(g) + GadgetY(g) + GadgetWidth(g) + GadgetHeight(g), 0);
  EXPECT_EQ(GadgetWindowX(g) + GadgetWindowY(g), 0);
  EXPECT_FALSE(GadgetHidden(g));
  EXPECT_FALSE(GadgetDisabled(g));
  EXPECT_EQ(GetGadgetText(g), "");
  EXPECT_EQ(GetGadgetState(g), -1);
  EXPECT_EQ(GetGadgetToolTip(g), "");
  EXPECT_EQ(GetGadgetColor(g, kColorFront), -1);
  EXPECT_EQ(CountGadgetItems(g), 0);
  EXPECT_EQ(GetGadgetItemText(g, 0), "");
  EXPECT_EQ(GetGadgetItemImage(g, 0), -1);
  EXPECT_EQ(GetGadgetItemState(g, 0), 0);
  EXPECT_EQ(GetGadgetItemSublevel(g, 0), 0);
  EXPECT_EQ(GetGadgetItemData(g, 0), 0);

  // Existing controls, items out of range; controls of another kind.
  OpenWithMenu();
  ComboBoxGadget(4, 0, 0, 100, 20);
  TreeGadget(5, 0, 30, 100, 100);
  TextGadget(6, 0, 140, 100, 20, "t");
  for (int c : {4, 5, 6}) {
    for (int i : {-1, 0, 3}) {
      RemoveGadgetItem(c, i);
      SetGadgetItemText(c, i, "x");
      SetGadgetItemState(c, i, 1);
      SetGadgetItemImage(c, i, 999);
      EXPECT_EQ(GetGadgetItemText(c, i), "");
      EXPECT_EQ(GetGadgetItemData(c, i), 0);
    }
    SetGadgetState(c, 99);
    SetGadgetState(c, -5);
  }
  EXPECT_EQ(GetGadgetState(4), -1);
  EXPECT_EQ(GetGadgetState(5), -1);
  EXPECT_EQ(GetGadgetText(4), "");
  EXPECT_EQ(GetGadgetText(5), "");
  EXPECT_EQ(CountGadgetItems(6), 0);
  // A menu that could not be made takes no items into the last one made.
  EXPECT_FALSE(CreateMenu(m, w));
  MenuItem(1, "stray");
  EXPECT_EQ(GetMenuItemText(kMenu, 1), "");
}

}  // namespace

TEST_F(Gui, ButtonLabelsFollowTheirAlignment) {
  OpenWithMenu();
  ASSERT_TRUE(ButtonGadget(7, 10, 10, 200, 20, "Right >", kGadgetRight));
  ASSERT_TRUE(ButtonGadget(8, 10, 40, 200, 20, "< Left", kGadgetLeft));
  ASSERT_TRUE(ButtonGadget(9, 10, 70, 200, 20, "Centre"));
  ASSERT_TRUE(ButtonGadget(10, 10, 100, 200, 20, ""));
  const QImage blank = Widget<QPushButton>(10)->grab().toImage();
  // The columns where a label's pixels differ from the blank button.
  auto inked = [&](int g) {
    QImage shot = Widget<QPushButton>(g)->grab().toImage();
    int first = shot.width(), last = -1;
    for (int x = 0; x < shot.width(); ++x)
      for (int y = 0; y < shot.height(); ++y)
        if (shot.pixel(x, y) != blank.pixel(x, y)) {
          first = std::min(first, x);
          last = std::max(last, x);
        }
    return std::pair{first, last};
  };
  auto [rFirst, rLast] = inked(7);
  auto [lFirst, lLast] = inked(8);
  auto [cFirst, cLast] = inked(9);
  ASSERT_GE(rLast, 0);
  ASSERT_GE(lLast, 0);
  EXPECT_GT(rFirst, 100) << rFirst;
  EXPECT_LT(lLast, 100) << lLast;
  EXPECT_LT(cFirst, 100);
  EXPECT_GT(cLast, 100);
}

TEST_F(Gui, ModalRequesterLeavesNoDeactivationAndHandsActivationBack) {
  OpenWithMenu();
  SetActiveWindow(kWin);
  Drain(50);
  ASSERT_EQ(ActiveWindow(), kWin);
  // The operator cancels the real colour chooser.
  QTimer::singleShot(100, [] {
    if (QWidget* m = QApplication::activeModalWidget()) m->close();
  });
  EXPECT_EQ(ColorRequester(0x123456), -1);
  for (const Ev& e : Drain(100)) EXPECT_NE(e.kind, kEventDeactivateWindow);
  EXPECT_EQ(ActiveWindow(), kWin);
}
