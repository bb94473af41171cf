// Display cost in "Advanced" at the default view of the default window: the
// trace redraw (once per data frame while connected) and the full redraw
// (nine mini-scopes, the scope background, a 12-megapixel JPEG board photo),
// first (photo decoded) and repeated, the latter on the same record and on a
// record step.
//
//   build/bench/bench_redraw [repeats]
//   (YRM_BENCH_PHOTOS=folder: the 48 MP PNG is made there once, and reused)
//
// Budget: trace redraw under 2 ms; full redraw under 50 ms. The photo is
// decoded only when the plan's photo file changed; "new photo" is that case.
// Also: the trace redraw as the running program calls it (a new frame every
// 100 ms with its noise, so the status line changes as it does live, the
// window repainted in between: caches as cold as the program finds them),
// and a 50-megapixel camera photo (8165 x 6124) on a record at zoom 10; the
// 12 MP photo as JPEG 2000 in the editor at zoom 10, and a 48 MP PNG at zoom
// 1 and 10 in both windows.
#include "testing/redraw.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/cpu.h"
#include "link/state.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "platform/requester.h"
#include "shell/layout.h"
#include "shell/panels.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/boardview.h"
#include "testing/records.h"
#include "testing/state.h"

namespace fs = std::filesystem;

namespace {
constexpr int kPhotoWidth = 4000, kPhotoHeight = 3000;  // 12 megapixels

// A PNG written row by row, too large to hold whole.
bool MakeBigPng(const std::string& path, int w, int h, const std::function<void(int y, int* row)>& fill) {
  return pf::test::WritePng(path, w, h, fill);
}
constexpr int kScratch = 700;
constexpr int kPins = 300;

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Stats {
  double mean, median, p99, worst;
};

Stats Measure(int repeats, const std::function<void(int)>& run) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    auto t0 = Clock::now();
    run(i);
    times.push_back(Ms(Clock::now() - t0));
  }
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  double sum = 0;
  for (double t : times) sum += t;
  return {sum / repeats, sorted[sorted.size() / 2], sorted[sorted.size() * 99 / 100], sorted.back()};
}

void Report(const char* what, const Stats& s, double budget) {
  std::printf("%-36s mean %7.2f  median %7.2f  p99 %7.2f  worst %7.2f ms", what, s.mean, s.median, s.p99,
              s.worst);
  if (budget > 0) std::printf("  (budget %.0f ms: %s)", budget, s.p99 < budget ? "met" : "NOT MET");
  std::printf("\n");
}

// A photo-like picture: smooth gradients with noise, so the JPEG is of a
// realistic size rather than a flat colour.
void MakePhoto(const std::string& path, unsigned seed) {
  pf::CreateImage(kScratch, kPhotoWidth, kPhotoHeight, 0);
  pf::StartDrawing(kScratch);
  std::mt19937 rng(seed);
  for (int y = 0; y < kPhotoHeight; y += 4)
    for (int x = 0; x < kPhotoWidth; x += 4) {
      const int r = (x * 255 / kPhotoWidth + int(rng() % 40)) & 0xFF;
      const int g = (y * 255 / kPhotoHeight + int(rng() % 40)) & 0xFF;
      const int b = int(rng() % 256);
      pf::Box(x, y, 4, 4, r | g << 8 | b << 16);
    }
  pf::StopDrawing();
  pf::test::SaveJpeg(kScratch, path, 90);
  pf::FreeImage(kScratch);
}

// A new photo in the main window: the full redraw that meets it (the window
// is held up by this one: the photo decodes on the loading thread), and the
// time until the full redraw the photo's arrival asks for has drawn it.
void NewPhoto(const char* kind, const std::string& ext, int repeats) {
  std::vector<double> onScreen;
  const Stats first = Measure(repeats, [&](int n) {
    records.SetField(1, kFieldPhoto, (n % 2 ? "board" : "other") + ext);
    YRM_FullRedraw();
  });
  pf::test::WaitImageLoads();
  TakePcbPhotoArrival();
  for (int n = 0; n < repeats; ++n) {
    records.SetField(1, kFieldPhoto, (n % 2 ? "board" : "other") + ext);
    const auto t0 = Clock::now();
    YRM_FullRedraw();
    while (!TakePcbPhotoArrival()) pf::WaitWindowEvent(1000);
    YRM_FullRedraw();
    onScreen.push_back(Ms(Clock::now() - t0));
  }
  std::sort(onScreen.begin(), onScreen.end());
  Report(("full redraw, new " + std::string(kind) + " photo").c_str(), first, 50);
  std::printf("  new %s photo on screen after: median %.1f, worst %.1f ms (decoded meanwhile)\n", kind,
              onScreen[onScreen.size() / 2], onScreen.back());
}

