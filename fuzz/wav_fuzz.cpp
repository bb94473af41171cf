// WAV loading on arbitrary bytes: loaded or refused, never a crash, and a
// refused file leaves no sound under its number.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/yrm_wav_fuzz_" + std::to_string(getpid()) + ".wav";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const bool loaded = pf::LoadSound(1, path);
  if (loaded != pf::IsSound(1)) {
    std::fprintf(stderr, "load result and sound table disagree\n");
    std::abort();
  }
  return 0;
}
