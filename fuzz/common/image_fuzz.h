// The body of the three image targets: decode with one reader and check what it promises.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "common/fuzz_support.h"
#include "platform/image.h"
#include "platform/image_bytes.h"

namespace fuzz {

using ImageReader = bool (*)(std::span<const uint8_t>, plat::image::Image&, std::string*);

// A success gives a non-empty image of the size it claims, within the readers' side limit; a failure says
// why.
inline void DecodeAndCheck(ImageReader read, const uint8_t* data, size_t size) {
  plat::image::Image image;
  std::string error;
  if (read(std::span<const uint8_t>(data, size), image, &error)) {
    Check(image.width > 0 && image.height > 0 && uint32_t(image.width) <= plat::image::kMaxSide &&
              uint32_t(image.height) <= plat::image::kMaxSide,
          "decoded size out of range");
    Check(image.argb.size() == size_t(image.width) * size_t(image.height),
          "pixel count differs from the size");
  } else {
    Check(!error.empty(), "a failure without a reason");
  }
}

}  // namespace fuzz
