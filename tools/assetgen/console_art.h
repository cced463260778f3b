// The generated console panel picture.
#pragma once

#include <filesystem>

#include "images.h"

namespace assetgen {

// 512x256, opaque: a dark blue-grey panel shading a little darker toward the foot, faint scan lines and a
// lighter border line along the bottom edge.
Picture ConsolePicture();

// Writes "Console.bmp" into <Assets>/Art. False after reporting a failure on stderr.
bool WriteConsoleArt(const std::filesystem::path& assetsRoot);

}  // namespace assetgen
