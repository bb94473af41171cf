// Numbered fonts: a face name with optional style words and a size in points.
#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <map>

#include "platform/gui.h"
#include "platform/image.h"
#include "platform/qtbridge.h"

namespace pf {
namespace {
std::map<int, QFont> fonts;
// The toolkit's own default, kept so that tests can undo SetDefaultGuiFont.
QFont* toolkitDefault = nullptr;
unsigned generation = 0;  // texts laid out in an older one are laid out again
}  // namespace

unsigned FontGeneration() { return generation; }

QFont* FontObject(int font) {
  auto it = fonts.find(font);
  return it == fonts.end() ? nullptr : &it->second;
}

bool LoadFont(int font, const std::string& face, int points) {
  // Style words follow the family: "Arial Bold Italic".
  QStringList words = QString::fromStdString(face).split(' ', Qt::SkipEmptyParts);
  bool bold = false, italic = false;
  while (!words.isEmpty()) {
    const QString last = words.last().toLower();
    if (last == "bold")
      bold = true;
    else if (last == "italic")
      italic = true;
    else
      break;
    words.removeLast();
  }
  if (words.isEmpty() || points < 1) return false;
  InitGui();  // the font database needs the application object
  QFont f(words.join(' '), points);
  f.setBold(bold);
  f.setItalic(italic);
  // A family the system lacks ("Arial") resolves through its substitution
  // rules (fontconfig) to a metric-compatible face.
  fonts[font] = f;
  ++generation;
  return true;
}

bool IsFont(int font) { return fonts.count(font) != 0; }

void SetDefaultGuiFont() {
  InitGui();
  if (!toolkitDefault) toolkitDefault = new QFont(QApplication::font());
  // The control sizes are laid out for an 8-point sans face, the usual
  // dialogue font of desktop instruments; "Arial" resolves to a
  // metric-compatible face through fontconfig.
  QFont f(QStringLiteral("Arial"));
  f.setPointSize(8);
  QApplication::setFont(f);
  ++generation;
}

namespace test {
void ResetFonts() {
  fonts.clear();
  if (toolkitDefault) QApplication::setFont(*toolkitDefault);
  ++generation;
}

std::string FontFamily(int font) {
  const QFont* f = FontObject(font);
  return f ? QFontInfo(*f).family().toStdString() : std::string();
}
}  // namespace test

}  // namespace pf
