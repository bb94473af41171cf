// Screenshots of a window, for the documentation and for looking at layouts.
#include <QCoreApplication>
#include <QPixmap>

#include "platform/gui.h"
#include "platform/gui_internal.h"

namespace pf::test {

bool GrabWindow(int win, const std::string& path) {
  gui::Window* w = gui::FindWindow(win);
  if (!w || !w->top) return false;
  QCoreApplication::processEvents();
  QPixmap shot = w->top->grab();
  return !shot.isNull() && shot.save(QString::fromStdString(path), "PNG");
}

}  // namespace pf::test
