// The generated pictures: the pause picture, the score digit atlas and the test model's textures, drawn
// with the game's 5x7 block lettering. Integer arithmetic and sqrt only, so output is the same everywhere.
#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "images.h"
#include "lettering.h"

namespace assetgen {

namespace fs = std::filesystem;

// "PAUSED" in yellow-to-orange block letters with a dark outline, on a translucent dark rounded panel; the
// rest is fully transparent.
Picture PausedPicture() {
  Picture p(256, 128, 0x00000000);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      if (InRoundedRect(x, y, 8, 24, 240, 80, 12))
        p.At(x, y) = InRoundedRect(x, y, 10, 26, 236, 76, 10) ? 0xB0101828 : 0xE05878A8;  // panel, border
    }
  constexpr std::string_view kText = "PAUSED";
  constexpr int kScale = 6;
  const int x = (p.width - TextWidth(kText, kScale)) / 2, y = (p.height - 7 * kScale) / 2;
  for (int dy = -2; dy <= 2; dy += 2)
    for (int dx = -2; dx <= 2; dx += 2)
      DrawText(p, x + dx, y + dy, kScale, kScale, kText, 0xFF201008, 0xFF201008);
  DrawText(p, x, y, kScale, kScale, kText, 0xFFFFF060, 0xFFFFA020);
  return p;
}

// Digit d fills columns 20d..20d+19, rows 0..39; columns 200..219 are the blank cell; all else is pure black,
// the colour key. The game draws each cell with an upside-down source rectangle (top 40, bottom 0): the quad
// then reaches 40 pixels upward from the sprite's place while v still runs from row 40 at the place to row 0
// at the quad's top edge, so row 0 shows at the top and the cell appears upright. The glyphs are therefore
// stored upright. No glyph pixel is pure black, so keying removes only the background.
Picture ScoreDigitsPicture() {
  Picture p(256, 64, 0xFF000000);
  for (int d = 0; d <= 9; ++d) {
    const char digit[] = {char('0' + d), 0};
    DrawText(p, 20 * d + 2, 2, 3, 5, digit, 0xFFFFFFFF, 0xFF40FFFF);  // 15x35 in the 20x40 cell
  }
  return p;
}

// Light hull panels: 32-pixel plates with dark seams, a lit edge, corner rivets and a little grain.
Picture TestHullPicture() {
  Picture p(128, 128, 0);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const int px = x % 32, py = y % 32;
      int shade = 184 + int(PixelHash(uint32_t(x / 32), uint32_t(y / 32)) % 17) - 8 +
                  int(PixelHash(uint32_t(x), uint32_t(y)) % 7) - 3;
      if (px == 0 || py == 0)
        shade = 84;
      else if (px == 1 || py == 1)
        shade = 220;
      else if ((px == 4 || px == 5 || px == 27 || px == 28) && (py == 4 || py == 5 || py == 27 || py == 28))
        shade = 110;
      const uint32_t v = uint32_t(std::clamp(shade, 0, 255));
      p.At(x, y) = 0xFF000000u | v << 16 | v << 8 | std::min(255u, v + 10);
    }
  return p;
}

// A bright radial glow: white core, cyan-blue falloff to black at the rim.
Picture TestGlowPicture() {
  Picture p(64, 64, 0xFF000000);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const double dx = (x - 31.5) / 32.0, dy = (y - 31.5) / 32.0;
      const double fall = std::max(0.0, 1.0 - std::sqrt(dx * dx + dy * dy));
      const double intensity = fall * std::sqrt(fall);  // fall^1.5
      const auto channel = [&](double weight) {
        return uint32_t(std::clamp(intensity * weight * 255.0 + 0.5, 0.0, 255.0));
      };
      p.At(x, y) =
          0xFF000000u | channel(intensity) << 16 | channel(0.5 + 0.5 * intensity) << 8 | channel(1.0);
    }
  return p;
}

bool WriteImageArt(const fs::path& assetsRoot) {
  return SavePicture(assetsRoot, "Art/Paused.dds", PausedPicture(), ImageFormat::Dds) &&
         SavePicture(assetsRoot, "Art/hud_score.bmp", ScoreDigitsPicture(), ImageFormat::Bmp24) &&
         SavePicture(assetsRoot, "Art/TestHull.bmp", TestHullPicture(), ImageFormat::Bmp24) &&
         SavePicture(assetsRoot, "Art/TestGlow.bmp", TestGlowPicture(), ImageFormat::Bmp24);
}

}  // namespace assetgen
