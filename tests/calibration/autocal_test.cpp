// The automatic calibration sequence: its arithmetic, and whole runs against
// the simulated instrument and its bench meter with a fast program clock.
#include "calibration/autocal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "calfixture.h"
#include "calibration/dmm.h"
#include "platform/sound.h"
#include "scriptedmeter.h"
#include "shell/menucommands.h"

namespace {

TEST(AutoCalibration, CalculationDrawsLinesThroughTheMeasurements) {
  SetCalibrationStartValues();
  measured10 = 10.1, measuredm10 = -9.9, codeat10 = 28945, codeatm10 = -27015;
  measured1 = 1.004, measuredm1 = -0.996, codeat1 = 29550, codeatm1 = -27575;
  ASSERT_TRUE(YRM_CalibrationCalculate());
  EXPECT_EQ(calcode[kRowDac10], 28665);  // slope 2798 codes a volt
  EXPECT_EQ(calcode[kRowDacM10], -27295);
  EXPECT_EQ(calcode[kRowDac1], 29436);  // slope 28562.5, offset 873.25
  EXPECT_EQ(calcode[kRowDacM1], -27689);
  EXPECT_EQ(calcode[kRowDac0], 873);
  // A half rounds away from zero: offset 986.5 gives 987.
  measured1 = 1, measuredm1 = -1, codeat1 = 29548, codeatm1 = -27575;
  ASSERT_TRUE(YRM_CalibrationCalculate());
  EXPECT_EQ(calcode[kRowDac0], 987);

  // A line that asks for a code the 16-bit DAC has not (an output 25 % low
  // at +10 V) would wrap: codes kept.
  measured10 = 7.5, measuredm10 = -7.5;
  calcode.fill(7);
  EXPECT_FALSE(YRM_CalibrationCalculate());
  EXPECT_EQ(calcode[kRowDac10], 7);
  measured10 = 10.1, measuredm10 = -9.9;

  // Equal readings (a meter that never answered) give no line: codes kept.
  measuredm1 = measured1;
  calcode.fill(7);
  EXPECT_FALSE(YRM_CalibrationCalculate());
  EXPECT_EQ(calcode[kRowDac0], 7);
}

TEST(AutoCalibration, ZeroingStepsByTheReading) {
  struct Case {
    double volts;
    int change;
  } cases[] = {
      {0.0021, -32}, {0.002, -8}, {0.001, -8}, {0.00099, -1}, {0.0, -1},
      {-0.0001, 1},  {-0.001, 8}, {-0.002, 8}, {-0.0021, 32},
  };
  for (const Case& c : cases) EXPECT_EQ(ZeroingChange(c.volts), c.change) << c.volts;
}

class AutoRun : public caltest::CalibrationTest {
 protected:
  // Opens the window for YRM-A with the bench meter at meter address n.
  void OpenWithMeter(int n) { OpenFor("YRM-A", "meter=" + caltest::MeterAddress(n) + "\nmeternoise=0.02"); }
  // The same, connected.
  void Start(int n) {
    OpenWithMeter(n);
    ASSERT_TRUE(ConnectMeter(caltest::MeterAddress(n)));
  }
  // Loop passes, the program clock 50 ms further each, until `done`.
  bool RunUntil(const std::function<bool()>& done, int passes = 20000) {
    for (int i = 0; i < passes; ++i) {
      if (done()) return true;
      clock += 50;
      if (!YRM_CalibrationPass()) return false;
    }
    return done();
  }
};

TEST_F(AutoRun, CorrectsTheDacErrorAndTheNextConnectionUsesTheCodes) {
  ASSERT_TRUE(pf::LoadSound(kEndSound, YRM_END_SOUND));
  ASSERT_NO_FATAL_FAILURE(Start(20));
  const int played = pf::test::PlayCount(kEndSound);
  Press(kGoButton);
  EXPECT_EQ(Field(kGoButton), "Stop!");
  ASSERT_TRUE(RunUntil([] { return calstep == 31; }));
  EXPECT_EQ(calpasses, 0);
  ASSERT_TRUE(RunUntil([] { return calstep == 0; }));
  EXPECT_EQ(Field(kGoButton), "Go!");
  EXPECT_EQ(Field(kStatusField), "0: idle");
  EXPECT_EQ(pf::test::PlayCount(kEndSound), played + 1);

  // The file holds the new codes, and the EEPROM the file.
  const std::string file = yrmtest::Slurp("YRM_cal.txt");
  const int rows[] = {kRowDac10, kRowDac1, kRowDac0, kRowDacM1, kRowDacM10};
  const char* keys[] = {"DAC@10V=", "DAC@1V=", "DAC@0V=", "DAC@-1V=", "DAC@-10V="};
  for (int k = 0; k < 5; ++k)
    EXPECT_NE(file.find(keys[k] + std::to_string(calcode[rows[k]]) + "\r\n"), std::string::npos) << keys[k];
  EXPECT_NE(calcode[kRowDac10], 28945);  // the simulated DAC is off by default
  EXPECT_EQ(simctl::EepromWord(128), static_cast<uint8_t>(file[0]) | static_cast<uint8_t>(file[1]) << 8);
  EXPECT_EQ(simctl::EepromWord(128 + static_cast<int>(file.size()) / 2 - 1),
            static_cast<uint8_t>(file[file.size() / 2 * 2 - 2]) |
                static_cast<uint8_t>(file[file.size() / 2 * 2 - 1]) << 8);

  // With those codes the output is within 2 mV of each level.
  const struct {
    int set;
    double volts;
  } levels[] = {{462, 10}, {464, 1}, {466, 0}, {465, -1}, {463, -10}};
  for (auto l : levels) {
    Press(l.set);
    EXPECT_NEAR(simctl::Output(0), l.volts, 0.002) << l.volts;
  }

  // Closing disconnects; the next connection derives its codes from them.
  const int dac10 = calcode[kRowDac10], dacm10 = calcode[kRowDacM10], dac0 = calcode[kRowDac0];
  pf::test::PostWindowEvent(kCalWindow, pf::kEventCloseWindow);
  EXPECT_FALSE(YRM_CalibrationPass());
  ASSERT_EQ(usbopen, 0);
  std::remove("YRM_cal.txt");
  voltage = 10000;
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1);
  EXPECT_EQ(amplitudecode[10], dac10 - dacm10);
  EXPECT_EQ(zerocode[0], dac0);
  EXPECT_EQ(simctl::Register(5), dac0);
}

