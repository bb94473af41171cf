// Control of the simulated instrument from tests and benchmarks: its SIM_
// functions are found by name in the loaded driver library, exactly like
// the driver functions the program calls.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "link/state.h"
#include "platform/driverlib.h"

namespace simctl {

template <typename Fn>
Fn Find(const char* name) {
  return reinterpret_cast<Fn>(pf::LibraryFunction(kDriverLibrary, name));
}

// Links the built simulator into `folder` as the driver library and loads it.
inline bool Install(const std::string& folder, const std::string& builtLibrary) {
  std::error_code ec;
  std::filesystem::path to = std::filesystem::path(folder) / pf::LibraryFileName("ftd2xx");
  std::filesystem::remove(to, ec);
  std::filesystem::create_symlink(builtLibrary, to, ec);
  return !ec && pf::OpenLibrary(kDriverLibrary, "ftd2xx") && Find<void (*)()>("SIM_Reset");
}

inline void Reset() {
  if (auto f = Find<void (*)()>("SIM_Reset")) f();
}

// Applies "key=value" lines (the syntax of sim.txt); returns "" or the error.
inline std::string Configure(const std::string& text) {
  auto f = Find<int (*)(const char*, char*, int)>("SIM_Configure");
  if (!f) return "no simulator";
  char error[256] = {};
  return f(text.c_str(), error, sizeof error) == 0 ? "" : std::string(error);
}

struct Transfer {
  int64_t us = 0;
  std::vector<uint8_t> bytes;
};

inline long long TransferCount() {
  auto f = Find<long long (*)()>("SIM_TransferCount");
  return f ? f() : 0;
}

// Host transfers from index `from` on.
inline std::vector<Transfer> Transfers(long long from = 0) {
  std::vector<Transfer> out;
  auto f = Find<int (*)(long long, unsigned char*, int, long long*)>("SIM_Transfer");
  if (!f) return out;
  for (long long k = from, n = TransferCount(); k < n; ++k) {
    Transfer t;
    long long us = 0;
    int len = f(k, nullptr, 0, &us);
    if (len < 0) continue;
    t.bytes.resize(static_cast<size_t>(len));
    f(k, t.bytes.data(), len, &us);
    t.us = us;
    out.push_back(std::move(t));
  }
  return out;
}

inline long long Register(int reg) {
  auto f = Find<long long (*)(int)>("SIM_Register");
  return f ? f(reg) : -1;
}

inline long long Counter(const std::string& name) {
  auto f = Find<long long (*)(const char*)>("SIM_Counter");
  return f ? f(name.c_str()) : -1;
}

inline int EepromWord(int address) {
  auto f = Find<int (*)(int)>("SIM_EepromWord");
  return f ? f(address) : -1;
}

inline double Output(int which) {
  auto f = Find<double (*)(int)>("SIM_Output");
  return f ? f(which) : 0;
}

inline long long LastReplyReadyUs() {
  auto f = Find<long long (*)()>("SIM_LastReplyReadyUs");
  return f ? f() : 0;
}

// CPU microseconds the simulator spent building data frames since its reset.
inline long long SynthesisCpuUs() {
  auto f = Find<long long (*)()>("SIM_SynthesisCpuUs");
  return f ? f() : 0;
}

inline void Inject(const std::vector<uint8_t>& bytes) {
  if (auto f = Find<void (*)(const unsigned char*, int)>("SIM_Inject"))
    f(bytes.data(), static_cast<int>(bytes.size()));
}

}  // namespace simctl
