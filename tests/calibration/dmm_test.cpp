// The multimeter link against a scripted SCPI server on a loopback address
// of its own (port 5025, as the program always uses).
#include "calibration/dmm.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <deque>
#include <mutex>
#include <thread>

#include "calfixture.h"

namespace {

// Records the lines it gets and answers each "READ?" with the next scripted
// reply ("" = no reply).
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
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    close(fd_);
  }
  bool ok() const { return ok_; }
  void Reply(const std::string& r) {
    std::lock_guard<std::mutex> g(mu_);
    replies_.push_back(r);
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
    while (!stop_) {
      pollfd p{peer < 0 ? fd_ : peer, POLLIN, 0};
      if (poll(&p, 1, 5) != 1) continue;
      if (peer < 0) {
        peer = accept(fd_, nullptr, nullptr);
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
          if (line == "READ?\n" && !replies_.empty()) {
            reply = replies_.front();
            replies_.pop_front();
          }
        }
        if (!reply.empty()) send(peer, reply.data(), reply.size(), MSG_NOSIGNAL);
      }
    }
    if (peer >= 0) close(peer);
  }

  int fd_ = -1;
  bool ok_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mu_;
  std::deque<std::string> replies_;
  std::string got_;
};

class Dmm : public caltest::CalibrationTest {};

TEST_F(Dmm, RangeIsConfiguredOnlyWhenItChanges) {
  const std::string address = caltest::MeterAddress(1);
  ScriptedMeter meter(address);
  ASSERT_TRUE(meter.ok());
  OpenFor("YRM-A");
  ASSERT_TRUE(ConnectMeter(address));
  EXPECT_EQ(Field(kDmmConnectButton), "Connected");

  for (const char* r : {"+1.00000000E+01\n", "+9.99990000E+00\n", "-4.56700000E-03\n", "+2.00000000E+00\n"})
    meter.Reply(r);
  Press(kDmmMeasureButton);  // "10V" is selected
  EXPECT_EQ(meter.Got(), "CONFigure:VOLTage:DC\nVOLTage:DC:RANGe 10V\nREAD?\n");
  EXPECT_EQ(Field(kDmmResultField), "10");
  Press(kDmmReadAction + 2);
  EXPECT_EQ(meter.Got(), "READ?\n");
  EXPECT_EQ(Field(kDmmResultField), "9.9999");
  Press(kDmmReadAction + 4);  // 100mV, and the list follows
  EXPECT_EQ(meter.Got(), "CONFigure:VOLTage:DC\nVOLTage:DC:RANGe 100mV\nREAD?\n");
  EXPECT_DOUBLE_EQ(dmmvalue, -0.004567);
  EXPECT_EQ(Field(kDmmResultField), "-0.004567");
  EXPECT_EQ(pf::GetGadgetState(kDmmRangeCombo), 4);
  YRM_DmmRead("10V");
  EXPECT_EQ(meter.Got(), "CONFigure:VOLTage:DC\nVOLTage:DC:RANGe 10V\nREAD?\n");
  YRM_DmmRead("3A");
  EXPECT_EQ(meter.Got(), "CONFigure:CURRent:DC\nCURRent:DC:RANGe 3A\nREAD?\n");
  YRM_DmmRead("10v");  // not a range text: no configuration
  EXPECT_EQ(meter.Got(), "READ?\n");
  EXPECT_TRUE(Shown().empty());
}

TEST_F(Dmm, AMissingReplyKeepsAndShowsThePreviousReading) {
  const std::string address = caltest::MeterAddress(2);
  ScriptedMeter meter(address);
  ASSERT_TRUE(meter.ok());
  OpenFor("YRM-A");
  ASSERT_TRUE(ConnectMeter(address));
  meter.Reply("+1.50000000E+00\n");
  Press(kDmmMeasureButton);
  EXPECT_EQ(Field(kDmmResultField), "1.5");
  pf::SetGadgetText(kDmmResultField, "");
  Press(kDmmMeasureButton);  // no reply this time
  EXPECT_EQ(dmmvalue, 1.5);
  EXPECT_EQ(Field(kDmmResultField), "1.5");
  EXPECT_TRUE(Shown().empty());
}

TEST_F(Dmm, ConnectFailureAndNoConnectionShowTheirBoxes) {
  OpenFor("YRM-A");
  dmmvalue = 3;
  Press(kDmmMeasureButton);
  ASSERT_EQ(pf::test::AskedRequesters().size(), 1u);
  EXPECT_EQ(pf::test::AskedRequesters()[0].title, "Error");
  EXPECT_EQ(pf::test::AskedRequesters()[0].text, "DMM not connected");
  EXPECT_EQ(dmmvalue, 3);

  EXPECT_FALSE(ConnectMeter(caltest::MeterAddress(3)));  // nothing listens there
  EXPECT_EQ(Field(kDmmConnectButton), "Connect");
  ASSERT_EQ(pf::test::AskedRequesters().size(), 2u);
  EXPECT_EQ(pf::test::AskedRequesters()[1].title, "Error");
  EXPECT_EQ(pf::test::AskedRequesters()[1].text, "Can't connect with DMM over TCP");
  EXPECT_TRUE(pf::IsWindow(kCalWindow));
}

TEST(DmmReply, FixedWidthTextGivesTheReading) {
  struct Case {
    const char* reply;
    bool ok;
    double value;
  } cases[] = {
      {"-4.56700000E-03\r\n", true, -0.004567},
      {"+1.23456789E+01\n", true, 12.3456789},
      {"+1.00000000E+12", true, 1e12},
      {"+1.00000000E-15", true, 1e-15},
      {"+5.00000000E+00", true, 5},
      {" 5.00000000E+00", true, -5},                    // not "+": negative
      {"+1.00000000E+00\n+2.00000000E+00\n", true, 1},  // the first reading only
      {"+9.90000000E+37\n", false, 0},                  // overload: not a reading
      {"+1.00000000E-00", false, 0},
      {"+1.00000000E+13", false, 0},
      {"+1.0000", false, 0},  // the first half of a split reply
      {"", false, 0},
  };
  for (const Case& c : cases) {
    double v = 0;
    EXPECT_EQ(ParseDmmReply(c.reply, v), c.ok) << c.reply;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.reply;
    }
  }
  EXPECT_EQ(DmmValueText(10), "10");
  EXPECT_EQ(DmmValueText(-0.004567), "-0.004567");
  EXPECT_EQ(DmmValueText(1.23456789012), "1.2345678901");
  EXPECT_EQ(DmmValueText(-1e-12), "0");
}

}  // namespace
