// The sound system on the platform's audio service.
#include "app/sound_system.h"

#include "app/timer.h"

const char* const SoundSystem::kSlotFiles[kSlotCount] = {
    "Assets/Sounds/Explode.wav",    "Assets/Sounds/BeamGun.wav", "Assets/Sounds/RayCannon.wav",
    "Assets/Sounds/SpreadShot.wav", "Assets/Sounds/Missile.wav", "Assets/Sounds/MissileBomb.wav",
    "Assets/Sounds/RailGun.wav",    "Assets/Sounds/Enter.wav",   "Assets/Sounds/Exit.mp3",
    "Assets/Sounds/Cursor.wav",     "Assets/Sounds/Alert.wav",   "Assets/Sounds/BigLaser.wav",
};

namespace {

math::Vec3 ToVec3(const float v[3]) {
  return {v[0], v[1], v[2]};
}

}  // namespace

SoundSystem::SoundSystem(plat::Audio& a) : audio(a) {
  audio.SetDopplerFactor(kDopplerFactor);
  for (int i = 0; i < kSlotCount; ++i) slots[i].sample = audio.LoadSample(kSlotFiles[i]);
}

SoundSystem::~SoundSystem() {
  StopMusic();
  for (SoundSlot& slot : slots) audio.FreeSample(slot.sample);
}

SoundSlot* SoundSystem::GetSlot(int slot) {
  return slot >= 0 && slot < kSlotCount ? &slots[slot] : nullptr;
}

void SoundSystem::Play(SoundSlot* slot) {
  if (slot == nullptr) return;
  slot->channel = audio.Play(slot->sample, kVolume);
}

void SoundSystem::Play3D(SoundSlot* slot, const float position[3], const float velocity[3]) {
  if (slot == nullptr) return;
  for (int i = 0; i < 3; ++i) {
    soundPosition[i] = position[i];
    soundVelocity[i] = velocity[i];
  }
  slot->channel = audio.Play3D(slot->sample, kVolume, ToVec3(soundPosition), ToVec3(soundVelocity));
}

bool SoundSystem::IsPlaying(SoundSlot* slot) {
  return slot != nullptr && audio.IsPlaying(slot->channel);
}

void SoundSystem::SetVolume(SoundSlot* slot, int volume) {
  if (slot != nullptr) audio.SetVolume(slot->channel, volume);
}

void SoundSystem::Stop(SoundSlot* slot) {
  if (slot != nullptr) audio.Stop(slot->channel);
}

void SoundSystem::SetListener(float x, float y, float z) {
  // Displacement times frame seconds, not per second: the sounds were tuned with this (near-zero) velocity.
  const float t = Timer().GetFrameSeconds();
  const float position[3] = {x, y, z};
  for (int i = 0; i < 3; ++i) {
    listenerPosition[i] = position[i];
    listenerVelocity[i] = (listenerPosition[i] - listenerPrevious[i]) * t;
  }
  audio.SetListener(ToVec3(listenerPosition), ToVec3(listenerVelocity), {0.0f, 0.0f, 1.0f},
                    {0.0f, 1.0f, 0.0f});
  for (int i = 0; i < 3; ++i) listenerPrevious[i] = listenerPosition[i];
}

void SoundSystem::PlayMusic(const char* file, bool loop) {
  StopMusic();
  music = audio.OpenStream(file);
  if (music) audio.PlayStream(music, loop, kVolume);
}

void SoundSystem::StopMusic() {
  // With no music open (none started, or its file could not be opened) there is nothing to stop.
  if (!music) return;
  audio.StopStream(music);
  audio.CloseStream(music);
  music = {};
}
