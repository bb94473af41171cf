// TCP client for networked bench instruments: connect with a time-out, send
// text, test without waiting whether data has arrived, receive what arrived.
#pragma once
#include <string>

namespace pf {

// Opens a connection to host:port (numeric IPv4 address or host name),
// waiting at most timeoutMs. Returns a handle > 0, or 0 on failure.
int TcpConnect(const std::string& host, int port, int timeoutMs);

// Sends all of text; false when the connection is broken or the handle unknown.
bool TcpSend(int handle, const std::string& text);

// True when data (or the peer's close) is waiting; never blocks.
bool TcpDataWaiting(int handle);

// Returns what has arrived, up to maxBytes, without waiting; "" when nothing.
std::string TcpReceive(int handle, int maxBytes = 4096);

// Closes the connection; unknown handles are ignored.
void TcpClose(int handle);

}  // namespace pf
