// Start-up cost of large inputs: the program is started (offscreen) in a fresh
// working folder holding a plan of N pins under one component, or a 50 MB
// settings file, and timed until it sits idle (see untilIdle). Prints one line
// per case for each program given, so two builds are measured in one run, and
// for the plans a breakdown measured inside this build.
//
//   build/bench/bench_startup_scaling [program ...]   (default: build/yrm32)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/cpu.h"
#include "platform/clock.h"
#include "shell/startup.h"
#include "testing/mainstep.h"
#include "testing/planfile.h"
#include "testing/records.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void writeFile(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

std::string planText(int pins) {
  RecordTable table(pins + 1, kPlanFields);
  for (int r = 2; r <= pins + 1; ++r) {
    table.SetField(r, kFieldComponent, "U1");
    table.SetField(r, kFieldPin, std::to_string(r - 1));
    table.SetField(r, kFieldResult, "Untested");
    table.SetField(r, kFieldDescription, "U1, Pin " + std::to_string(r - 1));
  }
  std::string text;
  FormatTestPlanText(table, text);
  return text;
}

struct Idle {
  double wall = -1;  // seconds from the start until idle, -1: not within the limit
  double cpu = 0;    // CPU seconds the program used until then
};

// The program counts as busy while it used more than 20 % of one core over
// the last half second (it idles well below that; the start-up's one-second
// pause is no CPU time), and as idle after 2 s without being busy.
Idle untilIdle(const fs::path& exe, const fs::path& dir, double limit) {
  auto t0 = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execl(exe.c_str(), exe.c_str(), nullptr);
    _exit(127);
  }
  struct Sample {
    double t, cpu;
  };
  std::vector<Sample> samples{{0, 0}};
  Idle idle;
  double busyUntil = 0, busyCpu = 0;
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    double now = std::chrono::duration<double>(Clock::now() - t0).count();
    double cpu = cpuSeconds(pid);
    if (cpu < 0) break;
    samples.push_back({now, cpu});
    size_t k = samples.size() - 1;
    while (k > 0 && now - samples[k - 1].t <= 0.5) --k;
    if (cpu - samples[k].cpu > 0.2 * (now - samples[k].t) && now - samples[k].t > 0.2) {
      busyUntil = now;
      busyCpu = cpu;
    }
    if (now - busyUntil > 2.0) {
      idle.wall = busyUntil;
      idle.cpu = busyCpu;
      break;
    }
    if (now > limit) break;
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return idle;
}

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// This build, in a child process started in `dir`: the plan read on its own,
// then the start-up (its one-second pause skipped) and main-loop passes until
// the main step has nothing left to do, so the loop would sleep its longest.
void inProcess(const fs::path& dir, const std::string& name, double limit) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    fs::current_path(dir);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    pf::test::SetDelay([](int) {});
    auto t0 = Clock::now();
    YRM_ReadTestPlan("testplans\\big.qvt");
    const double read = secondsSince(t0);
    t0 = Clock::now();
    StartUp();
    constexpr int kLongest = 500;
    while (MainStepWait(kLongest) != kLongest && secondsSince(t0) < limit) MainLoopPass();
    const double idleAt = secondsSince(t0);
    if (MainStepWait(kLongest) != kLongest) {
      std::printf("%-22s %-32s not idle within %.0f s\n", name.c_str(), "this build, in process", limit);
      std::fflush(stdout);
      std::_Exit(0);
    }
    std::printf(
        "%-22s %-32s plan read %.2f s, start-up until idle %.2f s (1 s pause skipped), "
        "so %.2f s after the read\n",
        name.c_str(), "this build, in process", read, idleAt, idleAt - read);
    std::fflush(stdout);
    std::_Exit(0);
  }
  waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
  fs::path self = fs::read_symlink("/proc/self/exe");
  fs::path build = self.parent_path().parent_path();
  std::vector<fs::path> programs;
  for (int i = 1; i < argc; ++i) programs.emplace_back(argv[i]);
  if (programs.empty()) programs.push_back(build / "yrm32");
  const double limit = 300;

  char tmpl[] = "/tmp/yrmscale-XXXXXX";
  fs::path root = mkdtemp(tmpl);
  struct Case {
    std::string name;
    fs::path dir;
  };
  std::vector<Case> cases;
  for (int pins : {50000, 100000, 200000}) {
    fs::path dir = root / ("plan" + std::to_string(pins));
    fs::create_directories(dir / "testplans");
    writeFile(dir / "testplans" / "big.qvt", planText(pins));
    writeFile(dir / "YRM_settings.txt", "YRM_TestPlanFileName=testplans\\big.qvt\r\n");
    cases.push_back({std::to_string(pins) + " plan rows", dir});
  }
  {
    // 50 MB: lines that hold no key, then the keys an operator set.
    fs::path dir = root / "settings50mb";
    fs::create_directories(dir);
    std::string text;
    const std::string filler = "Note=kept by hand, not a key the program reads, padding the file\r\n";
    while (text.size() < 50u * 1000 * 1000) text += filler;
    text += "ActiveInstrument=YRM-C\r\nYRM_Mode=Basic\r\n";
    writeFile(dir / "YRM_settings.txt", text);
    cases.push_back({"50 MB settings file", dir});
  }

  for (const Case& c : cases) {
    for (const fs::path& exe : programs) {
      fs::path dir = root / "run";
      fs::remove_all(dir);
      fs::copy(c.dir, dir, fs::copy_options::recursive);
      fs::copy(build / "work-template", dir, fs::copy_options::recursive | fs::copy_options::skip_existing);
      Idle s = untilIdle(exe, dir, limit);
      if (s.wall < 0)
        std::printf("%-22s %-32s not idle within %.0f s\n", c.name.c_str(), exe.c_str(), limit);
      else
        std::printf("%-22s %-32s idle after %6.2f s (%6.2f s CPU)\n", c.name.c_str(), exe.c_str(), s.wall,
                    s.cpu);
      std::fflush(stdout);
    }
    if (c.name.find("plan rows") != std::string::npos) {
      fs::path dir = root / "run";
      fs::remove_all(dir);
      fs::copy(c.dir, dir, fs::copy_options::recursive);
      fs::copy(build / "work-template", dir, fs::copy_options::recursive | fs::copy_options::skip_existing);
      inProcess(dir, c.name, limit);
    }
  }
  fs::remove_all(root);
  return 0;
}
