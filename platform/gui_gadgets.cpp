// Controls (gadgets): creation in the current gadget list, geometry, states,
// texts, colours, fonts, images and the items of combo boxes. Only the
// operator's actions queue control events; changes made through these calls
// never do.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegion>
#include <QRegularExpressionValidator>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QThread>

#include "platform/gui.h"
#include "platform/gui_internal.h"
#include "platform/qtbridge.h"

namespace pf {
using namespace gui;

namespace {

int listWindow = -1;              // window of the current gadget list
std::vector<int> openContainers;  // containers opened by ContainerGadget, innermost last

// Shows an image from the image store at its top-left corner, unscaled, and
// reports clicks as control events.
class ImageView : public QFrame {
 public:
  ImageView(int g, QWidget* parent) : QFrame(parent), g(g) {}
  // An opaque picture that fills the control hides whatever lies beneath it:
  // the toolkit then repaints only the picture, not the window's background
  // under it first (a live scope repaints several times a second).
  void UpdateOpaque() {
    Gadget* gd = FindGadget(g);
    const QImage* img = gd ? ImageObject(gd->image) : nullptr;
    const bool covers = img && !img->hasAlphaChannel() && contentsRect() == rect() &&
                        img->width() >= width() && img->height() >= height();
    if (testAttribute(Qt::WA_OpaquePaintEvent) != covers) setAttribute(Qt::WA_OpaquePaintEvent, covers);
  }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QFrame::resizeEvent(e);
    UpdateOpaque();
  }
  void paintEvent(QPaintEvent* e) override {
    QFrame::paintEvent(e);
    Gadget* gd = FindGadget(g);
    QImage* img = gd ? ImageObject(gd->image) : nullptr;
    if (!img) return;
    QRect area = contentsRect();
    QRect src(0, 0, std::min(img->width(), area.width()), std::min(img->height(), area.height()));
    QPainter p(this);
    // One plain copy per rectangle of the part to repaint: drawn under a clip
    // of several rectangles at once, the toolkit blends the picture span by
    // span on helper threads, which costs more than copying it.
    for (const QRect& r : e->region()) {
      p.setClipRect(r);
      p.drawImage(area.topLeft(), *img, src);
    }
  }
  void mousePressEvent(QMouseEvent* e) override { click(e, false); }
  void mouseDoubleClickEvent(QMouseEvent* e) override { click(e, true); }

 private:
  void click(QMouseEvent* e, bool twice) {
    Gadget* gd = FindGadget(g);
    if (!gd) return;
    int type = kTypeNone;
    if (e->button() == Qt::LeftButton)
      type = twice ? kTypeLeftDoubleClick : kTypeLeftClick;
    else if (e->button() == Qt::RightButton)
      type = kTypeRightClick;
    if (type != kTypeNone) QueueEvent(kEventGadget, gd->win, g, -1, type);
    e->accept();
  }
  const int g;
};

// A push button that shows an image from the image store, centred.
class ImageButton : public QPushButton {
 public:
  ImageButton(int g, QWidget* parent) : QPushButton(parent), g(g) {}

 protected:
  void paintEvent(QPaintEvent* e) override {
    QPushButton::paintEvent(e);
    Gadget* gd = FindGadget(g);
    QImage* img = gd ? ImageObject(gd->image) : nullptr;
    if (!img) return;
    QPoint at((width() - img->width()) / 2, (height() - img->height()) / 2);
    if (isDown() || isChecked()) at += QPoint(1, 1);
    QPainter p(this);
    p.drawImage(at, *img);
  }

 private:
  const int g;
};

// A push button whose label is aligned to its left or right edge: the
// toolkit's button always centres it.
class AlignedButton : public QPushButton {
 public:
  AlignedButton(Qt::Alignment align, QWidget* parent) : QPushButton(parent), align(align) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    p.drawControl(QStyle::CE_PushButtonBevel, option);
    const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this) / 2 + 1;
    QRect area =
        style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(margin, 0, -margin, 0);
    if (isDown() || isChecked())
      area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                     style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    p.drawItemText(area, align | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(), isEnabled(), text(),
                   QPalette::ButtonText);
  }

 private:
  const Qt::Alignment align;
};

