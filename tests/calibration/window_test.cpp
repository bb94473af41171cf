// The calibration window's texts, manual steps, Store and closing against
// the simulated instrument.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <vector>

#include "calfixture.h"
#include "platform/files.h"

using linktest::Hex;

namespace {

class CalibrationWindow : public caltest::CalibrationTest {};

// Every text control's text, top to bottom.
std::vector<std::string> Texts() {
  std::vector<std::string> out;
  for (int g = -5480; pf::IsGadget(g); --g) out.push_back(pf::GetGadgetText(g));
  return out;
}

TEST_F(CalibrationWindow, TitleSizeAndModelTextsFollowTheModel) {
  struct Case {
    const char* model;
    int height;
    const char* first;
    const char* last;
    bool bias;
    const char* twelve;
  } cases[] = {
      {"YRM-A", 640, "1. Connect YRM-A RED socket to DVM(+) and YRM-A BLACK socket to DVM(-)",
       "12. Press button below to store calibration values in YRM-A. Calibration now completed.", false, ""},
      {"YRM-AP", 640, "1. Connect YRM-AP probe tip to DVM(+) and YRM-AP ground lead to DVM(-)",
       "12. Press button below to store calibration values in YRM-AP. Calibration now completed.", false, ""},
      {"YRM-C", 840, "1. Connect YRM-C RED socket to DVM(+) and YRM-C BLACK socket to DVM(-)",
       "17. Press button below to store calibration values in YRM-C. Calibration now completed.", true,
       "12. Connect YRM-C BLUE socket to DVM(+) and YRM-C BLACK socket to DVM(-)"},
      {"YRM-D", 840, "1. Connect YRM-D RED socket to DVM(+) and YRM-D BLACK socket to DVM(-)",
       "17. Press button below to store calibration values in YRM-D. Calibration now completed.", true,
       "12. Connect YRM-D BLUE socket to DVM(+) and YRM-D BLACK socket to DVM(-)"},
      {"YRM-D2", 840, "1. Connect YRM-D2 RED socket to DVM(+) and YRM-D BLACK socket to DVM(-)",
       "17. Press button below to store calibration values in YRM-D2. Calibration now completed.", true,
       "12. Connect YRM-D2 BLUE socket to DVM(+) and YRM-D BLACK socket to DVM(-)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    simctl::Reset();
    OpenFor(c.model);
    EXPECT_EQ(pf::GetWindowTitle(kCalWindow), std::string("Calibrate ") + c.model + " ADC/DAC");
    EXPECT_EQ(pf::WindowWidth(kCalWindow), 630);
    EXPECT_EQ(pf::WindowHeight(kCalWindow), c.height);
    std::vector<std::string> t = Texts();
    ASSERT_GE(t.size(), 20u);
    EXPECT_EQ(t[0], c.first);
    EXPECT_EQ(t[1], "2. Press button --->");
    EXPECT_EQ(t[2], "Adjust to +10.00V using controls below:");
    EXPECT_EQ(t[3], "3. Press button to calibrate the ADC/DAC to +10.00V --->");
    EXPECT_EQ(t[15], "11. Press button to calibrate the ADC/DAC to -10.00V --->");
    const size_t last = c.bias ? 21 : 16;
    EXPECT_EQ(t[last], c.last);
    EXPECT_EQ(t[last + 1], "Factory/Debug only");
    EXPECT_EQ(pf::GetGadgetColor(-5480 - static_cast<int>(last) - 1, pf::kColorBack), 0x00FFFF);
    if (c.bias) {
      EXPECT_EQ(t[16], c.twelve);
      EXPECT_EQ(t[17], "13. Press button --->");
      EXPECT_EQ(t[18], "14. Press button to calibrate the DCBIAS DAC to +10.00V --->");
      EXPECT_EQ(t[20], "16. Press button to calibrate the DCBIAS DAC to -10.00V --->");
    }
    EXPECT_EQ(pf::IsGadget(762), c.bias);
    EXPECT_EQ(pf::IsGadget(746), c.bias);
    // The working codes come from the instrument's EEPROM.
    EXPECT_EQ(calcode[kRowDac0], 1110);
    EXPECT_EQ(calcode[kRowBias10], c.bias ? 29198 : 0);
    pf::CloseWindow(kCalWindow);
    YRM_CloseUsbPort();
  }
}

TEST_F(CalibrationWindow, ControlsStartWithTheirTexts) {
  OpenFor("YRM-C");
  for (int g : {504, 505, 506, 507, 508, 509, 510, 511, 512, 513, 514, 515, 516, 517, 762, 763})
    EXPECT_EQ(Field(g), "--") << g;
  EXPECT_EQ(Field(462), "Set output: +10V");
  EXPECT_EQ(Field(463), "Set output: -10V");
  EXPECT_EQ(Field(467), "++Course Adj.");
  EXPECT_EQ(Field(496), "--Course Adj.");
  EXPECT_EQ(Field(501), "Calibrate -10.00V");
  EXPECT_EQ(Field(502), "Store Calibration Values");
  EXPECT_EQ(Field(503), "Load Defaults");
  EXPECT_EQ(Field(kGoButton), "Go!");
  EXPECT_EQ(Field(kStatusField), "0: idle");
  EXPECT_EQ(Field(kDmmAddressField), kDmmDefaultAddress);
  const char* ranges[] = {"1000V", "100V", "10V", "1V",    "100mV", "3A", "1A",
                          "100mA", "10mA", "1mA", "100uA", "10uA",  "1uA"};
  ASSERT_EQ(pf::CountGadgetItems(kDmmRangeCombo), 13);
  for (int k = 0; k < 13; ++k) EXPECT_EQ(pf::GetGadgetItemText(kDmmRangeCombo, k), ranges[k]);
  EXPECT_EQ(pf::GetGadgetState(kDmmRangeCombo), 2);
}

TEST_F(CalibrationWindow, WithoutInstrumentItSaysSoAndCloses) {
  pf::InitGui();
  activeinstrument = "YRM-A";
  EXPECT_FALSE(YRM_OpenCalibrationWindow());
  EXPECT_FALSE(pf::IsWindow(kCalWindow));
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0], "Info #0056 No USB detected - Please connect to device and retry");
}

