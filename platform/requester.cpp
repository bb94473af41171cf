#include "platform/requester.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>
#include <cstdio>
#include <deque>

#include "platform/files.h"
#include "platform/gui.h"
#include "platform/gui_internal.h"
#include "platform/qtbridge.h"

namespace pf {

namespace {
bool scripted = false;
std::deque<int> answers;
std::deque<std::string> fileAnswers;
std::deque<int> colorAnswers;
std::vector<test::Asked> asked;

// "Label|*.a;*.b|Label2|*.c" -> Qt's "Label (*.a *.b);;Label2 (*.c)".
QString qtFilter(const std::string& pattern, int position, QString* selected) {
  QStringList parts = QString::fromStdString(pattern).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString exts = parts[i + 1];
    exts.replace(';', ' ');
    // A label that already shows its patterns ("Test (*.qvt)") is kept as it is.
    filters << (parts[i].endsWith(')') ? parts[i] : parts[i] + " (" + exts + ")");
  }
  if (selected && position >= 0 && position < filters.size()) *selected = filters[position];
  return filters.join(";;");
}

// Where a file dialog starts: "\" is taken as "/", and a folder named from the
// root that does not exist there ("\images\*.jpg") is looked for in the
// working folder; failing that the dialog starts in the working folder.
QString dialogStart(const std::string& defaultFile) {
  QString path = QString::fromStdString(NativePath(defaultFile));
  if (path.startsWith('/') && !QFileInfo(path).dir().exists()) {
    const QString local = QDir::currentPath() + path;
    // Found in the working folder, or else the bare name in the working folder.
    path = QFileInfo(local).dir().exists() ? local : QFileInfo(path).fileName();
  }
  return path;
}
}  // namespace

int MessageRequester(const std::string& title, const std::string& text, int flags) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() != app->thread()) {
    // Boxes are built on the GUI thread only: another thread's (the poll
    // thread's log warning) is shown there at its next event pass, and this
    // thread goes on with the answer the box would give by default.
    QMetaObject::invokeMethod(
        app, [title, text, flags] { MessageRequester(title, text, flags); }, Qt::QueuedConnection);
    return (flags & 0x0F) == kRequesterOk ? kResultOk : kResultNo;
  }
  if (scripted) {
    asked.push_back({"message", title, text, flags, ""});
    if (!answers.empty()) {
      int a = answers.front();
      answers.pop_front();
      return a;
    }
    return (flags & 0x0F) == kRequesterOk ? kResultOk : kResultNo;
  }
  if (!GuiCanStart()) {
    // Without a display the box goes to standard error, answered by default.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return (flags & 0x0F) == kRequesterOk ? kResultOk : kResultNo;
  }
  InitGui();
  QMessageBox box(CurrentQtWindow());
  box.setWindowTitle(QString::fromStdString(title));
  box.setText(QString::fromStdString(text));
  if (flags & kRequesterInfo) box.setIcon(QMessageBox::Information);
  if (flags & kRequesterWarning) box.setIcon(QMessageBox::Warning);
  if (flags & kRequesterError) box.setIcon(QMessageBox::Critical);
  switch (flags & 0x0F) {
    case kRequesterYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case kRequesterYesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
  }
  int r;
  {
    gui::ModalScope modal;
    r = box.exec();
  }
  if (r == QMessageBox::Yes) return kResultYes;
  if (r == QMessageBox::No) return kResultNo;
  if (r == QMessageBox::Cancel) return kResultCancel;
  return kResultOk;
}

static std::string fileRequester(bool save, const std::string& title, const std::string& defaultFile,
                                 const std::string& pattern, int position) {
  if (scripted) {
    asked.push_back({save ? "save" : "open", title, defaultFile, position, pattern});
    if (fileAnswers.empty()) return "";
    std::string a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
  }
  InitGui();
  QString selected;
  QString filter = qtFilter(pattern, position, &selected);
  gui::ModalScope modal;
  const QString start = dialogStart(defaultFile);
  QString r = save ? QFileDialog::getSaveFileName(CurrentQtWindow(), QString::fromStdString(title), start,
                                                  filter, &selected)
                   : QFileDialog::getOpenFileName(CurrentQtWindow(), QString::fromStdString(title), start,
                                                  filter, &selected);
  return r.toStdString();
}

std::string OpenFileRequester(const std::string& title, const std::string& defaultFile,
                              const std::string& pattern, int patternPosition) {
  return fileRequester(false, title, defaultFile, pattern, patternPosition);
}

std::string SaveFileRequester(const std::string& title, const std::string& defaultFile,
                              const std::string& pattern, int patternPosition) {
  return fileRequester(true, title, defaultFile, pattern, patternPosition);
}

int ColorRequester(int initialColor) {
  if (scripted) {
    asked.push_back({"colour", "", "", initialColor, ""});
    if (colorAnswers.empty()) return -1;
    int a = colorAnswers.front();
    colorAnswers.pop_front();
    return a;
  }
  InitGui();
  gui::ModalScope modal;
  QColor c = QColorDialog::getColor(
      QColor(initialColor & 0xFF, (initialColor >> 8) & 0xFF, (initialColor >> 16) & 0xFF),
      CurrentQtWindow());
  if (!c.isValid()) return -1;
  return c.red() | (c.green() << 8) | (c.blue() << 16);
}

namespace test {
void ScriptRequesters(bool on) {
  scripted = on;
  answers.clear();
  fileAnswers.clear();
  colorAnswers.clear();
}
bool RequestersScripted() { return scripted; }
void QueueAnswer(int result) { answers.push_back(result); }
void QueueFileAnswer(const std::string& path) { fileAnswers.push_back(path); }
void QueueColorAnswer(int color) { colorAnswers.push_back(color); }
const std::vector<Asked>& AskedRequesters() { return asked; }
void ClearAsked() { asked.clear(); }
}  // namespace test

}  // namespace pf
