// Internal to platform/: the image file codecs and the size limits that keep
// a hostile header from making us allocate gigabytes.
#pragma once
#include <QImage>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/image.h"

namespace pf::codec {

constexpr int kMaxSide = 20000;              // pixels, either direction
constexpr int64_t kMaxPixels = 200'000'000;  // width x height
constexpr int kDotsPerMeter = 3780;          // 96 dpi, for text in points
// What a decoder may produce: 160 MB of pixels, decoded in well under a
// second. A larger picture is decoded reduced where the caller allows it and
// the format can, or refused.
constexpr int64_t kMaxDecodedPixels = 40'000'000;

// False with a message in `error` when w x h is empty or beyond the limits.
bool CheckSize(int64_t w, int64_t h, std::string& error);
// The same for the picture a decoder is about to produce.
bool CheckDecodedSize(int64_t w, int64_t h, std::string& error);
// The finest power-of-two reduction at which a w x h picture decodes within
// kMaxDecodedPixels (each side rounded up, as the decoders round).
int FinestReduction(int64_t w, int64_t h);
// The reduction `largest` (empty: full size only) accepts for a w x h
// picture, raised to FinestReduction: a reduced load shows a huge picture
// coarser rather than not at all.
int AcceptedReduction(const std::function<int(int w, int h)>& largest, int w, int h);

// Reduced decoding. `largest` (may be empty: full size) is asked, with the
// picture's full size, for the largest reduction the caller accepts (1, 2,
// 4...), raised to the finest one within the decoded-picture limit: a
// reduced load shows a huge picture coarser rather than not at all. The
// decoder takes the largest its format offers up to that one and fills in
// the rest.
struct Reduction {
  std::function<int(int w, int h)> largest;
  // The part of the picture its use needs, in full-size pixels (may be
  // empty: all of it). A decoder that can decode a part alone decodes at
  // least this part; the others decode the whole picture.
  std::function<ImageArea(int w, int h)> area;
  int used = 1;  // the picture is 1/used of its full size
  int fullWidth = 0, fullHeight = 0;
  // The part of the full picture decoded; empty: all of it.
  ImageArea part;
  // Threads a decoder may use besides the calling one's (those formats
  // that can): 1 for the loading thread, so the window's and the link's
  // threads keep their processors.
  int threads = 1;
  // Read the header only: the decoder returns true once the full size is
  // known (checked against the limits), with `out` null.
  bool sizeOnly = false;
  // The accepted reduction, a power of two at most `cap`.
  int Choose(int w, int h, int cap);
};

// Decoders: fill `out` with an RGB32 or ARGB32 image. False with a message on
// any failure; `out` is then to be ignored. PNG reduces by any power of two
// as its rows stream in (an interlaced one into box sums of the reduced
// size), JPEG by 2, 4 or 8, JPEG 2000 by its resolution
// levels and decodes only the area asked for.
bool DecodePng(const std::string& data, QImage& out, std::string& error, Reduction* reduction = nullptr);
bool DecodeJpeg(const std::string& data, QImage& out, std::string& error, Reduction* reduction = nullptr);
bool DecodeJp2(const std::string& data, QImage& out, std::string& error, Reduction* reduction = nullptr);

// Encoders into memory.
bool EncodePng(const QImage& img, std::string& out, std::string& error);
bool EncodeJpeg(const QImage& img, int quality, std::string& out, std::string& error);
// A JPEG of w x h pixels whose rows `fill` writes (0x00BBGGRR, w of them),
// one at a time: pictures too large to hold whole.
bool EncodeJpegRows(int w, int h, int quality, const std::function<void(int y, int* row)>& fill,
                    std::string& out, std::string& error);
// A PNG of w x h opaque pixels whose rows `fill` writes (0x00BBGGRR), one at a
// time, compressed for speed: pictures too large to hold whole. Interlaced,
// `fill` is asked for each row once a pass (seven times).
bool EncodePngRows(int w, int h, const std::function<void(int y, int* row)>& fill, std::string& out,
                   std::string& error, bool interlaced = false);
// JPEG 2000, lossless: the .jp2 box format or a raw codestream.
bool EncodeJp2(const QImage& img, bool codestream, const std::string& path, std::string& error);

}  // namespace pf::codec
