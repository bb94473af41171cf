// Test entry: every suite runs offscreen, so no test needs a display.
#include <gtest/gtest.h>

#include <cstdlib>

#include "forked.h"
#include "platform/faulthook.h"

int main(int argc, char** argv) {
  // Fault reports of forked children show their box through this program.
  pf::FaultBoxMain(argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // A child started by RunInFreshProcess runs its body and ends there.
  yrmtest::RunChildIfAsked();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
