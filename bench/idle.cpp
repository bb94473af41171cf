// Idle cost: the main step with no request set, and the CPU use of the running
// program while it sits idle (not connected, then connected to the simulated
// instrument when it is available).
//
//   build/bench/bench_idle [seconds]
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

#include "shell/startup.h"
#include "testing/mainstep.h"
#include "testing/state.h"

namespace fs = std::filesystem;

static double cpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t close = s.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(s.substr(close + 2));
  std::string field;
  unsigned long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stoul(field);
    if (i == 15) stime = std::stoul(field);
  }
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

int main(int argc, char** argv) {
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
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    execl(exe.c_str(), exe.c_str(), nullptr);
    _exit(127);
  }
  sleep(3);  // start-up, including its one-second pause
  double c0 = cpuSeconds(pid);
  auto w0 = std::chrono::steady_clock::now();
  sleep(seconds);
  double c1 = cpuSeconds(pid);
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
  std::printf("idle program: %.2f %% of one core over %.1f s (not connected)\n", 100.0 * (c1 - c0) / wall, wall);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  fs::remove_all(dir);
  return 0;
}
