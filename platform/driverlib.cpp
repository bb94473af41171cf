#include "platform/driverlib.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "platform/files.h"

namespace pf {

namespace {
std::mutex libsLock;
std::map<int, void*> libs;  // never unloaded

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
  libs[lib] = h;
  return true;
}

bool IsLibrary(int lib) {
  std::lock_guard<std::mutex> g(libsLock);
  return libs.count(lib) != 0;
}

void* LibraryFunction(int lib, const char* function) {
  void* h;
  {
    std::lock_guard<std::mutex> g(libsLock);
    auto it = libs.find(lib);
    if (it == libs.end()) return nullptr;
    h = it->second;
  }
  return dlsym(h, function);
}

}  // namespace pf
