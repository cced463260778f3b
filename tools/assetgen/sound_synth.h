// The generator's sound making: a mono buffer at 44100 Hz with the few voices the effects and the music are
// built from, mixed in place (wrapping round the end for loops), and the WAV and MP3 writers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace assetgen {

constexpr int kSoundRate = 44100;

// A repeatable noise source (the same files on every build).
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  float Next();  // -1..1

 private:
  uint32_t state_;
};

// Frequency of a MIDI note number (69 is A 440 Hz).
double NoteHz(int note);

struct SoundBuffer {
  explicit SoundBuffer(double seconds, bool loops = false);
  std::vector<float> samples;
  // A looping buffer takes what runs past its end at its start, so the loop joins without a break.
  bool loops;

  double Seconds() const { return static_cast<double>(samples.size()) / kSoundRate; }
  // Adds v at sample i: past the end it wraps when the buffer loops, else it is dropped.
  void Add(int64_t i, float v);
  // Scales the whole buffer so its largest magnitude is `peak`.
  void Normalise(float peak);
  // Linear fades over the first and the last `seconds`, so the sound starts and ends at zero.
  void FadeEnds(double seconds);
};

// Voices, each added at `start` seconds with amplitude `amp`. Pitches glide exponentially from f0 to f1.
// A tone: sine plus a little of its second and third harmonics, 5 ms attack, exponential decay with time
// constant tau, lasting `length` seconds (fading to zero over the last 10%).
void AddTone(SoundBuffer& b, double start, double length, double f0, double f1, double tau, float amp,
             float harmonics = 0.3f);
// A buzz: a band-limited sawtooth of eight harmonics, otherwise like a tone.
void AddBuzz(SoundBuffer& b, double start, double length, double f0, double f1, double tau, float amp);
// Noise through a one-pole low-pass whose cut-off glides from c0 to c1 Hz; highPass subtracts that from the
// raw noise. Envelope as for a tone; `swell` seconds of attack instead of 5 ms.
void AddNoise(SoundBuffer& b, Noise& noise, double start, double length, double c0, double c1, double tau,
              float amp, bool highPass = false, double swell = 0.005);

// The buffer as 16-bit mono WAV or MP3, written through libsndfile into assetsRoot/relative unless the file
// already holds exactly those bytes. False after reporting on stderr.
bool WriteSound(const std::filesystem::path& assetsRoot, const std::string& relative, const SoundBuffer& b);

}  // namespace assetgen
