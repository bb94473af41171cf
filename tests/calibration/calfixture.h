// The calibration window against the simulated instrument: a connected
// link, the calibration state at its start values, and a program clock that
// only moves when the program waits (or the test advances it).
#pragma once
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "../link/linkfixture.h"
#include "calibration/state.h"
#include "calibration/window.h"
#include "link/connection.h"
#include "platform/tcp.h"

namespace caltest {

// Meter addresses of this process's own.
using linktest::MeterAddress;

class CalibrationTest : public linktest::LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    SetCalibrationStartValues();
    clock = 1000000;
    pf::test::SetElapsed([this] { return clock.load(); });
    // A wait moves the program clock at once. Long waits let a tenth of
    // their time pass for real; the short polls for a reply pass whole, so
    // a meter slowed by a loaded machine still answers in time.
    pf::test::SetDelay([this](int ms) {
      clock += ms;
      const int us = ms <= kRealWaitMs ? ms * 1000 : ms * 100;
      if (ms > 0) std::this_thread::sleep_for(std::chrono::microseconds(us));
    });
  }
  void TearDown() override {
    if (pf::IsWindow(kCalWindow)) pf::CloseWindow(kCalWindow);
    if (dmmconnection) pf::TcpClose(dmmconnection);
    dmmconnection = 0;
    LinkTest::TearDown();
  }

  // Connects the simulated instrument of `model` and opens the window.
  void OpenFor(const std::string& model, const std::string& sim = "") {
    Configure("model=" + model + "\n" + sim);
    activeinstrument = model;
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    pf::InitGui();
    ASSERT_TRUE(YRM_OpenCalibrationWindow());
  }

  // The window's Connect with `address` in its field; true when connected.
  bool ConnectMeter(const std::string& address) {
    pf::SetGadgetText(kDmmAddressField, address);
    Press(kDmmConnectButton);
    return dmmconnection != 0;
  }

  void Press(int g) { YRM_CalibrationAction(g); }
  std::string Field(int g) { return pf::GetGadgetText(g); }

  static constexpr int kRealWaitMs = 10;
  std::atomic<int64_t> clock{0};
};

}  // namespace caltest
