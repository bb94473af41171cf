// One image decoder (chosen at build time) on arbitrary bytes: it either
// refuses with a message or gives a picture within the size limits.
#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/image_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  QImage img;
  std::string error;
  if (pf::codec::YRM_FUZZ_DECODER(bytes, img, error)) {
    if (img.isNull() || img.width() > pf::codec::kMaxSide || img.height() > pf::codec::kMaxSide ||
        int64_t(img.width()) * img.height() > pf::codec::kMaxPixels) {
      std::fprintf(stderr, "decoded picture out of bounds\n");
      std::abort();
    }
  } else if (error.empty()) {
    std::fprintf(stderr, "refused without a message\n");
    std::abort();
  }
  return 0;
}
