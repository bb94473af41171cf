#include "platform/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

namespace {
// The one way a file is opened for reading: only a regular file, looked at
// before it is opened (a device is never opened) and again once open (it may
// have been replaced meanwhile); O_NONBLOCK keeps a FIFO from waiting for a
// writer. A link to a regular file is followed. -1 when refused.
int openRegular(const std::string& path, int64_t& size) {
  const std::string p = NativePath(path);
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  size = int64_t(st.st_size);
  return fd;
}

// Reads up to n bytes; fewer only at the end of the file. -1 on an error.
int64_t readUpTo(int fd, char* to, size_t n) {
  size_t got = 0;
  while (got < n) {
    const ssize_t k = ::read(fd, to + got, n - got);
    if (k < 0 && errno == EINTR) continue;
    if (k < 0) return -1;
    if (k == 0) break;
    got += size_t(k);
  }
  return int64_t(got);
}

// Opens for writing without waiting (a FIFO without a reader fails at once)
// and keeps the descriptor only for a regular file.
int openRegularForWriting(const std::string& path, int flags) {
  const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | flags, 0666);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool writeAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    const ssize_t k = ::write(fd, data, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    data += k;
    n -= size_t(k);
  }
  return true;
}
}  // namespace

bool FileExists(const std::string& path) {
  int64_t size = 0;
  const int fd = openRegular(path, size);
  if (fd < 0) return false;
  ::close(fd);
  return true;
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

bool ReadFileBytes(const std::string& path, std::string& out, int64_t limit) {
  ++wholeReads;
  out.clear();
  int64_t size = 0;
  const int fd = openRegular(path, size);
  if (fd < 0) return false;
  bool ok = size <= limit;
  if (ok) {
    // One byte more than the size tells a file that grew meanwhile; a file
    // that tells no size (as in /proc) is read on up to the limit.
    int64_t want = std::min(std::max(size, int64_t(4095)), limit) + 1, got = 0;
    for (;;) {
      out.resize(size_t(want));
      const int64_t k = readUpTo(fd, out.data() + got, size_t(want - got));
      if (k < 0) {
        ok = false;
        break;
      }
      got += k;
      if (got < want || want > limit) break;
      want = std::min(want * 2, limit + 1);
    }
    ok = ok && got <= limit;
    out.resize(ok ? size_t(got) : 0);
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

bool ReadFileStart(const std::string& path, std::string& out, int64_t limit) {
  out.clear();
  int64_t size = 0;
  if (limit < 0) return false;
  const int fd = openRegular(path, size);
  if (fd < 0) return false;
  out.resize(size_t(std::min(size, limit)));
  const int64_t got = readUpTo(fd, out.data(), out.size());
  ::close(fd);
  out.resize(got < 0 ? 0 : size_t(got));
  return got >= 0;
}

bool FileReader::Open(const std::string& path, int64_t limit) {
  Close();
  const int fd = openRegular(path, size_);
  if (fd < 0) return false;
  if (size_ > limit) {
    ::close(fd);
    size_ = 0;
    return false;
  }
  fd_ = fd;
  limit_ = limit;
  done_ = 0;
  failed_ = false;
  return true;
}

std::string_view FileReader::Next() {
  if (fd_ < 0 || failed_) return {};
  buffer_.resize(kPieceBytes);
  const int64_t k = readUpTo(fd_, buffer_.data(), buffer_.size());
  if (k < 0 || done_ + k > limit_) {
    failed_ = true;
    return {};
  }
  done_ += k;
  return std::string_view(buffer_.data(), size_t(k));
}

bool FileReader::Rewind() {
  if (fd_ < 0 || ::lseek(fd_, 0, SEEK_SET) != 0) return false;
  done_ = 0;
  failed_ = false;
  return true;
}

void FileReader::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
  failed_ = false;
  std::string().swap(buffer_);
}

namespace {
constexpr size_t kLinePieceRead = size_t(64) << 10;
}  // namespace

bool LineReader::Open(const std::string& path) {
  Close();
  ++wholeReads;
  int64_t size = 0;
  fd_ = openRegular(path, size);
  return fd_ >= 0;
}

bool LineReader::refill() {
  if (fd_ < 0 || failed_) return false;
  buffer_.resize(kLinePieceRead);
  const int64_t k = readUpTo(fd_, buffer_.data(), buffer_.size());
  pos_ = 0;
  if (k < 0) failed_ = true;
  buffer_.resize(k > 0 ? size_t(k) : 0);
  if (k > 0) lastByte_ = static_cast<unsigned char>(buffer_.back());
  return k > 0;
}

bool LineReader::Next(std::string& text) {
  text.clear();
  if (pos_ == buffer_.size() && !refill()) return false;
  lineStart_ = lineEnd_;
  for (;;) {
    if (pos_ == buffer_.size() && !refill()) {
      // The last line, without a line end.
      lineEnd_ = true;
      return !failed_;
    }
    const char c = buffer_[pos_];
    if (c == '\r' || c == '\n') {
      ++pos_;
      if (c == '\r' && (pos_ < buffer_.size() || refill()) && buffer_[pos_] == '\n') ++pos_;
      lineEnd_ = true;
      return !failed_;
    }
    if (text.size() == kMaxLineBytes) {
      lineEnd_ = false;  // the line goes on in the next piece
      return true;
    }
    const size_t room = std::min(buffer_.size() - pos_, kMaxLineBytes - text.size());
    const char* from = buffer_.data() + pos_;
    size_t k = 0;
    while (k < room && from[k] != '\r' && from[k] != '\n') ++k;
    text.append(from, k);
    pos_ += k;
  }
}

void LineReader::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  std::string().swap(buffer_);
  pos_ = 0;
  lastByte_ = -1;
  failed_ = false;
  lineStart_ = lineEnd_ = true;
}

bool FileWriter::Create(const std::string& path) {
  Close();
  failed_ = false;
  if (takeFault(failCreates)) return false;
  fd_ = openRegularForWriting(path, O_TRUNC);
  return fd_ >= 0;
}

bool FileWriter::flush() {
  if (!failed_ && !writeAll(fd_, buffer_.data(), buffer_.size())) failed_ = true;
  buffer_.clear();
  return !failed_;
}

void FileWriter::Write(std::string_view text) {
  if (fd_ < 0 || failed_) return;
  buffer_.append(text);
  if (buffer_.size() >= kLinePieceRead) flush();
}

bool FileWriter::Close() {
  if (fd_ < 0) return false;
  bool ok = flush();
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  std::string().swap(buffer_);
  return ok;
}

bool ReadFileEnd(const std::string& path, std::string& out, int64_t limit) {
  out.clear();
  int64_t size = 0;
  if (limit < 0) return false;
  const int fd = openRegular(path, size);
  if (fd < 0) return false;
  const int64_t from = std::max(size - limit, int64_t(0));
  bool ok = ::lseek(fd, off_t(from), SEEK_SET) == off_t(from);
  out.resize(size_t(size - from));
  const int64_t got = ok ? readUpTo(fd, out.data(), out.size()) : -1;
  ::close(fd);
  out.resize(got < 0 ? 0 : size_t(got));
  return got >= 0;
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
  const int fd = openRegularForWriting(path, O_APPEND);
  if (fd < 0) return false;
  const std::string text = line + "\r\n";
  const bool ok = writeAll(fd, text.data(), text.size());
  return ::close(fd) == 0 && ok;
}

bool WriteFile(const std::string& path, const std::string& content) {
  if (takeFault(failCreates)) return false;
  const int fd = openRegularForWriting(path, O_TRUNC);
  if (fd < 0) return false;
  const bool ok = writeAll(fd, content.data(), content.size());
  return ::close(fd) == 0 && ok;
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

namespace {
int64_t fakeAvailable = -1;
}

int64_t AvailableMemory() {
  if (fakeAvailable >= 0) return fakeAvailable;
  std::ifstream in("/proc/meminfo");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("MemAvailable:", 0) == 0) return int64_t(std::atoll(line.c_str() + 13)) << 10;
  return -1;
}

namespace test {
void SetAvailableMemory(int64_t bytes) { fakeAvailable = bytes; }
void FailRenames(int n) { failRenames = n; }
void FailCreates(int n) { failCreates = n; }
int WholeFileReads() { return wholeReads; }
}  // namespace test

}  // namespace pf
