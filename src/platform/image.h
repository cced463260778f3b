// Decoding of BMP, JPEG and DDS images, colour keys, power-of-two rounding and mip chains, and texture
// creation from a file, at once or on first use.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gpu.h"

namespace plat {
class FileSystem;
}
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

// A rectangle of texels, right and bottom exclusive; empty when right <= left or bottom <= top.
struct Area {
  int left = 0, top = 0, right = 0, bottom = 0;
};
// The largest rectangle of texels of full opacity (alpha 255); the first found of equal size.
Area LargestOpaqueArea(const Image& image);
// The smallest rectangle holding every texel that is not wholly transparent (alpha above 0); empty when none
// is.
Area VisibleArea(const Image& image);

// A picture checked now and uploaded on its first use. The file is read and decoded at once, so that a
// missing or broken file fails where CreateTextureFromFile would, but only its size is kept: a picture that
// is never drawn holds no texture memory. Width, Height and Levels are those the upload will have.
class FileTexture final : public gpu::Texture {
 public:
  FileTexture(gpu::Device& device, const FileSystem& files, std::string gamePath, const uint32_t* colourKey,
              int width, int height);
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int Levels() const override;
  const std::string& Name() const override { return name_; }
  // The device's texture, created from the file on the first call. Null with a reason when the file can no
  // longer be read or decoded; later calls then return null at once.
  gpu::Texture* Uploaded(std::string* error);
  // The largest fully opaque rectangle of level 0, known once uploaded (empty before).
  const Area& OpaqueArea() const { return opaque_; }
  // The smallest rectangle of level 0 holding all its texels that are not wholly transparent, once uploaded
  // (the whole picture before).
  Area VisibleArea() const { return texture_ != nullptr ? visible_ : Area{0, 0, width_, height_}; }

 private:
  gpu::Device& device_;
  const FileSystem& files_;
  std::string name_;
  std::optional<uint32_t> key_;
  int width_, height_;
  std::unique_ptr<gpu::Texture> texture_;
  Area opaque_;
  Area visible_;
  bool failed_ = false;
};

// Decode and check now, upload on first use (above). Null with a reason when the file cannot be read or
// decoded.
std::unique_ptr<FileTexture> OpenTextureFile(gpu::Device& device, const FileSystem& files,
                                             std::string_view gamePath, const uint32_t* colourKey,
                                             std::string* error);

// The texture to bind for one that may be a FileTexture: uploads it on its first use. Null with a reason when
// that upload fails; any other texture is returned as it is.
gpu::Texture* ForDrawing(gpu::Texture* texture, std::string* error);
// The largest fully opaque rectangle of a picture uploaded by ForDrawing; empty for any other texture.
Area OpaqueArea(const gpu::Texture* texture);
// The texels of a picture uploaded by ForDrawing that are not wholly transparent (above); the whole texture
// for any other.
Area VisibleArea(const gpu::Texture* texture);

}  // namespace plat::image
