// Windows, controls (gadgets), menus, keyboard shortcuts and the event queue.
// Every object is addressed by a fixed number chosen by the caller.
// Colours are 0x00BBGGRR integers. Call only from the GUI thread, except
// SetGadgetText, which may be called from any thread (queued to the GUI thread).
// A call on a number that does not exist does nothing and returns 0, -1
// (states, indices, colours, mouse positions) or an empty text.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pf {

// ---- application ----------------------------------------------------------
// Creates the toolkit application object once; safe to call again. Call it
// only when GuiCanStart() said yes. Should the toolkit still fail to open its
// display (a server that refuses the program, no usable platform plugin), the
// process does not abort: the report set by OnGuiStartFailure runs, and the
// process ends with status 1.
void InitGui();
// Whether the toolkit can start here, asked before it is started: a platform
// other than the X window system is taken as able to (the offscreen one of
// the tests); for X, the display that DISPLAY names must accept a connection.
// No once the toolkit failed to open its display.
bool GuiCanStart();
// What InitGui runs when the toolkit cannot open its display, after the
// toolkit's own words went to standard error. GuiCanStart() says no by then,
// so boxes go to standard error too. `report` may end the process itself;
// when it returns the process ends with status 1. Without one, only the
// toolkit's words are left.
void OnGuiStartFailure(void (*report)());

// ---- events ---------------------------------------------------------------
enum EventKind : int {
  kEventNone = 0,
  kEventMenu = 1,         // menu item or keyboard shortcut; EventMenu()
  kEventGadget = 2,       // control event; EventGadget(), EventType()
  kEventCloseWindow = 3,  // close button or system close
  kEventMoveWindow = 4,
  kEventSizeWindow = 5,
  kEventActivateWindow = 6,
  kEventDeactivateWindow = 7,
  kEventLeftClick = 8,  // click on the window background or an image control
  kEventRightClick = 9,
};

// Sub-kinds of a control event.
enum EventType : int {
  kTypeNone = 0,
  kTypeLeftClick = 1,
  kTypeRightClick = 2,
  kTypeLeftDoubleClick = 3,
  kTypeChange = 4,
};

// Waits at most `ms` milliseconds for the next event; returns its kind or 0.
// Returns early, with 0, when WakeWindowEvent is called meanwhile (or was
// called since the last wait).
int WaitWindowEvent(int ms);
// Ends the GUI thread's current or next WaitWindowEvent; any thread. For a
// thread that has set a flag the main step must see.
void WakeWindowEvent();
// The longest wait of a window's loop when nothing of its own falls due: it
// only bounds a sleep that an event, a wake-up or a deadline ends sooner.
constexpr int kLongestLoopWaitMs = 500;
int WindowEvent();   // returns a queued event without waiting, or 0
int EventWindow();   // window of the last event
int EventGadget();   // control of the last control event
int EventMenu();     // item number of the last menu event
int EventType();     // sub-kind of the last control event
int ActiveWindow();  // number of the active window, or -1

// ---- windows --------------------------------------------------------------
enum WindowFlags : int {
  kWindowTitleBar = 1,
  kWindowSystemMenu = 2,
  kWindowMinimize = 4,
  kWindowMaximize = 8,
  kWindowSizeable = 16,
  kWindowInvisible = 32,
  kWindowScreenCentered = 64,
};

// Inner size includes the menu bar; control coordinates start below it.
bool OpenWindow(int win, int x, int y, int innerWidth, int innerHeight, const std::string& title, int flags,
                int parentWin = -1);
void CloseWindow(int win);
bool IsWindow(int win);
void ResizeWindow(int win, int x, int y, int innerWidth, int innerHeight);
void SetWindowTitle(int win, const std::string& title);
std::string GetWindowTitle(int win);
void SetWindowColor(int win, int color);
int WindowX(int win);
int WindowY(int win);
int WindowWidth(int win);   // inner width
int WindowHeight(int win);  // inner height, menu bar included
int WindowMouseX(int win);  // client coordinates (below the menu bar); -1 outside
int WindowMouseY(int win);
void HideWindow(int win, bool hide);
void DisableWindow(int win, bool disable);
void SetActiveWindow(int win);

// ---- menus ----------------------------------------------------------------
bool CreateMenu(int menu, int win);  // menu bar on a window
int MenuHeight();                    // height of a menu bar in pixels
void MenuTitle(const std::string& title);
void MenuItem(int item, const std::string& label);
void MenuBar();  // separator
void OpenSubMenu(const std::string& label);
void CloseSubMenu();
void SetMenuItemState(int menu, int item, bool ticked);
bool GetMenuItemState(int menu, int item);
void SetMenuItemText(int menu, int item, const std::string& label);
std::string GetMenuItemText(int menu, int item);
bool IsMenu(int menu);