// Word-wraps a button text to its width (buttons with several lines).
QString wrapped(const std::string& text, const QFont& font, int width) {
  QFontMetrics fm(font);
  QStringList words = QString::fromStdString(text).split(' ', Qt::SkipEmptyParts);
  QStringList lines;
  QString line;
  for (const QString& word : words) {
    QString candidate = line.isEmpty() ? word : line + ' ' + word;
    if (!line.isEmpty() && fm.horizontalAdvance(candidate) > width) {
      lines << line;
      line = word;
    } else {
      line = candidate;
    }
  }
  if (!line.isEmpty()) lines << line;
  QString s = lines.join('\n');
  s.replace('&', "&&");
  return s;
}

// Brings the shown text of a control in line with its stored text.
void showText(Gadget& gd) {
  QWidget* w = gd.widget;
  switch (gd.kind) {
    case kGadgetKindButton: {
      auto* b = static_cast<QPushButton*>(w);
      if (gd.flags & kGadgetMultiLine)
        b->setText(wrapped(gd.text, b->font(), b->width() - 6));
      else
        b->setText(Label(gd.text));
      break;
    }
    case kGadgetKindCheckBox:
      static_cast<QCheckBox*>(w)->setText(Label(gd.text));
      break;
    case kGadgetKindText:
      static_cast<QLabel*>(w)->setText(QString::fromStdString(gd.text));
      break;
    case kGadgetKindString: {
      QSignalBlocker block(w);
      static_cast<QLineEdit*>(w)->setText(QString::fromStdString(gd.text));
      break;
    }
    case kGadgetKindEditor: {
      QSignalBlocker block(w);
      static_cast<QPlainTextEdit*>(w)->setPlainText(QString::fromStdString(gd.text));
      break;
    }
    default:
      break;
  }
}

// The widget that new controls go into: the innermost open container, else
// the client area of the current window.
QWidget* currentParent(int* win) {
  while (!openContainers.empty() && !FindGadget(openContainers.back())) openContainers.pop_back();
  if (!openContainers.empty()) {
    Gadget* c = FindGadget(openContainers.back());
    *win = c->win;
    return c->widget;
  }
  Window* w = FindWindow(listWindow);
  if (!w) return nullptr;
  *win = listWindow;
  return w->client;
}

// Registers a new control under its number, replacing any old one.
template <class W, class Make>
W* add(int g, int kind, int x, int y, int w, int h, int flags, Make make) {
  InitGui();
  FreeGadget(g);
  int win = -1;
  QWidget* parent = currentParent(&win);
  if (!parent) return nullptr;
  W* widget = make(parent, g);
  Gadget& gd = gadgets[g];
  gd = Gadget{};
  gd.kind = kind;
  gd.win = win;
  gd.flags = flags;
  gd.widget = widget;
  widget->setGeometry(x, y, std::max(0, w), std::max(0, h));
  QObject::connect(widget, &QObject::destroyed, [g] {
    auto it = gadgets.find(g);
    if (it != gadgets.end() && !it->second.widget) gadgets.erase(it);
  });
  widget->show();
  return widget;
}

void queueControlEvent(int g, int type) {
  if (Gadget* gd = FindGadget(g)) QueueEvent(kEventGadget, gd->win, g, -1, type);
}

QPushButton* newButton(QWidget* parent, int g, int flags) {
  QPushButton* b = (flags & kGadgetRight)  ? new AlignedButton(Qt::AlignRight, parent)
                   : (flags & kGadgetLeft) ? new AlignedButton(Qt::AlignLeft, parent)
                                           : new QPushButton(parent);
  QObject::connect(b, &QPushButton::clicked, [g] { queueControlEvent(g, kTypeLeftClick); });
  return b;
}

QPushButton* newImageButton(QWidget* parent, int g) {
  auto* b = new ImageButton(g, parent);
  QObject::connect(b, &QPushButton::clicked, [g] { queueControlEvent(g, kTypeLeftClick); });
  return b;
}

