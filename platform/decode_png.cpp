// PNG through libpng: decoding from memory straight into the image rows (or,
// reduced, row by row into box averages), and encoding. libpng reports
// errors by longjmp, so the functions that call it keep no C++ objects alive
// across those calls.
#include <png.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "platform/image_codec.h"

namespace pf::codec {
namespace {
struct Reader {
  const unsigned char* data;
  size_t size;
  size_t pos;
};

struct Failure {
  char message[200];
};

void OnError(png_structp png, png_const_charp msg) {
  auto* f = static_cast<Failure*>(png_get_error_ptr(png));
  std::snprintf(f->message, sizeof f->message, "%s", msg);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void Read(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (n > r->size - r->pos) png_error(png, "file is truncated");
  std::memcpy(out, r->data + r->pos, n);
  r->pos += n;
}

void Write(png_structp png, png_bytep in, png_size_t n) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(in), n);
}

void Flush(png_structp) {}

// Largest reduction a PNG is decoded at: a power of two, any as rows stream.
constexpr int kMaxPngReduction = 64;

// Buffers a reduced decode works in, owned by the caller (see DecodeRaw).
struct Scratch {
  std::vector<png_bytep> rows;
  std::vector<unsigned char> line;  // one decoded row, full width
  std::vector<uint32_t> sums;       // one reduced row, per channel
  // An interlaced picture's box sums, the whole reduced picture's (see
  // ReducePasses).
  std::vector<uint16_t> narrow;
  std::vector<uint32_t> wide;
};

// Adds a decoded row (BGRA) into the reduced row's sums, r pixels a box.
void AddRow(const unsigned char* line, uint32_t* sums, png_uint_32 w, int r) {
  for (png_uint_32 x = 0; x < w; sums += 4) {
    const png_uint_32 end = std::min(w, x + png_uint_32(r));
    uint32_t b = 0, g = 0, red = 0, a = 0;
    for (; x < end; ++x, line += 4) b += line[0], g += line[1], red += line[2], a += line[3];
    sums[0] += b, sums[1] += g, sums[2] += red, sums[3] += a;
  }
}

// The rounded mean of `sum` over n pixels; a whole box (a power of two) by a
// shift, not a division.
inline unsigned char Mean(uint32_t sum, uint32_t n) {
  return static_cast<unsigned char>((n & (n - 1)) == 0 ? (sum + n / 2) >> std::countr_zero(n)
                                                       : (sum + n / 2) / n);
}

// The box averages of `rows` summed rows into one reduced image row.
void PutRow(uint32_t* sums, unsigned char* out, int ow, png_uint_32 w, int r, int rows) {
  for (int x = 0; x < ow; ++x, out += 4, sums += 4) {
    const uint32_t across = std::min<uint32_t>(uint32_t(r), w - uint32_t(x) * uint32_t(r));
    const uint32_t n = across * uint32_t(rows);
    for (int c = 0; c < 4; ++c) {
      out[c] = Mean(sums[c], n);
      sums[c] = 0;
    }
  }
}

// Box sums of a reduced interlaced picture, kept until its last pass: CH
// channels a box, 16 bits each while a box holds at most 256 pixels (256 x
// 255 fits), 32 beyond.
constexpr int kNarrowSumsUpTo = 16;  // reduction
template <typename Sum, int CH>
struct SumBoxes {
  Sum* sums;  // row by row, ow boxes a row
  size_t ow;
  int shift;  // a box is 1 << shift pixels across
  // Adds one row of a pass (BGRA, `cols` pixels, the first at column x0 and
  // then every dx), the run of pixels in one box summed before it is added.
  void Add(png_uint_32 y, const unsigned char* line, png_uint_32 x0, png_uint_32 dx, png_uint_32 cols) {
    Sum* row = sums + size_t(y >> shift) * ow * CH;
    for (png_uint_32 i = 0, x = x0; i < cols;) {
      const png_uint_32 box = x >> shift;
      uint32_t run[CH] = {};
      for (; i < cols && x >> shift == box; ++i, x += dx, line += 4)
        for (int c = 0; c < CH; ++c) run[c] += line[c];
      for (int c = 0; c < CH; ++c) row[box * CH + c] = Sum(row[box * CH + c] + run[c]);
    }
  }
  // Writes box `box`, of n pixels, as its mean.
  void Put(unsigned char* o, size_t box, uint32_t n) const {
    for (int c = 0; c < CH; ++c) o[c] = Mean(sums[box * CH + c], n);
    if (CH == 3) o[3] = 0xFF;
  }
};

// An opaque picture at 1/2: a box's three sums (at most 4 x 255) fit in ten
// bits each, so they are packed in the reduced pixel itself, and nothing is
// held beside the picture. The picture starts zeroed.
struct PackedBoxes {
  unsigned char* bits;
  size_t stride;  // bytes a reduced row
  void Add(png_uint_32 y, const unsigned char* line, png_uint_32 x0, png_uint_32 dx, png_uint_32 cols) {
    auto* row = reinterpret_cast<uint32_t*>(bits + size_t(y >> 1) * stride);
    for (png_uint_32 i = 0, x = x0; i < cols; ++i, x += dx, line += 4)
      row[x >> 1] += uint32_t(line[0]) | uint32_t(line[1]) << 10 | uint32_t(line[2]) << 20;
  }
  static void Put(unsigned char* o, size_t, uint32_t n) {
    uint32_t v;
    std::memcpy(&v, o, 4);
    o[0] = Mean(v & 1023, n), o[1] = Mean(v >> 10 & 1023, n), o[2] = Mean(v >> 20, n), o[3] = 0xFF;
  }
};

// Reads the seven passes of an interlaced picture into `boxes`, each pixel
// into the box of 1 << shift pixels square it lies in, and writes their
// means into `out`: the picture a reduced plain decode gives, with only
// the reduced picture's sums held, never the full-size one.
template <typename Boxes>
void ReducePasses(png_structp png, png_uint_32 w, png_uint_32 h, int shift, unsigned char* line, Boxes boxes,
                  QImage& out) {
  for (int pass = 0; pass < 7; ++pass) {
    // libpng skips the passes that hold no pixel.
    const png_uint_32 cols = PNG_PASS_COLS(w, pass), rows = cols == 0 ? 0 : PNG_PASS_ROWS(h, pass);
    for (png_uint_32 i = 0; i < rows; ++i) {
      png_read_row(png, line, nullptr);
      boxes.Add(PNG_ROW_FROM_PASS_ROW(i, pass), line, PNG_PASS_START_COL(pass), PNG_PASS_COL_OFFSET(pass),
                cols);
    }
  }
  const uint32_t r = uint32_t(1) << shift;
  const int ow = out.width();
  for (int oy = 0; oy < out.height(); ++oy) {
    const uint32_t down = std::min<uint32_t>(r, h - uint32_t(oy) * r);
    unsigned char* o = out.scanLine(oy);
    for (int ox = 0; ox < ow; ++ox, o += 4)
      boxes.Put(o, size_t(oy) * size_t(ow) + size_t(ox), std::min<uint32_t>(r, w - uint32_t(ox) * r) * down);
  }
}

// ReducePasses into box sums beside the picture, three channels or four.
template <typename Sum>
void ReduceIntoSums(png_structp png, png_uint_32 w, png_uint_32 h, int shift, unsigned char* line, Sum* sums,
                    bool alpha, QImage& out) {
  const size_t ow = size_t(out.width());
  if (alpha)
    ReducePasses(png, w, h, shift, line, SumBoxes<Sum, 4>{sums, ow, shift}, out);
  else
    ReducePasses(png, w, h, shift, line, SumBoxes<Sum, 3>{sums, ow, shift}, out);
}

// Sizes `v` to n zeros; false when the memory is not there.
template <typename T>
bool Zeros(std::vector<T>& v, size_t n) {
  try {
    v.assign(n, 0);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Decodes into `out`, reduced by the reduction the caller accepts: each
// reduced pixel is the mean of its r x r box, summed as the rows stream in,
// so the full-size picture never exists. An interlaced picture's passes are
// summed into boxes of the reduced size. The objects with destructors (`out`,
// `scratch`) belong to the caller, so a longjmp out of libpng skips none.
bool DecodeRaw(const std::string& data, QImage& out, Scratch& scratch, std::string& error, Failure& failure,
               Reduction* reduction) {
  Reader reader{reinterpret_cast<const unsigned char*>(data.data()), data.size(), 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &failure, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, Read);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (!CheckSize(w, h, error)) png_error(png, "size");
  const int r = reduction ? reduction->Choose(int(w), int(h), kMaxPngReduction) : 1;
  if (reduction && reduction->sizeOnly) {
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
  }
  const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  const int ow = int((w + png_uint_32(r) - 1) / png_uint_32(r)),
            oh = int((h + png_uint_32(r) - 1) / png_uint_32(r));
  if (!CheckDecodedSize(ow, oh, error)) png_error(png, "size");

  const int type = png_get_color_type(png, info);
  const bool alpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);  // palette, low bit depths, tRNS -> RGB(A) 8 bit
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);  // memory order of a 32-bit QImage pixel
  if (!alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  if (r == 1) png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unsupported pixel layout");

  out = QImage(ow, oh, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (out.isNull()) png_error(png, "out of memory");
  if (r == 1) {
    scratch.rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) scratch.rows[y] = out.scanLine(int(y));
    png_read_image(png, scratch.rows.data());
  } else if (interlaced) {
    scratch.line.resize(size_t(w) * 4);
    const int shift = std::countr_zero(unsigned(r));
    const size_t n = size_t(ow) * size_t(oh) * (alpha ? 4 : 3);
    unsigned char* line = scratch.line.data();
    if (r == 2 && !alpha) {
      std::memset(out.bits(), 0, size_t(out.sizeInBytes()));  // fill() would set the unused byte
      ReducePasses(png, w, h, shift, line, PackedBoxes{out.bits(), size_t(out.bytesPerLine())}, out);
    } else if (r <= kNarrowSumsUpTo) {
      if (!Zeros(scratch.narrow, n)) png_error(png, "out of memory");
      ReduceIntoSums(png, w, h, shift, line, scratch.narrow.data(), alpha, out);
    } else {
      if (!Zeros(scratch.wide, n)) png_error(png, "out of memory");
      ReduceIntoSums(png, w, h, shift, line, scratch.wide.data(), alpha, out);
    }
  } else {
    scratch.line.resize(size_t(w) * 4);
    scratch.sums.assign(size_t(ow) * 4, 0);
    int summed = 0;
    for (png_uint_32 y = 0; y < h; ++y) {
      png_read_row(png, scratch.line.data(), nullptr);
      AddRow(scratch.line.data(), scratch.sums.data(), w, r);
      ++summed;
      if (y + 1 == h || (y + 1) % png_uint_32(r) == 0) {
        PutRow(scratch.sums.data(), out.scanLine(int(y / png_uint_32(r))), ow, w, r, summed);
        summed = 0;
      }
    }
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// Encodes w x h pixels of four bytes each (B, G, R, A with `bgr`, else R, G,
// B; the fourth dropped unless `alpha`), row y given by `row(y)` as libpng
// asks for it; `fast` takes the one filter and the fastest compression (flat
// fixtures); `interlaced` writes the seven passes, asking for each row once
// a pass. What `row` uses belongs to the caller, so a longjmp out of libpng
// skips no destructor.
struct Layout {
  bool alpha = false, bgr = true, fast = false, interlaced = false;
};
bool EncodeRaw(int w, int h, Layout layout, const std::function<png_bytep(int y)>& row, std::string& out,
               Failure& failure) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, Write, Flush);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8,
               layout.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (layout.fast) {
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 1);
  }
  png_write_info(png, info);
  if (layout.bgr) png_set_bgr(png);
  if (!layout.alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);  // drops the unused byte
  const int passes = layout.interlaced ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < h; ++y) png_write_row(png, row(y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool Encode(int w, int h, Layout layout, const std::function<png_bytep(int y)>& row, std::string& out,
            std::string& error) {
  Failure failure{};
  out.clear();
  if (EncodeRaw(w, h, layout, row, out, failure)) return true;
  error = failure.message[0] ? failure.message : "PNG encoding failed";
  return false;
}
}  // namespace

bool DecodePng(const std::string& data, QImage& out, std::string& error, Reduction* reduction) {
  Scratch scratch;
  Failure failure{};
  if (DecodeRaw(data, out, scratch, error, failure, reduction)) return true;
  if (error.empty()) error = failure.message[0] ? failure.message : "not a valid PNG file";
  return false;
}

bool EncodePngRows(int w, int h, const std::function<void(int y, int* row)>& fill, std::string& out,
                   std::string& error, bool interlaced) {
  if (!CheckSize(w, h, error)) return false;
  std::vector<int> line(size_t(w), 0);
  // 0x00BBGGRR in memory: R, G, B, unused.
  return Encode(
      w, h, Layout{.alpha = false, .bgr = false, .fast = true, .interlaced = interlaced},
      [&](int y) {
        fill(y, line.data());
        return reinterpret_cast<png_bytep>(line.data());
      },
      out, error);
}

bool EncodePng(const QImage& source, std::string& out, std::string& error) {
  const QImage img = source.hasAlphaChannel() ? source.convertToFormat(QImage::Format_ARGB32)
                                              : source.convertToFormat(QImage::Format_RGB32);
  return Encode(
      img.width(), img.height(), Layout{.alpha = img.format() == QImage::Format_ARGB32},
      [&img](int y) { return const_cast<png_bytep>(img.constScanLine(y)); }, out, error);
}

}  // namespace pf::codec
