// Decoding of BMP, JPEG and DDS images, colour keys, power-of-two rounding and mip chains, and texture
// creation from a file.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat {
class FileSystem;
}
namespace plat::gpu {
class Device;
class Texture;
}  // namespace plat::gpu

namespace plat::image {

// A decoded image: top row first, one 0xAARRGGBB word per pixel.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;
};

// Tells the format by content, not by name: BMP, JPEG, DDS (uncompressed, DXT1, DXT3, DXT5; level 0).
// False with a reason when the bytes cannot be decoded.
bool Decode(std::span<const uint8_t> bytes, Image& out, std::string* error);
// Pixels exactly equal to the key become transparent black.
void ApplyColourKey(Image& image, uint32_t keyArgb);
// Rounds each side up to a power of two, resampling; an image already of such a size is returned as is.
Image ResampleToPowerOfTwo(const Image& image);
// Level 0 first, each next level half the size (box filter), down to 1 by 1.
std::vector<Image> BuildMipChain(Image levelZero);

// Decode, colour key (before any resampling), round up to powers of two, full mip chain, upload.
// Null with a reason on failure. The texture is named after the game path.
std::unique_ptr<gpu::Texture> CreateTextureFromFile(gpu::Device& device, const FileSystem& files,
                                                    std::string_view gamePath, const uint32_t* colourKey,
                                                    std::string* error);

}  // namespace plat::image
