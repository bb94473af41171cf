#include "link/frames.h"

#include <algorithm>

#include "link/d2xx.h"
#include "link/state.h"
#include "platform/clock.h"

namespace {
constexpr int kQuietMs = 25;      // the poll thread keeps still this long before a burst
constexpr int kMaxFrames = 2048;  // frames that fit the transmit buffer
// The registers that set how long the instrument samples one frame: points,
// samples per point, cycles per frame.
constexpr int kPointsRegister = 10, kSamplesRegister = 11, kCyclesRegister = 12;
}  // namespace

void YRM_WriteRegisters(int first, int count) {
  std::lock_guard<std::mutex> g(linklock);
  pf::Delay(kQuietMs);
  if (usbopen != 1) return;
  // Never past the transmit buffer or the parameter block.
  first = std::clamp(first, 0, static_cast<int>(paramblock.size()) - 1);
  count = std::clamp(count, 1, std::min(kMaxFrames, static_cast<int>(paramblock.size()) - first));
  // Every writer of the sampling registers tells the poll thread here when a
  // reply can be complete: while they change, the shorter of the old and new
  // sampling times, then the new one.
  const bool sampling = first <= kCyclesRegister && first + count > kPointsRegister;
  const int64_t ms =
      FrameSamplingMs(paramblock[kPointsRegister], paramblock[kSamplesRegister], paramblock[kCyclesRegister]);
  if (sampling) samplingms = std::min<int64_t>(samplingms, ms);
  for (int k = 0; k < count; ++k)
    BuildWriteFrame(first + k, paramblock[first + k], &txbuffer[kOutFrameBytes * k]);
  d2xx::Write(fthandle, txbuffer.data(), static_cast<uint32_t>(kOutFrameBytes * count), &ftbyteswritten);
  if (sampling) samplingms = ms;
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
