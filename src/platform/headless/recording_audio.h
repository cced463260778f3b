// The headless audio service: decodes samples to learn their lengths, runs the same voice pool as the native
// backend on the manual clock (a sound plays until its length has passed), and records every call.
//
// Each SoundRecord keeps the call's values and a text line for compact timelines:
//   "doppler 3"                          "listener (x,y,z) (vx,vy,vz)" (position, velocity; %g numbers)
//   "load <path>" | "load <path> failed" "free <path>"
//   "play <path> <volume>"               "play3d <path> <volume> (x,y,z) (vx,vy,vz)"
//   "volume <path> <volume>"             "stop <path>"
//   "open <path>" | "open <path> failed" "playstream <path> loop|once <volume>"
//   "stopstream <path>"                  "closestream <path>"
// <path> is the game's path of the sample or stream the call names, "none" for an empty sample or stream id,
// and "stale" for a voice handle that is not current (a call that did nothing).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/voice_pool.h"

namespace plat::headless {

enum class SoundCall {
  Doppler,
  Listener,
  Load,
  Free,
  Play,
  Play3D,
  Volume,
  Stop,
  Open,
  PlayStream,
  StopStream,
  CloseStream
};

struct SoundRecord {
  SoundCall call;
  std::string text;
  std::string file;                            // the path named, empty for none or stale
  Voice voice;                                 // plays, volume, stop
  int volume = 0;                              // as asked, before clamping
  bool loop = false;                           // playstream
  float factor = 0.0f;                         // doppler
  math::Vec3 position, velocity, forward, up;  // play3d (position, velocity), listener (all four)
};

class RecordingAudio final : public Audio {
 public:
  RecordingAudio(const FileSystem& files, Clock& clock);

  const std::vector<SoundRecord>& Records() const { return records_; }
  // The text lines of the records of the given calls (every call when empty).
  std::vector<std::string> Lines(std::initializer_list<SoundCall> calls = {}) const;
  void ClearRecords() { records_.clear(); }
  // The volume a voice plays at now (clamped), -1 when the handle is not current.
  int VoiceVolume(Voice voice) const;
  // The open stream that is playing, empty when none is.
  StreamId PlayingStream() const;

  void SetDopplerFactor(float factor) override;
  void SetListener(const math::Vec3& position, const math::Vec3& velocity, const math::Vec3& forward,
                   const math::Vec3& up) override;
  SampleId LoadSample(std::string_view gamePath) override;
  void FreeSample(SampleId sample) override;
  Voice Play(SampleId sample, int volume) override;
  Voice Play3D(SampleId sample, int volume, const math::Vec3& position, const math::Vec3& velocity) override;
  bool IsPlaying(Voice voice) override;
  void SetVolume(Voice voice, int volume) override;
  void Stop(Voice voice) override;
  StreamId OpenStream(std::string_view gamePath) override;
  void PlayStream(StreamId stream, bool loop, int volume) override;
  void StopStream(StreamId stream) override;
  void CloseStream(StreamId stream) override;

 private:
  struct Sample {
    std::string path;
    uint32_t durationMs = 0;
  };
  struct VoiceState {
    uint32_t sample = 0;
    uint32_t startTick = 0;
    uint32_t durationMs = 0;
    bool stopped = true;
    int volume = 0;
  };
  struct Stream {
    std::string path;
    bool playing = false;
  };

  bool Busy(int index) const;
  Voice Start(SampleId sample, int volume);
  // The sample's path, or "none".
  std::string SampleName(SampleId sample) const;
  std::string VoiceName(Voice voice) const;
  std::string StreamName(StreamId stream) const;
  SoundRecord& Record(SoundCall call, std::string text, std::string file);

  const FileSystem& files_;
  Clock& clock_;
  VoicePool pool_;
  std::vector<VoiceState> voices_;
  std::map<uint32_t, Sample> samples_;
  std::map<uint32_t, Stream> streams_;
  uint32_t nextSample_ = 1;
  uint32_t nextStream_ = 1;
  std::vector<SoundRecord> records_;
};

}  // namespace plat::headless