TEST_F(CalibrationWindow, SetOutputSendsTheWholeBlockInOneTransfer) {
  OpenFor("YRM-A");
  long long before = simctl::TransferCount();
  Press(503);  // Load Defaults: nothing sent, nothing shown
  EXPECT_EQ(simctl::TransferCount(), before);
  EXPECT_EQ(Field(504), "--");
  Press(462);
  auto sent = simctl::Transfers(before);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes.size(), 256u);
  EXPECT_EQ(simctl::Register(1), 0x30);  // assigned: the connection's 0x2 is gone
  EXPECT_EQ(simctl::Register(3), 28945);
  const std::pair<int, int> block[] = {{6, 1000}, {8, 100}, {10, 64}, {11, 10}, {12, 8}, {14, 100}, {16, 0}};
  for (auto [reg, value] : block) EXPECT_EQ(simctl::Register(reg), value) << reg;
  EXPECT_EQ(Field(504), "28945");

  Press(466);  // 0 V: the 1 V range
  EXPECT_EQ(simctl::Register(1), 0x10);
  EXPECT_EQ(simctl::Register(3), 1110);
}

TEST_F(CalibrationWindow, AdjustSendsRegister3OnceOrTwiceByRow) {
  OpenFor("YRM-A");
  Press(503);
  long long before = simctl::TransferCount();
  Press(479);  // "++Course Adj." of 0 V
  EXPECT_EQ(calcode[kRowDac0], 1610);
  auto sent = simctl::Transfers(before);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(Hex(sent[0].bytes), Hex(sent[1].bytes));
  EXPECT_EQ(sent[0].bytes.size(), 8u);
  EXPECT_EQ(simctl::Register(3), 1610);
  EXPECT_EQ(Field(504), "1610");

  struct Case {
    int button;
    int row;
    int delta;
    size_t sends;
  } cases[] = {
      {470, kRowDac10, -1, 1}, {474, kRowDac1, 25, 1}, {489, kRowDacM1, -25, 2}, {496, kRowDacM10, -500, 2}};
  for (const Case& c : cases) {
    int was = calcode[c.row];
    before = simctl::TransferCount();
    Press(c.button);
    EXPECT_EQ(calcode[c.row], was + c.delta) << c.button;
    EXPECT_EQ(simctl::Transfers(before).size(), c.sends) << c.button;
  }
}

