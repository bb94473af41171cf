// Decoding a 12-megapixel board photo (4000 x 3000 JPEG) and cutting and
// stretching it to a view, as every full redraw of the main window does; then
// the same size as a PNG, plain and interlaced, whole and reduced.
// bench_image_decode [runs [folder to keep the PNG files in]]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>

#include "platform/files.h"
#include "platform/image.h"

namespace {
double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}
}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
  const int w = 4000, h = 3000;
  // A busy picture (shapes over fine noise) so it compresses like a photo.
  pf::CreateImage(1, w, h, 0x406030);
  pf::StartDrawing(1);
  std::mt19937 rng(7);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int n = int(rng() % 48);
      pf::Plot(x, y,
               ((x / 16 * 7 + n) & 0xFF) | (((y / 12 * 5 + n) & 0xFF) << 8) | (((x + y) / 40 & 0xFF) << 16));
    }
  for (int i = 0; i < 400; ++i)
    pf::Circle(int(rng() % w), int(rng() % h), int(rng() % 60), int(rng() & 0xFFFFFF));
  pf::StopDrawing();
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("bench_board_" + std::to_string(std::random_device{}()) + ".jpg"))
                               .string();
  if (!pf::test::SaveJpeg(1, file, 90)) return 1;
  std::printf("JPEG %d x %d, %.1f MB\n", w, h, pf::FileSize(file) / 1e6);

  // Wall time and processor time (the machine may be shared). The image
  // store is emptied first, so its copy of the last large picture does not
  // spare the decoding.
  double decode = 0, decodeCpu = 0, reload = 0, view = 0, whole = 0, best = 1e9;
  for (int i = 0; i < runs; ++i) {
    pf::test::ResetImages();
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    if (!pf::LoadImage(950, file)) return 1;
    decodeCpu += 1000.0 * double(std::clock() - c0) / CLOCKS_PER_SEC;
    const auto t1 = std::chrono::steady_clock::now();
    pf::GrabImage(950, 951, 0, 0, 3000, 3000);  // the board view's square window
    pf::CopyImage(951, 950);
    pf::ResizeImage(950, 640, 640);
    const auto t2 = std::chrono::steady_clock::now();
    if (!pf::LoadImage(950, file)) return 1;  // the same file again
    const auto t3 = std::chrono::steady_clock::now();
    pf::GrabImage(950, 951, 0, 0, w, h);  // zoom 1: the whole photo
    pf::CopyImage(951, 950);
    pf::ResizeImage(950, 640, 480);
    const auto t4 = std::chrono::steady_clock::now();
    whole += Ms(t4 - t3);
    reload += Ms(t3 - t2);
    decode += Ms(t1 - t0);
    best = std::min(best, Ms(t1 - t0));
    view += Ms(t2 - t1);
  }
  std::printf("decode: %.1f ms mean, %.1f ms best, %.1f ms processor time mean\n", decode / runs, best,
              decodeCpu / runs);
  std::printf("reload of the unchanged file: %.1f ms mean\n", reload / runs);
  std::printf("cut 3000 x 3000 + stretch to 640 x 640: %.1f ms mean\n", view / runs);
  std::printf("whole photo stretched to 640 x 480: %.1f ms mean (%d runs)\n", whole / runs, runs);
  pf::DeleteFile(file);

  // PNG: a picture of the same kind, its noise a function of the place
  // (an interlaced file asks for each row seven times).
  const auto fill = [](int y, int* row) {
    for (int x = 0; x < w; ++x) {
      uint32_t n = uint32_t(x) * 2654435761u ^ uint32_t(y) * 2246822519u;
      n ^= n >> 15, n *= 2654435761u, n ^= n >> 13;
      row[x] = int(((x / 16 * 7 + n % 48) & 0xFF) | (((y / 12 * 5 + n / 48 % 48) & 0xFF) << 8) |
                   ((((x + y) / 40 + n / 2304 % 16) & 0xFF) << 16));
    }
  };
  const std::string keep = argc > 2 ? argv[2] : "";
  for (bool interlaced : {false, true}) {
    const std::string png = keep.empty() ? file + (interlaced ? ".interlaced.png" : ".png")
                                         : keep + (interlaced ? "/interlaced.png" : "/plain.png");
    if (!pf::test::WritePng(png, w, h, fill, interlaced)) return 1;
    double wholeMs = 0, halfMs = 0, wholeBest = 1e9, halfBest = 1e9;
    for (int i = 0; i < runs; ++i) {
      pf::test::ResetImages();
      const auto t0 = std::chrono::steady_clock::now();
      if (!pf::LoadImage(950, png)) return 1;
      const auto t1 = std::chrono::steady_clock::now();
      pf::test::ResetImages();
      if (!pf::LoadImageReduced(950, png, [](int, int) { return 2; })) return 1;
      const auto t2 = std::chrono::steady_clock::now();
      wholeMs += Ms(t1 - t0);
      halfMs += Ms(t2 - t1);
      wholeBest = std::min(wholeBest, Ms(t1 - t0));
      halfBest = std::min(halfBest, Ms(t2 - t1));
    }
    std::printf("PNG %s, %.1f MB: whole %.1f ms mean, %.1f best; reduced 1/2 %.1f ms mean, %.1f best\n",
                interlaced ? "interlaced" : "plain", pf::FileSize(png) / 1e6, wholeMs / runs, wholeBest,
                halfMs / runs, halfBest);
    if (keep.empty()) pf::DeleteFile(png);
  }
  return 0;
}