// Keyboard shortcuts: a key combination arrives as a menu event `item`.
enum ShortcutModifier : int { kShortcutAlt = 0x1000, kShortcutControl = 0x2000, kShortcutShift = 0x4000 };
// key is an upper-case letter 'A'..'Z' or a digit, combined with modifiers.
void AddKeyboardShortcut(int win, int key, int item);

// ---- controls -------------------------------------------------------------
enum GadgetFlags : int {
  kGadgetCenter = 1,       // text: centred
  kGadgetRight = 2,        // text, string, button: right aligned
  kGadgetBorder = 4,       // text/image: border
  kGadgetToggle = 8,       // button: toggle button
  kGadgetMultiLine = 16,   // button: text on several lines
  kGadgetReadOnly = 32,    // string / editable combo
  kGadgetEditable = 64,    // combo box: editable
  kGadgetNumeric = 128,    // string: digits only
  kGadgetTreeLines = 256,  // tree: lines, buttons, selection kept visible
  kGadgetLeft = 512,       // button: left aligned (buttons are centred otherwise)
};

enum GadgetKind : int {
  kGadgetKindNone = 0,
  kGadgetKindButton,
  kGadgetKindButtonImage,
  kGadgetKindText,
  kGadgetKindString,
  kGadgetKindComboBox,
  kGadgetKindCheckBox,
  kGadgetKindImage,
  kGadgetKindContainer,
  kGadgetKindTree,
  kGadgetKindTrackBar,
  kGadgetKindEditor,
};

// Controls are created in the current gadget list: the window last opened or
// made current with UseGadgetList, or the container last opened.
void UseGadgetList(int win);
bool ButtonGadget(int g, int x, int y, int w, int h, const std::string& text, int flags = 0);
bool ButtonImageGadget(int g, int x, int y, int w, int h, int image, int flags = 0);
bool TextGadget(int g, int x, int y, int w, int h, const std::string& text, int flags = 0);
bool StringGadget(int g, int x, int y, int w, int h, const std::string& text, int flags = 0);
bool EditorGadget(int g, int x, int y, int w, int h, int flags = 0);
bool ComboBoxGadget(int g, int x, int y, int w, int h, int flags = 0);
bool CheckBoxGadget(int g, int x, int y, int w, int h, const std::string& text, int flags = 0);
// Shows the image at its top-left corner, unscaled; a width or height of 0
// takes the image's. Setting another image keeps the control's size.
bool ImageGadget(int g, int x, int y, int w, int h, int image, int flags = 0);
bool ContainerGadget(int g, int x, int y, int w, int h, int flags = 0);
void CloseGadgetList();  // ends the current container
bool TreeGadget(int g, int x, int y, int w, int h, int flags = 0);
bool TrackBarGadget(int g, int x, int y, int w, int h, int minimum, int maximum, int flags = 0);

bool IsGadget(int g);
int GadgetKind(int g);
void FreeGadget(int g);
void ResizeGadget(int g, int x, int y, int w, int h);  // -1 keeps a value
int GadgetX(int g);
int GadgetY(int g);
int GadgetWidth(int g);
int GadgetHeight(int g);
// Position of a control in its window's client coordinates (containers added).
int GadgetWindowX(int g);
int GadgetWindowY(int g);
void HideGadget(int g, bool hide);
bool GadgetHidden(int g);
void DisableGadget(int g, bool disable);
bool GadgetDisabled(int g);
void SetGadgetText(int g, const std::string& text);  // any thread
std::string GetGadgetText(int g);
// Buttons (toggle), check boxes: 0/1; combo boxes, trees: selected index or -1;
// track bars: value; image controls: the shown image number.
void SetGadgetState(int g, int state);
int GetGadgetState(int g);
void SetGadgetToolTip(int g, const std::string& text);
std::string GetGadgetToolTip(int g);
enum GadgetColorKind : int { kColorFront = 1, kColorBack = 2 };
void SetGadgetColor(int g, int kind, int color);
int GetGadgetColor(int g, int kind);
void SetGadgetFont(int g, int font);
void SetGadgetImage(int g, int image);  // image and image-button controls

