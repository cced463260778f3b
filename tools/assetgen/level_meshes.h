// The level's generated art: scenery meshes (rocks, pylon, beacon, ground plates, ring) with their textures,
// and the meshes of the models the level loader preloads (shots, enemies, power-ups).
#pragma once

#include <filesystem>

namespace assetgen {

// Writes the scenery and preload meshes and tex_rock.bmp, tex_ground.bmp into <Assets>/Art. False after
// reporting a failure on stderr.
bool WriteLevelMeshes(const std::filesystem::path& assetsRoot);

}  // namespace assetgen
