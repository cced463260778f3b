// Image decoding by content (BMP and JPEG through stb_image, DDS through our reader), colour keys,
// power-of-two resampling, mip chains and texture creation from a game path.
#include "platform/image.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <initializer_list>

#include "platform/dds.h"
#include "platform/files.h"
#include "platform/gpu.h"

// stb_image is compiled here with internal linkage, reading from memory only, BMP and JPEG only.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_FAILURE_USERMSG
#define STBI_MAX_DIMENSIONS 16384
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wtype-limits"
#pragma GCC diagnostic ignored "-Wshadow"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace plat::image {
namespace {

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

bool StartsWith(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> magic) {
  return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t ReadU16(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}

// stb_image pads a short BMP with black instead of failing, so the uncompressed pixel rows are checked
// against the file size first.
bool CheckBmpSize(std::span<const uint8_t> bytes, std::string* error) {
  if (bytes.size() < 26) return Fail(error, "BMP header truncated");
  const uint32_t dataOffset = ReadU32(&bytes[10]), infoSize = ReadU32(&bytes[14]);
  uint64_t width, height, bitsPerPixel;
  uint32_t compression = 0;
  if (infoSize == 12) {  // the old core header: 16-bit sizes
    width = ReadU16(&bytes[18]);
    height = ReadU16(&bytes[20]);
    bitsPerPixel = ReadU16(&bytes[24]);
  } else {
    if (bytes.size() < 34) return Fail(error, "BMP header truncated");
    width = uint64_t(std::abs(int64_t(int32_t(ReadU32(&bytes[18])))));
    height = uint64_t(std::abs(int64_t(int32_t(ReadU32(&bytes[22])))));  // negative: rows stored top-down
    bitsPerPixel = ReadU16(&bytes[28]);
    compression = ReadU32(&bytes[30]);
  }
  if (compression != 0 && compression != 3) return true;  // stb_image judges the other kinds itself
  const uint64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
  if (uint64_t(dataOffset) + rowBytes * height > bytes.size()) return Fail(error, "BMP pixel data truncated");
  return true;
}

bool DecodeWithStb(std::span<const uint8_t> bytes, Image& out, std::string* error) {
  if (bytes.size() > size_t(INT_MAX)) return Fail(error, "image file too large");
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(bytes.data(), int(bytes.size()), &width, &height, &channels, 4);
  if (!pixels) return Fail(error, std::string("cannot decode: ") + stbi_failure_reason());
  out.width = width;
  out.height = height;
  out.argb.resize(size_t(width) * size_t(height));
  for (size_t i = 0; i < out.argb.size(); ++i) {
    const stbi_uc* p = pixels + 4 * i;
    out.argb[i] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]);
  }
  stbi_image_free(pixels);
  return true;
}

int NextPowerOfTwo(int n) {
  int p = 1;
  while (p < n && p < (1 << 30)) p *= 2;
  return p;
}

uint32_t Channel(uint32_t argb, int shift) {
  return (argb >> shift) & 0xFF;
}

}  // namespace

bool Decode(std::span<const uint8_t> bytes, Image& out, std::string* error) {
  if (LooksLikeDds(bytes)) return DecodeDds(bytes, out, error);
  Image image;
  if (StartsWith(bytes, {'B', 'M'})) {
    if (!CheckBmpSize(bytes, error) || !DecodeWithStb(bytes, image, error)) return false;
  } else if (StartsWith(bytes, {0xFF, 0xD8, 0xFF})) {
    if (!DecodeWithStb(bytes, image, error)) return false;
  } else {
    return Fail(error, bytes.empty() ? "empty file" : "unknown image format (not BMP, JPEG or DDS)");
  }
  out = std::move(image);
  return true;
}

void ApplyColourKey(Image& image, uint32_t keyArgb) {
  for (uint32_t& texel : image.argb)
    if (texel == keyArgb) texel = 0x00000000;
}

