// Connection start and stop against the simulated instrument of each model.
#include "link/connection.h"

#include <gtest/gtest.h>

#include "link/caldata.h"
#include "link/params.h"
#include "linkfixture.h"

using linktest::Hex;

namespace {

class Connection : public linktest::LinkTest {};

TEST_F(Connection, EveryModelConnectsLoadsItsCalibrationAndSendsTheSettings) {
  for (const char* model : {"YRM-A", "YRM-AP", "YRM-C", "YRM-D", "YRM-D2"}) {
    SCOPED_TRACE(model);
    simctl::Reset();
    SetLinkStartValues();
    Configure(std::string("model=") + model + "\nstale=300");
    activeinstrument = model;
    voltage = 1000;
    YRM_StartConnection();
    EXPECT_TRUE(Shown().empty()) << Shown().front();
    ASSERT_EQ(usbopen, 1);
    EXPECT_EQ(voltage, 200);
    EXPECT_EQ(paramspending, 1);
    EXPECT_EQ(paramblock[1] & 0x2, 0x2);

    // First the flag burst, then two parameter sends of five bursts each.
    auto sent = simctl::Transfers();
    ASSERT_EQ(sent.size(), 11u);
    EXPECT_EQ(Hex(sent[0].bytes), "80 01 00 00 00 02 D5 58");
    EXPECT_EQ(simctl::Counter("badframes"), 0);
    EXPECT_EQ(simctl::Register(6), 200);
    EXPECT_EQ(simctl::Register(4), 11425);
    // The stale bytes went with the flush.
    EXPECT_EQ(Waiting(), 0u);

    // The calibration text came from the EEPROM, and the codes with it.
    std::string cal = yrmtest::Slurp(dir + "/YRM_cal.txt");
    EXPECT_EQ(cal.rfind("Calibration date=", 0), 0u);
    EXPECT_NE(cal.find("DAC@-1V=-27575\r\n"), std::string::npos);
    EXPECT_EQ(cal.find("DCBIAS") != std::string::npos,
              std::string(model) != "YRM-A" && std::string(model) != "YRM-AP");
    EXPECT_EQ(amplitudecode[5], 57125);   // 1000 mV
    EXPECT_EQ(amplitudecode[1], 11425);   // 200 mV
    EXPECT_EQ(amplitudecode[10], 55960);  // 10000 mV
    EXPECT_EQ(amplitudecode[9], 27980);   // 5000 mV
    for (int32_t z : std::vector<int32_t>(zerocode.begin(), zerocode.begin() + 11)) EXPECT_EQ(z, 1110);

    std::string log = Log();
    EXPECT_NE(log.find("YRM_StartConnection()"), std::string::npos);
    YRM_CloseUsbPort();
    pf::test::ClearAsked();
  }
}

TEST_F(Connection, TheInstrumentMustBeTheMakersAndTheSelectedModel) {
  struct Case {
    const char* sim;
    const char* selected;
    const char* message;  // "" = accepted
  } cases[] = {
      {"eeprom=blank", "YRM-A", "Error #0059 USB descriptor incorrect."},
      {"maker=Acme Instruments\nmodel=YRM-C", "YRM-C", "Error #0059 USB descriptor incorrect."},
      {"model=YRM-C\nproduct=YRM-C", "YRM-C",
       "Error #0060 USB descriptor incorrect, make sure you have the correct instrument selected."},
      {"model=YRM-AP", "YRM-A",
       "Error #0060 USB descriptor incorrect, make sure you have the correct instrument selected."},
      {"model=YRM-A", "YRM-C",
       "Error #0060 USB descriptor incorrect, make sure you have the correct instrument selected."},
      {"product=YRM-A", "YRM-A", ""},
      {"product=YRM-AP", "YRM-AP", ""},
      {"model=YRM-D", "YRM-D2", ""},
      {"model=YRM-D2", "YRM-D", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sim) + " / " + c.selected);
    simctl::Reset();
    SetLinkStartValues();
    pf::test::ClearAsked();
    Configure(c.sim);
    activeinstrument = c.selected;
    YRM_StartConnection();
    if (*c.message) {
      ASSERT_EQ(Shown().size(), 1u);
      EXPECT_EQ(Shown()[0], c.message);
      EXPECT_EQ(usbopen, 0);
      EXPECT_EQ(simctl::Counter("closes"), 1);
      EXPECT_EQ(simctl::Counter("writes"), 0);
    } else {
      EXPECT_TRUE(Shown().empty());
      EXPECT_EQ(usbopen, 1);
      YRM_CloseUsbPort();
    }
  }
}

