// Our own BMP reader: the 40-byte info header and its later extensions, uncompressed 24- and 32-bit pixels,
// rows stored bottom-up or top-down.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/image.h"

namespace plat::image {

// Decodes to 0xAARRGGBB, top row first, opaque (a 32-bit pixel's fourth byte is unused). Never reads past
// the buffer; false with a reason when the header is malformed, the kind unsupported or the data short.
bool DecodeBmp(std::span<const uint8_t> bytes, Image& out, std::string* error);

}  // namespace plat::image
