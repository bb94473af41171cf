// Runs a piece of the program in a forked child, for tests of how the
// process ends.
#pragma once
#include <functional>

namespace yrmtest {
// Forks, runs `body` in the child (which must end the process itself) and
// waits at most `seconds`. Returns the child's exit status, or -1 when it was
// killed by a signal or did not end in time (it is then killed).
int RunInChild(const std::function<void()>& body, int seconds = 20);
}  // namespace yrmtest
