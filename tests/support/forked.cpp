#include "forked.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace yrmtest {

int RunInChild(const std::function<void()>& body, int seconds) {
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    body();
    std::_Exit(99);  // the body was meant to end the process itself
  }
  int status = 0;
  auto t0 = std::chrono::steady_clock::now();
  pid_t done = 0;
  while ((done = waitpid(pid, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() - t0 < std::chrono::seconds(seconds))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (done == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace yrmtest
