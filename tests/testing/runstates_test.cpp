#include "testing/runstates.h"

#include <gtest/gtest.h>

#include "link/state.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/capture.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
// A plan of three pins, rows 2 to 4, and a live signature of a resistor line.
class RunStatesTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    pf::test::SetDelay([](int) {});
    pf::test::ResetGui();
    pf::InitGui();
    ASSERT_TRUE(pf::OpenWindow(kMainWindow, 0, 0, 400, 300, "t", pf::kWindowSizeable));
    records = RecordTable(4, kPlanFields);
    for (int row = 2; row <= 4; ++row) {
      records.SetField(row, kFieldResult, "Untested");
      records.SetField(row, kFieldGolden, "No");
    }
    voltage = 1000, resistance = 1000, frequency = 50;
    pointcount = 64;
    line(1.0f);
    currentrecord = 2;
    stablesignaturedelay = "2 cycles";
  }
  void TearDown() override {
    pf::test::ResetGui();
    pf::test::RestoreClocks();
    WorkFolder::TearDown();
  }
  // A straight line through the origin; slope scales the current.
  void line(float slope) {
    for (int k = 1; k <= 64; ++k) {
      float v = -1.0f + 2.0f * (k - 1) / 63.0f;
      livev[k] = v;
      livei[k] = v * 0.001f * slope;
    }
    tracex = livev;  // the comparison reads the drawn trace
    tracey = livei;
  }
  void golden(int row) {
    YRM_StoreSignatureInRecord(row, 0);
    records.SetField(row, kFieldGolden, "Yes");
  }
  void lift() {
    signaturestate = 0, stablecount = 0;
    YRM_RunStateStep();
  }
  void touch() {
    signaturestate = 1, stablecount = 10;
    YRM_RunStateStep();
  }
};
}  // namespace

TEST(RunStateTexts, DelaysAndThresholds) {
  const std::pair<const char*, int> delays[] = {
      {"2 cycles", 2}, {"5 cycles", 5}, {"10 cycles", 10}, {"15 cycles", 15}, {"20 cycles", 20},
      {"7 cycles", 5}, {"", 5}};
  for (auto [text, count] : delays) EXPECT_EQ(YRM_StableDelay(text), count) << text;
  const std::pair<const char*, float> thresholds[] = {
      {"0.50%", 0.005f * 100.0f}, {"0.75%", 0.0075f * 100.0f}, {"1.00%", 0.01f * 100.0f},
      {"1.50%", 0.015f * 100.0f}, {"2.00%", 0.02f * 100.0f},   {"3.00%", 0.03f * 100.0f},
      {"4.00%", 0.04f * 100.0f},  {"5.00%", 0.05f * 100.0f},   {"9%", 0.0f}};
  for (auto [text, value] : thresholds) EXPECT_EQ(YRM_GoldenVsLiveThreshold(text), value) << text;
}

TEST_F(RunStatesTest, ToggleAutoRunPairsTheStates) {
  const std::pair<int, int> cases[] = {{1, 3}, {2, 4}, {3, 1}, {4, 2}, {7, 7}};
  for (auto [from, to] : cases) {
    runstate = from, autoteststep = 2, autocapturestep = 3;
    YRM_ToggleAutoRun();
    EXPECT_EQ(runstate, to) << from;
    EXPECT_EQ(autoteststep, from == 7 ? 2 : 0);
    EXPECT_EQ(autocapturestep, from == 7 ? 3 : 0);
  }
  YRM_RunStateStep();  // an unknown state becomes 1
  EXPECT_EQ(runstate, 1);
}

TEST_F(RunStatesTest, AutoTestJudgesGoodBadGoodThenEnds) {
  for (int row = 2; row <= 4; ++row) golden(row);
  runstate = 3;
  const float slopes[] = {1.0f, 3.0f, 1.0f};  // pin 3 is replaced by something else
  for (int row = 2; row <= 4; ++row) {
    YRM_RunStateStep();  // search
    EXPECT_EQ(currentrecord, row);
    signaturestate = 2, stablecount = 0;
    YRM_RunStateStep();  // not yet lifted
    EXPECT_EQ(autoteststep, 1);
    lift();
    EXPECT_EQ(autoteststep, 2);
    line(slopes[row - 2]);
    signaturestate = 1, stablecount = 1;
    YRM_RunStateStep();  // not stable long enough
    EXPECT_EQ(autoteststep, 2);
    touch();
    EXPECT_EQ(autoteststep, 3);
    touch();  // held: waits for the lift
    EXPECT_EQ(autoteststep, 3);
    lift();
  }
  EXPECT_EQ(records.Field(2, kFieldResult), "Good");
  EXPECT_EQ(records.Field(3, kFieldResult), "Bad");
  EXPECT_EQ(records.Field(4, kFieldResult), "Good");
  EXPECT_EQ(runstate, 1);
  EXPECT_EQ(currentrecord, 5);
}

