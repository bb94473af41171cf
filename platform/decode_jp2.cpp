// JPEG 2000 through OpenJPEG: the .jp2 box format and raw codestreams, read
// from memory; lossless encoding for test fixtures. Strict mode makes a
// truncated codestream an error instead of a partly decoded picture.
#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/image_codec.h"

namespace pf::codec {
namespace {
struct Memory {
  const unsigned char* data;
  OPJ_SIZE_T size;
  OPJ_SIZE_T pos;
};

OPJ_SIZE_T Read(void* buffer, OPJ_SIZE_T n, void* user) {
  auto* m = static_cast<Memory*>(user);
  const OPJ_SIZE_T left = m->size - m->pos;
  if (left == 0) return OPJ_SIZE_T(-1);
  n = std::min(n, left);
  std::memcpy(buffer, m->data + m->pos, n);
  m->pos += n;
  return n;
}

OPJ_OFF_T Skip(OPJ_OFF_T n, void* user) {
  auto* m = static_cast<Memory*>(user);
  if (n < 0) {
    n = std::max<OPJ_OFF_T>(n, -OPJ_OFF_T(m->pos));
  } else {
    n = std::min<OPJ_OFF_T>(n, OPJ_OFF_T(m->size - m->pos));
  }
  m->pos = OPJ_SIZE_T(OPJ_OFF_T(m->pos) + n);
  return n;
}

OPJ_BOOL Seek(OPJ_OFF_T n, void* user) {
  auto* m = static_cast<Memory*>(user);
  if (n < 0 || OPJ_SIZE_T(n) > m->size) return OPJ_FALSE;
  m->pos = OPJ_SIZE_T(n);
  return OPJ_TRUE;
}

void Remember(const char* msg, void* user) {
  auto* s = static_cast<std::string*>(user);
  if (s->empty()) {
    *s = msg;
    while (!s->empty() && (s->back() == '\n' || s->back() == ' ')) s->pop_back();
  }
}

void Ignore(const char*, void*) {}

struct CodecCloser {
  void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamCloser {
  void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct ImageCloser {
  void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};

// One component sample scaled to 8 bits.
struct Channel {
  const opj_image_comp_t* comp = nullptr;
  int shift = 0, offset = 0, maxValue = 255;
  explicit Channel(const opj_image_comp_t* c) : comp(c) {
    const int prec = int(std::clamp<OPJ_UINT32>(c->prec, 1, 31));
    offset = c->sgnd ? (1 << (prec - 1)) : 0;
    shift = prec > 8 ? prec - 8 : 0;
    maxValue = prec < 8 ? (1 << prec) - 1 : 255;
  }
  int At(int x, int y) const {
    const OPJ_UINT32 cx =
        std::min<OPJ_UINT32>(OPJ_UINT32(x) / std::max<OPJ_UINT32>(comp->dx, 1), comp->w - 1);
    const OPJ_UINT32 cy =
        std::min<OPJ_UINT32>(OPJ_UINT32(y) / std::max<OPJ_UINT32>(comp->dy, 1), comp->h - 1);
    int v = (int(comp->data[size_t(cy) * comp->w + cx]) + offset) >> shift;
    if (maxValue != 255) v = v * 255 / maxValue;
    return std::clamp(v, 0, 255);
  }
};

bool Usable(const opj_image_comp_t& c) { return c.data && c.w > 0 && c.h > 0; }

// Resolution levels of the codestream: a reduction by 2^(levels - 1) at most.
int ResolutionLevels(opj_codec_t* codec) {
  opj_codestream_info_v2_t* info = opj_get_cstr_info(codec);
  if (!info) return 1;
  int levels =
      info->m_default_tile_info.tccp_info ? int(info->m_default_tile_info.tccp_info[0].numresolutions) : 1;
  for (OPJ_UINT32 c = 1; info->m_default_tile_info.tccp_info && c < info->nbcomps; ++c)
    levels = std::min(levels, int(info->m_default_tile_info.tccp_info[c].numresolutions));
  opj_destroy_cstr_info(&info);
  return std::clamp(levels, 1, 31);
}
}  // namespace

bool DecodeJp2(const std::string& data, QImage& out, std::string& error, Reduction* reduction) {
  const bool codestream =
      data.size() >= 2 && (unsigned char)data[0] == 0xFF && (unsigned char)data[1] == 0x4F;
  std::unique_ptr<opj_codec_t, CodecCloser> codec(
      opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
  if (!codec) return error = "JPEG 2000 decoder unavailable", false;
  std::string message;
  opj_set_error_handler(codec.get(), Remember, &message);
  opj_set_warning_handler(codec.get(), Ignore, nullptr);
  opj_set_info_handler(codec.get(), Ignore, nullptr);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  if (!opj_setup_decoder(codec.get(), &params)) return error = "JPEG 2000 decoder set-up failed", false;
  opj_decoder_set_strict_mode(codec.get(), OPJ_TRUE);
  // The code-blocks decode in parallel on the library's own threads where
  // the caller allows (a library built without them decodes on this one).
  if (reduction && reduction->threads > 1) opj_codec_set_threads(codec.get(), reduction->threads);

  Memory memory{reinterpret_cast<const unsigned char*>(data.data()), data.size(), 0};
  std::unique_ptr<opj_stream_t, StreamCloser> stream(opj_stream_create(1 << 16, OPJ_TRUE));
  if (!stream) return error = "out of memory", false;
  opj_stream_set_user_data(stream.get(), &memory, nullptr);
  opj_stream_set_user_data_length(stream.get(), data.size());
  opj_stream_set_read_function(stream.get(), Read);
  opj_stream_set_skip_function(stream.get(), Skip);
  opj_stream_set_seek_function(stream.get(), Seek);

  opj_image_t* raw = nullptr;
  const bool header = opj_read_header(stream.get(), codec.get(), &raw);
  std::unique_ptr<opj_image_t, ImageCloser> image(raw);
  if (!header || !image) return error = message.empty() ? "not a valid JPEG 2000 file" : message, false;
  const int64_t fullw = int64_t(image->x1) - image->x0, fullh = int64_t(image->y1) - image->y0;
  if (!CheckSize(fullw, fullh, error)) return false;
  if (reduction && reduction->sizeOnly) {
    reduction->Choose(int(fullw), int(fullh), 1);
    return true;
  }
  // Reduced: the lower resolution levels only, which is all that is decoded.
  int factor = 1, levels = 0;
  const int maxLevels = reduction ? std::min(ResolutionLevels(codec.get()) - 1, 30) : 0;
  if (reduction) {
    factor = reduction->Choose(int(fullw), int(fullh), 1 << maxLevels);
    while ((1 << levels) < factor) ++levels;
  }
  // The reduced grid: ceil(x1 / 2^levels) - ceil(x0 / 2^levels).
  auto grid = [&image](int l, int64_t& w, int64_t& h) {
    auto reduced = [l](int64_t a) { return (a + (int64_t(1) << l) - 1) >> l; };
    w = reduced(image->x1) - reduced(image->x0);
    h = reduced(image->y1) - reduced(image->y0);
  };
  int64_t w = 0, h = 0;
  grid(levels, w, h);
  // An image offset on the canvas can round a side up by one pixel more than
  // the limit allowed for: one level further then.
  if (reduction && w * h > kMaxDecodedPixels && levels < maxLevels) {
    grid(++levels, w, h);
    reduction->used = 1 << levels;
  }
  if (levels > 0 && !opj_set_decoded_resolution_factor(codec.get(), OPJ_UINT32(levels)))
    return error = message.empty() ? "JPEG 2000 reduction refused" : message, false;
  // Only the part asked for, widened to whole pixels of the reduced grid: the
  // code-blocks outside it are not decoded at all.
  if (reduction && reduction->area && image->x0 == 0 && image->y0 == 0) {
    const ImageArea asked = reduction->area(int(fullw), int(fullh));
    const int64_t f = int64_t(1) << levels;
    const int64_t left = std::clamp<int64_t>(asked.left, 0, fullw) / f * f;
    const int64_t top = std::clamp<int64_t>(asked.top, 0, fullh) / f * f;
    const int64_t right = std::min((std::clamp<int64_t>(asked.right, 0, fullw) + f - 1) / f * f, fullw);
    const int64_t bottom = std::min((std::clamp<int64_t>(asked.bottom, 0, fullh) + f - 1) / f * f, fullh);
    if (!asked.Empty() && right > left && bottom > top && (right - left < fullw || bottom - top < fullh)) {
      if (!opj_set_decode_area(codec.get(), image.get(), OPJ_INT32(left), OPJ_INT32(top), OPJ_INT32(right),
                               OPJ_INT32(bottom)))
        return error = message.empty() ? "JPEG 2000 area refused" : message, false;
      w = (right + f - 1) / f - left / f;
      h = (bottom + f - 1) / f - top / f;
      reduction->part = ImageArea{int(left), int(top), int(right), int(bottom)};
    }
  }
  if (!CheckDecodedSize(w, h, error)) return false;
  if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get()))
    return error = message.empty() ? "JPEG 2000 data is corrupt or truncated" : message, false;