// The instrument's calibration as it stands: file and EEPROM area.
struct Stored {
  std::string file;
  std::vector<int> words;
  bool operator==(const Stored&) const = default;
};
Stored StoredNow() {
  Stored s{yrmtest::Slurp("YRM_cal.txt"), {}};
  for (int w = 128; w <= 1023; ++w) s.words.push_back(simctl::EepromWord(w));
  return s;
}

// A reading that does not come, or comes as no reading (the overload reply),
// stops the run where it is: the previous level's reading must not stand in.
TEST_F(AutoRun, AMissedOrOverloadReadingStopsWithoutStoring) {
  const struct {
    const char* fault;
    int address;
  } cases[] = {{"noreply", 10}, {"exponent", 11}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    simctl::Reset();
    const std::string address = caltest::MeterAddress(c.address);
    OpenFor("YRM-A", "meter=" + address);
    ASSERT_TRUE(ConnectMeter(address));
    const Stored before = StoredNow();
    Press(kGoButton);
    ASSERT_TRUE(RunUntil([] { return calstep == 20; }));  // step 20 reads the +1 V output
    Configure(std::string("meterfault=") + c.fault);
    ASSERT_TRUE(RunUntil([] { return calstep == 0; }));
    EXPECT_EQ(Field(kStatusField), "20: no valid reading from the DMM - calibration stopped");
    EXPECT_EQ(Field(kGoButton), "Go!");
    EXPECT_EQ(simctl::Counter("eewrites"), 0);
    EXPECT_TRUE(StoredNow() == before);
    pf::CloseWindow(kCalWindow);
    pf::TcpClose(dmmconnection);
    dmmconnection = 0;
    YRM_CloseUsbPort();
  }
}

