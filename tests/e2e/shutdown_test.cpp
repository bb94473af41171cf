// The whole program, forked: closing the main window ends the process at once
// with exit status 0, whatever else is still running.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/gui.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "workfolder.h"

class ShutdownTest : public yrmtest::WorkFolder {};

TEST_F(ShutdownTest, ClosingTheMainWindowExitsWithStatusZero) {
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    pf::test::SetDelay([](int) {});
    StartUp();
    // Something else busy that nobody stops.
    std::thread([] {
      for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }).detach();
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
}
