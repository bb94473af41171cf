#include "sim/instrument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "sim/bench.h"

namespace sim {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kSampleRate = 64000;  // ADC samples per second at every frequency
constexpr double kRailVoltsPerCount = 0.0016121270600706339;
constexpr size_t kQueueLimit = 65536;    // the driver's receive buffer
constexpr size_t kTransferLimit = 8192;  // transfers kept for inspection
constexpr int64_t kFileCheckMs = 100;    // sim.txt looked at no more often while open
constexpr double kIoErrorStatus = 4;     // what a failing call returns unless told
constexpr int kMaxSamplesPerPoint = 1000, kMaxSamplesPerSum = 4000;  // keeps every sum in 32 bits
constexpr double kAdcRangeVolts = 25;                                // each ADC reads up to +-25 V
// 15 V and 20 V: the full amplitude code on the 10 V range hands the peak to
// the output booster, which takes it in millivolts from register 6.
constexpr int kBoosterCode = 65535;
constexpr double kBoosterMaxVolts = 20;

// Factory calibration of this instrument: the codes (as the program sends
// them) that give each level, and what the two ADCs read at +10 V and -10 V.
constexpr int kDac10 = 28945, kDac1 = 29550, kDac0 = 1110, kDacM1 = -27575, kDacM10 = -27015;
constexpr int kAdc0At10 = 32012, kAdc0At0 = 12, kAdc0AtM10 = -31988;
constexpr int kAdc1At10 = 31978, kAdc1At0 = -9, kAdc1AtM10 = -31996;
constexpr int kDcBias10 = 29198, kDcBiasM10 = 3367;

// Identification texts: one character per EEPROM word.
constexpr int kMakerWord = 81, kMakerLength = 14, kProductWord = 95, kProductLength = 25;
constexpr int kCalWord = 128;

// A register value as the instrument sees it: bytes 2 to 5 of the frame, and
// the DAC takes the low 16 bits as a signed code. The program sends
// negative values in its own way (-27015 as 00 00 97 79), so the DAC was
// calibrated on the codes as they arrive.
uint32_t WireValue(int64_t v) {
  return static_cast<uint32_t>(((v / 16777216) & 0xFF) << 24 | ((v / 65536) & 0xFF) << 16 |
                               ((v / 256) & 0xFF) << 8 | (v & 0xFF));
}
int DacCode(uint32_t wire) { return static_cast<int16_t>(wire & 0xFFFF); }

double Line(double x, double x0, double y0, double x1, double y1) {
  return y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

int ButtonMask(const std::string& t) {
  std::string s = Lower(Trim(t));
  if (s.empty() || s == "none" || s == "0") return 0;
  int m = 0;
  if (s.find('a') != std::string::npos) m |= 1;
  if (s.find('b') != std::string::npos) m |= 2;
  return m;
}

// Nearest integer, a half to the even neighbour, as std::nearbyint gives it
// in the default rounding mode, without a library call: adding and taking
// away 1.5 x 2^52 leaves no fraction bits (strict floating point keeps both
// steps). For |x| < 2^51.
constexpr double kRoundingShift = 6755399441055744.0;
double RoundHalfEven(double x) { return (x + kRoundingShift) - kRoundingShift; }

// Standard normal values at 4096 evenly spaced probabilities, scaled to an
// exact standard deviation of 1 (and a mean of exactly 0: the table is
// symmetric). A noise draw is then a table entry picked by 12 bits of the
// generator instead of a logarithm and a square root.
constexpr int kNormalTableBits = 12;
constexpr int kNormalTableSize = 1 << kNormalTableBits;
constexpr uint32_t kNormalTableMask = kNormalTableSize - 1;
const double* NormalTable() {
  static const std::vector<double> table = [] {
    std::vector<double> z(kNormalTableSize);
    // The lower half by bisection of the distribution function; the upper
    // half mirrors it.
    for (int k = 0; k < kNormalTableSize / 2; ++k) {
      const double p = (k + 0.5) / kNormalTableSize;
      double lo = -10, hi = 0;
      for (int step = 0; step < 64; ++step) {
        const double mid = (lo + hi) / 2;
        (0.5 * std::erfc(-mid / std::sqrt(2.0)) < p ? lo : hi) = mid;
      }
      z[k] = (lo + hi) / 2;
      z[kNormalTableSize - 1 - k] = -z[k];
    }
    double squares = 0;
    for (double v : z) squares += v * v;
    const double rms = std::sqrt(squares / kNormalTableSize);
    for (double& v : z) v /= rms;
    return z;
  }();
  return table.data();
}

// The items of a list ("a; b; c", "a, b"), trimmed, empty ones left out.
std::vector<std::string> Items(const std::string& text, char separator) {
  std::vector<std::string> items;
  std::stringstream s(text);
  std::string item;
  while (std::getline(s, item, separator))
    if (!(item = Trim(item)).empty()) items.push_back(item);
  return items;
}

// "0 open; 500 resistor 1k; 1500 open" -> (ms, rest)
bool ParseScript(const std::string& text, std::vector<std::pair<int64_t, std::string>>& out) {
  out.clear();
  for (const std::string& step : Items(text, ';')) {
    size_t sp = step.find_first_of(" \t");
    char* end = nullptr;
    long long ms = std::strtoll(step.c_str(), &end, 10);
    if (end == step.c_str() || ms < 0) return false;
    out.emplace_back(ms, sp == std::string::npos ? "" : Trim(step.substr(sp)));
  }
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return true;
}
}  // namespace

int64_t NowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {
// CPU time of the calling thread, in nanoseconds.
int64_t ThreadCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}
}  // namespace

