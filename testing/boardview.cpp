#include "testing/boardview.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/files.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "shell/messages.h"
#include "shell/state.h"
#include "testing/recordindex.h"
#include "testing/records.h"
#include "testing/scope.h"
#include "testing/state.h"

namespace {
constexpr int kPinRadius = 5;
constexpr int kFirstPinSquare = 12;  // pin "1" is drawn as a square this wide
constexpr int kMaxPhotoReduction = 64;
constexpr int kPhotoComingColour = colourdarkgrey;

// Identity of the decoded photo held in kImagePcbPhoto: decoding a large
// photo at every record step would dominate the full redraw.
struct PhotoKey {
  std::string path;  // absolute
  int64_t size = -1;
  int64_t modified = -1;
};
PhotoKey photokey;

// Nearest integer, halves to even, held inside the int range.
int RoundHalfEven(float value) {
  if (!(value == value)) return 0;
  value = std::nearbyint(value);
  if (value <= -2147483648.0f) return INT32_MIN;
  if (value >= 2147483647.0f) return INT32_MAX;
  return static_cast<int>(value);
}

// The image window a view centred on (centrex, centrey) at `zoom` shows of a
// w x h photo: a square of max(w, h) / zoom photo pixels, pushed inside.
pf::ImageArea ImageWindow(int w, int h, int centrex, int centrey, float zoom) {
  const float side = static_cast<float>(std::max(w, h)) / zoom;
  const float half = side / 2;
  int left = RoundHalfEven(static_cast<float>(centrex) - half);
  int right = RoundHalfEven(static_cast<float>(centrex) + half);
  int top = RoundHalfEven(static_cast<float>(centrey) - half);
  int bottom = RoundHalfEven(static_cast<float>(centrey) + half);
  if (left < 0) {
    left = 0;
    right = RoundHalfEven(side);
  }
  if (right > w) {
    left = RoundHalfEven(static_cast<float>(w) - side);
    right = w;
  }
  if (top < 0) {
    top = 0;
    bottom = RoundHalfEven(side);
  }
  if (bottom > h) {
    top = RoundHalfEven(static_cast<float>(h) - side);
    bottom = h;
  }
  left = std::max(0, left);
  right = std::max(0, right);
  top = std::max(0, top);
  bottom = std::max(0, bottom);
  if (right < left) left = right;
  if (bottom < top) top = bottom;
  return {left, top, right, bottom};
}

// The part of the photo decoded for a view (formats that can decode a part):
// the window and a quarter of its size again on every side, so that a pan or
// two nearby (a tenth each) is served by the same decode.
pf::ImageArea DecodeArea(int w, int h, const pf::ImageArea& window) {
  const int mx = std::max(1, (window.right - window.left) / 4),
            my = std::max(1, (window.bottom - window.top) / 4);
  return {std::max(0, window.left - mx), std::max(0, window.top - my), std::min(w, window.right + mx),
          std::min(h, window.bottom + my)};
}

// Largest power-of-two reduction that still leaves at least one photo pixel
// per view pixel in the window a view of width x height shows at `zoom`: the
// stretch then only shrinks, as it does from the full photo. A photo too
// large to decode that finely is taken at the finest reduction that decodes,
// and stretched.
int LargestReduction(int w, int h, float zoom, int width, int height) {
  const float side = static_cast<float>(std::max(w, h)) / zoom;
  const float across = std::min(side, static_cast<float>(w)) / static_cast<float>(width);
  const float down = std::min(side, static_cast<float>(h)) / static_cast<float>(height);
  int reduction = 1;
  while (reduction < kMaxPhotoReduction && static_cast<float>(reduction * 2) <= std::min(across, down))
    reduction *= 2;
  return std::max(reduction, pf::FinestImageReduction(w, h));
}

std::string AbsolutePath(const std::string& file) {
  const std::string path = pf::NativePath(file);
  if (!path.empty() && path[0] == '/') return path;
  return pf::CurrentDirectory() + "/" + path;
}

// A photo file this large is decoded on the loading thread when the main
// window shows it: about 10 ms of decoding a megabyte would stall the window.
constexpr int64_t kBackgroundFromBytes = 1 << 20;

// The photo being decoded on the loading thread, with its full size from the
// header; `arrived` is set on that thread when it is ready to be taken.
struct PendingPhoto {
  bool active = false;
  PhotoKey key;
  int fullWidth = 0, fullHeight = 0;
} pending;
std::atomic<bool> arrived{false};
PhotoKey failedkey;    // a photo whose decode on the loading thread failed
PhotoKey reportedkey;  // the photo last reported as not loadable

bool SameKey(const PhotoKey& a, const PhotoKey& b) {
  return a.path == b.path && a.size == b.size && a.modified == b.modified;
}
// The same file, and one that is there.
bool SameFile(const PhotoKey& a, const PhotoKey& b) { return a.size >= 0 && SameKey(a, b); }

// The reduction the photo held is at (1 when whole).
int HeldReduction() {
  const pf::ImageArea part = pf::ImagePart(kImagePcbPhoto);
  int reduction = 1;
  while (reduction < kMaxPhotoReduction &&
         pf::ImageWidth(kImagePcbPhoto) * reduction < part.right - part.left)
    reduction *= 2;
  return reduction;
}

enum PhotoState { kPhotoHeld, kPhotoComing, kPhotoMissing };

// Decodes the photo at the scale the view needs; the one held serves while it
// is no coarser than that (a record with a closer zoom decodes it finer).
// With `background` a large photo is decoded on the loading thread: until it
// is taken the view is drawn from the same photo held coarser, or else comes
// out as kPhotoComing with the full size in fullw x fullh.
using WindowOf = std::function<pf::ImageArea(int w, int h)>;  // the image window for a photo's size

PhotoState LoadPhoto(const std::string& file, float zoom, const WindowOf& windowof, int width, int height,
                     bool background, int& fullw, int& fullh) {
  PhotoKey key{AbsolutePath(file), pf::FileSize(file), pf::FileModified(file)};
  auto largest = [zoom, width, height](int w, int h) { return LargestReduction(w, h, zoom, width, height); };
  auto area = [windowof](int w, int h) { return DecodeArea(w, h, windowof(w, h)); };
  // The photo held serves while it is fine enough and holds the window.
  auto serves = [&] {
    const int w = pf::ImageFullWidth(kImagePcbPhoto), h = pf::ImageFullHeight(kImagePcbPhoto);
    return HeldReduction() <= largest(w, h) && pf::ImagePart(kImagePcbPhoto).Contains(windowof(w, h));
  };
  const bool held = SameFile(key, photokey) && pf::IsImage(kImagePcbPhoto) && serves();
  if (held) return kPhotoHeld;

  if (background && pending.active && SameFile(key, pending.key)) {
    switch (pf::TakeImageLoad(kImagePcbPhoto)) {
      case pf::kLoadDone:
        pending.active = false;
        photokey = key;
        if (serves()) return kPhotoHeld;
        break;  // a closer zoom meanwhile: finer again, below
      case pf::kLoadFailed:
        pending.active = false;
        photokey = PhotoKey{};
        failedkey = key;
        return kPhotoMissing;
      case pf::kLoadRunning:
        if (SameFile(key, photokey) && pf::IsImage(kImagePcbPhoto) &&
            pf::ImagePart(kImagePcbPhoto).Contains(windowof(pending.fullWidth, pending.fullHeight)))
          return kPhotoHeld;  // coarser until the finer one comes
        fullw = pending.fullWidth;
        fullh = pending.fullHeight;
        return kPhotoComing;
      default:
        break;
    }
  }
  if (background && SameFile(key, failedkey)) return kPhotoMissing;
  if (background && key.size >= kBackgroundFromBytes && pf::ReadImageSize(file, fullw, fullh)) {
    const bool keep = pf::IsImage(kImagePcbPhoto) && SameFile(key, photokey) &&
                      pf::ImagePart(kImagePcbPhoto).Contains(windowof(fullw, fullh));
    pending = PendingPhoto{true, key, fullw, fullh};
    pf::StartImageLoad(
        file, largest,
        [] {
          arrived = true;
          pf::WakeWindowEvent();
        },
        area);
    return keep ? kPhotoHeld : kPhotoComing;
  }

  photokey = PhotoKey{};
  if (!pf::LoadImageReduced(kImagePcbPhoto, file, largest, area)) return kPhotoMissing;
  photokey = key;
  return kPhotoHeld;
}

int ResultColour(const std::string& result) {
  if (result == "Good") return colourgreen;
  if (result == "Bad") return colourred;
  if (result == "Untested") return colouryellow;
  if (result == "NoTest") return colourgrey;
  return -1;  // the black shape alone
}

void DrawPin(int sx, int sy, bool square, int colour) {
  if (square) {
    const int outer = kFirstPinSquare, inner = kFirstPinSquare - 2;
    pf::Box(sx - outer / 2, sy - outer / 2, outer, outer, colourblack);
    if (colour >= 0) pf::Box(sx - inner / 2, sy - inner / 2, inner, inner, colour);
  } else {
    pf::Circle(sx, sy, kPinRadius + 1, colourblack);
    if (colour >= 0) pf::Circle(sx, sy, kPinRadius, colour);
  }
}
}  // namespace

