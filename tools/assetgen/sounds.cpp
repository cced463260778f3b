// The twelve effect sounds, synthesised, and the writer of every sound file.
#include "sounds.h"

#include <cstdio>

namespace assetgen {

namespace {

// Peak of every effect: loud, with room below full scale.
constexpr float kEffectPeak = 0.8f;

SoundBuffer Explode() {
  SoundBuffer b(0.9);
  Noise noise(11);
  AddNoise(b, noise, 0.0, 0.9, 5000.0, 300.0, 0.22, 1.0f, false, 0.002);
  AddTone(b, 0.0, 0.6, 90.0, 35.0, 0.15, 1.2f, 0.1f);  // the low thump
  return b;
}

SoundBuffer BeamGun() {
  SoundBuffer b(0.12);
  AddBuzz(b, 0.0, 0.12, 2200.0, 350.0, 0.05, 1.0f);
  return b;
}

SoundBuffer RayCannon() {
  SoundBuffer b(0.8);
  Noise noise(23);
  AddBuzz(b, 0.0, 0.8, 520.0, 70.0, 0.35, 1.0f);
  AddBuzz(b, 0.0, 0.8, 780.0, 105.0, 0.25, 0.5f);
  AddNoise(b, noise, 0.0, 0.8, 6000.0, 800.0, 0.3, 0.5f);
  return b;
}

SoundBuffer SpreadShot() {
  SoundBuffer b(0.2);
  for (int i = 0; i < 3; ++i) AddTone(b, 0.065 * i, 0.07, 1100.0 + 250.0 * i, 2200.0 + 300.0 * i, 0.03, 1.0f);
  return b;
}

SoundBuffer Missile() {
  SoundBuffer b(0.5);
  Noise noise(31);
  AddNoise(b, noise, 0.0, 0.5, 300.0, 4000.0, 0.0, 1.0f, false, 0.2);
  AddTone(b, 0.0, 0.5, 200.0, 700.0, 0.3, 0.2f, 0.5f);
  return b;
}

SoundBuffer MissileBomb() {
  SoundBuffer b(0.6);
  Noise noise(37);
  AddNoise(b, noise, 0.0, 0.6, 200.0, 2000.0, 0.0, 1.0f, false, 0.25);
  AddTone(b, 0.0, 0.35, 110.0, 40.0, 0.1, 1.3f, 0.1f);  // the thud
  return b;
}

SoundBuffer RailGun() {
  SoundBuffer b(0.5);
  Noise noise(41);
  AddNoise(b, noise, 0.0, 0.03, 9000.0, 9000.0, 0.006, 1.2f, true, 0.0005);  // the crack
  // Inharmonic partials ring like struck metal.
  const double partials[] = {1230.0, 1847.0, 2690.0, 3417.0};
  for (int i = 0; i < 4; ++i)
    AddTone(b, 0.002, 0.498, partials[i], partials[i] * 0.98, 0.14 - 0.02 * i, 0.35f, 0.0f);
  return b;
}

SoundBuffer Enter() {
  SoundBuffer b(0.2);
  AddTone(b, 0.0, 0.09, NoteHz(81), NoteHz(81), 0.08, 1.0f, 0.5f);
  AddTone(b, 0.09, 0.11, NoteHz(88), NoteHz(88), 0.08, 1.0f, 0.5f);
  return b;
}

SoundBuffer Exit() {
  SoundBuffer b(0.5);
  AddTone(b, 0.0, 0.2, NoteHz(76), NoteHz(76), 0.15, 1.0f, 0.4f);
  AddTone(b, 0.2, 0.3, NoteHz(69), NoteHz(69), 0.15, 1.0f, 0.4f);
  return b;
}

SoundBuffer Cursor() {
  SoundBuffer b(0.04);
  AddTone(b, 0.0, 0.04, 1900.0, 1700.0, 0.008, 1.0f, 0.2f);
  return b;
}

SoundBuffer Alert() {
  SoundBuffer b(1.5);
  for (int i = 0; i < 6; ++i) {
    const double f = i % 2 == 0 ? 700.0 : 950.0;
    AddBuzz(b, 0.25 * i, 0.24, f, f, 0.0, 1.0f);
  }
  return b;
}

SoundBuffer BigLaser() {
  // Longer than the three seconds a boss cannon charges.
  SoundBuffer b(3.2);
  AddBuzz(b, 0.0, 3.2, 70.0, 150.0, 0.0, 1.0f);
  AddTone(b, 0.0, 3.2, 140.0, 300.0, 0.0, 0.6f, 0.2f);
  AddTone(b, 0.0, 3.2, 143.0, 306.0, 0.0, 0.4f, 0.0f);  // slightly detuned: a slow beat in the hum
  return b;
}

struct Effect {
  const char* file;
  SoundBuffer (*make)();
};
const Effect kEffects[] = {
    {"Explode.wav", Explode},       {"BeamGun.wav", BeamGun}, {"RayCannon.wav", RayCannon},
    {"SpreadShot.wav", SpreadShot}, {"Missile.wav", Missile}, {"MissileBomb.wav", MissileBomb},
    {"RailGun.wav", RailGun},       {"Enter.wav", Enter},     {"Exit.mp3", Exit},
    {"Cursor.wav", Cursor},         {"Alert.wav", Alert},     {"BigLaser.wav", BigLaser},
};

}  // namespace

SoundBuffer EffectSound(const std::string& file) {
  for (const Effect& e : kEffects) {
    if (file != e.file) continue;
    SoundBuffer b = e.make();
    b.Normalise(kEffectPeak);
    b.FadeEnds(0.002);
    return b;
  }
  return SoundBuffer(0.0);
}

bool WriteSounds(const std::filesystem::path& assetsRoot) {
  for (const Effect& e : kEffects) {
    if (!WriteSound(assetsRoot, std::string("Sounds/") + e.file, EffectSound(e.file))) return false;
  }
  for (const char* file : {"Intro.mp3", "Level1.mp3", "Boss.mp3"}) {
    if (!WriteSound(assetsRoot, std::string("Sounds/") + file, MusicTrack(file))) return false;
  }
  return true;
}

}  // namespace assetgen
