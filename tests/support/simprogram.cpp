#include "simprogram.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "link/connection.h"
#include "link/poll.h"
#include "link/state.h"
#include "platform/clock.h"
#include "platform/driverlib.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "shell/startup.h"
#include "shell/state.h"

namespace fs = std::filesystem;

namespace yrmtest {

void SimulatedProgram::SetUp() {
  WorkFolder::SetUp();
  const char* build = std::getenv("YRM_BUILD_DIR");
  ASSERT_NE(build, nullptr) << "YRM_BUILD_DIR names the build folder";
  const fs::path lib = fs::path(build) / "sim" / pf::LibraryFileName("ftd2xx");
  const fs::path assets = fs::path(build) / "work-template";
  ASSERT_TRUE(fs::exists(lib)) << lib << " missing: build the simulated instrument";
  ASSERT_TRUE(fs::exists(assets / "graphics")) << assets << " missing: build the assets";
  fs::copy(assets, dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  fs::copy_file(lib, fs::path(dir) / lib.filename());
  Spit("sim.txt", "component=resistor 1k\n");
  pf::test::ResetGui();
  pf::test::ResetImages();
}

void SimulatedProgram::TearDown() {
  if (usbopen == 1) YRM_StopConnection();
  StopPollThread();
  pf::test::RestoreClocks();
  pf::test::ResetGui();
  WorkFolder::TearDown();
}

void SimulatedProgram::Start() {
  pf::test::SetDelay([](int) {});
  StartUp();
  pf::test::RestoreClocks();
  ASSERT_EQ(quit, 0);
}

bool SimulatedProgram::PumpUntil(const std::function<bool()>& done, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    MainLoopPass();
    if (done()) return true;
  }
  return false;
}

}  // namespace yrmtest
