// The parameter block: settings into registers, and the five bursts of a send.
#include "link/params.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "link/caldata.h"
#include "link/connection.h"
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

// The DC generator is driven only with both DC-bias codes of the connected
// instrument in force: a key "--" or missing, or no calibration at all, keeps
// it off in every mode, and the operator is told once per choice of a mode
// that drives it. The rest of the calibration is sent as it stands.
TEST_F(ParamBlock, DcGeneratorWithoutItsBiasCodesStaysOff) {
  const std::string told =
      "Info #0075 The DC generator needs its DC-bias calibration and stays Off (HiZ) until then: calibrate "
      "the DCBIAS DAC at +10V and -10V in the calibration window (Utilities, Calibrate, Calibrate DAC/ADC) "
      "and store the values";
  const struct {
    const char* model;
    const char* sim;
    bool drives;  // the chosen mode reaches register 22
    int code200;  // register 4 at 200 mV
  } instruments[] = {
      {"YRM-C", "", true, 11425},
      {"YRM-C", "cal.DCBIAS@10V=--\ncal.DCBIAS@-10V=--", false, 11425},
      {"YRM-D2", "cal.DCBIAS@10V=--\ncal.DCBIAS@-10V=--", false, 11425},
      {"YRM-D", "cal.DCBIAS@-10V=--", false, 11425},
      {"YRM-C", "cal.DCBIAS@10V=-", false, 11425},  // key missing
      {"YRM-C", "eeprom=nocal", false, 0},          // text refused: no calibration in use
      {"YRM-C", "fail=FT_ReadEE@500", false, 0},    // not read
      {"YRM-A", "", true, 11425},                   // no DC generator: the mode as chosen
  };
  for (const auto& i : instruments) {
    SCOPED_TRACE(std::string(i.model) + " " + i.sim);
    Instrument(i.model, i.sim);
    dcmodeset = 0;
    dclevelset = 0;
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    EXPECT_EQ(simctl::Register(4), i.code200);
    pf::test::ClearAsked();
    auto toldCount = [&] {
      const std::vector<std::string> shown = Shown();
      return std::count(shown.begin(), shown.end(), told);
    };
    // Mode and level as the ribbon chooses them, the DC line then when the
    // generator is driven, and the times an instrument without its codes has
    // told the operator so far.
    const struct {
      int mode;
      float level;
      double volts;
      long told;
    } steps[] = {{2, 0, 0, 1}, {2, 5, 5, 1}, {3, -2.5f, -2.5, 1}, {5, 0, 0, 1},
                 {1, 0, 0, 1}, {0, 0, 0, 1}, {4, 1, 1, 2},        {2, 0, 0, 2}};
    const bool line = i.drives && std::string(i.model) != "YRM-A";
    for (const auto& s : steps) {
      SCOPED_TRACE(std::to_string(s.mode) + " at " + std::to_string(s.level) + " V");
      dcmodeset = s.mode;
      dclevelset = s.level;
      YRM_SendInstrumentParams();
      EXPECT_EQ(simctl::Register(22), i.drives ? s.mode : 0);
      EXPECT_NEAR(simctl::Output(1), line ? s.volts : 0, 0.001);
      EXPECT_EQ(toldCount(), i.drives ? 0 : s.told);
    }
    // The calibration loaded again (the next connection): told again at the
    // first send, a driving mode still chosen.
    YRM_LoadCalibration();
    YRM_SendInstrumentParams();
    EXPECT_EQ(simctl::Register(22), i.drives ? 2 : 0);
    EXPECT_EQ(toldCount(), i.drives ? 0 : 3);
  }
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
