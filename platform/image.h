// Numbered images held in memory (32-bit), drawing onto them, fonts and
// image files. Colours are 0x00BBGGRR integers.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace pf {

// A rectangle of a picture in its full-size pixels, right and bottom
// excluded; an empty one stands for the whole picture.
struct ImageArea {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(const ImageArea& a) const {
    return left <= a.left && top <= a.top && right >= a.right && bottom >= a.bottom;
  }
};

// A new opaque 32-bit image (replacing any under the number); false for a
// size below 1 or beyond the limits of LoadImage.
bool CreateImage(int img, int w, int h, int fill = 0);  // black unless told
void FreeImage(int img);
bool IsImage(int img);
int ImageWidth(int img);
int ImageHeight(int img);
bool CopyImage(int src, int dst);  // dst replaced
// dst becomes the w x h rectangle of src at (x, y) (src and dst may be the
// same); parts outside src read black. False for a size below 1.
bool GrabImage(int src, int dst, int x, int y, int w, int h);
bool ResizeImage(int img, int w, int h);  // smooth stretch
// Decoders are built in; kept so start-up can "register" them (no-op).
void RegisterImageDecoders();
// Decodes a PNG, JPEG or JPEG 2000 file (.jp2 or raw .j2k codestream), told
// apart by content, into image `img`. Refuses absurd dimensions (over 20000
// pixels a side or 200 megapixels) before allocating. False on any failure;
// the number is then empty and ImageError() says why.
// Only regular files of at most 128 MB are read, and a picture beyond 40
// megapixels decoded is refused ("exceeds the limit").
bool LoadImage(int img, const std::string& path);
// The same, decoded at a reduced scale (PNG by any power of two as its rows
// stream in, JPEG by 2, 4 or 8, JPEG 2000 by its resolution levels):
// `largest` is told the picture's full size and returns the largest
// reduction (1, 2, 4...) its use accepts. A picture too large to decode at
// that one is decoded at FinestImageReduction instead, coarser but shown.
// `area` (may be empty), told the full size too, gives the part of the
// picture the use needs: JPEG 2000 decodes only that part (ImagePart says
// which), the other formats the whole. ImageFullWidth/Height give the full
// size.
bool LoadImageReduced(int img, const std::string& path, const std::function<int(int w, int h)>& largest,
                      const std::function<ImageArea(int w, int h)>& area = nullptr);
// The finest reduction (1, 2, 4...) at which a w x h picture decodes within
// the 40-megapixel limit.
int FinestImageReduction(int w, int h);
// The full size of a picture file from its header, nothing decoded; false
// (ImageError says why) where LoadImage would fail before decoding.
bool ReadImageSize(const std::string& path, int& w, int& h);
// Loading on a thread of its own, for pictures too large to decode between
// two window events: StartImageLoad asks for what LoadImageReduced would do
// (`largest` is called on that thread) and supersedes any load not yet taken;
// `ready` is called on that thread once the picture is decoded or failed.
// TakeImageLoad then puts the result under `img`.
void StartImageLoad(const std::string& path, std::function<int(int w, int h)> largest,
                    std::function<void()> ready, std::function<ImageArea(int w, int h)> area = nullptr);
enum { kLoadNone, kLoadRunning, kLoadDone, kLoadFailed };
// kLoadDone: the picture is now `img`, as LoadImageReduced leaves it;
// kLoadFailed: `img` is empty and ImageError says why; kLoadRunning: not yet;
// kLoadNone: nothing asked for since the last take.
int TakeImageLoad(int img);
// Full size of a picture loaded reduced; otherwise (and after any change to
// the image) its size.
int ImageFullWidth(int img);
int ImageFullHeight(int img);
// The part of the full picture an image holds, in full-size pixels: all of
// it unless decoded in part.
ImageArea ImagePart(int img);
// Writes an image as PNG (used by the asset generator and screenshots); the
// file is replaced atomically.
bool SavePng(int img, const std::string& path);
// Why the last LoadImage or SavePng failed ("" after a success).
std::string ImageError();
// Raw pixel access for tests and encoders: 0x00BBGGRR (-1 outside).
int Point(int img, int x, int y);

