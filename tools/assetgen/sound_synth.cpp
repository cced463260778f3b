// Sound voices and the libsndfile writers of the generator.
#include "sound_synth.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "images.h"

namespace assetgen {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Envelope shared by the voices: linear attack, exponential decay (none for tau <= 0), and a linear fade to
// zero over the last tenth of the voice.
double Envelope(double t, double length, double attack, double tau) {
  double e = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
  if (tau > 0.0) e *= std::exp(-t / tau);
  const double tail = 0.1 * length;
  if (t > length - tail) e *= std::max(0.0, (length - t) / tail);
  return e;
}

double Glide(double f0, double f1, double t, double length) {
  return f0 * std::pow(f1 / f0, t / length);
}

// Writes into a growing byte vector: libsndfile seeks back to finish headers.
struct MemorySink {
  std::vector<uint8_t> bytes;
  sf_count_t position = 0;
};

sf_count_t SinkLength(void* user) {
  return static_cast<sf_count_t>(static_cast<MemorySink*>(user)->bytes.size());
}

sf_count_t SinkSeek(sf_count_t offset, int whence, void* user) {
  auto* sink = static_cast<MemorySink*>(user);
  sf_count_t base = whence == SEEK_CUR ? sink->position : whence == SEEK_END ? SinkLength(user) : 0;
  if (base + offset < 0) return -1;
  sink->position = base + offset;
  return sink->position;
}

sf_count_t SinkRead(void* out, sf_count_t count, void* user) {
  auto* sink = static_cast<MemorySink*>(user);
  const sf_count_t n = std::clamp<sf_count_t>(SinkLength(user) - sink->position, 0, count);
  if (n > 0) std::memcpy(out, sink->bytes.data() + sink->position, static_cast<size_t>(n));
  sink->position += n;
  return n;
}

sf_count_t SinkWrite(const void* data, sf_count_t count, void* user) {
  auto* sink = static_cast<MemorySink*>(user);
  const auto end = static_cast<size_t>(sink->position + count);
  if (end > sink->bytes.size()) sink->bytes.resize(end);
  std::memcpy(sink->bytes.data() + sink->position, data, static_cast<size_t>(count));
  sink->position += count;
  return count;
}

sf_count_t SinkTell(void* user) {
  return static_cast<MemorySink*>(user)->position;
}

}  // namespace

float Noise::Next() {
  state_ = state_ * 1664525u + 1013904223u;
  return static_cast<float>(static_cast<int32_t>(state_)) / 2147483648.0f;
}

double NoteHz(int note) {
  return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

SoundBuffer::SoundBuffer(double seconds, bool loops)
    : samples(static_cast<size_t>(std::llround(seconds * kSoundRate))), loops(loops) {}

void SoundBuffer::Add(int64_t i, float v) {
  const auto n = static_cast<int64_t>(samples.size());
  if (i < 0 || n == 0) return;
  if (i >= n) {
    if (!loops) return;
    i %= n;
  }
  samples[static_cast<size_t>(i)] += v;
}

void SoundBuffer::Normalise(float peak) {
  float largest = 0.0f;
  for (float s : samples) largest = std::max(largest, std::fabs(s));
  if (largest <= 0.0f) return;
  for (float& s : samples) s *= peak / largest;
}

void SoundBuffer::FadeEnds(double seconds) {
  const auto n = std::min(samples.size() / 2, static_cast<size_t>(seconds * kSoundRate));
  for (size_t i = 0; i < n; ++i) {
    const float g = static_cast<float>(i) / static_cast<float>(n);
    samples[i] *= g;
    samples[samples.size() - 1 - i] *= g;
  }
}

void AddTone(SoundBuffer& b, double start, double length, double f0, double f1, double tau, float amp,
             float harmonics) {
  const auto first = static_cast<int64_t>(std::llround(start * kSoundRate));
  const auto count = static_cast<int64_t>(length * kSoundRate);
  double phase = 0.0;
  for (int64_t k = 0; k < count; ++k) {
    const double t = static_cast<double>(k) / kSoundRate;
    const double wave =
        std::sin(phase) + harmonics * std::sin(2.0 * phase) + harmonics * 0.35 * std::sin(3.0 * phase);
    b.Add(first + k, amp * static_cast<float>(wave * Envelope(t, length, 0.005, tau)));
    phase += kTwoPi * Glide(f0, f1, t, length) / kSoundRate;
  }
}

void AddBuzz(SoundBuffer& b, double start, double length, double f0, double f1, double tau, float amp) {
  const auto first = static_cast<int64_t>(std::llround(start * kSoundRate));
  const auto count = static_cast<int64_t>(length * kSoundRate);
  double phase = 0.0;
  for (int64_t k = 0; k < count; ++k) {
    const double t = static_cast<double>(k) / kSoundRate;
    double wave = 0.0;
    for (int h = 1; h <= 8; ++h) wave += std::sin(h * phase) / h;
    b.Add(first + k, amp * static_cast<float>(0.6 * wave * Envelope(t, length, 0.005, tau)));
    phase += kTwoPi * Glide(f0, f1, t, length) / kSoundRate;
  }
}

void AddNoise(SoundBuffer& b, Noise& noise, double start, double length, double c0, double c1, double tau,
              float amp, bool highPass, double swell) {
  const auto first = static_cast<int64_t>(std::llround(start * kSoundRate));
  const auto count = static_cast<int64_t>(length * kSoundRate);
  double low = 0.0;
  for (int64_t k = 0; k < count; ++k) {
    const double t = static_cast<double>(k) / kSoundRate;
    const double a = 1.0 - std::exp(-kTwoPi * Glide(c0, c1, t, length) / kSoundRate);
    const double raw = noise.Next();
    low += a * (raw - low);
    const double v = highPass ? raw - low : low;
    b.Add(first + k, amp * static_cast<float>(v * Envelope(t, length, swell, tau)));
  }
}

bool WriteSound(const std::filesystem::path& assetsRoot, const std::string& relative, const SoundBuffer& b) {
  const std::filesystem::path path = assetsRoot / relative;
  const bool mp3 = path.extension() == ".mp3";
  SF_INFO info{};
  info.samplerate = kSoundRate;
  info.channels = 1;
  info.format = mp3 ? (SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III) : (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  if (!sf_format_check(&info)) {
    std::fprintf(stderr, "assetgen: %s: this libsndfile cannot write %s\n", path.c_str(),
                 mp3 ? "MP3" : "WAV");
    return false;
  }
  MemorySink sink;
  SF_VIRTUAL_IO io{SinkLength, SinkSeek, SinkRead, SinkWrite, SinkTell};
  SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &sink);
  if (file == nullptr) {
    std::fprintf(stderr, "assetgen: %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  std::vector<short> pcm(b.samples.size());
  for (size_t i = 0; i < pcm.size(); ++i)
    pcm[i] = static_cast<short>(std::lround(std::clamp(b.samples[i], -1.0f, 1.0f) * 32767.0f));
  const sf_count_t written = sf_writef_short(file, pcm.data(), static_cast<sf_count_t>(pcm.size()));
  sf_close(file);
  if (written != static_cast<sf_count_t>(pcm.size())) {
    std::fprintf(stderr, "assetgen: %s: short write\n", path.c_str());
    return false;
  }
  std::string error;
  if (!WriteIfChanged(path, sink.bytes, &error)) {
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return false;
  }
  return true;
}

}  // namespace assetgen
