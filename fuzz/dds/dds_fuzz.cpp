// Fuzz target: the DDS reader on arbitrary bytes.
#include "common/image_fuzz.h"
#include "platform/dds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::DecodeAndCheck(plat::image::DecodeDds, data, size);
  return 0;
}
