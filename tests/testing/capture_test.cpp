#include "testing/capture.h"

#include <gtest/gtest.h>

#include "link/state.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/records.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {
constexpr int kEditCaptureBox = 606;

// A plan of three pins; a live signature of a line; the capture check box.
class CaptureTest : public yrmtest::WorkFolder {
 protected:
  void SetUp() override {
    WorkFolder::SetUp();
    SetStartValues();
    pf::test::SetDelay([](int) {});
    pf::test::ResetGui();
    pf::InitGui();
    ASSERT_TRUE(pf::OpenWindow(kMainWindow, 0, 0, 400, 300, "t", pf::kWindowSizeable));
    pf::CheckBoxGadget(kEditCaptureBox, 0, 0, 100, 20, "Edit/Capture signature");
    records = RecordTable(4, kPlanFields);
    for (int row = 2; row <= 4; ++row) records.SetField(row, kFieldResult, "Untested");
    voltage = 1000, resistance = 1000, frequency = 50;
    pointcount = 64;
    for (int k = 1; k <= 64; ++k) livev[k] = 0.5f, livei[k] = 0.000012f;
    currentrecord = 2;
  }
  void TearDown() override {
    usbopen = 0;
    pf::test::ResetGui();
    pf::test::RestoreClocks();
    WorkFolder::TearDown();
  }
  void golden(bool on) { pf::SetGadgetState(kEditCaptureBox, on ? 1 : 0); }
};
}  // namespace

TEST_F(CaptureTest, GoodStoresTheDutBlockAndAdvances) {
  YRM_CaptureGood();
  EXPECT_EQ(records.Field(2, kFieldResult), "Good");
  EXPECT_EQ(currentrecord, 3);
  const std::pair<int, const char*> block[] = {
      {kDutBase + 1, "2"},    {kDutBase + 2, "1000"},     {kDutBase + 3, "mVpk"}, {kDutBase + 4, "1000"},
      {kDutBase + 5, "ohms"}, {kDutBase + 6, "50"},       {kDutBase + 7, "Hz"},   {kDutBase + 31, "64"},
      {kDutBase + 32, "0.5"}, {kDutBase + 33, "0.000012"}};
  for (auto [field, text] : block) EXPECT_EQ(records.Field(2, field), text) << field;
  EXPECT_EQ(records.Field(2, kFieldGolden), "");  // the golden block is untouched

  currentrecord = 4;  // the last row: stored, and it stays the current one
  YRM_CaptureBad();
  EXPECT_EQ(records.Field(4, kFieldResult), "Bad");
  EXPECT_EQ(currentrecord, 4);
}

TEST_F(CaptureTest, ModesAndTheCaptureBox) {
  mode = "Basic";
  YRM_CaptureGood();
  EXPECT_EQ(records.Field(2, kFieldResult), "Untested");
  YRM_CaptureBad();  // BAD works in every mode
  EXPECT_EQ(records.Field(2, kFieldResult), "Bad");

  mode = "Advanced";
  golden(true);
  currentrecord = 3;
  YRM_CaptureBad();  // nothing while capturing golden signatures
  EXPECT_EQ(records.Field(3, kFieldResult), "Untested");
  YRM_CaptureGood();  // not connected
  EXPECT_EQ(currentrecord, 3);
  EXPECT_EQ(records.Field(3, kFieldGolden), "");
  ASSERT_EQ(pf::test::AskedRequesters().size(), 1u);
  EXPECT_EQ(pf::test::AskedRequesters()[0].title, "Info #0054");
}

TEST_F(CaptureTest, GoldenCaptureOnTheHeaderRow) {
  golden(true);
  usbopen = 1;
  currentrecord = 1;
  YRM_CaptureGood();
  EXPECT_EQ(records.Field(1, kGoldenBase + 2), "1000");
  EXPECT_EQ(records.Field(1, kFieldGolden), "Yes");
  EXPECT_EQ(currentrecord, 2);
  EXPECT_EQ(flashcount, 3);
  EXPECT_EQ(fullredraw, 1);
}

TEST_F(CaptureTest, ResetAsksAndKeepsSignatures) {
  records.SetField(3, kFieldResult, "NoTest");
  records.SetField(4, kFieldResult, "Bad");
  records.SetField(4, kFieldGolden, "Yes");
  records.SetField(4, kDutBase + 2, "1000");
  currentrecord = 4;
  pf::test::QueueAnswer(pf::kResultNo);
  YRM_AskResetAllResults();
  EXPECT_EQ(records.Field(4, kFieldResult), "Bad");
  EXPECT_EQ(currentrecord, 4);
  ASSERT_EQ(pf::test::AskedRequesters().size(), 1u);
  EXPECT_EQ(pf::test::AskedRequesters()[0].title, "RESET ALL TEST RESULTS");
  EXPECT_EQ(pf::test::AskedRequesters()[0].text, "Do you want to reset all test results?");

  pf::test::QueueAnswer(pf::kResultYes);
  YRM_AskResetAllResults();
  for (int row = 2; row <= 4; ++row) EXPECT_EQ(records.Field(row, kFieldResult), "Untested") << row;
  EXPECT_EQ(records.Field(4, kFieldGolden), "Yes");
  EXPECT_EQ(records.Field(4, kDutBase + 2), "1000");
  EXPECT_EQ(currentrecord, 2);
}

TEST(SignatureBlockText, SettingsRoundTiesToEven) {
  records = RecordTable(2, kPlanFields);
  Signature v{}, i{};
  WriteSignatureBlock(2, kGoldenBase, 1000.5f, 2.5f, 49.5f, v, i, 0);
  EXPECT_EQ(records.Field(2, kGoldenBase + 2), "1000");
  EXPECT_EQ(records.Field(2, kGoldenBase + 4), "2");
  EXPECT_EQ(records.Field(2, kGoldenBase + 6), "50");
}
