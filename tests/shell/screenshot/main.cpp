// Starts the program in the current working folder as yrm32 does, lets its
// main loop run for a moment and saves the main window as a PNG.
// Usage: shell_screenshot <out.png> [milliseconds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/gui.h"
#include "shell/startup.h"
#include "shell/state.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s out.png [milliseconds]\n", argv[0]);
    return 2;
  }
  const int ms = argc > 2 ? std::atoi(argv[2]) : 2000;
  StartUp();
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (quit != 1 && std::chrono::steady_clock::now() < end) MainLoopPass();
  if (!pf::test::GrabWindow(kMainWindow, argv[1])) {
    std::fprintf(stderr, "could not save %s\n", argv[1]);
    std::_Exit(1);
  }
  // As the program itself: the poll thread ends with the process.
  std::fflush(nullptr);
  std::_Exit(0);
}
