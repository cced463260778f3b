// Image decoding by content (BMP and DDS through our readers, JPEG through libjpeg-turbo), colour keys,
// power-of-two resampling, mip chains, and texture creation from a game path, at once or on first use.
#include "platform/image.h"

#include <malloc.h>

#include <algorithm>
#include <initializer_list>

#include "platform/bmp.h"
#include "platform/dds.h"
#include "platform/files.h"
#include "platform/gpu.h"
#include "platform/image_bytes.h"
#include "platform/jpeg.h"

namespace plat::image {
namespace {

bool StartsWith(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> magic) {
  return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
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
  if (StartsWith(bytes, {'B', 'M'})) return DecodeBmp(bytes, out, error);
  if (StartsWith(bytes, {0xFF, 0xD8, 0xFF})) return DecodeJpeg(bytes, out, error);
  return Fail(error, bytes.empty() ? "empty file" : "unknown image format (not BMP, JPEG or DDS)");
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

namespace {

// Reads and decodes a game path's file; the error names the path.
bool ReadPicture(const FileSystem& files, const std::string& name, Image& image, std::string* error) {
  std::vector<uint8_t> bytes;
  std::string why;
  if (!files.ReadAll(name, bytes, kMaxFileBytes, &why)) return Fail(error, "\"" + name + "\": " + why);
  std::string reason;
  if (!Decode(bytes, image, &reason)) return Fail(error, "\"" + name + "\": " + reason);
  return true;
}

// Level 0 as it is uploaded: decoded, colour keyed, rounded up to powers of two.
bool ReadLevelZero(const FileSystem& files, const std::string& name, const uint32_t* colourKey, Image& out,
                   std::string* error) {
  Image image;
  if (!ReadPicture(files, name, image, error)) return false;
  if (colourKey) ApplyColourKey(image, *colourKey);
  out = ResampleToPowerOfTwo(image);
  return true;
}

std::unique_ptr<gpu::Texture> Upload(gpu::Device& device, const std::string& name, Image levelZero,
                                     std::string* error) {
  std::unique_ptr<gpu::Texture> texture = device.CreateTexture(BuildMipChain(std::move(levelZero)), name);
  if (!texture) Fail(error, "\"" + name + "\": the device could not create the texture");
  // The file's bytes, its decoded and resampled copies and the mip chain are freed by now. Their pages go
  // back to the system (a trim takes a millisecond or two): left in the heap, the holes of large pictures
  // add up to some 3 MiB that later allocations do not fill.
  malloc_trim(0);
  return texture;
}

}  // namespace

Area LargestOpaqueArea(const Image& image) {
  // Row by row, the run of opaque texels above each column; the largest rectangle under that skyline is
  // found with a stack of rising heights.
  Area best;
  long bestSize = 0;
  std::vector<int> heights(static_cast<size_t>(image.width) + 1, 0);  // a last column of height 0
  std::vector<int> stack;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const bool opaque =
          image.argb[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)] >>
              24 ==
          0xFF;
      heights[static_cast<size_t>(x)] = opaque ? heights[static_cast<size_t>(x)] + 1 : 0;
    }
    stack.clear();
    for (int x = 0; x <= image.width; ++x) {
      const int here = heights[static_cast<size_t>(x)];
      while (!stack.empty() && heights[static_cast<size_t>(stack.back())] >= here) {
        const int h = heights[static_cast<size_t>(stack.back())];
        stack.pop_back();
        const int left = stack.empty() ? 0 : stack.back() + 1;
        if (static_cast<long>(h) * (x - left) > bestSize) {
          bestSize = static_cast<long>(h) * (x - left);
          best = Area{left, y + 1 - h, x, y + 1};
        }
      }
      stack.push_back(x);
    }
  }
  return best;
}

Area VisibleArea(const Image& image) {
  Area box{image.width, image.height, 0, 0};
  for (int y = 0; y < image.height; ++y) {
    const uint32_t* row = image.argb.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width);
    for (int x = 0; x < image.width; ++x) {
      if ((row[x] >> 24) == 0) continue;
      box = Area{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                 std::max(box.bottom, y + 1)};
    }
  }
  return box.right > box.left ? box : Area{};
}

std::unique_ptr<gpu::Texture> CreateTextureFromFile(gpu::Device& device, const FileSystem& files,
                                                    std::string_view gamePath, const uint32_t* colourKey,
                                                    std::string* error) {
  const std::string name(gamePath);
  Image levelZero;
  if (!ReadLevelZero(files, name, colourKey, levelZero, error)) return nullptr;
  return Upload(device, name, std::move(levelZero), error);
}

FileTexture::FileTexture(gpu::Device& device, const FileSystem& files, std::string gamePath,
                         const uint32_t* colourKey, int width, int height)
    : device_(device), files_(files), name_(std::move(gamePath)), width_(width), height_(height) {
  if (colourKey != nullptr) key_ = *colourKey;
}

int FileTexture::Levels() const {
  int levels = 1;
  for (int side = std::max(width_, height_); side > 1; side /= 2) ++levels;
  return levels;
}

gpu::Texture* FileTexture::Uploaded(std::string* error) {
  if (texture_ == nullptr && !failed_) {
    Image levelZero;
    if (ReadLevelZero(files_, name_, key_ ? &*key_ : nullptr, levelZero, error)) {
      const Area opaque = LargestOpaqueArea(levelZero);
      const Area visible = plat::image::VisibleArea(levelZero);
      texture_ = Upload(device_, name_, std::move(levelZero), error);
      if (texture_ != nullptr) opaque_ = opaque, visible_ = visible;
    }
    failed_ = texture_ == nullptr;
  } else if (failed_) {
    Fail(error, "\"" + name_ + "\": the picture could not be loaded");
  }
  return texture_.get();
}

std::unique_ptr<FileTexture> OpenTextureFile(gpu::Device& device, const FileSystem& files,
                                             std::string_view gamePath, const uint32_t* colourKey,
                                             std::string* error) {
  const std::string name(gamePath);
  Image image;
  if (!ReadPicture(files, name, image, error)) return nullptr;
  return std::make_unique<FileTexture>(device, files, name, colourKey, NextPowerOfTwo(image.width),
                                       NextPowerOfTwo(image.height));
}

gpu::Texture* ForDrawing(gpu::Texture* texture, std::string* error) {
  if (auto* file = dynamic_cast<FileTexture*>(texture)) return file->Uploaded(error);
  return texture;
}

Area OpaqueArea(const gpu::Texture* texture) {
  const auto* file = dynamic_cast<const FileTexture*>(texture);
  return file != nullptr ? file->OpaqueArea() : Area{};
}

Area VisibleArea(const gpu::Texture* texture) {
  if (const auto* file = dynamic_cast<const FileTexture*>(texture)) return file->VisibleArea();
  return texture != nullptr ? Area{0, 0, texture->Width(), texture->Height()} : Area{};
}

}  // namespace plat::image
