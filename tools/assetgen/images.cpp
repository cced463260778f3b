// Image writers for the generator: BMP and DDS byte by byte, JPEG through stb_image_write; the checked
// save of a picture into the Assets folder.
#include "images.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace assetgen {
namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  const auto* bytes = static_cast<const uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

void Picture::FillRect(int x, int y, int w, int h, uint32_t colour) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, width), y1 = std::min(y + h, height);
  for (int py = y0; py < y1; ++py)
    for (int px = x0; px < x1; ++px) At(px, py) = colour;
}

std::vector<uint8_t> EncodeBmp24(const Picture& picture) {
  const uint32_t rowBytes = (uint32_t(picture.width) * 3 + 3) / 4 * 4;
  const uint32_t pixelBytes = rowBytes * uint32_t(picture.height);
  std::vector<uint8_t> out;
  out.reserve(54 + pixelBytes);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, 54 + pixelBytes);  // file size
  PutU32(out, 0);                // reserved
  PutU32(out, 54);               // pixel data offset
  PutU32(out, 40);               // BITMAPINFOHEADER
  PutU32(out, uint32_t(picture.width));
  PutU32(out, uint32_t(picture.height));  // positive: bottom row first
  PutU16(out, 1);                         // planes
  PutU16(out, 24);
  PutU32(out, 0);  // BI_RGB
  PutU32(out, pixelBytes);
  PutU32(out, 2835);  // 72 dpi
  PutU32(out, 2835);
  PutU32(out, 0);
  PutU32(out, 0);
  for (int y = picture.height - 1; y >= 0; --y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t c = picture.At(x, y);
      out.push_back(uint8_t(c));
      out.push_back(uint8_t(c >> 8));
      out.push_back(uint8_t(c >> 16));
    }
    out.resize(out.size() + (rowBytes - uint32_t(picture.width) * 3), 0);
  }
  return out;
}

std::vector<uint8_t> EncodeDdsArgb32(const Picture& picture) {
  std::vector<uint8_t> out{'D', 'D', 'S', ' '};
  PutU32(out, 124);
  PutU32(out, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000);  // CAPS | HEIGHT | WIDTH | PITCH | PIXELFORMAT
  PutU32(out, uint32_t(picture.height));
  PutU32(out, uint32_t(picture.width));
  PutU32(out, uint32_t(picture.width) * 4);  // pitch
  PutU32(out, 0);                            // depth
  PutU32(out, 0);                            // mip levels
  for (int i = 0; i < 11; ++i) PutU32(out, 0);
  PutU32(out, 32);          // pixel format size
  PutU32(out, 0x40 | 0x1);  // RGB | ALPHAPIXELS
  PutU32(out, 0);           // no FourCC
  PutU32(out, 32);          // bits per pixel
  PutU32(out, 0x00FF0000);  // R
  PutU32(out, 0x0000FF00);  // G
  PutU32(out, 0x000000FF);  // B
  PutU32(out, 0xFF000000);  // A
  PutU32(out, 0x1000);      // caps: texture
  for (int i = 0; i < 4; ++i) PutU32(out, 0);
  out.reserve(out.size() + picture.argb.size() * 4);
  for (uint32_t c : picture.argb) PutU32(out, c);
  return out;
}

std::vector<uint8_t> EncodeJpeg(const Picture& picture, int quality) {
  std::vector<uint8_t> rgb;
  rgb.reserve(picture.argb.size() * 3);
  for (uint32_t c : picture.argb) {
    rgb.push_back(uint8_t(c >> 16));
    rgb.push_back(uint8_t(c >> 8));
    rgb.push_back(uint8_t(c));
  }
  std::vector<uint8_t> out;
  if (!stbi_write_jpg_to_func(AppendBytes, &out, picture.width, picture.height, 3, rgb.data(), quality))
    out.clear();
  return out;
}

bool WriteIfChanged(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
                    std::string* error) {
  {
    std::ifstream in(path, std::ios::binary);
    if (in) {
      const std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (old == bytes) return true;
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) {
    if (error) *error = "cannot write " + path.string();
    return false;
  }
  return true;
}

bool SavePicture(const std::filesystem::path& assetsRoot, std::string_view name, const Picture& picture,
                 ImageFormat format) {
  const std::string file(name);
  const auto isPowerOfTwo = [](int n) { return n > 0 && (n & (n - 1)) == 0; };
  if (!isPowerOfTwo(picture.width) || !isPowerOfTwo(picture.height)) {
    std::fprintf(stderr, "assetgen: %s: %dx%d is not a power of two in both sides\n", file.c_str(),
                 picture.width, picture.height);
    return false;
  }
  const std::vector<uint8_t> bytes = format == ImageFormat::Jpeg  ? EncodeJpeg(picture, 92)
                                     : format == ImageFormat::Dds ? EncodeDdsArgb32(picture)
                                                                  : EncodeBmp24(picture);
  if (bytes.empty()) {
    std::fprintf(stderr, "assetgen: %s: the image cannot be encoded\n", file.c_str());
    return false;
  }
  std::string error;
  if (!WriteIfChanged(assetsRoot / file, bytes, &error)) {
    std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    return false;
  }
  return true;
}

}  // namespace assetgen