namespace {
// One sim.txt line being read into the next configuration.
struct Reading {
  Reading(Config& n, std::map<std::string, sim::Component>& c) : next(n), components(c) {}
  Config& next;
  std::map<std::string, sim::Component>& components;  // parsed, by text
  std::string key, value, line;
  std::string suffix;                             // what follows a prefix key: "3" of channel3
  std::string error;                              // the line's first error; nothing of the file applies then
  std::map<std::string, std::string> faultLines;  // counted faults as written
  std::map<std::string, int Config::*> faultFields;             // and what each counts down
  std::vector<std::pair<std::string, std::string>> benchLines;  // bench keys, applied at the end
  bool seedSet = false;
  uint32_t seed = 0;
  bool failSeen = false, unplugSeen = false;  // lines with counts of calls

  bool Fail(const std::string& e) {
    if (error.empty()) error = e;
    return false;
  }
  bool Number(double& out) { return ParseValue(value, out) || Fail("not a number: " + line); }
  // A number the line sets `field` to, through `convert`.
  template <typename T, typename F>
  void Set(T& field, F convert) {
    double v = 0;
    if (Number(v)) field = convert(v);
  }
  bool TakeComponent(const std::string& t) {
    sim::Component c;
    std::string e;
    if (!ParseComponent(t, c, e)) return Fail(e + ": " + line);
    components[c.text] = c;
    return true;
  }
  // "FT_Write, FT_Read:4, FT_WriteEE@300": driver function names, each with
  // an optional status and (where `counted`) the calls that work first.
  void Functions(std::map<std::string, Config::Failure>& out, bool counted) {
    for (const std::string& item : Items(value, ',')) {
      Config::Failure f;
      size_t at = item.find('@');
      if (at != std::string::npos) {
        double after = 0;
        if (!counted || !ParseValue(Trim(item.substr(at + 1)), after) || after < 0) {
          Fail(counted ? "a count of calls is a number from 0: " + item : "no count here: " + item);
          return;
        }
        f.after = static_cast<int64_t>(after);
      }
      const std::string head = item.substr(0, at);
      size_t colon = head.find(':');
      std::string name = Trim(head.substr(0, colon));
      double status = kIoErrorStatus;
      if (DriverFunctionIndex(name) < 0) {
        Fail("not a driver function: " + name);
        return;
      }
      if (colon != std::string::npos &&
          (!ParseValue(Trim(head.substr(colon + 1)), status) || status < 1 || status > 255)) {
        Fail("a status is 1 to 255: " + item);
        return;
      }
      f.status = static_cast<uint32_t>(status);
      out[name] = f;
    }
  }
  // "0 open; 500 resistor 1k; 1500 open": (ms, rest), in time order.
  bool Script(std::vector<std::pair<int64_t, std::string>>& out, const char* what) {
    return ParseScript(value, out) || Fail(std::string("bad ") + what + " script: " + line);
  }
  // A fault that counts down over the frames (or reads) after its line.
  void Counted(int Config::*field) {
    double v = 0;
    if (!Number(v)) return;
    next.*field = static_cast<int>(std::clamp(v, 0.0, 1e6));
    faultLines[key] = value;
    faultFields[key] = field;
  }
  void Bench() {
    std::string e;
    BenchKey(key, value, e, false);
    if (!e.empty())
      Fail(e);
    else
      benchLines.emplace_back(key, value);
  }
};

enum KeyKind {
  kValueKey,   // key=value
  kSwitchKey,  // also alone, meaning =1
  kPrefixKey,  // the name begins the key: channel3, cal.DAC@1V
};
struct SimKey {
  const char* name;
  KeyKind kind;
  void (*read)(Reading&);
};

bool IsOn(double v) { return v != 0; }

// Every key of sim.txt, one row each; sim/README.md shows each of them (a
// test holds the two together).
constexpr SimKey kSimKeys[] = {
    {"model", kValueKey,
     [](Reading& r) {
       if (FindModel(r.value))
         r.next.model = r.value;
       else
         r.Fail("model is YRM-A, YRM-AP, YRM-C, YRM-D or YRM-D2: " + r.line);
     }},
    {"component", kValueKey,
     [](Reading& r) {
       if (r.TakeComponent(r.value)) r.next.channels[0] = r.value;
     }},
    {"channel", kPrefixKey,
     [](Reading& r) {
       char* end = nullptr;
       long ch = std::strtol(r.suffix.c_str(), &end, 10);
       if (r.suffix.empty() || *end != 0 || ch < 0)
         r.Fail("bad channel: " + r.line);
       else if (r.TakeComponent(r.value))
         r.next.channels[static_cast<int>(ch)] = r.value;
     }},
    {"probe", kValueKey,
     [](Reading& r) {
       std::vector<std::pair<int64_t, std::string>> script;
       if (!r.Script(script, "probe")) return;
       bool ok = true;
       for (auto& step : script) ok = r.TakeComponent(step.second) && ok;
       if (ok) r.next.probeScript = script;
     }},
    {"probeperiod", kValueKey,
     [](Reading& r) { r.Set(r.next.probePeriod, [](double v) { return int64_t(v); }); }},
    {"buttons", kValueKey, [](Reading& r) { r.next.buttons = ButtonMask(r.value); }},
    {"buttonscript", kValueKey,
     [](Reading& r) {
       std::vector<std::pair<int64_t, std::string>> script;
       if (!r.Script(script, "button")) return;
       r.next.buttonScript.clear();
       for (auto& step : script) r.next.buttonScript.emplace_back(step.first, ButtonMask(step.second));
     }},
    {"buttonperiod", kValueKey,
     [](Reading& r) { r.Set(r.next.buttonPeriod, [](double v) { return int64_t(v); }); }},
    {"noise", kValueKey,
     [](Reading& r) { r.Set(r.next.noiseMv, [](double v) { return std::max(0.0, v); }); }},
    {"rail", kValueKey, [](Reading& r) { r.Set(r.next.railVolts, [](double v) { return v; }); }},
    {"seed", kValueKey,
     [](Reading& r) {
       r.Set(r.seed, [](double v) { return uint32_t(v); });
       r.seedSet = r.error.empty();
     }},
    {"badchecksum", kValueKey, [](Reading& r) { r.Counted(&Config::badChecksum); }},
    {"lostbyte", kValueKey, [](Reading& r) { r.Counted(&Config::lostByte); }},
    {"shortread", kValueKey, [](Reading& r) { r.Counted(&Config::shortRead); }},
    {"silence", kSwitchKey, [](Reading& r) { r.Set(r.next.silence, IsOn); }},
    {"nodevice", kSwitchKey, [](Reading& r) { r.Set(r.next.noDevice, IsOn); }},
    {"inuse", kSwitchKey, [](Reading& r) { r.Set(r.next.inUse, IsOn); }},
    {"unplug", kSwitchKey,
     [](Reading& r) {
       if (r.value.find('@') == std::string::npos) {
         r.Set(r.next.unplugged, IsOn);
         r.next.unplugAt.clear();
         return;
       }
       // "FT_ReadEE@400": pulled out in the middle of a sequence of calls.
       std::map<std::string, Config::Failure> at;
       r.Functions(at, true);
       if (at.size() == 1) {
         r.next.unplugAt = at.begin()->first;
         r.next.unplugAfter = at.begin()->second.after;
       } else if (at.size() > 1) {
         r.Fail("unplug takes one driver function: " + r.line);
       }
       r.unplugSeen = true;
     }},
    {"replug", kSwitchKey,
     [](Reading& r) {
       double v = 0;
       if (r.Number(v) && v != 0) r.next.unplugged = false;
       r.next.unplugAt.clear();
     }},
    {"missing", kValueKey,
     [](Reading& r) {
       std::map<std::string, Config::Failure> names;
       r.Functions(names, false);
       r.next.missing.clear();
       for (auto& n : names) r.next.missing.insert(n.first);
     }},
    {"fail", kValueKey,
     [](Reading& r) {
       r.next.failing.clear();
       r.Functions(r.next.failing, true);
       r.failSeen = true;
     }},
    {"stale", kValueKey,
     [](Reading& r) { r.Set(r.next.staleBytes, [](double v) { return int(std::clamp(v, 0.0, 16384.0)); }); }},
    {"eeprom", kValueKey,
     [](Reading& r) {
       std::string e = Lower(r.value);
       if (e != "factory" && e != "blank" && e != "nocal")
         r.Fail("eeprom is factory, blank or nocal");
       else
         r.next.eeprom = e;
     }},
    {"maker", kValueKey,
     [](Reading& r) {
       r.next.maker = r.value;
       r.next.makerSet = true;
     }},
    {"product", kValueKey,
     [](Reading& r) {
       r.next.product = r.value;
       r.next.productSet = true;
     }},
    {"cal.", kPrefixKey, [](Reading& r) { r.next.cal[r.suffix] = r.value; }},
    {"eepromfile", kValueKey, [](Reading& r) { r.next.eepromFile = r.value; }},
    {"dacgain", kValueKey, [](Reading& r) { r.Bench(); }},
    {"dacoffset", kValueKey, [](Reading& r) { r.Bench(); }},
    {"meter", kValueKey, [](Reading& r) { r.Bench(); }},
    {"meternoise", kValueKey, [](Reading& r) { r.Bench(); }},
    {"meterfault", kValueKey, [](Reading& r) { r.Bench(); }},
};

// The row of a key: its own, or the prefix it begins with.
const SimKey* FindKey(const std::string& key) {
  for (const SimKey& k : kSimKeys)
    if (k.kind == kPrefixKey ? key.rfind(k.name, 0) == 0 : key == k.name) return &k;
  return nullptr;
}
}  // namespace

