// The simulated instrument as users and tests drive it: its settings file
// followed while the device is open, the time a reply takes, and the faults
// of the driver calls it takes to order.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <ctime>

#include "link/connection.h"
#include "link/convert.h"
#include "link/params.h"
#include "linkfixture.h"
#include "platform/tcp.h"

namespace {

class Simulator : public linktest::LinkTest {
 protected:
  // Connects with `file` as sim.txt and 1 V, 1 kohm, 100 Hz applied.
  void Connect(const std::string& file) {
    yrmtest::Spit(dir + "/sim.txt", file);
    YRM_StartConnection();
    ASSERT_EQ(usbopen, 1);
    voltage = 1000;
    resistance = 1000;
    frequency = 100;
    YRM_SendInstrumentParams();
  }
  // Rewrites sim.txt and lets the simulator's next look at it come due.
  void Rewrite(const std::string& file) {
    yrmtest::Spit(dir + "/sim.txt", file);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
  }
  // n frames requested at once, as decoded from the wire.
  std::vector<DataFrame> Frames(int n) {
    std::vector<DataFrame> out;
    if (!Request(n)) return out;
    std::lock_guard<std::mutex> g(linklock);
    std::vector<uint8_t> bytes(kFrameBytes);
    for (int k = 0; k < n; ++k) {
      uint32_t got = 0;
      DataFrame f;
      if (d2xx::Read(fthandle, bytes.data(), kFrameBytes, &got) == 0 && got == kFrameBytes &&
          DecodeDataFrame(bytes.data(), f))
        out.push_back(f);
    }
    return out;
  }
  // Peak pin voltage of one frame; -1 when the frame was bad.
  float Peak() {
    if (!Frame()) return -1;
    YRM_ConvertSamples();
    return *std::max_element(livev.begin() + 1, livev.begin() + 65);
  }
};

// The component, and a fault, change under the open device; a line that
// cannot be read leaves the last good settings and says why in sim.log.
TEST_F(Simulator, SettingsFileActsWhileTheDeviceIsOpen) {
  Connect("component=short\n");
  EXPECT_NEAR(Peak(), 0.0f, 0.01f);

  Rewrite("component=resistor 1k\n");
  EXPECT_NEAR(Peak(), 0.5f, 0.01f);

  Rewrite("noise=2\ncomponent=resistr 1k\n");
  EXPECT_NEAR(Peak(), 0.5f, 0.01f) << "the probe fell back";
  std::string log = yrmtest::Slurp(dir + "/sim.log");
  EXPECT_NE(log.find("line 2: unknown component 'resistr'"), std::string::npos) << log;

  // A fault line acts on the frames after it, once: an unchanged line read
  // again with the rest of a changed file does not start it again.
  Rewrite("component=resistor 1k\nbadchecksum=1\n");
  EXPECT_EQ(Peak(), -1.0f);
  EXPECT_NEAR(Peak(), 0.5f, 0.01f);
  Rewrite("component=open\nbadchecksum=1\n");
  EXPECT_NEAR(Peak(), 1.0f, 0.01f);
  EXPECT_NE(yrmtest::Slurp(dir + "/sim.log").find("read without errors"), std::string::npos);
}

// Sampling one frame takes points x samples per point x cycles at 64000
// samples a second; then its 520 bytes cross the line at 40 us each.
TEST_F(Simulator, ReplyIsReadableAfterItsSamplesAndItsBytes) {
  Connect("component=resistor 1k\n");
  struct Case {
    float hz;
    int64_t samplingUs;
  } cases[] = {{10, 100000}, {20, 100000}, {1000, 80000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hz);
    frequency = c.hz;
    YRM_SendInstrumentParams();
    // The register bytes, sent at once here (the bursts' quiet times are
    // instant), take 41 ms to cross the line ahead of the request.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    long long before = simctl::TransferCount();
    ASSERT_TRUE(Request());
    auto sent = simctl::Transfers(before);
    ASSERT_EQ(sent.size(), 1u);
    const int64_t requestArrives = 8 * 40, frameCrosses = 520 * 40;
    EXPECT_NEAR(simctl::LastReplyReadyUs() - sent[0].us, requestArrives + c.samplingUs + frameCrosses, 2);
    YRM_ReadUsbFrames();
    EXPECT_EQ(newframe.exchange(0), 1);
  }
}

// Noise leaves every point's sum where the noiseless frame has it and
// spreads it by the noise per sample (mV rms) times the ADC's counts per
// volt times the square root of the samples summed, the rounding's own
// 1/12 count squared included. Without noise every frame is the same.
TEST_F(Simulator, NoiseKeepsEachPointsMeanAndSpread) {
  Connect("component=resistor 1k\n");  // 100 Hz: 10 samples x 8 cycles a point
  const double samples = 80, countsPerVolt = 3200;
  Configure("noise=0");
  const std::vector<DataFrame> quiet = Frames(6);
  ASSERT_EQ(quiet.size(), 6u);
  for (const DataFrame& f : quiet) {
    EXPECT_EQ(f.adc0, quiet[0].adc0);
    EXPECT_EQ(f.adc1, quiet[0].adc1);
  }
  for (double mv : {1.0, 4.0}) {
    SCOPED_TRACE(mv);
    Configure("noise=" + std::to_string(mv) + "\nseed=5");  // the same draws whatever came before
    const std::vector<DataFrame> noisy = Frames(12);
    ASSERT_EQ(noisy.size(), 12u);
    const double spread =
        std::sqrt(samples * (std::pow(mv / 1000 * countsPerVolt, 2) + 1.0 / 12));  // counts rms of a sum
    for (int adc : {0, 1}) {
      double sum = 0, squares = 0;
      int n = 0;
      for (const DataFrame& f : noisy)
        for (int i = 0; i < kFramePoints; ++i) {
          const double d =
              adc == 0 ? double(f.adc0[i]) - quiet[0].adc0[i] : double(f.adc1[i]) - quiet[0].adc1[i];
          sum += d;
          squares += d * d;
          ++n;
        }
      const double mean = sum / n, sd = std::sqrt(squares / n - mean * mean);
      EXPECT_NEAR(mean / spread, 0.0, 0.12) << "ADC" << adc;  // 4 standard errors of 768 sums
      EXPECT_NEAR(sd / spread, 1.0, 0.1) << "ADC" << adc;
    }
  }
}

// The CPU time spent building frames is counted (the synthesis a real
// instrument does in hardware, which benchmarks take off the program's
// cost): it grows with the frames, no faster than the process's CPU time,
// and a reset clears it.
TEST_F(Simulator, SynthesisTimeIsCountedPerFrame) {
  Connect("component=resistor 1k\nnoise=1\n");
  const long long before = simctl::SynthesisCpuUs();
  const std::clock_t cpu0 = std::clock();
  ASSERT_EQ(Frames(4).size(), 4u);
  const long long spent = simctl::SynthesisCpuUs() - before;
  const double processUs = double(std::clock() - cpu0) * 1e6 / CLOCKS_PER_SEC;
  EXPECT_GT(spent, 0);
  EXPECT_LE(spent, processUs + 1);
  simctl::Reset();
  EXPECT_EQ(simctl::SynthesisCpuUs(), 0);
}

// The driver's receive queue holds 65536 bytes: of a reply arriving at a
// nearly full queue the first bytes are kept and the rest lost and counted.
TEST_F(Simulator, FullReceiveQueueKeepsWhatFitsAndCountsTheRest) {
  Open();
  simctl::Inject(std::vector<uint8_t>(65536 - 100, 0xA5));
  {
    std::lock_guard<std::mutex> g(linklock);
    YRM_SendRequestFrame(0);
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (simctl::LastReplyReadyUs() == 0 && std::chrono::steady_clock::now() < end) {
    Waiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_NE(simctl::LastReplyReadyUs(), 0) << "the reply never came";
  EXPECT_EQ(Waiting(), 65536u);
  EXPECT_EQ(simctl::Counter("overflow"), 520 - 100);
  std::vector<uint8_t> bytes(65536);
  uint32_t got = 0;
  EXPECT_EQ(d2xx::Read(fthandle, bytes.data(), 65536, &got), 0u);
  EXPECT_EQ(got, 65536u);
  EXPECT_EQ(bytes[65435], 0xA5);
  EXPECT_EQ(Waiting(), 0u);
}

// The bench meter listens where sim.txt says, moves when the address
// changes and stops at meter=off: its thread, asleep until needed, is woken
// by each change.
TEST_F(Simulator, MeterFollowsItsAddressAndStopsWhenOff) {
  // True once connecting to `address` succeeds (or fails) as `listening`
  // says; the meter's thread acts on its own, so a few tries are allowed.
  auto becomes = [](const std::string& address, bool listening) {
    for (int tries = 0; tries < 100; ++tries) {
      const int h = pf::TcpConnect(address, 5025, 1000);
      pf::TcpClose(h);
      if ((h != 0) == listening) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  };
  const std::string first = linktest::MeterAddress(1), second = linktest::MeterAddress(2);
  Configure("meter=" + first);
  EXPECT_TRUE(becomes(first, true));
  // The look's connection wakes the thread too: once it has been served, only
  // the change itself can move the meter.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Configure("meter=" + second);
  EXPECT_TRUE(becomes(second, true));
  EXPECT_TRUE(becomes(first, false));
  Configure("meter=off");
  EXPECT_TRUE(becomes(second, false));
}

TEST_F(Simulator, DriverCallsFailToOrder) {
  Open();
  uint32_t n = 0;
  uint8_t buffer[1040];

  // Named calls return their status and do nothing.
  Configure("fail=FT_Write, FT_GetStatus:5");
  long long transfers = simctl::TransferCount();
  EXPECT_EQ(d2xx::Write(fthandle, buffer, 8, &n), 4u);
  EXPECT_EQ(d2xx::GetStatus(fthandle, &n, &n, &n), 5u);
  EXPECT_EQ(simctl::TransferCount(), transfers);
  Configure("fail=");

  // A short read delivers half and leaves the rest queued.
  ASSERT_TRUE(Request(2));
  Configure("shortread=1");
  EXPECT_EQ(d2xx::Read(fthandle, buffer, 520, &n), 0u);
  EXPECT_EQ(n, 260u);
  EXPECT_EQ(d2xx::Read(fthandle, buffer, 520, &n), 0u);
  EXPECT_EQ(n, 520u);

  // A function missing by name, and back, at the next load.
  Configure("missing=FT_ReadEE");
  ASSERT_TRUE(pf::OpenLibrary(kDriverLibrary, "ftd2xx"));
  EXPECT_EQ(pf::LibraryFunction(kDriverLibrary, "FT_ReadEE"), nullptr);
  EXPECT_NE(pf::LibraryFunction(kDriverLibrary, "FT_WriteEE"), nullptr);
  Configure("missing=");
  ASSERT_TRUE(pf::OpenLibrary(kDriverLibrary, "ftd2xx"));
  EXPECT_NE(pf::LibraryFunction(kDriverLibrary, "FT_ReadEE"), nullptr);
  EXPECT_NE(simctl::Configure("missing=FT_Teleport"), "");

  // Unplugged, every call fails until the device is plugged in again; the
  // old handle is then dead and a new open works.
  Configure("unplug");
  uint16_t word = 0;
  EXPECT_NE(d2xx::GetStatus(fthandle, &n, &n, &n), 0u);
  EXPECT_NE(d2xx::Write(fthandle, buffer, 8, &n), 0u);
  EXPECT_NE(d2xx::ReadEE(fthandle, 0, &word), 0u);
  uint32_t count = 7;
  d2xx::CreateDeviceInfoList(&count);
  EXPECT_EQ(count, 0u);
  FtHandle other = nullptr;
  EXPECT_NE(d2xx::Open(0, &other), 0u);
  Configure("replug");
  EXPECT_NE(d2xx::GetStatus(fthandle, &n, &n, &n), 0u);
  EXPECT_EQ(d2xx::Open(0, &other), 0u);
  EXPECT_EQ(d2xx::GetStatus(other, &n, &n, &n), 0u);
  d2xx::Close(other);
}

// A program killed in the middle of a store: the EEPROM file, read by a fresh
// simulator, holds every word written before the kill and every word not yet
// reached as it was, as an EEPROM does.
TEST_F(Simulator, EepromFileKeepsItsWordsWhenTheWriterIsKilled) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "threads after fork are not supported under ThreadSanitizer";
#endif
  constexpr int kFirst = 128, kWords = 1024;  // the calibration text's words
  auto before = [](int w) { return static_cast<uint16_t>(0x5000 + w); };
  auto after = [](int w) { return static_cast<uint16_t>(0xA000 + w); };
  Configure("eepromfile=ee.bin");
  Open();
  std::vector<int> head;  // the words a store does not touch
  for (int w = 0; w < kFirst; ++w) head.push_back(simctl::EepromWord(w));
  // Words written in the child so far, seen by both processes.
  void* shared =
      mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(shared, MAP_FAILED);
  auto* written = new (shared) std::atomic<int>(0);
  for (int cut : {1, 40, 300, 611, 895}) {
    SCOPED_TRACE("killed after " + std::to_string(cut) + " words");
    for (int w = kFirst; w < kWords; ++w)
      ASSERT_EQ(d2xx::WriteEE(fthandle, static_cast<uint32_t>(w), before(w)), 0u);
    written->store(0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int w = kFirst; w < kWords; ++w) {
        d2xx::WriteEE(fthandle, static_cast<uint32_t>(w), after(w));
        written->fetch_add(1);
      }
      for (;;) d2xx::WriteEE(fthandle, kWords - 1, after(kWords - 1));  // until killed
    }
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (written->load() < cut && std::chrono::steady_clock::now() < give_up) {
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const int n = written->load();
    ASSERT_GE(n, cut);

    YRM_CloseUsbPort();
    simctl::Reset();
    Configure("eepromfile=ee.bin");
    Open();
    for (int w = 0; w < kFirst; ++w) ASSERT_EQ(simctl::EepromWord(w), head[w]) << w;
    for (int w = kFirst; w < kWords; ++w) {
      const int k = w - kFirst;  // the child's k-th write
      if (k < n) {
        ASSERT_EQ(simctl::EepromWord(w), after(w)) << w;
      } else if (k > n) {
        ASSERT_EQ(simctl::EepromWord(w), before(w)) << w;
      }
    }
  }
  munmap(shared, sizeof(std::atomic<int>));
}

// A short file (its writer cut off) is not read: the EEPROM is built as
// without one, and the first word written makes the file whole.
TEST_F(Simulator, ShortEepromFileIsNotReadAndIsWrittenWholeAtTheFirstWord) {
  yrmtest::Spit(dir + "/ee.bin", std::string(100, '\x7f'));
  Configure("eepromfile=ee.bin");
  Open();
  const int calWord = simctl::EepromWord(128);
  EXPECT_EQ(simctl::EepromWord(1), 0x0403);
  ASSERT_EQ(d2xx::WriteEE(fthandle, 700, 0x1234), 0u);
  EXPECT_EQ(yrmtest::Slurp(dir + "/ee.bin").size(), 2048u);
  YRM_CloseUsbPort();
  simctl::Reset();
  Configure("eepromfile=ee.bin");
  Open();
  EXPECT_EQ(simctl::EepromWord(1), 0x0403);
  EXPECT_EQ(simctl::EepromWord(128), calWord);
  EXPECT_EQ(simctl::EepromWord(700), 0x1234);
}

// A store cut short or a cable pulled in the middle of the EEPROM sequence:
// faults that start after a count of one function's calls, counted from
// their line; a line in the file that stays as it was does not count again.
TEST_F(Simulator, FaultsAfterACountOfCalls) {
  Connect("");
  uint16_t word = 0;
  const int before = simctl::EepromWord(201);
  Configure("fail=FT_WriteEE:7@3");
  for (int k = 0; k < 3; ++k) EXPECT_EQ(d2xx::WriteEE(fthandle, 200, 0x1234), 0u) << k;
  EXPECT_EQ(d2xx::WriteEE(fthandle, 201, 0x5678), 7u);
  EXPECT_EQ(d2xx::WriteEE(fthandle, 201, 0x5678), 7u);
  EXPECT_EQ(simctl::EepromWord(201), before);
  EXPECT_EQ(d2xx::ReadEE(fthandle, 201, &word), 0u);  // other functions work
  Configure("fail=FT_WriteEE@1");                     // given again: counted afresh
  EXPECT_EQ(d2xx::WriteEE(fthandle, 202, 1), 0u);
  EXPECT_EQ(d2xx::WriteEE(fthandle, 202, 1), 4u);
  Configure("fail=");

  // From the file: another line changing does not restart the count.
  Rewrite("fail=FT_WriteEE@2\ncomponent=open\n");
  EXPECT_EQ(d2xx::WriteEE(fthandle, 203, 1), 0u);
  Rewrite("fail=FT_WriteEE@2\ncomponent=short\n");
  EXPECT_EQ(d2xx::WriteEE(fthandle, 203, 1), 0u);
  EXPECT_EQ(d2xx::WriteEE(fthandle, 203, 1), 4u);
  for (const char* bad : {"fail=FT_WriteEE@x", "missing=FT_Open@2", "unplug=FT_ReadEE@1, FT_Read@2"})
    EXPECT_NE(simctl::Configure(bad), "") << bad;

  Configure("unplug=FT_ReadEE@2");
  EXPECT_EQ(d2xx::ReadEE(fthandle, 128, &word), 0u);
  EXPECT_EQ(d2xx::ReadEE(fthandle, 129, &word), 0u);
  EXPECT_NE(d2xx::ReadEE(fthandle, 130, &word), 0u);
  EXPECT_EQ(simctl::Counter("unplugs"), 1);
  uint32_t n = 0;
  EXPECT_NE(d2xx::GetStatus(fthandle, &n, &n, &n), 0u);  // pulled out for good
}

// A meter that cannot take its address (another simulator holds it) says so
// in sim.log, where the user of that folder looks.
TEST_F(Simulator, MeterThatCannotListenSaysSoInItsLog) {
  const int holder = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(5025);
  const std::string address = linktest::MeterAddress(3);
  inet_pton(AF_INET, address.c_str(), &a.sin_addr);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(holder, 1), 0);
  Configure("meter=" + address);
  std::string log;
  for (int tries = 0; tries < 500 && log.empty(); ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    log = yrmtest::Slurp(dir + "/sim.log");
  }
  close(holder);
  EXPECT_NE(log.find("the bench meter cannot listen on " + address + ":5025"), std::string::npos) << log;
  EXPECT_NE(simctl::Configure("meter=192.168.1.7"), "");  // never off this machine
}

}  // namespace
