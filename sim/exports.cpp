// The driver functions the program calls, and the SIM_ control functions
// that tests, benchmarks and other simulators find by name.
#include <atomic>
#include <cstring>
#include <mutex>

#include "link/d2xx.h"
#include "sim/instrument.h"

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
// Driver statuses the program may see.
constexpr FtStatus kOk = 0, kInvalidHandle = 1, kDeviceNotFound = 2, kIoError = 4, kInvalidParameter = 6;

std::mutex mu;  // every entry point: the program calls from two threads
sim::Instrument& Dev() {
  static sim::Instrument device;
  return device;
}

// Bit k: kDriverFunctions[k] is not exported now. Read without the lock by
// the symbol resolvers below, which run inside the loader's own lock.
std::atomic<uint32_t> missingMask{0};

// Every call: one at a time, following sim.txt as it changes.
class Call {
 public:
  explicit Call(const char* name, bool listing = false) : g_(mu), name_(name) {
    Dev().ConfigureFromFileIfChanged(listing);
    Dev().CountCall(name_);
  }
  ~Call() { missingMask.store(Dev().MissingMask()); }
  // Why a call on `handle` does not work now (a failure ordered for it, the
  // device pulled out, a handle not open), or kOk.
  FtStatus Refused(FtHandle handle) const {
    if (FtStatus s = Dev().Failing(name_)) return s;
    if (Dev().Unplugged()) return kIoError;
    return Dev().Valid(handle) ? kOk : kInvalidHandle;
  }
  FtStatus Ordered() const { return Dev().Failing(name_); }

 private:
  std::lock_guard<std::mutex> g_;
  const char* name_;
};

// ---- driver functions --------------------------------------------------------

FtStatus CreateDeviceInfoList(uint32_t* count) {
  Call c("FT_CreateDeviceInfoList", true);
  if (FtStatus s = c.Ordered()) return s;
  if (count) *count = Dev().DeviceCount();
  return kOk;
}

FtStatus SetVIDPID(uint32_t, uint32_t) {
  Call c("FT_SetVIDPID");
  return c.Ordered();
}

FtStatus GetDeviceInfoDetail(uint32_t index, uint32_t* flags, uint32_t* type, uint32_t* id, uint32_t* locid,
                             void* serial, void* description, FtHandle* handle) {
  Call c("FT_GetDeviceInfoDetail");
  if (FtStatus s = c.Ordered()) return s;
  if (index >= Dev().DeviceCount()) return kDeviceNotFound;
  if (flags) *flags = 0;
  if (type) *type = 10;
  if (id) *id = 0x04036015;
  if (locid) *locid = 0x1011;
  if (serial) std::strcpy(static_cast<char*>(serial), "QY250001");
  if (description) {
    std::string d = Dev().Description().substr(0, 63);
    std::memcpy(description, d.c_str(), d.size() + 1);
  }
  if (handle) *handle = nullptr;
  return kOk;
}

FtStatus Open(int index, FtHandle* handle) {
  Call c("FT_Open");
  if (FtStatus s = c.Ordered()) return s;
  if (index != 0 || !handle) return kDeviceNotFound;
  return Dev().Open(handle);
}

FtStatus Close(FtHandle handle) {
  Call c("FT_Close");
  if (FtStatus s = c.Refused(handle)) return s;
  return Dev().Close(handle);
}

FtStatus SetBaudRate(FtHandle handle, uint32_t baud) {
  Call c("FT_SetBaudRate");
  if (FtStatus s = c.Refused(handle)) return s;
  Dev().SetBaud(baud);
  return kOk;
}

FtStatus SetDataCharacteristics(FtHandle handle, uint8_t bits, uint8_t stop, uint8_t parity) {
  Call c("FT_SetDataCharacteristics");
  if (FtStatus s = c.Refused(handle)) return s;
  Dev().SetFormat(bits, stop, parity);
  return kOk;
}

FtStatus SetFlowControl(FtHandle handle, uint16_t, uint8_t, uint8_t) {
  Call c("FT_SetFlowControl");
  return c.Refused(handle);
}

FtStatus SetUSBParameters(FtHandle handle, uint32_t, uint32_t) {
  Call c("FT_SetUSBParameters");
  return c.Refused(handle);
}

FtStatus Write(FtHandle handle, void* buffer, uint32_t count, uint32_t* written) {
  Call c("FT_Write");
  if (written) *written = 0;
  if (FtStatus s = c.Refused(handle)) return s;
  if (!buffer && count) return kInvalidParameter;
  Dev().Write(static_cast<const uint8_t*>(buffer), count);
  if (written) *written = count;
  return kOk;
}