const Model* FindModel(std::string_view name) {
  for (const Model& m : kModels)
    if (name == m.name) return &m;
  return nullptr;
}

const Model& Instrument::ModelOf() const {
  const Model* m = FindModel(cfg_.model);
  return m ? *m : kModels[0];
}

const char* KeyName(size_t index) { return index < std::size(kSimKeys) ? kSimKeys[index].name : nullptr; }

Instrument::Instrument() { Reset(); }

void Instrument::Reset() {
  ResetBench(false);
  cfg_ = Config{};
  registers_.clear();
  open_ = false;
  RestartLine();
  transfers_.clear();
  transfersDropped_ = 0;
  counters_.clear();
  calls_.clear();
  lastReplyReady_ = 0;
  synthesisNs_ = 0;
  frameCount_ = 0;
  rng_.seed(cfg_.seed);
  components_.clear();
  waves_.clear();
  fileStamp_ = {};
  fileFaults_.clear();
  fileBench_.clear();
  fileHadError_ = false;
  fileCheckedUs_ = 0;
  BuildEeprom();
}

std::string Instrument::Configure(const std::string& text, bool fromFile) {
  Config next = fromFile ? Config{} : cfg_;
  Reading r{next, components_};
  std::string firstError;
  int lineNumber = 0;
  std::stringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    ++lineNumber;
    size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    line = Trim(line);
    if (line.empty()) continue;
    r.line = line;
    r.error.clear();
    size_t eq = line.find('=');
    const bool alone = eq == std::string::npos;
    // The key in its own letter case after a prefix ("cal.DAC@1V").
    const std::string written = alone ? line : Trim(line.substr(0, eq));
    r.key = Lower(written);
    r.value = alone ? "1" : Trim(line.substr(eq + 1));
    const SimKey* k = FindKey(r.key);
    if (!k) {
      r.Fail(alone ? "no '=' in: " + line : "unknown key: " + r.key);
    } else if (alone && k->kind != kSwitchKey) {
      r.Fail("no '=' in: " + line);
    } else {
      r.suffix = Trim(written.substr(std::string_view(k->name).size()));
      k->read(r);
    }
    if (!r.error.empty() && firstError.empty())
      firstError = "line " + std::to_string(lineNumber) + ": " + r.error;
  }
  if (!firstError.empty()) return firstError;  // nothing applied
  const auto& benchLines = r.benchLines;

  // The bench follows its own lines; a re-read file whose bench lines did not
  // change leaves it as it is (a meter fault already used stays used).
  if (!fromFile || benchLines != fileBench_) {
    if (fromFile) ResetBench(true);
    for (auto& [k, v] : benchLines) {
      std::string e;
      BenchKey(k, v, e, true);
    }
    if (fromFile) fileBench_ = benchLines;
  }

  if (fromFile) {
    // A counted fault acts once, on the frames (or reads) after its line
    // appeared or changed; rereading an unchanged line does not start it again.
    for (auto& [name, value] : r.faultLines) {
      auto before = fileFaults_.find(name);
      if (before != fileFaults_.end() && before->second == value) {
        int Config::*field = r.faultFields[name];
        next.*field = cfg_.*field;
      }
    }
    fileFaults_ = r.faultLines;
  }
  // Counts of calls start when their line is given (or, in the file, changed);
  // a cable already pulled by an unchanged line stays out.
  const bool unplugAtChanged = next.unplugAt != cfg_.unplugAt || next.unplugAfter != cfg_.unplugAfter;
  const bool countsRestart =
      fromFile ? next.failing != cfg_.failing || unplugAtChanged : r.failSeen || r.unplugSeen;
  if (fromFile && !unplugAtChanged && !next.unplugAt.empty()) next.unplugged = cfg_.unplugged;
  if (countsRestart) calls_.clear();
  bool wasUnplugged = cfg_.unplugged;
  std::string eepromBefore = EepromKey();
  cfg_ = std::move(next);
  if (r.seedSet) rng_.seed(r.seed);
  if (cfg_.unplugged && !wasUnplugged) Unplug();
  // Rebuilt only when its own settings change: words the program wrote stay.
  if (EepromKey() != eepromBefore) BuildEeprom();
  return "";
}

