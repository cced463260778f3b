// The generated pictures: the pause picture, the score digit atlas and the test model's textures, drawn
// with a small built-in 5x7 bitmap font. Integer arithmetic and sqrt only, so output is the same everywhere.
#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "images.h"
#include "lettering.h"

namespace assetgen {
namespace {

namespace fs = std::filesystem;

constexpr std::array<Glyph, 10> kDigits{{
    {0b01110, 0b10001, 0b10011, 0b10101, 0b11001, 0b10001, 0b01110},  // 0
    {0b00100, 0b01100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110},  // 1
    {0b01110, 0b10001, 0b00001, 0b00010, 0b00100, 0b01000, 0b11111},  // 2
    {0b11111, 0b00010, 0b00100, 0b00010, 0b00001, 0b10001, 0b01110},  // 3
    {0b00010, 0b00110, 0b01010, 0b10010, 0b11111, 0b00010, 0b00010},  // 4
    {0b11111, 0b10000, 0b11110, 0b00001, 0b00001, 0b10001, 0b01110},  // 5
    {0b00110, 0b01000, 0b10000, 0b11110, 0b10001, 0b10001, 0b01110},  // 6
    {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b01000, 0b01000},  // 7
    {0b01110, 0b10001, 0b10001, 0b01110, 0b10001, 0b10001, 0b01110},  // 8
    {0b01110, 0b10001, 0b10001, 0b01111, 0b00001, 0b00010, 0b01100},  // 9
}};
constexpr std::array<Glyph, 26> kLetters{{
    {0b01110, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001},  // A
    {0b11110, 0b10001, 0b10001, 0b11110, 0b10001, 0b10001, 0b11110},  // B
    {0b01110, 0b10001, 0b10000, 0b10000, 0b10000, 0b10001, 0b01110},  // C
    {0b11100, 0b10010, 0b10001, 0b10001, 0b10001, 0b10010, 0b11100},  // D
    {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b11111},  // E
    {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b10000},  // F
    {0b01110, 0b10001, 0b10000, 0b10111, 0b10001, 0b10001, 0b01111},  // G
    {0b10001, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001},  // H
    {0b01110, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110},  // I
    {0b00111, 0b00010, 0b00010, 0b00010, 0b00010, 0b10010, 0b01100},  // J
    {0b10001, 0b10010, 0b10100, 0b11000, 0b10100, 0b10010, 0b10001},  // K
    {0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b11111},  // L
    {0b10001, 0b11011, 0b10101, 0b10101, 0b10001, 0b10001, 0b10001},  // M
    {0b10001, 0b10001, 0b11001, 0b10101, 0b10011, 0b10001, 0b10001},  // N
    {0b01110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110},  // O
    {0b11110, 0b10001, 0b10001, 0b11110, 0b10000, 0b10000, 0b10000},  // P
    {0b01110, 0b10001, 0b10001, 0b10001, 0b10101, 0b10010, 0b01101},  // Q
    {0b11110, 0b10001, 0b10001, 0b11110, 0b10100, 0b10010, 0b10001},  // R
    {0b01111, 0b10000, 0b10000, 0b01110, 0b00001, 0b00001, 0b11110},  // S
    {0b11111, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100},  // T
    {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110},  // U
    {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01010, 0b00100},  // V
    {0b10001, 0b10001, 0b10001, 0b10101, 0b10101, 0b10101, 0b01010},  // W
    {0b10001, 0b10001, 0b01010, 0b00100, 0b01010, 0b10001, 0b10001},  // X
    {0b10001, 0b10001, 0b10001, 0b01010, 0b00100, 0b00100, 0b00100},  // Y
    {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b10000, 0b11111},  // Z
}};
constexpr Glyph kBlank{};

}  // namespace

// The block lettering every generated picture shares (lettering.h).
const Glyph& GlyphFor(char c) {
  if (c >= '0' && c <= '9') return kDigits[size_t(c - '0')];
  if (c >= 'A' && c <= 'Z') return kLetters[size_t(c - 'A')];
  return kBlank;
}

// Channel-wise top + (bottom - top) * i / (n - 1).
uint32_t Lerp(uint32_t top, uint32_t bottom, int i, int n) {
  if (n <= 1) return top;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = int((top >> shift) & 0xFF), b = int((bottom >> shift) & 0xFF);
    out |= uint32_t(a + (b - a) * i / (n - 1)) << shift;
  }
  return out;
}

// Block letters: each font dot becomes a scaleX by scaleY block, one dot of space between glyphs, coloured
// by a vertical gradient over the glyph height.
void DrawText(Picture& p, int x, int y, int scaleX, int scaleY, std::string_view text, uint32_t top,
              uint32_t bottom) {
  const int glyphHeight = 7 * scaleY;
  for (size_t k = 0; k < text.size(); ++k) {
    const Glyph& glyph = GlyphFor(text[k]);
    const int left = x + int(k) * 6 * scaleX;
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col) {
        if (!(glyph[size_t(row)] & (0x10 >> col))) continue;
        for (int dy = 0; dy < scaleY; ++dy) {
          const uint32_t colour = Lerp(top, bottom, row * scaleY + dy, glyphHeight);
          p.FillRect(left + col * scaleX, y + row * scaleY + dy, scaleX, 1, colour);
        }
      }
  }
}

int TextWidth(std::string_view text, int scaleX) {
  return text.empty() ? 0 : (int(text.size()) * 6 - 1) * scaleX;
}

// Inside a rectangle whose corners are rounded by `radius`.
bool InRoundedRect(int x, int y, int left, int top, int w, int h, int radius) {
  if (x < left || y < top || x >= left + w || y >= top + h) return false;
  const int cx = std::clamp(x, left + radius, left + w - 1 - radius),
            cy = std::clamp(y, top + radius, top + h - 1 - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

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
