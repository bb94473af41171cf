// Runs a piece of the program in a forked child, for tests of how the
// process ends.
#pragma once
#include <functional>
#include <string>

namespace yrmtest {
// Forks, runs `body` in the child (which must end the process itself) and
// waits at most `seconds`. Returns the child's exit status, or -1 when it was
// killed by a signal or did not end in time (it is then killed).
int RunInChild(const std::function<void()>& body, int seconds = 20);

// The same in a fresh copy of this test program, started in `folder`: a
// forked copy of a process whose toolkit has started worker threads (image
// scaling) inherits them dead and can hang. `name` is a body registered with
// RegisterChild; main() hands control to it through RunChildIfAsked.
int RunInFreshProcess(const std::string& name, const std::string& folder, int seconds = 20);
bool RegisterChild(const std::string& name, std::function<void()> body);
void RunChildIfAsked();
}  // namespace yrmtest
