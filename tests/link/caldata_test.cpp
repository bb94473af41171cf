// Calibration data: the EEPROM copy of "YRM_cal.txt" and the derived values.
#include "link/caldata.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "link/connection.h"
#include "linkfixture.h"
#include "platform/files.h"

namespace {

// A whole calibration text as the window's Store writes it.
std::string StoredText(int dac1 = 29550) {
  return "Calibration date=05/Jun/2025@14:03:59\r\nDAC@10V=28945\r\nDAC@1V=" + std::to_string(dac1) +
         "\r\nDAC@0V=1110\r\nDAC@-1V=-27575\r\nDAC@-10V=-27015\r\nADC0@10V=32012\r\n"
         "ADC0@0V=12\r\nADC0@-10V=-31988\r\nADC1@10V=31978\r\nADC1@0V=-9\r\nADC1@-10V=-31996\r\n"
         "50ohm=50\r\n100ohm=100\r\n200ohm=200\r\n500ohm=500\r\n1Kohm=1000\r\n2Kohm=2000\r\n"
         "5Kohm=5000\r\n10Kohm=10000\r\n";
}

class CalData : public linktest::LinkTest {
 protected:
  std::string Cal() { return yrmtest::Slurp(dir + "/YRM_cal.txt"); }
  // Values in force that no calibration gives (another instrument's), and a
  // file of our own: what a load that must not be taken has to deal with.
  void MarkValuesInForce() {
    for (int i = 0; i < 11; ++i) amplitudecode[i] = zerocode[i] = 4321;
    adc0gain = adc1gain = 0.5f;
    adc0offset = 7;
    dcbiasscale = dcbiaszero = 9;
    yrmtest::Spit(dir + "/YRM_cal.txt", "the file as it was\r\n");
  }
  // A text not taken: the file as it was, and no calibration in force.
  void ExpectFileKeptAndNoneInForce() {
    for (int i = 0; i < 11; ++i) EXPECT_EQ(amplitudecode[i], 0) << i;
    EXPECT_EQ(amplitudecode[11], 65535);
    EXPECT_EQ(zerocode[0], 0);
    EXPECT_EQ(adc0gain, 0);
    EXPECT_EQ(adc1gain, 0);
    EXPECT_EQ(adc0offset, 0);
    EXPECT_EQ(dcbiasscale, 0);
    EXPECT_EQ(dcbiaszero, 0);
    EXPECT_EQ(Cal(), "the file as it was\r\n");
  }
  // Writes `words` (from word 128 on) into the instrument's EEPROM as they are.
  void PutWords(const std::vector<uint16_t>& words) {
    for (size_t k = 0; k < words.size(); ++k)
      ASSERT_EQ(d2xx::WriteEE(fthandle, static_cast<uint32_t>(128 + k), words[k]), 0u);
  }
  // Opens the simulated instrument afresh with `sim` applied.
  void Reopen(const std::string& sim = "") {
    if (usbopen == 1) YRM_CloseUsbPort();
    simctl::Reset();
    Configure(sim);
    Open();
  }
};

// Two bytes a word, low byte first, zeros after the text; a 0 byte is
// skipped when the text is rebuilt, and a text past 1792 bytes is cut.
TEST_F(CalData, TextRoundTripsThroughTheEeprom) {
  const std::vector<uint16_t> ab = CalibrationWords("AB");
  ASSERT_EQ(ab.size(), 896u);
  EXPECT_EQ(ab[0], 0x4241);
  EXPECT_EQ(std::count(ab.begin(), ab.end(), 0), 895);
  EXPECT_EQ(CalibrationTextFromWords({0x0041, 0x4200, 0x0000, 0x0043}), "ABC");
  EXPECT_EQ(CalibrationTextFromWords(CalibrationWords(std::string(1793, 'x'))), std::string(1792, 'x'));

  activeinstrument = "YRM-A";
  Open();
  const std::string text = StoredText(), tail(1793 - text.size(), 'x');
  for (const std::string& stored : {text, text + tail}) {
    yrmtest::Spit(dir + "/YRM_cal.txt", stored);
    ASSERT_TRUE(YRM_SaveCalibrationToEeprom("YRM_cal.txt"));
    EXPECT_EQ(simctl::EepromWord(128), 'C' | 'a' << 8);
    EXPECT_EQ(simctl::EepromWord(129), 'l' | 'i' << 8);
    EXPECT_EQ(simctl::EepromWord(1023), stored.size() > 1792 ? ('x' | 'x' << 8) : 0);
    yrmtest::Spit(dir + "/YRM_cal.txt", "old");
    EXPECT_EQ(YRM_LoadCalibrationFromEeprom("YRM_cal.txt"), CalCopy::kTaken);
    EXPECT_EQ(Cal(), stored.substr(0, 1792));
  }
  EXPECT_EQ(simctl::EepromWord(127), 0);  // the converter's own words stay untouched
  EXPECT_TRUE(Shown().empty());
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
  activeinstrument = "YRM-A";
  yrmtest::Spit(dir + "/YRM_cal.txt", StoredText());
  ASSERT_TRUE(YRM_SaveCalibrationToEeprom("YRM_cal.txt"));
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
  EXPECT_EQ(Cal(), StoredText());
}

// A read of the 896 words that does not complete (a failing read, the cable
// pulled half-way, the last word lost) takes nothing, leaves in force no
// calibration that may be another instrument's, and says so.
TEST_F(CalData, AReadThatDoesNotCompleteChangesNothing) {
  activeinstrument = "YRM-A";
  for (const char* fault : {"fail=FT_ReadEE", "unplug=FT_ReadEE@400", "fail=FT_ReadEE@895"}) {
    SCOPED_TRACE(fault);
    Reopen(fault);
    MarkValuesInForce();
    const size_t shown = Shown().size();
    YRM_LoadCalibration();
    ExpectFileKeptAndNoneInForce();
    ASSERT_EQ(Shown().size(), shown + 1);
    EXPECT_EQ(Shown().back(),
              "Error #0067 The calibration could not be read from the instrument - YRM_cal.txt is unchanged "
              "and no calibration is in use (no test signal): connect again to read the instrument's own");
  }
}

// What stored instruments hold is taken as it stands: a key missing or
// holding no number reads 0, blanks, line ends and key order do not matter.
TEST_F(CalData, EveryTextAStoredInstrumentHoldsIsTaken) {
  const std::string factory = StoredText() + "DCBIAS@10V=29198\r\nDCBIAS@-10V=3367\r\n";
  auto edit = [&](const std::string& from, const std::string& to, std::string t = "") {
    if (t.empty()) t = factory;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const std::string biasDashes = "DCBIAS@10V=--\r\nDCBIAS@-10V=--";
  std::string lf = factory;
  lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
  const std::string date = "Calibration date=05/Jun/2025@14:03:59\r\n";
  const struct {
    const char* what;
    std::string text;
    int code200, code10000;  // amplitude codes of 200 mV and 10 V
    float biasScale;
    float adc1At10;  // ADC1 count that reads +10 V
  } cases[] = {
      {"factory", factory, 11425, 55960, 1291.55f, 31978},
      {"LF line ends", lf, 11425, 55960, 1291.55f, 31978},
      {"extra key", factory + "Operator=JS\r\n", 11425, 55960, 1291.55f, 31978},
      {"ADC point not calibrated", edit("ADC1@10V=31978", "ADC1@10V=--"), 11425, 55960, 1291.55f, 0},
      {"DC bias not calibrated", edit("DCBIAS@10V=29198\r\nDCBIAS@-10V=3367", biasDashes), 11425, 55960, 0,
       31978},
      {"DC bias keys missing", StoredText(), 11425, 55960, 0, 31978},
      {"blank after a value", edit("DAC@1V=29550", "DAC@1V=29550 "), 11425, 55960, 1291.55f, 31978},
      {"date line not first", edit(date, "") + date, 11425, 55960, 1291.55f, 31978},
      {"DAC +10 V not calibrated", edit("DAC@10V=28945", "DAC@10V=--"), 11425, 27015, 1291.55f, 31978},
      // What an automatic run of an earlier build stored on a YRM-C.
      {"earlier automatic run",
       edit("DAC@1V=29550", "DAC@1V=29339",
            edit("DAC@-1V=-27575", "DAC@-1V=-27590",
                 edit("DCBIAS@10V=29198\r\nDCBIAS@-10V=3367", biasDashes))),
       11386, 55960, 0, 31978},
  };
  activeinstrument = "YRM-C";
  Reopen("model=YRM-C");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MarkValuesInForce();
    PutWords(CalibrationWords(c.text));
    EXPECT_EQ(YRM_LoadCalibration(), CalCopy::kTaken);
    EXPECT_EQ(Cal(), c.text);
    EXPECT_EQ(amplitudecode[1], c.code200);
    EXPECT_EQ(amplitudecode[10], c.code10000);
    EXPECT_EQ(zerocode[0], 1110);
    EXPECT_FLOAT_EQ(dcbiasscale, c.biasScale);
    EXPECT_FLOAT_EQ((c.adc1At10 + adc1offset) * adc1gain, 10.0f);
    EXPECT_FLOAT_EQ((-31988 + adc0offset) * adc0gain, -10.0f);
  }
  EXPECT_TRUE(Shown().empty());
}

// Refused: an area a store cut short left (first word still cleared), and one
// that holds no calibration at all (erased, blank). The file stays, and the
// calibration in force, perhaps another instrument's, gives way to none.
TEST_F(CalData, ACutOrEmptyAreaIsRefusedWithNoCalibrationInForce) {
  std::vector<uint16_t> cut = CalibrationWords(StoredText());
  cut[0] = 0;
  const struct {
    const char* sim;
    std::vector<uint16_t> words;  // written over the area when not empty
    const char* why;
  } cases[] = {
      {"", cut, "a store was cut short"},
      {"eeprom=nocal", {}, "no calibration text"},
      {"eeprom=blank", {}, "no calibration text"},
  };
  activeinstrument = "YRM-A";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why + std::string(" ") + c.sim);
    Reopen(c.sim);
    if (!c.words.empty()) PutWords(c.words);
    MarkValuesInForce();
    const size_t shown = Shown().size();
    EXPECT_EQ(YRM_LoadCalibration(), CalCopy::kIncomplete);
    ExpectFileKeptAndNoneInForce();
    ASSERT_EQ(Shown().size(), shown + 1);
    EXPECT_EQ(Shown().back(), std::string("Error #0068 The instrument holds no complete calibration (") +
                                  c.why +
                                  ") - YRM_cal.txt is unchanged and no calibration is in use (no test "
                                  "signal): calibrate the instrument and store it to restore its own");
  }
}

