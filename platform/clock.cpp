#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

namespace pf {

namespace {
std::mutex hooksLock;
std::function<int64_t()> elapsedHook, calendarHook, calendarMsHook;
std::function<LocalTime()> nowHook;
std::function<void(int)> delayHook;
}  // namespace

int64_t ElapsedMilliseconds() {
  {
    std::lock_guard<std::mutex> g(hooksLock);
    if (elapsedHook) return elapsedHook();
  }
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t CalendarSeconds() {
  {
    std::lock_guard<std::mutex> g(hooksLock);
    if (calendarHook) return calendarHook();
    if (calendarMsHook) {
      const int64_t ms = calendarMsHook();
      return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    }
  }
  return static_cast<int64_t>(std::time(nullptr));
}

int64_t CalendarMilliseconds() {
  {
    std::lock_guard<std::mutex> g(hooksLock);
    if (calendarHook) return calendarHook() * 1000;
    if (calendarMsHook) return calendarMsHook();
  }
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

LocalTime Now() {
  {
    std::lock_guard<std::mutex> g(hooksLock);
    if (nowHook) return nowHook();
  }
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void Delay(int ms) {
  std::function<void(int)> hook;
  {
    std::lock_guard<std::mutex> g(hooksLock);
    hook = delayHook;
  }
  if (hook) {
    hook(ms);
    return;
  }
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace test {
void SetElapsed(std::function<int64_t()> f) {
  std::lock_guard<std::mutex> g(hooksLock);
  elapsedHook = std::move(f);
}
void SetCalendar(std::function<int64_t()> f) {
  std::lock_guard<std::mutex> g(hooksLock);
  calendarHook = std::move(f);
  calendarMsHook = nullptr;
}
void SetCalendarMilliseconds(std::function<int64_t()> f) {
  std::lock_guard<std::mutex> g(hooksLock);
  calendarMsHook = std::move(f);
  calendarHook = nullptr;
}
void SetNow(std::function<LocalTime()> f) {
  std::lock_guard<std::mutex> g(hooksLock);
  nowHook = std::move(f);
}
void SetDelay(std::function<void(int)> f) {
  std::lock_guard<std::mutex> g(hooksLock);
  delayHook = std::move(f);
}
void RestoreClocks() {
  std::lock_guard<std::mutex> g(hooksLock);
  elapsedHook = nullptr;
  calendarHook = nullptr;
  calendarMsHook = nullptr;
  nowHook = nullptr;
  delayHook = nullptr;
}
}  // namespace test

}  // namespace pf