  const OPJ_UINT32 n = image->numcomps;
  if (n == 0 || !image->comps) return error = "JPEG 2000 image has no components", false;
  for (OPJ_UINT32 i = 0; i < std::min<OPJ_UINT32>(n, 4); ++i)
    if (!Usable(image->comps[i])) return error = "JPEG 2000 component without data", false;
  const bool colour = n >= 3;
  const bool alpha = n == 2 || n >= 4;
  const bool ycc = colour && image->color_space == OPJ_CLRSPC_SYCC;
  const Channel c0(&image->comps[0]);
  const Channel c1(&image->comps[colour ? 1 : 0]);
  const Channel c2(&image->comps[colour ? 2 : 0]);
  const Channel ca(&image->comps[alpha ? (colour ? 3 : 1) : 0]);

  out = QImage(int(w), int(h), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (out.isNull()) return error = "out of memory", false;
  // The usual photo: three 8-bit unsigned RGB components at full resolution,
  // copied sample by sample.
  auto plain = [w, h](const opj_image_comp_t& c) {
    return c.dx == 1 && c.dy == 1 && c.w == OPJ_UINT32(w) && c.h == OPJ_UINT32(h) && c.prec == 8 && !c.sgnd;
  };
  if (colour && !alpha && !ycc && n == 3 && plain(image->comps[0]) && plain(image->comps[1]) &&
      plain(image->comps[2])) {
    for (int y = 0; y < int(h); ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
      const OPJ_INT32* r = image->comps[0].data + size_t(y) * size_t(w);
      const OPJ_INT32* g = image->comps[1].data + size_t(y) * size_t(w);
      const OPJ_INT32* b = image->comps[2].data + size_t(y) * size_t(w);
      for (int x = 0; x < int(w); ++x)
        line[x] = qRgb(std::clamp(r[x], 0, 255), std::clamp(g[x], 0, 255), std::clamp(b[x], 0, 255));
    }
    return true;
  }
  for (int y = 0; y < int(h); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < int(w); ++x) {
      int r = c0.At(x, y), g = c1.At(x, y), b = c2.At(x, y);
      if (ycc) {
        const double yy = r, cb = g - 128.0, cr = b - 128.0;
        r = std::clamp(int(yy + 1.402 * cr + 0.5), 0, 255);
        g = std::clamp(int(yy - 0.344136 * cb - 0.714136 * cr + 0.5), 0, 255);
        b = std::clamp(int(yy + 1.772 * cb + 0.5), 0, 255);
      }
      line[x] = qRgba(r, g, b, alpha ? ca.At(x, y) : 255);
    }
  }
  return true;
}

bool EncodeJp2(const QImage& source, bool codestream, const std::string& path, std::string& error) {
  const QImage img = source.convertToFormat(QImage::Format_RGB32);
  const int w = img.width(), h = img.height();
  opj_image_cmptparm_t parts[3];
  std::memset(parts, 0, sizeof parts);
  for (auto& p : parts) {
    p.dx = p.dy = 1;
    p.w = OPJ_UINT32(w);
    p.h = OPJ_UINT32(h);
    p.prec = 8;
  }
  std::unique_ptr<opj_image_t, ImageCloser> image(opj_image_create(3, parts, OPJ_CLRSPC_SRGB));
  if (!image) return error = "out of memory", false;
  image->x1 = OPJ_UINT32(w);
  image->y1 = OPJ_UINT32(h);
  for (int y = 0; y < h; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      image->comps[0].data[size_t(y) * w + x] = qRed(line[x]);
      image->comps[1].data[size_t(y) * w + x] = qGreen(line[x]);
      image->comps[2].data[size_t(y) * w + x] = qBlue(line[x]);
    }
  }
  opj_cparameters_t params;
  opj_set_default_encoder_parameters(&params);
  params.tcp_numlayers = 1;
  params.tcp_rates[0] = 0;  // lossless
  params.cp_disto_alloc = 1;
  params.numresolution = 1;
  while (params.numresolution < 6 && (1 << params.numresolution) <= std::min(w, h)) ++params.numresolution;
  std::unique_ptr<opj_codec_t, CodecCloser> codec(
      opj_create_compress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
  std::string message;
  opj_set_error_handler(codec.get(), Remember, &message);
  opj_set_warning_handler(codec.get(), Ignore, nullptr);
  opj_set_info_handler(codec.get(), Ignore, nullptr);
  if (!opj_setup_encoder(codec.get(), &params, image.get())) return error = "encoder set-up failed", false;
  std::unique_ptr<opj_stream_t, StreamCloser> stream(
      opj_stream_create_default_file_stream(path.c_str(), OPJ_FALSE));
  if (!stream) return error = "cannot write " + path, false;
  if (!opj_start_compress(codec.get(), image.get(), stream.get()) || !opj_encode(codec.get(), stream.get()) ||
      !opj_end_compress(codec.get(), stream.get()))
    return error = message.empty() ? "encoding failed" : message, false;
  return true;
}

}  // namespace pf::codec