// With `changed`, only that part of the picture has changed: a live scope
// repaints the few tiles its traces crossed, not the whole picture.
void repaintImage(Gadget& gd, const QRegion* changed = nullptr) {
  if (gd.kind == kGadgetKindImage) static_cast<ImageView*>(gd.widget.data())->UpdateOpaque();
  if (gd.kind == kGadgetKindImage && changed)
    gd.widget->update(changed->translated(static_cast<QFrame*>(gd.widget.data())->contentsRect().topLeft()));
  else if (gd.kind == kGadgetKindImage || gd.kind == kGadgetKindButtonImage)
    gd.widget->update();
}

// Palette roles of a control's text and background colours.
void colorRoles(int kind, QPalette::ColorRole* front, QPalette::ColorRole* back) {
  switch (kind) {
    case kGadgetKindTree:
    case kGadgetKindString:
    case kGadgetKindEditor:
    case kGadgetKindComboBox:
      *front = QPalette::Text;
      *back = QPalette::Base;
      break;
    case kGadgetKindButton:
    case kGadgetKindButtonImage:
      *front = QPalette::ButtonText;
      *back = QPalette::Button;
      break;
    default:
      *front = QPalette::WindowText;
      *back = QPalette::Window;
  }
}

}  // namespace

// ---- gadget lists ---------------------------------------------------------

void UseGadgetList(int win) {
  listWindow = win;
  openContainers.clear();
}

void CloseGadgetList() {
  if (!openContainers.empty()) openContainers.pop_back();
}

// ---- creation -------------------------------------------------------------

bool ButtonGadget(int g, int x, int y, int w, int h, const std::string& text, int flags) {
  QPushButton* b = add<QPushButton>(g, kGadgetKindButton, x, y, w, h, flags,
                                    [flags](QWidget* parent, int g) { return newButton(parent, g, flags); });
  if (!b) return false;
  b->setCheckable(flags & kGadgetToggle);
  gadgets[g].text = text;
  showText(gadgets[g]);
  return true;
}

bool ButtonImageGadget(int g, int x, int y, int w, int h, int image, int flags) {
  QPushButton* b = add<QPushButton>(g, kGadgetKindButtonImage, x, y, w, h, flags, newImageButton);
  if (!b) return false;
  b->setCheckable(flags & kGadgetToggle);
  gadgets[g].image = image;
  return true;
}

bool TextGadget(int g, int x, int y, int w, int h, const std::string& text, int flags) {
  QLabel* l =
      add<QLabel>(g, kGadgetKindText, x, y, w, h, flags, [](QWidget* p, int) { return new QLabel(p); });
  if (!l) return false;
  l->setTextFormat(Qt::PlainText);
  l->setWordWrap(true);
  Qt::Alignment a = Qt::AlignTop;
  a |= (flags & kGadgetCenter) ? Qt::AlignHCenter : (flags & kGadgetRight) ? Qt::AlignRight : Qt::AlignLeft;
  l->setAlignment(a);
  if (flags & kGadgetBorder) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  gadgets[g].text = text;
  showText(gadgets[g]);
  return true;
}

bool StringGadget(int g, int x, int y, int w, int h, const std::string& text, int flags) {
  QLineEdit* e = add<QLineEdit>(g, kGadgetKindString, x, y, w, h, flags, [](QWidget* p, int g) {
    auto* e = new QLineEdit(p);
    QObject::connect(e, &QLineEdit::textEdited, [g] { queueControlEvent(g, kTypeChange); });
    return e;
  });
  if (!e) return false;
  e->setReadOnly(flags & kGadgetReadOnly);
  if (flags & kGadgetNumeric)
    e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
  if (flags & kGadgetCenter) e->setAlignment(Qt::AlignCenter);
  if (flags & kGadgetRight) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  gadgets[g].text = text;
  showText(gadgets[g]);
  return true;
}

