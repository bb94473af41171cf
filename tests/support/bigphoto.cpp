#include "bigphoto.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/image.h"

namespace yrmtest {

int BigPhotoColour(int x, int y) {
  const int tx = x / kBigPhotoTile, ty = y / kBigPhotoTile;
  const int r = 40 + (tx * 53) % 200, g = 40 + (ty * 97) % 200, b = 20 + ((tx + ty) * 31) % 100;
  return r | g << 8 | b << 16;
}

bool WriteBigPhoto(const std::string& path) {
  return pf::test::WriteJpeg(path, kBigPhotoWidth, kBigPhotoHeight, 90, [](int y, int* row) {
    for (int x = 0; x < kBigPhotoWidth; x += kBigPhotoTile)
      std::fill(row + x, row + std::min(x + kBigPhotoTile, kBigPhotoWidth), BigPhotoColour(x, y));
  });
}

bool WriteBigPng(const std::string& path) {
  return pf::test::WritePng(path, kBigPngWidth, kBigPngHeight, [](int y, int* row) {
    for (int x = 0; x < kBigPngWidth; x += kBigPhotoTile)
      std::fill(row + x, row + std::min(x + kBigPhotoTile, kBigPngWidth), BigPhotoColour(x, y));
  });
}

std::string CompareWithBigPhoto(int img, int left, int top, int right, int bottom, int& checked) {
  checked = 0;
  const int width = pf::ImageWidth(img), height = pf::ImageHeight(img);
  if (width < 1 || height < 1 || right <= left || bottom <= top) return "no view";
  const double perx = double(right - left) / width, pery = double(bottom - top) / height;
  // Tile edges blur over a few view pixels and, decoded reduced, a few more
  // photo pixels.
  const double marginx = std::max(16.0, 3 * perx), marginy = std::max(16.0, 3 * pery);
  constexpr int kTolerance = 12;  // per channel, for the JPEG's loss
  for (int sy = 1; sy < height; sy += 7)
    for (int sx = 1; sx < width; sx += 7) {
      // The pin and the crosshair's lines through the centre.
      if (std::abs(sx - width / 2) < 10 && std::abs(sy - height / 2) < 10) continue;
      if (std::abs(sx - width / 2) <= 2 || std::abs(sy - height / 2) <= 2) continue;
      const double px = left + (sx + 0.5) * perx, py = top + (sy + 0.5) * pery;
      const double inx = px - int(px / kBigPhotoTile) * kBigPhotoTile;
      const double iny = py - int(py / kBigPhotoTile) * kBigPhotoTile;
      if (inx < marginx || inx > kBigPhotoTile - marginx || iny < marginy || iny > kBigPhotoTile - marginy)
        continue;
      const int want = BigPhotoColour(int(px), int(py)), got = pf::Point(img, sx, sy);
      for (int shift = 0; shift < 24; shift += 8)
        if (std::abs((want >> shift & 0xFF) - (got >> shift & 0xFF)) > kTolerance) {
          char text[160];
          std::snprintf(text, sizeof text, "view (%d, %d), photo (%.0f, %.0f): %06X, the photo %06X", sx, sy,
                        px, py, got, want);
          return text;
        }
      ++checked;
    }
  return "";
}

}  // namespace yrmtest
