// BMP reading: the file and info headers, the checks of size, kind and data length, and the pixel rows.
// Every size is checked against the buffer before a pixel is read.
#include "platform/bmp.h"

#include <cstdlib>

#include "platform/image_bytes.h"

namespace plat::image {
namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER; the V4 and V5 headers extend it

}  // namespace

bool DecodeBmp(std::span<const uint8_t> bytes, Image& out, std::string* error) {
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M')
    return Fail(error, "not a BMP file (no \"BM\")");
  if (bytes.size() < kFileHeaderBytes + 4) return Fail(error, "BMP header truncated");
  const uint32_t dataOffset = ReadU32(&bytes[10]), infoSize = ReadU32(&bytes[14]);
  if (infoSize < kInfoHeaderBytes)
    return Fail(error, "BMP info header of " + std::to_string(infoSize) +
                           " bytes not supported (the 40-byte header and its extensions are read)");
  if (bytes.size() < kFileHeaderBytes + kInfoHeaderBytes) return Fail(error, "BMP header truncated");

  const int64_t width = int32_t(ReadU32(&bytes[18])), storedHeight = int32_t(ReadU32(&bytes[22]));
  const uint32_t bits = ReadU16(&bytes[28]), compression = ReadU32(&bytes[30]);
  if (compression != 0)
    return Fail(error, "BMP compression " + std::to_string(compression) +
                           " not supported (uncompressed 24- and 32-bit BMP are read)");
  if (bits != 24 && bits != 32)
    return Fail(error,
                std::to_string(bits) + "-bit BMP not supported (uncompressed 24- and 32-bit are read)");
  const int64_t height = std::abs(storedHeight);  // negative: rows stored top-down
  if (width <= 0 || width > kMaxSide || height == 0 || height > kMaxSide)
    return Fail(error,
                "BMP size " + std::to_string(width) + "x" + std::to_string(storedHeight) + " out of range");
  if (uint64_t(dataOffset) < kFileHeaderBytes + uint64_t(infoSize))
    return Fail(error, "BMP pixel data offset " + std::to_string(dataOffset) + " lies inside the header");
  const uint64_t bytesPerPixel = bits / 8, rowBytes = (uint64_t(width) * bytesPerPixel + 3) / 4 * 4;
  if (uint64_t(dataOffset) + rowBytes * uint64_t(height) > bytes.size())
    return Fail(error, "BMP pixel data truncated: " + std::to_string(rowBytes * uint64_t(height)) +
                           " bytes needed after offset " + std::to_string(dataOffset) + ", file of " +
                           std::to_string(bytes.size()));

  Image image;
  image.width = int(width);
  image.height = int(height);
  image.argb.resize(size_t(width) * size_t(height));
  for (int64_t y = 0; y < height; ++y) {
    const int64_t storedRow = storedHeight < 0 ? y : height - 1 - y;
    const uint8_t* p = bytes.data() + dataOffset + size_t(storedRow) * rowBytes;
    uint32_t* row = &image.argb[size_t(y) * size_t(width)];
    for (int64_t x = 0; x < width; ++x, p += bytesPerPixel)
      row[x] = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[0]);
  }
  out = std::move(image);
  return true;
}

}  // namespace plat::image
