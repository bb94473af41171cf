#include "pngfile.h"

#include <QByteArray>

namespace yrmtest {
std::string Be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

uint32_t PngCrc(const std::string& bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

std::string PngChunk(const std::string& type, const std::string& body) {
  return Be32(uint32_t(body.size())) + type + body + Be32(PngCrc(type + body));
}

std::string MakePng(uint32_t w, uint32_t h, const PngMaking& making,
                    const std::function<std::vector<int>(uint32_t x, uint32_t y)>& samples) {
  // Adam7: each pass's first column and row and its steps.
  constexpr uint32_t sx[] = {0, 4, 0, 2, 0, 1, 0}, sy[] = {0, 0, 4, 0, 2, 0, 1};
  constexpr uint32_t dx[] = {8, 8, 4, 4, 2, 2, 1}, dy[] = {8, 8, 8, 4, 4, 2, 2};
  const int passes = making.interlaced ? 7 : 1;
  QByteArray raw;
  for (int p = 0; p < passes; ++p) {
    const uint32_t x0 = making.interlaced ? sx[p] : 0, y0 = making.interlaced ? sy[p] : 0;
    const uint32_t stepx = making.interlaced ? dx[p] : 1, stepy = making.interlaced ? dy[p] : 1;
    if (x0 >= w || y0 >= h) continue;  // a pass without pixels has no rows
    for (uint32_t y = y0; y < h; y += stepy) {
      raw.append('\0');  // filter: none
      uint32_t bits = 0, held = 0;
      for (uint32_t x = x0; x < w; x += stepx)
        for (int s : samples(x, y)) {
          if (making.depth == 16) {
            raw.append(char(s >> 8)), raw.append(char(s));
            continue;
          }
          bits = bits << making.depth | uint32_t(s), held += uint32_t(making.depth);
          if (held == 8) raw.append(char(bits)), bits = held = 0;
        }
      if (held) raw.append(char(bits << (8 - held)));
    }
  }
  const QByteArray z = qCompress(raw, 6).mid(4);  // a zlib stream
  const std::string ihdr = Be32(w) + Be32(h) + char(making.depth) + char(making.colour) + '\0' + '\0' +
                           char(making.interlaced ? 1 : 0);
  return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr) + making.chunks +
         PngChunk("IDAT", std::string(z.constData(), size_t(z.size()))) + PngChunk("IEND", "");
}

}  // namespace yrmtest
