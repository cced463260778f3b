// The native audio service on OpenAL Soft: 32 sources as the voices, buffers as the samples, and music fed
// through queued buffers by a thread of its own; a silent service when there is no sound device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio.h"
#include "platform/files.h"

namespace plat {

// Audio rendered on demand instead of to a sound device (OpenAL's loopback device), for tests.
class LoopbackAudio : public Audio {
 public:
  static constexpr int kRate = 44100;
  // Mixes the next `frames` frames of 16-bit stereo (left, right) into `out`, feeding the music as it goes.
  virtual void Render(int16_t* out, int frames) = 0;
};

// On the sound device OpenAL opens by default. Without one, or with only OpenAL's null output, it says so
// once on stderr and the game runs silent (the null output still plays every sound, unheard). Only one
// OpenAL service may exist at a time.
std::unique_ptr<Audio> CreateOpenAlAudio(const FileSystem& files);
// Null, with *error saying why, when OpenAL offers no loopback device.
std::unique_ptr<LoopbackAudio> CreateLoopbackAudio(const FileSystem& files, std::string* error);

}  // namespace plat