bool EditorGadget(int g, int x, int y, int w, int h, int flags) {
  QPlainTextEdit* e = add<QPlainTextEdit>(g, kGadgetKindEditor, x, y, w, h, flags, [](QWidget* p, int g) {
    auto* e = new QPlainTextEdit(p);
    QObject::connect(e, &QPlainTextEdit::textChanged, [g] { queueControlEvent(g, kTypeChange); });
    return e;
  });
  if (!e) return false;
  e->setReadOnly(flags & kGadgetReadOnly);
  return true;
}

bool ComboBoxGadget(int g, int x, int y, int w, int h, int flags) {
  QComboBox* c = add<QComboBox>(g, kGadgetKindComboBox, x, y, w, h, flags, [](QWidget* p, int g) {
    auto* c = new QComboBox(p);
    // Only the operator's choice: never the program's setCurrentIndex.
    QObject::connect(c, &QComboBox::activated, [g] { queueControlEvent(g, kTypeChange); });
    return c;
  });
  if (!c) return false;
  c->setMaxVisibleItems(20);
  if (flags & kGadgetEditable) {
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->lineEdit()->setReadOnly(flags & kGadgetReadOnly);
    QObject::connect(c->lineEdit(), &QLineEdit::textEdited, [g] { queueControlEvent(g, kTypeChange); });
  }
  return true;
}

bool CheckBoxGadget(int g, int x, int y, int w, int h, const std::string& text, int flags) {
  QCheckBox* b = add<QCheckBox>(g, kGadgetKindCheckBox, x, y, w, h, flags, [](QWidget* p, int g) {
    auto* b = new QCheckBox(p);
    QObject::connect(b, &QCheckBox::clicked, [g] { queueControlEvent(g, kTypeLeftClick); });
    return b;
  });
  if (!b) return false;
  gadgets[g].text = text;
  showText(gadgets[g]);
  return true;
}

bool ImageGadget(int g, int x, int y, int w, int h, int image, int flags) {
  // Without a size of its own the control takes the image's size.
  if (QImage* img = ImageObject(image)) {
    if (w <= 0) w = img->width();
    if (h <= 0) h = img->height();
  }
  ImageView* v = add<ImageView>(g, kGadgetKindImage, x, y, w, h, flags,
                                [](QWidget* p, int g) { return new ImageView(g, p); });
  if (!v) return false;
  if (flags & kGadgetBorder) v->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  gadgets[g].image = image;
  v->UpdateOpaque();
  return true;
}

bool ContainerGadget(int g, int x, int y, int w, int h, int flags) {
  QFrame* f =
      add<QFrame>(g, kGadgetKindContainer, x, y, w, h, flags, [](QWidget* p, int) { return new QFrame(p); });
  if (!f) return false;
  if (flags & kGadgetBorder) f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  openContainers.push_back(g);
  return true;
}

bool TreeGadget(int g, int x, int y, int w, int h, int flags) {
  QWidget* t = add<QWidget>(g, kGadgetKindTree, x, y, w, h, flags, NewTree);
  if (!t) return false;
  TreeApplyFlags(gadgets[g]);
  return true;
}

bool TrackBarGadget(int g, int x, int y, int w, int h, int minimum, int maximum, int flags) {
  QSlider* s = add<QSlider>(g, kGadgetKindTrackBar, x, y, w, h, flags, [](QWidget* p, int g) {
    auto* s = new QSlider(Qt::Horizontal, p);
    QObject::connect(s, &QSlider::valueChanged, [g] { queueControlEvent(g, kTypeChange); });
    return s;
  });
  if (!s) return false;
  QSignalBlocker block(s);
  s->setRange(minimum, std::max(minimum, maximum));
  return true;
}

// ---- common ---------------------------------------------------------------

bool IsGadget(int g) { return FindGadget(g) != nullptr; }

int GadgetKind(int g) {
  Gadget* gd = FindGadget(g);
  return gd ? gd->kind : kGadgetKindNone;
}

void FreeGadget(int g) {
  auto it = gadgets.find(g);
  if (it == gadgets.end()) return;
  QWidget* w = it->second.widget;
  gadgets.erase(it);
  delete w;
}

