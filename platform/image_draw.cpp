// Drawing onto numbered images: pixel-exact plots, lines, boxes and discs
// written straight into the pixels (clipped to the image), and text and
// image blits through the toolkit's painter.
#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

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

// Marks the part of the drawing image a call is about to change, clipped to
// it, so that a copy drawn on can be copied back in part.
void Touch(const QImage& im, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  x0 = std::max<int64_t>(x0, 0);
  y0 = std::max<int64_t>(y0, 0);
  x1 = std::min<int64_t>(x1, im.width() - 1);
  y1 = std::min<int64_t>(y1, im.height() - 1);
  if (x0 > x1 || y0 > y1 || drawImage < 0) return;
  DrawingOn(drawImage, im).Area(int(x0), int(y0), int(x1), int(y1));
}

// Fills columns x0..x1 of row y, clipped; coordinates in 64 bits so that
// sums of extreme ints cannot overflow.
void Span(QImage& im, int64_t y, int64_t x0, int64_t x1, QRgb c) {
  if (y < 0 || y >= im.height()) return;
  x0 = std::max<int64_t>(x0, 0);
  x1 = std::min<int64_t>(x1, im.width() - 1);
  if (x0 > x1) return;
  Touch(im, x0, y, x1, y);
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
QImage& Probe() {
  static QImage probe = [] {
    QImage q(1, 1, QImage::Format_RGB32);
    q.setDotsPerMeterX(codec::kDotsPerMeter);
    q.setDotsPerMeterY(codec::kDotsPerMeter);
    return q;
  }();
  return probe;
}
QFontMetrics Metrics(const QFont& f) { return QFontMetrics(f, &Probe()); }

// Texts through the toolkit's painter: turned ones, and any on a picture
// with an alpha channel.
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
  // Where the text went, generously: its box turned about the corner.
  const int64_t reach = int64_t(fm.horizontalAdvance(s)) + fm.height() + 2 * fm.maxWidth() + 4;
  Touch(*im, int64_t(x) - reach, int64_t(y) - reach, int64_t(x) + reach, int64_t(y) + reach);
}

// A horizontal text as the toolkit draws it: its advance and line height,
// and once drawn, the coverage of its glyphs (0..255) over a box at
// (ox, oy) from its top-left corner.
struct Mask {
  int ox = 0, oy = 0, w = 0, h = 0;  // from the pen's position at the text's top-left corner
  std::vector<uint8_t> coverage;
};
struct TextShape {
  int advance = 0, height = 0;
  bool drawn = false;
  Mask mask;
};

// Texts are laid out and drawn by the toolkit once, then kept: the live
// scope writes its status line ten times a second, mostly the same text, and
// a new painter and text layout each time cost more than the curve itself.
// Keyed by the font (its number, or -1 for the default, and the fonts'
// generation) and the text.
struct TextKey {
  int font;
  unsigned generation;
  std::string text;
  bool operator==(const TextKey&) const = default;
};
struct TextKeyHash {
  size_t operator()(const TextKey& k) const {
    return std::hash<std::string>()(k.text) ^ (size_t(k.font) * 0x9E3779B97F4A7C15ull) ^ k.generation;
  }
};
int textLayouts = 0;                   // texts laid out by the toolkit (tests)
constexpr size_t kMaxKeptTexts = 256;  // a changing text fills it; then it starts again
std::unordered_map<TextKey, TextShape, TextKeyHash> texts;

// One painter, kept open on a scratch picture, draws the glyphs of every new
// text in white on transparent: its alpha is the coverage.
struct GlyphPainter {
  QImage scratch;
  QPainter painter;
  ~GlyphPainter() {
    if (painter.isActive()) painter.end();
  }
  void Fit(int w, int h) {
    if (painter.isActive() && scratch.width() >= w && scratch.height() >= h) return;
    if (painter.isActive()) painter.end();
    scratch = QImage(std::max(w, scratch.width()), std::max(h, scratch.height()),
                     QImage::Format_ARGB32_Premultiplied);
    scratch.setDotsPerMeterX(codec::kDotsPerMeter);
    scratch.setDotsPerMeterY(codec::kDotsPerMeter);
    painter.begin(&scratch);
    painter.setPen(QColor(255, 255, 255));
  }
};
GlyphPainter* glyphPainter = nullptr;

