// The program connected to the simulated instrument while the user edits its
// sim.txt: the probe moved to another component, the instrument falling
// silent, the cable pulled out and put back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "link/connection.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/requester.h"
#include "simprogram.h"
#include "testing/state.h"

namespace {

class LiveInstrument : public yrmtest::SimulatedProgram {
 protected:
  // Started and connected, 1 V on 1 kohm, the 1 kohm resistor of sim.txt
  // on the trace.
  void Connect() {
    Start();
    voltageset = 1000;
    resistanceset = 1000;
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    ASSERT_TRUE(PumpUntil([] { return std::abs(Peak() - 0.5f) < 0.02f; })) << "no resistor";
    pf::test::ClearAsked();
  }
  static float Peak() { return *std::max_element(livev.begin() + 1, livev.begin() + 65); }
  static std::vector<std::string> Shown() {
    std::vector<std::string> out;
    for (const auto& a : pf::test::AskedRequesters()) out.push_back(a.title + " " + a.text);
    return out;
  }
};

TEST_F(LiveInstrument, ComponentChangedInSimTxtReachesTheTraceWithinASecond) {
  Connect();
  yrmtest::Spit("sim.txt", "component=short\n");
  EXPECT_TRUE(PumpUntil([] { return Peak() < 0.02f; }, 1.0));
  yrmtest::Spit("sim.txt", "component=open\n");
  EXPECT_TRUE(PumpUntil([] { return std::abs(Peak() - 1.0f) < 0.02f; }, 1.0));
  EXPECT_EQ(usbopen, 1);
}

TEST_F(LiveInstrument, SilenceWrittenWhileConnectedEndsTheLinkByTheWatchdog) {
  Connect();
  yrmtest::Spit("sim.txt", "component=resistor 1k\nsilence=1\n");
  ASSERT_TRUE(PumpUntil([] { return usbopen == 0; }, 6));
  EXPECT_GE(pf::ElapsedMilliseconds() - lastgoodframe, 2000);
  EXPECT_TRUE(Shown().empty());
}

TEST_F(LiveInstrument, UnplugEndsTheLinkQuietlyAndConnectWorksAfterReplug) {
  Connect();
  yrmtest::Spit("sim.txt", "component=resistor 1k\nunplug\n");
  ASSERT_TRUE(PumpUntil([] { return usbopen == 0; }, 6));
  EXPECT_TRUE(Shown().empty());

  YRM_StartConnection();  // still unplugged: no device
  EXPECT_EQ(usbopen, 0);
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[0].rfind("Info #0004", 0), 0u);

  pf::test::ClearAsked();
  yrmtest::Spit("sim.txt", "component=diode\nreplug\n");
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1);
  EXPECT_TRUE(Shown().empty());
  // A diode blocks the negative half: -1 V where the resistor gave -0.5 V.
  EXPECT_TRUE(PumpUntil([] { return *std::min_element(livev.begin() + 1, livev.begin() + 65) < -0.9f; }, 3))
      << "no frames after the replug";
}

}  // namespace