// Also on an instrument whose DC-bias codes were never calibrated, where the
// parameter send keeps the generator off: these rows are how it gets them.
TEST_F(CalibrationWindow, DcBiasRowsDriveTheDcGenerator) {
  for (const char* sim : {"", "cal.DCBIAS@10V=--\ncal.DCBIAS@-10V=--"}) {
    SCOPED_TRACE(sim);
    if (usbopen == 1) YRM_StopConnection();
    if (pf::IsWindow(kCalWindow)) pf::CloseWindow(kCalWindow);
    simctl::Reset();
    dcmodeset = 2;  // DC chosen in the ribbon
    OpenFor("YRM-C", sim);
    Press(503);
    Press(754);  // DC bias -10 V
    EXPECT_EQ(simctl::Register(1), 0x30);
    EXPECT_EQ(paramblock[3], -27015);
    EXPECT_EQ(simctl::Register(20), 3367);
    EXPECT_EQ(simctl::Register(21), (29198 - 3367) / 2);
    EXPECT_EQ(simctl::Register(22), 2);
    EXPECT_NEAR(simctl::Output(1), -10.0, 0.001);
    EXPECT_EQ(Field(763), "3367");
    EXPECT_EQ(Field(504), "--");
    long long before = simctl::TransferCount();
    Press(752);  // "--Course Adj." of DC bias +10 V
    EXPECT_EQ(simctl::Transfers(before).size(), 1u);
    EXPECT_EQ(simctl::Register(20), 28698);
    EXPECT_EQ(Field(762), "28698");
    Press(746);  // DC bias +10 V
    EXPECT_EQ(simctl::Register(22), 2);
    EXPECT_NEAR(simctl::Output(1), 10.0 - 500 * 20.0 / (29198 - 3367), 0.001);
  }
}