void ForgetPcbPhoto() {
  pf::test::WaitImageLoads();  // nothing may arrive afterwards
  photokey = PhotoKey{};
  pending = PendingPhoto{};
  failedkey = PhotoKey{};
  arrived = false;
  pf::FreeImage(kImagePcbPhoto);
}

bool PcbPhotoArrived() { return arrived; }
bool TakePcbPhotoArrival() { return arrived.exchange(false); }

namespace {
void DrawPcbView(int width, int height, int centrex, int centrey, float zoom, int cursorx, int cursory,
                 const std::string& file, bool background) {
  std::string path = file;
  if (path.empty()) {
    path = kNoImageFile;
    zoom = 1;
  }
  if (!(zoom >= 0.01f)) zoom = 0.01f;  // a zoom that is no number too
  if (zoom > 100) zoom = 100;
  if (!pf::IsImage(kImagePcbView)) pf::CreateImage(kImagePcbView, 100, 100, colourblue);
  width = std::max(1, width);
  height = std::max(1, height);

  int w = 0, h = 0;
  // Show-all views the whole photo round its own centre.
  const bool all = pcbshowall == 1;
  if (all) zoom = 1;
  auto windowof = [all, centrex, centrey, zoom](int pw, int ph) {
    return all ? ImageWindow(pw, ph, pw / 2, ph / 2, 1) : ImageWindow(pw, ph, centrex, centrey, zoom);
  };
  const PhotoState photo = LoadPhoto(path, zoom, windowof, width, height, background, w, h);
  if (photo == kPhotoMissing) {
    // Nothing of the photo is on show, so no click may map through the
    // window of the last one drawn; and the operator is told once.
    imagewindowshown = 0;
    pf::CreateImage(kImagePcbView, width, height, colourblue);
    PhotoKey key{AbsolutePath(path), pf::FileSize(path), pf::FileModified(path)};
    if (!file.empty() && !SameKey(key, reportedkey)) {
      reportedkey = key;
      YRM_ShowMessage(kMsgPcbImageNotLoaded, file);
    }
    return;
  }
  reportedkey = PhotoKey{};
  if (photo == kPhotoHeld) w = pf::ImageFullWidth(kImagePcbPhoto), h = pf::ImageFullHeight(kImagePcbPhoto);
  pcbimagewidth = w;
  pcbimageheight = h;
  if (all) {
    centrex = w / 2;
    centrey = h / 2;
  }

  const pf::ImageArea window = ImageWindow(w, h, centrex, centrey, zoom);
  const int left = window.left, right = window.right, top = window.top, bottom = window.bottom;
  imagewindowshown = 1;
  imagewindowleft = left;
  imagewindowright = right;
  imagewindowtop = top;
  imagewindowbottom = bottom;

  // A window that has shrunk to nothing is taken as one pixel wide or high.
  const int spanx = std::max(1, right - left), spany = std::max(1, bottom - top);
  if (photo == kPhotoHeld) {
    // The same window in the pixels of the photo held, which may be reduced
    // and hold a part of the photo only.
    const pf::ImageArea part = pf::ImagePart(kImagePcbPhoto);
    const double fx =
        static_cast<double>(pf::ImageWidth(kImagePcbPhoto)) / std::max(1, part.right - part.left);
    const double fy =
        static_cast<double>(pf::ImageHeight(kImagePcbPhoto)) / std::max(1, part.bottom - part.top);
    const int ox = left - part.left, oy = top - part.top;
    const int gx = static_cast<int>(std::lround(ox * fx)), gy = static_cast<int>(std::lround(oy * fy));
    const int gw = std::max(1, static_cast<int>(std::lround((ox + spanx) * fx)) - gx);
    const int gh = std::max(1, static_cast<int>(std::lround((oy + spany) * fy)) - gy);
    pf::GrabImage(kImagePcbPhoto, kImagePcbCutout, gx, gy, gw, gh);
    pf::CopyImage(kImagePcbCutout, kImagePcbView);
    pf::ResizeImage(kImagePcbView, width, height);
  } else {
    // The photo is on its way: its pins on a plain panel meanwhile.
    pf::CreateImage(kImagePcbView, width, height, kPhotoComingColour);
  }
  if (!pf::StartDrawing(kImagePcbView)) return;

  auto map = [&](int px, int py, int& sx, int& sy) {
    sx = RoundHalfAway(static_cast<float>(px - left) / static_cast<float>(spanx) * static_cast<float>(width));
    sy = RoundHalfAway(static_cast<float>(py - top) / static_cast<float>(spany) * static_cast<float>(height));
  };
  int cx, cy;
  map(cursorx, cursory, cx, cy);
  const bool cursorinview = cx >= 0 && cx <= width && cy >= 0 && cy <= height;
  if (cursorinview && pcbcrosshairtype == "3 line") {
    pf::LineXY(0, cy - 1, width, cy - 1, colourblack);
    pf::LineXY(0, cy + 1, width, cy + 1, colourblack);
    pf::LineXY(cx - 1, 0, cx - 1, height, colourblack);
    pf::LineXY(cx + 1, 0, cx + 1, height, colourblack);
  }

  // Only the pins in the window, less those a later one covers entirely.
  static std::vector<int> rows;
  PinsInWindow(left, top, right, bottom, rows);
  for (const int row : rows) {
    const int px = records.FieldInt(row, kFieldPinX), py = records.FieldInt(row, kFieldPinY);
    const bool golden = records.FieldView(row, kFieldGolden) == "Yes";
    const int colour = golden ? ResultColour(records.Field(row, kFieldResult)) : colourpink;
    int sx, sy;
    map(px, py, sx, sy);
    DrawPin(sx, sy, records.FieldView(row, kFieldPin) == "1", colour);
  }

  if (cursorinview) {
    pf::LineXY(0, cy, width, cy, colourwhite);
    pf::LineXY(cx, 0, cx, height, colourwhite);
  }
  pf::StopDrawing();
}
}  // namespace

void YRM_DrawPcbView(int width, int height, int centrex, int centrey, float zoom, int cursorx, int cursory,
                     const std::string& file) {
  DrawPcbView(width, height, centrex, centrey, zoom, cursorx, cursory, file, false);
}

void DrawMainPcbView(int width, int height, int centrex, int centrey, float zoom, int cursorx, int cursory,
                     const std::string& file) {
  DrawPcbView(width, height, centrex, centrey, zoom, cursorx, cursory, file, true);
}