void ResizeGadget(int g, int x, int y, int w, int h) {
  Gadget* gd = FindGadget(g);
  if (!gd) return;
  QRect r = gd->widget->geometry();
  gd->widget->setGeometry(x == -1 ? r.x() : x, y == -1 ? r.y() : y, w == -1 ? r.width() : std::max(0, w),
                          h == -1 ? r.height() : std::max(0, h));
  if (gd->kind == kGadgetKindButton && (gd->flags & kGadgetMultiLine)) showText(*gd);
}

int GadgetX(int g) {
  Gadget* gd = FindGadget(g);
  return gd ? gd->widget->x() : 0;
}
int GadgetY(int g) {
  Gadget* gd = FindGadget(g);
  return gd ? gd->widget->y() : 0;
}
int GadgetWidth(int g) {
  Gadget* gd = FindGadget(g);
  return gd ? gd->widget->width() : 0;
}
int GadgetHeight(int g) {
  Gadget* gd = FindGadget(g);
  return gd ? gd->widget->height() : 0;
}

static QPoint inWindow(Gadget* gd) {
  Window* w = FindWindow(gd->win);
  if (!w || !w->client) return gd->widget->pos();
  return gd->widget->mapTo(w->client, QPoint(0, 0));
}
int GadgetWindowX(int g) {
  Gadget* gd = FindGadget(g);
  return gd ? inWindow(gd).x() : 0;
}
int GadgetWindowY(int g) {
  Gadget* gd = FindGadget(g);
  return gd ? inWindow(gd).y() : 0;
}

void HideGadget(int g, bool hide) {
  Gadget* gd = FindGadget(g);
  if (!gd) return;
  gd->hidden = hide;
  gd->widget->setVisible(!hide);
}

bool GadgetHidden(int g) {
  Gadget* gd = FindGadget(g);
  return gd && gd->hidden;
}

void DisableGadget(int g, bool disable) {
  Gadget* gd = FindGadget(g);
  if (!gd) return;
  gd->disabled = disable;
  gd->widget->setEnabled(!disable);
}

bool GadgetDisabled(int g) {
  Gadget* gd = FindGadget(g);
  return gd && gd->disabled;
}

// ---- text -----------------------------------------------------------------

namespace {
// A tree of the caller's entries is brought in line before its entries are
// read or named by index.
Gadget* inLine(Gadget* gd) {
  if (gd && gd->kind == kGadgetKindTree) RenewEntries(*gd);
  return gd;
}
}  // namespace

void SetGadgetText(int g, const std::string& text) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  if (QThread::currentThread() != app->thread()) {
    // Another thread (the poll thread's status text): done on the GUI thread.
    QMetaObject::invokeMethod(
        app, [g, text] { SetGadgetText(g, text); }, Qt::QueuedConnection);
    return;
  }
  Gadget* gd = FindGadget(g);
  if (!gd) return;
  ++gd->textSets;
  switch (gd->kind) {
    case kGadgetKindComboBox: {
      auto* c = static_cast<QComboBox*>(gd->widget.data());
      QSignalBlocker block(c);
      if (c->isEditable())
        c->setEditText(QString::fromStdString(text));
      else
        c->setCurrentIndex(
            c->findText(QString::fromStdString(text), Qt::MatchExactly | Qt::MatchCaseSensitive));
      break;
    }
    case kGadgetKindTree: {
      int i = TreeSelected(*gd);
      if (i >= 0) TreeSetText(*gd, i, text);
      break;
    }
    case kGadgetKindButton:
    case kGadgetKindCheckBox:
    case kGadgetKindText:
    case kGadgetKindString:
    case kGadgetKindEditor:
      gd->text = text;
      showText(*gd);
      break;
    default:
      break;
  }
}

