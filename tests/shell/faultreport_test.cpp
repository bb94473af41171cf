#include "shell/faultreport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <regex>
#include <thread>

#include "forked.h"
#include "platform/faulthook.h"
#include "workfolder.h"

using yrmtest::Slurp;

namespace {
// Splits at a separator string.
std::vector<std::string> split(const std::string& s, const std::string& sep) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + sep.size())
    parts.push_back(s.substr(from, at - from));
  parts.push_back(s.substr(from));
  return parts;
}

volatile int zero = 0;
volatile int sink = 0;
volatile uintptr_t dataAddress = 16;

void readDataAddress() { sink = *reinterpret_cast<volatile int*>(dataAddress); }
// Left unchecked by the undefined-behaviour checker, so the processor faults.
__attribute__((no_sanitize_undefined)) void divideByZero() { sink = 7 / zero; }
// kill -SEGV from another process (si_code SI_USER).
void sentByAnotherProcess() {
  const pid_t self = getpid();
  if (fork() == 0) {
    kill(self, SIGSEGV);
    _exit(0);
  }
  for (;;) pause();
}
void faultOnAnotherThread() {
  std::thread([] { readDataAddress(); }).join();
}
// Recurses until the stack is gone.
volatile int depth = 1 << 30;
int exhaust(int n) {
  volatile char pad[1024];
  pad[0] = static_cast<char>(n);
  return n < depth ? exhaust(n + 1) + pad[0] : 0;
}

class FaultReportTest : public yrmtest::WorkFolder {
 protected:
  // Runs `fault` in a child with the handler installed; the box process's
  // standard error (no display in tests) goes to "box.txt".
  int runFault(void (*fault)()) {
    return yrmtest::RunInChild([fault] {
      const int fd = open("box.txt", O_WRONLY | O_CREAT | O_APPEND, 0644);
      dup2(fd, 2);
      YRM_InstallFaultHandler();
      fault();
    });
  }
  // Checks one report's lines (CR-separated) and returns them.
  // `target`: the "Target Address:" line's number, "" when the line must be absent.
  static std::vector<std::string> checkReport(const std::string& report, const std::string& message,
                                              const std::string& code, const std::string& target) {
    std::vector<std::string> l = split(report, "\r");
    const std::regex number("[0-9]+");
    std::vector<std::string> want = {"Sorry! A program error was detected:", "",
                                     "Error Message:   " + message, "Error Code:      " + code};
    const size_t lines = target.empty() ? 20 : 21;
    EXPECT_EQ(l.size(), lines) << report;
    if (l.size() != lines) return l;
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(l[i], want[i]);
    EXPECT_EQ(l[4].substr(0, 17), "Code Address:    ");
    EXPECT_TRUE(std::regex_match(l[4].substr(17), number)) << l[4];
    size_t i = 5;
    if (!target.empty()) {
      EXPECT_EQ(l[i++], "Target Address:  " + target);
    }
    EXPECT_EQ(l[i++], "Sourcecode line: 0");
    EXPECT_EQ(l[i++], "Sourcecode file: unknown");
    EXPECT_EQ(l[i++], "");
    EXPECT_EQ(l[i++], "Register content:");
    for (const char* r : {"EAX", "EBX", "ECX", "EDX", "EBP", "ESI", "EDI", "ESP"}) {
      EXPECT_EQ(l[i].substr(0, 6), std::string(r) + " = ");
      EXPECT_TRUE(std::regex_match(l[i].substr(6), number)) << l[i];
      ++i;
    }
    EXPECT_EQ(l[i++], "");
    EXPECT_EQ(l[i++], "Please email both 'bugreport.txt' and 'log.txt' to support@quenlar.example");
    EXPECT_EQ(l[i++], "We will attempt to fix this bug ASAP. Thank you again for your help!");
    return l;
  }
};

struct FaultCase {
  const char* name;
  void (*fault)();
  const char* message;
  const char* code;
  const char* target;
};

TEST_F(FaultReportTest, EachFaultLeavesItsReportShowsItAndEndsTheProcess) {
  const FaultCase cases[] = {
      {"data address", readDataAddress, "Invalid memory access", "-1073741819", "16"},
      {"division by zero", divideByZero, "Integer division by zero", "-1073741676", ""},
      {"other thread", faultOnAnotherThread, "Invalid memory access", "-1073741819", "16"},
      // Sent, not caused: the line is there, with 0, as no access failed.
      {"raised by the process", [] { raise(SIGSEGV); }, "Invalid memory access", "-1073741819", "0"},
      {"sent by another process", sentByAnotherProcess, "Invalid memory access", "-1073741819", "0"},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove("bugreport.txt");
    std::filesystem::remove("box.txt");
    EXPECT_EQ(runFault(c.fault), 1);
    const std::string file = Slurp("bugreport.txt");
    const std::vector<std::string> writes = split(file, "\r\n");
    ASSERT_EQ(writes.size(), 4u) << file;  // three writes, each ending CR LF
    EXPECT_EQ(writes[0], "***************************");
    EXPECT_TRUE(std::regex_match(writes[1], std::regex(R"(\*\*\* \d\d/\d\d/\d{4} \d\d:\d\d:\d\d \*\*\*)")))
        << writes[1];
    checkReport(writes[2], c.message, c.code, c.target);
    EXPECT_EQ(writes[3], "");
    // The box: its title, then the same report.
    std::string box = writes[2];
    std::replace(box.begin(), box.end(), '\r', '\n');
    EXPECT_EQ(Slurp("box.txt"), "OnError Handler\n" + box + "\n");
  }
}

// A thread that ran out of stack is reported when it took its own handler stack.
TEST_F(FaultReportTest, ThreadWithExhaustedStackIsReported) {
  EXPECT_EQ(runFault([] {
              std::thread([] {
                pf::PrepareFaultStack();
                sink = exhaust(0);
              }).join();
            }),
            1);
  const std::vector<std::string> writes = split(Slurp("bugreport.txt"), "\r\n");
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(split(writes[2], "\r")[2], "Error Message:   Invalid memory access");
}

TEST_F(FaultReportTest, TwoRunsLeaveTwoReportsEachAfterItsOwnHeader) {
  EXPECT_EQ(runFault(readDataAddress), 1);
  EXPECT_EQ(runFault(divideByZero), 1);
  const std::vector<std::string> writes = split(Slurp("bugreport.txt"), "\r\n");
  ASSERT_EQ(writes.size(), 7u);
  for (int run : {0, 3}) {
    EXPECT_EQ(writes[run], "***************************");
    EXPECT_EQ(writes[run + 1].substr(0, 4), "*** ");
  }
  checkReport(writes[2], "Invalid memory access", "-1073741819", "16");
  checkReport(writes[5], "Integer division by zero", "-1073741676", "");
}

TEST_F(FaultReportTest, UnopenableReportFileStillGivesTheBoxAndTheEnd) {
  std::filesystem::create_directory("bugreport.txt");
  EXPECT_EQ(runFault(readDataAddress), 1);
  EXPECT_TRUE(std::filesystem::is_directory("bugreport.txt"));
  EXPECT_EQ(Slurp("box.txt").rfind("OnError Handler\nSorry! A program error was detected:\n", 0), 0u)
      << Slurp("box.txt");
}
}  // namespace
