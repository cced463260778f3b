// Fuzz target: the sound decoder on arbitrary bytes, whole and in looping chunks as the music stream reads.
#include <cstdint>
#include <span>
#include <string>

#include "common/fuzz_support.h"
#include "platform/sound_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  plat::sound::DecodedSound decoded;
  std::string error;
  if (plat::sound::Decode(bytes, decoded, &error)) {
    fuzz::Check(!decoded.samples.empty(), "a decoded sound holds samples");
    fuzz::Check(decoded.samples.size() <= plat::sound::kMaxSampleFrames,
                "a decoded sound keeps to its limit");
    fuzz::Check(decoded.sampleRate >= plat::sound::kMinSampleRate &&
                    decoded.sampleRate <= plat::sound::kMaxSampleRate,
                "a decoded sound has a sample rate within the limits");
  } else {
    fuzz::Check(!error.empty(), "a refused sound says why");
  }
  if (auto reader = plat::sound::Reader::OpenMemory(bytes, &error)) {
    int16_t chunk[4096];
    for (int i = 0; i < 8; ++i) {
      if (reader->Read(chunk, 4096, true) == 0) break;
    }
  }
  return 0;
}
