// The game's block lettering and the rounded-rectangle test.
#include "lettering.h"

#include <algorithm>
#include <array>

namespace assetgen {
namespace {

// 5x7 glyphs, top row first, bit 4 the leftmost column.
using Glyph = std::array<uint8_t, 7>;
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

const Glyph& GlyphFor(char c) {
  if (c >= '0' && c <= '9') return kDigits[size_t(c - '0')];
  if (c >= 'A' && c <= 'Z') return kLetters[size_t(c - 'A')];
  return kBlank;
}

}  // namespace

uint32_t Lerp(uint32_t top, uint32_t bottom, int i, int n) {
  if (n <= 1) return top;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = int((top >> shift) & 0xFF), b = int((bottom >> shift) & 0xFF);
    out |= uint32_t(a + (b - a) * i / (n - 1)) << shift;
  }
  return out;
}

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

bool InRoundedRect(int x, int y, int left, int top, int w, int h, int radius) {
  if (x < left || y < top || x >= left + w || y >= top + h) return false;
  const int cx = std::clamp(x, left + radius, left + w - 1 - radius),
            cy = std::clamp(y, top + radius, top + h - 1 - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

}  // namespace assetgen