std::string Instrument::EepromKey() const {
  std::string k = cfg_.model + '\n' + (cfg_.makerSet ? "1" : "0") + cfg_.maker + '\n' +
                  (cfg_.productSet ? "1" : "0") + cfg_.product + '\n' + cfg_.eeprom + '\n' + cfg_.eepromFile;
  for (auto& [key, value] : cfg_.cal) k += '\n' + key + '=' + value;
  return k;
}

uint32_t Instrument::Failing(const std::string& function) const {
  auto it = cfg_.failing.find(function);
  if (it == cfg_.failing.end()) return 0;
  auto calls = calls_.find(function);
  return calls != calls_.end() && calls->second <= it->second.after ? 0 : it->second.status;
}

void Instrument::CountCall(const std::string& function) {
  if (cfg_.failing.empty() && cfg_.unplugAt.empty()) return;
  const int64_t n = ++calls_[function];
  if (function == cfg_.unplugAt && n == cfg_.unplugAfter + 1 && !cfg_.unplugged) {
    cfg_.unplugged = true;
    Unplug();
  }
}

uint32_t Instrument::MissingMask() const {
  uint32_t mask = 0;
  for (const std::string& name : cfg_.missing) mask |= 1u << DriverFunctionIndex(name);
  return mask;
}

void Instrument::Unplug() {
  // The converter is gone: the handle is dead for good and its data lost.
  open_ = false;
  replies_.clear();
  queue_.clear();
  assembling_.clear();
  ++counters_["unplugs"];
}

void Instrument::ConfigureFromFileIfChanged(bool now) {
  int64_t nowUs = NowUs();
  if (!now && nowUs - fileCheckedUs_ < kFileCheckMs * 1000) return;
  fileCheckedUs_ = nowUs;
  // One look at the file in the working folder, ten times a second while the
  // device is open: no folder name, no allocation.
  struct stat st {};
  if (::stat("sim.txt", &st) != 0 || !S_ISREG(st.st_mode)) return;
  const FileStamp stamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                        static_cast<int64_t>(st.st_size), static_cast<int64_t>(st.st_mtim.tv_sec),
                        static_cast<int64_t>(st.st_mtim.tv_nsec)};
  if (stamp == fileStamp_) return;
  fileStamp_ = stamp;
  std::ifstream in("sim.txt", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string error = Configure(text.str(), true);
  // Where the user sees it: a log beside the file.
  std::string note;
  if (!error.empty())
    note = "sim.txt " + error + " - nothing of this version applied, the previous settings stay";
  else if (fileHadError_)
    note = "sim.txt read without errors";
  fileHadError_ = !error.empty();
  if (!note.empty()) LogNote(note);
}

void LogNote(const std::string& note) {
  std::fprintf(stderr, "%s\n", note.c_str());
  std::ofstream log("sim.log", std::ios::binary | std::ios::app);
  std::time_t t = std::time(nullptr);
  char when[32] = "";
  std::tm local{};
  localtime_r(&t, &local);
  std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
  log << when << "  " << note << "\n";
}

