// Fuzz target: the BMP reader on arbitrary bytes.
#include "common/image_fuzz.h"
#include "platform/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::DecodeAndCheck(plat::image::DecodeBmp, data, size);
  return 0;
}
