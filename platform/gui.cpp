// Windows, menus, keyboard shortcuts and the event queue on Qt Widgets.
// Geometry is absolute: a window's top-level widget has the inner size; the
// menu bar sits at its top and the client widget, which holds the controls,
// fills the rest. Toolkit signals only queue events; the caller reads them
// one at a time through WaitWindowEvent.
#include "platform/gui.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QBasicTimer>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QThread>
#include <QUrl>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <thread>

#include "platform/gui_internal.h"
#include "platform/qtbridge.h"
#include "platform/requester.h"

// The toolkit's own entry for synthetic key presses: offers the key to the
// shortcut map exactly as a typed key is offered (its test library uses it).
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text = QString(), bool autorep = false,
                                               ushort count = 1);

namespace pf {
namespace gui {

std::map<int, Window> windows;
std::map<int, Gadget> gadgets;

namespace {

struct Event {
  int kind, win, gadget, menu, type;
};
std::deque<Event> queue;
Event last{kEventNone, -1, -1, -1, kTypeNone};

struct Menu {
  QPointer<QMenuBar> bar;
  int win = -1;
  std::map<int, QPointer<QAction>> items;
  std::map<int, std::string> labels;
  std::map<int, bool> ticked;
};
std::map<int, Menu> menus;
int buildMenu = -1;                       // menu that MenuTitle/MenuItem extend
std::vector<QPointer<QMenu>> buildStack;  // title menu, then open sub-menus

std::vector<std::string> openedUrls;
std::function<void()> waitHook;  // test seam: runs when a wait finds no event
int waitingMs = 0;               // the wait the hook runs in

// Wakes a waiting WaitWindowEvent when its time is up, or when another
// thread calls WakeWindowEvent (a posted event ends the toolkit's wait).
class Waker : public QObject {
 public:
  QBasicTimer timer;

 protected:
  void timerEvent(QTimerEvent*) override {}
  void customEvent(QEvent*) override {}
};
std::atomic<Waker*> waker{nullptr};
// Set by WakeWindowEvent, cleared by the wait it ends.
std::atomic<bool> wakeRequested{false};

int menuHeight = 0;

class WindowWidget;
WindowWidget* windowOf(QWidget* w);

// After the program moved or sized a window, the platform confirms the new
// geometry in steps of its own, some late and some passing through other
// values; for a short while those steps are taken as the program's, not the
// operator's.
constexpr int kSettleMs = 300;
bool settling(Window& w) { return w.settle.isValid() && !w.settle.hasExpired(kSettleMs); }

// Started when a modal dialog closes (ModalScope).
QElapsedTimer modalEnd;
bool modalSettling() { return modalEnd.isValid() && !modalEnd.hasExpired(kSettleMs); }

// The top-level widget of a window: lays out menu bar and client by hand and
// turns window-level toolkit events into queued events.
class WindowWidget : public QWidget {
 public:
  WindowWidget(int num, QWidget* parent, Qt::WindowFlags f) : QWidget(parent, f), num(num) {}
  const int num;
  void place() {
    Window* w = FindWindow(num);
    if (!w) return;
    int mh = w->menuBar ? MenuHeight() : 0;
    if (w->menuBar) w->menuBar->setGeometry(0, 0, width(), mh);
    if (w->client) w->client->setGeometry(0, mh, width(), std::max(0, height() - mh));
  }