// The trace redraw as the main loop runs it while connected: a frame every
// 100 ms, each with the instrument's noise on the live curve (the status
// line's count and difference change with it), the window's events handled
// in between. Processor time of the redraw itself, and its wall time.
void LiveTraceRedraw(int frames) {
  std::mt19937 rng(3);
  std::normal_distribution<float> noise(0.0f, 0.001f);
  std::vector<double> cpu, wall;
  for (int n = 0; n < frames; ++n) {
    for (int k = 1; k <= 64; ++k) {
      const float a = float(k) * 6.2831853f / 64;
      livev[k] = 0.9f * std::cos(a) + noise(rng);
      livei[k] = livev[k] / 10000.0f + noise(rng) * 1e-5f;
    }
    goldenlivediff = std::abs(noise(rng)) * 100;
    traceredraw = 1;
    const auto t0 = Clock::now();
    const double c0 = threadCpuSeconds();
    YRM_TraceRedraw();
    cpu.push_back((threadCpuSeconds() - c0) * 1e3);
    wall.push_back(Ms(Clock::now() - t0));
    const auto until = t0 + std::chrono::milliseconds(100);
    while (Clock::now() < until)
      pf::WaitWindowEvent(std::max(
          1, int(std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count())));
  }
  std::sort(cpu.begin(), cpu.end());
  std::sort(wall.begin(), wall.end());
  double sum = 0;
  for (double c : cpu) sum += c;
  std::printf(
      "trace redraw as live, %d frames 100 ms apart: processor mean %.3f  median %.3f  p90 %.3f ms; wall "
      "median %.3f  p90 %.3f ms (budget: 3 x the warm trace redraw)\n",
      frames, sum / frames, cpu[cpu.size() / 2], cpu[cpu.size() * 9 / 10], wall[wall.size() / 2],
      wall[wall.size() * 9 / 10]);
}

// A 50-megapixel camera photo (beyond what decodes whole) on a record whose
// view is zoom 10: how long until the main window shows it, whether it shows
// the photo at all (not the missing-photo panel), and the full redraw with
// the photo held.
void CameraPhotoAtZoom10(int repeats) {
  constexpr int kWidth = 8165, kHeight = 6124;
  auto t0 = Clock::now();
  std::mt19937 rng(9);
  pf::test::WriteJpeg("camera.jpg", kWidth, kHeight, 90, [&](int y, int* row) {
    for (int x = 0; x < kWidth; ++x) {
      const int r = (x * 255 / kWidth + int(rng() % 24)) & 0xFF;
      const int g = (y * 255 / kHeight + int(rng() % 24)) & 0xFF;
      row[x] = r | g << 8 | ((x / 64 + y / 64) % 2 ? 0x60 : 0x20) << 16;
    }
  });
  std::printf("made camera.jpg, %d x %d, %lld bytes, in %.0f ms\n", kWidth, kHeight,
              static_cast<long long>(fs::file_size("camera.jpg")), Ms(Clock::now() - t0));
  const int row = currentrecord;
  const std::string photo = records.Field(1, kFieldPhoto);
  records.SetField(1, kFieldPhoto, "camera.jpg");
  records.SetFieldInt(row, kFieldViewX, kWidth / 2);
  records.SetFieldInt(row, kFieldViewY, kHeight / 2);
  records.SetFieldInt(row, kFieldPinX, kWidth / 2);
  records.SetFieldInt(row, kFieldPinY, kHeight / 2);
  records.SetField(row, kFieldViewZoom, "10");
  ForgetPcbPhoto();
  t0 = Clock::now();
  YRM_FullRedraw();
  const double first = Ms(Clock::now() - t0);
  while (!TakePcbPhotoArrival()) pf::WaitWindowEvent(1000);
  YRM_FullRedraw();
  const double onScreen = Ms(Clock::now() - t0);
  // What the board view shows: photo pixels, or the plain panel of a photo
  // that could not be decoded.
  const int view = DisplayPicture(kBoardView);
  long long blue = 0, all = 0;
  for (int y = 0; y < pf::ImageHeight(view); y += 3)
    for (int x = 0; x < pf::ImageWidth(view); x += 3, ++all) blue += pf::Point(view, x, y) == colourblue;
  const bool shown = pf::IsImage(kImagePcbPhoto) && blue * 2 < all;
  std::printf("50 MP photo at zoom 10: full redraw %.1f ms, on screen after %.0f ms: %s (decoded %d x %d)\n",
              first, onScreen, shown ? "the photo" : "NOT SHOWN, the missing-photo panel",
              pf::ImageWidth(kImagePcbPhoto), pf::ImageHeight(kImagePcbPhoto));
  Report("full redraw, 50 MP photo at zoom 10", Measure(repeats, [](int) { YRM_FullRedraw(); }), 50);
  records.SetField(1, kFieldPhoto, photo);
  records.SetField(row, kFieldViewZoom, "1");
  ForgetPcbPhoto();
  YRM_FullRedraw();
  pf::test::WaitImageLoads();
  TakePcbPhotoArrival();
  YRM_FullRedraw();
}

