// A SCPI meter of the test's own on a loopback address, port 5025 (as the
// program always dials): it records the lines it gets and answers "READ?"
// as scripted, or floods the connection with bytes nobody asked for.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "calibration/state.h"

namespace caltest {

class ScriptedMeter {
 public:
  explicit ScriptedMeter(const std::string& address) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kDmmPort);
    inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    ok_ = bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd_, 2) == 0;
    if (ok_) thread_ = std::thread([this] { Serve(); });
  }
  ~ScriptedMeter() {
    Flood(false);
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    close(fd_);
  }
  bool ok() const { return ok_; }
  // The answer to the next "READ?" without one ("" = no answer).
  void Reply(const std::string& r) {
    std::lock_guard<std::mutex> g(mu_);
    replies_.push_back(r);
  }
  // Answers every "READ?" beyond the scripted ones: reading n (from 0) is
  // answered with each(n).
  void ReplyEach(std::function<std::string(int)> each) {
    std::lock_guard<std::mutex> g(mu_);
    each_ = std::move(each);
  }
  // Sends bytes without end while on, from threads of their own so that the
  // receiver never finds the connection empty.
  void Flood(bool on) {
    if (on && flooders_.empty()) {
      flood_ = true;
      for (int k = 0; k < kFlooders; ++k)
        flooders_.emplace_back([this] {
          const std::string junk(1 << 16, '7');
          while (flood_) {
            const int peer = peer_.load();
            pollfd p{peer, POLLOUT, 0};
            const ssize_t n = peer < 0 || poll(&p, 1, 5) != 1
                                  ? -1
                                  : send(peer, junk.data(), junk.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) flooded_ += n;
          }
        });
    }
    if (!on && !flooders_.empty()) {
      flood_ = false;
      for (std::thread& t : flooders_) t.join();
      flooders_.clear();
    }
  }
  // Bytes the flood has put on the connection so far.
  int64_t Flooded() const { return flooded_; }
  // Sends `bytes` unasked, in one piece, once a client is connected.
  bool Push(const std::string& bytes) {
    for (int k = 0; k < 2000 && peer_ < 0; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const int peer = peer_;
    return peer >= 0 && send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
  }
  std::string Got() {
    std::lock_guard<std::mutex> g(mu_);
    std::string s = got_;
    got_.clear();
    return s;
  }

 private:
  void Serve() {
    int peer = -1;
    std::string pending;
    int reads = 0;
    while (!stop_) {
      pollfd p{peer < 0 ? fd_ : peer, POLLIN, 0};
      if (poll(&p, 1, 5) != 1) continue;
      if (peer < 0) {
        peer = accept(fd_, nullptr, nullptr);
        peer_ = peer;
        continue;
      }
      char buf[256];
      ssize_t n = read(peer, buf, sizeof buf);
      if (n <= 0) break;
      pending.append(buf, static_cast<size_t>(n));
      size_t eol;
      while ((eol = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, eol + 1);
        pending.erase(0, eol + 1);
        std::string reply;
        {
          std::lock_guard<std::mutex> g(mu_);
          got_ += line;
          if (line == "READ?\n") {
            if (!replies_.empty()) {
              reply = replies_.front();
              replies_.pop_front();
            } else if (each_) {
              reply = each_(reads);
            }
            ++reads;
          }
        }
        if (!reply.empty()) send(peer, reply.data(), reply.size(), MSG_NOSIGNAL);
      }
    }
    peer_ = -1;
    if (peer >= 0) close(peer);
  }

  static constexpr int kFlooders = 4;
  int fd_ = -1;
  std::atomic<int> peer_{-1};
  std::atomic<int64_t> flooded_{0};
  std::vector<std::thread> flooders_;
  bool ok_ = false;
  std::atomic<bool> stop_{false}, flood_{false};
  std::thread thread_;
  std::mutex mu_;
  std::deque<std::string> replies_;
  std::function<std::string(int)> each_;
  std::string got_;
};

}  // namespace caltest
