// The game's sound: twelve effect samples in fixed slots played flat or in space, the listener at the
// player's ship, and one streamed music track at a time.
#pragma once

#include "platform/audio.h"

// The effect slots, by the sound each holds.
enum SoundSlotId {
  kSoundExplode = 0,
  kSoundBeamGun = 1,
  kSoundRayCannon = 2,
  kSoundSpreadShot = 3,
  kSoundMissile = 4,
  kSoundMissileBomb = 5,
  kSoundRailGun = 6,
  kSoundEnter = 7,
  kSoundExit = 8,
  kSoundCursor = 9,
  kSoundAlert = 10,
  kSoundBigLaser = 11,
};

constexpr const char* kIntroMusic = "Assets/Sounds/Intro.mp3";
constexpr const char* kLevelMusic = "Assets/Sounds/Level1.mp3";
constexpr const char* kBossMusic = "Assets/Sounds/Boss.mp3";

// One loaded effect.
struct SoundSlot {
  plat::SampleId sample;  // empty when the file could not be loaded: plays of it do nothing
  plat::Voice channel;    // the latest play of this slot: the one IsPlaying, SetVolume and Stop address
};

class SoundSystem {
 public:
  static constexpr int kSlotCount = 12;
  static constexpr int kVolume = 150;
  static constexpr float kDopplerFactor = 3.0f;
  static const char* const kSlotFiles[kSlotCount];

  // Sets the Doppler factor and loads the twelve samples.
  explicit SoundSystem(plat::Audio& audio);
  // Closes the music and frees the samples.
  ~SoundSystem();
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  // Slot 0 to 11; null outside.
  SoundSlot* GetSlot(int slot);

  // One-shot plays at volume 150. The calls below do nothing for a null slot, and once another sound has
  // taken the slot's voice, nothing for that slot either.
  void Play(SoundSlot* slot);
  void Play3D(SoundSlot* slot, const float position[3], const float velocity[3]);
  bool IsPlaying(SoundSlot* slot);
  // 0 to 255; more is clamped.
  void SetVolume(SoundSlot* slot, int volume);
  void Stop(SoundSlot* slot);

  // Places the listener, facing the world's +Z with +Y up. Its velocity is the displacement since the
  // previous call times the frame's seconds (the first call measures from the origin).
  void SetListener(float x, float y, float z);

  // Stops and closes the current music, then opens the file and plays it at volume 150; a file that cannot
  // be opened leaves no music.
  void PlayMusic(const char* file, bool loop);
  // Stops and closes the current music, if there is any.
  void StopMusic();

  SoundSlot slots[kSlotCount];
  plat::StreamId music;
  float soundPosition[3] = {0.0f, 0.0f, 0.0f};
  float soundVelocity[3] = {0.0f, 0.0f, 0.0f};
  float listenerPosition[3] = {0.0f, 0.0f, 0.0f};
  float listenerVelocity[3] = {0.0f, 0.0f, 0.0f};
  float listenerPrevious[3] = {0.0f, 0.0f, 0.0f};

 private:
  plat::Audio& audio;
};
