// Idle cost: the main step with no request set, and the CPU use of the running
// program while it sits idle (not connected, then connected to the simulated
// instrument when it is available), also with the editor, the Display Colours
// window or the calibration window open.
//
//   build/bench/bench_idle [seconds]
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/cpu.h"
#include "calibration/state.h"
#include "calibration/window.h"
#include "editor/editwindow.h"
#include "link/connection.h"
#include "link/params.h"
#include "link/state.h"
#include "platform/gui.h"
#include "shell/colourswindow.h"
#include "shell/startup.h"
#include "sim/control.h"
#include "testing/mainstep.h"
#include "testing/state.h"

namespace fs = std::filesystem;

// The main loop connected, over `seconds`: CPU share of this process, of the
// main loop's thread, of the simulator's frame synthesis (a real instrument
// does that in hardware) and of the rest, the program's own; and from the
// last byte of a reply becoming readable (the simulator's clock, the same
// steady clock) to the end of the pass that drew its trace.
static void MeasureConnected(int seconds, const char* what) {
  double cpu0 = cpuSeconds(getpid());
  const double main0 = threadCpuSeconds();
  const long long synthesis0 = simctl::SynthesisCpuUs(), frames0 = simctl::Counter("frames");
  auto t0 = std::chrono::steady_clock::now();
  std::vector<double> latency;
  long long lastReady = simctl::LastReplyReadyUs();
  while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(seconds)) {
    MainLoopPass();
    const long long ready = simctl::LastReplyReadyUs();
    if (ready != lastReady && lastgoodframe * 1000 + 1000 > ready && newframe == 0 && traceredraw == 0) {
      const long long now = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
      latency.push_back((now - ready) / 1000.0);
      lastReady = ready;
    }
  }
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double process = cpuSeconds(getpid()) - cpu0;
  const double synthesis = double(simctl::SynthesisCpuUs() - synthesis0) / 1e6;
  std::printf("idle program: %.2f %% of one core over %.1f s (connected, live trace drawn, simulator %s)\n",
              100.0 * process / wall, wall, what);
  std::printf("  of which the main loop's thread: %.2f %% (the rest: poll thread and simulator)\n",
              100.0 * (threadCpuSeconds() - main0) / wall);
  std::printf("  of which the simulator's frame synthesis: %.2f %% (%lld frames, %.0f us each)\n",
              100.0 * synthesis / wall, simctl::Counter("frames") - frames0,
              1e6 * synthesis / double(std::max(1LL, simctl::Counter("frames") - frames0)));
  std::printf("the program without the simulator's synthesis: %.2f %% of one core\n",
              100.0 * (process - synthesis) / wall);
  if (!latency.empty()) {
    std::sort(latency.begin(), latency.end());
    std::printf("frame bytes complete -> trace drawn, %zu frames: median %.2f ms, p90 %.2f ms, max %.2f ms\n",
                latency.size(), latency[latency.size() / 2], latency[latency.size() * 9 / 10],
                latency.back());
  }
}

// A window's own loop, open and idle for `seconds` after a second to settle:
// CPU share of this process (less the simulator's frame synthesis), of the
// loop's thread, and the loop's passes a second; while connected, also from
// the last byte of a reply becoming readable (the simulator's clock) to its
// reading by the poll thread or the window. The wait hook, which runs once a
// pass on the loop's thread, presses `press` (0 = nothing) at the first
// pass, takes the samples and closes the window.
static void MeasureWindow(const char* what, int win, int seconds, void (*run)(), int press = 0) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now() + std::chrono::seconds(1),
                          end = start + std::chrono::seconds(seconds);
  struct Sample {
    Clock::time_point wall;
    double process = 0, thread = 0, synthesis = 0;
    long long passes = 0;
  } first, last;
  bool started = false, closed = false, pressed = press == 0;
  long long passes = 0;
  std::vector<double> latency;
  int64_t lastRead = lastgoodread;
  auto sample = [&passes] {
    return Sample{Clock::now(), cpuSeconds(getpid()), threadCpuSeconds(),
                  double(simctl::SynthesisCpuUs()) / 1e6, passes};
  };
  pf::test::SetWaitHook([&] {
    ++passes;
    if (!pressed) {
      pressed = true;
      pf::test::PostGadgetEvent(win, press);
    }
    const Clock::time_point now = Clock::now();
    if (!started && now >= start) first = sample(), started = true;
    if (started && !closed && lastgoodread != lastRead) {
      lastRead = lastgoodread;
      latency.push_back((double(lastRead) * 1000.0 - double(simctl::LastReplyReadyUs())) / 1000.0);
    }
    if (started && !closed && now >= end) {
      last = sample();
      closed = true;
      pf::test::PostWindowEvent(win, pf::kEventCloseWindow);
    }
  });
  run();
  pf::test::SetWaitHook(nullptr);
  if (!closed) {
    std::printf("%s: the window closed by itself\n", what);
    return;
  }
  const double wall = std::chrono::duration<double>(last.wall - first.wall).count();
  std::printf(
      "%s: %.2f %% of one core over %.1f s (without the simulator's synthesis), its loop's thread "
      "%.2f %%, %.0f passes a second\n",
      what, 100.0 * (last.process - first.process - (last.synthesis - first.synthesis)) / wall, wall,
      100.0 * (last.thread - first.thread) / wall, double(last.passes - first.passes) / wall);
  if (!latency.empty()) {
    std::sort(latency.begin(), latency.end());
    std::printf("  frame bytes complete -> read, %zu frames (ms clock): median %.1f ms, max %.1f ms\n",
                latency.size(), latency[latency.size() / 2], latency.back());
  }
}

