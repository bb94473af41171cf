// Auto test end to end: a plan of three pins with golden signatures of a
// resistor, judged against the simulated instrument with one pin replaced by
// a diode.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "link/connection.h"
#include "link/poll.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/driverlib.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "sim/control.h"
#include "simprogram.h"
#include "testing/capture.h"
#include "testing/records.h"
#include "testing/runstates.h"
#include "testing/state.h"

namespace fs = std::filesystem;

namespace {
class AutoTestEndToEnd : public yrmtest::SimulatedProgram {};
}  // namespace

TEST_F(AutoTestEndToEnd, GoodBadGoodThenTheEnd) {
  Start();
  voltageset = 1000;
  resistanceset = 1000;
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1) << "the simulated instrument did not connect";
  stablesignaturedelay = "2 cycles";
  ASSERT_TRUE(PumpUntil([] { return signaturestate == 1 && stablecount >= 3; }, 20)) << "no stable resistor";

  records = RecordTable(4, kPlanFields);
  for (int row = 2; row <= 4; ++row) {
    records.SetField(row, kFieldResult, "Untested");
    YRM_StoreSignatureInRecord(row, 0);
    records.SetField(row, kFieldGolden, "Yes");
  }
  currentrecord = 2;
  runstate = 1;
  YRM_ToggleAutoRun();
  ASSERT_EQ(runstate, 3);

  const char* parts[] = {"component=resistor 1k", "component=diode", "component=resistor 1k"};
  for (int row = 2; row <= 4; ++row) {
    ASSERT_EQ(simctl::Configure("component=open"), "");
    ASSERT_TRUE(PumpUntil([&] { return currentrecord == row && autoteststep == 2; })) << "row " << row;
    ASSERT_EQ(simctl::Configure(parts[row - 2]), "");
    ASSERT_TRUE(PumpUntil([&] { return records.Field(row, kFieldResult) != "Untested"; })) << "row " << row;
  }
  ASSERT_EQ(simctl::Configure("component=open"), "");
  ASSERT_TRUE(PumpUntil([] { return runstate == 1; })) << "the plan did not end";
  EXPECT_EQ(records.Field(2, kFieldResult), "Good");
  EXPECT_EQ(records.Field(3, kFieldResult), "Bad");
  EXPECT_EQ(records.Field(4, kFieldResult), "Good");
}