void Instrument::BuildEeprom() {
  eeprom_.assign(kEepromWords, 0);
  if (cfg_.eeprom == "blank") {
    std::fill(eeprom_.begin(), eeprom_.end(), 0xFFFF);
    LoadEepromFile();
    return;
  }
  // The converter's own configuration words.
  eeprom_[0] = 0x4000;
  eeprom_[1] = 0x0403;
  eeprom_[2] = 0x6015;
  eeprom_[3] = 0x1000;
  eeprom_[4] = 0x2D80;
  std::string maker = cfg_.makerSet ? cfg_.maker : "Quenlar";
  std::string product = cfg_.productSet ? cfg_.product : "Quenlar " + cfg_.model;
  for (int k = 0; k < kMakerLength && k < static_cast<int>(maker.size()); ++k)
    eeprom_[kMakerWord + k] = static_cast<uint8_t>(maker[k]);
  for (int k = 0; k < kProductLength && k < static_cast<int>(product.size()); ++k)
    eeprom_[kProductWord + k] = static_cast<uint8_t>(product[k]);

  if (cfg_.eeprom != "nocal") {
    std::vector<std::pair<std::string, std::string>> keys = {{"Calibration date", "01/Jan/2025@09:00:00"},
                                                             {"DAC@10V", std::to_string(kDac10)},
                                                             {"DAC@1V", std::to_string(kDac1)},
                                                             {"DAC@0V", std::to_string(kDac0)},
                                                             {"DAC@-1V", std::to_string(kDacM1)},
                                                             {"DAC@-10V", std::to_string(kDacM10)},
                                                             {"ADC0@10V", std::to_string(kAdc0At10)},
                                                             {"ADC0@0V", std::to_string(kAdc0At0)},
                                                             {"ADC0@-10V", std::to_string(kAdc0AtM10)},
                                                             {"ADC1@10V", std::to_string(kAdc1At10)},
                                                             {"ADC1@0V", std::to_string(kAdc1At0)},
                                                             {"ADC1@-10V", std::to_string(kAdc1AtM10)},
                                                             {"50ohm", "50"},
                                                             {"100ohm", "100"},
                                                             {"200ohm", "200"},
                                                             {"500ohm", "500"},
                                                             {"1Kohm", "1000"},
                                                             {"2Kohm", "2000"},
                                                             {"5Kohm", "5000"},
                                                             {"10Kohm", "10000"}};
    if (ModelOf().dcGenerator) {
      keys.emplace_back("DCBIAS@10V", std::to_string(kDcBias10));
      keys.emplace_back("DCBIAS@-10V", std::to_string(kDcBiasM10));
    }
    for (auto& [k, v] : cfg_.cal) {
      auto it = std::find_if(keys.begin(), keys.end(), [&](auto& e) { return e.first == k; });
      if (it != keys.end())
        it->second = v;
      else
        keys.emplace_back(k, v);
    }
    std::string text;
    for (auto& [k, v] : keys)
      if (v != "-") text += k + "=" + v + "\r\n";  // "-" leaves a key out
    text.resize(std::min<size_t>(text.size(), 2 * (kEepromWords - kCalWord)));
    for (size_t b = 0; b < text.size(); ++b) {
      uint16_t byte = static_cast<uint8_t>(text[b]);
      eeprom_[kCalWord + b / 2] |= (b % 2) ? static_cast<uint16_t>(byte << 8) : byte;
    }
  }
  LoadEepromFile();
}

void Instrument::LoadEepromFile() {
  if (cfg_.eepromFile.empty()) return;
  std::ifstream in(cfg_.eepromFile, std::ios::binary);
  if (!in) return;
  std::vector<uint16_t> words(kEepromWords);
  for (auto& w : words) {
    unsigned char b[2];
    if (!in.read(reinterpret_cast<char*>(b), 2)) return;  // a short file is ignored
    w = static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  eeprom_ = words;
}

// The whole EEPROM, through a temporary file: a process killed on the way
// leaves the file as it was.
void Instrument::SaveEepromFile() const {
  if (cfg_.eepromFile.empty()) return;
  const std::string temporary = cfg_.eepromFile + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    for (uint16_t w : eeprom_) {
      char b[2] = {static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)};
      out.write(b, 2);
    }
    if (!out.flush()) return;
  }
  std::rename(temporary.c_str(), cfg_.eepromFile.c_str());
}

// One word, in place, as the EEPROM itself keeps every word not yet
// rewritten: a process killed in the middle of a store leaves the words
// before the cut new and those after it as they were. A file that does not
// yet hold a whole EEPROM is written whole.
void Instrument::SaveEepromWord(uint32_t address) const {
  if (cfg_.eepromFile.empty()) return;
  const int fd = ::open(cfg_.eepromFile.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 2 * kEepromWords) {
    const uint16_t w = eeprom_[address];
    const char b[2] = {static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)};
    const bool written = pwrite(fd, b, 2, static_cast<off_t>(2 * address)) == 2;
    ::close(fd);
    if (written) return;
  } else if (fd >= 0) {
    ::close(fd);
  }
  SaveEepromFile();
}

uint32_t Instrument::DeviceCount() const { return cfg_.noDevice || cfg_.unplugged ? 0 : 1; }

uint32_t Instrument::Open(void** handle) {
  if (cfg_.noDevice || cfg_.unplugged) return 2;  // not found
  if (cfg_.inUse || open_) return 3;              // not opened: in use
  open_ = true;
  ++openCount_;
  ++counters_["opens"];
  openedUs_ = NowUs();
  RestartLine();
  hostLineFreeUs_ = replyLineFreeUs_ = openedUs_;
  std::uniform_int_distribution<int> junk(0, 255);
  for (int k = 0; k < cfg_.staleBytes; ++k) queue_.push_back(static_cast<uint8_t>(junk(rng_)));
  *handle = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5100 + 16 * openCount_));
  return 0;
}

void Instrument::RestartLine() {
  baud_ = 9600;
  bits_ = 8;
  stop_ = parity_ = 0;
  assembling_.clear();
  replies_.clear();
  queue_.clear();
}

