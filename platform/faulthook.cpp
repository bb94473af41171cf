// The fault hook on POSIX signals. Everything that runs inside the fault is
// async-signal-safe: no allocation, no locks, no toolkit. The box is shown by
// a fresh process of the program (the toolkit of the faulting one cannot be
// trusted), which reads the text from a pipe.
#include "platform/faulthook.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <QMessageBox>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>

#include "platform/gui.h"

extern char** environ;

namespace pf {

namespace {
constexpr const char* kBoxOption = "--fault-box";
constexpr int kFaultExitStatus = 1;
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

FaultHandler handler = nullptr;
FaultInfo fault{};
long zoneOffset = 0;          // seconds east of UTC at installation
char programPath[4096] = "";  // this program's file, for the box process
std::atomic<long> handlingThread{0};
alignas(16) char altStack[1 << 16];  // the handler's stack when the faulting one is exhausted

// Fault codes in the form the report shows (signed 32-bit).
constexpr int32_t code(uint32_t c) { return static_cast<int32_t>(c); }

void describe(int sig, const siginfo_t* si) {
  fault.dataFault = false;
  fault.targetAddress = 0;
  switch (sig) {
    case SIGSEGV:
      fault.kind = "Invalid memory access";
      fault.code = code(0xC0000005);
      fault.dataFault = true;
      break;
    case SIGBUS:
      fault.kind = "Bus error";
      fault.code = code(0xC0000006);
      fault.dataFault = true;
      break;
    case SIGILL:
      fault.kind = "Illegal instruction";
      fault.code = code(0xC000001D);
      break;
    default:  // SIGFPE
      switch (si ? si->si_code : 0) {
        case FPE_INTDIV:
          fault.kind = "Integer division by zero";
          fault.code = code(0xC0000094);
          break;
        case FPE_INTOVF:
          fault.kind = "Integer overflow";
          fault.code = code(0xC0000095);
          break;
        case FPE_FLTDIV:
          fault.kind = "Floating-point division by zero";
          fault.code = code(0xC000008E);
          break;
        default:
          fault.kind = "Floating-point fault";
          fault.code = code(0xC0000090);
      }
  }
  // Only a fault the processor raised (si_code > 0) carries the address; an
  // invalid memory access sent by a process (kill, raise) reports 0.
  if (fault.dataFault && si && si->si_code > 0)
    fault.targetAddress = reinterpret_cast<uintptr_t>(si->si_addr);
}

void registers(void* context) {
  std::memset(fault.registers, 0, sizeof fault.registers);
  fault.codeAddress = 0;
  if (!context) return;
#if defined(__x86_64__)
  const greg_t* r = static_cast<ucontext_t*>(context)->uc_mcontext.gregs;
  const int order[8] = {REG_RAX, REG_RBX, REG_RCX, REG_RDX, REG_RBP, REG_RSI, REG_RDI, REG_RSP};
  for (int i = 0; i < 8; ++i) fault.registers[i] = static_cast<uint64_t>(r[order[i]]);
  fault.codeAddress = static_cast<uint64_t>(r[REG_RIP]);
#elif defined(__aarch64__)
  const auto& m = static_cast<ucontext_t*>(context)->uc_mcontext;
  const int order[7] = {0, 19, 2, 3, 29, 1, 0};
  for (int i = 0; i < 7; ++i) fault.registers[i] = m.regs[order[i]];
  fault.registers[7] = m.sp;
  fault.codeAddress = m.pc;
#endif
}

void onSignal(int sig, siginfo_t* si, void* context) {
  const long self = syscall(SYS_gettid);
  long none = 0;
  if (!handlingThread.compare_exchange_strong(none, self)) {
    if (none == self) FaultEnd();  // a fault inside the handler
    for (;;) pause();              // another thread's fault: that one ends the process
  }
  describe(sig, si);
  registers(context);
  if (handler) handler();
  FaultEnd();
}

void writeAll(int fd, const char* text, size_t n) {
  while (n > 0) {
    ssize_t done = write(fd, text, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return;
    text += done;
    n -= static_cast<size_t>(done);
  }
}

bool hasDisplay() {
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (qpa && (std::strncmp(qpa, "offscreen", 9) == 0 || std::strncmp(qpa, "minimal", 7) == 0)) return false;
  const char* x = std::getenv("DISPLAY");
  const char* w = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (w && *w);
}
}  // namespace

namespace {
// Gives the calling thread `stack` for the handler, unless it has one already
// (a runtime such as a sanitizer may have set its own, and frees it itself).
void UseAltStack(char* stack, size_t size) {
  stack_t old{};
  if (sigaltstack(nullptr, &old) == 0 && !(old.ss_flags & SS_DISABLE)) return;
  stack_t ss{};
  ss.ss_sp = stack;
  ss.ss_size = size;
  sigaltstack(&ss, nullptr);
}
}  // namespace

void InstallFaultHook(FaultHandler h) {
  handler = h;
  const time_t now = time(nullptr);
  struct tm local {};
  if (localtime_r(&now, &local)) zoneOffset = local.tm_gmtoff;
  const ssize_t n = readlink("/proc/self/exe", programPath, sizeof programPath - 1);
  programPath[n > 0 ? n : 0] = '\0';
  UseAltStack(altStack, sizeof altStack);
  struct sigaction sa {};
  sa.sa_sigaction = onSignal;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int sig : kFaultSignals) sigaction(sig, &sa, nullptr);
}

void PrepareFaultStack() {
  // Kept until the thread ends; one per thread, set before any fault.
  alignas(16) static thread_local char stack[1 << 16];
  UseAltStack(stack, sizeof stack);
}

const FaultInfo& CurrentFault() { return fault; }

bool FaultAppendFile(const char* path, const char* const* parts, int count) {
  const int fd = open(path, O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  for (int i = 0; i < count; ++i) {
    writeAll(fd, parts[i], std::strlen(parts[i]));
    writeAll(fd, "\r\n", 2);
  }
  close(fd);
  return true;
}

LocalTime FaultLocalTime() {
  const long long t = static_cast<long long>(time(nullptr)) + zoneOffset;
  long long days = t / 86400, secs = t % 86400;
  if (secs < 0) secs += 86400, --days;
  // Civil date from days since 1970-01-01.
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2));
  return {year,
          month,
          day,
          static_cast<int>(secs / 3600),
          static_cast<int>(secs / 60 % 60),
          static_cast<int>(secs % 60)};
}