// Bilinear, sampling at texel centres and clamping at the edges; each channel filtered on its own.
Image ResampleToPowerOfTwo(const Image& image) {
  if (image.width <= 0 || image.height <= 0) return image;
  const int width = NextPowerOfTwo(image.width), height = NextPowerOfTwo(image.height);
  if (width == image.width && height == image.height) return image;

  Image out;
  out.width = width;
  out.height = height;
  out.argb.resize(size_t(width) * size_t(height));
  const float scaleX = float(image.width) / float(width), scaleY = float(image.height) / float(height);
  for (int y = 0; y < height; ++y) {
    const float sy = std::clamp((float(y) + 0.5f) * scaleY - 0.5f, 0.0f, float(image.height - 1));
    const int y0 = int(sy), y1 = std::min(y0 + 1, image.height - 1);
    const float fy = sy - float(y0);
    const uint32_t* row0 = &image.argb[size_t(y0) * size_t(image.width)];
    const uint32_t* row1 = &image.argb[size_t(y1) * size_t(image.width)];
    for (int x = 0; x < width; ++x) {
      const float sx = std::clamp((float(x) + 0.5f) * scaleX - 0.5f, 0.0f, float(image.width - 1));
      const int x0 = int(sx), x1 = std::min(x0 + 1, image.width - 1);
      const float fx = sx - float(x0);
      uint32_t texel = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const float top = float(Channel(row0[x0], shift)) * (1 - fx) + float(Channel(row0[x1], shift)) * fx;
        const float bottom =
            float(Channel(row1[x0], shift)) * (1 - fx) + float(Channel(row1[x1], shift)) * fx;
        const float value = top * (1 - fy) + bottom * fy;
        texel |= uint32_t(std::clamp(value + 0.5f, 0.0f, 255.0f)) << shift;
      }
      out.argb[size_t(y) * size_t(width) + size_t(x)] = texel;
    }
  }
  return out;
}

// Each level averages 2x2 texels of the one before; a side that has reached 1 stays 1 and its texel is
// counted twice.
std::vector<Image> BuildMipChain(Image levelZero) {
  std::vector<Image> levels;
  if (levelZero.width <= 0 || levelZero.height <= 0) return levels;
  levels.push_back(std::move(levelZero));
  while (levels.back().width > 1 || levels.back().height > 1) {
    const Image& src = levels.back();
    Image next;
    next.width = std::max(1, src.width / 2);
    next.height = std::max(1, src.height / 2);
    next.argb.resize(size_t(next.width) * size_t(next.height));
    for (int y = 0; y < next.height; ++y) {
      const int y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
      for (int x = 0; x < next.width; ++x) {
        const int x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
        const uint32_t a = src.argb[size_t(y0) * src.width + x0], b = src.argb[size_t(y0) * src.width + x1];
        const uint32_t c = src.argb[size_t(y1) * src.width + x0], d = src.argb[size_t(y1) * src.width + x1];
        uint32_t texel = 0;
        for (int shift = 0; shift < 32; shift += 8)
          texel |= ((Channel(a, shift) + Channel(b, shift) + Channel(c, shift) + Channel(d, shift) + 2) / 4)
                   << shift;
        next.argb[size_t(y) * next.width + x] = texel;
      }
    }
    levels.push_back(std::move(next));
  }
  return levels;
}

std::unique_ptr<gpu::Texture> CreateTextureFromFile(gpu::Device& device, const FileSystem& files,
                                                    std::string_view gamePath, const uint32_t* colourKey,
                                                    std::string* error) {
  const std::string name(gamePath);
  std::vector<uint8_t> bytes;
  if (!files.ReadAll(gamePath, bytes)) {
    Fail(error, "\"" + name + "\": cannot read the file");
    return nullptr;
  }
  Image image;
  std::string reason;
  if (!Decode(bytes, image, &reason)) {
    Fail(error, "\"" + name + "\": " + reason);
    return nullptr;
  }
  if (colourKey) ApplyColourKey(image, *colourKey);
  std::unique_ptr<gpu::Texture> texture =
      device.CreateTexture(BuildMipChain(ResampleToPowerOfTwo(image)), name);
  if (!texture) Fail(error, "\"" + name + "\": the device could not create the texture");
  return texture;
}

}  // namespace plat::image