// At each connection the instrument's own text sets the codes sent, DC-bias
// keys never calibrated ("--") included; one whose text is refused gets no
// calibration, never the previous instrument's, and the operator is told.
TEST_F(CalData, EachConnectionSendsTheConnectedInstrumentsOwnCodes) {
  const struct {
    const char* model;
    const char* sim;
    int code200;  // register 4 once the start has sent 200 mV
    float adc0gain;
  } instruments[] = {
      {"YRM-C", "", 11425, 20.0f / 64000},
      {"YRM-D2", "cal.DCBIAS@10V=--\ncal.DCBIAS@-10V=--", 11425, 20.0f / 64000},
      {"YRM-C", "cal.DAC@1V=29000\ncal.DCBIAS@10V=--\ncal.DCBIAS@-10V=-", 11315, 20.0f / 64000},
      {"YRM-C", "eeprom=nocal", 0, 0},  // nothing stored
      {"YRM-C", "cal.ADC0@10V=30000", 11425, 20.0f / 61988},
      {"YRM-D", "fail=FT_ReadEE@500", 0, 0},
  };
  for (const auto& i : instruments) {
    SCOPED_TRACE(std::string(i.model) + " " + i.sim);
    Instrument(i.model, i.sim);
    const size_t shown = Shown().size();
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    EXPECT_EQ(simctl::Register(4), i.code200);
    EXPECT_FLOAT_EQ(adc0gain, i.adc0gain);
    if (i.code200) {
      EXPECT_EQ(Shown().size(), shown);
      EXPECT_EQ(simctl::Register(5), 1110);
    } else {
      ASSERT_EQ(Shown().size(), shown + 1);
      EXPECT_NE(Shown().back().find("no calibration is in use (no test signal)"), std::string::npos);
    }
  }
}

