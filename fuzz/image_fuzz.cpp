// One image decoder (chosen at build time) on arbitrary bytes: it either
// refuses with a message or gives a picture within the size limits; read for
// its header alone, it gives the size within the limits or refuses.
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
  // The header alone: a size within the limits, or a refusal with a message.
  pf::codec::Reduction header;
  header.sizeOnly = true;
  QImage none;
  error.clear();
  if (pf::codec::YRM_FUZZ_DECODER(bytes, none, error, &header)) {
    if (!none.isNull() || header.fullWidth < 1 || header.fullHeight < 1 ||
        header.fullWidth > pf::codec::kMaxSide || header.fullHeight > pf::codec::kMaxSide) {
      std::fprintf(stderr, "header read gave a picture or a size out of bounds\n");
      std::abort();
    }
  } else if (error.empty()) {
    std::fprintf(stderr, "header refused without a message\n");
    std::abort();
  }
  return 0;
}
