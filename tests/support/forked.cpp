#include "forked.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace yrmtest {

namespace {
constexpr const char* kChildVar = "YRM_TEST_CHILD";
constexpr const char* kChildDirVar = "YRM_TEST_CHILD_DIR";

std::map<std::string, std::function<void()>>& Children() {
  static std::map<std::string, std::function<void()>> children;
  return children;
}

// Waits for `pid` at most `seconds`; its exit status, or -1.
int WaitFor(pid_t pid, int seconds) {
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
}  // namespace

int RunInChild(const std::function<void()>& body, int seconds) {
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    body();
    std::_Exit(99);  // the body was meant to end the process itself
  }
  return WaitFor(pid, seconds);
}

bool RegisterChild(const std::string& name, std::function<void()> body) {
  Children()[name] = std::move(body);
  return true;
}

int RunInFreshProcess(const std::string& name, const std::string& folder, int seconds) {
  // Everything the child needs is built before the fork: only exec follows it.
  std::vector<std::string> vars = {std::string(kChildVar) + "=" + name,
                                   std::string(kChildDirVar) + "=" + folder};
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind(kChildVar, 0) != 0) vars.push_back(v);
  }
  std::vector<char*> envp;
  for (std::string& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  char program[] = "/proc/self/exe";
  char* argv[] = {program, nullptr};
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    execve(program, argv, envp.data());
    _exit(127);
  }
  return WaitFor(pid, seconds);
}

void RunChildIfAsked() {
  const char* name = std::getenv(kChildVar);
  const char* folder = std::getenv(kChildDirVar);
  if (!name || !folder) return;
  auto it = Children().find(name);
  if (it == Children().end() || chdir(folder) != 0) std::_Exit(98);
  it->second();
  std::_Exit(99);  // the body was meant to end the process itself
}

}  // namespace yrmtest