 protected:
  bool event(QEvent* e) override {
    Window* w = FindWindow(num);
    if (w && w->top == this) {
      switch (e->type()) {
        case QEvent::Close:
          // The program decides whether a window closes.
          e->ignore();
          QueueEvent(kEventCloseWindow, num);
          return true;
        case QEvent::Move:
          if (!settling(*w) && pos() != w->lastPos) {
            w->lastPos = pos();
            QueueEvent(kEventMoveWindow, num);
          }
          break;
        case QEvent::Resize:
          place();
          if (!settling(*w) && size() != w->lastSize) {
            w->lastSize = size();
            QueueEvent(kEventSizeWindow, num);
          }
          break;
        case QEvent::WindowActivate:
          if (!w->active) {
            w->active = true;
            QueueEvent(kEventActivateWindow, num);
          }
          break;
        case QEvent::WindowDeactivate:
          if (w->active) {
            w->active = false;
            if (!modalSettling()) QueueEvent(kEventDeactivateWindow, num);
          }
          break;
        case QEvent::Leave:
          w->mouseX = w->mouseY = -1;
          break;
        default:
          break;
      }
    }
    return QWidget::event(e);
  }
};

WindowWidget* windowOf(QWidget* w) { return w ? dynamic_cast<WindowWidget*>(w->window()) : nullptr; }

// The area below the menu bar: a click that no control takes is a click on
// the window.
class ClientWidget : public QWidget {
 public:
  ClientWidget(int num, QWidget* parent) : QWidget(parent), num(num) {}
  const int num;

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton)
      QueueEvent(kEventLeftClick, num);
    else if (e->button() == Qt::RightButton)
      QueueEvent(kEventRightClick, num);
    e->accept();
  }
};

// Follows the mouse over every window, whichever widget gets the event, so
// that WindowMouseX/Y give the position in client coordinates.
class MouseTracker : public QObject {
 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    switch (e->type()) {
      case QEvent::MouseMove:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick: {
        if (!o->isWidgetType()) break;
        QWidget* w = static_cast<QWidget*>(o);
        WindowWidget* top = windowOf(w);
        if (!top) break;
        Window* win = FindWindow(top->num);
        if (!win || win->top != top || !win->client) break;
        QPoint p = w->mapTo(top, static_cast<QMouseEvent*>(e)->position().toPoint()) - win->client->pos();
        if (win->client->rect().contains(p))
          SetMousePosition(top->num, p.x(), p.y());
        else
          SetMousePosition(top->num, -1, -1);
        break;
      }
      default:
        break;
    }
    return false;
  }
};

void processToolkit() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // Objects the toolkit released with deleteLater outside any event loop.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int take() {
  if (queue.empty()) return kEventNone;
  last = queue.front();
  queue.pop_front();
  if (last.kind == kEventDeactivateWindow) {
    // So that ActiveWindow(), asked next, already knows who took over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  return last.kind;
}

Qt::WindowFlags qtWindowFlags(int flags) {
  Qt::WindowFlags f = Qt::Window | Qt::CustomizeWindowHint;
  if (flags & kWindowTitleBar) f |= Qt::WindowTitleHint;
  if (flags & kWindowSystemMenu) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (flags & kWindowMinimize) f |= Qt::WindowMinimizeButtonHint;
  if (flags & kWindowMaximize) f |= Qt::WindowMaximizeButtonHint;
  return f;
}

Menu* findMenu(int menu) {
  auto it = menus.find(menu);
  return it == menus.end() || !it->second.bar ? nullptr : &it->second;
}

void forgetWindow(int win) {
  for (auto it = menus.begin(); it != menus.end();) {
    if (it->second.win == win)
      it = menus.erase(it);
    else
      ++it;
  }
  for (auto it = queue.begin(); it != queue.end();) {
    if (it->win == win)
      it = queue.erase(it);
    else
      ++it;
  }
}

}  // namespace

Window* FindWindow(int win) {
  auto it = windows.find(win);
  return it == windows.end() || !it->second.top ? nullptr : &it->second;
}

Gadget* FindGadget(int g) {
  auto it = gadgets.find(g);
  return it == gadgets.end() || !it->second.widget ? nullptr : &it->second;
}

void QueueEvent(int kind, int win, int gadget, int menu, int type) {
  // A burst of moves or resizes is one event for the main loop.
  if ((kind == kEventMoveWindow || kind == kEventSizeWindow) && !queue.empty() && queue.back().kind == kind &&
      queue.back().win == win)
    return;
  queue.push_back({kind, win, gadget, menu, type});
}

