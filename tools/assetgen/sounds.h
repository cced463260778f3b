// The generated sounds: the twelve effects and the three looping music tracks, under Assets/Sounds.
#pragma once

#include <filesystem>
#include <string>

#include "sound_synth.h"

namespace assetgen {

// Each effect by file name ("Explode.wav" ... "BigLaser.wav", and "Exit.mp3").
SoundBuffer EffectSound(const std::string& file);
// "Intro.mp3" (calm arpeggio, 24 s), "Level1.mp3" (bass and drums, 32 s), "Boss.mp3" (fast minor, 24 s);
// each a whole number of bars that loops without a break.
SoundBuffer MusicTrack(const std::string& file);

// Writes every effect and track into <Assets>/Sounds. False after reporting a failure on stderr.
bool WriteSounds(const std::filesystem::path& assetsRoot);

}  // namespace assetgen
