// The calibration window's loop sleeps until an event, a wake-up or its next
// deadline. Run on the program's clock beside a loop that passes every ms, it
// shows the same texts, sends the same requests and reads the same frames in
// the same milliseconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "calfixture.h"
#include "link/frameformat.h"

namespace {

struct Seen {
  int64_t at;  // ms after the press of Go!
  std::string what;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s) { return out << s.at << " " << s.what; }

class CalibrationLoop : public caltest::CalibrationTest {
 protected:
  void SetUp() override {
    CalibrationTest::SetUp();
    // Replies come only from the test, when they would be complete.
    Configure("model=YRM-A\nsilence=1\nmeter=" + meter);
    activeinstrument = "YRM-A";
    pf::InitGui();
  }

  // Connects, lets `loop` open the window and run it: Go! is pressed at the
  // first pass, Stop! kStopAt ms later, the window closed at kCloseAt. Each
  // wait passes on the program's clock, and an event ends it at its time.
  // Returns what the window showed and did, and when.
  std::vector<Seen> Run(const std::function<void()>& loop) {
    YRM_StartConnection();
    EXPECT_EQ(usbopen, 1);
    std::vector<Seen> seen;
    const int fields[] = {kCountdownField, kStatusField, kLiveAdc0Field};
    std::string shown[3];
    int64_t t0 = -1, request = 0, read = 0, answered = -1;
    int frames = 0;
    passes = idlepasses = 0;
    pf::test::SetWaitHook([&] {
      ++passes;
      if (t0 < 0) {
        t0 = clock;
        for (int k = 0; k < 3; ++k) shown[k] = Field(fields[k]);
        request = lastrequest, read = lastframeread;
        pf::test::PostGadgetEvent(kCalWindow, kGoButton);
        return;
      }
      const int64_t at = clock - t0;
      if (at > kStopAt) ++idlepasses;
      for (int k = 0; k < 3; ++k)
        if (Field(fields[k]) != shown[k])
          seen.push_back({at, std::to_string(fields[k]) + " " + (shown[k] = Field(fields[k]))});
      if (lastrequest != request) seen.push_back({at, "request"}), request = lastrequest;
      if (lastframeread != read) seen.push_back({at, "frame read"}), read = lastframeread;

      const int64_t wake = clock + pf::test::WaitingMs();
      if (at < kStopAt && wake >= t0 + kStopAt) {
        clock = t0 + kStopAt;
        pf::test::PostGadgetEvent(kCalWindow, kGoButton);
        return;
      }
      if (wake >= t0 + kCloseAt) {
        clock = t0 + kCloseAt;
        pf::test::PostWindowEvent(kCalWindow, pf::kEventCloseWindow);
        return;
      }
      clock = wake;
      // The reply to the last request is readable once it could be complete.
      if (answered != lastrequest && clock >= lastrequest + samplingms + kReplyMs) {
        answered = lastrequest;
        ++frames;
        simctl::Inject(linktest::HandFrame(0, 0, 80 * (1000 + frames), 80 * 2000));
      }
      pf::WakeWindowEvent();
    });
    loop();
    pf::test::SetWaitHook(nullptr);
    EXPECT_FALSE(pf::IsWindow(kCalWindow));
    return seen;
  }

  // The meter of these tests: Go! needs a connected one.
  const std::string meter = caltest::MeterAddress(30);
  static constexpr int64_t kStopAt = 3600, kCloseAt = 4600;
  static constexpr int kReplyMs = LineMsCeil(kOutFrameBytes + kFrameBytes);
  int passes = 0, idlepasses = 0;
};

TEST_F(CalibrationLoop, SleepsBetweenWhatItShowsAndDoesAsALoopPassingEveryMs) {
  const std::vector<Seen> everyMs = Run([this] {
    ASSERT_TRUE(YRM_OpenCalibrationWindow());
    ASSERT_TRUE(ConnectMeter(meter));
    while (YRM_CalibrationPass(1)) {
    }
  });
  const int everyMsPasses = passes;
  const std::vector<Seen> sleeping = Run([] { YRM_CalibrationWindow(); });
  EXPECT_EQ(sleeping, everyMs);

  // Steps 1 to 3 fell due, the countdown ran in hundredths, the link was
  // served, and Stop! ended the run.
  auto has = [&](const Seen& s) { return std::find(everyMs.begin(), everyMs.end(), s) != everyMs.end(); };
  EXPECT_TRUE(has({1, "783 1.00"}));
  EXPECT_TRUE(has({1000, "785 1: starting calibration"}));
  EXPECT_TRUE(has({3025, "785 3: set to +10V"}));  // after the output's 25 ms quiet time
  EXPECT_TRUE(has({kStopAt, "785 0: idle"}));
  auto count = [&](const char* prefix) {
    return std::count_if(everyMs.begin(), everyMs.end(),
                         [&](const Seen& s) { return s.what.starts_with(prefix); });
  };
  EXPECT_GT(count("783 "), 300);
  EXPECT_GE(count("frame read"), 15);
  EXPECT_GE(count("510 "), 15);  // each frame in the live field

  // The sleeping loop passed about once per change; idle, a few times for
  // each request.
  EXPECT_LT(passes, everyMsPasses / 5);
  EXPECT_LT(idlepasses, 30);
}

}  // namespace

