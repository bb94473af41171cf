// Driver libraries loaded at run time and called by function name.
// A library is addressed by a fixed number; each function is looked up by
// name at its first call after the library is loaded and its address kept
// until the next load, so a function the library lacks is simply not called.
#pragma once
#include <string>

namespace pf {

// Loads the library `name` ("ftd2xx" is "libftd2xx.so" on Linux, "ftd2xx.dll"
// on Windows) as number `lib`: from the working folder, then the program's
// folder, then the system's library path. Loaded afresh at each call and
// never unloaded. False when it cannot be loaded.
bool OpenLibrary(int lib, const std::string& name);
bool IsLibrary(int lib);
// The file name of library `name` on this system.
std::string LibraryFileName(const std::string& name);
// Address of function `function` in library `lib`, or nullptr when the
// library is not loaded or lacks it. Found once per load.
void* LibraryFunction(int lib, const char* function);

// Calls function `function` of library `lib` with type Fn; yields 0 (and does
// not call) when it is missing.
template <typename Fn, typename... Args>
auto CallLibraryFunction(int lib, const char* function, Args... args) {
  using R = decltype(static_cast<Fn>(nullptr)(args...));
  void* p = LibraryFunction(lib, function);
  if (!p) return R{};
  return reinterpret_cast<Fn>(p)(args...);
}

}  // namespace pf
