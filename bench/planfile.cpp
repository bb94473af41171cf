// Writes and reads a plan of 10,000 pin records with golden and DUT blocks
// filled (about 30 MB) and prints the times beside `cat` of the same file.
//   bench_planfile [folder]   (default: the current folder)
#include "testing/planfile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testing/records.h"

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

struct Stats {
  std::vector<double> ms;
  void Print(const char* what) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s best %8.1f ms   median %8.1f ms\n", what, ms.front(), ms[ms.size() / 2]);
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : ".";
  std::string file = folder + "/bench_plan.qvt";

  auto t0 = std::chrono::steady_clock::now();
  FillPlan();
  std::printf("table of %d rows x %d fields filled in %.0f ms\n", records.Rows(), records.Fields(),
              Millis(t0));
  const RecordTable written = records;

  Stats format, parse, write, read, cat;
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
    if (!(records == written) || !(parsed == written)) {
      std::fprintf(stderr, "the plan read back differs from the one written\n");
      return 1;
    }

    std::string command = "cat '" + file + "' > /dev/null";
    t = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return 1;
    cat.ms.push_back(Millis(t));
  }

  std::printf("file %s: %.1f MB, %d repeats\n", file.c_str(), pf::FileSize(file) / 1e6, kRepeats);
  format.Print("format in memory");
  parse.Print("parse in memory");
  write.Print("YRM_WriteTestPlan (with fsync)");
  read.Print("YRM_ReadTestPlan");
  cat.Print("cat file > /dev/null");
  pf::DeleteFile(file);
  return 0;
}