void FaultShowBox(const char* title, const char* text) {
  int pipeEnds[2];
  pid_t pid = -1;
  if (programPath[0] && pipe2(pipeEnds, O_CLOEXEC) == 0) {
    pid = _Fork();
    if (pid == 0) {
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);  // the fault's signal is blocked here
      dup2(pipeEnds[0], 0);
      char* const argv[] = {programPath, const_cast<char*>(kBoxOption), const_cast<char*>(title), nullptr};
      execve(programPath, argv, environ);
      _exit(127);
    }
    close(pipeEnds[0]);
    if (pid > 0) writeAll(pipeEnds[1], text, std::strlen(text));
    close(pipeEnds[1]);
  }
  if (pid < 0) {
    // No box process: the text goes where an operator may still see it.
    writeAll(2, title, std::strlen(title));
    writeAll(2, "\n", 1);
    writeAll(2, text, std::strlen(text));
    writeAll(2, "\n", 1);
    return;
  }
  int status;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

void FaultEnd() { _exit(kFaultExitStatus); }

namespace {
std::string boxTitle, boxText;

// Nobody could close a box: the report goes to standard error instead.
[[noreturn]] void reportToStandardError() {
  std::fprintf(stderr, "%s\n%s\n", boxTitle.c_str(), boxText.c_str());
  std::fflush(stderr);
  std::_Exit(0);
}
}  // namespace

void FaultBoxMain(int argc, char** argv) {
  if (argc < 3 || std::strcmp(argv[1], kBoxOption) != 0) return;
  boxTitle = argv[2];
  boxText.assign(std::istreambuf_iterator<char>(std::cin), {});
  for (char& c : boxText)
    if (c == '\r') c = '\n';
  // A display may also refuse the program, or lack its toolkit plugin, which
  // shows only as the toolkit starts.
  if (!hasDisplay() || !GuiCanStart()) reportToStandardError();
  OnGuiStartFailure(reportToStandardError);
  InitGui();
  QMessageBox box;
  box.setWindowTitle(QString::fromLocal8Bit(boxTitle.c_str()));
  box.setText(QString::fromUtf8(boxText.c_str()));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  std::exit(0);
}

}  // namespace pf