bool Instrument::Valid(void* handle) const {
  return open_ && handle == reinterpret_cast<void*>(static_cast<uintptr_t>(0x5100 + 16 * openCount_));
}

uint32_t Instrument::Close(void* handle) {
  if (!Valid(handle)) return 1;  // invalid handle
  open_ = false;
  ++counters_["closes"];
  replies_.clear();
  queue_.clear();
  assembling_.clear();
  return 0;
}

std::string Instrument::Description() const {
  std::string s;
  if (cfg_.eeprom == "blank") return s;
  for (int k = 0; k < kProductLength; ++k) {
    uint16_t w = eeprom_[kProductWord + k];
    if (w == 0) break;
    s += static_cast<char>(w & 0xFF);
  }
  return s;
}

void Instrument::Write(const uint8_t* bytes, uint32_t n) {
  int64_t now = NowUs();
  transfers_.push_back(Transfer{now, std::vector<uint8_t>(bytes, bytes + n)});
  if (transfers_.size() > kTransferLimit) {
    transfers_.pop_front();
    ++transfersDropped_;
  }
  // The bytes cross the line one after another, after any still on it.
  int64_t start = std::max(now, hostLineFreeUs_);
  for (uint32_t k = 0; k < n; ++k) Receive(bytes[k], start + static_cast<int64_t>((k + 1) * ByteUs()));
  hostLineFreeUs_ = start + static_cast<int64_t>(n * ByteUs());
}

void Instrument::Receive(uint8_t byte, int64_t arrivalUs) {
  if (!LineMatches()) {  // wrong speed or format: noise to the instrument
    ++counters_["garbled"];
    return;
  }
  assembling_.push_back(byte);
  if (assembling_.size() == 8) {
    Frame(assembling_.data(), arrivalUs);
    assembling_.clear();
  }
}

void Instrument::Frame(const uint8_t* f, int64_t arrivalUs) {
  auto word = [&](int k) { return static_cast<uint32_t>(f[k] << 8 | f[k + 1]); };
  if (((word(0) + word(2) + word(4) + 0x5555u) & 0xFFFF) != word(6)) {
    ++counters_["badframes"];  // ignored, as the hardware does
    return;
  }
  if (f[0] & 0x80) {
    int reg = (f[0] & 0x7F) << 8 | f[1];
    registers_[reg] = static_cast<uint32_t>(word(2) << 16 | word(4));
    ++counters_["writes"];
    return;
  }
  ++counters_["requests"];
  int reg = f[0] << 8 | f[1];
  if (reg != 0 || cfg_.silence) return;
  Reply r;
  const int64_t cpu0 = ThreadCpuNs();
  r.bytes = DataFrame(arrivalUs);
  synthesisNs_ += ThreadCpuNs() - cpu0;
  // The reply goes out once its samples are taken.
  r.startUs = std::max(arrivalUs + SamplingUs(), replyLineFreeUs_);
  replyLineFreeUs_ = r.startUs + static_cast<int64_t>(r.bytes.size() * ByteUs());
  replies_.push_back(std::move(r));
  ++counters_["frames"];
}

int64_t Instrument::Register(int reg) const {
  auto it = registers_.find(reg);
  return it == registers_.end() ? 0 : it->second;
}

int64_t Instrument::Counter(const std::string& name) const {
  auto it = counters_.find(name);
  return it == counters_.end() ? 0 : it->second;
}

double Instrument::DacLevel(int code) const {
  if (Register(1) & 0x20)  // 10 V range
    return Line(code, DacCode(WireValue(kDacM10)), -10, DacCode(WireValue(kDac10)), 10);
  int zero = DacCode(WireValue(kDac0));
  if (code >= zero) return Line(code, zero, 0, DacCode(WireValue(kDac1)), 1);
  return Line(code, DacCode(WireValue(kDacM1)), -1, zero, 0);
}

double Instrument::Generator(double phase) const {
  uint32_t r1 = static_cast<uint32_t>(Register(1));
  if (r1 & 0x10)
    return DacError(DacLevel(DacCode(static_cast<uint32_t>(Register(3)))));  // calibration output
  bool high = r1 & 0x20;
  double amplitude = static_cast<uint16_t>(Register(4) & 0xFFFF);
  if (high && amplitude == kBoosterCode) {
    double peak = std::clamp(static_cast<double>(Register(6)) / 1000, 0.0, kBoosterMaxVolts);
    return peak * std::sin(2 * kPi * phase);
  }
  double range = high ? 10 : 1;
  double span = high ? double(kDac10) - kDacM10 : double(kDac1) - kDacM1;
  int zero = DacCode(static_cast<uint32_t>(Register(5)));
  double offset = (zero - kDac0) * 2 * range / span;
  return offset + amplitude / span * range * std::sin(2 * kPi * phase);
}

double Instrument::Output(int which) {
  if (which == 1) {
    if (!ModelOf().dcGenerator) return 0;
    int mode = static_cast<int>(Register(22));
    if (mode <= 1) return 0;  // off (high impedance or 0 V)
    return Line(static_cast<double>(Register(20) & 0xFFFF), kDcBiasM10, -10, kDcBias10, 10);
  }
  double hz = static_cast<double>(Register(14));
  double t = (NowUs() - openedUs_) / 1e6;
  return Generator(hz > 0 ? std::fmod(hz * t, 1.0) : 0);
}

