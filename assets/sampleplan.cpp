// Writes the sample plan of the sample board into a working-folder template,
// and the probe script beside it:
//   yrm_sampleplan <template folder> <simulated driver library> <scratch folder>
// Every pin's golden signature is captured from the simulated instrument
// through the program's own link, as a capture on a good board would take it
// (the scratch folder is the working folder meanwhile). The probe script
// plays the same board pin by pin in plan order, with one pin faulty, so that
// an automatic test of the plan shows Good and Bad pins.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "assets/sampleboard.h"
#include "link/connection.h"
#include "link/convert.h"
#include "link/device.h"
#include "link/frames.h"
#include "link/params.h"
#include "link/poll.h"
#include "link/state.h"
#include "platform/files.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "sim/control.h"
#include "testing/capture.h"
#include "testing/planfile.h"
#include "testing/records.h"
#include "testing/state.h"

namespace sb = sampleboard;
namespace fs = std::filesystem;

namespace {
int pinCount() {
  int n = 0;
  for (const sb::Component& c : sb::kComponents) n += c.pins;
  return n;
}

// What the probe script plays at pin k (from 0) of component c.
std::string shownAt(const sb::Component& c, int k) {
  const bool faulty = std::string(c.name) == sb::kFaultyComponent && k + 1 == sb::kFaultyPin;
  return faulty ? sb::kFaultyShows : c.good[k];
}

int fail(const std::string& why) {
  std::fprintf(stderr, "yrm_sampleplan: %s\n", why.c_str());
  return 1;
}

// One data frame asked for now, read and converted into the live signature.
bool takeFrame() {
  {
    std::lock_guard<std::mutex> g(linklock);
    YRM_SendRequestFrame(0);
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < end) {
    YRM_ReadUsbFrames();
    if (newframe.exchange(0) == 1) {
      YRM_ConvertSamples();
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// The pins' golden signatures, from the simulated instrument as the program
// running model YRM-A reads it: connected, the settings sent, one frame per
// pin with the pin's component under the probe (no noise, so that every
// build writes the same plan).
std::string captureGoldens(const std::string& library) {
  activeinstrument = "YRM-A";
  if (!simctl::Install(".", library)) return "cannot load the simulated instrument " + library;
  if (std::string e = simctl::Configure("model=YRM-A\nnoise=0\ncomponent=open"); !e.empty()) return e;
  YRM_StartConnection();
  if (usbopen != 1) return "the simulated instrument did not connect";
  voltage = voltageset = sb::kMillivolts;
  resistance = resistanceset = sb::kOhms;
  frequency = frequencyset = sb::kHertz;
  YRM_SendInstrumentParams();
  int row = 2;
  for (const sb::Component& c : sb::kComponents) {
    for (int k = 0; k < c.pins; ++k, ++row) {
      if (std::string e = simctl::Configure(std::string("component=") + c.good[k]); !e.empty()) return e;
      if (!takeFrame()) return std::string("no frame for ") + c.name;
      YRM_StoreSignatureInRecord(row, kSlotGolden);
      records.SetField(row, kFieldGolden, "Yes");
    }
  }
  YRM_CloseUsbPort();
  return "";
}

// sim.txt lines that play the board once from each connection: probe lifted
// for the lead-in, then each pin in plan order with the probe lifted between
// pins, and lifted at the end.
std::string probeScript() {
  std::string text =
      "# The sample board under the probe, pin by pin in the order of its plan, with\n"
      "# " +
      std::string(sb::kFaultyComponent) + " pin " + std::to_string(sb::kFaultyPin) +
      " faulty. Open the plan, click AUTO TEST, then Connect; it plays again from\n"
      "# each connection.\n";
  std::string script = "0 open";
  int ms = sb::kLeadInMs;
  for (const sb::Component& c : sb::kComponents)
    for (int k = 0; k < c.pins; ++k) {
      script += "; " + std::to_string(ms) + " " + shownAt(c, k);
      ms += sb::kPinMs;
      script += "; " + std::to_string(ms) + " open";
      ms += sb::kLiftMs;
    }
  return text + "probe=" + script + "\n";
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: yrm_sampleplan <template folder> <simulated driver library> <scratch folder>\n");
    return 2;
  }
  const std::string folder = fs::absolute(argv[1]).string(), library = fs::absolute(argv[2]).string();
  std::error_code ec;
  fs::create_directories(argv[3], ec);
  fs::current_path(argv[3], ec);
  if (ec) return fail(std::string("cannot work in ") + argv[3]);

  SetStartValues();
  records = RecordTable(1 + pinCount(), kPlanFields);
  // Header: the photo, relative to the working folder, and its whole view.
  records.SetField(1, kFieldPhoto, sb::kPhotoFile);
  records.SetFieldInt(1, kFieldViewX, sb::kPhotoWidth / 2);
  records.SetFieldInt(1, kFieldViewY, sb::kPhotoHeight / 2);
  records.SetField(1, kFieldViewZoom, "1");
  int row = 2;
  for (const sb::Component& c : sb::kComponents) {
    // Each component's view is centred on its pins.
    int left = sb::kPhotoWidth, right = 0, top = sb::kPhotoHeight, bottom = 0;
    for (int k = 0; k < c.pins; ++k) {
      left = std::min(left, c.at[k].x), right = std::max(right, c.at[k].x);
      top = std::min(top, c.at[k].y), bottom = std::max(bottom, c.at[k].y);
    }
    for (int k = 0; k < c.pins; ++k, ++row) {
      const std::string pin = IntegerText(k + 1);
      records.SetFieldInt(row, kFieldNumber, row);
      records.SetField(row, kFieldDescription, std::string(c.name) + ", Pin " + pin);
      records.SetField(row, kFieldResult, "Untested");
      records.SetField(row, kFieldComponent, c.name);
      records.SetField(row, kFieldPin, pin);
      records.SetFieldInt(row, kFieldViewX, (left + right) / 2);
      records.SetFieldInt(row, kFieldViewY, (top + bottom) / 2);
      records.SetFieldFloat(row, kFieldViewZoom, sb::kComponentZoom);
      records.SetFieldInt(row, kFieldPinX, c.at[k].x);
      records.SetFieldInt(row, kFieldPinY, c.at[k].y);
      records.SetField(row, kFieldGolden, "No");
    }
  }
  records.SetFieldInt(1, kFieldNumber, 1);
  if (std::string e = captureGoldens(library); !e.empty()) return fail(e);

  std::string text;
  FormatTestPlanText(records, text);
  const std::string plan = folder + "/" + sb::kPlanFile, probe = folder + "/" + sb::kProbeFile;
  if (!pf::CreateDirectory(folder + "/testplans") || !pf::ReplaceFile(plan, text) ||
      !pf::ReplaceFile(probe, probeScript()))
    return fail("cannot write " + plan + " and " + probe);
  return 0;
}