TEST_F(RunStatesTest, AutoTestWithoutMatchingRecordReturnsToTestBoard) {
  golden(2);
  records.SetField(2, kFieldResult, "Good");
  currentrecord = 3;
  runstate = 3;
  YRM_RunStateStep();
  EXPECT_EQ(runstate, 1);
  EXPECT_EQ(currentrecord, 3);

  runstate = 3, currentrecord = 5;  // past the last row: nothing examined
  YRM_RunStateStep();
  EXPECT_EQ(runstate, 3);
  EXPECT_EQ(autoteststep, 0);
}

TEST_F(RunStatesTest, AutoTestWithScannerSkipsAnOpenPin) {
  for (int row = 2; row <= 4; ++row) golden(row);
  scansigset = 1;
  runstate = 3;
  YRM_RunStateStep();
  signaturestate = 0;
  YRM_RunStateStep();  // open and scanner: 1 to 3
  EXPECT_EQ(autoteststep, 3);
  YRM_RunStateStep();  // next row without a search
  EXPECT_EQ(autoteststep, 1);
  EXPECT_EQ(currentrecord, 3);
  EXPECT_EQ(records.Field(2, kFieldResult), "Untested");
  signaturestate = 1, stablecount = 5;
  YRM_RunStateStep();  // scanner: 1 to 2 without a lift
  EXPECT_EQ(autoteststep, 2);
  YRM_RunStateStep();
  EXPECT_EQ(records.Field(3, kFieldResult), "Good");
  YRM_RunStateStep();
  EXPECT_EQ(stablecount, 0);
  EXPECT_EQ(currentrecord, 4);
}

// A row without a golden signature is never judged: with a scanner it is
// passed over and stays Untested; a "Yes" over an empty block is no golden
// signature either.
TEST_F(RunStatesTest, AutoTestNeverJudgesARowWithoutGoldenSignature) {
  golden(2);
  records.SetField(4, kFieldGolden, "Yes");  // but no points
  scansigset = 1;
  runstate = 3;
  line(3.0f);  // nothing like the golden line of row 2
  touch();     // search: row 2
  for (int k = 0; k < 12 && runstate == 3; ++k) touch();
  EXPECT_EQ(runstate, 1);
  EXPECT_EQ(records.Field(2, kFieldResult), "Bad");
  EXPECT_EQ(records.Field(3, kFieldResult), "Untested");
  EXPECT_EQ(records.Field(4, kFieldResult), "Untested");

  // Without a scanner the search passes over the empty block.
  scansigset = 0;
  records.SetField(2, kFieldResult, "Good");
  currentrecord = 2;
  runstate = 3, autoteststep = 0;
  YRM_RunStateStep();
  EXPECT_EQ(runstate, 1);
  EXPECT_EQ(records.Field(4, kFieldResult), "Untested");
}

TEST_F(RunStatesTest, AutoCaptureFillsGoldenBlocksThenReturnsToCapture) {
  golden(3);
  runstate = 4;
  for (int round = 0; round < 2; ++round) {
    YRM_RunStateStep();
    lift();
    touch();
    EXPECT_EQ(autocapturestep, 3);
    lift();
  }
  EXPECT_EQ(records.Field(2, kFieldGolden), "Yes");
  EXPECT_EQ(records.Field(4, kFieldGolden), "Yes");
  EXPECT_EQ(records.Field(4, kGoldenBase + 31), "64");
  EXPECT_EQ(runstate, 2);
  EXPECT_EQ(flashcount, 3);
}

TEST_F(RunStatesTest, AutoCaptureOverwritesWhenAllowed) {
  for (int row = 2; row <= 4; ++row) golden(row);
  runstate = 4;
  YRM_RunStateStep();
  EXPECT_EQ(runstate, 2);  // nothing to capture
  allowsignatureoverwrite = 1;
  runstate = 4, autocapturestep = 0;
  YRM_RunStateStep();
  EXPECT_EQ(runstate, 4);
  EXPECT_EQ(currentrecord, 2);
  EXPECT_EQ(autocapturestep, 1);
}

TEST_F(RunStatesTest, AutoFreezeCycle) {
  runstate = 1;
  YRM_RunStateStep();  // off: nothing
  EXPECT_EQ(autofreezestep, 0);
  autofreeze = 1;
  touch();
  EXPECT_EQ(autofreezestep, 1);
  EXPECT_EQ(goldenv[10], livev[10]);
  lift();
  line(2.0f);
  touch();
  EXPECT_EQ(autofreezestep, 3);
  EXPECT_EQ(duti[10], livei[10]);
  EXPECT_NE(goldeni[10], duti[10]);
  lift();
  signaturestate = 2, stablecount = 0;
  YRM_RunStateStep();  // any touch clears both
  EXPECT_EQ(autofreezestep, 0);
  EXPECT_EQ(goldenv[10], 0.0f);
  EXPECT_EQ(duti[10], 0.0f);
}
