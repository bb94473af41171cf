// The DC generator of a YRM-C chosen in the ribbon, on an instrument that
// holds its DC-bias codes and on one whose codes were never calibrated.
#include <gtest/gtest.h>

#include "link/connection.h"
#include "link/state.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/ribbon.h"
#include "shell/state.h"
#include "sim/control.h"
#include "simprogram.h"

namespace {

class DcGenerator : public yrmtest::SimulatedProgram {
 protected:
  // A YRM-C program connected to a YRM-C with `sim` added to its sim.txt.
  void Connect(const std::string& sim) {
    yrmtest::Spit("YRM_settings.txt", "ActiveInstrument=YRM-C\n");
    yrmtest::Spit("sim.txt", "model=YRM-C\ncomponent=resistor 1k\n" + sim);
    Start();
    ASSERT_EQ(activeinstrument, "YRM-C");
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    pf::test::ClearAsked();
  }
  // The operator picks item `index` of a ribbon combo box.
  static void Choose(int combo, int index) {
    pf::SetGadgetState(combo, index);
    pf::test::PostGadgetEvent(kMainWindow, combo, pf::kTypeChange);
  }
  static std::vector<std::string> Shown() {
    std::vector<std::string> out;
    for (const auto& a : pf::test::AskedRequesters()) out.push_back(a.title + " " + a.text);
    return out;
  }
};

constexpr int kDc = 2, kSqrHard = 3, kLevel0V = 20;

TEST_F(DcGenerator, CalibratedGeneratorDrivesTheChosenLevel) {
  Connect("");
  Choose(kDcLevelCombo, kLevel0V);
  Choose(kDcModeCombo, kDc);
  ASSERT_TRUE(PumpUntil([] { return simctl::Register(22) == kDc; }));
  EXPECT_NEAR(simctl::Output(1), 0.0, 0.005);
  EXPECT_TRUE(Shown().empty());
}

TEST_F(DcGenerator, WithoutItsBiasCodesItStaysOffAndTheOperatorIsToldOnce) {
  Connect("cal.DCBIAS@10V=--\ncal.DCBIAS@-10V=--\n");
  Choose(kDcLevelCombo, kLevel0V);
  Choose(kDcModeCombo, kDc);
  ASSERT_TRUE(PumpUntil([] { return !pf::test::AskedRequesters().empty(); }));
  Choose(kDcModeCombo, kSqrHard);
  Pump(0.5);  // the second choice's send has reached the instrument
  EXPECT_EQ(simctl::Register(22), 0);
  EXPECT_EQ(simctl::Output(1), 0.0);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].rfind("Info #0075 The DC generator needs its DC-bias calibration", 0), 0u);
  // Connected again with the mode still chosen: off, and told again.
  YRM_StopConnection();
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1);
  EXPECT_EQ(simctl::Register(22), 0);
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1], Shown()[0]);
}

}  // namespace
