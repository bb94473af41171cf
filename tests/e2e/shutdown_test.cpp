// The whole program, forked: closing the main window ends the process at once
// with exit status 0, whatever else is still running.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "forked.h"
#include "platform/clock.h"
#include "platform/gui.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "workfolder.h"

class ShutdownTest : public yrmtest::WorkFolder {};

TEST_F(ShutdownTest, ClosingTheMainWindowExitsWithStatusZero) {
  int status = yrmtest::RunInChild([] {
    pf::test::SetDelay([](int) {});
    StartUp();
    // Something else busy that nobody stops.
    std::thread([] {
      for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }).detach();
    pf::test::PostWindowEvent(kMainWindow, pf::kEventCloseWindow);
    RunMainLoop();
  });
  EXPECT_EQ(status, 0);
}
