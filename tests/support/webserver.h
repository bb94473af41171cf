// A small web server of the test's own on 127.0.0.1, on a port the system
// chooses. It answers every GET with the page the test set, or holds the
// connection without answering.
#pragma once
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace yrmtest {

class WebServer {
 public:
  WebServer();
  ~WebServer();
  // "http://127.0.0.1:port".
  std::string Address() const;
  // The body of every answer (status 200 unless SetStatus says otherwise).
  void SetPage(const std::string& body);
  // The status of every answer, e.g. "302 Found", and header lines to add
  // (each ending CR LF).
  void SetStatus(const std::string& status, const std::string& headers = "");
  // Accept requests and never answer them.
  void NeverAnswer();
  // Runs on the server's thread when a request arrives, before the answer.
  void OnRequest(std::function<void(const std::string& path)> f);
  // Paths requested so far.
  std::vector<std::string> Requests();

 private:
  void serve();
  int listener = -1;
  int port = 0;
  std::atomic<bool> stop{false};
  std::atomic<bool> silent{false};
  std::mutex lock;
  std::string page;
  std::string status = "200 OK", headers;
  std::vector<std::string> paths;
  std::vector<int> held;
  std::function<void(const std::string&)> onRequest;
  std::thread thread;
};

}  // namespace yrmtest
