#include "platform/http.h"

#include <curl/curl.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace pf {

namespace {
struct Request {
  std::atomic<int> state{kHttpRunning};
  std::atomic<bool> abandoned{false};
  std::string body;  // written by the request's thread until state leaves Running
};

std::mutex lock;
std::map<int, std::shared_ptr<Request>> requests;
int lastNumber = 0;

// A page is small; a server that sends without end fails the request
// instead of filling the memory.
constexpr size_t kMaxBody = 4 << 20;

size_t collect(char* data, size_t size, size_t count, void* user) {
  std::string& body = static_cast<Request*>(user)->body;
  if (body.size() + size * count > kMaxBody) return 0;
  body.append(data, size * count);
  return size * count;
}

// Ends a transfer early once its caller has let it go.
int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<Request*>(user)->abandoned ? 1 : 0;
}

void perform(std::shared_ptr<Request> r, std::string url, int timeoutMs) {
  CURL* c = curl_easy_init();
  if (!c) {
    r->state = kHttpFailed;
    return;
  }
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
  // A proxy from the environment never carries a request for this machine
  // off it.
  curl_easy_setopt(c, CURLOPT_NOPROXY, "localhost,127.0.0.0/8,::1");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutMs));
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeoutMs));
  curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, r.get());
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, progress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, r.get());
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  const CURLcode rc = curl_easy_perform(c);
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(c);
  // Only a successful answer (2xx) brings the page; a redirect is not
  // followed, and 204 and 205 carry no content whatever bytes came with them.
  if (status == 204 || status == 205) r->body.clear();
  r->state = rc == CURLE_OK && status >= 200 && status <= 299 ? kHttpSucceeded : kHttpFailed;
}

std::shared_ptr<Request> find(int request) {
  std::lock_guard<std::mutex> g(lock);
  auto it = requests.find(request);
  return it == requests.end() ? nullptr : it->second;
}
}  // namespace

int HttpGetStart(const std::string& url, int timeoutMs) {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (!ready || url.rfind("http://", 0) != 0) return 0;
  auto r = std::make_shared<Request>();
  try {
    std::thread(perform, r, url, timeoutMs < 1 ? 1 : timeoutMs).detach();
  } catch (...) {
    return 0;
  }
  std::lock_guard<std::mutex> g(lock);
  requests[++lastNumber] = r;
  return lastNumber;
}

int HttpProgress(int request) {
  auto r = find(request);
  return r ? r->state.load() : kHttpFailed;
}

std::string HttpBody(int request) {
  auto r = find(request);
  return r && r->state == kHttpSucceeded ? r->body : std::string();
}

void HttpFree(int request) {
  std::lock_guard<std::mutex> g(lock);
  auto it = requests.find(request);
  if (it == requests.end()) return;
  it->second->abandoned = true;
  requests.erase(it);
}

}  // namespace pf
