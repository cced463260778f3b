// The game's lettering: a 5x7 block face (capitals, digits, space) drawn at any whole scale with a vertical
// gradient, and the rounded-rectangle test the panels share.
#pragma once

#include <cstdint>
#include <string_view>

#include "images.h"

namespace assetgen {

// Channel-wise top + (bottom - top) * i / (n - 1).
uint32_t Lerp(uint32_t top, uint32_t bottom, int i, int n);

// Block letters: each font dot becomes a scaleX by scaleY block, one dot of space between glyphs, coloured
// by a vertical gradient over the glyph height. Characters outside the face are blank.
void DrawText(Picture& p, int x, int y, int scaleX, int scaleY, std::string_view text, uint32_t top,
              uint32_t bottom);
int TextWidth(std::string_view text, int scaleX);

// Inside a rectangle whose corners are rounded by `radius`.
bool InRoundedRect(int x, int y, int left, int top, int w, int h, int radius);

}  // namespace assetgen