TEST_F(Connection, MissingLibraryOrDeviceLeavesTheProgramUnconnected) {
  Configure("nodevice=1");
  YRM_StartConnection();
  EXPECT_EQ(usbopen, 0);
  EXPECT_EQ(Shown(), (std::vector<std::string>{
                         "Info #0004 No USB. USB instrument port not detected, please check USB "
                         "connection and/or powersupply for instrument.",
                         "Warning #0061 USB service unable to start - please check instrument is "
                         "connected via USB."}));

  // A working folder without the library (and none on the system).
  pf::test::ClearAsked();
  std::filesystem::remove(dir + "/libftd2xx.so");
  if (pf::OpenLibrary(kDriverLibrary, "ftd2xx")) GTEST_SKIP() << "a driver library is installed";
  YRM_StartConnection();
  EXPECT_EQ(usbopen, 0);
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[0], "Error #0005 FTD2XX.DLL failed to open.");
}

// A library without the opener, or an opener that fails, has opened nothing;
// one without a configuration call still opens the device.
TEST_F(Connection, OpenerMissingOrFailingIsAFailedOpen) {
  const std::vector<std::string> failed = {
      "Info #0004 No USB. USB instrument port not detected, please check USB connection and/or "
      "powersupply for instrument.",
      "Warning #0061 USB service unable to start - please check instrument is connected via USB."};
  struct Case {
    const char* sim;
    bool opens;
  } cases[] = {{"missing=FT_Open", false}, {"fail=FT_Open:3", false}, {"missing=FT_SetFlowControl", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sim);
    simctl::Reset();
    SetLinkStartValues();
    pf::test::ClearAsked();
    Configure(c.sim);
    YRM_StartConnection();
    EXPECT_EQ(usbopen, c.opens ? 1 : 0);
    EXPECT_EQ(Shown(), c.opens ? std::vector<std::string>{} : failed);
    EXPECT_EQ(simctl::Counter("opens"), c.opens ? 1 : 0);
    if (usbopen == 1) YRM_CloseUsbPort();
  }
}

TEST_F(Connection, ConnectWhileConnectedGoesOnWithTheOpenDevice) {
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1);
  void* handle = fthandle;
  YRM_StartConnection();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].rfind("Info #0004", 0), 0u);
  EXPECT_EQ(usbopen, 1);
  EXPECT_EQ(fthandle, handle);
  EXPECT_EQ(simctl::Transfers().size(), 22u);  // the second start ran to its end
  EXPECT_EQ(paramspending, 1);
}

TEST_F(Connection, StopClosesAndAStopWhileUnconnectedIsReported) {
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1);
  traceredraw = 0;
  YRM_StopConnection();
  EXPECT_EQ(usbopen, 0);
  EXPECT_EQ(traceredraw, 1);
  EXPECT_EQ(simctl::Counter("closes"), 1);
  EXPECT_TRUE(Shown().empty());
  YRM_StopConnection();
  EXPECT_EQ(Shown(), std::vector<std::string>{
                         "Error #0062 USB service not running - so unable to shutdown device properly"});
  std::string log = Log();
  size_t first = log.find("YRM_StopConnection()");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(log.find("YRM_StopConnection()", first + 1), std::string::npos);
}

TEST_F(Connection, FramesAreGoodAfterAStartWithJunkWaiting) {
  Configure("stale=777\ncomponent=resistor 1k");
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1);
  EXPECT_TRUE(Frame());
}

// A reply still crossing the line when the flush comes (the poll thread
// requested just before) must not be cut, or every later frame is misaligned.
// The reply of an instrument still set to 10 Hz from an earlier connection
// starts 100 ms after the request, when its samples are taken.
TEST_F(Connection, FlushLetsAReplyInFlightArriveWhole) {
  struct Case {
    float hz;
    int requestedBeforeMs;
  } cases[] = {{0, 10}, {10, 105}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hz);
    pf::test::SetDelay([](int) {});  // the last pass's hook counted in its own scope
    if (c.hz > 0) {                  // an earlier connection left the instrument at c.hz
      YRM_StartConnection();
      frequency = c.hz;
      YRM_SendInstrumentParams();
      YRM_CloseUsbPort();
    }
    int calls = 0;
    pf::test::SetDelay([&](int ms) {
      if (++calls == 2) {  // the wait before the flush: a request goes out
        std::lock_guard<std::mutex> g(linklock);
        lastrequest = pf::ElapsedMilliseconds();
        YRM_SendRequestFrame(0);
      }
      if (calls == 2 || calls == 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(calls == 2 ? c.requestedBeforeMs : ms));
    });
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    EXPECT_EQ(Waiting(), 0u);
    EXPECT_TRUE(Frame());
    YRM_CloseUsbPort();
  }
}

