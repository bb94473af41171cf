// The instrument's push button A, set to GOOD/CAPTURE, pressed once on the
// simulated instrument: exactly one record is judged.
#include <gtest/gtest.h>

#include "link/connection.h"
#include "link/state.h"
#include "platform/gui.h"
#include "shell/refresh.h"
#include "shell/ribbon.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "simprogram.h"
#include "testing/records.h"
#include "testing/state.h"

namespace {
class PushButtonEndToEnd : public yrmtest::SimulatedProgram {};
}  // namespace

TEST_F(PushButtonEndToEnd, OnePressOfGoodJudgesOneRecord) {
  Start();
  mode = "Advanced";
  records = RecordTable(5, kPlanFields);
  for (int row = 2; row <= 5; ++row) records.SetField(row, kFieldResult, "Untested");
  currentrecord = 2;
  pf::SetGadgetState(kButtonAFunctionCombo, 10);   // "A= GOOD/CAPTURE"
  YRM_RefreshMainWindow();
  // Held from 300 ms to 900 ms after the device opens, once.
  yrmtest::Spit("sim.txt", "component=resistor 1k\nbuttonscript=0 none; 300 A; 900 none\nbuttonperiod=1000000\n");
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1) << "the simulated instrument did not connect";
  ASSERT_TRUE(PumpUntil([] { return records.Field(2, kFieldResult) != "Untested"; })) << "no press seen";
  // Held on well past the release: still one record.
  PumpUntil([] { return records.Field(3, kFieldResult) != "Untested"; }, 1.5);
  EXPECT_EQ(records.Field(2, kFieldResult), "Good");
  EXPECT_EQ(records.Field(3, kFieldResult), "Untested");
  EXPECT_EQ(currentrecord, 3);
  EXPECT_EQ(BlockPointCount(2, kDutBase), 64);
}
