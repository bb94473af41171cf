#include "link/frames.h"

#include <algorithm>

#include "link/d2xx.h"
#include "link/state.h"
#include "platform/clock.h"

namespace {
constexpr int kQuietMs = 25;        // the poll thread keeps still this long before a burst
constexpr int kMaxFrames = 2048;    // frames that fit the transmit buffer

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
    return static_cast<int32_t>(static_cast<uint32_t>(FrameWord(p)) << 16 | static_cast<uint32_t>(FrameWord(p + 2)));
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

void YRM_WriteRegisters(int first, int count) {
  std::lock_guard<std::mutex> g(linklock);
  pf::Delay(kQuietMs);
  if (usbopen != 1) return;
  // Never past the transmit buffer or the parameter block.
  first = std::clamp(first, 0, static_cast<int>(paramblock.size()) - 1);
  count = std::clamp(count, 1, std::min(kMaxFrames, static_cast<int>(paramblock.size()) - first));
  for (int k = 0; k < count; ++k)
    BuildWriteFrame(first + k, paramblock[first + k], &txbuffer[kOutFrameBytes * k]);
  d2xx::Write(fthandle, txbuffer.data(), static_cast<uint32_t>(kOutFrameBytes * count), &ftbyteswritten);
}

void YRM_SendRequestFrame(int reg) {
  if (usbopen != 1) return;
  BuildRequestFrame(reg, txbuffer.data());
  d2xx::Write(fthandle, txbuffer.data(), kOutFrameBytes, &ftbyteswritten);
}

void YRM_PollInstrument(int interval) {
  // An idle pass reads only the flag and the clock; the lock is taken to send.
  if (usbopen != 1) return;
  int64_t now = pf::ElapsedMilliseconds();
  if (now < lastrequest + interval) return;
  std::lock_guard<std::mutex> g(linklock);
  // Again under the lock: a burst may have held it, and the calibration
  // window polls too (one request per interval between both).
  now = pf::ElapsedMilliseconds();
  if (usbopen != 1 || now < lastrequest + interval) return;
  lastrequest = now;
  YRM_SendRequestFrame(0);
}