// A store cut short at any word (program killed, cable pulled, a failing
// write) leaves a text the next connection recognises and does not take.
TEST_F(CalData, StoreCutShortIsNotTakenAtTheNextConnection) {
  activeinstrument = "YRM-A";
  const struct {
    int writes;     // calls that work before the cut
    int amplitude;  // 1000 mV code at the next load; 0 = not taken
  } cases[] = {
      {0, 57125},                                             // nothing written: the old calibration stands
      {1, 0},     {60, 0}, {150, 0}, {896, 0}, {897, 57025},  // complete: the new one (DAC@1V 29450)
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.writes);
    Reopen("fail=FT_WriteEE@" + std::to_string(c.writes));
    yrmtest::Spit(dir + "/YRM_cal.txt", StoredText(29450));
    YRM_SaveCalibrationToEeprom("YRM_cal.txt");
    Configure("fail=");
    MarkValuesInForce();
    YRM_LoadCalibration();
    if (c.amplitude) {
      EXPECT_EQ(amplitudecode[5], c.amplitude);
      EXPECT_EQ(Cal().substr(0, 17), "Calibration date=");
    } else {
      ExpectFileKeptAndNoneInForce();
      EXPECT_EQ(Shown().back().substr(0, 34), "Error #0068 The instrument holds n");
    }
  }
}