void SetMousePosition(int win, int x, int y) {
  if (Window* w = FindWindow(win)) {
    w->mouseX = x < 0 || y < 0 ? -1 : x;
    w->mouseY = x < 0 || y < 0 ? -1 : y;
  }
}

QColor ToQColor(int color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }
int FromQColor(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

QString Label(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace('&', "&&");
  return s;
}

ModalScope::ModalScope() : previous(ActiveWindow()), queued(queue.size()) {}

ModalScope::~ModalScope() {
  // Nobody reads the queue while the dialog runs: what came after `queued`
  // arrived during it.
  for (size_t i = queued; i < queue.size();) {
    const int kind = queue[i].kind;
    if (kind == kEventActivateWindow || kind == kEventDeactivateWindow)
      queue.erase(queue.begin() + i);
    else
      ++i;
  }
  modalEnd.start();
  if (Window* w = FindWindow(previous)) {
    w->active = true;
    SetActiveWindow(previous);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

}  // namespace gui

using namespace gui;

// ---- application ----------------------------------------------------------

namespace {
void (*startFailureReport)() = nullptr;
std::atomic<bool> startFailed{false};
QtMessageHandler passOn = nullptr;
std::thread::id starting;  // the thread building the application object

// Installed only while the application object is built. There a fatal
// message is the toolkit giving up on its display (none that answers, a
// refused connection, no usable platform plugin): it would abort the process
// after this returns, so the failure is reported and the process ends here.
void startMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const bool fatal = type == QtFatalMsg && std::this_thread::get_id() == starting;
  // The toolkit's own words go on as before, as an error: a handler of its
  // own must not end the process first.
  passOn(fatal ? QtCriticalMsg : type, context, text);
  if (!fatal) return;
  startFailed = true;
  if (startFailureReport) startFailureReport();
  std::fflush(nullptr);
  std::_Exit(1);
}
}  // namespace

void OnGuiStartFailure(void (*report)()) { startFailureReport = report; }

void InitGui() {
  if (!QApplication::instance()) {
    static int argc = 1;
    static char name[] = "yrm32";
    static char* argv[] = {name, nullptr};
    starting = std::this_thread::get_id();
    passOn = qInstallMessageHandler(startMessage);
    new QApplication(argc, argv);
    qInstallMessageHandler(passOn);
  }
  if (!waker.load()) {
    waker.store(new Waker);
    qApp->installEventFilter(new MouseTracker);
  }
}

namespace {
// Connects a stream socket to a local address; the abstract name first (a
// leading NUL), as the X library tries it, then the file.
bool localSocketAnswers(const std::string& path, bool abstract) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const size_t offset = abstract ? 1 : 0;
  if (path.size() + offset >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path + offset, path.data(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size());
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), length) == 0;
  ::close(fd);
  return ok;
}

bool tcpAnswers(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool ok = false;
  for (addrinfo* a = found; a && !ok; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    ok = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0;
    ::close(fd);
  }
  ::freeaddrinfo(found);
  return ok;
}

// DISPLAY is [protocol/][host]:number[.screen]; no host (or the protocol
// "unix") means the local socket of that number, a host its TCP port.
bool xDisplayAnswers() {
  const char* value = std::getenv("DISPLAY");
  std::string display = value ? value : "";
  const size_t colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  std::string host = display.substr(0, colon), protocol;
  if (const size_t slash = host.find('/'); slash != std::string::npos) {
    protocol = host.substr(0, slash);
    host = host.substr(slash + 1);
  }
  const std::string rest = display.substr(colon + 1);
  const size_t digits = rest.find_first_not_of("0123456789");
  if (digits == 0 || rest.empty()) return false;
  const int number = std::atoi(rest.c_str());
  if (host.empty() || protocol == "unix") {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    return localSocketAnswers(path, true) || localSocketAnswers(path, false);
  }
  return tcpAnswers(host, 6000 + number);
}
}  // namespace

