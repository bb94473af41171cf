#include "sim/bench.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "sim/instrument.h"

// The generator output now, through the library's own entry point (it takes
// the instrument's lock).
extern "C" double SIM_Output(int which);

namespace sim {
namespace {

constexpr int kMeterPort = 5025;
constexpr double kDefaultGainPercent = 0.35;
constexpr double kDefaultOffsetMv = 4.0;
constexpr double kDefaultMeterNoiseMv = 0.02;
constexpr int kSplitPauseMs = 300;

struct Bench {
  double gainPercent = kDefaultGainPercent;
  double offsetMv = kDefaultOffsetMv;
  double noiseMv = kDefaultMeterNoiseMv;
  std::string address;  // "" = the meter is off
  std::string fault;    // noreply, split, close, exponent
  int faultCount = 0;   // readings the fault still applies to
};

std::mutex benchLock;  // never held while the instrument's lock is taken
Bench bench;

bool Number(const std::string& text, double& out) {
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == 0;
}

// A dotted address 127.x.y.z.
bool LoopbackAddress(const std::string& text, in_addr& out) {
  return inet_pton(AF_INET, text.c_str(), &out) == 1 && (ntohl(out.s_addr) >> 24) == 127;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The meter: one thread, started at the first address given, that listens
// on the address asked for, takes any number of clients and answers READ?.
// It sleeps until a client or a change (Wake) needs it, not on a timer: the
// program it serves is measured idle.
class Meter {
 public:
  ~Meter() { Stop(); }
  void Stop() {
    stop_ = true;
    Wake();
    if (thread_.joinable()) thread_.join();
  }
  // Starts the thread once. It is stopped at exit before the instrument it
  // measures is destroyed (registered after that was made).
  void Want();
  // The address may have changed, or the thread is to stop.
  void Wake() {
    if (wake_[1] >= 0 && write(wake_[1], "w", 1) < 0) {
      // Full: a wake-up is already waiting.
    }
  }

 private:
  struct Client {
    int fd;
    std::string pending;
    bool current = false;  // configured for current
  };

  void Run() {
    std::string bound;
    int listener = -1;
    std::vector<Client> clients;
    std::mt19937 rng(1);
    auto closeAll = [&] {
      for (Client& c : clients) close(c.fd);
      clients.clear();
      if (listener >= 0) close(listener);
      listener = -1;
    };
    while (!stop_) {
      std::string want;
      {
        std::lock_guard<std::mutex> g(benchLock);
        want = bench.address;
      }
      if (want != bound) {
        closeAll();
        bound = want;
        if (!want.empty()) listener = Listen(want);
      }
      std::vector<pollfd> fds{{wake_[0], POLLIN, 0}};
      if (listener >= 0) fds.push_back({listener, POLLIN, 0});
      for (Client& c : clients) fds.push_back({c.fd, POLLIN, 0});
      if (poll(fds.data(), fds.size(), -1) <= 0) continue;
      size_t k = 0;
      if (fds[k++].revents & POLLIN) {
        char drained[64];
        while (read(wake_[0], drained, sizeof drained) > 0) {
        }
      }
      if (listener >= 0) {
        if (fds[k++].revents & POLLIN) {
          int fd = accept(listener, nullptr, nullptr);
          if (fd >= 0) clients.push_back({fd, "", false});
        }
      }
      for (size_t i = 0; k < fds.size(); ++k, ++i) {
        if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        Client& c = clients[i];
        char buf[1024];
        ssize_t n = read(c.fd, buf, sizeof buf);
        if (n <= 0) {
          close(c.fd);
          c.fd = -1;
          continue;
        }
        c.pending.append(buf, static_cast<size_t>(n));
        size_t eol;
        while (c.fd >= 0 && (eol = c.pending.find('\n')) != std::string::npos) {
          std::string line = Upper(c.pending.substr(0, eol));
          c.pending.erase(0, eol + 1);
          while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
          Command(c, line, rng);
        }
      }
      clients.erase(std::remove_if(clients.begin(), clients.end(), [](const Client& c) { return c.fd < 0; }),
                    clients.end());
    }
    closeAll();
  }

  // A meter that cannot take its address says so where the user looks
  // (sim.log beside sim.txt, and standard error): a program dialling that
  // address would reach whatever holds it.
  static int Listen(const std::string& address) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kMeterPort);
    if (!LoopbackAddress(address, a.sin_addr)) {
      LogNote("sim: the bench meter's address must be a loopback address 127.x.y.z: " + address);
      return -1;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    if (fd >= 0) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 4) != 0) {
      const std::string why = std::strerror(errno);
      LogNote("sim: the bench meter cannot listen on " + address + ":" + std::to_string(kMeterPort) + " (" +
              why + ") - another simulator or program holds it; give meter= a free loopback address");
      if (fd >= 0) close(fd);
      return -1;
    }
    return fd;
  }