namespace {

// After the window's Set output, each reply is read the millisecond it can be
// complete, whatever sampling the settings before had: the simulator's own
// registers say when that is, and the loop sleeps on the program's clock.
TEST_F(CalibrationLoop, ReadsEachFrameWhenItCanBeCompleteAfterSetOutput) {
  auto instruments = [] {
    return FrameSamplingMs(simctl::Register(10), simctl::Register(11), simctl::Register(12));
  };
  for (float hz : {10.0f, 20.0f, 100.0f}) {
    SCOPED_TRACE(hz);
    frequency = hz;  // sent by the connection start
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    ASSERT_EQ(instruments(), hz < 50 ? 100 : 80);
    std::vector<int64_t> late;  // ms from a reply's completion to its reading
    int64_t answered = -1, complete = -1, read = -1;
    const int64_t opened = clock;
    pf::test::SetWaitHook([&] {
      if (answered < 0) {  // the first pass: Set output, then the replies
        answered = lastrequest;
        read = lastframeread;
        pf::test::PostGadgetEvent(kCalWindow, kSet10Button);
        return;
      }
      if (lastframeread != read) {
        read = lastframeread;
        if (complete >= 0) late.push_back(read - complete);
        complete = -1;
      }
      if (late.size() == 6 || clock > opened + 10'000) {
        pf::test::PostWindowEvent(kCalWindow, pf::kEventCloseWindow);
        return;
      }
      const int64_t wake = clock + pf::test::WaitingMs();
      // The reply to the last request is in the queue from the moment it
      // can be complete; the loop finds it when it next looks.
      const int64_t due = lastrequest + instruments() + kReplyMs;
      if (answered != lastrequest && wake >= due) {
        answered = lastrequest;
        complete = due;
        simctl::Inject(linktest::HandFrame(0, 0, 80 * 1000, 80 * 2000));
      }
      clock = wake;
      pf::WakeWindowEvent();
    });
    YRM_CalibrationWindow();
    pf::test::SetWaitHook(nullptr);
    EXPECT_EQ(simctl::Register(11), 10);
    EXPECT_EQ(simctl::Register(12), 8);
    ASSERT_EQ(late.size(), 6u);
    for (int64_t ms : late) EXPECT_LE(ms, 1);
  }
}

}  // namespace

namespace {

// With the poll thread running, requests and frames are its work: the window's
// loop sleeps through the link's times and wakes for the frames it is sent.
TEST_F(CalibrationLoop, LeavesTheLinksTimesToARunningPollThread) {
  YRM_StartConnection();
  ASSERT_EQ(usbopen, 1);
  ASSERT_TRUE(YRM_OpenCalibrationWindow());
  YRM_PollInstrument(kPollIntervalMs);  // a request out: its reply is due soon
  ASSERT_LT(CalibrationLoopWait(pf::kLongestLoopWaitMs), pf::kLongestLoopWaitMs);
  StartPollThread();
  EXPECT_EQ(CalibrationLoopWait(pf::kLongestLoopWaitMs), pf::kLongestLoopWaitMs);
  StopPollThread();
  EXPECT_LT(CalibrationLoopWait(pf::kLongestLoopWaitMs), pf::kLongestLoopWaitMs);
  pf::test::PostWindowEvent(kCalWindow, pf::kEventCloseWindow);
  EXPECT_FALSE(YRM_CalibrationPass(0));
}

}  // namespace
