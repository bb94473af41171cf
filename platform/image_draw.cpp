// Drawing onto numbered images: pixel-exact plots, lines, boxes and discs
// written straight into the pixels (clipped to the image), and text and
// image blits through the toolkit's painter.
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/gui.h"
#include "platform/image.h"
#include "platform/image_codec.h"
#include "platform/qtbridge.h"

namespace pf {
namespace {
int drawImage = -1;  // number given to StartDrawing, -1 when none
int drawFont = -1;

QRgb ToRgb(int color) { return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

QImage* Target() { return drawImage < 0 ? nullptr : ImageObject(drawImage); }

// Fills columns x0..x1 of row y, clipped; coordinates in 64 bits so that
// sums of extreme ints cannot overflow.
void Span(QImage& im, int64_t y, int64_t x0, int64_t x1, QRgb c) {
  if (y < 0 || y >= im.height()) return;
  x0 = std::max<int64_t>(x0, 0);
  x1 = std::min<int64_t>(x1, im.width() - 1);
  if (x0 > x1) return;
  QRgb* line = reinterpret_cast<QRgb*>(im.scanLine(int(y)));
  std::fill(line + x0, line + x1 + 1, c);
}

void FillRect(QImage& im, int64_t x0, int64_t y0, int64_t x1, int64_t y1, QRgb c) {
  y0 = std::max<int64_t>(y0, 0);
  y1 = std::min<int64_t>(y1, im.height() - 1);
  for (int64_t y = y0; y <= y1; ++y) Span(im, y, x0, x1, c);
}

// Half-width of the disc row dy for radius r: largest s with
// s^2 + dy^2 <= r^2 + r, or -1 when the row misses the disc.
int64_t DiscHalf(int64_t r, int64_t dy) {
  const int64_t t = r * r + r - dy * dy;
  if (t < 0) return -1;
  int64_t s = int64_t(std::sqrt(double(t)));
  while (s * s > t) --s;
  while ((s + 1) * (s + 1) <= t) ++s;
  return s;
}

QFont CurrentFont() {
  InitGui();
  if (const QFont* f = FontObject(drawFont)) return *f;
  return QGuiApplication::font();
}

// Metrics as they come out on an image (the images' resolution, not the
// screen's).
QFontMetrics Metrics(const QFont& f) {
  static QImage probe = [] {
    QImage q(1, 1, QImage::Format_RGB32);
    q.setDotsPerMeterX(codec::kDotsPerMeter);
    q.setDotsPerMeterY(codec::kDotsPerMeter);
    return q;
  }();
  return QFontMetrics(f, &probe);
}

void PaintText(int x, int y, const std::string& text, int angle, int color, const int* background) {
  QImage* im = Target();
  if (!im || text.empty()) return;
  const QFont font = CurrentFont();
  const QString s = QString::fromUtf8(text.data(), int(text.size()));
  QPainter p(im);
  p.setFont(font);
  const QFontMetrics fm = p.fontMetrics();
  p.translate(x, y);
  p.rotate(-angle);  // the painter turns clockwise on screen
  if (background) p.fillRect(QRect(0, 0, fm.horizontalAdvance(s), fm.height()), ToRgb(*background));
  p.setPen(QColor(ToRgb(color)));
  p.drawText(0, fm.ascent(), s);
}
}  // namespace

bool StartDrawing(int img) {
  if (!ImageObject(img)) return false;
  if (drawImage >= 0 && drawImage != img) RefreshImageGadgets(drawImage);
  drawImage = img;
  drawFont = -1;
  return true;
}

// Controls showing the image paint it from the store: have them repaint.
void StopDrawing() {
  if (drawImage >= 0) RefreshImageGadgets(drawImage);
  drawImage = -1;
}

void Plot(int x, int y, int color) {
  QImage* im = Target();
  if (!im || x < 0 || y < 0 || x >= im->width() || y >= im->height()) return;
  reinterpret_cast<QRgb*>(im->scanLine(y))[x] = ToRgb(color);
}

// Bresenham along the major axis, always from the end with the smaller major
// coordinate so the pixels do not depend on the direction. Only the part of
// the major axis inside the image is walked, so a line with far-away end
// points costs no more than one across the image.
void LineXY(int x1, int y1, int x2, int y2, int color) {
  QImage* im = Target();
  if (!im) return;
  const QRgb c = ToRgb(color);
  const bool steep = std::llabs(int64_t(y2) - y1) > std::llabs(int64_t(x2) - x1);
  int64_t u1 = steep ? y1 : x1, v1 = steep ? x1 : y1;
  int64_t u2 = steep ? y2 : x2, v2 = steep ? x2 : y2;
  if (u1 > u2) {
    std::swap(u1, u2);
    std::swap(v1, v2);
  }
  const int64_t uLimit = steep ? im->height() : im->width();
  const int64_t vLimit = steep ? im->width() : im->height();
  const int64_t du = u2 - u1, dv = std::llabs(v2 - v1), sv = v2 < v1 ? -1 : 1;
  const int64_t first = std::max<int64_t>(0, -u1), last = std::min<int64_t>(du, uLimit - 1 - u1);
  if (first > last) return;
  if (du == 0) {
    if (v1 >= 0 && v1 < vLimit) Plot(int(steep ? v1 : u1), int(steep ? u1 : v1), color);
    return;
  }
  // Minor offset at step i: floor((2 i dv + du) / (2 du)), i.e. i dv / du
  // rounded half up. Start at `first` exactly, then step with the remainder.
  const __int128 start = __int128(2) * first * dv + du;
  int64_t offset = int64_t(start / (2 * du));
  int64_t rest = int64_t(start % (2 * du));
  uchar* bits = im->bits();
  const qsizetype stride = im->bytesPerLine();
  for (int64_t i = first; i <= last; ++i) {
    const int64_t u = u1 + i, v = v1 + sv * offset;
    if (v >= 0 && v < vLimit) {
      const int64_t x = steep ? v : u, y = steep ? u : v;
      reinterpret_cast<QRgb*>(bits + y * stride)[x] = c;
    }
    rest += 2 * dv;
    if (rest >= 2 * du) {
      rest -= 2 * du;
      ++offset;
    }
  }
}

void Box(int x, int y, int w, int h, int color) {
  QImage* im = Target();
  if (!im || w == 0 || h == 0) return;
  int64_t x0 = x, y0 = y, x1 = int64_t(x) + w - 1, y1 = int64_t(y) + h - 1;
  if (w < 0) x0 = int64_t(x) + w, x1 = int64_t(x) - 1;
  if (h < 0) y0 = int64_t(y) + h, y1 = int64_t(y) - 1;
  FillRect(*im, x0, y0, x1, y1, ToRgb(color));
}

void BoxOutline(int x, int y, int w, int h, int color) {
  QImage* im = Target();
  if (!im || w == 0 || h == 0) return;
  int64_t x0 = x, y0 = y, x1 = int64_t(x) + w - 1, y1 = int64_t(y) + h - 1;
  if (w < 0) x0 = int64_t(x) + w, x1 = int64_t(x) - 1;
  if (h < 0) y0 = int64_t(y) + h, y1 = int64_t(y) - 1;
  const QRgb c = ToRgb(color);
  Span(*im, y0, x0, x1, c);
  Span(*im, y1, x0, x1, c);
  FillRect(*im, x0, y0 + 1, x0, y1 - 1, c);
  FillRect(*im, x1, y0 + 1, x1, y1 - 1, c);
}

void Circle(int x, int y, int radius, int color) {
  QImage* im = Target();
  if (!im || radius < 0) return;
  const QRgb c = ToRgb(color);
  const int64_t top = std::max<int64_t>(int64_t(y) - radius, 0);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + radius, im->height() - 1);
  for (int64_t row = top; row <= bottom; ++row) {
    const int64_t s = DiscHalf(radius, row - y);
    if (s >= 0) Span(*im, row, int64_t(x) - s, int64_t(x) + s, c);
  }
}

void CircleOutline(int x, int y, int radius, int color) {
  QImage* im = Target();
  if (!im || radius < 0) return;
  const QRgb c = ToRgb(color);
  const int64_t top = std::max<int64_t>(int64_t(y) - radius, 0);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + radius, im->height() - 1);
  for (int64_t row = top; row <= bottom; ++row) {
    const int64_t outer = DiscHalf(radius, row - y);
    if (outer < 0) continue;
    const int64_t inner = radius > 0 ? DiscHalf(radius - 1, row - y) : -1;
    if (inner < 0) {
      Span(*im, row, int64_t(x) - outer, int64_t(x) + outer, c);
    } else {
      Span(*im, row, int64_t(x) - outer, int64_t(x) - inner - 1, c);
      Span(*im, row, int64_t(x) + inner + 1, int64_t(x) + outer, c);
    }
  }
}

