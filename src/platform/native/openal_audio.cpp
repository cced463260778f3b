// OpenAL Soft audio: device and context set-up, voices on sources, samples in buffers, music streams fed by a
// feeder thread (or by each render of a loopback device), and the silent service used without a device.
#include "platform/native/openal_audio.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sound_file.h"
#include "platform/voice_pool.h"

namespace plat {

namespace {

// Distance at which a positioned sound plays at full volume; it halves at twice that (world units are large:
// the camera stands 200 to 300 units from the ship).
constexpr float kReferenceDistance = 200.0f;
// Music: four buffers of 8192 frames (three quarters of a second at 44100 Hz), topped up every 30 ms.
constexpr int kStreamBuffers = 4;
constexpr size_t kStreamChunkFrames = 8192;
constexpr auto kFeedInterval = std::chrono::milliseconds(30);
// Loopback renders are mixed in pieces this long, with the music fed before each.
constexpr int kRenderPieceFrames = 1024;

bool g_openAlAlive = false;

// No effect sends: the game uses no effects, and each of the context's 256 voices would keep the state of
// every send (about 0.8 MiB in all).
constexpr ALCint kNoSends[] = {ALC_MAX_AUXILIARY_SENDS, 0, 0};

float Gain(int volume) {
  return static_cast<float>(std::clamp(volume, 0, Audio::kMaxVolume)) / static_cast<float>(Audio::kMaxVolume);
}

// OpenAL's world is right-handed; the game's is left-handed.
void SetVector(ALuint source, ALenum param, const math::Vec3& v) {
  alSource3f(source, param, v.x, v.y, -v.z);
}

bool SourcePlaying(ALuint source) {
  ALint state = AL_STOPPED;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING || state == AL_PAUSED;
}

// A music stream: its reader, its own source and the buffers that circulate through the source's queue.
struct Stream {
  std::unique_ptr<sound::Reader> reader;
  ALuint source = 0;
  std::array<ALuint, kStreamBuffers> buffers{};
  std::vector<int16_t> chunk = std::vector<int16_t>(kStreamChunkFrames);
  bool playing = false;
  bool loop = false;
  bool ended = false;

  // Decodes the next chunk into the buffer; false at the end of the music.
  bool Fill(ALuint buffer) {
    if (ended) return false;
    const size_t n = reader->Read(chunk.data(), chunk.size(), loop);
    if (n == 0) {
      ended = true;
      return false;
    }
    alBufferData(buffer, AL_FORMAT_MONO16, chunk.data(), static_cast<ALsizei>(n * sizeof(int16_t)),
                 reader->SampleRate());
    return true;
  }

  void Start() {
    ended = false;
    int queued = 0;
    for (ALuint b : buffers) {
      if (!Fill(b)) break;
      alSourceQueueBuffers(source, 1, &b);
      ++queued;
    }
    playing = queued > 0;
    if (playing) alSourcePlay(source);
  }

  // Refills the buffers the source has finished with; restarts a source that ran dry.
  void Feed() {
    if (!playing) return;
    ALint processed = 0;
    alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed; ++i) {
      ALuint b = 0;
      alSourceUnqueueBuffers(source, 1, &b);
      if (Fill(b)) alSourceQueueBuffers(source, 1, &b);
    }
    ALint queued = 0;
    alGetSourcei(source, AL_BUFFERS_QUEUED, &queued);
    if (queued == 0) {
      playing = false;
    } else if (!SourcePlaying(source)) {
      alSourcePlay(source);
    }
  }

  void Stop() {
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);  // unqueues every buffer of a stopped source
    playing = false;
  }
};