bool GuiCanStart() {
  if (startFailed) return false;
  if (QApplication::instance()) return true;
  // The platforms the toolkit would try, in order: QT_QPA_PLATFORM (names
  // separated by ";", each perhaps followed by ":" and options), else a
  // Wayland session's compositor, else the X window system.
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  std::string platforms = chosen ? chosen : "";
  if (platforms.empty()) {
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (session && std::strcmp(session, "wayland") == 0 && wayland && *wayland) return true;
    platforms = "xcb";
  }
  size_t start = 0;
  while (start <= platforms.size()) {
    size_t end = platforms.find(';', start);
    if (end == std::string::npos) end = platforms.size();
    const std::string entry = platforms.substr(start, end - start);
    const std::string name = entry.substr(0, entry.find(':'));
    if (!name.empty() && name != "xcb") return true;
    start = end + 1;
  }
  return xDisplayAnswers();
}

QWidget* CurrentQtWindow() {
  int active = ActiveWindow();
  if (Window* w = FindWindow(active)) return w->top;
  QWidget* fallback = nullptr;
  for (auto& [num, w] : windows)
    if (w.top && w.top->isVisible()) fallback = w.top;
  return fallback;
}

// ---- events ---------------------------------------------------------------

int WaitWindowEvent(int ms) {
  InitGui();
  if (int k = take()) return k;
  if (waitHook) {
    waitingMs = ms;
    waitHook();
    if (int k = take()) return k;
  }
  // A wake-up asked for before this wait ends it at once, as one during it.
  if (ms <= 0 || wakeRequested.exchange(false)) {
    processToolkit();
    return take();
  }
  // Sleep in the toolkit's own wait until an event arrives, another thread
  // wakes us or the time is up; pending toolkit events are handled on the way
  // in without sleeping.
  Waker* w = waker.load();
  QDeadlineTimer deadline(ms, Qt::PreciseTimer);
  w->timer.start(ms, Qt::PreciseTimer, w);
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  } while (queue.empty() && !wakeRequested.exchange(false) && !deadline.hasExpired());
  w->timer.stop();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return take();
}

void WakeWindowEvent() {
  // One posted event per wait is enough: later calls only see the flag set.
  if (wakeRequested.exchange(true)) return;
  if (Waker* w = waker.load()) QCoreApplication::postEvent(w, new QEvent(QEvent::User));
}

int WindowEvent() { return WaitWindowEvent(0); }
int EventWindow() { return last.win; }
int EventGadget() { return last.gadget; }
int EventMenu() { return last.menu; }
int EventType() { return last.type; }

int ActiveWindow() {
  if (!QApplication::instance()) return -1;
  WindowWidget* top = windowOf(QApplication::activeWindow());
  if (!top) return -1;
  Window* w = FindWindow(top->num);
  return w && w->top == top ? top->num : -1;
}

// ---- windows --------------------------------------------------------------

bool OpenWindow(int win, int x, int y, int innerWidth, int innerHeight, const std::string& title, int flags,
                int parentWin) {
  InitGui();
  CloseWindow(win);
  QWidget* parent = nullptr;
  if (Window* p = FindWindow(parentWin)) parent = p->top;
  innerWidth = std::max(1, innerWidth);
  innerHeight = std::max(1, innerHeight);

  Window& w = windows[win];
  w = Window{};
  w.flags = flags;
  auto* top = new WindowWidget(win, parent, qtWindowFlags(flags));
  w.top = top;
  w.client = new ClientWidget(win, top);
  top->setWindowTitle(QString::fromStdString(title));
  if (flags & kWindowScreenCentered) {
    if (QScreen* s = QGuiApplication::primaryScreen()) {
      QRect a = s->availableGeometry();
      x = a.x() + (a.width() - innerWidth) / 2;
      y = a.y() + (a.height() - innerHeight) / 2;
    }
  }
  top->move(x, y);
  if (flags & kWindowSizeable)
    top->resize(innerWidth, innerHeight);
  else
    top->setFixedSize(innerWidth, innerHeight);
  w.lastPos = top->pos();
  w.lastSize = top->size();
  w.settle.start();
  top->place();
  QObject::connect(top, &QObject::destroyed, [win] {
    auto it = windows.find(win);
    if (it != windows.end() && !it->second.top) {
      windows.erase(it);
      forgetWindow(win);
    }
  });
  UseGadgetList(win);
  if (!(flags & kWindowInvisible)) {
    top->show();
    top->activateWindow();
  }
  return true;
}

