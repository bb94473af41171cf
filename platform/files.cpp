#include "platform/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace pf {

namespace {
std::atomic<int> failRenames{0};
std::atomic<int> failCreates{0};
std::atomic<int> wholeReads{0};

bool takeFault(std::atomic<int>& n) {
  int v = n.load();
  while (v > 0) {
    if (n.compare_exchange_weak(v, v - 1)) return true;
  }
  return false;
}
}  // namespace

std::string NativePath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  auto st = fs::status(NativePath(path), ec);
  if (ec || !fs::is_regular_file(st)) return false;
  std::ifstream in(NativePath(path), std::ios::binary);
  return in.good();
}

int64_t FileSize(const std::string& path) {
  std::error_code ec;
  auto n = fs::file_size(NativePath(path), ec);
  return ec ? -1 : static_cast<int64_t>(n);
}

int64_t FileModified(const std::string& path) {
  std::error_code ec;
  auto t = fs::last_write_time(NativePath(path), ec);
  if (ec) return -1;
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

bool CreateDirectory(const std::string& path) {
  std::error_code ec;
  fs::create_directories(NativePath(path), ec);
  return fs::is_directory(NativePath(path), ec);
}

bool DeleteFile(const std::string& path) {
  std::error_code ec;
  return fs::remove(NativePath(path), ec);
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (takeFault(failRenames)) return false;
  std::error_code ec;
  fs::rename(NativePath(from), NativePath(to), ec);
  return !ec;
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(NativePath(path), ec);
}

std::string CurrentDirectory() {
  std::error_code ec;
  return fs::current_path(ec).string();
}

bool SetCurrentDirectory(const std::string& path) {
  std::error_code ec;
  fs::current_path(NativePath(path), ec);
  return !ec;
}

std::string ProgramDirectory() {
  std::error_code ec;
  auto p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : p.parent_path().string();
}

bool ReadFileBytes(const std::string& path, std::string& out) {
  ++wholeReads;
  out.clear();
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) return false;
  std::error_code ec;
  auto size = fs::file_size(NativePath(path), ec);
  if (!ec && size > 0) {
    out.resize(size);
    in.read(out.data(), static_cast<std::streamsize>(size));
    out.resize(static_cast<size_t>(in.gcount()));
    return true;
  }
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

namespace {
// Opens a regular file without blocking (a FIFO without a writer returns at
// once) and reads up to `wanted(size)` bytes of it into `out`; false, with
// `out` empty, when it is no regular file or `wanted` refuses its size (-1).
template <typename Wanted>
bool ReadRegular(const std::string& path, std::string& out, Wanted wanted) {
  out.clear();
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  const int64_t n = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? wanted(int64_t(st.st_size)) : -1;
  if (n >= 0) {
    out.resize(static_cast<size_t>(n));
    size_t got = 0;
    while (got < out.size()) {
      const ssize_t k = ::read(fd, out.data() + got, out.size() - got);
      if (k < 0 && errno == EINTR) continue;
      if (k <= 0) break;
      got += static_cast<size_t>(k);
    }
    out.resize(got);
  }
  ::close(fd);
  return n >= 0;
}
}  // namespace

bool ReadRegularFile(const std::string& path, std::string& out, int64_t limit) {
  // One byte more than the size tells a file that grew meanwhile.
  if (!ReadRegular(path, out, [limit](int64_t size) { return size <= limit ? size + 1 : -1; })) return false;
  if (out.size() <= static_cast<size_t>(limit)) return true;
  out.clear();
  return false;
}

bool ReadFileStart(const std::string& path, std::string& out, int64_t limit) {
  return ReadRegular(path, out, [limit](int64_t size) { return limit >= 0 ? std::min(size, limit) : -1; });
}

void SplitLines(const std::string& text, std::vector<std::string>& lines) {
  lines.clear();
  size_t start = 0, n = text.size();
  while (start < n) {
    size_t i = start;
    while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
    lines.emplace_back(text, start, i - start);
    if (i < n && text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::string text;
  if (!ReadFileBytes(path, text)) {
    lines.clear();
    return false;
  }
  SplitLines(text, lines);
  return true;
}

bool AppendLine(const std::string& path, const std::string& line) {
  if (takeFault(failCreates)) return false;
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::app);
  if (!out) return false;
  out << line << "\r\n";
  out.flush();
  return static_cast<bool>(out);
}

bool WriteFile(const std::string& path, const std::string& content) {
  if (takeFault(failCreates)) return false;
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.flush();
  return static_cast<bool>(out);
}

namespace {
// Temporary files of earlier replacements of `target` whose writer is gone (a
// save killed before its rename): ".<name>.tmp<pid>" beside it, where pid is
// this process or no running one. A live writer's file is left alone.
void removeLeftovers(const fs::path& target) {
  const std::string prefix = "." + target.filename().string() + ".tmp";
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code ec;
  fs::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(digits));
    const bool gone = pid == getpid() || (kill(pid, 0) != 0 && errno == ESRCH);
    std::error_code rec;
    if (gone && it->is_regular_file(rec)) fs::remove(it->path(), rec);
  }
}
}  // namespace

bool ReplaceFile(const std::string& path, const std::string& content) {
  std::string target = NativePath(path);
  fs::path p(target);
  std::string tmp = (p.has_parent_path() ? p.parent_path().string() + "/" : std::string()) + "." +
                    p.filename().string() + ".tmp" + std::to_string(getpid());
  removeLeftovers(p);
  if (takeFault(failCreates)) return false;
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  ok = (std::fflush(f) == 0) && ok;
  ok = (fsync(fileno(f)) == 0) && ok;
  ok = (std::fclose(f) == 0) && ok;
  if (ok && takeFault(failRenames)) ok = false;
  if (ok) {
    std::error_code ec;
    fs::rename(tmp, target, ec);
    ok = !ec;
  }
  if (!ok) std::remove(tmp.c_str());
  return ok;
}

namespace test {
void FailRenames(int n) { failRenames = n; }
void FailCreates(int n) { failCreates = n; }
int WholeFileReads() { return wholeReads; }
}  // namespace test

}  // namespace pf
