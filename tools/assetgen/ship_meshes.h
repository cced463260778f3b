// The player's side of the generated art: the KV01 ship's hull and engine meshes, the aiming reticle, the
// helper drone and their textures.
#pragma once

#include <filesystem>

namespace assetgen {

// Writes KV01_Hull.X, KV01_Engine.X, KV01.bmp, Ret.X, Ret.bmp and Helper.X into <Assets>/Art. False after
// reporting a failure on stderr.
bool WriteShipMeshes(const std::filesystem::path& assetsRoot);

}  // namespace assetgen
