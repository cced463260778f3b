// The three music tracks: whole bars rendered into looping buffers, so tails that run past the end sound at
// the start and the loop joins without a break.
#include <cmath>

#include "sounds.h"

namespace assetgen {

namespace {

constexpr float kMusicPeak = 0.8f;

void Kick(SoundBuffer& b, double t, float amp) {
  AddTone(b, t, 0.35, 150.0, 45.0, 0.12, amp, 0.0f);
}

void Snare(SoundBuffer& b, Noise& noise, double t, float amp) {
  AddNoise(b, noise, t, 0.2, 5000.0, 2500.0, 0.07, amp, true);
  AddTone(b, t, 0.12, 200.0, 160.0, 0.05, amp * 0.5f, 0.0f);
}

void Hat(SoundBuffer& b, Noise& noise, double t, float amp) {
  AddNoise(b, noise, t, 0.05, 7000.0, 7000.0, 0.012, amp, true, 0.001);
}

// A chord whose notes swell in and out over its length (zero at both ends).
void Pad(SoundBuffer& b, double t, double length, const int (&notes)[3], float amp) {
  const double kTwoPi = 6.283185307179586;
  const auto first = static_cast<int64_t>(std::llround(t * kSoundRate));
  const auto count = static_cast<int64_t>(length * kSoundRate);
  for (int64_t k = 0; k < count; ++k) {
    const double s = static_cast<double>(k) / kSoundRate;
    const double window = std::sin(kTwoPi * 0.5 * s / length);
    double v = 0.0;
    for (int n : notes)
      v += std::sin(kTwoPi * NoteHz(n) * s) + 0.5 * std::sin(kTwoPi * NoteHz(n) * 1.003 * s);
    b.Add(first + k, amp * static_cast<float>(v * window * window));
  }
}

// Calm: four chords of six seconds, each arpeggiated in quarter-second steps over a swelling pad.
SoundBuffer Intro() {
  SoundBuffer b(24.0, true);
  const int chords[4][3] = {{57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}};  // Am F C G
  const int pattern[8] = {0, 1, 2, 3, 4, 3, 2, 1};
  constexpr double kStep = 0.25;
  for (int c = 0; c < 4; ++c) {
    const double start = 6.0 * c;
    const int(&chord)[3] = chords[c];
    const int tones[5] = {chord[0], chord[1], chord[2], chord[0] + 12, chord[1] + 12};
    Pad(b, start, 6.0, chord, 0.06f);
    AddTone(b, start, 5.8, NoteHz(chord[0] - 24), NoteHz(chord[0] - 24), 2.5, 0.35f, 0.2f);
    for (int step = 0; step < 24; ++step) {
      const double f = NoteHz(tones[pattern[step % 8]] + 12);
      AddTone(b, start + kStep * step, 1.5, f, f, 0.4, step % 4 == 0 ? 0.3f : 0.22f, 0.25f);
    }
  }
  return b;
}

// Driving: 120 beats a minute, sixteen bars of kick, snare, hats and an eighth-note bass line.
SoundBuffer Level1() {
  SoundBuffer b(32.0, true);
  Noise noise(101);
  const int roots[4] = {40, 36, 38, 35};  // E C D B, four bars each
  const int line[8] = {0, 0, 12, 0, 0, 7, 12, 0};
  constexpr double kBeat = 0.5;
  for (int bar = 0; bar < 16; ++bar) {
    const double start = 4 * kBeat * bar;
    const int root = roots[bar / 4];
    for (int beat = 0; beat < 4; ++beat) {
      Kick(b, start + kBeat * beat, 1.0f);
      if (beat % 2 == 1) Snare(b, noise, start + kBeat * beat, 0.6f);
    }
    for (int eighth = 0; eighth < 8; ++eighth) {
      const double t = start + 0.5 * kBeat * eighth;
      Hat(b, noise, t, eighth % 2 == 1 ? 0.35f : 0.2f);
      const double f = NoteHz(root + line[eighth]);
      AddBuzz(b, t, 0.22, f, f, 0.15, 0.35f);
    }
    // A stab on each chord change.
    if (bar % 4 == 0) {
      for (int n : {root + 24, root + 31, root + 36})
        AddBuzz(b, start, 1.0, NoteHz(n), NoteHz(n), 0.3, 0.08f);
    }
  }
  return b;
}

// Tense: 160 beats a minute, a sixteenth-note minor riff with a chromatic step, diminished stabs.
SoundBuffer Boss() {
  SoundBuffer b(24.0, true);
  Noise noise(211);
  const int roots[4] = {40, 36, 40, 41};  // E C E F, four bars each
  const int riff[16] = {0, 0, 12, 0, 1, 0, 12, 0, 0, 0, 10, 0, 3, 2, 1, 0};
  constexpr double kBeat = 0.375;
  constexpr double kSixteenth = kBeat / 4;
  for (int bar = 0; bar < 16; ++bar) {
    const double start = 4 * kBeat * bar;
    const int root = roots[bar / 4];
    for (int beat = 0; beat < 4; ++beat) {
      Kick(b, start + kBeat * beat, 1.0f);
      if (beat % 2 == 1) Snare(b, noise, start + kBeat * beat, 0.7f);
    }
    Kick(b, start + kBeat * 2 - kSixteenth, 0.7f);
    for (int s = 0; s < 16; ++s) {
      const double t = start + kSixteenth * s;
      Hat(b, noise, t, s % 4 == 2 ? 0.3f : 0.15f);
      const double f = NoteHz(root + riff[s]);
      AddBuzz(b, t, 0.09, f, f, 0.06, 0.35f);
    }
    for (double at : {0.0, 1.5 * kBeat}) {
      for (int n : {root + 24, root + 27, root + 30})
        AddBuzz(b, start + at, 0.3, NoteHz(n), NoteHz(n), 0.1, 0.07f);
    }
  }
  return b;
}

}  // namespace

SoundBuffer MusicTrack(const std::string& file) {
  SoundBuffer b = file == "Intro.mp3"    ? Intro()
                  : file == "Level1.mp3" ? Level1()
                  : file == "Boss.mp3"   ? Boss()
                                         : SoundBuffer(0.0);
  b.Normalise(kMusicPeak);
  return b;
}

}  // namespace assetgen