// ---- drawing: all calls draw on the image given to StartDrawing ----------
// Everything is clipped to the image; coordinates anywhere in int range are
// safe. Drawing calls without a drawing image do nothing.
bool StartDrawing(int img);
void StopDrawing();
void Plot(int x, int y, int color);
// Line from (x1, y1) to (x2, y2), both end points drawn.
void LineXY(int x1, int y1, int x2, int y2, int color);
// Filled box of w x h pixels at (x, y); negative sizes extend left/up
// (w = -3 covers x - 3 .. x - 1). A size of 0 draws nothing.
void Box(int x, int y, int w, int h, int color);
// Outline of a box: the w x h border pixels.
void BoxOutline(int x, int y, int w, int h, int color);
// Filled disc: the pixels within radius + 1/2 of (x, y) (2r + 1 across);
// radius 0 is one pixel, a negative radius nothing.
void Circle(int x, int y, int radius, int color);
void CircleOutline(int x, int y, int radius, int color);  // its rim
// Text (UTF-8) with its top-left corner at (x, y); transparent background.
void DrawText(int x, int y, const std::string& text, int color);
// The same on an opaque box of TextWidth x TextHeight in `background`.
void DrawText(int x, int y, const std::string& text, int color, int background);
// Text turned about its top-left corner (x, y) by `angle` degrees
// anticlockwise. With w x h the text's width and height:
//   90: reads bottom to top, covers x .. x + h across, y - w .. y down;
//  270 (or -90): reads top to bottom, covers x - h .. x, y .. y + w.
void DrawRotatedText(int x, int y, const std::string& text, int angle, int color);
// Draws image `img` (its alpha respected) onto the drawing image.
void DrawImage(int img, int x, int y);
void DrawImageStretched(int img, int x, int y, int w, int h);  // smooth
// Font of the following texts; a number that is no font selects the default
// drawing font (the application font). StartDrawing resets it.
void DrawingFont(int font);
int TextWidth(const std::string& text);   // in the drawing font, pixels
int TextHeight(const std::string& text);  // line height of the drawing font

// ---- fonts ----------------------------------------------------------------
// Face name may carry the style words after the family ("Arial Italic",
// "Arial Bold Italic"); size in points. The family is resolved through the
// system's font substitution ("Arial" -> a metric-compatible face). False for
// an empty family or a size below 1.
bool LoadFont(int font, const std::string& face, int points);
bool IsFont(int font);
// Makes the system's default GUI font the application font (controls created
// from now on, and the default drawing font).
void SetDefaultGuiFont();

namespace test {
void ResetImages();  // frees every image and font
// Blocks until the loading thread has finished what it was asked.
void WaitImageLoads();
// Encoders for test fixtures and benchmarks.
bool SaveJpeg(int img, const std::string& path, int quality = 90);
// A JPEG written row by row from `fill` (w colours 0x00BBGGRR for row y), so
// a picture beyond what an image may hold can be made.
bool WriteJpeg(const std::string& path, int w, int h, int quality,
               const std::function<void(int y, int* row)>& fill);
bool SaveJp2(int img, const std::string& path, bool codestream);  // lossless
// A PNG written row by row from `fill`, as WriteJpeg; interlaced, `fill` is
// asked for each row seven times.
bool WritePng(const std::string& path, int w, int h, const std::function<void(int y, int* row)>& fill,
              bool interlaced = false);
// Family of the face a font number resolved to ("" when no font).
std::string FontFamily(int font);
// How many times the toolkit has laid out or drawn a text or a glyph for
// the drawing calls: a text drawn or measured again in the same font costs
// nothing of the kind, and a new text of plain letters and figures is put
// together from glyphs already drawn.
int TextLayouts();
}  // namespace test

}  // namespace pf