// Draws `text` with the kept painter on a w x h scratch area, its top-left
// corner at (pad + dx, pad), and cuts the coverage to the pixels its glyphs
// reach; an empty mask when it covers none.
Mask PaintMask(const QFont& font, int w, int h, int pad, double dx, int ascent, const QString& text) {
  Mask mask;
  if (!glyphPainter) glyphPainter = new GlyphPainter;  // lives as long as the toolkit
  GlyphPainter& g = *glyphPainter;
  g.Fit(w, h);
  if (!g.painter.isActive()) return mask;
  g.painter.setCompositionMode(QPainter::CompositionMode_Source);
  g.painter.fillRect(QRect(0, 0, w, h), Qt::transparent);
  g.painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  g.painter.setFont(font);
  g.painter.drawText(QPointF(pad + dx, pad + ascent), text);
  int x0 = w, y0 = h, x1 = -1, y1 = -1;
  for (int y = 0; y < h; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(g.scratch.constScanLine(y));
    for (int x = 0; x < w; ++x)
      if (qAlpha(line[x]) != 0) {
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
  }
  if (x1 < 0) return mask;  // blanks only
  mask.ox = x0 - pad;
  mask.oy = y0 - pad;
  mask.w = x1 - x0 + 1;
  mask.h = y1 - y0 + 1;
  mask.coverage.resize(size_t(mask.w) * size_t(mask.h));
  for (int y = 0; y < mask.h; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(g.scratch.constScanLine(y0 + y)) + x0;
    for (int x = 0; x < mask.w; ++x)
      mask.coverage[size_t(y) * size_t(mask.w) + size_t(x)] = uint8_t(qAlpha(line[x]));
  }
  return mask;
}

TextShape& Shape(const std::string& text) {
  const int font = FontObject(drawFont) ? drawFont : -1;
  TextKey key{font, FontGeneration(), text};
  auto it = texts.find(key);
  if (it != texts.end()) return it->second;
  if (texts.size() >= kMaxKeptTexts) texts.clear();
  ++textLayouts;
  const QFontMetrics fm = Metrics(CurrentFont());
  TextShape shape;
  shape.advance = fm.horizontalAdvance(QString::fromUtf8(text.data(), int(text.size())));
  shape.height = fm.height();
  return texts.emplace(std::move(key), std::move(shape)).first->second;
}

// The glyphs of a text: drawn by the kept painter once, with room round the
// line for glyphs that reach beyond it, then cut to what they cover.
void Draw(TextShape& shape, const std::string& text) {
  if (shape.drawn) return;
  shape.drawn = true;
  ++textLayouts;
  const QFont font = CurrentFont();
  const QFontMetrics fm = Metrics(font);
  const int pad = std::max(4, fm.maxWidth());
  const int w = shape.advance + 2 * pad, h = shape.height + 2 * pad;
  std::string why;
  if (!codec::CheckSize(w, h, why)) return;
  shape.mask = PaintMask(font, w, h, pad, 0, fm.ascent(), QString::fromUtf8(text.data(), int(text.size())));
}

// Coverage (w x h, 0..255) blended in `color` onto an opaque picture with
// its top-left corner at (left, top), clipped.
void BlendCoverage(QImage& im, int64_t left, int64_t top, int w, int h, const uint8_t* coverage, int color) {
  const int64_t cx0 = std::max<int64_t>(0, -left), cy0 = std::max<int64_t>(0, -top);
  const int64_t cx1 = std::min<int64_t>(w, im.width() - left);
  const int64_t cy1 = std::min<int64_t>(h, im.height() - top);
  if (cx0 >= cx1 || cy0 >= cy1) return;
  Touch(im, left + cx0, top + cy0, left + cx1 - 1, top + cy1 - 1);
  const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  for (int64_t cy = cy0; cy < cy1; ++cy) {
    QRgb* line = reinterpret_cast<QRgb*>(im.scanLine(int(top + cy))) + left;
    const uint8_t* cover = coverage + cy * w;
    for (int64_t cx = cx0; cx < cx1; ++cx) {
      const int a = cover[cx];
      if (a == 0) continue;
      if (a == 255) {
        line[cx] = qRgb(r, g, b);
        continue;
      }
      const QRgb d = line[cx];
      auto mix = [a](int s, int t) { return (s * a + t * (255 - a) + 127) / 255; };
      line[cx] = qRgb(mix(r, qRed(d)), mix(g, qGreen(d)), mix(b, qBlue(d)));
    }
  }
}

// A horizontal text on an opaque picture: its glyphs' coverage blended in,
// no painter and no layout once the text has been seen.
void BlendText(QImage& im, int x, int y, const std::string& text, int color, const int* background) {
  TextShape& shape = Shape(text);
  if (background) Box(x, y, shape.advance, shape.height, *background);
  Draw(shape, text);
  const Mask& m = shape.mask;
  if (!m.coverage.empty())
    BlendCoverage(im, int64_t(x) + m.ox, int64_t(y) + m.oy, m.w, m.h, m.coverage.data(), color);
}

// Texts of plain Latin letters, figures and signs (a status line whose count
// changes every frame) are put together glyph by glyph: the glyphs' places
// from the font's advances with its kerning, which is what the toolkit's
// layout gives such a text, and each glyph drawn by the toolkit once for
// each of the 64 offsets within a pixel it places glyphs at. A new text then
// needs neither a painter nor a layout.
struct GlyphFont {
  bool usable = false;
  QRawFont raw;
  int ascent = 0;
};
std::unordered_map<uint64_t, GlyphFont> glyphFonts;  // by font number and generation

uint64_t FontKey() {
  const int font = FontObject(drawFont) ? drawFont : -1;
  return uint64_t(uint32_t(font)) << 32 | FontGeneration();
}

bool BlendGlyphsIn(const GlyphFont& gf, QImage& im, int x, int y, const std::string& text, int color);

const GlyphFont& CurrentGlyphFont() {
  auto [it, made] = glyphFonts.try_emplace(FontKey());
  GlyphFont& g = it->second;
  if (!made) return g;
  const QFont font = CurrentFont();
  // At the size the images' resolution gives the font.
  QRawFont raw = QRawFont::fromFont(QFont(font, &Probe()));
  if (!raw.isValid()) return g;
  const QFontMetricsF on(font, &Probe());
  // Used only where it places a sample text exactly as the layout does.
  const QString sample = QStringLiteral("Stable, Count: 0123456789, Prev: 0.37%, To AV Ty=-+/()");
  const QList<quint32> glyphs = raw.glyphIndexesForString(sample);
  const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
  double sum = 0;
  for (const QPointF& a : advances) sum += a.x();
  if (glyphs.size() != sample.size() || std::abs(sum - on.horizontalAdvance(sample)) > 1.0 / 64) return g;
  g.raw = raw;
  g.ascent = Metrics(font).ascent();
  // And where its glyphs, put together, come out as the painter draws the
  // text (a face whose glyphs the toolkit places more finely does not).
  const std::string text = sample.toStdString() + " iiiiiiiiiijjjjjjjjjj";
  QImage painted(Metrics(font).horizontalAdvance(QString::fromStdString(text)) + 20,
                 Metrics(font).height() + 8, QImage::Format_RGB32);
  painted.setDotsPerMeterX(codec::kDotsPerMeter);
  painted.setDotsPerMeterY(codec::kDotsPerMeter);
  painted.fill(0);
  QImage composed = painted;
  {
    QPainter p(&painted);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255));
    p.drawText(4, 4 + p.fontMetrics().ascent(), QString::fromStdString(text));
  }
  const int saved = drawImage;
  drawImage = -1;  // nothing to mark: not a numbered image
  g.usable = BlendGlyphsIn(g, composed, 4, 4, text, 0xFFFFFF);
  drawImage = saved;
  for (int y = 0; g.usable && y < painted.height(); ++y)
    for (int x = 0; x < painted.width(); ++x)
      if (std::abs(qGreen(painted.pixel(x, y)) - qGreen(composed.pixel(x, y))) > 2) {
        g.usable = false;
        break;
      }
  return g;
}