void CloseWindow(int win) {
  auto it = windows.find(win);
  if (it == windows.end()) return;
  QWidget* top = it->second.top;
  windows.erase(it);
  forgetWindow(win);
  delete top;
}

bool IsWindow(int win) { return FindWindow(win) != nullptr; }

void ResizeWindow(int win, int x, int y, int innerWidth, int innerHeight) {
  Window* w = FindWindow(win);
  if (!w) return;
  QPoint pos(x == -1 ? w->top->x() : x, y == -1 ? w->top->y() : y);
  QSize size(innerWidth == -1 ? w->top->width() : std::max(1, innerWidth),
             innerHeight == -1 ? w->top->height() : std::max(1, innerHeight));
  // Known before the toolkit reports it, so the change is no event.
  w->lastPos = pos;
  w->lastSize = size;
  w->settle.start();
  if (!(w->flags & kWindowSizeable))
    w->top->setFixedSize(size);
  else
    w->top->resize(size);
  w->top->move(pos);
}

void SetWindowTitle(int win, const std::string& title) {
  if (Window* w = FindWindow(win)) w->top->setWindowTitle(QString::fromStdString(title));
}

std::string GetWindowTitle(int win) {
  Window* w = FindWindow(win);
  return w ? w->top->windowTitle().toStdString() : std::string();
}

void SetWindowColor(int win, int color) {
  Window* w = FindWindow(win);
  if (!w) return;
  w->color = color;
  // The client covers everything below the menu bar, which keeps its own look.
  QPalette p = w->client->palette();
  p.setColor(QPalette::Window, color < 0 ? QApplication::palette().color(QPalette::Window) : ToQColor(color));
  w->client->setPalette(p);
  w->client->setAutoFillBackground(true);
}

int WindowX(int win) {
  Window* w = FindWindow(win);
  return w ? w->top->x() : 0;
}
int WindowY(int win) {
  Window* w = FindWindow(win);
  return w ? w->top->y() : 0;
}
int WindowWidth(int win) {
  Window* w = FindWindow(win);
  return w ? w->top->width() : 0;
}
int WindowHeight(int win) {
  Window* w = FindWindow(win);
  return w ? w->top->height() : 0;
}
int WindowMouseX(int win) {
  Window* w = FindWindow(win);
  return w ? w->mouseX : -1;
}
int WindowMouseY(int win) {
  Window* w = FindWindow(win);
  return w ? w->mouseY : -1;
}

void HideWindow(int win, bool hide) {
  Window* w = FindWindow(win);
  if (!w) return;
  w->top->setVisible(!hide);
}

void DisableWindow(int win, bool disable) {
  if (Window* w = FindWindow(win)) w->top->setEnabled(!disable);
}

void SetActiveWindow(int win) {
  Window* w = FindWindow(win);
  if (!w) return;
  if (w->top->isHidden()) w->top->show();
  w->top->raise();
  w->top->activateWindow();
}

// ---- menus ----------------------------------------------------------------

int MenuHeight() {
  if (!menuHeight) {
    InitGui();
    QMenuBar probe;
    probe.setNativeMenuBar(false);
    probe.addMenu("File");
    menuHeight = std::max(1, probe.sizeHint().height());
  }
  return menuHeight;
}

