// Placeholder until the image service lands: the numbered image and font stores.
#include "platform/image.h"

#include <QFont>
#include <QImage>
#include <map>

#include "platform/qtbridge.h"

namespace pf {
namespace {
std::map<int, QImage> images;
std::map<int, QFont> fonts;
}  // namespace

QImage* ImageObject(int img) {
  auto it = images.find(img);
  return it == images.end() ? nullptr : &it->second;
}
QFont* FontObject(int font) {
  auto it = fonts.find(font);
  return it == fonts.end() ? nullptr : &it->second;
}
}  // namespace pf
