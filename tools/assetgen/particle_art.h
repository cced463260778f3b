// The generated point-sprite textures of the particle effects: white, with the glow in the alpha channel.
#pragma once

#include <filesystem>

#include "images.h"

namespace assetgen {

// 64x64, white; alpha a bright round core falling off to 0 at the rim (explosions, beams, streaks, warp).
Picture SparkPicture();
// 64x64, white; alpha a softer and wider Gaussian glow, 0 at the rim (exhausts, glows, sprays, rings).
Picture SoftGlowPicture();

// Writes "Texture1.dds" and "Texture3.dds" into <Assets>/Art. False after reporting a failure on stderr.
bool WriteParticleArt(const std::filesystem::path& assetsRoot);

}  // namespace assetgen