TEST_F(CalibrationWindow, CalibrateCopiesCodesAndTheLiveAdcAverages) {
  OpenFor("YRM-A");
  Press(503);
  Press(500);  // -1 V: the code only
  EXPECT_EQ(Field(506), "-27575");
  EXPECT_EQ(Field(513), "--");
  Press(462);
  // Passes of the loop until a frame of the +10 V output is in.
  for (int i = 0; i < 200 && Field(510) == "--"; ++i) {
    clock += 300;
    YRM_CalibrationPass();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_NE(Field(510), "--");
  // The ADC reads the generator through its own calibration (about 32012
  // counts at +10 V), so 10 V plus the DAC's error reads a little above.
  int adc0 = std::stoi(Field(510));
  EXPECT_GT(adc0, 31900);
  EXPECT_LT(adc0, 32300);
  Press(497);
  EXPECT_EQ(Field(509), "28945");
  EXPECT_EQ(Field(511), Field(510));
  EXPECT_EQ(Field(515), Field(514));
  EXPECT_EQ(Field(512), "--");
}

// A frame rewrites a live field only when it changes the field's text: an
// idle window would otherwise repaint both fields at every frame.
TEST_F(CalibrationWindow, LiveFieldsAreRewrittenOnlyWhenTheirTextChanges) {
  OpenFor("YRM-A", "silence=1");
  const int sets0 = pf::test::GadgetTextSets(kLiveAdc0Field),
            sets1 = pf::test::GadgetTextSets(kLiveAdc1Field);
  const struct {
    int32_t sum0;      // the first point's ADC0 sum (80 samples)
    const char* adc0;  // the average shown
    int rewrites0;     // rewrites of the ADC0 field so far
  } frames[] = {
      {80 * 1000, "1000", 1}, {80 * 1000, "1000", 1}, {80 * 1000 + 3, "1000", 1},
      {80 * 1001, "1001", 2}, {80 * 1001, "1001", 2}, {80 * 1000, "1000", 3},
  };
  for (const auto& f : frames) {
    SCOPED_TRACE(f.sum0);
    simctl::Inject(linktest::HandFrame(3000, 0, f.sum0, 80 * 2000));
    ASSERT_TRUE(YRM_CalibrationPass(0));
    EXPECT_EQ(Field(kLiveAdc0Field), f.adc0);
    EXPECT_EQ(Field(kLiveAdc1Field), "1999");
    EXPECT_EQ(pf::test::GadgetTextSets(kLiveAdc0Field) - sets0, f.rewrites0);
    EXPECT_EQ(pf::test::GadgetTextSets(kLiveAdc1Field) - sets1, 1);
  }
}

TEST_F(CalibrationWindow, StoreWritesTheFileAndTheSameBytesIntoTheEeprom) {
  pf::test::SetNow([] { return pf::LocalTime{2025, 6, 5, 14, 3, 59}; });
  for (const char* model : {"YRM-A", "YRM-C"}) {
    SCOPED_TRACE(model);
    simctl::Reset();
    OpenFor(model);
    Press(503);
    Press(497);
    Press(499);
    Press(502);
    std::vector<std::string> lines;
    ASSERT_TRUE(pf::ReadLines("YRM_cal.txt", lines));
    const bool bias = std::string(model) == "YRM-C";
    ASSERT_EQ(lines.size(), bias ? 22u : 20u);
    EXPECT_EQ(lines[0], "Calibration date=05/Jun/2025@14:03:59");
    EXPECT_EQ(lines[1], "DAC@10V=28945");
    // What was not calibrated now keeps what the window read from the
    // instrument: the ADC's +10 V point too, since no frame came before the press.
    EXPECT_EQ(lines[2], "DAC@1V=29550");
    EXPECT_EQ(lines[3], "DAC@0V=1110");
    EXPECT_EQ(lines[6], "ADC0@10V=32012");
    EXPECT_EQ(lines[12], "50ohm=50");
    EXPECT_EQ(lines[19], "10Kohm=10000");
    if (bias) {
      EXPECT_EQ(lines[21], "DCBIAS@-10V=3367");
    }
    const std::string file = yrmtest::Slurp("YRM_cal.txt");
    EXPECT_EQ(file.find("--"), std::string::npos);
    for (int w = 128; w <= 1023; ++w) {
      size_t k = 2 * static_cast<size_t>(w - 128);
      int lo = k < file.size() ? static_cast<uint8_t>(file[k]) : 0;
      int hi = k + 1 < file.size() ? static_cast<uint8_t>(file[k + 1]) : 0;
      ASSERT_EQ(simctl::EepromWord(w), lo | hi << 8) << w;
    }
    pf::CloseWindow(kCalWindow);
    YRM_CloseUsbPort();
  }
}

// While it lives, no file of this process may grow past `bytes`, as on a
// disk that is full (a limit that binds root too, unlike permissions).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
    rlimit r = old_;
    r.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &r);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldSignal_);
  }

 private:
  rlimit old_{};
  void (*oldSignal_)(int) = nullptr;
};

