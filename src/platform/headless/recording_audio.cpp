// Recording audio: sample lengths from the decoded files, voices timed by the manual clock, the call log.
#include "platform/headless/recording_audio.h"

#include <algorithm>
#include <cstdio>

#include "platform/sound_file.h"

namespace plat::headless {

namespace {

std::string Text(const math::Vec3& v) {
  char text[96];
  std::snprintf(text, sizeof text, "(%g,%g,%g)", static_cast<double>(v.x), static_cast<double>(v.y),
                static_cast<double>(v.z));
  return text;
}

std::string Words(std::initializer_list<std::string> words) {
  std::string text;
  for (const std::string& w : words) {
    if (!text.empty()) text += ' ';
    text += w;
  }
  return text;
}

}  // namespace

RecordingAudio::RecordingAudio(const FileSystem& files, Clock& clock)
    : files_(files), clock_(clock), voices_(static_cast<size_t>(pool_.Count())) {}

std::vector<std::string> RecordingAudio::Lines(std::initializer_list<SoundCall> calls) const {
  std::vector<std::string> lines;
  for (const SoundRecord& r : records_) {
    if (calls.size() == 0 || std::find(calls.begin(), calls.end(), r.call) != calls.end())
      lines.push_back(r.text);
  }
  return lines;
}

SoundRecord& RecordingAudio::Record(SoundCall call, std::string text, std::string file) {
  SoundRecord& r = records_.emplace_back();
  r.call = call;
  r.text = std::move(text);
  r.file = std::move(file);
  return r;
}

bool RecordingAudio::Busy(int index) const {
  const VoiceState& v = voices_[static_cast<size_t>(index)];
  // Wrap-safe: the tick counter may pass 2^32 while a sound plays.
  return !v.stopped && clock_.TickCountMs() - v.startTick < v.durationMs;
}

std::string RecordingAudio::SampleName(SampleId sample) const {
  auto it = samples_.find(sample.id);
  return it == samples_.end() ? "none" : it->second.path;
}

std::string RecordingAudio::VoiceName(Voice voice) const {
  const int index = pool_.IndexOf(voice);
  if (index < 0) return "stale";
  return SampleName(SampleId{voices_[static_cast<size_t>(index)].sample});
}

std::string RecordingAudio::StreamName(StreamId stream) const {
  auto it = streams_.find(stream.id);
  return it == streams_.end() ? "none" : it->second.path;
}

int RecordingAudio::VoiceVolume(Voice voice) const {
  const int index = pool_.IndexOf(voice);
  return index < 0 ? -1 : voices_[static_cast<size_t>(index)].volume;
}

StreamId RecordingAudio::PlayingStream() const {
  for (const auto& [id, stream] : streams_) {
    if (stream.playing) return StreamId{id};
  }
  return {};
}

void RecordingAudio::SetDopplerFactor(float factor) {
  char text[32];
  std::snprintf(text, sizeof text, "doppler %g", static_cast<double>(factor));
  Record(SoundCall::Doppler, text, "").factor = factor;
}

void RecordingAudio::SetListener(const math::Vec3& position, const math::Vec3& velocity,
                                 const math::Vec3& forward, const math::Vec3& up) {
  SoundRecord& r = Record(SoundCall::Listener, Words({"listener", Text(position), Text(velocity)}), "");
  r.position = position;
  r.velocity = velocity;
  r.forward = forward;
  r.up = up;
}

SampleId RecordingAudio::LoadSample(std::string_view gamePath) {
  const std::string path(gamePath);
  sound::DecodedSound decoded;
  if (!sound::LoadSound(files_, gamePath, decoded)) {
    Record(SoundCall::Load, Words({"load", path, "failed"}), path);
    return {};
  }
  const SampleId id{nextSample_++};
  samples_[id.id] = Sample{path, static_cast<uint32_t>(decoded.DurationMs())};
  Record(SoundCall::Load, Words({"load", path}), path);
  return id;
}

void RecordingAudio::FreeSample(SampleId sample) {
  auto it = samples_.find(sample.id);
  if (it == samples_.end()) return;
  for (VoiceState& v : voices_) {
    if (v.sample == sample.id) v.stopped = true;
  }
  Record(SoundCall::Free, Words({"free", it->second.path}), it->second.path);
  samples_.erase(it);
}

Voice RecordingAudio::Start(SampleId sample, int volume) {
  auto it = samples_.find(sample.id);
  if (it == samples_.end()) return {};
  const Voice voice = pool_.Acquire([this](int i) { return Busy(i); });
  VoiceState& v = voices_[static_cast<size_t>(pool_.IndexOf(voice))];
  v = VoiceState{sample.id, clock_.TickCountMs(), it->second.durationMs, false,
                 std::clamp(volume, 0, kMaxVolume)};
  return voice;
}

Voice RecordingAudio::Play(SampleId sample, int volume) {
  const Voice voice = Start(sample, volume);
  const std::string name = SampleName(sample);
  SoundRecord& r = Record(SoundCall::Play, Words({"play", name, std::to_string(volume)}), voice ? name : "");
  r.voice = voice;
  r.volume = volume;
  return voice;
}

Voice RecordingAudio::Play3D(SampleId sample, int volume, const math::Vec3& position,
                             const math::Vec3& velocity) {
  const Voice voice = Start(sample, volume);
  const std::string name = SampleName(sample);
  SoundRecord& r = Record(SoundCall::Play3D,
                          Words({"play3d", name, std::to_string(volume), Text(position), Text(velocity)}),
                          voice ? name : "");
  r.voice = voice;
  r.volume = volume;
  r.position = position;
  r.velocity = velocity;
  return voice;
}

bool RecordingAudio::IsPlaying(Voice voice) {
  const int index = pool_.IndexOf(voice);
  return index >= 0 && Busy(index);
}

void RecordingAudio::SetVolume(Voice voice, int volume) {
  const int index = pool_.IndexOf(voice);
  const std::string name = VoiceName(voice);
  SoundRecord& r =
      Record(SoundCall::Volume, Words({"volume", name, std::to_string(volume)}), index < 0 ? "" : name);
  r.voice = voice;
  r.volume = volume;
  if (index >= 0) voices_[static_cast<size_t>(index)].volume = std::clamp(volume, 0, kMaxVolume);
}

void RecordingAudio::Stop(Voice voice) {
  const int index = pool_.IndexOf(voice);
  const std::string name = VoiceName(voice);
  Record(SoundCall::Stop, Words({"stop", name}), index < 0 ? "" : name).voice = voice;
  if (index >= 0) voices_[static_cast<size_t>(index)].stopped = true;
}

StreamId RecordingAudio::OpenStream(std::string_view gamePath) {
  const std::string path(gamePath);
  if (!sound::OpenSound(files_, gamePath)) {
    Record(SoundCall::Open, Words({"open", path, "failed"}), path);
    return {};
  }
  const StreamId id{nextStream_++};
  streams_[id.id] = Stream{path, false};
  Record(SoundCall::Open, Words({"open", path}), path);
  return id;
}

void RecordingAudio::PlayStream(StreamId stream, bool loop, int volume) {
  auto it = streams_.find(stream.id);
  const std::string name = StreamName(stream);
  SoundRecord& r = Record(SoundCall::PlayStream,
                          Words({"playstream", name, loop ? "loop" : "once", std::to_string(volume)}),
                          it == streams_.end() ? "" : name);
  r.loop = loop;
  r.volume = volume;
  if (it != streams_.end()) it->second.playing = true;
}

void RecordingAudio::StopStream(StreamId stream) {
  auto it = streams_.find(stream.id);
  const std::string name = StreamName(stream);
  Record(SoundCall::StopStream, Words({"stopstream", name}), it == streams_.end() ? "" : name);
  if (it != streams_.end()) it->second.playing = false;
}

void RecordingAudio::CloseStream(StreamId stream) {
  auto it = streams_.find(stream.id);
  const std::string name = StreamName(stream);
  Record(SoundCall::CloseStream, Words({"closestream", name}), it == streams_.end() ? "" : name);
  if (it != streams_.end()) streams_.erase(it);
}

}  // namespace plat::headless