const Component& Instrument::ComponentAt(int64_t sampleUs) {
  static const Component kOpen;
  int sig = ModelOf().scanner ? static_cast<int>(Register(16)) : 0;
  std::string text = "open";
  auto it = cfg_.channels.find(sig);
  if (it != cfg_.channels.end()) text = it->second;
  if (sig == 0 && !cfg_.probeScript.empty()) {
    int64_t ms = (sampleUs - openedUs_) / 1000;
    if (cfg_.probePeriod > 0) ms %= cfg_.probePeriod;
    for (auto& step : cfg_.probeScript)
      if (step.first <= ms) text = step.second;
  }
  auto c = components_.find(text);
  if (c == components_.end()) {
    Component parsed;
    std::string error;
    if (!ParseComponent(text, parsed, error)) return kOpen;
    c = components_.emplace(parsed.text, parsed).first;
    if (parsed.text != text) components_[text] = parsed;
  }
  return c->second;
}

int Instrument::StatusAt(int64_t sampleUs) const {
  int mask = cfg_.buttons;
  if (!cfg_.buttonScript.empty()) {
    int64_t ms = (sampleUs - openedUs_) / 1000;
    if (cfg_.buttonPeriod > 0) ms %= cfg_.buttonPeriod;
    for (auto& step : cfg_.buttonScript)
      if (step.first <= ms) mask = step.second;
  }
  return mask;
}

namespace {
// One ADC through its calibration: counts = atZero + perVolt x volts, over
// +-kAdcRangeVolts.
struct Adc {
  double atZero, perVolt;
};
constexpr Adc kAdc0{(kAdc0AtM10 + kAdc0At10) / 2.0, (kAdc0At10 - kAdc0AtM10) / 20.0};
constexpr Adc kAdc1{(kAdc1AtM10 + kAdc1At10) / 2.0, (kAdc1At10 - kAdc1AtM10) / 20.0};

int32_t Counts(double volts, const Adc& adc) {
  return static_cast<int32_t>(
      RoundHalfEven(adc.atZero + adc.perVolt * std::clamp(volts, -kAdcRangeVolts, kAdcRangeVolts)));
}

// The bits that pick a frame's noise values: a small generator (splitmix64)
// that the compiler keeps in registers, started from the instrument's own
// generator once a frame, so that the seed still decides every frame.
class NoiseBits {
 public:
  explicit NoiseBits(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }

 private:
  uint64_t state_;
};

// The sums of every point of a frame: `cycles` times `spp` samples a point,
// taken at kSampleRate from the start of the frame, of the generator side
// (ADC0) and the pin side (ADC1), whose periods `gen` and `pin` hold at
// equally spaced phases. Each sample gets noise of `sigma` volts rms (none
// at 0), picked by `bits`.
void SumPoints(const std::vector<double>& gen, const std::vector<double>& pin, double hz, int spp, int cycles,
               double sigma, NoiseBits bits, std::array<int64_t, kFramePoints>& sums0,
               std::array<int64_t, kFramePoints>& sums1) {
  const int m = static_cast<int>(gen.size());
  const double periodsPerSample = hz / kSampleRate;
  const double* normal = sigma > 0 ? NormalTable() : nullptr;
  for (int i = 0; i < kFramePoints; ++i) {
    int64_t sum0 = 0, sum1 = 0;
    for (int c = 0; c < cycles; ++c) {
      const int64_t first = (int64_t{c} * kFramePoints + i) * spp;
      for (int s = 0; s < spp; ++s) {
        // Linear between the two table entries around the sample's phase.
        const double periods = static_cast<double>(first + s) * periodsPerSample;
        const double x = (periods - std::floor(periods)) * m;
        int k0 = static_cast<int>(x);
        const double frac = x - k0;
        if (k0 >= m) k0 -= m;  // a phase just below 1 rounded up to m
        const int k1 = k0 + 1 == m ? 0 : k0 + 1;
        double vg = gen[k0] + (gen[k1] - gen[k0]) * frac;
        double vp = pin[k0] + (pin[k1] - pin[k0]) * frac;
        if (normal) {  // one draw gives both ADCs' noise
          const uint64_t b = bits.Next();
          vg += sigma * normal[b & kNormalTableMask];
          vp += sigma * normal[(b >> kNormalTableBits) & kNormalTableMask];
        }
        sum0 += Counts(vg, kAdc0);
        sum1 += Counts(vp, kAdc1);
      }
    }
    sums0[i] = sum0;
    sums1[i] = sum1;
  }
}
}  // namespace

