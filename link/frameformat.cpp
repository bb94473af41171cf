#include "link/frameformat.h"

namespace {
void PutChecksum(uint8_t* f) {
  uint32_t sum = static_cast<uint32_t>(FrameWord(f) + FrameWord(f + 2) + FrameWord(f + 4)) + 0x5555u;
  f[6] = static_cast<uint8_t>(sum >> 8);
  f[7] = static_cast<uint8_t>(sum);
}
}  // namespace

void BuildWriteFrame(int reg, int64_t value, uint8_t* f) {
  // Each byte is the low 8 bits of a truncating signed division, so a
  // negative value is not sent in two's complement (-27015 is 00 00 97 79).
  f[0] = static_cast<uint8_t>((reg / 256) & 0xFF) | 0x80;
  f[1] = static_cast<uint8_t>(reg & 0xFF);
  f[2] = static_cast<uint8_t>((value / 16777216) & 0xFF);
  f[3] = static_cast<uint8_t>((value / 65536) & 0xFF);
  f[4] = static_cast<uint8_t>((value / 256) & 0xFF);
  f[5] = static_cast<uint8_t>(value & 0xFF);
  PutChecksum(f);
}

void BuildRequestFrame(int reg, uint8_t* f) {
  f[0] = static_cast<uint8_t>((reg / 256) & 0xFF);
  f[1] = static_cast<uint8_t>(reg & 0xFF);
  f[2] = f[3] = f[4] = f[5] = 0;
  PutChecksum(f);
}

int CarriedChecksum(const uint8_t* f) { return FrameWord(f + kFrameBytes - 2); }

int FrameChecksum(const uint8_t* f) {
  uint32_t sum = 0;
  for (int off = 0; off <= kFrameBytes - 4; off += 2) sum += static_cast<uint32_t>(FrameWord(f + off));
  return static_cast<int>(sum & 0xFFFF);
}

bool DecodeDataFrame(const uint8_t* f, DataFrame& out) {
  if (FrameChecksum(f) != CarriedChecksum(f)) return false;
  // Each sum is two words, high word first, in two's complement.
  auto sum32 = [](const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(FrameWord(p)) << 16 |
                                static_cast<uint32_t>(FrameWord(p + 2)));
  };
  out.usbRail = FrameWord(f + 2);
  out.status = FrameWord(f + 4);
  for (int i = 0; i < kFramePoints; ++i) {
    const uint8_t* p = f + 6 + 8 * i;
    out.adc0[i] = sum32(p);
    out.adc1[i] = sum32(p + 4);
  }
  return true;
}
