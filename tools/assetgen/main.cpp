// Writes the game's generated assets (images, meshes, sounds) into the Assets folder given on the command
// line.
#include <cstdio>
#include <filesystem>
#include <string>

#include "boss_meshes.h"
#include "console_art.h"
#include "enemy_meshes.h"
#include "hud_art.h"
#include "images.h"
#include "level_meshes.h"
#include "menu_art.h"
#include "meshes.h"
#include "particle_art.h"
#include "ship_meshes.h"
#include "sky_art.h"
#include "sounds.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <Assets folder>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  std::error_code ec;
  for (const char* folder : {"Art", "Art/Menu Art", "Levels", "Enemies", "Shaders", "Sounds"}) {
    fs::create_directories(root / folder, ec);
    if (ec) {
      std::fprintf(stderr, "assetgen: cannot create %s: %s\n", (root / folder).c_str(), ec.message().c_str());
      return 1;
    }
  }
  if (!assetgen::WriteImageArt(root)) return 1;
  if (!assetgen::WriteMeshes(root)) return 1;
  if (!assetgen::WriteSkyArt(root)) return 1;
  if (!assetgen::WriteShipMeshes(root)) return 1;
  if (!assetgen::WriteLevelMeshes(root)) return 1;
  if (!assetgen::WriteEnemyMeshes(root)) return 1;
  if (!assetgen::WriteBossMeshes(root)) return 1;
  if (!assetgen::WriteSounds(root)) return 1;
  if (!assetgen::WriteParticleArt(root)) return 1;
  if (!assetgen::WriteConsoleArt(root)) return 1;
  if (!assetgen::WriteHudArt(root)) return 1;
  if (!assetgen::WriteMenuArt(root)) return 1;
  return 0;
}
