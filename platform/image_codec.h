// Internal to platform/: the image file codecs and the size limits that keep
// a hostile header from making us allocate gigabytes.
#pragma once
#include <QImage>
#include <cstdint>
#include <string>

namespace pf::codec {

constexpr int kMaxSide = 20000;                 // pixels, either direction
constexpr int64_t kMaxPixels = 200'000'000;      // width x height
constexpr int kDotsPerMeter = 3780;              // 96 dpi, for text in points

// False with a message in `error` when w x h is empty or beyond the limits.
bool CheckSize(int64_t w, int64_t h, std::string& error);

// Decoders: fill `out` with an RGB32 or ARGB32 image. False with a message on
// any failure; `out` is then to be ignored.
bool DecodePng(const std::string& data, QImage& out, std::string& error);
bool DecodeJpeg(const std::string& data, QImage& out, std::string& error);
bool DecodeJp2(const std::string& data, QImage& out, std::string& error);

// Encoders into memory.
bool EncodePng(const QImage& img, std::string& out, std::string& error);
bool EncodeJpeg(const QImage& img, int quality, std::string& out, std::string& error);
// JPEG 2000, lossless: the .jp2 box format or a raw codestream.
bool EncodeJp2(const QImage& img, bool codestream, const std::string& path, std::string& error);

}  // namespace pf::codec
