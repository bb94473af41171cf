// JPEG through libjpeg's C API: decoding from memory with scanlines read
// straight into the image rows, and encoding (test fixtures). libjpeg's
// default error handler calls exit(); ours longjmps back instead, and a
// premature end of data (a truncated file) counts as an error, not a warning.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

// libjpeg's headers need <cstdio> (FILE, size_t) before them.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "platform/image_codec.h"

namespace pf::codec {
namespace {
struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
  cinfo->err->format_message(cinfo, e->message);
  longjmp(e->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) OnError(cinfo);
}

void Silent(j_common_ptr) {}

void SetUp(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  err.pub.output_message = Silent;
  err.message[0] = 0;
}

// Adobe CMYK (stored inverted) to BGRA.
void CmykRow(const JSAMPLE* in, unsigned char* out, JDIMENSION w, bool inverted) {
  for (JDIMENSION x = 0; x < w; ++x, in += 4, out += 4) {
    int c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    out[0] = (unsigned char)(y * k / 255);
    out[1] = (unsigned char)(m * k / 255);
    out[2] = (unsigned char)(c * k / 255);
    out[3] = 0xFF;
  }
}

// `out` and `cmyk` belong to the caller, so a longjmp out of libjpeg skips
// no destructor.
bool DecodeRaw(const std::string& data, QImage& out, std::vector<JSAMPLE>& cmyk, std::string& error,
               ErrorManager& err, Reduction* reduction) {
  jpeg_decompress_struct cinfo;
  cinfo.err = &err.pub;
  SetUp(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()), data.size());
  jpeg_read_header(&cinfo, TRUE);
  if (!CheckSize(cinfo.image_width, cinfo.image_height, error)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (reduction && reduction->sizeOnly) {
    reduction->Choose(int(cinfo.image_width), int(cinfo.image_height), 1);
    jpeg_destroy_decompress(&cinfo);
    return true;
  }
  const bool isCmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = isCmyk ? JCS_CMYK : JCS_EXT_BGRA;  // BGRA: a 32-bit QImage pixel
  cinfo.dct_method = JDCT_ISLOW;
  cinfo.do_fancy_upsampling = FALSE;  // merged chroma upsampling: about twice as fast
  // The decoder scales by 1/2, 1/4 and 1/8 in its inverse transform, which
  // costs far less than decoding whole and shrinking.
  cinfo.scale_num = 1;
  cinfo.scale_denom =
      reduction ? unsigned(reduction->Choose(int(cinfo.image_width), int(cinfo.image_height), 8)) : 1;
  jpeg_calc_output_dimensions(&cinfo);
  if (!CheckDecodedSize(cinfo.output_width, cinfo.output_height, error)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  out = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
  if (out.isNull()) ERREXIT(&cinfo, JERR_OUT_OF_MEMORY);
  if (isCmyk) cmyk.resize(size_t(cinfo.output_width) * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION y = cinfo.output_scanline;
    if (isCmyk) {
      JSAMPROW row = cmyk.data();
      jpeg_read_scanlines(&cinfo, &row, 1);
      CmykRow(cmyk.data(), out.scanLine(int(y)), cinfo.output_width, cinfo.saw_Adobe_marker);
    } else {
      JSAMPROW rows[16];
      const JDIMENSION n = std::min<JDIMENSION>(16, cinfo.output_height - y);
      for (JDIMENSION i = 0; i < n; ++i) rows[i] = out.scanLine(int(y + i));
      jpeg_read_scanlines(&cinfo, rows, n);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

// Encodes w x h pixels of `space` (four bytes a pixel), row y given by
// `row(y)` when libjpeg asks for it.
bool EncodeRaw(int w, int h, J_COLOR_SPACE space, int quality, const std::function<JSAMPROW(int y)>& row,
               unsigned char*& buffer, unsigned long& size, ErrorManager& err) {
  jpeg_compress_struct cinfo;
  cinfo.err = &err.pub;
  SetUp(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = 4;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW line = row(int(cinfo.next_scanline));
    jpeg_write_scanlines(&cinfo, &line, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

bool Encode(int w, int h, J_COLOR_SPACE space, int quality, const std::function<JSAMPROW(int y)>& row,
            std::string& out, std::string& error) {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  ErrorManager err;
  const bool ok = EncodeRaw(w, h, space, quality, row, buffer, size, err);
  if (ok)
    out.assign(reinterpret_cast<const char*>(buffer), size);
  else
    error = err.message;
  std::free(buffer);
  return ok;
}
}  // namespace

bool EncodeJpegRows(int w, int h, int quality, const std::function<void(int y, int* row)>& fill,
                    std::string& out, std::string& error) {
  if (!CheckSize(w, h, error)) return false;
  std::vector<int> line(size_t(w), 0);
  // 0x00BBGGRR in memory: R, G, B, unused.
  return Encode(
      w, h, JCS_EXT_RGBX, quality,
      [&](int y) {
        fill(y, line.data());
        return reinterpret_cast<JSAMPROW>(line.data());
      },
      out, error);
}

bool DecodeJpeg(const std::string& data, QImage& out, std::string& error, Reduction* reduction) {
  std::vector<JSAMPLE> cmyk;
  ErrorManager err;
  if (DecodeRaw(data, out, cmyk, error, err, reduction)) return true;
  if (error.empty()) error = err.message[0] ? err.message : "not a valid JPEG file";
  return false;
}

bool EncodeJpeg(const QImage& source, int quality, std::string& out, std::string& error) {
  const QImage img = source.convertToFormat(QImage::Format_RGB32);
  return Encode(
      img.width(), img.height(), JCS_EXT_BGRX, quality,
      [&img](int y) { return const_cast<JSAMPROW>(img.constScanLine(y)); }, out, error);
}

}  // namespace pf::codec
