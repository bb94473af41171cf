// Numbered images held in memory (32-bit), drawing onto them, fonts and
// image files. Colours are 0x00BBGGRR integers.
#pragma once
#include <cstdint>
#include <string>

namespace pf {

bool CreateImage(int img, int w, int h, int fill = 0);   // black unless told
void FreeImage(int img);
bool IsImage(int img);
int ImageWidth(int img);
int ImageHeight(int img);
bool CopyImage(int src, int dst);                       // dst replaced
bool GrabImage(int src, int dst, int x, int y, int w, int h);
bool ResizeImage(int img, int w, int h);                // smooth stretch
// Decodes a PNG, JPEG or JPEG 2000 file (by content) into image `img`.
// Refuses absurd dimensions before allocating. False on any failure; the
// number is then empty.
bool LoadImage(int img, const std::string& path);
// Writes an image as PNG (used by the asset generator and screenshots).
bool SavePng(int img, const std::string& path);
// Raw pixel access for tests and encoders: 0x00BBGGRR.
int Point(int img, int x, int y);

// ---- drawing: all calls draw on the image given to StartDrawing ----------
bool StartDrawing(int img);
void StopDrawing();
void Plot(int x, int y, int color);
// Line from (x1, y1) to (x2, y2), both end points drawn.
void LineXY(int x1, int y1, int x2, int y2, int color);
// Filled box of w x h pixels at (x, y); negative sizes extend left/up.
void Box(int x, int y, int w, int h, int color);
// Outline of a box: the w x h border pixels.
void BoxOutline(int x, int y, int w, int h, int color);
void Circle(int x, int y, int radius, int color);       // filled disc
void CircleOutline(int x, int y, int radius, int color);
// Text with its top-left corner at (x, y); transparent background.
void DrawText(int x, int y, const std::string& text, int color);
// Text turned a quarter turn anticlockwise (reads bottom to top); (x, y) is
// where the text's top-left corner goes before turning.
void DrawRotatedText(int x, int y, const std::string& text, int angle, int color);
void DrawImage(int img, int x, int y);
void DrawImageStretched(int img, int x, int y, int w, int h);
void DrawingFont(int font);
int TextWidth(const std::string& text);
int TextHeight(const std::string& text);

// ---- fonts ----------------------------------------------------------------
// Face name may carry the style ("Arial Italic", "Arial Bold"); size in points.
bool LoadFont(int font, const std::string& face, int points);
bool IsFont(int font);
void SetDefaultGuiFont();

namespace test {
void ResetImages();   // frees every image and font
}

}  // namespace pf
