// The simulated instrument behind its USB converter: EEPROM, register frames,
// signal generator, source resistance, component under the probe, two ADCs,
// push buttons, scanner channels, and faults to order. Time-driven: replies
// become readable when their bytes would have crossed the line, computed
// whenever the driver functions are called; nothing runs in the background.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "sim/circuit.h"

namespace sim {

// The instrument's own copy of the wire format (frame sizes, checksums, line
// speed), kept apart from the program's so that a fault in one is caught by
// the other rather than shared by both.
constexpr int kEepromWords = 1024;
constexpr int kFrameBytes = 520;
constexpr int kFramePoints = 64;

// The driver functions, by the names the program looks up.
constexpr const char* kDriverFunctions[] = {"FT_CreateDeviceInfoList",
                                            "FT_SetVIDPID",
                                            "FT_GetDeviceInfoDetail",
                                            "FT_Open",
                                            "FT_Close",
                                            "FT_SetBaudRate",
                                            "FT_SetDataCharacteristics",
                                            "FT_SetFlowControl",
                                            "FT_SetUSBParameters",
                                            "FT_Write",
                                            "FT_Read",
                                            "FT_GetStatus",
                                            "FT_ReadEE",
                                            "FT_WriteEE"};
// Index in kDriverFunctions, or -1.
constexpr int DriverFunctionIndex(std::string_view name) {
  for (size_t k = 0; k < std::size(kDriverFunctions); ++k)
    if (name == kDriverFunctions[k]) return static_cast<int>(k);
  return -1;
}

// The five models, and what of the instrument each one has.
struct Model {
  const char* name;
  bool dcGenerator;  // registers 20 and 22, the DC bias calibration
  bool scanner;      // register 16 picks the channel under test
};
inline constexpr Model kModels[] = {
    {"YRM-A", false, false}, {"YRM-AP", false, false}, {"YRM-C", true, false},
    {"YRM-D", true, true},   {"YRM-D2", true, true},
};
const Model* FindModel(std::string_view name);  // nullptr for an unknown name

// The name of sim.txt key `index` (a prefix key such as "channel" stands for
// channel1, channel2...), or nullptr past the last.
const char* KeyName(size_t index);

struct Config {
  std::string model = "YRM-A";  // one of kModels
  std::string maker, product;   // identification texts ("" = the model's)
  bool makerSet = false, productSet = false;
  std::map<int, std::string> channels;  // scanner Sig channel -> component; 0 = the probe
  std::vector<std::pair<int64_t, std::string>> probeScript;  // ms since open -> component
  int64_t probePeriod = 0;                                   // ms; 0 = the script runs once
  int buttons = 0;                                           // bit 0 A, bit 1 B
  std::vector<std::pair<int64_t, int>> buttonScript;
  int64_t buttonPeriod = 0;
  double noiseMv = 1.0;  // per ADC sample, rms
  double railVolts = 5.0;
  int badChecksum = 0, lostByte = 0;  // the next n frames
  int shortRead = 0;                  // the next n reads deliver half
  bool silence = false, noDevice = false, inUse = false;
  bool unplugged = false;  // every driver call fails
  // Pulled out at a count of one driver function's calls ("FT_ReadEE@400":
  // the 401st finds it gone); "" = not armed.
  std::string unplugAt;
  int64_t unplugAfter = 0;
  std::set<std::string> missing;  // driver functions not exported
  // A driver function that fails with `status` once `after` of its calls
  // have worked.
  struct Failure {
    uint32_t status = 4;
    int64_t after = 0;
    bool operator==(const Failure&) const = default;
  };
  std::map<std::string, Failure> failing;
  std::string eeprom = "factory";          // factory, blank, nocal
  std::map<std::string, std::string> cal;  // calibration text values to store instead
  std::string eepromFile;                  // keeps the EEPROM across runs
  int staleBytes = 0;                      // bytes waiting when the device opens
  uint32_t seed = 1;
};

struct Transfer {
  int64_t us;  // steady clock, microseconds
  std::vector<uint8_t> bytes;
};

class Instrument {
 public:
  Instrument();
  void Reset();
  // Applies "key=value" lines, all or none; returns "" or the first error.
  // From the file they replace the whole configuration.
  std::string Configure(const std::string& text, bool fromFile);
  // Reads "sim.txt" in the working folder when it changed since last read;
  // unless `now`, at most every kFileCheckMs.
  void ConfigureFromFileIfChanged(bool now = true);

  // Faults of the driver calls themselves.
  bool Unplugged() const { return cfg_.unplugged; }
  // Bit k set: kDriverFunctions[k] is not exported.
  uint32_t MissingMask() const;
  // The status a failing call returns instead of working, or 0.
  uint32_t Failing(const std::string& function) const;
  // A driver call begins: counted for the faults ordered after a number of
  // calls (which may pull the cable out now).
  void CountCall(const std::string& function);