FtStatus Read(FtHandle handle, void* buffer, uint32_t count, uint32_t* read) {
  Call c("FT_Read");
  if (read) *read = 0;
  if (FtStatus s = c.Refused(handle)) return s;
  if (!buffer && count) return kInvalidParameter;
  uint32_t n = Dev().Read(static_cast<uint8_t*>(buffer), count);
  if (read) *read = n;
  return kOk;
}

FtStatus GetStatus(FtHandle handle, uint32_t* rxbytes, uint32_t* txbytes, uint32_t* event) {
  Call c("FT_GetStatus");
  if (FtStatus s = c.Refused(handle)) return s;
  if (rxbytes) *rxbytes = Dev().Waiting();
  if (txbytes) *txbytes = Dev().Sending();
  if (event) *event = 0;
  return kOk;
}

FtStatus ReadEE(FtHandle handle, uint32_t address, uint16_t* value) {
  Call c("FT_ReadEE");
  if (FtStatus s = c.Refused(handle)) return s;
  if (!value || !Dev().ReadEE(address, value)) return kInvalidParameter;
  return kOk;
}

FtStatus WriteEE(FtHandle handle, uint32_t address, uint16_t value) {
  Call c("FT_WriteEE");
  if (FtStatus s = c.Refused(handle)) return s;
  return Dev().WriteEE(address, value) ? kOk : kInvalidParameter;
}
}  // namespace

