// The parameter block: settings into registers, and the five bursts of a send.
#include "link/params.h"

#include <gtest/gtest.h>

#include "linkfixture.h"

namespace {

class ParamBlock : public linktest::LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    Open();
    // Codes as a calibration would leave them.
    for (int i = 0; i < 11; ++i) {
      amplitudecode[i] = 1000 + i;
      zerocode[i] = 2000 + i;
    }
    voltage = 1000;
    resistance = 1000;
    frequency = 50;
  }
};

TEST_F(ParamBlock, OneSendIsFiveBurstsInTheirOrder) {
  YRM_SendInstrumentParams();
  auto sent = simctl::Transfers();
  ASSERT_EQ(sent.size(), 5u);
  std::vector<int> order;
  for (auto& t : sent)
    for (size_t k = 0; k < t.bytes.size(); k += 8) order.push_back((t.bytes[k] & 0x7F) << 8 | t.bytes[k + 1]);
  std::vector<int> expected = {30, 31};
  for (int r = 0; r <= 23; ++r) expected.push_back(r);
  EXPECT_EQ(order, expected);
  EXPECT_EQ(sent[1].bytes.size(), 48u);
  EXPECT_EQ(Delays(), std::vector<int>(5, 25));
  EXPECT_EQ(simctl::Counter("badframes"), 0);
  EXPECT_EQ(simctl::Register(23), 5);
}

TEST_F(ParamBlock, VoltageSelectsCodesAndRange) {
  struct Case {
    float mv;
    int64_t bit20, reg4, reg5;
  } cases[] = {
      {2000, 0x20, 1006, 2006},  {1000, 0, 1005, 2005}, {1500, 0, 1005, 2005},  // 1500 keeps them
      {10000, 0x20, 1010, 2010}, {200, 0, 1001, 2001},  {20000, 0x20, 65535, 0}, {0, 0, 1000, 2000},
  };
  for (const Case& c : cases) {
    voltage = c.mv;
    YRM_SendInstrumentParams();
    EXPECT_EQ(paramblock[1] & 0x20, c.bit20) << c.mv;
    EXPECT_EQ(paramblock[4], c.reg4) << c.mv;
    EXPECT_EQ(paramblock[5], c.reg5) << c.mv;
    EXPECT_EQ(paramblock[6], static_cast<int64_t>(c.mv));
  }
}

TEST_F(ParamBlock, FrequencyAndResistanceTables) {
  frequency = 1000;
  YRM_SendInstrumentParams();
  EXPECT_EQ((std::vector<int64_t>{paramblock[10], paramblock[11], paramblock[12], paramblock[14]}),
            (std::vector<int64_t>{64, 1, 80, 1000}));
  frequency = 75;  // not in the table: sampling stays, register 14 takes it
  YRM_SendInstrumentParams();
  EXPECT_EQ(cyclesperframe, 80);
  EXPECT_EQ(paramblock[14], 75);

  struct Case {
    const char* model;
    float ohms;
    int sourceohms;
  } cases[] = {
      {"YRM-A", 50, 1000},    {"YRM-A", 10000, 10000}, {"YRM-C", 50, 50},
      {"YRM-D2", 2000, 2000}, {"YRM-AP", 2000, 1000},  {"YRM-C", 333, 1000},
  };
  for (const Case& c : cases) {
    sourceohms = 1000;
    activeinstrument = c.model;
    resistance = c.ohms;
    YRM_SendInstrumentParams();
    EXPECT_EQ(sourceohms, c.sourceohms) << c.model << " " << c.ohms;
    EXPECT_EQ(paramblock[8], static_cast<int64_t>(c.ohms));
  }
}

TEST_F(ParamBlock, DcGeneratorAndScanner) {
  dcbiasscale = 1291.55f;
  dcbiaszero = 16282.5f;
  dclevelset = 2.5f;
  dcmodeset = 2;
  scansigset = 3;
  scancomset = 7;
  YRM_SendInstrumentParams();
  EXPECT_EQ(paramblock[20], 19511);  // 2.5 x 1291.55 + 16282.5 = 19511.375
  EXPECT_EQ(paramblock[21], 16282);  // a half goes to the even neighbour
  EXPECT_EQ(paramblock[22], 2);
  EXPECT_EQ((std::vector<int64_t>{paramblock[16], paramblock[17]}), (std::vector<int64_t>{3, 7}));
}

TEST_F(ParamBlock, UnconnectedChangesNothing) {
  YRM_CloseUsbPort();
  voltage = 2000;
  resistance = 100;
  std::vector<int64_t> before = paramblock;
  YRM_SendInstrumentParams();
  EXPECT_EQ(paramblock, before);
  EXPECT_EQ(sourceohms, 10000);
  EXPECT_TRUE(Delays().empty());
}

}  // namespace
