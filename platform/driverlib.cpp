#include "platform/driverlib.h"

#include <dlfcn.h>

#include <functional>
#include <map>
#include <mutex>
#include <string_view>

#include "platform/files.h"

namespace pf {

namespace {
// A loaded library and the addresses found in it so far (nullptr for a
// function it lacks): a lookup by name costs more than the call it serves.
struct Library {
  void* handle = nullptr;
  std::map<std::string, void*, std::less<>> functions;
};

std::mutex libsLock;
std::map<int, Library> libs;  // never unloaded

void* TryOpen(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
}  // namespace

std::string LibraryFileName(const std::string& name) {
#ifdef _WIN32
  return name + ".dll";
#else
  return "lib" + name + ".so";
#endif
}

bool OpenLibrary(int lib, const std::string& name) {
  const std::string file = LibraryFileName(name);
  void* h = nullptr;
  // Working folder, then the program's folder (only files that are there:
  // a path with a slash never searches), then the system's library path.
  for (const std::string& dir : {CurrentDirectory(), ProgramDirectory()}) {
    if (h) break;
    std::string path = dir + "/" + file;
    if (FileExists(path)) h = TryOpen(path);
  }
  if (!h) h = TryOpen(file);
  if (!h) return false;
  std::lock_guard<std::mutex> g(libsLock);
  libs[lib] = Library{h, {}};  // each load looks its functions up afresh
  return true;
}

bool IsLibrary(int lib) {
  std::lock_guard<std::mutex> g(libsLock);
  return libs.count(lib) != 0;
}

void* LibraryFunction(int lib, const char* function) {
  std::lock_guard<std::mutex> g(libsLock);
  auto it = libs.find(lib);
  if (it == libs.end()) return nullptr;
  Library& l = it->second;
  auto f = l.functions.find(std::string_view(function));
  if (f == l.functions.end()) f = l.functions.emplace(function, dlsym(l.handle, function)).first;
  return f->second;
}

}  // namespace pf