std::string GetGadgetText(int g) {
  Gadget* gd = inLine(FindGadget(g));
  if (!gd) return "";
  switch (gd->kind) {
    case kGadgetKindComboBox:
      return static_cast<QComboBox*>(gd->widget.data())->currentText().toStdString();
    case kGadgetKindString:
      return static_cast<QLineEdit*>(gd->widget.data())->text().toStdString();
    case kGadgetKindEditor:
      return static_cast<QPlainTextEdit*>(gd->widget.data())->toPlainText().toStdString();
    case kGadgetKindTree: {
      int i = TreeSelected(*gd);
      if (gd->model) return EntryText(*gd, i);
      return i >= 0 ? gd->entries[i].text : std::string();
    }
    case kGadgetKindButton:
    case kGadgetKindCheckBox:
    case kGadgetKindText:
      return gd->text;
    default:
      return "";
  }
}

// ---- state ----------------------------------------------------------------

void SetGadgetState(int g, int state) {
  Gadget* gd = inLine(FindGadget(g));
  if (!gd) return;
  QWidget* w = gd->widget;
  QSignalBlocker block(w);
  switch (gd->kind) {
    case kGadgetKindButton:
    case kGadgetKindButtonImage:
    case kGadgetKindCheckBox:
      static_cast<QAbstractButton*>(w)->setChecked(state != 0);
      break;
    case kGadgetKindComboBox: {
      auto* c = static_cast<QComboBox*>(w);
      c->setCurrentIndex(state >= 0 && state < c->count() ? state : -1);
      break;
    }
    case kGadgetKindTree:
      TreeSelect(*gd, state);
      break;
    case kGadgetKindTrackBar:
      static_cast<QSlider*>(w)->setValue(state);
      break;
    case kGadgetKindImage:
      gd->image = state;
      repaintImage(*gd);
      break;
    default:
      break;
  }
}

int GetGadgetState(int g) {
  Gadget* gd = inLine(FindGadget(g));
  if (!gd) return -1;
  QWidget* w = gd->widget;
  switch (gd->kind) {
    case kGadgetKindButton:
    case kGadgetKindButtonImage:
    case kGadgetKindCheckBox:
      return static_cast<QAbstractButton*>(w)->isChecked() ? 1 : 0;
    case kGadgetKindComboBox:
      return static_cast<QComboBox*>(w)->currentIndex();
    case kGadgetKindTree:
      return TreeSelected(*gd);
    case kGadgetKindTrackBar:
      return static_cast<QSlider*>(w)->value();
    case kGadgetKindImage:
      return gd->image;
    default:
      return 0;
  }
}

// ---- looks ----------------------------------------------------------------

void SetGadgetToolTip(int g, const std::string& text) {
  Gadget* gd = FindGadget(g);
  if (!gd) return;
  gd->toolTip = text;
  gd->widget->setToolTip(QString::fromStdString(text));
}

std::string GetGadgetToolTip(int g) {
  Gadget* gd = FindGadget(g);
  return gd ? gd->toolTip : std::string();
}

void SetGadgetColor(int g, int kind, int color) {
  Gadget* gd = FindGadget(g);
  if (!gd || (kind != kColorFront && kind != kColorBack)) return;
  QPalette::ColorRole front, back;
  colorRoles(gd->kind, &front, &back);
  QPalette::ColorRole role = kind == kColorFront ? front : back;
  (kind == kColorFront ? gd->front : gd->back) = color;
  QWidget* w = gd->widget;
  QPalette p = w->palette();
  QColor c = color < 0 ? QApplication::palette(w).color(role) : ToQColor(color);
  p.setColor(role, c);
  w->setPalette(p);
  if (kind == kColorBack && back == QPalette::Window) w->setAutoFillBackground(color >= 0);
}

int GetGadgetColor(int g, int kind) {
  Gadget* gd = FindGadget(g);
  if (!gd || (kind != kColorFront && kind != kColorBack)) return -1;
  int stored = kind == kColorFront ? gd->front : gd->back;
  if (stored >= 0) return stored;
  QPalette::ColorRole front, back;
  colorRoles(gd->kind, &front, &back);
  return FromQColor(gd->widget->palette().color(kind == kColorFront ? front : back));
}

void SetGadgetFont(int g, int font) {
  Gadget* gd = FindGadget(g);
  if (!gd) return;
  QFont* f = FontObject(font);
  gd->widget->setFont(f ? *f : QApplication::font(gd->widget));
  if (gd->kind == kGadgetKindButton && (gd->flags & kGadgetMultiLine)) showText(*gd);
}