bool CreateMenu(int menu, int win) {
  buildMenu = -1;
  buildStack.clear();
  Window* w = FindWindow(win);
  if (!w) return false;
  if (Menu* old = findMenu(menu)) {
    // The number moves to this window; the old window loses its menu bar.
    delete old->bar;
    if (Window* ow = FindWindow(old->win)) static_cast<WindowWidget*>(ow->top.data())->place();
  }
  if (w->menuBar) {
    // One menu bar per window: the new one replaces it.
    for (auto it = menus.begin(); it != menus.end();) {
      if (it->second.bar == w->menuBar)
        it = menus.erase(it);
      else
        ++it;
    }
    delete w->menuBar;
  }
  auto* bar = new QMenuBar(w->top);
  bar->setNativeMenuBar(false);
  bar->setFixedHeight(MenuHeight());
  w->menuBar = bar;
  static_cast<WindowWidget*>(w->top.data())->place();
  bar->show();
  Menu& m = menus[menu];
  m = Menu{};
  m.bar = bar;
  m.win = win;
  buildMenu = menu;
  return true;
}

void MenuTitle(const std::string& title) {
  Menu* m = findMenu(buildMenu);
  if (!m) return;
  buildStack.clear();
  buildStack.push_back(m->bar->addMenu(Label(title)));
}

void MenuItem(int item, const std::string& label) {
  Menu* m = findMenu(buildMenu);
  if (!m || buildStack.empty() || !buildStack.back()) return;
  if (auto old = m->items.find(item); old != m->items.end()) delete old->second;
  QAction* a = buildStack.back()->addAction(Label(label));
  m->items[item] = a;
  m->labels[item] = label;
  m->ticked[item] = false;
  int menu = buildMenu;
  QObject::connect(a, &QAction::triggered, [menu, item, a] {
    Menu* m = findMenu(menu);
    if (!m) return;
    // Ticks belong to the program: a click does not change them.
    a->setChecked(m->ticked[item]);
    QueueEvent(kEventMenu, m->win, -1, item);
  });
}

void MenuBar() {
  if (findMenu(buildMenu) && !buildStack.empty() && buildStack.back()) buildStack.back()->addSeparator();
}

void OpenSubMenu(const std::string& label) {
  if (!findMenu(buildMenu) || buildStack.empty() || !buildStack.back()) return;
  buildStack.push_back(buildStack.back()->addMenu(Label(label)));
}

void CloseSubMenu() {
  if (buildStack.size() > 1) buildStack.pop_back();
}

void SetMenuItemState(int menu, int item, bool ticked) {
  Menu* m = findMenu(menu);
  if (!m) return;
  auto it = m->items.find(item);
  if (it == m->items.end() || !it->second) return;
  m->ticked[item] = ticked;
  it->second->setCheckable(true);
  it->second->setChecked(ticked);
}

bool GetMenuItemState(int menu, int item) {
  Menu* m = findMenu(menu);
  if (!m || !m->items.count(item)) return false;
  return m->ticked[item];
}

void SetMenuItemText(int menu, int item, const std::string& label) {
  Menu* m = findMenu(menu);
  if (!m) return;
  auto it = m->items.find(item);
  if (it == m->items.end() || !it->second) return;
  m->labels[item] = label;
  it->second->setText(Label(label));
}

std::string GetMenuItemText(int menu, int item) {
  Menu* m = findMenu(menu);
  if (!m || !m->items.count(item)) return "";
  return m->labels[item];
}

bool IsMenu(int menu) { return findMenu(menu) != nullptr; }

void AddKeyboardShortcut(int win, int key, int item) {
  Window* w = FindWindow(win);
  if (!w) return;
  int mods = 0;
  if (key & kShortcutAlt) mods |= Qt::ALT;
  if (key & kShortcutControl) mods |= Qt::CTRL;
  if (key & kShortcutShift) mods |= Qt::SHIFT;
  int qtKey = key & 0xFFF;  // 'A'..'Z' and '0'..'9' are the toolkit's key codes
  if (auto old = w->shortcuts.find(key); old != w->shortcuts.end()) delete old->second;
  auto* s = new QShortcut(QKeySequence(QKeyCombination::fromCombined(mods | qtKey)), w->top);
  s->setContext(Qt::WindowShortcut);
  w->shortcuts[key] = s;
  QObject::connect(s, &QShortcut::activated, [win, item] { QueueEvent(kEventMenu, win, -1, item); });
}