// The flush comes 50 ms after the flag burst when no reply can be on its way;
// only while one can does it wait for the reply's last byte: 125 ms after its
// request at most (the request's 8 bytes 1 ms, up to 100 ms of sampling, the
// reply's 520 bytes 21 ms, 3 ms to spare), so that no reply is cut in two.
// Only a good frame read once the reply could be complete (21 ms after its
// request) is that reply: junk, or a frame read sooner, is not.
TEST_F(Connection, FlushWaitsOnlyWhileAReplyCanStillArrive) {
  constexpr int kNone = -1000;
  struct Case {
    const char* what;
    int requestAt, readAt;  // ms after the flag burst; kNone: not at all
    int error;              // checksum error of the frame read
    int flushAt;
  } cases[] = {
      {"no request since the opening", kNone, kNone, 0, 50},
      {"the reply was read", 0, 48, 0, 50},
      {"the reply is on its way", 0, kNone, 0, 125},
      {"requested just before the flush", 45, kNone, 0, 170},
      {"junk read, the reply still on its way", 0, 30, 1, 125},
      {"an earlier reply read, this one on its way", 0, 10, 0, 125},
      {"requested before the opening", -60, kNone, 0, 65},
      {"requested long before the opening", -130, kNone, 0, 50},
  };
  Configure("silence=1");  // replies come only as injected
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetLinkStartValues();
    int64_t now = 80'000;
    pf::test::SetElapsed([&now] { return now; });
    if (c.requestAt < 0 && c.requestAt != kNone) lastrequest = now + 25 + c.requestAt;  // the burst: 25 ms
    int64_t burst = 0;
    std::vector<std::pair<int64_t, int>> waits;  // start, ms
    pf::test::SetDelay([&](int ms) {
      waits.push_back({now, ms});
      if (waits.size() != 2) {
        now += ms;
        return;
      }
      burst = now;  // the wait after the flag burst: the poll thread at work
      for (int t = 0; t <= ms; ++t, ++now) {
        if (t == c.requestAt) {
          std::lock_guard<std::mutex> g(linklock);
          lastrequest = now;
          YRM_SendRequestFrame(0);
        }
        if (t == c.readAt) {
          simctl::Inject(linktest::HandFrame(3000, 0, 1, 1, c.error));
          YRM_ReadUsbFrames();
        }
      }
      now = burst + ms;
    });
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    EXPECT_EQ(Waiting(), 0u);
    // The flush is followed by a 50 ms wait and the calibration load, whose
    // first parameter burst waits 25 ms.
    ASSERT_GE(waits.size(), 5u);
    EXPECT_EQ(waits[0].second, 25);
    EXPECT_EQ(waits[1].second, 50);
    size_t after = waits[2].second == 50 && waits[3].second == 25 ? 2 : 3;
    EXPECT_EQ(waits[after].second, 50);
    EXPECT_EQ(waits[after + 1].second, 25);
    EXPECT_EQ(waits[after].first - burst, c.flushAt);
    YRM_CloseUsbPort();
  }
}

// The simulator's own settings file in the working folder, as scripts/run
// uses it; its EEPROM can live in a file across runs.
TEST_F(Connection, SimulatorReadsItsFileAtTheConnection) {
  yrmtest::Spit(dir + "/sim.txt", "model=YRM-D2  # comment\nproduct=Quenlar YRM-D2\neepromfile=ee.bin\n");
  activeinstrument = "YRM-D";
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1);
  EXPECT_TRUE(Shown().empty());
  // A stored text with DAC@1V 5 (and DAC@-1V 0) in place of the factory's.
  std::string text = yrmtest::Slurp(dir + "/YRM_cal.txt");
  text.replace(text.find("DAC@1V=29550"), 12, "DAC@1V=5");
  text.replace(text.find("DAC@-1V=-27575"), 14, "DAC@-1V=0");
  yrmtest::Spit(dir + "/YRM_cal.txt", text);
  YRM_SaveCalibrationToEeprom("YRM_cal.txt");
  YRM_StopConnection();

  simctl::Reset();  // a new run of the program: the file is read again
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1);
  EXPECT_EQ(yrmtest::Slurp(dir + "/YRM_cal.txt"), text);
  EXPECT_EQ(amplitudecode[5], 5);
}

}  // namespace