// A Store whose file cannot replace "YRM_cal.txt" (a full disk, a folder in
// its place) says so and leaves the instrument's EEPROM alone.
TEST_F(CalibrationWindow, StoreThatCannotReplaceTheFileLeavesTheEeprom) {
  const char* const message =
      "Error #0070 YRM_cal.txt cannot be written (disk full or folder read-only) - the calibration was "
      "not stored, the instrument keeps its own";
  for (bool fullDisk : {true, false}) {
    SCOPED_TRACE(fullDisk ? "full disk" : "a folder");
    simctl::Reset();
    OpenFor("YRM-A");
    Press(503);
    Press(497);
    const std::string before = yrmtest::Slurp("YRM_cal.txt");
    if (fullDisk) {
      FileSizeLimit limit(256);  // the text is longer; the log stays below
      Press(502);
    } else {
      pf::DeleteFile("YRM_cal.txt");
      pf::CreateDirectory("YRM_cal.txt/kept");
      Press(502);
    }
    std::vector<std::string> shown = Shown();
    EXPECT_NE(std::find(shown.begin(), shown.end(), message), shown.end());
    EXPECT_EQ(simctl::Counter("eewrites"), 0);
    if (fullDisk)
      EXPECT_EQ(yrmtest::Slurp("YRM_cal.txt"), before);
    else
      EXPECT_TRUE(pf::IsDirectory("YRM_cal.txt/kept"));
    pf::CloseWindow(kCalWindow);
    YRM_CloseUsbPort();
  }
}

// The window's own read of the EEPROM failing (or the cable pulled in the
// middle of it) leaves the file, and Store then has nothing unread to write.
TEST_F(CalibrationWindow, OpeningWithAReadThatDoesNotCompleteChangesNothing) {
  for (const char* fault : {"fail=FT_ReadEE", "unplug=FT_ReadEE@400"}) {
    SCOPED_TRACE(fault);
    simctl::Reset();
    Configure("model=YRM-A");
    activeinstrument = "YRM-A";
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    const std::string file = yrmtest::Slurp("YRM_cal.txt");
    ASSERT_EQ(file.substr(0, 17), "Calibration date=");
    const int amplitude = amplitudecode[5], zero = zerocode[0];
    Configure(fault);
    pf::InitGui();
    const size_t shown = Shown().size();
    ASSERT_TRUE(YRM_OpenCalibrationWindow());
    ASSERT_EQ(Shown().size(), shown + 1);
    EXPECT_EQ(Shown().back(),
              "Error #0067 The calibration could not be read from the instrument - YRM_cal.txt is unchanged "
              "and no calibration is in use (no test signal): connect again to read the instrument's own");
    EXPECT_EQ(yrmtest::Slurp("YRM_cal.txt"), file);
    for (int g : {505, 506, 507, 508, 509, 511, 512, 513}) EXPECT_EQ(Field(g), "--") << g;
    Press(502);
    EXPECT_EQ(Shown().back(),
              "Error #0069 Calibration not stored: no value for DAC@10V - calibrate that level first");
    EXPECT_EQ(yrmtest::Slurp("YRM_cal.txt"), file);
    EXPECT_EQ(simctl::Counter("eewrites"), 0);
    pf::test::PostWindowEvent(kCalWindow, pf::kEventCloseWindow);
    EXPECT_FALSE(YRM_CalibrationPass());
    // As the message says: none in force until the next connection reads it.
    EXPECT_NE(amplitude, 0);
    EXPECT_NE(zero, 0);
    EXPECT_EQ(amplitudecode[5], 0);
    EXPECT_EQ(zerocode[0], 0);
  }
}