// A meter on another output (another instrument's, a wrong socket) gives
// readings that differ but are nowhere near the levels set.
TEST_F(AutoRun, AMeterOnAnotherOutputStopsWithoutStoring) {
  const std::string address = caltest::MeterAddress(13);
  caltest::ScriptedMeter meter(address);
  ASSERT_TRUE(meter.ok());
  meter.ReplyEach([](int n) { return "-1." + std::to_string(10 + n) + "000000E-01\n"; });
  OpenFor("YRM-A");
  ASSERT_TRUE(ConnectMeter(address));
  const Stored before = StoredNow();
  Press(kGoButton);
  ASSERT_TRUE(RunUntil([] { return calstep == 0; }));
  EXPECT_EQ(Field(kStatusField), "5: DMM reads -0.11 V at +10V - check the DMM wiring; calibration stopped");
  EXPECT_EQ(simctl::Counter("eewrites"), 0);
  EXPECT_TRUE(StoredNow() == before);
}

// The sequence measures no DC bias: a run on a model with the DC generator
// keeps the bias codes the window read from the instrument, numbers or the
// "--" of a bias never calibrated, and ends in a normal Store.
TEST_F(AutoRun, RunOnADcModelKeepsTheDcBiasCodes) {
  const struct {
    const char* model;
    const char* sim;
    const char* bias;  // the DC-bias lines stored
    float scale;       // dcbiasscale at the next connection
  } cases[] = {
      {"YRM-C", "", "\r\nDCBIAS@10V=29198\r\nDCBIAS@-10V=3367\r\n", (29198 - 3367) / 20.0f},
      {"YRM-C", "cal.DCBIAS@10V=--\ncal.DCBIAS@-10V=--", "\r\nDCBIAS@10V=--\r\nDCBIAS@-10V=--\r\n", 0},
  };
  int n = 30;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.sim);
    simctl::Reset();
    const std::string address = caltest::MeterAddress(n++);
    OpenFor(c.model, "meter=" + address + "\nmeternoise=0.02\n" + c.sim);
    ASSERT_TRUE(ConnectMeter(address));
    const size_t shown = Shown().size();
    Press(kGoButton);
    ASSERT_TRUE(RunUntil([] { return calstep == 0; }));
    EXPECT_EQ(Field(kStatusField), "0: idle");
    EXPECT_EQ(Shown().size(), shown);
    const std::string file = yrmtest::Slurp("YRM_cal.txt");
    EXPECT_NE(file.find(c.bias), std::string::npos) << file;
    EXPECT_NE(file.find("DAC@1V=" + std::to_string(calcode[kRowDac1]) + "\r\n"), std::string::npos) << file;
    const Stored now = StoredNow();
    for (size_t k = 0; k < now.words.size(); ++k) {
      const size_t b = 2 * k;
      const int lo = b < file.size() ? static_cast<uint8_t>(file[b]) : 0;
      const int hi = b + 1 < file.size() ? static_cast<uint8_t>(file[b + 1]) : 0;
      ASSERT_EQ(now.words[k], lo | hi << 8) << k + 128;
    }
    pf::test::PostWindowEvent(kCalWindow, pf::kEventCloseWindow);
    EXPECT_FALSE(YRM_CalibrationPass());
    dcbiasscale = dcbiaszero = 7;
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    EXPECT_FLOAT_EQ(dcbiasscale, c.scale);
    EXPECT_EQ(simctl::Register(4), std::lround((calcode[kRowDac1] - calcode[kRowDacM1]) * 0.2));
    pf::TcpClose(dmmconnection);
    dmmconnection = 0;
    YRM_CloseUsbPort();
  }
}

// An output far off its levels (a drifted or repaired instrument: 120 mV at
// every level, 0.35 % gain) is what calibration is for: the run ends in a
// Store whose codes put every level within 1 mV.
TEST_F(AutoRun, ADacFarOffIsCalibratedToWithinAMillivolt) {
  const std::string address = caltest::MeterAddress(24);
  OpenFor("YRM-A", "meter=" + address + "\nmeternoise=0.02\ndacoffset=120");
  ASSERT_TRUE(ConnectMeter(address));
  Press(kGoButton);
  ASSERT_TRUE(RunUntil([] { return calstep == 9; }));
  EXPECT_NEAR(measured1, 1.1235, 0.001);  // the reading the run once stopped at
  ASSERT_TRUE(RunUntil([] { return calstep == 0; }));
  EXPECT_EQ(Field(kStatusField), "0: idle");
  const std::string file = yrmtest::Slurp("YRM_cal.txt");
  EXPECT_NE(file.find("DAC@0V=" + std::to_string(calcode[kRowDac0]) + "\r\n"), std::string::npos) << file;
  EXPECT_EQ(simctl::EepromWord(128), static_cast<uint8_t>(file[0]) | static_cast<uint8_t>(file[1]) << 8);
  const struct {
    int set;
    double volts;
  } levels[] = {{462, 10}, {464, 1}, {466, 0}, {465, -1}, {463, -10}};
  for (auto l : levels) {
    Press(l.set);
    EXPECT_NEAR(simctl::Output(0), l.volts, 0.001) << l.volts;
  }
}

