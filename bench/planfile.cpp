// Writes and reads a plan of 10,000 pin records with golden and DUT blocks
// filled (about 38 MB) and prints the times beside `cat` of the same file:
// first a read and a save in fresh processes, with their peak memory, then
// warm repeats in this one. Plans of short rows follow (fresh reads only).
// Then the whole program: the peak memory of a fresh process that opens a
// plan of 4,000,000 short rows as File > Open does, with both result trees
// built and shown, and the CPU time of a record step (a pin judged, the next
// one current, both trees brought in line and drawn) at 1,000, 10,000 and
// 100,000 pins, each in a fresh process. Last the whole program's record step
// in an automatic test (the pin judged, the next one found, the trees, the
// full redraw with the board view's pins, the refresh with its percentages)
// at 1,000, 10,000 and 100,000 full rows and 1,000 and 1,000,000 short rows.
//   bench_planfile [folder [keep]]   (default: the current folder)
//   bench_planfile --program [folder]   (the whole program's part only)
//   bench_planfile --autotest [folder]   (the automatic test's step only)
#include "testing/planfile.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cpu.h"
#include "platform/files.h"
#include "platform/gui.h"
#include "platform/image.h"
#include "shell/panels.h"
#include "shell/refresh.h"
#include "shell/ribbon.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "testing/mainstep.h"
#include "testing/navigation.h"
#include "testing/planfiles.h"
#include "testing/records.h"
#include "testing/redraw.h"
#include "testing/state.h"
#include "testing/trees.h"
#include "tests/support/componentsplan.h"