void DrawText(int x, int y, const std::string& text, int color) { PaintText(x, y, text, 0, color, nullptr); }

void DrawText(int x, int y, const std::string& text, int color, int background) {
  PaintText(x, y, text, 0, color, &background);
}

void DrawRotatedText(int x, int y, const std::string& text, int angle, int color) {
  PaintText(x, y, text, angle, color, nullptr);
}

void DrawImage(int img, int x, int y) {
  QImage* im = Target();
  const QImage* src = ImageObject(img);
  if (!im || !src) return;
  const QImage copy = *src;  // shared, so drawing an image onto itself is safe
  QPainter p(im);
  p.drawImage(x, y, copy);
}

void DrawImageStretched(int img, int x, int y, int w, int h) {
  QImage* im = Target();
  const QImage* src = ImageObject(img);
  if (!im || !src || w <= 0 || h <= 0) return;
  const QImage copy = *src;
  QPainter p(im);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(QRect(x, y, w, h), copy);
}

void DrawingFont(int font) { drawFont = font; }

int TextWidth(const std::string& text) {
  if (text.empty()) return 0;
  return Metrics(CurrentFont()).horizontalAdvance(QString::fromUtf8(text.data(), int(text.size())));
}

int TextHeight(const std::string& text) { return Metrics(CurrentFont()).height(); }

}  // namespace pf
