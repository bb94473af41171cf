// Link latency and cost against the simulated instrument:
//  - time from the last byte of a data frame becoming readable to `newframe`
//    being set by the poll thread;
//  - CPU use of the poll thread (the process, whose main thread sleeps) while
//    connected, and while not connected.
//
//   build/bench/bench_link_latency [frames] [seconds]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>
#include <vector>

#include "link/connection.h"
#include "link/poll.h"
#include "link/state.h"
#include "platform/files.h"
#include "shell/state.h"
#include "sim/control.h"
#include "testing/state.h"

namespace fs = std::filesystem;

namespace {
int64_t NowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// CPU seconds of the whole process over a sleep of `seconds`.
double CpuShare(int seconds) {
  std::clock_t c0 = std::clock();
  auto t0 = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  double cpu = double(std::clock() - c0) / CLOCKS_PER_SEC;
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return 100.0 * cpu / wall;
}
}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : 40;
  int seconds = argc > 2 ? std::atoi(argv[2]) : 10;

  std::string lib = pf::ProgramDirectory() + "/../sim/libftd2xx.so";
  fs::path work = fs::temp_directory_path() / ("yrm-bench-link-" + std::to_string(NowUs()));
  fs::create_directories(work);
  fs::current_path(work);
  if (!simctl::Install(work.string(), lib)) {
    std::fprintf(stderr, "simulator not found at %s\n", lib.c_str());
    return 1;
  }
  SetShellStartValues();
  SetTestingStartValues();
  SetLinkStartValues();
  simctl::Configure("component=resistor 1k");
  // A frequency of the program's table, so that each reply also waits for
  // its samples (80 ms at 100 Hz), as the instrument's do.
  frequency = 100;

  StartPollThread();
  std::printf("poll thread, not connected: %.2f %% of one core (%d s)\n", CpuShare(seconds), seconds);

  YRM_StartConnection();
  if (usbopen != 1) {
    std::fprintf(stderr, "no connection\n");
    return 1;
  }
  newframe = 0;
  std::vector<double> latency;
  long long lastReady = 0;
  while (static_cast<int>(latency.size()) < frames) {
    while (newframe.load(std::memory_order_acquire) == 0) std::this_thread::yield();
    int64_t seen = NowUs();
    newframe = 0;
    long long ready = simctl::LastReplyReadyUs();
    if (ready == lastReady) continue;  // not a fresh reply
    lastReady = ready;
    latency.push_back((seen - ready) / 1000.0);
  }
  std::sort(latency.begin(), latency.end());
  double sum = 0;
  for (double l : latency) sum += l;
  std::printf(
      "last byte readable -> newframe set, %zu frames: mean %.3f ms, median %.3f ms, "
      "p90 %.3f ms, max %.3f ms\n",
      latency.size(), sum / latency.size(), latency[latency.size() / 2], latency[latency.size() * 9 / 10],
      latency.back());

  std::printf("poll thread, connected: %.2f %% of one core (%d s)\n", CpuShare(seconds), seconds);
  std::printf("frames sent by the instrument: %lld, requests: %lld\n", simctl::Counter("frames"),
              simctl::Counter("requests"));

  StopPollThread();
  fs::current_path(fs::temp_directory_path());
  std::error_code ec;
  fs::remove_all(work, ec);
  return 0;
}
