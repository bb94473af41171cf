#include "webserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "loopback.h"

namespace yrmtest {

WebServer::WebServer() {
  int p = 0;
  listener = ListenOnLoopback(8, p);
  port = p;
  thread = std::thread([this] { serve(); });
}

WebServer::~WebServer() {
  stop = true;
  thread.join();
  for (int fd : held) close(fd);
  close(listener);
}

std::string WebServer::Address() const { return "http://127.0.0.1:" + std::to_string(port); }

void WebServer::SetPage(const std::string& body) {
  std::lock_guard<std::mutex> g(lock);
  page = body;
}

void WebServer::SetStatus(const std::string& s, const std::string& h) {
  std::lock_guard<std::mutex> g(lock);
  status = s;
  headers = h;
}

void WebServer::NeverAnswer() { silent = true; }

void WebServer::OnRequest(std::function<void(const std::string&)> f) {
  std::lock_guard<std::mutex> g(lock);
  onRequest = std::move(f);
}

std::vector<std::string> WebServer::Requests() {
  std::lock_guard<std::mutex> g(lock);
  return paths;
}

void WebServer::serve() {
  while (!stop) {
    pollfd p{listener, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    // Read the request head (ends with an empty line).
    std::string head;
    char buf[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
      pollfd q{fd, POLLIN, 0};
      if (poll(&q, 1, 2000) <= 0) break;
      ssize_t got = read(fd, buf, sizeof buf);
      if (got <= 0) break;
      head.append(buf, got);
    }
    const size_t from = head.find(' ') + 1, to = head.find(' ', from);
    const std::string path = from > 0 && to != std::string::npos ? head.substr(from, to - from) : "";
    std::function<void(const std::string&)> f;
    std::string body, statusLine, extra;
    {
      std::lock_guard<std::mutex> g(lock);
      paths.push_back(path);
      f = onRequest;
      body = page;
      statusLine = status;
      extra = headers;
    }
    if (f) f(path);
    if (silent) {
      held.push_back(fd);
      continue;
    }
    const std::string answer = "HTTP/1.1 " + statusLine + "\r\n" + extra +
                               "Content-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
                               "\r\nConnection: close\r\n\r\n" + body;
    for (size_t sent = 0; sent < answer.size();) {
      ssize_t n = write(fd, answer.data() + sent, answer.size() - sent);
      if (n <= 0) break;
      sent += n;
    }
    close(fd);
  }
}

}  // namespace yrmtest
