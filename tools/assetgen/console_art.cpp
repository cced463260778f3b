// The console's panel: drawn at half alpha over the game, so it darkens the scene behind the text evenly;
// no colour key, so no pixel of it is transparent.
#include "console_art.h"

namespace assetgen {

Picture ConsolePicture() {
  Picture p(512, 256, 0);
  for (int y = 0; y < p.height; ++y) {
    // 0x30384A at the top to 0x20283A at the foot; every fourth row a shade darker.
    const int shade = 16 - 16 * y / (p.height - 1) - (y % 4 == 3 ? 6 : 0);
    const uint32_t r = uint32_t(0x20 + shade), g = uint32_t(0x28 + shade), b = uint32_t(0x3A + shade);
    for (int x = 0; x < p.width; ++x) p.At(x, y) = 0xFF000000u | r << 16 | g << 8 | b;
  }
  p.FillRect(0, p.height - 4, p.width, 1, 0xFF405070);  // a soft edge above the border line
  p.FillRect(0, p.height - 3, p.width, 3, 0xFF8CA0C8);  // the border line
  return p;
}

bool WriteConsoleArt(const std::filesystem::path& assetsRoot) {
  return SavePicture(assetsRoot, "Art/Console.bmp", ConsolePicture(), ImageFormat::Bmp24);
}

}  // namespace assetgen
