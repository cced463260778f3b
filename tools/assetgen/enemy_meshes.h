// The fighters' and meteors' generated art: the Psycho gunship, the Dread cruiser, the Dirt drone, four
// meteors and the enemy texture.
#pragma once

#include <filesystem>

namespace assetgen {

// Writes tex_enemy.bmp, Psycho.X, Dread.X, Dirt.X, MeteorM_A.X, MeteorM_B.X, MeteorL_A.X and MeteorL_B.X
// into <Assets>/Art. False after reporting a failure on stderr.
bool WriteEnemyMeshes(const std::filesystem::path& assetsRoot);

}  // namespace assetgen
