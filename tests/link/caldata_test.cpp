// Calibration data: the EEPROM copy of "YRM_cal.txt" and the derived values.
#include "link/caldata.h"

#include <gtest/gtest.h>

#include "linkfixture.h"
#include "platform/files.h"

namespace {

class CalData : public linktest::LinkTest {
 protected:
  std::string Cal() { return yrmtest::Slurp(dir + "/YRM_cal.txt"); }
};

TEST_F(CalData, TextRoundTripsThroughTheEeprom) {
  Open();
  struct Case {
    std::string stored, loaded;
    int word128;
  } cases[] = {
      {"AB", "AB", 0x4241},
      {std::string("A\0B", 3), "AB", 0x0041},                    // a 0 byte is skipped
      {std::string(1793, 'x'), std::string(1792, 'x'), 0x7878},  // the last byte is lost
  };
  for (const Case& c : cases) {
    yrmtest::Spit(dir + "/YRM_cal.txt", c.stored);
    YRM_SaveCalibrationToEeprom("YRM_cal.txt");
    EXPECT_EQ(simctl::EepromWord(128), c.word128);
    yrmtest::Spit(dir + "/YRM_cal.txt", "old");
    YRM_LoadCalibrationFromEeprom("YRM_cal.txt");
    EXPECT_EQ(Cal(), c.loaded);
  }
  EXPECT_EQ(simctl::EepromWord(129), 0x7878);
  yrmtest::Spit(dir + "/YRM_cal.txt", "AB");
  YRM_SaveCalibrationToEeprom("YRM_cal.txt");
  for (int w = 129; w <= 1023; ++w) ASSERT_EQ(simctl::EepromWord(w), 0) << w;
  EXPECT_EQ(simctl::EepromWord(127), 0);  // the converter's own words stay untouched
}

TEST_F(CalData, NothingHappensUnconnectedOrWithoutAFile) {
  YRM_LoadCalibration();
  EXPECT_FALSE(pf::FileExists("YRM_cal.txt"));
  Open();
  int before = simctl::EepromWord(128);
  YRM_SaveCalibrationToEeprom("missing.txt");
  EXPECT_EQ(simctl::EepromWord(128), before);
  EXPECT_EQ(simctl::Counter("eewrites"), 0);
}

TEST_F(CalData, FactoryDefaultsGiveTheExampleCodes) {
  yrmtest::Spit(dir + "/YRM_cal.txt",
                "Calibration date=05/Jun/2025@14:03:59\r\nDAC@10V=28945\r\nDAC@1V=29550\r\n"
                "DAC@0V=1110\r\nDAC@-1V=-27575\r\nDAC@-10V=-27015\r\nADC0@10V=32000\r\n"
                "ADC0@0V=--\r\nADC0@-10V=-32000\r\nADC1@10V=31000\r\nADC1@0V=5\r\n"
                "ADC1@-10V=-33000\r\nDCBIAS@10V=29198\r\nDCBIAS@-10V=3367\r\n");
  DeriveCalibration();
  const int expected[] = {0,     11425, 22850, 34275, 45700, 57125, 11192,
                          16788, 22384, 27980, 55960, 65535, 65535};
  for (int i = 0; i < kCalVoltageCount; ++i) EXPECT_EQ(amplitudecode[i], expected[i]) << kCalVoltages[i];
  for (int i = 0; i < 11; ++i) EXPECT_EQ(zerocode[i], 1110);
  EXPECT_EQ(zerocode[11], 0);
  // A count reads (c + offset) x gain volts: the calibration points map to +-10 V.
  EXPECT_FLOAT_EQ((31000 + adc1offset) * adc1gain, 10.0f);
  EXPECT_FLOAT_EQ((-33000 + adc1offset) * adc1gain, -10.0f);
  EXPECT_FLOAT_EQ((-32000 + adc0offset) * adc0gain, -10.0f);
  EXPECT_FLOAT_EQ(dcbiasscale, 1291.55f);
  EXPECT_FLOAT_EQ(dcbiaszero, 16282.5f);
}

TEST_F(CalData, MissingPointsKeepTheGainsAndZeroTheRest) {
  adc0gain = 0.5f;
  adc0offset = 7;
  adc1gain = 0.25f;
  adc1offset = 3;
  dcbiasscale = 9;
  yrmtest::Spit(dir + "/YRM_cal.txt", "DAC@1V=100\r\nADC0@10V=500\r\nADC0@-10V=500\r\n");
  DeriveCalibration();
  EXPECT_EQ(adc0gain, 0.5f);  // equal points: gain and offset stay
  EXPECT_EQ(adc0offset, 7);
  EXPECT_EQ(adc1gain, 0.25f);  // missing points likewise
  EXPECT_EQ(adc1offset, 3);
  EXPECT_EQ(dcbiasscale, 0);
  EXPECT_EQ(dcbiaszero, 0);
  EXPECT_EQ(amplitudecode[5], 100);
  EXPECT_EQ(zerocode[0], 0);
}

// The values in force are the instrument's own, whatever the working folder
// allows: no file at all, or an old file of another instrument left in place.
TEST_F(CalData, InstrumentCalibrationIsInForceWhenTheFileCannotBeWritten) {
  Open();
  yrmtest::Spit(dir + "/YRM_cal.txt",
                "DAC@10V=28945\r\nDAC@1V=29550\r\nDAC@0V=1110\r\nDAC@-1V=-27575\r\nDAC@-10V=-27015\r\n");
  YRM_SaveCalibrationToEeprom("YRM_cal.txt");
  const std::string foreign = "DAC@10V=100\r\nDAC@1V=10\r\nDAC@0V=7\r\nDAC@-1V=-10\r\nDAC@-10V=-100\r\n";
  struct Case {
    std::string old;
    bool renameFails;
  } cases[] = {{"", false}, {foreign, true}};
  for (const Case& c : cases) {
    pf::DeleteFile("YRM_cal.txt");
    if (!c.old.empty()) yrmtest::Spit(dir + "/YRM_cal.txt", c.old);
    for (int i = 0; i < 11; ++i) amplitudecode[i] = zerocode[i] = 0;
    const size_t shown = Shown().size();
    if (c.renameFails)
      pf::test::FailRenames(1);
    else
      pf::test::FailCreates(1);
    YRM_LoadCalibration();
    EXPECT_EQ(amplitudecode[5], 57125) << c.old;   // 1000 mV
    EXPECT_EQ(amplitudecode[10], 55960) << c.old;  // 10000 mV
    EXPECT_EQ(zerocode[0], 1110) << c.old;
    EXPECT_EQ(Cal(), c.old);  // the folder is as it was
    ASSERT_EQ(Shown().size(), shown + 1);
    EXPECT_EQ(Shown().back(), "Error #0064 File cannot be created");
  }
  // Written when it can be: the file is the instrument's text again.
  YRM_LoadCalibration();
  EXPECT_EQ(Cal().substr(0, 14), "DAC@10V=28945\r");
}

}  // namespace