class OpenAlAudio final : public LoopbackAudio {
 public:
  OpenAlAudio(const FileSystem& files, ALCdevice* device, ALCcontext* context, LPALCRENDERSAMPLESSOFT render)
      : files_(files), device_(device), context_(context), render_(render) {
    g_openAlAlive = true;
    alcMakeContextCurrent(context_);
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alGenSources(kVoices, sources_.data());
    for (ALuint s : sources_) alSourcef(s, AL_REFERENCE_DISTANCE, kReferenceDistance);
    // A loopback device is fed by its renders; a real one by the feeder thread.
    if (render_ == nullptr) feeder_ = std::thread([this] { FeedLoop(); });
  }

  ~OpenAlAudio() override {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    if (feeder_.joinable()) feeder_.join();
    for (auto& [id, stream] : streams_) DeleteStream(*stream);
    alSourceStopv(kVoices, sources_.data());
    alDeleteSources(kVoices, sources_.data());
    for (auto& [id, buffer] : buffers_) alDeleteBuffers(1, &buffer);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context_);
    alcCloseDevice(device_);
    g_openAlAlive = false;
  }

  void Render(int16_t* out, int frames) override {
    if (render_ == nullptr) return;
    std::lock_guard lock(mutex_);
    while (frames > 0) {
      for (auto& [id, stream] : streams_) stream->Feed();
      const int n = std::min(frames, kRenderPieceFrames);
      render_(device_, out, n);
      out += 2 * n;
      frames -= n;
    }
  }

  void SetDopplerFactor(float factor) override {
    std::lock_guard lock(mutex_);
    alDopplerFactor(factor);
  }

  void SetListener(const math::Vec3& position, const math::Vec3& velocity, const math::Vec3& forward,
                   const math::Vec3& up) override {
    std::lock_guard lock(mutex_);
    alListener3f(AL_POSITION, position.x, position.y, -position.z);
    alListener3f(AL_VELOCITY, velocity.x, velocity.y, -velocity.z);
    const ALfloat orientation[6] = {forward.x, forward.y, -forward.z, up.x, up.y, -up.z};
    alListenerfv(AL_ORIENTATION, orientation);
  }

  SampleId LoadSample(std::string_view gamePath) override {
    sound::DecodedSound decoded;
    if (!sound::LoadSound(files_, gamePath, decoded)) return {};
    std::lock_guard lock(mutex_);
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AL_FORMAT_MONO16, decoded.samples.data(),
                 static_cast<ALsizei>(decoded.samples.size() * sizeof(int16_t)), decoded.sampleRate);
    const SampleId id{nextSample_++};
    buffers_[id.id] = buffer;
    return id;
  }

  void FreeSample(SampleId sample) override {
    std::lock_guard lock(mutex_);
    auto it = buffers_.find(sample.id);
    if (it == buffers_.end()) return;
    // A buffer still attached to a source cannot be deleted.
    for (int i = 0; i < kVoices; ++i) {
      if (voiceSample_[i] != sample.id) continue;
      alSourceStop(sources_[i]);
      alSourcei(sources_[i], AL_BUFFER, 0);
      voiceSample_[i] = 0;
    }
    alDeleteBuffers(1, &it->second);
    buffers_.erase(it);
  }

  Voice Play(SampleId sample, int volume) override { return Start(sample, volume, nullptr, nullptr); }

  Voice Play3D(SampleId sample, int volume, const math::Vec3& position, const math::Vec3& velocity) override {
    return Start(sample, volume, &position, &velocity);
  }

  bool IsPlaying(Voice voice) override {
    std::lock_guard lock(mutex_);
    const int i = pool_.IndexOf(voice);
    return i >= 0 && SourcePlaying(sources_[i]);
  }

  void SetVolume(Voice voice, int volume) override {
    std::lock_guard lock(mutex_);
    const int i = pool_.IndexOf(voice);
    if (i >= 0) alSourcef(sources_[i], AL_GAIN, Gain(volume));
  }

  void Stop(Voice voice) override {
    std::lock_guard lock(mutex_);
    const int i = pool_.IndexOf(voice);
    if (i >= 0) alSourceStop(sources_[i]);
  }

  StreamId OpenStream(std::string_view gamePath) override {
    std::unique_ptr<sound::Reader> reader = sound::OpenSound(files_, gamePath);
    if (!reader) return {};
    auto stream = std::make_unique<Stream>();
    stream->reader = std::move(reader);
    std::lock_guard lock(mutex_);
    alGenSources(1, &stream->source);
    alGenBuffers(kStreamBuffers, stream->buffers.data());
    alSourcei(stream->source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(stream->source, AL_ROLLOFF_FACTOR, 0.0f);
    const StreamId id{nextStream_++};
    streams_[id.id] = std::move(stream);
    return id;
  }

  void PlayStream(StreamId id, bool loop, int volume) override {
    std::lock_guard lock(mutex_);
    Stream* stream = Find(id);
    if (stream == nullptr) return;
    alSourcef(stream->source, AL_GAIN, Gain(volume));
    stream->loop = loop;
    if (!stream->playing) stream->Start();
  }

  void StopStream(StreamId id) override {
    std::lock_guard lock(mutex_);
    if (Stream* stream = Find(id)) stream->Stop();
  }

  void CloseStream(StreamId id) override {
    std::lock_guard lock(mutex_);
    auto it = streams_.find(id.id);
    if (it == streams_.end()) return;
    DeleteStream(*it->second);
    streams_.erase(it);
  }

 private:
  Voice Start(SampleId sample, int volume, const math::Vec3* position, const math::Vec3* velocity) {
    std::lock_guard lock(mutex_);
    auto it = buffers_.find(sample.id);
    if (it == buffers_.end()) return {};
    const Voice voice = pool_.Acquire([this](int i) { return SourcePlaying(sources_[i]); });
    const int i = pool_.IndexOf(voice);
    const ALuint s = sources_[i];
    alSourceStop(s);
    alSourcei(s, AL_BUFFER, static_cast<ALint>(it->second));
    alSourcei(s, AL_LOOPING, AL_FALSE);
    alSourcef(s, AL_GAIN, Gain(volume));
    if (position != nullptr) {
      alSourcei(s, AL_SOURCE_RELATIVE, AL_FALSE);
      alSourcef(s, AL_ROLLOFF_FACTOR, 1.0f);
      SetVector(s, AL_POSITION, *position);
      SetVector(s, AL_VELOCITY, *velocity);
    } else {
      // Flat: at the listener, so no direction, distance or Doppler applies.
      alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
      alSourcef(s, AL_ROLLOFF_FACTOR, 0.0f);
      alSource3f(s, AL_POSITION, 0.0f, 0.0f, 0.0f);
      alSource3f(s, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
    }
    alSourcePlay(s);
    voiceSample_[i] = sample.id;
    return voice;
  }

  Stream* Find(StreamId id) {
    auto it = streams_.find(id.id);
    return it == streams_.end() ? nullptr : it->second.get();
  }

  static void DeleteStream(Stream& stream) {
    stream.Stop();
    alDeleteSources(1, &stream.source);
    alDeleteBuffers(kStreamBuffers, stream.buffers.data());
  }

  void FeedLoop() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
      for (auto& [id, stream] : streams_) stream->Feed();
      wake_.wait_for(lock, kFeedInterval, [this] { return quit_; });
    }
  }

  FileSystem files_;
  ALCdevice* device_;
  ALCcontext* context_;
  LPALCRENDERSAMPLESSOFT render_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool quit_ = false;
  std::thread feeder_;
  VoicePool pool_;
  std::array<ALuint, kVoices> sources_{};
  std::array<uint32_t, kVoices> voiceSample_{};  // the sample each voice last started, 0 for none
  std::map<uint32_t, ALuint> buffers_;
  uint32_t nextSample_ = 1;
  std::map<uint32_t, std::unique_ptr<Stream>> streams_;
  uint32_t nextStream_ = 1;
};

