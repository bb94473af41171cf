// Internal to platform/: shared access to the toolkit objects.
#pragma once
#include <algorithm>
#include <cstddef>
#include <vector>

class QWidget;

namespace pf {
// The top-level widget of the current window (the one requesters belong to),
// or nullptr.
QWidget* CurrentQtWindow();
}  // namespace pf

class QImage;
class QFont;
class QRegion;
namespace pf {
// The image held under a number, or nullptr (image service).
QImage* ImageObject(int img);
// The font loaded under a number, or nullptr (image service).
QFont* FontObject(int font);

// Image and image-button controls paint straight from the image store each
// time they are drawn; SetGadgetImage and SetGadgetState on them schedule a
// repaint. The image service may call this after it changed or replaced an
// image, so that every control showing it repaints (window service).
void RefreshImageGadgets(int img);

// The parts of an image drawn on, in tiles of kTile x kTile pixels: `marked`
// since it was last made a copy of another, so that copying the other back
// onto it copies only those; `damaged` since the controls showing it were
// last told, so that they repaint only those (image service).
struct DrawnTiles {
  static constexpr int kTileShift = 3, kTile = 1 << kTileShift;
  int across = 0, down = 0;
  std::vector<unsigned char> marked, damaged;  // across x down, row by row
  // The tile rows that may hold marks of each kind, so that few marks are
  // found quickly.
  struct RowSpan {
    int from = 1 << 30, to = -1;
    void Add(int ty0, int ty1) {
      from = std::min(from, ty0);
      to = std::max(to, ty1);
    }
  } markedRows, damagedRows;
  void Rows(int ty0, int ty1) {
    markedRows.Add(ty0, ty1);
    damagedRows.Add(ty0, ty1);
  }
  void Pixel(int x, int y) {
    const int ty = y >> kTileShift;
    const size_t at = size_t(ty) * size_t(across) + size_t(x >> kTileShift);
    marked[at] = damaged[at] = 1;
    Rows(ty, ty);
  }
  // x0..x1, y0..y1 inclusive, already inside the image.
  void Area(int x0, int y0, int x1, int y1) {
    for (int ty = y0 >> kTileShift; ty <= y1 >> kTileShift; ++ty) {
      const ptrdiff_t at = ptrdiff_t(ty) * across + (x0 >> kTileShift);
      const int n = (x1 >> kTileShift) - (x0 >> kTileShift) + 1;
      std::fill_n(marked.begin() + at, n, 1);
      std::fill_n(damaged.begin() + at, n, 1);
    }
    Rows(y0 >> kTileShift, y1 >> kTileShift);
  }
};
// Every drawing call asks for this before it changes image `img` (held as
// `image`): the image counts as changed, and the call marks what it draws.
DrawnTiles& DrawingOn(int img, const QImage& image);
// What changed in image `img` since the last call, for the controls showing
// it: false when that is not known (the image was replaced: repaint it all),
// else true with the changed part in `changed` (may be empty).
bool TakeImageDamage(int img, QRegion& changed);

// Counts every change to the loaded fonts and the application font.
unsigned FontGeneration();
}  // namespace pf
