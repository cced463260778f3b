// Fuzz target: the JPEG reader on arbitrary bytes.
#include "common/image_fuzz.h"
#include "platform/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::DecodeAndCheck(plat::image::DecodeJpeg, data, size);
  return 0;
}
