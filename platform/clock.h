// Clocks: milliseconds, calendar seconds, local date and time, delay.
// Injectable in tests.
#pragma once
#include <cstdint>
#include <functional>

namespace pf {

struct LocalTime {
  int year, month, day;  // month 1..12, day 1..31
  int hour, minute, second;
};

int64_t ElapsedMilliseconds();  // monotonic
int64_t CalendarSeconds();      // seconds since 1970
// The same clock in milliseconds, so a wait can end at the next whole second
// (a replaced calendar clock counts whole seconds: its value x 1000).
int64_t CalendarMilliseconds();
LocalTime Now();     // local date and time
void Delay(int ms);  // sleeps (tests may make it instant)

namespace test {
// Replaces the clocks; pass nullptr to restore the real ones.
void SetElapsed(std::function<int64_t()> f);
void SetCalendar(std::function<int64_t()> f);
// A calendar clock in milliseconds (CalendarSeconds follows it); replaces
// the one of SetCalendar.
void SetCalendarMilliseconds(std::function<int64_t()> f);
void SetNow(std::function<LocalTime()> f);
void SetDelay(std::function<void(int)> f);
void RestoreClocks();
}  // namespace test

}  // namespace pf
