// The generated sky art: the level sky, the star layer blended over it and the black sky.
#pragma once

#include <filesystem>

#include "images.h"

namespace assetgen {

// 512x512 deep-space nebula: violet in the middle fading to one uniform near-black colour that fills the
// whole border ring, so six copies on the cube's faces meet without seams.
Picture LevelSkyPicture();
// 512x512 with real alpha: transparent background, stars of alpha 1 and two faint nebula clouds (alpha at
// most 0.35), nothing within 8 pixels of the edges.
Picture StarSkyPicture();
// 8x8 opaque black.
Picture BlackSkyPicture();

// Writes "skybox_level1.jpg", "Sky.dds" and "black.jpg" into <Assets>/Art. False after reporting a failure
// on stderr.
bool WriteSkyArt(const std::filesystem::path& assetsRoot);

}  // namespace assetgen