// The EEPROM is written only from a file read back whole: never from a
// folder, a FIFO or a file that holds no calibration.
TEST_F(CalData, SaveNeedsAFileThatReadsBackAsACalibration) {
  activeinstrument = "YRM-A";
  Reopen();
  pf::CreateDirectory(dir + "/folder");
  yrmtest::Spit(dir + "/empty.txt", "");
  const struct {
    const char* file;
    const char* message;
  } cases[] = {
      {"missing.txt",
       "Error #0071 missing.txt cannot be read back - the calibration was not stored, the "
       "instrument keeps its own"},
      {"folder",
       "Error #0071 folder cannot be read back - the calibration was not stored, the instrument "
       "keeps its own"},
      {"empty.txt",
       "Error #0072 empty.txt holds no complete calibration (no calibration text) - it was not stored in "
       "the instrument"},
  };
  for (const auto& c : cases) {
    YRM_SaveCalibrationToEeprom(c.file);
    EXPECT_EQ(Shown().back(), c.message);
  }
  EXPECT_EQ(simctl::Counter("eewrites"), 0);
  // A failing write is reported with the word it stopped at.
  Configure("fail=FT_WriteEE@10");
  yrmtest::Spit(dir + "/YRM_cal.txt", StoredText());
  YRM_SaveCalibrationToEeprom("YRM_cal.txt");
  EXPECT_EQ(Shown().back(),
            "Error #0074 Storing the calibration in the instrument failed at EEPROM word 138 - the "
            "instrument now holds no valid calibration: store again");
}

}  // namespace
