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
#include "testing/capture.h"
#include "testing/records.h"
#include "testing/runstates.h"
#include "testing/state.h"
#include "workfolder.h"

namespace fs = std::filesystem;

namespace {
class AutoTestEndToEnd : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    const char* build = std::getenv("YRM_BUILD_DIR");
    ASSERT_NE(build, nullptr) << "YRM_BUILD_DIR names the build folder";
    const fs::path lib = fs::path(build) / "sim" / pf::LibraryFileName("ftd2xx");
    const fs::path assets = fs::path(build) / "work-template";
    ASSERT_TRUE(fs::exists(lib)) << lib << " missing: build the simulated instrument";
    ASSERT_TRUE(fs::exists(assets / "graphics")) << assets << " missing: build the assets";
    fs::copy(assets, dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::copy_file(lib, fs::path(dir) / lib.filename());
    yrmtest::Spit("sim.txt", "component=resistor 1k\n");
    pf::test::ResetGui();
    pf::test::ResetImages();
  }
  void TearDown() override {
    if (usbopen == 1) YRM_StopConnection();
    StopPollThread();
    pf::test::RestoreClocks();
    pf::test::ResetGui();
    WorkFolder::TearDown();
  }
  static bool PumpUntil(const std::function<bool()>& done, double seconds = 10) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      MainLoopPass();
      if (done()) return true;
    }
    return false;
  }
};
}  // namespace

TEST_F(AutoTestEndToEnd, GoodBadGoodThenTheEnd) {
  pf::test::SetDelay([](int) {});
  StartUp();
  pf::test::RestoreClocks();
  ASSERT_EQ(quit, 0);
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
