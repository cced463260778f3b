// Our own DDS reader: header checks, the common uncompressed layouts and DXT1/DXT3/DXT5 blocks, level 0 only.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/image.h"

namespace plat::image {

// True when the bytes start with the DDS magic "DDS ".
bool LooksLikeDds(std::span<const uint8_t> bytes);

// Decodes level 0 (the first surface) to 0xAARRGGBB, top row first. Never reads past the buffer; false with a
// reason when the header is malformed, the format unsupported or the data short.
bool DecodeDds(std::span<const uint8_t> bytes, Image& out, std::string* error);

}  // namespace plat::image
