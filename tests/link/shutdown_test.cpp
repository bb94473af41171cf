// The whole program, forked and connected to the simulated instrument:
// closing the main window still ends the process at once with status 0.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "forked.h"
#include "link/connection.h"
#include "linkfixture.h"
#include "shell/startup.h"

namespace {

class ConnectedShutdown : public linktest::LinkTest {};

TEST_F(ConnectedShutdown, ClosingWhileConnectedExitsAtOnceWithStatusZero) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "threads after fork are not supported under ThreadSanitizer";
#endif
  int status = yrmtest::RunInChild([] {
    pf::test::SetDelay([](int) {});
    StartUp();
    YRM_StartConnection();
    if (usbopen != 1) std::_Exit(3);
    // Frames flowing and the poll thread busy when the window closes.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    pf::test::PostWindowEvent(kMainWindow, pf::kEventCloseWindow);
    RunMainLoop();
  });
  EXPECT_EQ(status, 0);
  EXPECT_NE(Log().find("YRM_StartConnection()"), std::string::npos);
}

}  // namespace
