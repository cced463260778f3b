// The block lettering the generated pictures share: a 5x7 face of capitals and digits, drawn dot by dot in
// blocks, and the small drawing helpers that go with it (art.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "images.h"

namespace assetgen {

// 5x7 glyphs, top row first, bit 4 the leftmost column.
using Glyph = std::array<uint8_t, 7>;

// The glyph of a capital or a digit; blank for anything else.
const Glyph& GlyphFor(char c);
// Channel-wise top + (bottom - top) * i / (n - 1).
uint32_t Lerp(uint32_t top, uint32_t bottom, int i, int n);
// Block letters: each font dot becomes a scaleX by scaleY block, one dot of space between glyphs, coloured
// by a vertical gradient over the glyph height.
void DrawText(Picture& p, int x, int y, int scaleX, int scaleY, std::string_view text, uint32_t top,
              uint32_t bottom);
int TextWidth(std::string_view text, int scaleX);
// Inside a rectangle whose corners are rounded by `radius`.
bool InRoundedRect(int x, int y, int left, int top, int w, int h, int radius);

}  // namespace assetgen
