// The whole program, forked: a fault after start-up ends it through the fault
// report, with the report in "bugreport.txt" and in the box.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "forked.h"
#include "platform/clock.h"
#include "shell/startup.h"
#include "workfolder.h"

using yrmtest::Slurp;

class FaultAfterStartUp : public yrmtest::WorkFolder {};

TEST_F(FaultAfterStartUp, EndsThroughTheReport) {
  const int status = yrmtest::RunInChild([] {
    const int fd = open("box.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 2);
    pf::test::SetDelay([](int) {});
    StartUp();
    volatile uintptr_t address = 24;
    (void)*reinterpret_cast<volatile int*>(address);
  });
  EXPECT_EQ(status, 1);
  const std::string report = Slurp("bugreport.txt");
  EXPECT_NE(report.find("\r\nSorry! A program error was detected:\r\rError Message:   Invalid memory access\r"
                        "Error Code:      -1073741819\r"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("\rTarget Address:  24\r"), std::string::npos) << report;
  EXPECT_NE(Slurp("box.txt").find("OnError Handler\nSorry! A program error was detected:\n"),
            std::string::npos);
}