// A value the instrument holds as "--" (a level never calibrated) or not at
// all is stored as "--" again when it was not calibrated in the window; what
// was calibrated is stored as calibrated.
TEST_F(CalibrationWindow, StoreKeepsTheInstrumentsOwnDashes) {
  OpenFor("YRM-C", "cal.DAC@-1V=--\ncal.DCBIAS@10V=--\ncal.DCBIAS@-10V=-");
  EXPECT_EQ(calcode[kRowDacM1], 0);
  Press(kAdjust10First + 2);  // +1 on the +10 V row
  Press(kCal10Button);
  const size_t shown = Shown().size();
  Press(kStoreButton);
  EXPECT_EQ(Shown().size(), shown);
  std::vector<std::string> lines;
  ASSERT_TRUE(pf::ReadLines("YRM_cal.txt", lines));
  ASSERT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[1], "DAC@10V=28946");
  EXPECT_EQ(lines[2], "DAC@1V=29550");
  EXPECT_EQ(lines[3], "DAC@0V=1110");
  EXPECT_EQ(lines[4], "DAC@-1V=--");
  EXPECT_EQ(lines[20], "DCBIAS@10V=--");
  EXPECT_EQ(lines[21], "DCBIAS@-10V=--");
  EXPECT_EQ(simctl::EepromWord(128), 'C' | 'a' << 8);
  // Calibrated now, the level is stored with its code.
  Press(kCalM1Button);
  Press(kStoreButton);
  ASSERT_TRUE(pf::ReadLines("YRM_cal.txt", lines));
  EXPECT_EQ(lines[4], "DAC@-1V=0");
}

// The link stopped while the window is open (the watchdog, a pulled cable):
// Store says so and writes neither the file nor the EEPROM, rather than
// leaving a file the instrument never got.
TEST_F(CalibrationWindow, StoreWithTheLinkStoppedSaysSoAndWritesNothing) {
  OpenFor("YRM-A");
  Press(kAdjust10First);  // +500
  Press(kCal10Button);
  const std::string file = yrmtest::Slurp("YRM_cal.txt");
  YRM_CloseUsbPort();
  const size_t shown = Shown().size();
  Press(kStoreButton);
  ASSERT_EQ(Shown().size(), shown + 1);
  EXPECT_EQ(Shown().back(), "Info #0056 No USB detected - Please connect to device and retry");
  EXPECT_EQ(yrmtest::Slurp("YRM_cal.txt"), file);
  EXPECT_EQ(simctl::Counter("eewrites"), 0);
}

TEST_F(CalibrationWindow, ClosingStopsTheLinkButNotOnItsOwnMessageBox) {
  pf::InitGui();
  ASSERT_TRUE(pf::OpenWindow(1, 0, 0, 200, 100, "other", pf::kWindowTitleBar));
  OpenFor("YRM-A");
  pf::SetActiveWindow(kCalWindow);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(YRM_CalibrationPass());  // the toolkit settles
  ASSERT_EQ(pf::ActiveWindow(), kCalWindow);
  Press(462);
  // A meter error box takes the focus (and the toolkit may not yet have
  // given it back when the loop reads the deactivation): no reason to close.
  Press(kDmmMeasureButton);
  ASSERT_EQ(pf::test::AskedRequesters().back().text, "DMM not connected");
  pf::SetActiveWindow(1);  // the toolkit queues the window's deactivation
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(YRM_CalibrationPass());
  EXPECT_FALSE(calownbox);  // the deactivation came and was let pass
  EXPECT_EQ(usbopen, 1);
  // The next loss of focus to the other window is the operator's.
  pf::test::PostWindowEvent(kCalWindow, pf::kEventDeactivateWindow);
  EXPECT_FALSE(YRM_CalibrationPass());
  EXPECT_EQ(usbopen, 0);
}

TEST_F(CalibrationWindow, ClosingClearsTheOutputFlagAndStopsTheLink) {
  OpenFor("YRM-A");
  Press(462);

  pf::test::PostWindowEvent(kCalWindow, pf::kEventCloseWindow);
  EXPECT_FALSE(YRM_CalibrationPass());
  EXPECT_FALSE(pf::IsWindow(kCalWindow));
  EXPECT_EQ(usbopen, 0);
  EXPECT_EQ(paramblock[1], 0x20);
  EXPECT_NE(Log().find("YRM_StopConnection()"), std::string::npos);
}

}  // namespace
