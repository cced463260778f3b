// The front end's pictures: the splash screens, the main menu's title words, entries and bars, the
// high-score panel, the options screen, and the words and frames of the screens that end a game.
#pragma once

#include <filesystem>

namespace assetgen {

// Writes every picture into <Assets>/Art/Menu Art under the names the game loads; magenta (0xFF00FF) is
// the transparent key around the lettering and frames. False after reporting a failure on stderr.
bool WriteMenuArt(const std::filesystem::path& assetsRoot);

}  // namespace assetgen