static void MeasureEditor(int seconds, const char* link) {
  const std::string what = std::string("editor open, idle, ") + link;
  MeasureWindow(what.c_str(), kEditWindow, seconds, YRM_EditRecordsWindow);
}

static void MeasureColours(int seconds, const char* link) {
  const std::string what = std::string("Display Colours open, idle, ") + link;
  MeasureWindow(what.c_str(), kColoursWindow, seconds, YRM_DisplayColoursWindow);
}

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  fs::path self = fs::read_symlink("/proc/self/exe");
  fs::path build = self.parent_path().parent_path();

  // 1. The idle main step, in process.
  char tmpl[] = "/tmp/yrmbench-XXXXXX";
  fs::path dir = mkdtemp(tmpl);
  fs::current_path(dir);
  SetStartValues();
  YRM_MainLoopStep();  // serves the start-up requests
  const int n = 2000000;
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) YRM_MainLoopStep();
  double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count() / n;
  std::printf("idle main step: %.1f ns per step (%d steps)\n", ns, n);

  // 2. The running program, idle, measured from outside.
  fs::path exe = build / "yrm32";
  if (!fs::exists(exe)) {
    std::printf("no %s: skipping the process measurement\n", exe.c_str());
    return 0;
  }
  fs::copy(build / "work-template", dir, fs::copy_options::recursive | fs::copy_options::skip_existing);
  pid_t pid = fork();
  if (pid == 0) {
    execl(exe.c_str(), exe.c_str(), nullptr);
    _exit(127);
  }
  sleep(3);  // start-up, including its one-second pause
  double c0 = cpuSeconds(pid);
  auto w0 = std::chrono::steady_clock::now();
  sleep(seconds);
  double c1 = cpuSeconds(pid);
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
  std::printf("idle program: %.2f %% of one core over %.1f s (not connected)\n", 100.0 * (c1 - c0) / wall,
              wall);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);

  // 3. The program in this process: the windows of their own, not connected.
  fs::path sim = build / "sim" / "libftd2xx.so";
  if (fs::exists(sim)) fs::copy_file(sim, dir / "libftd2xx.so", fs::copy_options::overwrite_existing);
  StartUp();
  MeasureEditor(seconds, "not connected");
  MeasureColours(seconds, "not connected");

  // 4. Connected to the simulated instrument: the main loop runs in this
  // process, so its CPU time is this process's; then each window open.
  if (fs::exists(sim)) {
    YRM_StartConnection();
    if (usbopen != 1) {
      std::printf("could not connect to the simulated instrument\n");
    } else {
      // Settle: settings sent, frames flowing. By time, not by passes: an idle
      // pass sleeps until the next frame.
      const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(3);
      while (std::chrono::steady_clock::now() < settle) MainLoopPass();
      // The simulator synthesises its frames (with noise) inside this
      // process; the second run without noise shows more of the program's
      // own share.
      for (const char* noise : {"noise=1", "noise=0"}) {
        simctl::Configure(noise);
        MeasureConnected(seconds, noise);
      }
      MeasureEditor(seconds, "connected");
      MeasureColours(seconds, "connected");
      // Last: closing the calibration window stops the link.
      MeasureWindow("calibration window open, idle, connected", kCalWindow, seconds, YRM_CalibrationWindow);
      // Again after a 10 Hz setting (100 ms of sampling a frame), with the
      // window's own output (80 ms) set.
      YRM_StartConnection();
      frequency = 10;
      YRM_SendInstrumentParams();
      if (usbopen == 1)
        MeasureWindow("calibration window after 10 Hz, Set output +10V, idle, connected", kCalWindow, seconds,
                      YRM_CalibrationWindow, kSet10Button);
    }
  }
  fs::current_path("/");
  fs::remove_all(dir);
  std::fflush(nullptr);
  std::_Exit(0);  // the poll thread ends with the process, as in the program
}
