// PNG files made sample by sample, independent of our encoder: any colour
// type and bit depth, plain or interlaced, for the decoder's tests.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace yrmtest {

enum PngColour { kPngGrey = 0, kPngRgb = 2, kPngPalette = 3, kPngGreyAlpha = 4, kPngRgba = 6 };

struct PngMaking {
  int colour = kPngRgb;
  int depth = 8;  // bits a sample: 1, 2, 4, 8 or 16 as the colour type allows
  bool interlaced = false;
  std::string chunks;  // whole chunks written before the picture data (PLTE, tRNS)
};

// A w x h PNG whose pixel (x, y) has the samples `samples(x, y)` gives, as
// many as the colour type has, each below 1 << depth; rows unfiltered, an
// interlaced file's seven passes in the format's order.
std::string MakePng(uint32_t w, uint32_t h, const PngMaking& making,
                    const std::function<std::vector<int>(uint32_t x, uint32_t y)>& samples);

// Big-endian 32 bits, as the format writes lengths and sizes.
std::string Be32(uint32_t v);

// The format's checksum of a chunk's type and body.
uint32_t PngCrc(const std::string& bytes);

// One chunk: length, type, body and its checksum.
std::string PngChunk(const std::string& type, const std::string& body);

}  // namespace yrmtest
