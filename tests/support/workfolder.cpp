#include "workfolder.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/requester.h"

namespace fs = std::filesystem;

namespace yrmtest {

std::string SourceDir() { return YRM_SOURCE_DIR; }

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Spit(const std::string& path, const std::string& content) {
  fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

void WorkFolder::SetUp() {
  saved = fs::current_path().string();
  char tmpl[] = "/tmp/yrmtest-XXXXXX";
  dir = mkdtemp(tmpl);
  fs::current_path(dir);
  pf::test::ScriptRequesters(true);
  pf::test::ClearAsked();
}

void WorkFolder::TearDown() {
  fs::current_path(saved);
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace yrmtest