// Whether a view shows a photo rather than the plain blue panel of one that
// could not be loaded.
bool ShowsPhoto(int view) {
  long long blue = 0, all = 0;
  for (int y = 0; y < pf::ImageHeight(view); y += 3)
    for (int x = 0; x < pf::ImageWidth(view); x += 3, ++all) blue += pf::Point(view, x, y) == colourblue;
  return all > 0 && blue * 2 < all;
}

// Seconds a shell command takes, for the reference figures.
double CommandMs(const std::string& command) {
  const auto t0 = Clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  return Ms(Clock::now() - t0);
}

// The 12 MP JPEG 2000 in the editor at zoom 10: a new photo each time (board
// and other alternately, so nothing decoded before serves), then pans of a
// tenth of the view. Against it: the whole photo decoded, as a view used to.
void Jp2AtEditorZoom10(int repeats) {
  std::printf("board.jp2: %lld bytes; cat %.0f ms, ImageMagick convert (whole decode) %.0f ms\n",
              static_cast<long long>(fs::file_size("board.jp2")), CommandMs("cat board.jp2 > /dev/null"),
              CommandMs("convert board.jp2 null: 2> /dev/null"));
  Report("JPEG 2000 12 MP whole decode (reference)",
         Measure(2, [](int n) { pf::LoadImage(kScratch, n % 2 ? "board.jp2" : "other.jp2"); }), 0);
  pf::FreeImage(kScratch);
  bool shown = true;
  const Stats first = Measure(repeats, [&](int n) {
    ForgetPcbPhoto();
    YRM_DrawPcbView(640, 640, 2000, 1500, 10, 2000, 1500, n % 2 ? "board.jp2" : "other.jp2");
    shown = shown && ShowsPhoto(kImagePcbView);
  });
  Report("editor, new 12 MP JPEG 2000, zoom 10", first, 1000);
  std::printf("  shows %s\n", shown ? "the photo" : "NOT the photo: the missing-photo panel");
  YRM_DrawPcbView(640, 640, 2000, 1500, 10, 2000, 1500, "other.jp2");
  Report("editor, 12 MP JPEG 2000 zoom 10, pan",
         Measure(repeats,
                 [&](int n) {
                   YRM_DrawPcbView(640, 640, 2000 + 40 * (n + 1), 1500, 10, 2000, 1500, "other.jp2");
                 }),
         1000);
  std::printf("editor, new 12 MP JPEG 2000 by zoom:");
  int n = 0;
  for (const int zoom : {1, 2, 3, 4, 5, 7, 10, 15, 20, 25}) {
    ForgetPcbPhoto();
    const auto t0 = Clock::now();
    YRM_DrawPcbView(640, 640, 2000, 1500, float(zoom), 2000, 1500, n++ % 2 ? "board.jp2" : "other.jp2");
    std::printf(" %d: %.0f ms%s", zoom, Ms(Clock::now() - t0),
                ShowsPhoto(kImagePcbView) ? "" : " (NOT SHOWN)");
  }
  std::printf("\n");
}

