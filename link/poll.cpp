#include "link/poll.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>

#include "link/connection.h"
#include "link/d2xx.h"
#include "link/frames.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/faulthook.h"
#include "platform/gui.h"
#include "shell/ribbon.h"

void StopConnectionByWatchdog();  // connection.cpp

namespace {
constexpr int kLinkTimeoutMs = 2000;
// A reply cannot be complete before its request has crossed the line, its
// samples are taken (samplingms) and its own bytes have crossed back: 8 + 520
// bytes, 21.12 ms at 250000 baud, of which the whole 21 ms count (a look at
// 20 ms could never find it). The thread looks every 1 ms from then on.
constexpr int kReplyEarliestMs = kRequestReplyLineMs;
// Nothing is due sooner than the next request; while not connected nothing is
// due at all (an opening wakes the thread), so the wait only bounds a sleep.
constexpr int kLongestWaitMs = kPollIntervalMs;
constexpr int kIdleWaitMs = 1000;

std::mutex wakeLock;
std::condition_variable wake;
bool woken = false;

void ReadFramesLocked();
}  // namespace

void YRM_ReadUsbFrames() {
  if (usbopen != 1) return;
  ReadFramesLocked();
  if (newframe == 1) pf::WakeWindowEvent();  // the main step takes it at once (outside the lock)
}

namespace {
void ReadFramesLocked() {
  std::lock_guard<std::mutex> g(linklock);
  if (usbopen != 1) return;
  ftrxbytes = 0;
  d2xx::GetStatus(fthandle, &ftrxbytes, &fttxbytes, &fteventdword);
  int64_t n = ftrxbytes;
  if (n >= kFrameBytes) lastframeread = pf::ElapsedMilliseconds();
  while (n >= kFrameBytes) {
    ftbytesread = 0;
    d2xx::Read(fthandle, rxbuffer.data(), kFrameBytes, &ftbytesread);
    n -= kFrameBytes;
    // A read may deliver less than was waiting: the rest of the frame is
    // read at once, or every later frame would be out of step.
    uint32_t got = std::min<uint32_t>(ftbytesread, kFrameBytes);
    while (got < kFrameBytes && ftbytesread > 0) {
      ftbytesread = 0;
      d2xx::Read(fthandle, rxbuffer.data() + got, kFrameBytes - got, &ftbytesread);
      got += std::min<uint32_t>(ftbytesread, kFrameBytes - got);
    }
    // A read that did not deliver a whole frame must not pass off the old
    // buffer content as a new frame.
    if (got != kFrameBytes) break;
    DataFrame frame;
    if (DecodeDataFrame(rxbuffer.data(), frame)) {
      usbrailraw = frame.usbRail;
      instrumentstatus = frame.status;
      for (int i = 1; i <= kFramePoints; ++i) {
        adc0samples[i] = frame.adc0[i - 1];
        adc1samples[i] = frame.adc1[i - 1];
      }
      lastgoodframe = lastgoodread = pf::ElapsedMilliseconds();
      newframe = 1;
    } else {
      char text[32];
      std::snprintf(text, sizeof text, "USB error: $%04X", CarriedChecksum(rxbuffer.data()));
      pf::SetGadgetText(kUsbStatusText, text);
      newframe = 0;
    }
  }
  rxpartial = static_cast<int>(std::max<int64_t>(n, 0));
}
}  // namespace

void YRM_CheckLinkTimeout() {
  if (usbopen == 1 && pf::ElapsedMilliseconds() > lastgoodframe + kLinkTimeoutMs) {
    StopConnectionByWatchdog();
    pf::WakeWindowEvent();  // the indicator shows the link down at once
  }
}

int NextPollDelay() {
  if (usbopen != 1) return kIdleWaitMs;  // an opening wakes the thread
  if (rxpartial > 0) return 1;           // a frame is arriving
  const int64_t now = pf::ElapsedMilliseconds();
  // The earliest of the next request, the watchdog's stop and, while a reply
  // is due, the first moment it can be complete.
  int64_t next = std::min(lastrequest + kPollIntervalMs, lastgoodframe + kLinkTimeoutMs + 1);
  if (lastframeread <= lastrequest) next = std::min(next, lastrequest + samplingms + kReplyEarliestMs);
  return static_cast<int>(std::clamp<int64_t>(next - now, 1, kLongestWaitMs));
}

void WakePollThread() {
  {
    std::lock_guard<std::mutex> g(wakeLock);
    woken = true;
  }
  wake.notify_all();
}

void YRM_WorkerThread() {
  pf::PrepareFaultStack();
  int delay = 1;
  while (workerstop == 0) {
    // Waits 1 ms while anything may be arriving, longer while nothing can:
    // the requests, the reading within 1 ms of a frame's arrival and the
    // watchdog keep their times without a thousand wake-ups a second.
    {
      std::unique_lock<std::mutex> g(wakeLock);
      const bool opened =
          wake.wait_for(g, std::chrono::milliseconds(delay), [] { return woken || workerstop != 0; });
      woken = false;
      // Woken by an opening: the pass still begins with its 1 ms wait, so the
      // connection start, which goes on at once, takes the link first as it
      // did when the thread woke every millisecond.
      if (opened && workerstop == 0)
        wake.wait_for(g, std::chrono::milliseconds(1), [] { return workerstop != 0; });
    }
    YRM_PollInstrument(kPollIntervalMs);
    YRM_CheckLinkTimeout();
    YRM_ReadUsbFrames();
    delay = NextPollDelay();
  }
}

void StartPollThread() {
  if (workerthread.joinable()) return;  // already running
  workerstop = 0;
  workerthread = std::thread(YRM_WorkerThread);
}

bool PollThreadRunning() { return workerthread.joinable() && workerstop == 0; }

void StopPollThread() {
  workerstop = 1;
  WakePollThread();
  if (workerthread.joinable()) workerthread.join();
}