// ---- URL ------------------------------------------------------------------

void OpenUrl(const std::string& url) {
  openedUrls.push_back(url);
  // Tests script the requesters; they never start a browser either.
  if (test::RequestersScripted()) return;
  InitGui();
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

// ---- test seams -----------------------------------------------------------

namespace test {

void PostMenuEvent(int win, int item) { QueueEvent(kEventMenu, win, -1, item); }
void PostGadgetEvent(int win, int gadget, int type) { QueueEvent(kEventGadget, win, gadget, -1, type); }
void PostWindowEvent(int win, int kind) { QueueEvent(kind, win); }

void PostClick(int win, int x, int y, bool right) {
  Window* w = FindWindow(win);
  if (!w || !w->client) return;
  // Delivered through the toolkit as a real click: the control under the
  // point takes it, or the window does; the mouse tracker records the point.
  QPoint p(x, y);
  QWidget* target = w->client->childAt(p);
  if (!target) target = w->client;
  QPointer<QWidget> guard = target;
  Qt::MouseButton b = right ? Qt::RightButton : Qt::LeftButton;
  QPointF local = target->mapFrom(w->client, p);
  QPointF scene = w->client->mapTo(w->top, p);
  QPointF global = w->client->mapToGlobal(p);
  QMouseEvent press(QEvent::MouseButtonPress, local, scene, global, b, b, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  if (!guard) return;
  QMouseEvent release(QEvent::MouseButtonRelease, local, scene, global, b, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

void SetMouse(int win, int x, int y) { SetMousePosition(win, x, y); }

bool PressShortcut(int win, int key) {
  Window* w = FindWindow(win);
  if (!w) return false;
  // Window shortcuts act in the active window, as for the operator's keys.
  if (QApplication::activeWindow() != w->top) {
    if (w->top->isHidden()) w->top->show();
    w->top->activateWindow();
    QApplication::setActiveWindow(w->top);
    QCoreApplication::processEvents();
  }
  Qt::KeyboardModifiers mods;
  if (key & kShortcutAlt) mods |= Qt::AltModifier;
  if (key & kShortcutControl) mods |= Qt::ControlModifier;
  if (key & kShortcutShift) mods |= Qt::ShiftModifier;
  int qtKey = key & 0xFFF;
  QString text = (mods & (Qt::AltModifier | Qt::ControlModifier)) ? QString() : QString(QChar(qtKey));
  QWidget* focus = QApplication::focusWidget();
  QObject* target = focus && focus->window() == w->top ? static_cast<QObject*>(focus) : w->top.data();
  if (qt_sendShortcutOverrideEvent(target, 0, qtKey, mods, text)) return true;
  // Not a shortcut: the key goes to the focused control as typed.
  QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
  QApplication::sendEvent(target, &release);
  return false;
}

const std::vector<std::string>& OpenedUrls() { return openedUrls; }

void ResetGui() {
  std::vector<QPointer<QWidget>> tops;
  for (auto& [num, w] : windows) tops.push_back(w.top);
  windows.clear();
  gadgets.clear();
  menus.clear();
  buildMenu = -1;
  buildStack.clear();
  for (auto& t : tops) delete t.data();
  queue.clear();
  last = Event{kEventNone, -1, -1, -1, kTypeNone};
  openedUrls.clear();
  waitHook = nullptr;
  UseGadgetList(-1);
}

void SetWaitHook(std::function<void()> hook) { waitHook = std::move(hook); }
int WaitingMs() { return waitingMs; }

}  // namespace test

}  // namespace pf
