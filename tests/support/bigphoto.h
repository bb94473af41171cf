// Camera-sized board photos (8165 x 6124 JPEG, 50 megapixels, and 8000 x
// 6000 PNG, 48 megapixels: beyond what decodes whole) written row by row, and
// a check of a board view against them.
#pragma once
#include <string>

namespace yrmtest {

constexpr int kBigPhotoWidth = 8165, kBigPhotoHeight = 6124;
constexpr int kBigPngWidth = 8000, kBigPngHeight = 6000;
constexpr int kBigPhotoTile = 256;  // flat squares of one colour each

// Colour of the photo at (x, y): a flat colour per tile, none of them blue.
int BigPhotoColour(int x, int y);
// Writes the photo as a JPEG; false when it cannot be written.
bool WriteBigPhoto(const std::string& path);
// The same tiles as a kBigPngWidth x kBigPngHeight PNG.
bool WriteBigPng(const std::string& path);

// Compares the view image `img` (width x height, showing the photo window
// left..right x top..bottom) against the photo's tiles, away from tile edges
// and from the view's centre (where a pin and a crosshair may be). Returns "" when it matches,
// else what differs. `checked` receives how many pixels were compared.
std::string CompareWithBigPhoto(int img, int left, int top, int right, int bottom, int& checked);

}  // namespace yrmtest