// Each driver function is exported through a resolver that the loader asks
// at every lookup by name, so that "missing=FT_Open" in sim.txt makes the
// library lack it from then on, like a driver of another version.
// The index is a constant, so the resolver, which runs inside the loader,
// calls nothing.
#define SIM_DRIVER_FUNCTION(name, impl)                          \
  extern "C" decltype(&impl) Resolve_##name() {                  \
    constexpr int kIndex = sim::DriverFunctionIndex(#name);      \
    static_assert(kIndex >= 0);                                  \
    return (missingMask.load() >> kIndex) & 1 ? nullptr : &impl; \
  }                                                              \
  SIM_EXPORT decltype(impl) name __attribute__((ifunc("Resolve_" #name)));

SIM_DRIVER_FUNCTION(FT_CreateDeviceInfoList, CreateDeviceInfoList)
SIM_DRIVER_FUNCTION(FT_SetVIDPID, SetVIDPID)
SIM_DRIVER_FUNCTION(FT_GetDeviceInfoDetail, GetDeviceInfoDetail)
SIM_DRIVER_FUNCTION(FT_Open, Open)
SIM_DRIVER_FUNCTION(FT_Close, Close)
SIM_DRIVER_FUNCTION(FT_SetBaudRate, SetBaudRate)
SIM_DRIVER_FUNCTION(FT_SetDataCharacteristics, SetDataCharacteristics)
SIM_DRIVER_FUNCTION(FT_SetFlowControl, SetFlowControl)
SIM_DRIVER_FUNCTION(FT_SetUSBParameters, SetUSBParameters)
SIM_DRIVER_FUNCTION(FT_Write, Write)
SIM_DRIVER_FUNCTION(FT_Read, Read)
SIM_DRIVER_FUNCTION(FT_GetStatus, GetStatus)
SIM_DRIVER_FUNCTION(FT_ReadEE, ReadEE)
SIM_DRIVER_FUNCTION(FT_WriteEE, WriteEE)

// The signatures must stay those the program calls through.
static_assert(std::is_same_v<decltype(&FT_Open), FtOpenFn>);
static_assert(std::is_same_v<decltype(&FT_Read), FtReadFn>);
static_assert(std::is_same_v<decltype(&FT_Write), FtWriteFn>);
static_assert(std::is_same_v<decltype(&FT_GetStatus), FtGetStatusFn>);
static_assert(std::is_same_v<decltype(&FT_GetDeviceInfoDetail), FtGetDeviceInfoDetailFn>);
static_assert(std::is_same_v<decltype(&FT_ReadEE), FtReadEEFn>);
static_assert(std::is_same_v<decltype(&FT_WriteEE), FtWriteEEFn>);
static_assert(std::is_same_v<decltype(&FT_SetDataCharacteristics), FtSetDataCharacteristicsFn>);
static_assert(std::is_same_v<decltype(&FT_SetFlowControl), FtSetFlowControlFn>);
static_assert(std::is_same_v<decltype(&FT_SetUSBParameters), FtSetUSBParametersFn>);
static_assert(std::is_same_v<decltype(&FT_SetBaudRate), FtSetBaudRateFn>);
static_assert(std::is_same_v<decltype(&FT_Close), FtCloseFn>);
static_assert(std::is_same_v<decltype(&FT_SetVIDPID), FtSetVIDPIDFn>);
static_assert(std::is_same_v<decltype(&FT_CreateDeviceInfoList), FtCreateDeviceInfoListFn>);

// ---- control -------------------------------------------------------------------

SIM_EXPORT void SIM_Reset() {
  std::lock_guard<std::mutex> g(mu);
  Dev().Reset();
  missingMask.store(Dev().MissingMask());
}

// Applies "key=value" lines (the syntax of sim.txt), all or none. 0, or -1
// with the first error in `error`.
SIM_EXPORT int SIM_Configure(const char* text, char* error, int capacity) {
  std::lock_guard<std::mutex> g(mu);
  std::string e = Dev().Configure(text ? text : "", false);
  missingMask.store(Dev().MissingMask());
  if (error && capacity > 0) {
    std::strncpy(error, e.c_str(), static_cast<size_t>(capacity) - 1);
    error[capacity - 1] = 0;
  }
  return e.empty() ? 0 : -1;
}

// Number of host transfers (FT_Write calls) since the reset.
SIM_EXPORT long long SIM_TransferCount() {
  std::lock_guard<std::mutex> g(mu);
  return Dev().TransfersDropped() + static_cast<long long>(Dev().Transfers().size());
}

// Transfer `index` (from 0): its bytes into `buffer`, its time (steady clock,
// microseconds) into `us`; returns its length, or -1 when not kept.
SIM_EXPORT int SIM_Transfer(long long index, unsigned char* buffer, int capacity, long long* us) {
  std::lock_guard<std::mutex> g(mu);
  long long k = index - Dev().TransfersDropped();
  if (k < 0 || k >= static_cast<long long>(Dev().Transfers().size())) return -1;
  const sim::Transfer& t = Dev().Transfers()[static_cast<size_t>(k)];
  if (us) *us = t.us;
  int n = static_cast<int>(t.bytes.size());
  if (buffer) std::memcpy(buffer, t.bytes.data(), static_cast<size_t>(std::min(n, capacity)));
  return n;
}

SIM_EXPORT long long SIM_Register(int reg) {
  std::lock_guard<std::mutex> g(mu);
  return Dev().Register(reg);
}

// "opens", "closes", "writes", "requests", "frames", "badframes", "garbled",
// "eewrites", "overflow", "shortreads", "unplugs".
SIM_EXPORT long long SIM_Counter(const char* name) {
  std::lock_guard<std::mutex> g(mu);
  return Dev().Counter(name ? name : "");
}

SIM_EXPORT int SIM_EepromWord(int address) {
  std::lock_guard<std::mutex> g(mu);
  uint16_t w = 0;
  return address >= 0 && Dev().ReadEE(static_cast<uint32_t>(address), &w) ? w : -1;
}

// Volts at the sockets now: 0 the signal generator, 1 the DC generator.
SIM_EXPORT double SIM_Output(int which) {
  std::lock_guard<std::mutex> g(mu);
  return Dev().Output(which);
}

// Steady-clock microseconds at which the last byte of the latest delivered
// data frame became readable.
SIM_EXPORT long long SIM_LastReplyReadyUs() {
  std::lock_guard<std::mutex> g(mu);
  return Dev().LastReplyReadyUs();
}

// CPU microseconds spent building data frames since the reset (the calling
// threads' own clocks around each frame): what a benchmark takes off the
// program's cost, since a real instrument builds its frames in hardware.
SIM_EXPORT long long SIM_SynthesisCpuUs() {
  std::lock_guard<std::mutex> g(mu);
  return Dev().SynthesisCpuNs() / 1000;
}

// Puts raw bytes into the receive queue as if the instrument had sent them
// (hand-made frames for tests).
SIM_EXPORT void SIM_Inject(const unsigned char* bytes, int count) {
  std::lock_guard<std::mutex> g(mu);
  if (bytes && count > 0) Dev().Inject(bytes, static_cast<size_t>(count));
}

// Name of sim.txt key `index` ("channel" and "cal." begin keys), or null past
// the last: what the documentation of the keys is checked against.
SIM_EXPORT const char* SIM_KeyName(int index) { return index < 0 ? nullptr : sim::KeyName(size_t(index)); }
