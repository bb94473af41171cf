// Hostile photo files given to the board view, each in a child process of
// its own: the wall time of one board-view draw and the peak memory it took.
// A child that does not return within 20 s is killed and reported as hung;
// its address space is capped at 4 GB so that nothing runs away.
//
//   build/bench/bench_image_limits
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/image.h"
#include "platform/requester.h"
#include "shell/startup.h"
#include "testing/boardview.h"

namespace fs = std::filesystem;

namespace {
constexpr int kHungSeconds = 20;
constexpr rlim_t kAddressSpace = rlim_t(4) << 30;

std::string Be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string Be16(int v) { return {char(v >> 8), char(v)}; }

std::string Chunk(const std::string& type, const std::string& body) {
  const uint32_t crc = uint32_t(crc32(crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4),
                                      reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
  return Be32(uint32_t(body.size())) + type + body + Be32(crc);
}

// An all-black w x h RGB PNG, compressed row by row; interlaced, its seven
// passes' rows one after the other.
std::string BlackPng(uint32_t w, uint32_t h, bool interlaced = false) {
  constexpr uint32_t sx[] = {0, 4, 0, 2, 0, 1, 0}, sy[] = {0, 0, 4, 0, 2, 0, 1};
  constexpr uint32_t dx[] = {8, 8, 4, 4, 2, 2, 1}, dy[] = {8, 8, 8, 4, 4, 2, 2};
  std::vector<uint32_t> widths(interlaced ? 0 : h, w);  // of each row in the file
  for (int p = 0; interlaced && p < 7; ++p)
    if (sx[p] < w && sy[p] < h)
      widths.insert(widths.end(), (h - sy[p] + dy[p] - 1) / dy[p], (w - sx[p] + dx[p] - 1) / dx[p]);
  z_stream z{};
  deflateInit(&z, 9);
  const std::string zeros(1 + size_t(w) * 3, '\0');
  std::string out(1 << 16, '\0'), idat;
  for (size_t y = 0; y < widths.size(); ++y) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    z.avail_in = uInt(1 + size_t(widths[y]) * 3);
    const int flush = y + 1 == widths.size() ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = reinterpret_cast<Bytef*>(out.data());
      z.avail_out = uInt(out.size());
      deflate(&z, flush);
      idat.append(out.data(), out.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return std::string("\x89PNG\r\n\x1a\n", 8) +
         Chunk("IHDR", Be32(w) + Be32(h) + std::string("\x08\x02\x00\x00", 4) + char(interlaced ? 1 : 0)) +
         Chunk("IDAT", idat) + Chunk("IEND", "");
}

// A JPEG 2000 codestream of about 150 bytes: w x h, three components, one
// tile, six resolution levels, every packet empty.
std::string EmptyJ2k(uint32_t w, uint32_t h) {
  std::string s = "\xFF\x4F";
  s += "\xFF\x51" + Be16(47) + Be16(0) + Be32(w) + Be32(h) + Be32(0) + Be32(0) + Be32(w) + Be32(h) + Be32(0) +
       Be32(0) + Be16(3) + std::string("\x07\x01\x01\x07\x01\x01\x07\x01\x01", 9);
  s += "\xFF\x52" + Be16(12) + std::string("\x00\x00\x00\x01\x00\x05\x04\x04\x00\x01", 10);
  s += "\xFF\x5C" + Be16(19) + std::string(1, '\x40') + std::string(16, '\x48');
  const int packets = 6 * 3;
  s += "\xFF\x90" + Be16(10) + Be16(0) + Be32(12 + 2 + packets) + std::string("\x00\x01", 2);
  s += "\xFF\x93" + std::string(packets, '\0');
  return s + "\xFF\xD9";
}

long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
  return -1;
}

void Measure(const char* what, const std::string& path) {
  std::fflush(nullptr);
  int pipefd[2];
  if (pipe(pipefd) != 0) return;
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipefd[0]);
    const rlimit cap{kAddressSpace, kAddressSpace};
    setrlimit(RLIMIT_AS, &cap);
    alarm(kHungSeconds);
    SetStartValues();
    pf::test::ScriptRequesters(true);  // the box of a photo refused is answered, not waited on
    const long before = StatusKb("VmRSS:");
    const auto c0 = std::chrono::steady_clock::now();
    YRM_DrawPcbView(400, 300, 10000, 5000, 1, -1, -1, path);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - c0).count();
    char text[256];
    const int n = std::snprintf(text, sizeof text, "%s in %.0f ms, peak %.0f MB above start; %s%s",
                                pf::IsImage(kImagePcbPhoto) ? "drawn" : "refused", ms,
                                (StatusKb("VmHWM:") - before) / 1024.0,
                                pf::IsImage(kImagePcbPhoto) ? "" : pf::ImageError().c_str(),
                                pf::test::AskedRequesters().empty() ? "" : " (reported)");
    if (write(pipefd[1], text, size_t(n)) < 0) _exit(2);
    _exit(0);
  }
  close(pipefd[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  char text[256] = {};
  const ssize_t got = read(pipefd[0], text, sizeof text - 1);
  close(pipefd[0]);
  if (got > 0)
    std::printf("%-44s %s\n", what, text);
  else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
    std::printf("%-44s hung: killed after %d s\n", what, kHungSeconds);
  else
    std::printf("%-44s failed after %.1f s (%s %d)\n", what, wall, WIFSIGNALED(status) ? "signal" : "exit",
                WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
}
}  // namespace

int main() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const fs::path dir = fs::temp_directory_path() / ("yrmbench-limits-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);
  {
    std::ofstream("black.png", std::ios::binary) << BlackPng(20000, 10000);
    std::ofstream("interlaced.png", std::ios::binary) << BlackPng(20000, 10000, true);
    std::ofstream("grey.j2k", std::ios::binary) << EmptyJ2k(20000, 10000);
  }
  mkfifo("pipe.jpg", 0600);
  std::printf("board view 400 x 300 at zoom 1, address space capped at %d GB\n", int(kAddressSpace >> 30));
  const std::string png = "black PNG 20000 x 10000, " + std::to_string(fs::file_size("black.png")) + " bytes";
  const std::string j2k = "JPEG 2000 20000 x 10000, " + std::to_string(fs::file_size("grey.j2k")) + " bytes";
  const std::string interlaced =
      "interlaced PNG 20000 x 10000, " + std::to_string(fs::file_size("interlaced.png")) + " bytes";
  Measure(png.c_str(), "black.png");
  Measure(interlaced.c_str(), "interlaced.png");
  Measure(j2k.c_str(), "grey.j2k");
  Measure("FIFO without a writer", "pipe.jpg");
  Measure("/dev/zero", "/dev/zero");
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(dir);
  return 0;
}