namespace {

constexpr int kPins = 10000;
constexpr int kRepeats = 5;

double Millis(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

void FillPlan() {
  records = RecordTable(kPins + 1, kPlanFields);
  records.SetField(1, kFieldPhoto, "testplans\\images\\board.jpg");
  records.SetFieldInt(1, kFieldViewX, 2048);
  records.SetFieldInt(1, kFieldViewY, 1536);
  records.SetFieldFloat(1, kFieldViewZoom, 0.35f);
  Signature v{}, i{};
  for (int r = 2; r <= kPins + 1; ++r) {
    std::string component = "U" + std::to_string((r - 2) / 16 + 1);
    std::string pin = std::to_string((r - 2) % 16 + 1);
    for (int k = 1; k <= 64; ++k) {
      double a = 2.0 * M_PI * k / 64.0 + r * 0.01;
      v[k] = static_cast<float>(9.87654 * std::sin(a));
      i[k] = static_cast<float>(0.00123456 * std::cos(a) + 0.0000317 * r / kPins);
    }
    WriteSignatureBlock(r, kGoldenBase, 10000.0f, 100.0f, 1000.0f, v, i, 64);
    WriteSignatureBlock(r, kDutBase, 10000.0f, 100.0f, 1000.0f, i, v, 64);
    records.SetField(r, kFieldDescription, component + ", Pin " + pin);
    records.SetField(r, kFieldResult, r % 7 ? "Good" : "Bad");
    records.SetField(r, kFieldComponent, component);
    records.SetField(r, kFieldPin, pin);
    records.SetFieldInt(r, kFieldViewX, 1000 + r % 300);
    records.SetFieldInt(r, kFieldViewY, 800 + r % 200);
    records.SetFieldFloat(r, kFieldViewZoom, 1.5f);
    records.SetFieldInt(r, kFieldPinX, 1000 + r % 300);
    records.SetFieldInt(r, kFieldPinY, 800 + r % 200);
    records.SetFieldInt(r, kFieldScanSignal, 0);
    records.SetFieldInt(r, kFieldScanCommon, 0);
    records.SetField(r, kFieldGolden, "Yes");
  }
}

// A plan of `bytes` bytes or a little more whose pin rows hold only what a
// placed pin without signatures holds, as a plan made elsewhere gives them.
void WriteShortRows(const std::string& file, size_t bytes) {
  std::string text = "1" + std::string(12, ',') + "testplans/images/board.jpg,2048,1536,0.35,,\r\n";
  for (int r = 2; text.size() < bytes; ++r) {
    const std::string u = "U" + std::to_string(r / 16), pin = std::to_string(r % 16 + 1);
    text += std::to_string(r) + ",,,,,,," + u + "\xC2\xA3 Pin " + pin + ",Untested," + u + "," + pin + ",,," +
            std::to_string(1000 + r % 300) + "," + std::to_string(800 + r % 200) + ",1.5," +
            std::to_string(1000 + r % 300) + "," + std::to_string(800 + r % 200) + "\r\n";
  }
  pf::WriteFile(file, text);
}

struct Stats {
  std::vector<double> ms;
  void Print(const char* what) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-40s best %8.1f ms   median %8.1f ms\n", what, ms.front(), ms[ms.size() / 2]);
  }
};

// Peak resident memory of this process so far, in MiB.
double PeakMb() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

// In a fresh process: reads the plan once (and, with `save`, writes it once
// to a second file) and prints the times and the peak memory before and after.
int FreshChild(const std::string& file, bool save) {
  const double before = PeakMb();
  auto t = std::chrono::steady_clock::now();
  const bool ok = YRM_ReadTestPlan(file);
  const double readMs = Millis(t);
  const double readPeak = PeakMb();
  double saveMs = 0;
  if (save) {
    t = std::chrono::steady_clock::now();
    YRM_WriteTestPlan(file + ".saved");
    saveMs = Millis(t);
    pf::DeleteFile(file + ".saved");
  }
  std::printf("%d %.3f %.3f %.1f %.1f %.1f %d\n", ok ? 1 : 0, readMs, saveMs, before, readPeak, PeakMb(),
              records.Rows());
  return ok ? 0 : 1;
}

struct Fresh {
  double readMs = 0, saveMs = 0, baseMb = 0, readMb = 0, saveMb = 0;
  int rows = 0;
  bool ok = false;
};

Fresh RunFresh(const std::string& self, const std::string& file, bool save) {
  Fresh f;
  const std::string command = "'" + self + "' --fresh" + (save ? "-save" : "") + " '" + file + "'";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return f;
  int ok = 0;
  if (std::fscanf(p, "%d %lf %lf %lf %lf %lf %d", &ok, &f.readMs, &f.saveMs, &f.baseMb, &f.readMb, &f.saveMb,
                  &f.rows) == 7)
    f.ok = ok == 1;
  pclose(p);
  return f;
}

double CatMs(const std::string& file) {
  const std::string command = "cat '" + file + "' > /dev/null";
  auto t = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  return Millis(t);
}

// Fresh-process reads of a file beside `cat` of it, one after the other.
void CompareFresh(const std::string& self, const std::string& file, const char* what, bool save) {
  Stats read, saved, cat;
  Fresh last;
  for (int n = 0; n < kRepeats; ++n) {
    cat.ms.push_back(CatMs(file));
    last = RunFresh(self, file, save);
    if (!last.ok) {
      std::printf("%s: the fresh read failed\n", what);
      return;
    }
    read.ms.push_back(last.readMs);
    saved.ms.push_back(last.saveMs);
  }
  const double mb = pf::FileSize(file) / 1048576.0;
  std::printf("%s: %.1f MB (%.1f MiB), %d rows\n", what, pf::FileSize(file) / 1e6, mb, last.rows);
  read.Print("  YRM_ReadTestPlan, fresh process");
  if (save) saved.Print("  YRM_WriteTestPlan, fresh process");
  cat.Print("  cat file > /dev/null");
  std::printf(
      "  peak memory after the read %.1f MiB, %.1f before it: the read took %.1f MiB"
      " (bound 2 x file + 16 MiB = %.1f)\n",
      last.readMb, last.baseMb, last.readMb - last.baseMb, 2 * mb + 16);
  if (save) std::printf("  peak memory after the save %.1f MiB\n", last.saveMb);
  std::printf("  fresh read / cat (medians): %.1f\n",
              read.ms[read.ms.size() / 2] / cat.ms[cat.ms.size() / 2]);
}

// ---- the whole program ----------------------------------------------------

// The main window's result trees, as start-up builds them, shown.
void OpenTreeWindow() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  SetStartValues();
  pf::InitGui();
  pf::OpenWindow(kMainWindow, 0, 0, 1200, 720, "bench", 0);
  YRM_CreateBadTreePanel();
  YRM_CreateTestTreePanel();
  YRM_BuildTestTree();
  YRM_BuildBadTree();
}

