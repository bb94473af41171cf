// PNG through libpng: decoding from memory straight into the image rows, and
// encoding. libpng reports errors by longjmp, so the functions that call it
// keep no C++ objects alive across those calls.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
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

// Decodes into `out`. The objects with destructors (`out`, `rows`) belong to
// the caller, so a longjmp out of libpng skips none.
bool DecodeRaw(const std::string& data, QImage& out, std::vector<png_bytep>& rows, std::string& error,
               Failure& failure, Reduction* reduction) {
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
  if (reduction) reduction->Choose(int(w), int(h), 1);
  if (reduction && reduction->sizeOnly) {
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
  }
  if (!CheckDecodedSize(w, h, error)) png_error(png, "size");

  const int type = png_get_color_type(png, info);
  const bool alpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);  // palette, low bit depths, tRNS -> RGB(A) 8 bit
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);  // memory order of a 32-bit QImage pixel
  if (!alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unsupported pixel layout");

  out = QImage(int(w), int(h), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (out.isNull()) png_error(png, "out of memory");
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = out.scanLine(int(y));
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool EncodeRaw(const QImage& img, std::string& out, std::vector<png_bytep>& rows, Failure& failure) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, Write, Flush);
  const bool alpha = img.format() == QImage::Format_ARGB32;
  png_set_IHDR(png, info, img.width(), img.height(), 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  if (!alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);  // drops the unused byte
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}
}  // namespace

bool DecodePng(const std::string& data, QImage& out, std::string& error, Reduction* reduction) {
  std::vector<png_bytep> rows;
  Failure failure{};
  if (DecodeRaw(data, out, rows, error, failure, reduction)) return true;
  if (error.empty()) error = failure.message[0] ? failure.message : "not a valid PNG file";
  return false;
}

bool EncodePng(const QImage& source, std::string& out, std::string& error) {
  const QImage img = source.hasAlphaChannel() ? source.convertToFormat(QImage::Format_ARGB32)
                                              : source.convertToFormat(QImage::Format_RGB32);
  std::vector<png_bytep> rows(img.height());
  for (int y = 0; y < img.height(); ++y) rows[y] = const_cast<png_bytep>(img.constScanLine(y));
  Failure failure{};
  out.clear();
  if (EncodeRaw(img, out, rows, failure)) return true;
  error = failure.message[0] ? failure.message : "PNG encoding failed";
  return false;
}

}  // namespace pf::codec
