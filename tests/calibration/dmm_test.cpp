// The multimeter link against a scripted SCPI server on a loopback address
// of its own (port 5025, as the program always uses).
#include "calibration/dmm.h"

#include <gtest/gtest.h>

#include <future>

#include "calfixture.h"
#include "scriptedmeter.h"

using caltest::ScriptedMeter;

namespace {

class Dmm : public caltest::CalibrationTest {
 protected:
  // A connection to the meter at `address` without the window, the 10 V
  // range already configured and 2.5 V the last reading.
  static void DialConfigured(const std::string& address) {
    dmmconnection = pf::TcpConnect(address, kDmmPort, 2000);
    ASSERT_GT(dmmconnection, 0);
    dmmlastrange = "10V";
    dmmvalue = 2.5;
  }
};

TEST_F(Dmm, RangeIsConfiguredOnlyWhenItChanges) {
  const std::string address = caltest::MeterAddress(1);
  ScriptedMeter meter(address);
  ASSERT_TRUE(meter.ok());
  OpenFor("YRM-A");
  ASSERT_TRUE(ConnectMeter(address));
  EXPECT_EQ(Field(kDmmConnectButton), "Connected");

  for (const char* r : {"+1.00000000E+01\n", "+9.99990000E+00\n", "-4.56700000E-03\n", "+2.00000000E+00\n"})
    meter.Reply(r);
  Press(kDmmMeasureButton);  // "10V" is selected
  EXPECT_EQ(meter.Got(), "CONFigure:VOLTage:DC\nVOLTage:DC:RANGe 10V\nREAD?\n");
  EXPECT_EQ(Field(kDmmResultField), "10");
  Press(kDmmReadAction + 2);
  EXPECT_EQ(meter.Got(), "READ?\n");
  EXPECT_EQ(Field(kDmmResultField), "9.9999");
  Press(kDmmReadAction + 4);  // 100mV, and the list follows
  EXPECT_EQ(meter.Got(), "CONFigure:VOLTage:DC\nVOLTage:DC:RANGe 100mV\nREAD?\n");
  EXPECT_DOUBLE_EQ(dmmvalue, -0.004567);
  EXPECT_EQ(Field(kDmmResultField), "-0.004567");
  EXPECT_EQ(pf::GetGadgetState(kDmmRangeCombo), 4);
  YRM_DmmRead("10V");
  EXPECT_EQ(meter.Got(), "CONFigure:VOLTage:DC\nVOLTage:DC:RANGe 10V\nREAD?\n");
  YRM_DmmRead("3A");
  EXPECT_EQ(meter.Got(), "CONFigure:CURRent:DC\nCURRent:DC:RANGe 3A\nREAD?\n");
  YRM_DmmRead("10v");  // not a range text: no configuration
  EXPECT_EQ(meter.Got(), "READ?\n");
  EXPECT_TRUE(Shown().empty());
}

TEST_F(Dmm, AMissingReplyKeepsAndShowsThePreviousReading) {
  const std::string address = caltest::MeterAddress(2);
  ScriptedMeter meter(address);
  ASSERT_TRUE(meter.ok());
  OpenFor("YRM-A");
  ASSERT_TRUE(ConnectMeter(address));
  meter.Reply("+1.50000000E+00\n");
  Press(kDmmMeasureButton);
  EXPECT_EQ(Field(kDmmResultField), "1.5");
  pf::SetGadgetText(kDmmResultField, "");
  Press(kDmmMeasureButton);  // no reply this time
  EXPECT_EQ(dmmvalue, 1.5);
  EXPECT_EQ(Field(kDmmResultField), "1.5");
  EXPECT_TRUE(Shown().empty());
}

TEST_F(Dmm, ConnectFailureAndNoConnectionShowTheirBoxes) {
  OpenFor("YRM-A");
  dmmvalue = 3;
  Press(kDmmMeasureButton);
  ASSERT_EQ(pf::test::AskedRequesters().size(), 1u);
  EXPECT_EQ(pf::test::AskedRequesters()[0].title, "Error");
  EXPECT_EQ(pf::test::AskedRequesters()[0].text, "DMM not connected");
  EXPECT_EQ(dmmvalue, 3);

  EXPECT_FALSE(ConnectMeter(caltest::MeterAddress(3)));  // nothing listens there
  EXPECT_EQ(Field(kDmmConnectButton), "Connect");
  ASSERT_EQ(pf::test::AskedRequesters().size(), 2u);
  EXPECT_EQ(pf::test::AskedRequesters()[1].title, "Error");
  EXPECT_EQ(pf::test::AskedRequesters()[1].text, "Can't connect with DMM over TCP");
  EXPECT_TRUE(pf::IsWindow(kCalWindow));
}

// The window proposes the meter the settings name (scripts/run writes the
// simulated one's there), and keeps the address of a meter that answered.
TEST_F(Dmm, TheAddressConnectedIsProposedNextTime) {
  const std::string proposed = caltest::MeterAddress(16), address = caltest::MeterAddress(15);
  yrmtest::Spit("YRM_settings.txt", "YRM_Mode=Advanced\r\nYRM_DMMAddress=" + proposed + "\r\n");
  OpenFor("YRM-A");
  EXPECT_EQ(Field(kDmmAddressField), proposed);
  pf::CloseWindow(kCalWindow);
  ScriptedMeter meter(address);
  ASSERT_TRUE(meter.ok());
  ASSERT_TRUE(YRM_OpenCalibrationWindow());
  ASSERT_TRUE(ConnectMeter(address));
  EXPECT_EQ(yrmtest::Slurp("YRM_settings.txt"), "YRM_Mode=Advanced\r\nYRM_DMMAddress=" + address + "\r\n");
  pf::CloseWindow(kCalWindow);
  ASSERT_TRUE(YRM_OpenCalibrationWindow());
  EXPECT_EQ(Field(kDmmAddressField), address);
}

// A peer that keeps sending cannot hold the window: what waits before
// "READ?" is drained up to a bound of bytes and time, then "READ?" is sent.
TEST_F(Dmm, DrainBeforeAReadingIsBounded) {
  const std::string address = caltest::MeterAddress(14);
  ScriptedMeter meter(address);
  ASSERT_TRUE(meter.ok());
  ASSERT_NO_FATAL_FAILURE(DialConfigured(address));
  // The connection full, and kept full while the reading runs.
  meter.Flood(true);
  for (int64_t was = -1; meter.Flooded() != was || was < 65536;) {
    was = meter.Flooded();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  auto read = std::async(std::launch::async, [] { YRM_DmmRead("10V"); });
  // Only a guard against a hang: a bounded drain ends in a fraction of this.
  const bool ended = read.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  meter.Flood(false);
  read.get();
  EXPECT_TRUE(ended);
  EXPECT_EQ(meter.Got(), "READ?\n");
  EXPECT_EQ(dmmvalue, 2.5);  // the bytes that came are no reading
  // What the reading took: all that came, less what still waits.
  int64_t left = 0;
  for (int quiet = 0; quiet < 5;) {
    if (!pf::TcpDataWaiting(dmmconnection)) {
      ++quiet;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    quiet = 0;
    left += static_cast<int64_t>(pf::TcpReceive(dmmconnection, 1 << 16).size());
  }
  EXPECT_LE(meter.Flooded() - left, kDmmDrainBytes + kDmmBufferBytes);
}

// Replies beyond the drain's bound (a meter left reading on its own) still
// wait after it: what "READ?" receives would be one of them, not its own
// reply, so the reading gives none.
TEST_F(Dmm, RepliesLeftBeyondTheDrainAreNoReading) {
  const std::string address = caltest::MeterAddress(17);
  ScriptedMeter meter(address);
  ASSERT_TRUE(meter.ok());
  ASSERT_NO_FATAL_FAILURE(DialConfigured(address));
  meter.Reply("+5.00000000E+00\n");
  std::string stale;
  while (stale.size() < 16 * size_t{kDmmDrainBytes}) stale += "+1.00000000E+01\n";
  ASSERT_TRUE(meter.Push(stale));
  for (int k = 0; k < 2000 && !pf::TcpDataWaiting(dmmconnection); ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(YRM_DmmRead("10V"));
  EXPECT_EQ(dmmvalue, 2.5);
}

TEST(DmmReply, FixedWidthTextGivesTheReading) {
  struct Case {
    const char* reply;
    bool ok;
    double value;
  } cases[] = {
      {"-4.56700000E-03\r\n", true, -0.004567},
      {"+1.23456789E+01\n", true, 12.3456789},
      {"+1.00000000E+12", true, 1e12},
      {"+1.00000000E-15", true, 1e-15},
      {"+5.00000000E+00", true, 5},
      {" 5.00000000E+00", true, -5},                    // not "+": negative
      {"+1.00000000E+00\n+2.00000000E+00\n", true, 1},  // the first reading only
      {"+9.90000000E+37\n", false, 0},                  // overload: not a reading
      {"+1.00000000E-00", false, 0},
      {"+1.00000000E+13", false, 0},
      {"+1.0000", false, 0},  // the first half of a split reply
      {"", false, 0},
  };
  for (const Case& c : cases) {
    double v = 0;
    EXPECT_EQ(ParseDmmReply(c.reply, v), c.ok) << c.reply;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.reply;
    }
  }
  EXPECT_EQ(DmmValueText(10), "10");
  EXPECT_EQ(DmmValueText(-0.004567), "-0.004567");
  EXPECT_EQ(DmmValueText(1.23456789012), "1.2345678901");
  EXPECT_EQ(DmmValueText(-1e-12), "0");
}

}  // namespace
