// The instrument's push button A, set to GOOD/CAPTURE, pressed and held on the
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
  pf::SetGadgetState(kButtonAFunctionCombo, 10);  // "A= GOOD/CAPTURE"
  YRM_RefreshMainWindow();
  yrmtest::Spit("sim.txt", "component=resistor 1k\n");
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1) << "the simulated instrument did not connect";
  ASSERT_TRUE(PumpUntil([] { return pf::GetGadgetText(kUsbStatusText).rfind("USB rail:", 0) == 0; }))
      << "no frame arrived";
  // Button A pressed on the running instrument and held well past the first
  // judgement: still one record.
  yrmtest::Spit("sim.txt", "component=resistor 1k\nbuttons=A\n");
  ASSERT_TRUE(PumpUntil([] { return records.Field(2, kFieldResult) != "Untested"; })) << "no press seen";
  PumpUntil([] { return records.Field(3, kFieldResult) != "Untested"; }, 1.5);
  EXPECT_EQ(records.Field(2, kFieldResult), "Good");
  EXPECT_EQ(records.Field(3, kFieldResult), "Untested");
  EXPECT_EQ(currentrecord, 3);
  EXPECT_EQ(BlockPointCount(2, kDutBase), 64);
}
