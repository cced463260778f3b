// JPEG decoding through libjpeg-turbo, with limits on size, memory and scan count so that a damaged header
// cannot make it allocate without bound or decode for long.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/image.h"

namespace plat::image {

// Decodes to opaque 0xAARRGGBB, top row first. False with the decoder's reason when the data is malformed or
// damaged (a warning about corrupt data counts as a failure) or the image is too large.
bool DecodeJpeg(std::span<const uint8_t> bytes, Image& out, std::string* error);

}  // namespace plat::image