// A glyph's mask is placed from its whole-pixel pen position. Kept by font
// key, character and offset, compared whole (a hash alone could collide).
struct GlyphKey {
  uint64_t font;
  uint32_t glyph;  // character << 8 | offset
  bool operator==(const GlyphKey&) const = default;
};
struct GlyphKeyHash {
  size_t operator()(const GlyphKey& k) const { return size_t(k.font * 0x9E3779B97F4A7C15ull ^ k.glyph); }
};
std::unordered_map<GlyphKey, Mask, GlyphKeyHash> glyphMasks;
constexpr size_t kMaxKeptGlyphs = 16384;
constexpr int kGlyphOffsets = 64;  // the toolkit's fixed-point steps within a pixel

const Mask& Glyph(uint64_t fontKey, char16_t c, int offset, const GlyphFont& gf) {
  const GlyphKey key{fontKey, uint32_t(c) << 8 | uint32_t(offset)};
  auto it = glyphMasks.find(key);
  if (it != glyphMasks.end()) return it->second;
  if (glyphMasks.size() >= kMaxKeptGlyphs) glyphMasks.clear();
  ++textLayouts;
  const QFont font = CurrentFont();
  const int pad = std::max(4, Metrics(font).maxWidth());
  const int w = 2 * pad + 1, h = Metrics(font).height() + 2 * pad;
  return glyphMasks
      .emplace(key, PaintMask(font, w, h, pad, double(offset) / kGlyphOffsets, gf.ascent, QString(QChar(c))))
      .first->second;
}