// A 48 MP PNG (8000 x 6000) at zoom 1 and 10: in the main window, the time
// until it is on screen (decoded on the loading thread); in the editor, the
// view drawn (decoded on the spot). Each from nothing decoded, and whether
// the photo shows at all. The files are made once per folder given
// (YRM_BENCH_PHOTOS), so a build of other code can measure the same file.
void PngAtZoom1And10() {
  constexpr int kWidth = 8000, kHeight = 6000;
  const char* folder = std::getenv("YRM_BENCH_PHOTOS");
  const std::string png = std::string(folder ? folder : ".") + "/big48.png";
  if (!fs::exists(png)) {
    const auto t0 = Clock::now();
    std::mt19937 rng(11);
    const bool made = MakeBigPng(png, kWidth, kHeight, [&](int y, int* row) {
      for (int x = 0; x < kWidth; ++x) {
        const int r = (x * 255 / kWidth + int(rng() % 6)) & 0xFF;
        const int g = (y * 255 / kHeight + int(rng() % 6)) & 0xFF;
        row[x] = r | g << 8 | ((x / 64 + y / 64) % 2 ? 0x60 : 0x20) << 16;
      }
    });
    if (!made) {
      std::printf("%s cannot be made here: skipped\n", png.c_str());
      return;
    }
    std::printf("made %s in %.0f ms\n", png.c_str(), Ms(Clock::now() - t0));
  }
  std::printf("%s: %d x %d, %lld bytes; cat %.0f ms, pngtopnm (whole decode) %.0f ms\n", png.c_str(), kWidth,
              kHeight, static_cast<long long>(fs::file_size(png)), CommandMs("cat '" + png + "' > /dev/null"),
              CommandMs("pngtopnm '" + png + "' > /dev/null"));
  const int row = currentrecord;
  const std::string photo = records.Field(1, kFieldPhoto);
  records.SetField(1, kFieldPhoto, png);
  records.SetFieldInt(row, kFieldViewX, kWidth / 2);
  records.SetFieldInt(row, kFieldViewY, kHeight / 2);
  for (const int zoom : {1, 10}) {
    records.SetFieldInt(row, kFieldViewZoom, zoom);
    // Another large picture decoded, so the platform keeps none of this one.
    pf::LoadImage(kScratch, "board.jpg");
    pf::FreeImage(kScratch);
    ForgetPcbPhoto();
    auto t0 = Clock::now();
    YRM_FullRedraw();
    const double redraw = Ms(Clock::now() - t0);
    while (!TakePcbPhotoArrival()) pf::WaitWindowEvent(1000);
    YRM_FullRedraw();
    const double onScreen = Ms(Clock::now() - t0);
    std::printf("48 MP PNG at zoom %d, main window: full redraw %.1f ms, on screen after %.0f ms: %s\n", zoom,
                redraw, onScreen,
                ShowsPhoto(DisplayPicture(kBoardView)) ? "the photo" : "NOT SHOWN, the missing-photo panel");
    pf::LoadImage(kScratch, "board.jpg");
    pf::FreeImage(kScratch);
    ForgetPcbPhoto();
    t0 = Clock::now();
    YRM_DrawPcbView(640, 640, kWidth / 2, kHeight / 2, float(zoom), kWidth / 2, kHeight / 2, png);
    const double editor = Ms(Clock::now() - t0);
    std::printf("48 MP PNG at zoom %d, editor view: %.0f ms: %s\n", zoom, editor,
                ShowsPhoto(kImagePcbView) ? "the photo" : "NOT SHOWN, the missing-photo panel");
  }
  records.SetField(1, kFieldPhoto, photo);
  records.SetField(row, kFieldViewZoom, "1");
  ForgetPcbPhoto();
}