  static void Command(Client& c, const std::string& line, std::mt19937& rng) {
    if (line.rfind("CONF", 0) == 0) {
      c.current = line.find("CURR") != std::string::npos;
      return;
    }
    if (line != "READ?") return;  // ranges and anything else: taken silently
    std::string fault;
    double noiseMv;
    {
      std::lock_guard<std::mutex> g(benchLock);
      noiseMv = bench.noiseMv;
      if (bench.faultCount > 0) {
        fault = bench.fault;
        --bench.faultCount;
      }
    }
    if (fault == "noreply") return;
    if (fault == "close") {
      close(c.fd);
      c.fd = -1;
      return;
    }
    std::normal_distribution<double> noise(0, noiseMv / 1000);
    double value = c.current ? 0 : SIM_Output(0);
    value += noiseMv > 0 ? noise(rng) : 0;
    char text[64];
    std::snprintf(text, sizeof text, "%+.8E\n", value);
    std::string reply = fault == "exponent" ? "+9.90000000E+37\n" : text;
    if (fault == "split") {
      Send(c.fd, reply.substr(0, 7));
      std::this_thread::sleep_for(std::chrono::milliseconds(kSplitPauseMs));
      reply.erase(0, 7);
    }
    Send(c.fd, reply);
  }

  static void Send(int fd, const std::string& s) {
    if (send(fd, s.data(), s.size(), MSG_NOSIGNAL) < 0) return;
  }

  std::atomic<bool> stop_{false};
  std::thread thread_;
  int wake_[2] = {-1, -1};  // a pipe: a byte written wakes the thread
};

Meter meter;

void Meter::Want() {
  if (thread_.joinable()) {
    Wake();
    return;
  }
  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    LogNote("sim: the bench meter cannot start");
    return;
  }
  thread_ = std::thread([this] { Run(); });
  std::atexit([] { meter.Stop(); });
}

}  // namespace

bool BenchKey(const std::string& key, const std::string& value, std::string& error, bool apply) {
  double v = 0;
  std::lock_guard<std::mutex> g(benchLock);
  if (key == "dacgain" || key == "dacoffset" || key == "meternoise") {
    if (!Number(value, v)) {
      error = "not a number: " + key + "=" + value;
      return true;
    }
    if (!apply) return true;
    if (key == "dacgain") bench.gainPercent = v;
    if (key == "dacoffset") bench.offsetMv = v;
    if (key == "meternoise") bench.noiseMv = std::max(0.0, v);
    return true;
  }
  if (key == "meter") {
    in_addr a{};
    if (value != "off" && !LoopbackAddress(value, a)) {
      error = "meter is off or a loopback address 127.x.y.z: " + value;
      return true;
    }
    if (!apply) return true;
    bench.address = value == "off" ? "" : value;
    if (!bench.address.empty())
      meter.Want();
    else
      meter.Wake();  // stops listening
    return true;
  }
  if (key == "meterfault") {
    std::istringstream in(value);
    std::string kind;
    int count = 1;
    in >> kind >> count;
    if (kind != "noreply" && kind != "split" && kind != "close" && kind != "exponent" && kind != "none") {
      error = "meterfault is noreply, split, close, exponent or none";
      return true;
    }
    if (!apply) return true;
    bench.fault = kind;
    bench.faultCount = kind == "none" ? 0 : std::max(1, count);
    return true;
  }
  return false;
}

void ResetBench(bool keepMeter) {
  std::lock_guard<std::mutex> g(benchLock);
  const std::string address = bench.address;
  bench = Bench{};
  if (keepMeter) bench.address = address;
  if (bench.address != address) meter.Wake();  // stops listening
}

double DacError(double volts) {
  std::lock_guard<std::mutex> g(benchLock);
  return volts * (1 + bench.gainPercent / 100) + bench.offsetMv / 1000;
}

}  // namespace sim
