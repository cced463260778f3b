// Sound file reading through libsndfile: the memory and file sources, the mono mix-down, looping.
#include "platform/sound_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>

namespace plat::sound {

namespace {

// Frames read from the library per call; the interleaved buffer holds this many frames of every channel.
constexpr size_t kChunkFrames = 4096;

// A byte span seen by the library as a read-only file.
struct MemorySource {
  std::span<const uint8_t> bytes;
  sf_count_t position = 0;
};

sf_count_t MemoryLength(void* user) {
  return static_cast<sf_count_t>(static_cast<MemorySource*>(user)->bytes.size());
}

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
  auto* source = static_cast<MemorySource*>(user);
  const auto size = static_cast<sf_count_t>(source->bytes.size());
  sf_count_t base = 0;
  if (whence == SEEK_CUR) base = source->position;
  if (whence == SEEK_END) base = size;
  // Offsets from a damaged header can be anything; the position stays within the bytes.
  if (offset > size || offset < -size) return -1;
  const sf_count_t target = base + offset;
  if (target < 0 || target > size) return -1;
  source->position = target;
  return target;
}

sf_count_t MemoryRead(void* out, sf_count_t count, void* user) {
  auto* source = static_cast<MemorySource*>(user);
  const auto size = static_cast<sf_count_t>(source->bytes.size());
  const sf_count_t n = std::clamp<sf_count_t>(size - source->position, 0, std::max<sf_count_t>(count, 0));
  if (n > 0) std::memcpy(out, source->bytes.data() + source->position, static_cast<size_t>(n));
  source->position += n;
  return n;
}

sf_count_t MemoryWrite(const void*, sf_count_t, void*) {
  return 0;
}

sf_count_t MemoryTell(void* user) {
  return static_cast<MemorySource*>(user)->position;
}

// Full scale is -1..1 whatever the file holds; beyond it clips, and a NaN (from a float file) is silence.
int16_t ToPcm16(float v) {
  if (!(v >= -1.0f)) return v < 0.0f ? int16_t{-32768} : int16_t{0};
  if (!(v < 1.0f)) return 32767;
  return static_cast<int16_t>(std::min(32767L, std::lrintf(v * 32768.0f)));
}

}  // namespace

struct Reader::Impl {
  ~Impl() {
    if (file != nullptr) sf_close(file);
  }
  SNDFILE* file = nullptr;
  ReadOnlyFile source;  // closed after the library lets go of it
  SF_INFO info{};
  MemorySource memory;
  SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
  std::vector<float> interleaved;
};

namespace {

// Checks what the header says against the limits; the library has opened the file.
bool Accept(SNDFILE* file, const SF_INFO& info, std::string* error) {
  if (file == nullptr) {
    if (error) *error = std::string("not a sound file it can read (") + sf_strerror(nullptr) + ")";
    return false;
  }
  if (info.channels < 1 || info.channels > kMaxChannels) {
    if (error) *error = "unsupported channel count " + std::to_string(info.channels);
    return false;
  }
  if (info.samplerate < kMinSampleRate || info.samplerate > kMaxSampleRate) {
    if (error) *error = "unsupported sample rate " + std::to_string(info.samplerate);
    return false;
  }
  return true;
}

}  // namespace

Reader::Reader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
  impl_->interleaved.resize(kChunkFrames * static_cast<size_t>(impl_->info.channels));
}

Reader::~Reader() = default;

std::unique_ptr<Reader> Reader::OpenFile(ReadOnlyFile file, std::string* error) {
  auto impl = std::make_unique<Impl>();
  impl->source = std::move(file);
  impl->file = sf_open_fd(impl->source.Descriptor(), SFM_READ, &impl->info, SF_FALSE);
  if (!Accept(impl->file, impl->info, error)) return nullptr;
  return std::unique_ptr<Reader>(new Reader(std::move(impl)));
}

std::unique_ptr<Reader> Reader::OpenMemory(std::span<const uint8_t> bytes, std::string* error) {
  auto impl = std::make_unique<Impl>();
  impl->memory.bytes = bytes;
  impl->file = sf_open_virtual(&impl->io, SFM_READ, &impl->info, &impl->memory);
  if (!Accept(impl->file, impl->info, error)) return nullptr;
  return std::unique_ptr<Reader>(new Reader(std::move(impl)));
}

int Reader::SampleRate() const {
  return impl_->info.samplerate;
}

size_t Reader::ReadOnce(int16_t* out, size_t frames) {
  const auto channels = static_cast<size_t>(impl_->info.channels);
  const size_t want = std::min(frames, kChunkFrames);
  // Read as floats, so every format arrives on the same scale (a float file is not rescaled when read as
  // integers).
  const sf_count_t got =
      sf_readf_float(impl_->file, impl_->interleaved.data(), static_cast<sf_count_t>(want));
  if (got <= 0) return 0;
  const auto n = std::min(static_cast<size_t>(got), want);
  for (size_t f = 0; f < n; ++f) {
    float sum = 0.0f;
    for (size_t c = 0; c < channels; ++c) sum += impl_->interleaved[f * channels + c];
    out[f] = ToPcm16(sum / static_cast<float>(channels));
  }
  return n;
}

size_t Reader::Read(int16_t* out, size_t frames, bool loop) {
  size_t done = 0;
  bool justRewound = false;
  while (done < frames) {
    const size_t n = ReadOnce(out + done, frames - done);
    if (n > 0) {
      done += n;
      justRewound = false;
      continue;
    }
    // A file that yields nothing right after a rewind would loop forever without progress.
    if (!loop || justRewound || sf_seek(impl_->file, 0, SEEK_SET) != 0) break;
    justRewound = true;
  }
  return done;
}

int DecodedSound::DurationMs() const {
  if (sampleRate <= 0) return 0;
  return static_cast<int>(static_cast<int64_t>(samples.size()) * 1000 / sampleRate);
}

bool Decode(std::span<const uint8_t> bytes, DecodedSound& out, std::string* error) {
  out = DecodedSound{};
  std::unique_ptr<Reader> reader = Reader::OpenMemory(bytes, error);
  if (!reader) return false;
  std::vector<int16_t> samples;
  for (;;) {
    const size_t start = samples.size();
    samples.resize(start + kChunkFrames);
    const size_t n = reader->Read(samples.data() + start, kChunkFrames, false);
    samples.resize(start + n);
    if (n == 0) break;
    if (samples.size() > kMaxSampleFrames) {
      if (error) *error = "longer than " + std::to_string(kMaxSampleFrames) + " frames";
      return false;
    }
  }
  if (samples.empty()) {
    if (error) *error = "no audio data";
    return false;
  }
  out.sampleRate = reader->SampleRate();
  out.samples = std::move(samples);
  return true;
}

bool LoadSound(const FileSystem& files, std::string_view gamePath, DecodedSound& out) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (files.ReadAll(gamePath, bytes, kMaxSampleFileBytes, &error) && Decode(bytes, out, &error)) return true;
  std::cerr << gamePath << ": cannot load the sound: " << error << std::endl;
  return false;
}

std::unique_ptr<Reader> OpenSound(const FileSystem& files, std::string_view gamePath) {
  std::string error;
  ReadOnlyFile file = files.Open(gamePath, kAnySize, &error);
  std::unique_ptr<Reader> reader = file ? Reader::OpenFile(std::move(file), &error) : nullptr;
  if (!reader) std::cerr << gamePath << ": cannot open the sound: " << error << std::endl;
  return reader;
}

}  // namespace plat::sound