bool PlainText(const std::string& text) {
  for (unsigned char ch : text)
    if (ch < 0x20 || ch > 0x7E) return false;  // plain ASCII only
  return true;
}

bool BlendGlyphsIn(const GlyphFont& gf, QImage& im, int x, int y, const std::string& text, int color) {
  const QString s = QString::fromLatin1(text.data(), qsizetype(text.size()));
  const QList<quint32> glyphs = gf.raw.glyphIndexesForString(s);
  if (glyphs.size() != s.size()) return false;
  for (quint32 glyph : glyphs)
    if (glyph == 0) return false;  // a character the face lacks: the layout finds it elsewhere
  const QList<QPointF> advances = gf.raw.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
  const uint64_t fontKey = FontKey();
  int64_t pen = int64_t(x) * kGlyphOffsets;  // in the toolkit's fixed point
  for (qsizetype i = 0; i < s.size(); ++i) {
    const int64_t whole = pen >= 0 ? pen / kGlyphOffsets : -((-pen + kGlyphOffsets - 1) / kGlyphOffsets);
    const Mask& mask = Glyph(fontKey, s[i].unicode(), int(pen - whole * kGlyphOffsets), gf);
    if (!mask.coverage.empty())
      BlendCoverage(im, whole + mask.ox, int64_t(y) + mask.oy, mask.w, mask.h, mask.coverage.data(), color);
    pen += std::llround(advances[i].x() * kGlyphOffsets);
  }
  return true;
}

// True when the text was drawn glyph by glyph.
bool BlendGlyphs(QImage& im, int x, int y, const std::string& text, int color) {
  if (!PlainText(text)) return false;
  const GlyphFont& gf = CurrentGlyphFont();
  return gf.usable && BlendGlyphsIn(gf, im, x, y, text, color);
}

void DrawTextAt(int x, int y, const std::string& text, int color, const int* background) {
  QImage* im = Target();
  if (!im || text.empty()) return;
  if (im->format() != QImage::Format_RGB32)
    PaintText(x, y, text, 0, color, background);
  else if (background || !BlendGlyphs(*im, x, y, text, color))
    BlendText(*im, x, y, text, color, background);
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
  Touch(*im, x, y, x, y);
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
  DrawnTiles& drawn = DrawingOn(drawImage, *im);
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
      drawn.Pixel(int(x), int(y));
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

void DrawText(int x, int y, const std::string& text, int color) { DrawTextAt(x, y, text, color, nullptr); }

void DrawText(int x, int y, const std::string& text, int color, int background) {
  DrawTextAt(x, y, text, color, &background);
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
  Touch(*im, x, y, int64_t(x) + copy.width() - 1, int64_t(y) + copy.height() - 1);
}

void DrawImageStretched(int img, int x, int y, int w, int h) {
  QImage* im = Target();
  const QImage* src = ImageObject(img);
  if (!im || !src || w <= 0 || h <= 0) return;
  const QImage copy = *src;
  QPainter p(im);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(QRect(x, y, w, h), copy);
  Touch(*im, x, y, int64_t(x) + w - 1, int64_t(y) + h - 1);
}

void DrawingFont(int font) { drawFont = font; }

int TextWidth(const std::string& text) {
  if (text.empty()) return 0;
  return Shape(text).advance;
}

int TextHeight(const std::string& text) { return Shape(text).height; }

namespace test {
int TextLayouts() { return textLayouts; }
}  // namespace test

}  // namespace pf