// Without a device: samples and music are still read, so damaged files are reported, but nothing plays.
class SilentAudio final : public Audio {
 public:
  explicit SilentAudio(const FileSystem& files) : files_(files) {}
  void SetDopplerFactor(float) override {}
  void SetListener(const math::Vec3&, const math::Vec3&, const math::Vec3&, const math::Vec3&) override {}
  SampleId LoadSample(std::string_view gamePath) override {
    sound::DecodedSound decoded;
    return sound::LoadSound(files_, gamePath, decoded) ? SampleId{next_++} : SampleId{};
  }
  void FreeSample(SampleId) override {}
  Voice Play(SampleId, int) override { return {}; }
  Voice Play3D(SampleId, int, const math::Vec3&, const math::Vec3&) override { return {}; }
  bool IsPlaying(Voice) override { return false; }
  void SetVolume(Voice, int) override {}
  void Stop(Voice) override {}
  StreamId OpenStream(std::string_view gamePath) override {
    return sound::OpenSound(files_, gamePath) ? StreamId{next_++} : StreamId{};
  }
  void PlayStream(StreamId, bool, int) override {}
  void StopStream(StreamId) override {}
  void CloseStream(StreamId) override {}

 private:
  FileSystem files_;
  uint32_t next_ = 1;
};