std::vector<uint8_t> Instrument::DataFrame(int64_t sampleUs) {
  auto [spp, cycles] = SamplesPerSum();
  double hz = static_cast<double>(Register(14));
  double ohms = Register(8) > 0 ? static_cast<double>(Register(8)) : 10000;
  bool calOutput = Register(1) & 0x10;
  if (calOutput) hz = 0;

  const Component& comp = ComponentAt(sampleUs);
  Drive drive;
  drive.hz = hz;
  drive.sourceOhms = ohms;
  drive.offset = Generator(0);  // sin(0) = 0: the level alone
  drive.peak = Generator(0.25) - drive.offset;
  int m = hz > 0 ? static_cast<int>(std::clamp(std::lround(kSampleRate / hz), 64L, 8192L)) : 1;

  // The numbers by their bits: exact, and a total order even for a NaN.
  auto bits = [](double v) { return std::bit_cast<uint64_t>(v); };
  WaveKey key{comp.text, bits(drive.offset), bits(drive.peak), bits(hz), bits(ohms), m};
  auto found = waves_.find(key);
  if (found == waves_.end()) {
    if (waves_.size() >= 16) waves_.clear();
    Wave w;
    w.pin = SteadyState(comp, drive, m);
    w.gen.resize(m);
    for (int k = 0; k < m; ++k) w.gen[k] = drive.offset + drive.peak * std::sin(2 * kPi * k / m);
    found = waves_.emplace(std::move(key), std::move(w)).first;
  }
  Wave& wave = found->second;
  std::array<int64_t, kFramePoints> sums0, sums1;
  const double sigma = cfg_.noiseMv / 1000;
  if (sigma > 0) {
    const uint64_t seed = uint64_t{static_cast<uint32_t>(rng_())} << 32 | static_cast<uint32_t>(rng_());
    SumPoints(wave.gen, wave.pin, hz, spp, cycles, sigma, NoiseBits(seed), sums0, sums1);
  } else {
    // Without noise every frame of a setting is the same: summed once.
    if (wave.quietSpp != spp || wave.quietCycles != cycles) {
      SumPoints(wave.gen, wave.pin, hz, spp, cycles, 0, NoiseBits(0), wave.quiet0, wave.quiet1);
      wave.quietSpp = spp;
      wave.quietCycles = cycles;
    }
    sums0 = wave.quiet0;
    sums1 = wave.quiet1;
  }

  std::vector<uint8_t> f(kFrameBytes, 0);
  auto put = [&](int off, uint32_t w) {
    f[off] = static_cast<uint8_t>(w >> 8);
    f[off + 1] = static_cast<uint8_t>(w);
  };
  std::uniform_int_distribution<int> jitter(-1, 1);
  put(0, frameCount_++);
  put(2, static_cast<uint32_t>(std::lround(cfg_.railVolts / kRailVoltsPerCount) + jitter(rng_)));
  put(4, static_cast<uint32_t>(StatusAt(sampleUs)));
  for (int i = 0; i < kFramePoints; ++i) {
    uint32_t u0 = static_cast<uint32_t>(static_cast<int32_t>(sums0[i]));
    uint32_t u1 = static_cast<uint32_t>(static_cast<int32_t>(sums1[i]));
    int off = 6 + 8 * i;
    put(off, u0 >> 16);
    put(off + 2, u0 & 0xFFFF);
    put(off + 4, u1 >> 16);
    put(off + 6, u1 & 0xFFFF);
  }
  uint32_t sum = 0;
  for (int off = 0; off < kFrameBytes - 2; off += 2) sum += static_cast<uint32_t>(f[off] << 8 | f[off + 1]);
  if (cfg_.badChecksum > 0) {
    --cfg_.badChecksum;
    ++sum;
  }
  put(kFrameBytes - 2, sum & 0xFFFF);
  if (cfg_.lostByte > 0) {
    --cfg_.lostByte;
    f.erase(f.begin() + kFrameBytes / 2);
  }
  return f;
}

std::pair<int, int> Instrument::SamplesPerSum() const {
  int spp = static_cast<int>(std::clamp<int64_t>(Register(11), 0, kMaxSamplesPerPoint));
  int cycles = static_cast<int>(std::clamp<int64_t>(Register(12), 0, kMaxSamplesPerPoint));
  if (spp > 0 && spp * cycles > kMaxSamplesPerSum) cycles = kMaxSamplesPerSum / spp;
  return {spp, cycles};
}

int64_t Instrument::SamplingUs() const {
  auto [spp, cycles] = SamplesPerSum();
  return static_cast<int64_t>(std::llround(double(kFramePoints) * spp * cycles * 1e6 / kSampleRate));
}

void Instrument::Materialize(int64_t nowUs) {
  while (!replies_.empty()) {
    Reply& r = replies_.front();
    double due = (nowUs - r.startUs) / ByteUs();
    size_t n = due <= 0 ? 0 : std::min(r.bytes.size(), static_cast<size_t>(due));
    if (n > r.delivered) {  // the bytes due now, as many as the queue takes
      const size_t taken = std::min(n - r.delivered, kQueueLimit - std::min(queue_.size(), kQueueLimit));
      queue_.insert(queue_.end(), r.bytes.begin() + static_cast<std::ptrdiff_t>(r.delivered),
                    r.bytes.begin() + static_cast<std::ptrdiff_t>(r.delivered + taken));
      if (taken < n - r.delivered) counters_["overflow"] += static_cast<int64_t>(n - r.delivered - taken);
      r.delivered = n;
    }
    if (r.delivered < r.bytes.size()) break;
    lastReplyReady_ = r.startUs + static_cast<int64_t>(r.bytes.size() * ByteUs());
    replies_.pop_front();
  }
}

void Instrument::Inject(const uint8_t* bytes, size_t n) {
  Materialize(NowUs());
  for (size_t k = 0; k < n && queue_.size() < kQueueLimit; ++k) queue_.push_back(bytes[k]);
}

uint32_t Instrument::Waiting() {
  Materialize(NowUs());
  return static_cast<uint32_t>(queue_.size());
}

uint32_t Instrument::Read(uint8_t* out, uint32_t n) {
  Materialize(NowUs());
  if (cfg_.shortRead > 0 && n > 1 && queue_.size() >= n) {  // delivers half of what was asked
    --cfg_.shortRead;
    ++counters_["shortreads"];
    n /= 2;
  }
  const auto k = static_cast<std::ptrdiff_t>(std::min<size_t>(n, queue_.size()));
  std::copy_n(queue_.begin(), k, out);
  queue_.erase(queue_.begin(), queue_.begin() + k);
  return static_cast<uint32_t>(k);
}

uint32_t Instrument::Sending() {
  int64_t left = hostLineFreeUs_ - NowUs();
  return left > 0 ? static_cast<uint32_t>(left / ByteUs()) : 0;
}

bool Instrument::ReadEE(uint32_t address, uint16_t* value) const {
  if (address >= kEepromWords) return false;
  *value = eeprom_[address];
  return true;
}

bool Instrument::WriteEE(uint32_t address, uint16_t value) {
  if (address >= kEepromWords) return false;
  eeprom_[address] = value;
  ++counters_["eewrites"];
  SaveEepromWord(address);
  return true;
}

}  // namespace sim
