// The data-frame reader on whatever the receive queue holds: the first two
// input bytes say how many bytes more the converter claims than it delivers,
// the rest is the queue. A frame is taken only when its checksum holds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/check.h"
#include "fuzz/link_stubs.h"
#include "link/poll.h"
#include "link/state.h"

namespace {
int Word(const std::string& s, size_t at) { return uint8_t(s[at]) << 8 | uint8_t(s[at + 1]); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = [] {
    SetLinkStartValues();
    return true;
  }();
  (void)started;
  if (size < 2) return 0;
  fuzzlink::claimedExtra = (size_t(data[0]) << 8 | data[1]) % 2000;
  fuzzlink::queue.assign(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string sent = fuzzlink::queue;
  newframe = 0;
  usbopen = 1;
  YRM_ReadUsbFrames();
  usbopen = 0;

  const size_t whole = sent.size() / kFrameBytes;
  Check(rxpartial >= 0 && rxpartial < kFrameBytes + 2000, "partial count in range");
  if (fuzzlink::claimedExtra == 0) {
    Check(fuzzlink::queue.size() == sent.size() % kFrameBytes, "whole frames read, the rest left");
    Check(rxpartial == int(sent.size() % kFrameBytes), "the rest is the partial frame");
  }
  if (newframe == 1) {
    // The last whole frame read holds; its samples are the ones shown.
    Check(whole > 0, "a frame needs its 520 bytes");
    const size_t at = (sent.size() - fuzzlink::queue.size()) / kFrameBytes * kFrameBytes - kFrameBytes;
    uint32_t sum = 0;
    for (size_t off = 0; off <= kFrameBytes - 4; off += 2) sum += uint32_t(Word(sent, at + off));
    Check((sum & 0xFFFF) == uint32_t(Word(sent, at + kFrameBytes - 2)), "checksum of the frame taken");
    Check(instrumentstatus == Word(sent, at + 4), "status from the frame taken");
  }
  return 0;
}
