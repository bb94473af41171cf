// The TCP client against a loopback listener started by the test.
#include "platform/tcp.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "loopback.h"

namespace {

// A listener on 127.0.0.1 with a free port chosen by the system.
struct Listener {
  int fd = -1;
  int port = 0;
  Listener() { fd = yrmtest::ListenOnLoopback(4, port); }
  int Accept() {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 2000) != 1) return -1;
    return accept(fd, nullptr, nullptr);
  }
  ~Listener() { close(fd); }
};

std::string WaitFor(int h, size_t bytes) {
  std::string got;
  for (int i = 0; i < 200 && got.size() < bytes; ++i) {
    if (pf::TcpDataWaiting(h))
      got += pf::TcpReceive(h);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return got;
}

TEST(Tcp, ExchangesTextAndNeverBlocksWhenNothingArrived) {
  Listener l;
  int h = pf::TcpConnect("127.0.0.1", l.port, 2000);
  ASSERT_GT(h, 0);
  int peer = l.Accept();
  ASSERT_GE(peer, 0);

  EXPECT_FALSE(pf::TcpDataWaiting(h));
  EXPECT_EQ(pf::TcpReceive(h), "");  // returns at once with nothing

  ASSERT_TRUE(pf::TcpSend(h, "MEAS:VOLT:DC? 10\n"));
  char buf[64] = {};
  pollfd p{peer, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 2000), 1);
  ssize_t n = read(peer, buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "MEAS:VOLT:DC? 10\n");

  std::string answer = "+1.00000000E+01\n";
  ASSERT_EQ(write(peer, answer.data(), answer.size()), static_cast<ssize_t>(answer.size()));
  EXPECT_EQ(WaitFor(h, answer.size()), answer);

  close(peer);
  pf::TcpClose(h);
}

TEST(Tcp, FailsCleanlyForRefusedPortsAndBadInput) {
  int port;
  {
    Listener l;
    port = l.port;
  }  // closed again: nothing listens there now
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(pf::TcpConnect("127.0.0.1", port, 2000), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));

  EXPECT_EQ(pf::TcpConnect("", 5025, 100), 0);
  EXPECT_EQ(pf::TcpConnect("127.0.0.1", 0, 100), 0);
  EXPECT_EQ(pf::TcpConnect("127.0.0.1", 70000, 100), 0);
  EXPECT_EQ(pf::TcpConnect("not a host name!", 5025, 100), 0);

  EXPECT_FALSE(pf::TcpSend(0, "x"));
  EXPECT_FALSE(pf::TcpDataWaiting(0));
  EXPECT_EQ(pf::TcpReceive(0), "");
  pf::TcpClose(0);  // ignored
}

TEST(Tcp, SendReportsAPeerThatWentAway) {
  Listener l;
  int h = pf::TcpConnect("127.0.0.1", l.port, 2000);
  ASSERT_GT(h, 0);
  close(l.Accept());
  // The peer's close shows as waiting data, and an empty receive.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(pf::TcpDataWaiting(h));
  EXPECT_EQ(pf::TcpReceive(h), "");
  bool failed = false;
  for (int i = 0; i < 50 && !failed; ++i) {
    failed = !pf::TcpSend(h, "READ?\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(failed);  // no SIGPIPE, just a failure
  pf::TcpClose(h);
}

}  // namespace