// Lets the window lay out and paint what it shows.
void Settle() {
  for (int i = 0; i < 3; ++i) pf::WaitWindowEvent(0);
}

// In a fresh process: opens the plan as File > Open does, builds the trees
// as the next main step does, makes the first pin current as "Next" does,
// and prints the time taken and the peak memory before and after.
int OpenChild(const std::string& file) {
  OpenTreeWindow();
  Settle();
  const double before = PeakMb();
  auto t = std::chrono::steady_clock::now();
  YRM_OpenTestPlan(file);
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  Settle();
  currentrecord = 2;
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  Settle();
  std::printf("%.3f %.1f %.1f %d\n", Millis(t), before, PeakMb(), records.Rows());
  return 0;
}

// In a fresh process: the trees of a plan of `pins` pins built and shown,
// then record steps as an automatic test makes them; prints the CPU time of
// the first step and the median of the next ones, in ms.
int StepsChild(int pins) {
  constexpr int kSteps = 41;
  OpenTreeWindow();
  yrmtest::ComponentsPlan(pins);
  currentrecord = 2;
  YRM_BuildTestTree();
  YRM_BuildBadTree();
  Settle();
  std::vector<double> ms;
  for (int k = 0; k < kSteps; ++k) {
    const double t = threadCpuSeconds();
    records.SetField(currentrecord, kFieldResult, k % 4 == 3 ? "Bad" : "Good");
    YRM_NextRecord();
    YRM_BuildTestTree();
    YRM_BuildBadTree();
    Settle();
    ms.push_back((threadCpuSeconds() - t) * 1000);
  }
  const double first = ms.front();
  std::sort(ms.begin() + 1, ms.end());
  std::printf("%.3f %.3f\n", first, ms[1 + (ms.size() - 1) / 2]);
  return 0;
}

void WholeProgram(const std::string& self, const std::string& folder) {
  const std::string file = folder + "/bench_rows.qvt";
  constexpr int kRows = 4000000;
  std::string text;
  text.reserve(5 * size_t(kRows));
  for (int r = 0; r < kRows; ++r) text += "5,1\r\n";
  pf::WriteFile(file, text);
  const double cat = CatMs(file);
  FILE* p = popen(("'" + self + "' --open-peak '" + file + "'").c_str(), "r");
  double ms = 0, before = 0, after = 0;
  int rows = 0;
  const bool ok = p && std::fscanf(p, "%lf %lf %lf %d", &ms, &before, &after, &rows) == 4;
  if (p) pclose(p);
  const double mb = pf::FileSize(file) / 1048576.0;
  std::printf("whole program, %d short rows (%.1f MiB), opened in a fresh process:\n", kRows, mb);
  if (!ok) {
    std::printf("  the fresh process failed (killed for memory?)\n");
  } else {
    std::printf("  %d rows; File > Open, trees built and drawn, first pin current: %.0f ms (cat: %.1f ms)\n",
                rows, ms, cat);
    std::printf(
        "  peak memory %.1f MiB, %.1f before the open: the open took %.1f MiB = 2 x file + %.1f bytes a "
        "row\n",
        after, before, after - before, ((after - before) - 2 * mb) * 1048576.0 / kRows);
  }
  pf::DeleteFile(file);

  std::printf(
      "record step (pin judged, next pin current, both trees in line and drawn), CPU ms, fresh process:\n");
  double small = 0;
  for (const int pins : {1000, 10000, 100000}) {
    FILE* q = popen(("'" + self + "' --steps " + std::to_string(pins)).c_str(), "r");
    double first = 0, median = 0;
    const bool good = q && std::fscanf(q, "%lf %lf", &first, &median) == 2;
    if (q) pclose(q);
    if (!good) {
      std::printf("  %7d pins: the fresh process failed\n", pins);
      continue;
    }
    if (pins == 1000) small = median;
    std::printf("  %7d pins: first step %8.3f ms, median of 40 next %8.3f ms (%.1f x the 1,000-pin step)\n",
                pins, first, median, small > 0 ? median / small : 0.0);
  }
}

// ---- the whole program's record step in an automatic test ------------------

constexpr int kBoardWidth = 4000, kBoardHeight = 3000;

