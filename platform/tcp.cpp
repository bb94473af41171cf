// POSIX sockets behind platform/tcp.h. Handles are the socket descriptors + 1
// so that 0 can mean "no connection".
#include "platform/tcp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pf {

namespace {

int Fd(int handle) { return handle > 0 ? handle - 1 : -1; }

// Non-blocking connect on one address, waiting at most timeoutMs.
int ConnectOne(const addrinfo* ai, int timeoutMs) {
  int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
  if (fd < 0) return -1;
  int flags = fcntl(fd, F_GETFL, 0);
  fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int rc = connect(fd, ai->ai_addr, ai->ai_addrlen);
  if (rc != 0 && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    rc = poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (rc == 1) {
      int err = 0;
      socklen_t len = sizeof err;
      rc = (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) ? 0 : -1;
    } else {
      rc = -1;
    }
  }
  if (rc != 0) {
    close(fd);
    return -1;
  }
  return fd;  // stays non-blocking: receive never waits
}

}  // namespace

int TcpConnect(const std::string& host, int port, int timeoutMs) {
  if (host.empty() || port <= 0 || port > 65535) return 0;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0) return 0;
  int fd = -1;
  for (addrinfo* ai = list; ai && fd < 0; ai = ai->ai_next) fd = ConnectOne(ai, timeoutMs);
  freeaddrinfo(list);
  return fd < 0 ? 0 : fd + 1;
}

bool TcpSend(int handle, const std::string& text) {
  int fd = Fd(handle);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      pollfd p{fd, POLLOUT, 0};
      if (poll(&p, 1, 1000) != 1) return false;
    } else {
      return false;
    }
  }
  return true;
}

bool TcpDataWaiting(int handle) {
  int fd = Fd(handle);
  if (fd < 0) return false;
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) == 1 && (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

std::string TcpReceive(int handle, int maxBytes) {
  int fd = Fd(handle);
  if (fd < 0 || maxBytes <= 0) return {};
  std::string out(static_cast<size_t>(maxBytes), '\0');
  ssize_t n = recv(fd, out.data(), out.size(), MSG_DONTWAIT);
  if (n <= 0) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

void TcpClose(int handle) {
  int fd = Fd(handle);
  if (fd >= 0) close(fd);
}

}  // namespace pf