  // Driver functions (status 0 = success).
  uint32_t DeviceCount() const;
  uint32_t Open(void** handle);
  uint32_t Close(void* handle);
  bool Valid(void* handle) const;
  void SetBaud(uint32_t baud) { baud_ = baud; }
  void SetFormat(int bits, int stop, int parity) {
    bits_ = bits;
    stop_ = stop;
    parity_ = parity;
  }
  void Write(const uint8_t* bytes, uint32_t n);
  uint32_t Waiting();
  uint32_t Read(uint8_t* out, uint32_t n);
  uint32_t Sending();  // host bytes still on the line
  bool ReadEE(uint32_t address, uint16_t* value) const;
  bool WriteEE(uint32_t address, uint16_t value);
  std::string Description() const;

  // Control and inspection.
  const std::deque<Transfer>& Transfers() const { return transfers_; }
  int64_t TransfersDropped() const { return transfersDropped_; }
  int64_t Register(int reg) const;
  int64_t Counter(const std::string& name) const;
  double Output(int which);                     // 0 generator now, 1 DC generator
  void Inject(const uint8_t* bytes, size_t n);  // raw bytes into the receive queue
  int64_t LastReplyReadyUs() const { return lastReplyReady_; }
  // CPU time the calling threads spent building data frames since the reset:
  // the instrument's own work, which a real one does in hardware.
  int64_t SynthesisCpuNs() const { return synthesisNs_; }

 private:
  const Model& ModelOf() const;
  void BuildEeprom();
  void LoadEepromFile();
  void SaveEepromFile() const;
  void SaveEepromWord(uint32_t address) const;
  void Receive(uint8_t byte, int64_t arrivalUs);
  void Frame(const uint8_t* f, int64_t arrivalUs);
  std::vector<uint8_t> DataFrame(int64_t sampleUs);
  const Component& ComponentAt(int64_t sampleUs);
  int StatusAt(int64_t sampleUs) const;
  void Materialize(int64_t nowUs);
  // Time to take the samples of one frame, as registers 10 to 12 ask.
  int64_t SamplingUs() const;
  std::pair<int, int> SamplesPerSum() const;  // samples per point, cycles
  void Unplug();
  // The converter's line as at power-on (9600 baud, 8N1) with nothing in flight.
  void RestartLine();
  std::string EepromKey() const;  // the settings the EEPROM is built from
  double ByteUs() const { return 10.0 * 1e6 / (baud_ ? baud_ : 1); }
  bool LineMatches() const { return baud_ == 250000 && bits_ == 8 && stop_ == 0 && parity_ == 0; }
  // Generator output in volts at a phase of the signal.
  double Generator(double phase) const;
  double DacLevel(int code) const;

  Config cfg_;
  std::vector<uint16_t> eeprom_;
  std::map<int, int64_t> registers_;
  bool open_ = false;
  int64_t openCount_ = 0, openedUs_ = 0;
  uint32_t baud_ = 9600;
  int bits_ = 8, stop_ = 0, parity_ = 0;
  std::vector<uint8_t> assembling_;  // bytes of a frame in progress
  int64_t hostLineFreeUs_ = 0, replyLineFreeUs_ = 0;
  struct Reply {
    int64_t startUs;
    std::vector<uint8_t> bytes;
    size_t delivered = 0;
  };
  std::deque<Reply> replies_;
  std::deque<uint8_t> queue_;  // the driver's receive queue
  std::deque<Transfer> transfers_;
  int64_t transfersDropped_ = 0;
  std::map<std::string, int64_t> counters_;
  std::map<std::string, int64_t> calls_;  // driver calls since the counted faults were set
  int64_t lastReplyReady_ = 0;
  int64_t synthesisNs_ = 0;
  uint16_t frameCount_ = 0;
  std::mt19937 rng_;
  std::map<std::string, Component> components_;  // parsed, by text
  // The sim.txt last read: which file (device and inode, so another folder's
  // is another file), its size and its time.
  struct FileStamp {
    uint64_t device = 0, inode = 0;
    int64_t size = -1, seconds = 0, nanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
  };
  FileStamp fileStamp_;
  int64_t fileCheckedUs_ = 0;
  bool fileHadError_ = false;
  std::map<std::string, std::string> fileFaults_;               // counted fault lines of the last good read
  std::vector<std::pair<std::string, std::string>> fileBench_;  // bench lines of the last good read
  // Steady states of the configurations met lately (a probe script switches
  // between a few).
  struct Wave {
    std::vector<double> gen, pin;
    // The point sums without noise at quietSpp x quietCycles samples a point.
    int quietSpp = -1, quietCycles = -1;
    std::array<int64_t, kFramePoints> quiet0{}, quiet1{};
  };
  // component, and the bits of level, peak, frequency and source ohms;
  // phases a period
  using WaveKey = std::tuple<std::string, uint64_t, uint64_t, uint64_t, uint64_t, int>;
  std::map<WaveKey, Wave> waves_;
};

int64_t NowUs();
// A note for the user: standard error and "sim.log" in the working folder.
void LogNote(const std::string& note);

}  // namespace sim
