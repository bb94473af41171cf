// Two programs in two working folders, each prepared as scripts/run prepares
// it, each with its own simulated instrument (DACs off by different errors):
// each calibration window proposes its own folder's meter, and each
// automatic run corrects its own instrument while the other runs beside it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "../link/linkfixture.h"
#include "calibration/autocal.h"
#include "calibration/state.h"
#include "calibration/window.h"
#include "forked.h"
#include "link/connection.h"
#include "link/poll.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "platform/requester.h"
#include "platform/tcp.h"
#include "shell/state.h"
#include "sim/control.h"
#include "testing/state.h"
#include "workfolder.h"

namespace {

namespace fs = std::filesystem;

// Files through which a program and the test tell each other how far they are.
constexpr const char* kMeterUp = "meter-up";   // the program's instrument (and meter) is there
constexpr const char* kRelease = "release";    // the program may end
constexpr const char* kResult = "result.txt";  // what the program found, "ok" first when all held
constexpr const char* kProposed = "proposed.txt";

bool WaitForFile(const std::string& path, int seconds) {
  for (int k = 0; k < seconds * 100; ++k) {
    if (fs::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The program of one folder, in a process of its own: connect, open the
// calibration window, connect the meter the window proposes, run the
// automatic sequence on a program clock that moves with the program's
// waits, then check its own instrument's output at each level.
void CalibrateHere() {
  std::string result;
  auto fail = [&](const std::string& why) {
    yrmtest::Spit(kResult, why + "\n" + result);
    std::_Exit(1);
  };
  pf::test::ScriptRequesters(true);
  SetShellStartValues();
  SetTestingStartValues();
  SetLinkStartValues();
  SetCalibrationStartValues();
  std::atomic<int64_t> clock{1000000};
  pf::test::SetElapsed([&clock] { return clock.load(); });
  pf::test::SetDelay([&clock](int ms) {
    clock += ms;
    if (ms > 0) std::this_thread::sleep_for(std::chrono::microseconds(ms <= 10 ? ms * 1000 : ms * 100));
  });
  activeinstrument = "YRM-A";
  YRM_StartConnection();
  if (usbopen != 1) fail("the instrument did not connect");
  pf::InitGui();
  if (!YRM_OpenCalibrationWindow()) fail("the calibration window did not open");
  const std::string address = pf::GetGadgetText(kDmmAddressField);
  yrmtest::Spit(kProposed, address);
  // The simulator's meter starts on its own thread when the devices are listed.
  int probe = 0;
  for (int k = 0; k < 500 && probe <= 0; ++k) {
    probe = pf::TcpConnect(address, kDmmPort, 1000);
    if (probe <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pf::TcpClose(probe);
  yrmtest::Spit(kMeterUp, "");
  pf::SetGadgetText(kDmmAddressField, address);
  YRM_CalibrationAction(kDmmConnectButton);
  if (dmmconnection == 0) fail("no meter at " + address);
  YRM_CalibrationAction(kGoButton);
  for (int pass = 0; pass < 20000 && calstep != 0; ++pass) {
    clock += 50;
    if (!YRM_CalibrationPass()) fail("the window closed");
  }
  result += "status " + pf::GetGadgetText(kStatusField) + "\n";
  bool ok = pf::GetGadgetText(kStatusField) == "0: idle";
  const struct {
    int set;
    double volts;
  } levels[] = {
      {kSet10Button, 10}, {kSet1Button, 1}, {kSet0Button, 0}, {kSetM1Button, -1}, {kSetM10Button, -10}};
  for (auto l : levels) {
    YRM_CalibrationAction(l.set);
    const double out = simctl::Output(0);
    result += std::to_string(l.volts) + " V level: " + std::to_string(out) + " V\n";
    ok = ok && std::fabs(out - l.volts) <= 0.002;
  }
  if (!ok) fail("not calibrated");
  yrmtest::Spit(kResult, "ok\n" + result);
  if (!WaitForFile(kRelease, 120)) std::_Exit(3);
  std::_Exit(0);
}
const bool calibrateHereRegistered = yrmtest::RegisterChild("calibrate-own-instrument", CalibrateHere);

class TwoFolders : public yrmtest::WorkFolder {
 protected:
  // A working folder with the simulated instrument whose DAC is off by its
  // own error, and the meter address scripts/run gives it.
  std::string Prepare(const std::string& name, const std::string& dacError) {
    const std::string folder = dir + "/" + name;
    fs::create_directories(folder);
    fs::create_symlink(YRM_SIM_LIBRARY, fs::path(folder) / pf::LibraryFileName("ftd2xx"));
    yrmtest::Spit(folder + "/sim.txt", "model=YRM-A\nmeternoise=0.02\n" + dacError);
    std::string candidates;
    for (int n = 100; n <= 103; ++n)
      candidates += (candidates.empty() ? "" : " ") + linktest::MeterAddress(n);
    const std::string script = "YRM_METER_CANDIDATES='" + candidates + "' bash '" + yrmtest::SourceDir() +
                               "/scripts/meter-address' '" + folder + "'";
    EXPECT_EQ(std::system(script.c_str()), 0);
    return folder;
  }
  static std::string MeterLine(const std::string& folder) {
    const std::string sim = yrmtest::Slurp(folder + "/sim.txt");
    const size_t at = sim.find("meter=");
    return at == std::string::npos ? "" : sim.substr(at + 6, sim.find_first_of(" \n", at) - at - 6);
  }
};

TEST_F(TwoFolders, EachProgramCalibratesItsOwnInstrument) {
  // Another simulator's meter already holds the first address.
  const int other = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(other, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(kDmmPort);
  inet_pton(AF_INET, linktest::MeterAddress(100).c_str(), &a.sin_addr);
  ASSERT_EQ(bind(other, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(other, 1), 0);

  const std::string first = Prepare("first", "dacgain=0.35\ndacoffset=4\n");
  EXPECT_EQ(MeterLine(first), linktest::MeterAddress(101));
  int firstStatus = -2;
  std::thread firstProgram(
      [&] { firstStatus = yrmtest::RunInFreshProcess("calibrate-own-instrument", first, 300); });
  const bool firstUp = WaitForFile(first + "/" + kMeterUp, 120);

  // Prepared while the first program's meter listens: it takes another address.
  const std::string second = Prepare("second", "dacgain=-0.8\ndacoffset=-6\n");
  EXPECT_EQ(MeterLine(second), linktest::MeterAddress(102));
  yrmtest::Spit(second + "/" + kRelease, "");
  const int secondStatus = firstUp ? yrmtest::RunInFreshProcess("calibrate-own-instrument", second, 300) : -2;
  yrmtest::Spit(first + "/" + kRelease, "");
  firstProgram.join();
  close(other);

  ASSERT_TRUE(firstUp) << yrmtest::Slurp(first + "/" + kResult);
  EXPECT_EQ(secondStatus, 0) << yrmtest::Slurp(second + "/" + kResult) << yrmtest::Slurp(second + "/sim.log");
  EXPECT_EQ(firstStatus, 0) << yrmtest::Slurp(first + "/" + kResult) << yrmtest::Slurp(first + "/sim.log");
  EXPECT_EQ(yrmtest::Slurp(first + "/" + kProposed), linktest::MeterAddress(101));
  EXPECT_EQ(yrmtest::Slurp(second + "/" + kProposed), linktest::MeterAddress(102));
}

}  // namespace