// A plan of kPins pins with golden and DUT signatures, spread over the photo.
void MakePlan() {
  records = RecordTable(kPins + 1, kPlanFields);
  records.SetField(1, kFieldPhoto, "board.jpg");
  Signature v{}, i{};
  for (int k = 1; k <= 64; ++k) {
    const float a = float(k) * 6.2831853f / 64;
    v[k] = 0.8f * std::cos(a);
    i[k] = 0.00008f * std::sin(a);
  }
  const char* results[] = {"Good", "Bad", "Untested", "NoTest"};
  for (int row = 2; row <= kPins + 1; ++row) {
    WriteSignatureBlock(row, kGoldenBase, 1000, 10000, 50, v, i, 64);
    WriteSignatureBlock(row, kDutBase, 1000, 10000, 50, v, i, 64);
    records.SetField(row, kFieldGolden, "Yes");
    records.SetField(row, kFieldResult, results[row % 4]);
    records.SetField(row, kFieldDescription,
                     "U" + std::to_string(row / 8) + " pin " + std::to_string(row % 8));
    records.SetField(row, kFieldPin, std::to_string(row % 8 + 1));
    records.SetFieldInt(row, kFieldPinX, 100 + (row * 137) % 3800);
    records.SetFieldInt(row, kFieldPinY, 100 + (row * 71) % 2800);
    records.SetFieldInt(row, kFieldViewX, 100 + (row * 137) % 3800);
    records.SetFieldInt(row, kFieldViewY, 100 + (row * 71) % 2800);
    records.SetField(row, kFieldViewZoom, "1");
  }
}
}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const fs::path dir = fs::temp_directory_path() / ("yrmbench-redraw-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);

  SetStartValues();
  pf::test::ScriptRequesters(true);  // a box (a photo that cannot be loaded) must not wait for a click
  pf::InitGui();
  pf::SetDefaultGuiFont();  // the program's drawing font, as start-up sets it
  pf::OpenWindow(kMainWindow, 0, 0, mainwindowwidth, mainwindowheight, "bench", 0);
  YRM_CreateScopeGadgets();
  mode = "Advanced";
  YRM_LayoutMainWindow();
  std::printf("view %s in %s, window %d x %d: main scope %d x %d, mini-scopes %d x %d, board %d x %d\n",
              displayview.c_str(), mode.c_str(), mainwindowwidth, mainwindowheight, scope1width, scope1height,
              miniscope1width, miniscope1height, pcbviewwidth, pcbviewheight);

  auto t0 = Clock::now();
  MakePhoto("board.jpg", 1);
  MakePhoto("other.jpg", 2);  // a second photo, so that no decoder-side reuse hides a decode
  std::printf("made board.jpg and other.jpg, %d x %d, %lld bytes, in %.0f ms\n", kPhotoWidth, kPhotoHeight,
              static_cast<long long>(fs::file_size("board.jpg")), Ms(Clock::now() - t0));
  MakePlan();

  voltage = 1000;
  resistance = 10000;
  frequency = 50;
  sourceohms = 10000;
  pointcount = 64;
  currentrecord = 50;
  for (int k = 1; k <= 64; ++k) {
    livev[k] = (k - 32) * 0.03f;
    livei[k] = livev[k] / 10000.0f;
  }
  usbopen = 1;  // live trace, classification and status line, no device needed

  // One-time costs of the process, outside the figures: the font database
  // and the first large allocation and decode.
  t0 = Clock::now();
  pf::TextWidth("x");
  std::printf("font set-up (once per process): %.0f ms\n", Ms(Clock::now() - t0));
  Report("photo decode, first in process", Measure(1, [](int) { pf::LoadImage(kScratch, "board.jpg"); }), 0);
  Report("photo decode, again",
         Measure(6, [](int n) { pf::LoadImage(kScratch, n % 2 ? "board.jpg" : "other.jpg"); }), 0);
  pf::FreeImage(kScratch);

  NewPhoto("JPEG", ".jpg", 6);
  std::printf("  photo %d x %d, window (%d, %d) to (%d, %d) stretched to %d x %d\n", pcbimagewidth,
              pcbimageheight, imagewindowleft, imagewindowtop, imagewindowright, imagewindowbottom,
              pf::ImageWidth(DisplayPicture(kBoardView)), pf::ImageHeight(DisplayPicture(kBoardView)));
  // What the reduced decode changes on screen: the whole photo stretched to
  // the board view, from the 1/8 decode against from the full one. On the
  // noisy bench photo and on a smooth one with sharp edges (parts on a board).
  pf::CreateImage(kScratch, kPhotoWidth, kPhotoHeight, 0x305020);
  pf::StartDrawing(kScratch);
  for (int k = 0; k < 400; ++k)
    pf::Box(97 * k % (kPhotoWidth - 200), 61 * k % (kPhotoHeight - 120), 40 + k % 160, 30 + k % 90,
            (k * 0x3F2A17) & 0xFFFFFF);
  pf::StopDrawing();
  pf::test::SaveJpeg(kScratch, "smooth.jpg", 90);
  pf::FreeImage(kScratch);
  for (const char* name : {"board.jpg", "smooth.jpg"}) {
    constexpr int kFull = kScratch, kReduced = kScratch + 1;
    // Reduced first: a full picture kept from the same file would serve it.
    pf::LoadImage(kFull, "other.jpg");
    pf::LoadImageReduced(kReduced, name, [](int, int) { return 8; });
    pf::LoadImage(kFull, name);
    pf::ResizeImage(kFull, pcbviewwidth, pcbviewheight);
    pf::ResizeImage(kReduced, pcbviewwidth, pcbviewheight);
    long long sum = 0, over8 = 0, channels = 0;
    int worst = 0;
    for (int y = 0; y < pcbviewheight; ++y)
      for (int x = 0; x < pcbviewwidth; ++x) {
        const int a = pf::Point(kFull, x, y), b = pf::Point(kReduced, x, y);
        for (int shift = 0; shift < 24; shift += 8, ++channels) {
          const int d = std::abs((a >> shift & 0xFF) - (b >> shift & 0xFF));
          sum += d;
          over8 += d > 8;
          worst = std::max(worst, d);
        }
      }
    std::printf(
        "%s in the board view, 1/8 decode against full decode: mean %.2f, worst %d of 255 a channel, "
        "%.2f %% of channels off by more than 8\n",
        name, double(sum) / double(channels), worst, 100.0 * double(over8) / double(channels));
    pf::FreeImage(kFull);
    pf::FreeImage(kReduced);
  }

  // The same photos as JPEG 2000 (lossless): decoded at the resolution level
  // the view needs.
  t0 = Clock::now();
  for (const char* name : {"board", "other"}) {
    pf::LoadImage(kScratch, std::string(name) + ".jpg");
    pf::test::SaveJp2(kScratch, std::string(name) + ".jp2", false);
  }
  pf::FreeImage(kScratch);
  std::printf("made board.jp2 and other.jp2, %lld bytes, in %.0f ms\n",
              static_cast<long long>(fs::file_size("board.jp2")), Ms(Clock::now() - t0));
  NewPhoto("JPEG 2000", ".jp2", 4);
  records.SetField(1, kFieldPhoto, "board.jpg");
  YRM_FullRedraw();

  Report("full redraw again, photo kept", Measure(repeats, [](int) { YRM_FullRedraw(); }), 50);
  Report("full redraw, record step, photo kept",
         Measure(repeats,
                 [](int n) {
                   currentrecord = 2 + n % kPins;
                   YRM_FullRedraw();
                 }),
         50);
  currentrecord = 50;
  YRM_FullRedraw();
  Report("trace redraw (connected)", Measure(repeats * 10, [](int) { YRM_TraceRedraw(); }), 2);
  // The same with the window's repaint of the two pictures that changed, as
  // the main loop does after it at every data frame.
  pf::WaitWindowEvent(0);
  Report("trace redraw and repaint (connected)",
         Measure(repeats * 10,
                 [](int) {
                   YRM_TraceRedraw();
                   pf::WaitWindowEvent(0);
                 }),
         2);
  LiveTraceRedraw(std::max(20, repeats * 2));
  usbopen = 0;

  CameraPhotoAtZoom10(std::max(5, repeats / 5));
  Jp2AtEditorZoom10(std::max(2, repeats / 10));
  PngAtZoom1And10();

  fs::current_path(fs::temp_directory_path());
  fs::remove_all(dir);
  return 0;
}
