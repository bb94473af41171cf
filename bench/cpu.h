// CPU time of a process, as the benchmarks measure it (Linux).
#pragma once
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

// User and system CPU seconds `pid` has used so far; -1 when unknown. From
// the process's CPU clock, to the nanosecond: the clock ticks of /proc (10 ms)
// are too coarse for an idle program's fraction of a percent, and serve only
// when that clock cannot be read.
inline double cpuSeconds(pid_t pid) {
  clockid_t clock;
  timespec t{};
  if (clock_getcpuclockid(pid, &clock) == 0 && clock_gettime(clock, &t) == 0)
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
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

// CPU seconds of the calling thread: a loop's own share, apart from the poll
// thread and the simulator it calls, or the cost of one call.
inline double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}
