// The whole program, forked and connected to the simulated instrument:
// closing the main window still ends the process at once with status 0.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "link/connection.h"
#include "linkfixture.h"
#include "shell/startup.h"

namespace {

class ConnectedShutdown : public linktest::LinkTest {};

TEST_F(ConnectedShutdown, ClosingWhileConnectedExitsAtOnceWithStatusZero) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "threads after fork are not supported under ThreadSanitizer";
#endif
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    pf::test::SetDelay([](int) {});
    StartUp();
    YRM_StartConnection();
    if (usbopen != 1) std::_Exit(3);
    // Frames flowing and the poll thread busy when the window closes.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    pf::test::PostWindowEvent(kMainWindow, pf::kEventCloseWindow);
    RunMainLoop();
  }
  int status = 0;
  auto t0 = std::chrono::steady_clock::now();
  pid_t done = 0;
  while ((done = waitpid(pid, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() - t0 < std::chrono::seconds(20))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (done == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    FAIL() << "the program did not end";
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(Log().find("YRM_StartConnection()"), std::string::npos);
}

}  // namespace
