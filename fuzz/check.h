// A broken invariant ends the fuzz run with the input that broke it.
#pragma once
#include <cstdio>
#include <cstdlib>

inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant failed: %s\n", what);
    std::abort();
  }
}
