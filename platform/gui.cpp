// Placeholder until the window service lands: only the application object.
#include "platform/gui.h"

#include <QApplication>

#include "platform/qtbridge.h"

namespace pf {

void InitGui() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "yrm32";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

QWidget* CurrentQtWindow() { return nullptr; }

}  // namespace pf
