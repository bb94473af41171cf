// Runs inside the fault: the report is built in fixed buffers with our own
// number formatting, without allocation, and handed to the platform's
// fault-safe services.
//
// What stands in each line on this platform: the fault code follows the
// report's convention (-1073741819 invalid memory access, -1073741818 bus
// error, -1073741676 integer division by zero, -1073741675 integer overflow,
// -1073741682 and -1073741680 floating-point faults, -1073741795 illegal
// instruction); the code address is the instruction pointer; the target
// address is the data address whose access failed, 0 for an invalid memory
// access sent by a process (kill -SEGV), which has none; the eight register lines
// hold the 64-bit registers of the same roles (accumulator, base, count,
// data, frame, source, destination, stack). A compiled program has no running
// source line: the line shows 0 and the file "unknown".
#include "shell/faultreport.h"

#include <cstdint>

#include "platform/faulthook.h"

namespace {
constexpr const char* kReportFile = "bugreport.txt";
constexpr const char* kBoxTitle = "OnError Handler";
constexpr const char* kSupportAddress = "support@quenlar.example";
constexpr const char* kSeparator = "***************************";

// A text in a fixed buffer; what does not fit is cut off.
template <int N>
struct Text {
  char s[N];
  int n = 0;
  Text() { s[0] = '\0'; }
  Text& operator<<(const char* t) {
    while (*t && n < N - 1) s[n++] = *t++;
    s[n] = '\0';
    return *this;
  }
  Text& number(uint64_t v, bool negative = false) {
    char digits[24];
    int d = 0;
    do digits[d++] = static_cast<char>('0' + v % 10), v /= 10;
    while (v);
    if (negative) *this << "-";
    while (d > 0 && n < N - 1) s[n++] = digits[--d];
    s[n] = '\0';
    return *this;
  }
  Text& signedNumber(int64_t v) {
    return number(v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v), v < 0);
  }
  Text& twoDigits(int v) {
    if (v < 10) *this << "0";
    return number(static_cast<uint64_t>(v));
  }
};

Text<4096> report;
Text<64> dateLine;
}  // namespace

void YRM_OnErrorHandler() {
  const pf::FaultInfo& f = pf::CurrentFault();
  static const char* const kRegisters[8] = {
      "EAX = ", "EBX = ", "ECX = ", "EDX = ", "EBP = ", "ESI = ", "EDI = ", "ESP = "};
  report << "Sorry! A program error was detected:\r\r";
  report << "Error Message:   " << f.kind << "\r";
  report << "Error Code:      ";
  report.signedNumber(f.code) << "\r";
  report << "Code Address:    ";
  report.number(f.codeAddress) << "\r";
  if (f.dataFault) {
    report << "Target Address:  ";
    report.number(f.targetAddress) << "\r";
  }
  report << "Sourcecode line: 0\r";
  report << "Sourcecode file: unknown\r\r";
  report << "Register content:\r";
  for (int i = 0; i < 8; ++i) {
    report << kRegisters[i];
    report.number(f.registers[i]) << "\r";
  }
  report << "\rPlease email both 'bugreport.txt' and 'log.txt' to " << kSupportAddress << "\r";
  report << "We will attempt to fix this bug ASAP. Thank you again for your help!";

  const pf::LocalTime t = pf::FaultLocalTime();
  dateLine << "*** ";
  dateLine.twoDigits(t.day) << "/";
  dateLine.twoDigits(t.month) << "/";
  dateLine.number(static_cast<uint64_t>(t.year)) << " ";
  dateLine.twoDigits(t.hour) << ":";
  dateLine.twoDigits(t.minute) << ":";
  dateLine.twoDigits(t.second) << " ***";

  const char* const parts[] = {kSeparator, dateLine.s, report.s};
  pf::FaultAppendFile(kReportFile, parts, 3);  // skipped without a message when it cannot be opened
  pf::FaultShowBox(kBoxTitle, report.s);
  pf::FaultEnd();
}

void YRM_InstallFaultHandler() { pf::InstallFaultHook(YRM_OnErrorHandler); }
