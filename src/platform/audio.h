// The audio service: effect samples decoded whole to 16-bit mono, 32 voices with generation-tagged handles,
// flat and positioned plays, a listener, a Doppler factor and streamed music. Two backends: OpenAL (native)
// and a recorder (headless).
#pragma once

#include <cstdint>
#include <string_view>

#include "math/math3d.h"

namespace plat {

// One play on one voice. The handle goes stale when its voice starts another sound; a stale or empty handle
// is never playing and calls with it do nothing.
struct Voice {
  uint32_t id = 0;
  explicit operator bool() const { return id != 0; }
  bool operator==(const Voice&) const = default;
};
// A loaded sample; empty when the file could not be loaded (plays of it do nothing).
struct SampleId {
  uint32_t id = 0;
  explicit operator bool() const { return id != 0; }
  bool operator==(const SampleId&) const = default;
};
// An open music stream; empty when the file could not be opened. Ids are never reused, so calls with a
// closed one do nothing.
struct StreamId {
  uint32_t id = 0;
  explicit operator bool() const { return id != 0; }
  bool operator==(const StreamId&) const = default;
};

class Audio {
 public:
  static constexpr int kVoices = 32;
  static constexpr int kMaxVolume = 255;

  virtual ~Audio() = default;

  // Positions, velocities and directions are in the game's left-handed world (+Z forward, +Y up).
  virtual void SetDopplerFactor(float factor) = 0;
  virtual void SetListener(const math::Vec3& position, const math::Vec3& velocity, const math::Vec3& forward,
                           const math::Vec3& up) = 0;

  // The whole file decoded to 16-bit mono; a file that is missing or cannot be decoded is reported on stderr.
  virtual SampleId LoadSample(std::string_view gamePath) = 0;
  // Stops its plays first.
  virtual void FreeSample(SampleId sample) = 0;

  // One-shot plays on a free voice, else on the voice whose sound started longest ago. Volume 0 to 255,
  // linear; values outside are clamped. A flat play has no position, distance or Doppler.
  virtual Voice Play(SampleId sample, int volume) = 0;
  virtual Voice Play3D(SampleId sample, int volume, const math::Vec3& position,
                       const math::Vec3& velocity) = 0;
  virtual bool IsPlaying(Voice voice) = 0;
  virtual void SetVolume(Voice voice, int volume) = 0;
  virtual void Stop(Voice voice) = 0;

  // Music: decoded from the file in chunks while it plays, never whole. Flat, on a voice of its own.
  virtual StreamId OpenStream(std::string_view gamePath) = 0;
  virtual void PlayStream(StreamId stream, bool loop, int volume) = 0;
  virtual void StopStream(StreamId stream) = 0;
  virtual void CloseStream(StreamId stream) = 0;
};

}  // namespace plat
