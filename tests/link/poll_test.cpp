// Data frames, the poll thread and the link watchdog.
#include <gtest/gtest.h>

#include <utility>

#include "link/connection.h"
#include "link/convert.h"
#include "link/params.h"
#include "linkfixture.h"

namespace {

class Poll : public linktest::LinkTest {};
using linktest::HandFrame;

TEST_F(Poll, SumsAreSignedAndTakenWithTheHeaderWords) {
  Open();
  simctl::Inject(HandFrame(3102, 2, -1, -70000));
  YRM_ReadUsbFrames();
  EXPECT_EQ(newframe, 1);
  EXPECT_EQ(adc0samples[1], -1);  // FFFF FFFF
  EXPECT_EQ(adc0samples[64], 62);
  EXPECT_EQ(adc1samples[1], -70000);
  EXPECT_EQ(usbrailraw, 3102);
  EXPECT_EQ(instrumentstatus, 2);
  EXPECT_GT(lastgoodframe, 0);
}

TEST_F(Poll, WholeFramesOnlyAndTheRestStaysQueued) {
  Open();
  ASSERT_TRUE(Request(2));
  ASSERT_EQ(Waiting(), 1040u);
  YRM_ReadUsbFrames();
  EXPECT_EQ(Waiting(), 0u);
  EXPECT_EQ(newframe.exchange(0), 1);

  Configure("lostbyte=1");  // 519 + 520 bytes: one block is read
  {
    std::lock_guard<std::mutex> g(linklock);
    YRM_SendRequestFrame(0);
    YRM_SendRequestFrame(0);
  }
  ASSERT_TRUE(WaitWaiting(1039));
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(Waiting(), 1039u);
  YRM_ReadUsbFrames();
  EXPECT_EQ(Waiting(), 519u);
}

// A read that delivers less than asked: the frame is completed at once and
// the next one stays in step.
TEST_F(Poll, ShortReadKeepsTheFramesInStep) {
  Open();
  simctl::Inject(HandFrame(3000, 0, 1, 1));
  simctl::Inject(HandFrame(3001, 0, 2, 2));
  Configure("shortread=2");
  YRM_ReadUsbFrames();
  EXPECT_EQ(newframe.exchange(0), 1);
  EXPECT_EQ(usbrailraw, 3001);
  EXPECT_EQ(Waiting(), 0u);
  EXPECT_EQ(simctl::Counter("shortreads"), 2);
}

TEST_F(Poll, BadChecksumKeepsThePreviousFrameAndShowsTheWord) {
  MakeRibbonControls();
  Open();
  simctl::Inject(HandFrame(3000, 1, 500, 600));
  YRM_ReadUsbFrames();
  ASSERT_EQ(newframe, 1);
  simctl::Inject(HandFrame(3333, 0, -9, -9, 1));
  YRM_ReadUsbFrames();
  EXPECT_EQ(newframe, 0);
  EXPECT_EQ(adc0samples[1], 500);
  EXPECT_EQ(adc1samples[2], 599);
  EXPECT_EQ(usbrailraw, 3000);
  EXPECT_EQ(instrumentstatus, 1);
  char expected[32];
  std::snprintf(expected, sizeof expected, "USB error: $%02X%02X", rxbuffer[518], rxbuffer[519]);
  EXPECT_EQ(pf::GetGadgetText(253), expected);
  EXPECT_EQ(std::string(expected).size(), 16u);
}

TEST_F(Poll, LastFrameOfOneReadDecidesNewFrame) {
  Open();
  struct Case {
    int firstError, secondError, newframe;
  } cases[] = {{0, 1, 0}, {1, 0, 1}};
  for (const Case& c : cases) {
    newframe = 0;
    simctl::Inject(HandFrame(3000, 0, 1, 1, c.firstError));
    simctl::Inject(HandFrame(3000, 0, 2, 2, c.secondError));
    YRM_ReadUsbFrames();
    EXPECT_EQ(newframe, c.newframe) << c.firstError;
  }
}

TEST_F(Poll, WatchdogStopsTheLink2000MsAfterTheLastGoodFrame) {
  int64_t now = 50000;
  pf::test::SetElapsed([&] { return now; });
  Open();
  simctl::Inject(HandFrame(3000, 0, 1, 1));
  now = 51000;
  YRM_ReadUsbFrames();
  ASSERT_EQ(lastgoodframe, 51000);
  now = 53000;
  YRM_CheckLinkTimeout();
  EXPECT_EQ(usbopen, 1);
  now = 53001;
  YRM_CheckLinkTimeout();
  EXPECT_EQ(usbopen, 0);
  EXPECT_EQ(traceredraw, 1);
  EXPECT_NE(Log().find("YRM_StopConnection()"), std::string::npos);
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(simctl::Counter("closes"), 1);
}

// The thread itself, in real time: frames flow at four a second; when the
// instrument falls silent the link ends about 2 s after the last good frame.
TEST_F(Poll, ThreadPollsReadsAndWatchesTheLink) {
  // Exact times are pinned on the fake clock above; here the thread runs on
  // its own, so only bounds a loaded machine cannot break are checked: never
  // faster than four requests a second, never stopped before 2 s of silence.
  Open();
  StartPollThread();
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  int frames = 0;
  while (frames < 4 && Clock::now() - start < std::chrono::seconds(30)) {
    if (newframe.exchange(0) == 1) ++frames;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const int64_t tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  ASSERT_EQ(frames, 4);
  EXPECT_GE(tookMs, 3 * 249);
  auto sent = simctl::Transfers();
  ASSERT_GE(sent.size(), 4u);
  for (size_t k = 1; k < sent.size(); ++k) EXPECT_GE(sent[k].us - sent[k - 1].us, 249000);

  Configure("silence=1");
  const auto silent = Clock::now();
  while (usbopen == 1 && Clock::now() - silent < std::chrono::seconds(30))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  int64_t stoppedAfter = pf::ElapsedMilliseconds() - lastgoodframe;
  EXPECT_EQ(usbopen, 0);
  EXPECT_GE(stoppedAfter, 2000);
}

// The GUI thread's whole round while the poll thread runs: start (bursts,
// flush, EEPROM), conversions, parameter sends, stop and a watchdog stop.
// Its point is the ThreadSanitizer build.
TEST_F(Poll, GuiAndPollThreadShareTheLinkSafely) {
  MakeRibbonControls();
  pf::test::SetDelay(nullptr);  // real waits: the flush must come after the first reply
  Configure("component=diode\nbuttonscript=0 none; 300 A; 600 none\nstale=100");
  StartPollThread();
  for (int round = 0; round < 2; ++round) {
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    auto start = std::chrono::steady_clock::now();
    int frames = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(800)) {
      if (newframe.exchange(0) == 1) {
        ++frames;
        YRM_ConvertSamples();
        YRM_UpdateButtonIndicators();
        ShowUsbRail();
        voltage = frames % 2 ? 1000.0f : 2000.0f;
        YRM_SendInstrumentParams();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GE(frames, 2) << "round " << round;
    YRM_StopConnection();
  }
  EXPECT_EQ(Shown(), std::vector<std::string>{});
  EXPECT_NEAR(usbrailshown, 5.0f, 0.01f);

  Configure("silence=1");
  YRM_StartConnection();
  while (usbopen == 1) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(simctl::Counter("closes"), 3);
}

}  // namespace

// The poll thread sleeps NextPollDelay ms between passes instead of 1 ms. Run
// both ways on the program's clock, with replies arriving in two pieces 12 and
// 21 ms after the first three requests and then silence: the requests, the
// frame reads and the watchdog's stop fall on the same milliseconds.
TEST_F(Poll, SleepingPassesKeepRequestsReadsAndWatchdogToTheMillisecond) {
  struct Schedule {
    std::vector<int64_t> requests, reads;
    int64_t stopped = -1;
  };
  // The instrument samples for `sampling` ms before its reply crosses the line.
  auto run = [this](bool everyMs, int64_t sampling) {
    if (usbopen == 1) YRM_CloseUsbPort();
    SetLinkStartValues();
    simctl::Reset();
    Configure("silence=1");  // replies come only as injected below
    int64_t now = 80'000;
    pf::test::SetElapsed([&now] { return now; });
    Open();
    samplingms = sampling;
    Schedule s;
    std::vector<std::pair<int64_t, std::vector<uint8_t>>> arrivals;
    const std::vector<uint8_t> frame = HandFrame(3000, 0, 1, 1);
    for (const int64_t end = now + 5000; now < end && usbopen == 1;) {
      for (auto& [at, bytes] : arrivals)
        if (!bytes.empty() && at <= now) simctl::Inject(std::exchange(bytes, {}));
      const int64_t requested = lastrequest;
      YRM_PollInstrument(250);
      YRM_CheckLinkTimeout();
      YRM_ReadUsbFrames();
      if (lastrequest != requested) {
        s.requests.push_back(now);
        if (s.requests.size() <= 3) {
          arrivals.push_back({now + sampling + 12, {frame.begin(), frame.begin() + 300}});
          arrivals.push_back({now + sampling + 21, {frame.begin() + 300, frame.end()}});
        }
      }
      if (newframe.exchange(0) == 1) s.reads.push_back(now);
      if (usbopen != 1) s.stopped = now;
      now += everyMs ? 1 : NextPollDelay();
    }
    return s;
  };
  for (int64_t sampling : {0, 100}) {
    SCOPED_TRACE(sampling);
    const Schedule everyMs = run(true, sampling);
    const Schedule sleeping = run(false, sampling);
    ASSERT_EQ(everyMs.reads.size(), 3u);
    EXPECT_EQ(everyMs.reads[0], everyMs.requests[0] + sampling + 21);
    EXPECT_EQ(everyMs.stopped, everyMs.reads[2] + 2001);
    EXPECT_EQ(sleeping.requests, everyMs.requests);
    EXPECT_EQ(sleeping.reads, everyMs.reads);
    EXPECT_EQ(sleeping.stopped, everyMs.stopped);
  }
}

// The first look for a reply comes at the first millisecond it can be
// complete: its request's 8 bytes and its own 520 take 21.12 ms on the line
// besides the sampling, so a look at 20 ms could only ever find part of it.
TEST_F(Poll, FirstLookForAReplyWhenItsRequestAndItsBytesCanHaveCrossed) {
  int64_t now = 80'000;
  pf::test::SetElapsed([&now] { return now; });
  Open();
  Configure("silence=1");
  for (int64_t sampling : {0, 80, 100}) {
    SCOPED_TRACE(sampling);
    samplingms = sampling;
    now += 250;
    YRM_PollInstrument(250);
    ASSERT_EQ(lastrequest, now);
    EXPECT_EQ(NextPollDelay(), sampling + 21);
  }
}

// The sampling time the poll thread waits out is never longer than the
// instrument's: at every burst of a send it is at most what the simulator's
// registers take, and after the send it is theirs.
TEST_F(Poll, SamplingTimeFollowsTheSettingsSent) {
  Open();
  EXPECT_EQ(FrameSamplingMs(64, 100, 1), 100);  // 6400 samples at 64000 a second
  auto instruments = [] {
    return FrameSamplingMs(simctl::Register(10), simctl::Register(11), simctl::Register(12));
  };
  std::vector<std::pair<int64_t, int64_t>> duringWrites;  // ours, the instrument's
  pf::test::SetDelay([&](int) { duringWrites.push_back({samplingms, instruments()}); });
  for (float hz : {10.0f, 1000.0f, 20.0f, 100.0f}) {
    SCOPED_TRACE(hz);
    duringWrites.clear();
    frequency = hz;
    YRM_SendInstrumentParams();
    ASSERT_FALSE(duringWrites.empty());
    for (auto [ours, theirs] : duringWrites) EXPECT_LE(ours, theirs);
    EXPECT_EQ(samplingms, instruments());
    EXPECT_EQ(samplingms, hz < 50 ? 100 : 80);
  }
}

// A good frame and the watchdog's stop each end the main loop's wait at once.
TEST_F(Poll, GoodFrameAndWatchdogWakeTheMainLoop) {
  pf::InitGui();
  int64_t now = 50'000;
  pf::test::SetElapsed([&now] { return now; });
  Open();
  Configure("silence=1");
  auto waited = [] {
    const auto t0 = std::chrono::steady_clock::now();
    pf::WaitWindowEvent(60'000);
    return std::chrono::steady_clock::now() - t0;
  };
  simctl::Inject(HandFrame(3000, 0, 1, 1));
  YRM_ReadUsbFrames();
  ASSERT_EQ(newframe, 1);
  EXPECT_LT(waited(), std::chrono::seconds(30));
  now += 2001;
  YRM_CheckLinkTimeout();
  ASSERT_EQ(usbopen, 0);
  EXPECT_LT(waited(), std::chrono::seconds(30));
}

// A link that never answers is stopped 2001 ms after its opening wherever its
// requests fall, also where that moment lies inside the wait for a reply that
// may still come (a request up to sampling + 21 ms before it).
TEST_F(Poll, SilentLinkStopsAt2001MsAfterTheOpeningWhateverTheRequestPhase) {
  Configure("silence=1");
  int64_t now = 80'000;
  pf::test::SetElapsed([&now] { return now; });
  for (int64_t sampling : {0, 80, 100}) {
    for (int phase = 0; phase < 250; ++phase) {
      SCOPED_TRACE("sampling " + std::to_string(sampling) + ", first request " + std::to_string(phase) +
                   " ms after the opening");
      now += 10'000;
      Open();
      const int64_t opened = now;
      samplingms = sampling;
      lastrequest = opened + phase - 250;
      while (usbopen == 1 && now < opened + 3000) {
        YRM_PollInstrument(250);
        YRM_CheckLinkTimeout();
        YRM_ReadUsbFrames();
        if (usbopen == 1) now += NextPollDelay();
      }
      ASSERT_EQ(usbopen, 0);
      ASSERT_EQ(now - opened, 2001);
    }
  }
}