TEST_F(AutoRun, StopLeavesThePassesAndGoStartsAgainFromStepOne) {
  // Without a meter Go! does nothing.
  OpenWithMeter(21);
  Press(kGoButton);
  EXPECT_EQ(calstep, 0);
  EXPECT_EQ(Field(kGoButton), "Go!");
  ASSERT_TRUE(ConnectMeter(caltest::MeterAddress(21)));

  Press(kGoButton);
  EXPECT_EQ(calstep, 1);
  ASSERT_TRUE(RunUntil([] { return calstep == 30 && calpasses == 45; }));
  EXPECT_EQ(Field(kStatusField), "30: zeroing in on 0V, pass:45");
  Press(kGoButton);
  EXPECT_EQ(calstep, 0);
  EXPECT_EQ(Field(kGoButton), "Go!");
  clock += 10000;
  for (int i = 0; i < 5; ++i) YRM_CalibrationPass();
  EXPECT_EQ(calpasses, 45);

  Press(kGoButton);
  EXPECT_EQ(calstep, 1);
  ASSERT_TRUE(RunUntil([] { return calstep == 2; }));
  EXPECT_EQ(Field(kStatusField), "1: starting calibration");
  ASSERT_TRUE(RunUntil([] { return calstep == 30; }));
  EXPECT_EQ(calpasses, 50);
  EXPECT_EQ(Field(kStatusField), "29: setup for zeroing the 0V");
}

TEST_F(AutoRun, MeterFaultsLeaveTheLastReading) {
  ASSERT_NO_FATAL_FAILURE(Start(22));
  Press(466);  // 0 V output, about 4 mV with the DAC's offset
  YRM_DmmRead("10V");
  const double good = dmmvalue;
  EXPECT_NEAR(good, 0.004, 0.001);
  for (const char* fault : {"noreply", "exponent", "split"}) {
    Configure(std::string("meterfault=") + fault);
    Press(464);  // +1 V: a new level the faulty reading must not bring in
    YRM_DmmRead("10V");
    EXPECT_EQ(dmmvalue, good) << fault;
    Press(466);
  }
  // The late second half of the split reply is not taken for the next one.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  Press(464);
  YRM_DmmRead("10V");
  EXPECT_NEAR(dmmvalue, 1.0075, 0.001);
  EXPECT_TRUE(Shown().empty());
}

TEST_F(AutoRun, AMeterThatHungUpCanBeConnectedAgain) {
  ASSERT_NO_FATAL_FAILURE(Start(23));
  Press(kGoButton);
  ASSERT_TRUE(RunUntil([] { return calstep == 5; }));  // +10 V read
  const double read = dmmvalue;
  Configure("meterfault=close");
  ASSERT_TRUE(RunUntil([] { return calstep == 0; }));
  EXPECT_EQ(dmmvalue, read);
  EXPECT_EQ(dmmconnection, 0);
  EXPECT_EQ(Field(kDmmConnectButton), "Connect");
  EXPECT_EQ(Field(kStatusField), "8: DMM connection lost - calibration stopped");
  EXPECT_EQ(Field(kGoButton), "Go!");
  EXPECT_TRUE(Shown().empty());

  Press(kDmmConnectButton);
  ASSERT_NE(dmmconnection, 0);
  Press(466);
  Press(kDmmMeasureButton);
  EXPECT_NEAR(dmmvalue, 0.004, 0.001);
}

TEST_F(AutoRun, MenuItemOpensTheWindowOnlyWhenConnected) {
  pf::InitGui();
  activeinstrument = "YRM-A";
  pf::test::PostMenuEvent(0, 58);
  ASSERT_EQ(pf::WaitWindowEvent(1), pf::kEventMenu);
  YRM_MenuEvent();
  EXPECT_EQ(Shown(),
            std::vector<std::string>{"Info #0056 No USB detected - Please connect to device and retry"});
  EXPECT_FALSE(pf::IsWindow(kCalWindow));
}

}  // namespace