// Processor time of a fixed piece of work, the reference beside the figures.
double ReferenceMs() {
  const double t = threadCpuSeconds();
  volatile double x = 1;
  for (int k = 0; k < 20000000; ++k) x = x * 1.0000001 + 1e-9;
  return (threadCpuSeconds() - t) * 1000;
}

// A 4000 x 3000 board photo of a few parts on green, small as a PNG.
void WriteBoardPhoto(const std::string& file) {
  constexpr int kScratch = 700;
  pf::CreateImage(kScratch, kBoardWidth, kBoardHeight, 0x206020);
  pf::StartDrawing(kScratch);
  for (int k = 0; k < 200; ++k)
    pf::Box(97 * k % (kBoardWidth - 200), 61 * k % (kBoardHeight - 120), 40 + k % 160, 30 + k % 90,
            (k * 0x3F2A17) & 0xFFFFFF);
  pf::StopDrawing();
  pf::SavePng(kScratch, file);
  pf::FreeImage(kScratch);
}

std::string Decimal(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

// The text of a signature block of n points from field 31 of its base on:
// the count, then voltage and current of each point.
std::string BlockText(int n, double phase) {
  std::string text = std::to_string(n);
  for (int k = 1; k <= n; ++k) {
    const double a = 2.0 * M_PI * k / n + phase;
    text += "," + Decimal(0.8 * std::cos(a)) + "," + Decimal(0.00008 * std::cos(a));
  }
  return text;
}

// A plan of `pins` pins in components of eight, Untested with a golden
// signature, spread evenly over the board photo; each record's view is
// centred on its pin at the zoom that shows some forty pins (a board of more
// pins is a larger board, looked at as closely; the zoom stops at 100, where
// a million pins show some 130). Full rows hold golden and DUT blocks of 64
// points, as a plan tested before and reset; short rows a golden block of 4
// points and nothing after it.
void WriteAutoTestPlan(const std::string& file, const std::string& photo, int pins, bool full) {
  const int cols = static_cast<int>(std::ceil(std::sqrt(pins * 4.0 / 3.0)));
  const double spacing = double(kBoardWidth) / cols;
  const std::string zoom = Decimal(std::clamp(cols / 6.0, 1.0, 100.0));
  const std::string golden = BlockText(full ? 64 : 4, 0);
  // After a golden block of 64 points (its last field 159): empty fields up
  // to the DUT block's row index at 289, then its settings, count and points.
  const std::string dut = std::string(289 - 159, ',') + "1,1000,mVpk,10000,ohms,50,Hz" +
                          std::string(31 - 7, ',') + BlockText(64, 0.3);
  std::string text = "1" + std::string(12, ',') + photo + ",2000,1500,1\r\n";
  text.reserve(static_cast<size_t>(pins) * (full ? 3900 : 150));
  for (int k = 0; k < pins; ++k) {
    const int row = k + 2;
    const std::string u = "U" + std::to_string(k / 8 + 1), pin = std::to_string(k % 8 + 1);
    const int x = static_cast<int>((k % cols + 0.5) * spacing);
    const int y = std::min(kBoardHeight - 1, static_cast<int>((k / cols + 0.5) * spacing));
    const std::string xs = std::to_string(x), ys = std::to_string(y);
    // Fields 1 to 30, then the golden block from 31.
    text += std::to_string(row) + ",1000,mVpk,10000,ohms,50,Hz," + u + "\xC2\xA3 Pin " + pin + ",Untested," +
            u + "," + pin + ",,," + xs + "," + ys + "," + zoom + "," + xs + "," + ys + std::string(12, ',') +
            "Yes," + golden;
    if (full) text += dut;
    text += "\r\n";
  }
  pf::WriteFile(file, text);
}

// In a fresh process: the main window as start-up builds it in "Advanced"
// with the board view and both trees, the plan read and shown (the first
// refresh and full redraw), then record steps of an automatic test as the
// main loop makes them: the pin touched and stable, so judged and drawn; the
// probe lifted, so the next pin current, the trees brought in line, drawn
// again and the next pin found; the refresh with its percentages; the window
// painted. Prints the CPU time of the showing, of the first step and the
// median of the next ones, in ms, and the Good and Bad percentages shown.
int AutoTestChild(const std::string& file) {
  constexpr int kSteps = 41;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  SetStartValues();
  pf::InitGui();
  pf::SetDefaultGuiFont();
  pf::OpenWindow(kMainWindow, 0, 0, 1200, 720, "bench", 0);
  CreateMainWindowContents();
  mode = "Advanced";
  stablesignaturedelay = "2 cycles";
  for (int k = 1; k <= 64; ++k) {
    const float a = float(k) * 6.2831853f / 64;
    livev[k] = 0.8f * std::cos(a);
    livei[k] = 0.00008f * std::cos(a);
  }
  if (!YRM_ReadTestPlan(file)) return 1;
  testplanfilename = file;
  Settle();

  double t = threadCpuSeconds();
  currentrecord = lastrecord = 2;
  YRM_RefreshMainWindow();
  YRM_FullRedraw();
  Settle();
  const double shown = (threadCpuSeconds() - t) * 1000;

  runstate = prevrunstate = kRunAutoTest;
  autoteststep = 0;
  signaturestate = kSignatureOpen;
  // The main loop's pass, without its sleep.
  auto pump = [](auto done) {
    for (int n = 0; n < 20 && !done(); ++n) {
      event = pf::WaitWindowEvent(0);
      YRM_MainLoopStep();
    }
  };
  pump([] { return autoteststep == 2; });  // the first pin found and touched
  std::vector<double> ms;
  for (int k = 0; k < kSteps; ++k) {
    // Every fourth pin another part, whose current leads the voltage: Bad.
    for (int p = 1; p <= 64; ++p) {
      const float a = float(p) * 6.2831853f / 64;
      livei[p] = 0.00008f * (k % 4 == 3 ? std::sin(a) : std::cos(a));
    }
    t = threadCpuSeconds();
    const int row = currentrecord;
    signaturestate = kSignatureStable;
    stablecount = 10;
    tracex = livev;  // the live trace, as the trace redraw leaves it while connected
    tracey = livei;
    pump([row] { return records.FieldView(row, kFieldResult) != "Untested"; });
    signaturestate = kSignatureOpen;
    stablecount = 0;
    pump([row] { return currentrecord != row && autoteststep == 2; });
    YRM_RefreshMainWindow();
    Settle();
    ms.push_back((threadCpuSeconds() - t) * 1000);
  }
  const double first = ms.front();
  std::sort(ms.begin() + 1, ms.end());
  std::printf("%.3f %.3f %.3f %d %s %s\n", shown, first, ms[1 + (ms.size() - 1) / 2], currentrecord,
              pf::GetGadgetText(kGoodPercentText).c_str(), pf::GetGadgetText(kBadPercentText).c_str());
  return 0;
}

void AutoTestSteps(const std::string& self, const std::string& folder) {
  const std::string photo = std::filesystem::absolute(folder + "/bench_board.png").string();
  const std::string file = folder + "/bench_autotest.qvt";
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  pf::InitGui();
  WriteBoardPhoto(photo);
  std::printf(
      "record step of an automatic test, whole program (pin judged, next pin found, trees, full redraw "
      "with the board view's pins, refresh with percentages, window painted), CPU ms, fresh process; "
      "board photo %d x %d, %lld bytes; reference (fixed loop) %.1f ms:\n",
      kBoardWidth, kBoardHeight, static_cast<long long>(pf::FileSize(photo)), ReferenceMs());
  struct Case {
    int pins;
    bool full;
  };
  double base[2] = {0, 0};
  for (const Case c :
       {Case{1000, true}, Case{10000, true}, Case{100000, true}, Case{1000, false}, Case{1000000, false}}) {
    WriteAutoTestPlan(file, photo, c.pins, c.full);
    const double mb = pf::FileSize(file) / 1048576.0;
    FILE* q = popen(("'" + self + "' --autotest-child '" + file + "' 2> /dev/null").c_str(), "r");
    double shown = 0, first = 0, median = 0;
    int at = 0;
    char good[32] = "", bad[32] = "";
    const bool ok =
        q && std::fscanf(q, "%lf %lf %lf %d %31s %31s", &shown, &first, &median, &at, good, bad) == 6;
    if (q) pclose(q);
    pf::DeleteFile(file);
    if (!ok) {
      std::printf("  %7d %s rows: the fresh process failed\n", c.pins, c.full ? "full" : "short");
      continue;
    }
    double& b = base[c.full ? 0 : 1];
    if (c.pins == 1000) b = median;
    std::printf(
        "  %7d %-5s rows (%6.1f MiB): plan shown %8.1f ms; first step %7.3f ms, median of 40 next %7.3f ms "
        "(%.1f x the 1,000-row step); at row %d, %s Good, %s Bad\n",
        c.pins, c.full ? "full" : "short", mb, shown, first, median, b > 0 ? median / b : 0.0, at, good, bad);
    std::fflush(stdout);
  }
  std::printf("  reference (fixed loop) after: %.1f ms\n", ReferenceMs());
  pf::DeleteFile(photo);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && (std::strcmp(argv[1], "--fresh") == 0 || std::strcmp(argv[1], "--fresh-save") == 0))
    return FreshChild(argv[2], std::strcmp(argv[1], "--fresh-save") == 0);
  if (argc == 3 && std::strcmp(argv[1], "--open-peak") == 0) return OpenChild(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--steps") == 0) return StepsChild(std::atoi(argv[2]));
  if (argc == 3 && std::strcmp(argv[1], "--autotest-child") == 0) return AutoTestChild(argv[2]);
  const std::string self = "/proc/" + std::to_string(getpid()) + "/exe";
  if (argc >= 2 && std::strcmp(argv[1], "--autotest") == 0) {
    AutoTestSteps(self, argc > 2 ? argv[2] : ".");
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--program") == 0) {
    WholeProgram(self, argc > 2 ? argv[2] : ".");
    return 0;
  }
  std::string folder = argc > 1 ? argv[1] : ".";
  std::string file = folder + "/bench_plan.qvt";

  auto t0 = std::chrono::steady_clock::now();
  FillPlan();
  std::printf("table of %d rows x %d fields filled in %.0f ms\n", records.Rows(), records.Fields(),
              Millis(t0));
  const RecordTable written = records;
  YRM_WriteTestPlan(file);
  CompareFresh(self, file, "full plan", true);

  Stats format, parse, write, read, blocks, cat;
  for (int n = 0; n < kRepeats; ++n) {
    std::string text;
    auto t = std::chrono::steady_clock::now();
    FormatTestPlanText(records, text);
    format.ms.push_back(Millis(t));

    RecordTable parsed;
    t = std::chrono::steady_clock::now();
    ParseTestPlanText(text, parsed);
    parse.ms.push_back(Millis(t));

    t = std::chrono::steady_clock::now();
    YRM_WriteTestPlan(file);
    write.ms.push_back(Millis(t));

    records = RecordTable();
    t = std::chrono::steady_clock::now();
    YRM_ReadTestPlan(file);
    read.ms.push_back(Millis(t));
    // Every signature block of the plan as read, as the scopes take them.
    t = std::chrono::steady_clock::now();
    float sum = 0;
    for (int r = 2; r <= records.Rows(); ++r) {
      Signature v, c;
      for (int base : {kGoldenBase, kDutBase}) sum += ReadSignatureBlock(r, base, v, c) ? v[64] : 0;
    }
    blocks.ms.push_back(Millis(t));
    if (sum == 12345.0f) std::printf(" ");
    if (!(records == written) || !(parsed == written)) {
      std::fprintf(stderr, "the plan read back differs from the one written\n");
      return 1;
    }
    cat.ms.push_back(CatMs(file));
  }
  std::printf("warm, in this process, %d repeats:\n", kRepeats);
  format.Print("  format in memory");
  parse.Print("  parse in memory");
  write.Print("  YRM_WriteTestPlan (with fsync)");
  read.Print("  YRM_ReadTestPlan");
  blocks.Print("  both signature blocks of every row");
  cat.Print("  cat file > /dev/null");
  if (argc < 3) pf::DeleteFile(file);  // a second argument keeps it

  for (const size_t mb : {20, 40}) {
    const std::string shortFile = folder + "/bench_short.qvt";
    WriteShortRows(shortFile, mb << 20);
    CompareFresh(self, shortFile, (std::to_string(mb) + " MB of short rows").c_str(), false);
    pf::DeleteFile(shortFile);
  }
  WholeProgram(self, folder);
  AutoTestSteps(self, folder);
  return 0;
}
