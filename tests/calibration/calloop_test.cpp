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