// Items of combo boxes and trees. For trees `sublevel` is the depth (0 = root):
// an entry of depth n+1 belongs under the nearest earlier entry of depth n (a
// depth deeper than that is lowered). Removing a tree entry removes only that
// entry; its children move under the nearest earlier entry of its depth, or
// up one level with their own children when there is none. Removing the
// selected entry leaves no entry selected.
void AddGadgetItem(int g, int position, const std::string& text, int image = -1, int sublevel = 0);
void RemoveGadgetItem(int g, int position);
// Removes every item from position to the end (for trees, in time linear in
// what is removed).
void RemoveGadgetItemsFrom(int g, int position);
void ClearGadgetItems(int g);
int CountGadgetItems(int g);
std::string GetGadgetItemText(int g, int item);
void SetGadgetItemText(int g, int item, const std::string& text);
void SetGadgetItemImage(int g, int item, int image);
int GetGadgetItemImage(int g, int item);
// Tree items: expanded (1) or collapsed (0).
void SetGadgetItemState(int g, int item, int state);
int GetGadgetItemState(int g, int item);
int GetGadgetItemSublevel(int g, int item);
void SetGadgetItemData(int g, int item, int data);
int GetGadgetItemData(int g, int item);

// ---- trees of the caller's entries -------------------------------------------
// A tree control can show entries that the caller keeps, in place of items of
// its own: it then holds nothing per entry and asks for the entries it shows,
// so a tree of millions of entries costs no more than the few on screen. The
// entries are indexed flat, in order, at depth 0 or 1; an entry of depth 1
// belongs under the nearest earlier entry of depth 0, and entry 0 is at depth
// 0. The item calls above read them (count, text, image, data, depth, the
// selected entry, open or closed); those that would change an item do nothing.
class TreeEntries {
 public:
  virtual ~TreeEntries() = default;
  virtual int Count() const = 0;           // all entries
  virtual int Tops() const = 0;            // entries at depth 0, at least 1 when Count() is
  virtual int Top(int n) const = 0;        // the entry of the n-th of them, from 0
  virtual int TopOf(int entry) const = 0;  // n of the depth-0 entry that is or holds `entry`
  virtual std::string Text(int entry) const = 0;
  virtual int Image(int entry) const = 0;  // -1: none
  virtual int Data(int entry) const = 0;
  // True when what the entries are drawn from changed since the caller last
  // brought them in line; asked before every paint, so it must be cheap. The
  // tree then calls Renew, which brings them in line through the calls below,
  // before it draws: old entries never show new texts.
  virtual bool Outdated() const { return false; }
  virtual void Renew() {}
};
// Makes tree g show `entries` (which must outlive it), afresh. ClearGadgetItems
// lets go of them: the tree is then empty until they are set again.
void SetTreeEntries(int g, TreeEntries* entries);
// The entries tree g shows, or nullptr.
const TreeEntries* GetTreeEntries(int g);
// Texts or images changed, nothing was added or removed: the shown part is
// drawn again.
void RedrawTreeEntries(int g);
// `change` adds, or removes, the `count` entries from `entry` on. In a tree
// of depth-0 entries only the others keep their state; in any other tree
// this is ResetTreeEntries.
void InsertTreeEntries(int g, int entry, int count, const std::function<void()>& change);
void RemoveTreeEntries(int g, int entry, int count, const std::function<void()>& change);
// `change` makes any other change. Afterwards an entry that shows the same
// text at the same index as before stays open and selected as it was, and an
// open depth-0 entry showing its text as many entries on as were added (or
// back, as were removed) stays open there; the others start closed and
// unselected. An entry counts as open however it was opened: by the
// operator, by SetGadgetItemState or by a selection under it.
void ResetTreeEntries(int g, const std::function<void()>& change);

// Opens a URL in the default browser (Help pages); not while the requesters
// are scripted (tests), when it is only recorded.
void OpenUrl(const std::string& url);

// ---- test seams -----------------------------------------------------------
namespace test {
// Queues an event as if it came from the toolkit.
void PostMenuEvent(int win, int item);
void PostGadgetEvent(int win, int gadget, int type = kTypeLeftClick);
void PostWindowEvent(int win, int kind);  // close, move, size, activate...
// A click at client coordinates; sets the mouse position the window reports.
void PostClick(int win, int x, int y, bool right = false);
void SetMouse(int win, int x, int y);
// Simulates a keyboard shortcut (letter with modifiers) pressed in a window.
bool PressShortcut(int win, int key);
// Forgets every window, control, menu and queued event.
void ResetGui();
// URLs given to OpenUrl since the last ResetGui.
const std::vector<std::string>& OpenedUrls();
// Renders a window's inner area (menu bar included) into a PNG file.
bool GrabWindow(int win, const std::string& path);
// Runs `hook` whenever a wait finds no queued event, before it waits, so a
// test can post the next event of a modal window's own loop (the editor).
// ResetGui removes it.
void SetWaitHook(std::function<void()> hook);
// Inside the wait hook: the most the wait in progress may take, in ms. A
// hook that moves a replaced clock on by it and calls WakeWindowEvent runs
// a loop's sleeps on that clock.
int WaitingMs();
// How often SetGadgetText reached control `g` on the GUI thread (each a repaint).
int GadgetTextSets(int g);
}  // namespace test

}  // namespace pf
