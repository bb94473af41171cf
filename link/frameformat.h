// The wire format as pure functions over bytes: register write frames and
// request frames to the instrument, data frames from it, their checksums,
// and the line times that follow from the frame sizes and the baud rate.
#pragma once
#include <array>
#include <cstdint>

// ---- the line -----------------------------------------------------------
constexpr int kLinkBaud = 250000;
constexpr int kLineBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr int kOutFrameBytes = 8;     // write and request frames
constexpr int kFrameBytes = 520;      // data frames
constexpr int kFramePoints = 64;      // sample pairs in a data frame

// The instrument samples at this rate whatever the frequency.
constexpr int kSamplesPerSecond = 64000;
// Whole milliseconds a frame of `points` x `samples` x `cycles` samples takes
// to sample, rounded down.
constexpr int64_t FrameSamplingMs(int64_t points, int64_t samples, int64_t cycles) {
  const int64_t n = points * samples * cycles;
  return n > 0 ? n * 1000 / kSamplesPerSecond : 0;
}
// Whole milliseconds `bytes` take to cross the line, rounded down or up.
constexpr int LineMsFloor(int bytes, int baud = kLinkBaud) {
  return static_cast<int>(int64_t{bytes} * kLineBitsPerByte * 1000 / baud);
}
constexpr int LineMsCeil(int bytes, int baud = kLinkBaud) {
  return static_cast<int>((int64_t{bytes} * kLineBitsPerByte * 1000 + baud - 1) / baud);
}
// A request's 8 bytes and its reply's 520 take 21.12 ms on the line: no reply
// is complete sooner than these whole 21 ms (plus its sampling) after its request.
constexpr int kRequestReplyLineMs = LineMsFloor(kOutFrameBytes + kFrameBytes);

// ---- frames to the instrument -----------------------------------------
// Builds the 8-byte write frame of register `reg` holding `value`.
void BuildWriteFrame(int reg, int64_t value, uint8_t* out);
// Builds the 8-byte request frame of register `reg`.
void BuildRequestFrame(int reg, uint8_t* out);

// ---- data frames from the instrument -----------------------------------
// A word of the wire: two bytes, high byte first.
constexpr int FrameWord(const uint8_t* p) { return p[0] << 8 | p[1]; }
// The checksum a data frame carries in its last word, and the one its other
// words add up to (low 16 bits).
int CarriedChecksum(const uint8_t* frame);
int FrameChecksum(const uint8_t* frame);

struct DataFrame {
  int usbRail;                                   // USB supply in counts
  int status;                                    // bit 0 button A, bit 1 button B
  std::array<int32_t, kFramePoints> adc0, adc1;  // the signed sums of each point
};
// Unpacks the kFrameBytes of `frame`; false (and `out` untouched) when its
// checksum does not hold.
bool DecodeDataFrame(const uint8_t* frame, DataFrame& out);
