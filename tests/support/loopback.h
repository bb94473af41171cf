// A listening socket on 127.0.0.1 at a port the system picks, for tests that
// run a server of their own (nothing leaves the machine).
#pragma once

namespace yrmtest {
// The listening descriptor (-1 on failure); its port in `port`.
int ListenOnLoopback(int backlog, int& port);
}  // namespace yrmtest
