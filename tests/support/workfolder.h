// A fresh temporary working folder for one test: the test runs inside it and
// it is removed afterwards. Requesters are scripted, so nothing modal blocks.
#pragma once
#include <gtest/gtest.h>

#include <string>

namespace yrmtest {

// Path of a file in the source tree's tests/data folder, if any.
std::string SourceDir();
// Reads a whole file ("" when missing).
std::string Slurp(const std::string& path);
// Writes a whole file, creating folders on the way.
void Spit(const std::string& path, const std::string& content);

class WorkFolder : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string dir;  // absolute path of the working folder
 private:
  std::string saved;
};

}  // namespace yrmtest
