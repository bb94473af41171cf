// Internal to the window service (gui*.cpp): the records behind window and
// control numbers, shared by the window, control and tree code.
#pragma once
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "platform/gui.h"

class QMenuBar;
class QShortcut;
class QTreeWidgetItem;

namespace pf::gui {

struct Window {
  QPointer<QWidget> top;     // top-level widget: its size is the inner size
  QPointer<QWidget> client;  // the area below the menu bar; controls live here
  QPointer<QMenuBar> menuBar;
  int flags = 0;
  int color = -1;
  int mouseX = -1, mouseY = -1;  // client coordinates, -1 outside
  QPoint lastPos;                // geometry last set or reported, so
  QSize lastSize;                // that only real changes are events
  QElapsedTimer settle;          // started when the program sets the geometry
  bool active = false;
  std::map<int, QPointer<QShortcut>> shortcuts;  // by key combination
};

struct TreeEntry {
  QTreeWidgetItem* item;
  std::string text;
  int level;
  int image;
  int data;
  int64_t picture = 0;  // the image's picture when it was set (its cache key)
};

struct Gadget {
  int kind = kGadgetKindNone;
  int win = -1;
  int flags = 0;
  QPointer<QWidget> widget;
  std::string text;  // as given; the widget may show it escaped or wrapped
  std::string toolTip;
  int image = -1;  // image and image-button controls
  int front = -1, back = -1;
  bool hidden = false, disabled = false;
  std::vector<TreeEntry> entries;     // trees: the flat list of entries
  class EntryModel* model = nullptr;  // trees showing the caller's entries
  int textSets = 0;                   // SetGadgetText calls that reached it (tests)
};

extern std::map<int, Window> windows;
extern std::map<int, Gadget> gadgets;

Window* FindWindow(int win);
Gadget* FindGadget(int g);
// Queues an event for the main loop.
void QueueEvent(int kind, int win, int gadget = -1, int menu = -1, int type = kTypeNone);
// Records the mouse position of a window, in client coordinates.
void SetMousePosition(int win, int x, int y);

// 0x00BBGGRR <-> QColor
QColor ToQColor(int color);
int FromQColor(const QColor& c);
// Text for toolkit labels that must show '&' as it is.
QString Label(const std::string& text);

// Around a modal dialog (requester.cpp): the activation changes the dialog
// causes are its own, not the operator's. Those queued while it was open are
// dropped, activation goes back to the window that had it, and for a short
// while after it closes no loss of activation is reported, so a desktop that
// hands the focus back late (or not at all) closes no window.
class ModalScope {
 public:
  ModalScope();
  ~ModalScope();

 private:
  int previous;
  size_t queued;
};

// Trees (gui_tree.cpp).
QWidget* NewTree(QWidget* parent, int g);
void TreeApplyFlags(Gadget& gd);
void TreeAdd(Gadget& gd, int position, const std::string& text, int image, int sublevel);
void TreeRemove(Gadget& gd, int position);
void TreeClear(Gadget& gd);
void TreeTruncate(Gadget& gd, int count);  // keeps the first count entries
int TreeSelected(const Gadget& gd);
void TreeSelect(Gadget& gd, int index);
void TreeSetText(Gadget& gd, int index, const std::string& text);
void TreeSetImage(Gadget& gd, int index, int image);
void TreeSetExpanded(Gadget& gd, int index, bool expanded);
bool TreeExpanded(const Gadget& gd, int index);
// Trees of the caller's entries: what the item calls read there.
// Brings a tree's caller's entries in line first when their source says they
// are outdated; every read of them goes through it.
void RenewEntries(const Gadget& gd);
int EntryCount(const Gadget& gd);
std::string EntryText(const Gadget& gd, int entry);
int EntryImage(const Gadget& gd, int entry);
int EntryData(const Gadget& gd, int entry);
int EntryLevel(const Gadget& gd, int entry);

}  // namespace pf::gui