std::unique_ptr<Audio> Silent(const FileSystem& files, const char* why) {
  std::cerr << "sound: " << why << "; the game runs silent" << std::endl;
  return std::make_unique<SilentAudio>(files);
}

// OpenAL Soft names the device behind its "null" driver "No Output".
bool IsNullOutput(ALCdevice* device) {
  if (alcIsExtensionPresent(nullptr, "ALC_ENUMERATE_ALL_EXT") != ALC_TRUE) return false;
  const ALCchar* name = alcGetString(device, ALC_ALL_DEVICES_SPECIFIER);
  return name != nullptr && std::strcmp(name, "No Output") == 0;
}

}  // namespace

std::unique_ptr<Audio> CreateOpenAlAudio(const FileSystem& files) {
  if (g_openAlAlive) return Silent(files, "an OpenAL audio service exists already");
  ALCdevice* device = alcOpenDevice(nullptr);
  if (device == nullptr) return Silent(files, "no sound device found");
  ALCcontext* context = alcCreateContext(device, kNoSends);
  if (context == nullptr) {
    alcCloseDevice(device);
    return Silent(files, "the sound device could not be set up");
  }
  if (IsNullOutput(device))
    std::cerr << "sound: OpenAL plays to its null output (no sound device); the game runs silent"
              << std::endl;
  return std::make_unique<OpenAlAudio>(files, device, context, nullptr);
}

std::unique_ptr<LoopbackAudio> CreateLoopbackAudio(const FileSystem& files, std::string* error) {
  auto fail = [error](const char* why) -> std::unique_ptr<LoopbackAudio> {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  if (g_openAlAlive) return fail("an OpenAL audio service exists already");
  if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) return fail("no ALC_SOFT_loopback");
  auto open =
      reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
  auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
  if (open == nullptr || render == nullptr) return fail("the loopback functions are missing");
  ALCdevice* device = open(nullptr);
  if (device == nullptr) return fail("no loopback device");
  const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                               ALC_STEREO_SOFT,
                               ALC_FORMAT_TYPE_SOFT,
                               ALC_SHORT_SOFT,
                               ALC_FREQUENCY,
                               LoopbackAudio::kRate,
                               ALC_HRTF_SOFT,
                               ALC_FALSE,
                               kNoSends[0],
                               kNoSends[1],
                               0};
  ALCcontext* context = alcCreateContext(device, attributes);
  if (context == nullptr) {
    alcCloseDevice(device);
    return fail("the loopback device refused 16-bit stereo at 44100 Hz");
  }
  return std::make_unique<OpenAlAudio>(files, device, context, render);
}

}  // namespace plat