void SetGadgetImage(int g, int image) {
  Gadget* gd = FindGadget(g);
  if (!gd || (gd->kind != kGadgetKindImage && gd->kind != kGadgetKindButtonImage)) return;
  if (gd->image == image) {  // the same picture: what changed in it is repainted
    RefreshImageGadgets(image);
    return;
  }
  gd->image = image;
  repaintImage(*gd);
}

void RefreshImageGadgets(int img) {
  // What changed is taken only for a picture on show; until then it gathers.
  QRegion changed;
  bool asked = false, known = false;
  for (auto& [g, gd] : gadgets)
    if (gd.widget && gd.image == img) {
      if (!asked) known = TakeImageDamage(img, changed), asked = true;
      repaintImage(gd, known ? &changed : nullptr);
    }
}

// ---- items ----------------------------------------------------------------

namespace {
QComboBox* combo(Gadget* gd) {
  return gd && gd->kind == kGadgetKindComboBox ? static_cast<QComboBox*>(gd->widget.data()) : nullptr;
}
Gadget* tree(int g) {
  Gadget* gd = FindGadget(g);
  return gd && gd->kind == kGadgetKindTree ? inLine(gd) : nullptr;
}
QIcon icon(int image) {
  QImage* img = ImageObject(image);
  return img ? QIcon(QPixmap::fromImage(*img)) : QIcon();
}
void fitIcons(QComboBox* c, int image) {
  if (QImage* img = ImageObject(image)) c->setIconSize(c->iconSize().expandedTo(img->size()));
}
constexpr int kDataRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
}  // namespace

void AddGadgetItem(int g, int position, const std::string& text, int image, int sublevel) {
  Gadget* gd = FindGadget(g);
  if (!gd) return;
  if (gd->kind == kGadgetKindTree) {
    TreeAdd(*gd, position, text, image, sublevel);
    return;
  }
  QComboBox* c = combo(gd);
  if (!c) return;
  QSignalBlocker block(c);
  int selected = c->currentIndex();
  int at = position < 0 || position > c->count() ? c->count() : position;
  c->insertItem(at, icon(image), QString::fromStdString(text));
  c->setItemData(at, 0, kDataRole);
  c->setItemData(at, image, kImageRole);
  fitIcons(c, image);
  // A new item is never chosen by itself; the chosen one keeps its place.
  if (selected < 0)
    c->setCurrentIndex(-1);
  else if (c->currentIndex() != selected + (at <= selected ? 1 : 0))
    c->setCurrentIndex(selected + (at <= selected ? 1 : 0));
}

void RemoveGadgetItem(int g, int position) {
  Gadget* gd = FindGadget(g);
  if (!gd) return;
  if (gd->kind == kGadgetKindTree) {
    TreeRemove(*gd, position);
    return;
  }
  QComboBox* c = combo(gd);
  if (!c || position < 0 || position >= c->count()) return;
  QSignalBlocker block(c);
  int selected = c->currentIndex();
  c->removeItem(position);
  if (selected == position) c->setCurrentIndex(-1);
}

void RemoveGadgetItemsFrom(int g, int position) {
  Gadget* gd = FindGadget(g);
  if (!gd || position < 0) return;
  if (gd->kind == kGadgetKindTree) {
    TreeTruncate(*gd, position);
    return;
  }
  for (int i = CountGadgetItems(g) - 1; i >= position; --i) RemoveGadgetItem(g, i);
}

void ClearGadgetItems(int g) {
  Gadget* gd = FindGadget(g);
  if (!gd) return;
  if (gd->kind == kGadgetKindTree) {
    TreeClear(*gd);
    return;
  }
  if (QComboBox* c = combo(gd)) {
    QSignalBlocker block(c);
    c->clear();
  }
}

int CountGadgetItems(int g) {
  Gadget* gd = inLine(FindGadget(g));
  if (!gd) return 0;
  if (gd->kind == kGadgetKindTree) return gd->model ? EntryCount(*gd) : int(gd->entries.size());
  QComboBox* c = combo(gd);
  return c ? c->count() : 0;
}

