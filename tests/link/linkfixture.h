// A working folder with the simulated instrument installed as the driver
// library, the link at its start values and waits made instant (recorded).
#pragma once
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/connection.h"
#include "link/d2xx.h"
#include "link/device.h"
#include "link/frames.h"
#include "link/poll.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/state.h"
#include "sim/control.h"
#include "testing/state.h"
#include "workfolder.h"

namespace linktest {

// Loopback address n (1..254) of this process's own: the simulated meter and
// the test's own meters listen on port 5025, which the program always dials,
// and runs of the suite side by side must not reach each other's meters.
inline std::string MeterAddress(int n) {
  const int pid = static_cast<int>(getpid());
  return "127." + std::to_string(20 + pid % 200) + "." + std::to_string(1 + pid / 200 % 250) + "." +
         std::to_string(n);
}

// A frame made by hand: header words, 64 pairs of sums, checksum (+ error).
inline std::vector<uint8_t> HandFrame(int rail, int status, int32_t sum0, int32_t sum1, int error = 0) {
  std::vector<uint8_t> f(kFrameBytes, 0);
  auto put = [&](int off, uint32_t w) {
    f[off] = static_cast<uint8_t>(w >> 8);
    f[off + 1] = static_cast<uint8_t>(w);
  };
  put(0, 0x1234);
  put(2, static_cast<uint32_t>(rail));
  put(4, static_cast<uint32_t>(status));
  for (int i = 0; i < 64; ++i) {
    uint32_t a = static_cast<uint32_t>(sum0 + i), b = static_cast<uint32_t>(sum1 - i);
    put(6 + 8 * i, a >> 16);
    put(8 + 8 * i, a & 0xFFFF);
    put(10 + 8 * i, b >> 16);
    put(12 + 8 * i, b & 0xFFFF);
  }
  uint32_t sum = 0;
  for (int off = 0; off < kFrameBytes - 2; off += 2) sum += static_cast<uint32_t>(f[off] << 8 | f[off + 1]);
  put(kFrameBytes - 2, (sum + static_cast<uint32_t>(error)) & 0xFFFF);
  return f;
}

class LinkTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    StopPollThread();
    SetShellStartValues();
    SetTestingStartValues();
    SetLinkStartValues();
    pf::test::SetDelay([this](int ms) {
      std::lock_guard<std::mutex> g(delaysLock);
      delays.push_back(ms);
    });
    ASSERT_TRUE(simctl::Install(dir, YRM_SIM_LIBRARY));
    simctl::Reset();
  }

  void TearDown() override {
    StopPollThread();
    if (usbopen == 1) YRM_CloseUsbPort();
    pf::test::RestoreClocks();
    pf::test::ResetGui();
    WorkFolder::TearDown();
  }

  void Configure(const std::string& text) { ASSERT_EQ(simctl::Configure(text), ""); }

  // A fresh simulated instrument of `model` with the sim.txt lines `sim`, the
  // program set to the same model; a connection before is stopped.
  void Instrument(const std::string& model, const std::string& sim) {
    if (usbopen == 1) YRM_StopConnection();
    simctl::Reset();
    Configure("model=" + model + "\n" + sim);
    activeinstrument = model;
  }

  // Opens the device without the connection's identification.
  void Open() {
    YRM_OpenUsbPort(250000);
    ASSERT_EQ(usbopen, 1);
  }

  // Messages shown, as "Class #nnnn text".
  std::vector<std::string> Shown() const {
    std::vector<std::string> out;
    for (const auto& a : pf::test::AskedRequesters())
      if (a.kind == "message") out.push_back(a.title + " " + a.text);
    return out;
  }

  std::string Log() const { return yrmtest::Slurp(dir + "/log.txt"); }

  uint32_t Waiting() {
    std::lock_guard<std::mutex> g(linklock);
    ftrxbytes = 0;
    d2xx::GetStatus(fthandle, &ftrxbytes, &fttxbytes, &fteventdword);
    return ftrxbytes;
  }

  // Sends n requests and waits (real time) until their replies are readable.
  bool Request(int n = 1) {
    uint32_t before = Waiting();
    for (int k = 0; k < n; ++k) {
      std::lock_guard<std::mutex> g(linklock);
      YRM_SendRequestFrame(0);
    }
    return WaitWaiting(before + static_cast<uint32_t>(n * kFrameBytes));
  }

  bool WaitWaiting(uint32_t bytes, int timeoutMs = 1000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Waiting() < bytes) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  // One good frame through the reader, then converted.
  bool Frame() {
    if (!Request()) return false;
    YRM_ReadUsbFrames();
    return newframe.exchange(0) == 1;
  }

  // The controls the link writes: status text and push-button pictures.
  void MakeRibbonControls() {
    pf::InitGui();
    ASSERT_TRUE(pf::OpenWindow(kMainWindow, 0, 0, 400, 200, "link", pf::kWindowTitleBar));
    pf::UseGadgetList(kMainWindow);
    pf::TextGadget(253, 0, 0, 200, 20, "--");
    pf::ButtonImageGadget(588, 0, 30, 23, 23, 839);
    pf::ButtonImageGadget(589, 30, 30, 23, 23, 841);
  }

  std::vector<int> Delays() {
    std::lock_guard<std::mutex> g(delaysLock);
    return delays;
  }

  std::mutex delaysLock;
  std::vector<int> delays;
};

// Bytes as "80 06 00 00 03 E8 D9 43".
inline std::string Hex(const uint8_t* p, size_t n) {
  std::string s;
  char b[4];
  for (size_t k = 0; k < n; ++k) {
    std::snprintf(b, sizeof b, k ? " %02X" : "%02X", p[k]);
    s += b;
  }
  return s;
}
inline std::string Hex(const std::vector<uint8_t>& v) { return Hex(v.data(), v.size()); }

}  // namespace linktest
