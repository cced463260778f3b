// The heads-up display's pictures, under the names the display loads them by.
#pragma once

#include <filesystem>

namespace assetgen {

// Writes every display picture below the Assets folder; false after reporting a failure on stderr.
bool WriteHudArt(const std::filesystem::path& assetsRoot);

}  // namespace assetgen