std::string GetGadgetItemText(int g, int item) {
  Gadget* gd = inLine(FindGadget(g));
  if (!gd || item < 0) return "";
  if (gd->kind == kGadgetKindTree && gd->model) return EntryText(*gd, item);
  if (gd->kind == kGadgetKindTree) return item < int(gd->entries.size()) ? gd->entries[item].text : "";
  QComboBox* c = combo(gd);
  return c && item < c->count() ? c->itemText(item).toStdString() : "";
}

void SetGadgetItemText(int g, int item, const std::string& text) {
  Gadget* gd = FindGadget(g);
  if (!gd || item < 0) return;
  if (gd->kind == kGadgetKindTree) {
    if (item < int(gd->entries.size())) TreeSetText(*gd, item, text);
    return;
  }
  QComboBox* c = combo(gd);
  if (!c || item >= c->count()) return;
  QSignalBlocker block(c);
  c->setItemText(item, QString::fromStdString(text));
}

void SetGadgetItemImage(int g, int item, int image) {
  Gadget* gd = FindGadget(g);
  if (!gd || item < 0) return;
  if (gd->kind == kGadgetKindTree) {
    if (item < int(gd->entries.size())) TreeSetImage(*gd, item, image);
    return;
  }
  QComboBox* c = combo(gd);
  if (!c || item >= c->count()) return;
  QSignalBlocker block(c);
  c->setItemIcon(item, icon(image));
  c->setItemData(item, image, kImageRole);
  fitIcons(c, image);
}

int GetGadgetItemImage(int g, int item) {
  Gadget* gd = inLine(FindGadget(g));
  if (!gd || item < 0) return -1;
  if (gd->kind == kGadgetKindTree && gd->model) return EntryImage(*gd, item);
  if (gd->kind == kGadgetKindTree) return item < int(gd->entries.size()) ? gd->entries[item].image : -1;
  QComboBox* c = combo(gd);
  return c && item < c->count() ? c->itemData(item, kImageRole).toInt() : -1;
}

void SetGadgetItemState(int g, int item, int state) {
  Gadget* gd = tree(g);
  if (gd && item >= 0 && item < (gd->model ? EntryCount(*gd) : int(gd->entries.size())))
    TreeSetExpanded(*gd, item, state != 0);
}

int GetGadgetItemState(int g, int item) {
  Gadget* gd = tree(g);
  if (!gd || item < 0 || item >= (gd->model ? EntryCount(*gd) : int(gd->entries.size()))) return 0;
  return TreeExpanded(*gd, item) ? 1 : 0;
}

int GetGadgetItemSublevel(int g, int item) {
  Gadget* gd = tree(g);
  if (gd && gd->model) return EntryLevel(*gd, item);
  if (!gd || item < 0 || item >= int(gd->entries.size())) return 0;
  return gd->entries[item].level;
}

void SetGadgetItemData(int g, int item, int data) {
  Gadget* gd = FindGadget(g);
  if (!gd || item < 0) return;
  if (gd->kind == kGadgetKindTree) {
    if (item < int(gd->entries.size())) gd->entries[item].data = data;
    return;
  }
  QComboBox* c = combo(gd);
  if (c && item < c->count()) c->setItemData(item, data, kDataRole);
}

int GetGadgetItemData(int g, int item) {
  Gadget* gd = inLine(FindGadget(g));
  if (!gd || item < 0) return 0;
  if (gd->kind == kGadgetKindTree && gd->model) return EntryData(*gd, item);
  if (gd->kind == kGadgetKindTree) return item < int(gd->entries.size()) ? gd->entries[item].data : 0;
  QComboBox* c = combo(gd);
  return c && item < c->count() ? c->itemData(item, kDataRole).toInt() : 0;
}

namespace test {
int GadgetTextSets(int g) {
  Gadget* gd = FindGadget(g);
  return gd ? gd->textSets : 0;
}
}  // namespace test

}  // namespace pf
