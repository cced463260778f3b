// DDS reading: the 128-byte header, mask-described uncompressed pixels and DXT1/DXT3/DXT5 block decoding.
// Every read is checked against the buffer first, so malformed or truncated files fail with a reason.
#include "platform/dds.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/image_bytes.h"

namespace plat::image {
namespace {

constexpr size_t kHeaderBytes = 128;  // "DDS " then the 124-byte header with its 32-byte pixel format

// Pixel format flags.
constexpr uint32_t kAlphaPixels = 0x1, kFourCC = 0x4, kRgb = 0x40;

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}

std::string Hex(uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%X", v);
  return buffer;
}

// The field a mask selects, widened to 8 bits by repeating its bits (so all ones stays 255).
struct Channel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;

  explicit Channel(uint32_t m) : mask(m), shift(m ? std::countr_zero(m) : 0), bits(std::popcount(m)) {}

  uint32_t Expand(uint32_t pixel) const {
    if (bits == 0) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += bits)
      out |= (filled + bits <= 8) ? v << (8 - filled - bits) : v >> (filled + bits - 8);
    return out & 0xFF;
  }
};

// The uncompressed layouts we read, told apart by bit count and colour masks.
struct MaskLayout {
  uint32_t bits, r, g, b, a;  // a: the alpha mask the layout may carry (0: none)
};
constexpr std::array<MaskLayout, 4> kLayouts{{
    {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},  // A8R8G8B8 and X8R8G8B8
    {24, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},           // R8G8B8
    {16, 0xF800, 0x07E0, 0x001F, 0},                       // R5G6B5
    {16, 0x7C00, 0x03E0, 0x001F, 0x8000},                  // A1R5G5B5 (X1R5G5B5 without the alpha flag)
}};

bool DecodeMasked(const uint8_t* data, size_t size, uint32_t width, uint32_t height, uint32_t flags,
                  uint32_t bits, uint32_t rMask, uint32_t gMask, uint32_t bMask, uint32_t aMask, Image& out,
                  std::string* error) {
  const MaskLayout* layout = nullptr;
  for (const MaskLayout& l : kLayouts)
    if (l.bits == bits && l.r == rMask && l.g == gMask && l.b == bMask) layout = &l;
  const bool hasAlpha = (flags & kAlphaPixels) && aMask != 0;
  if (!layout || (hasAlpha && aMask != layout->a))
    return Fail(error, "unsupported DDS pixel layout (" + std::to_string(bits) + "-bit, masks " + Hex(rMask) +
                           " " + Hex(gMask) + " " + Hex(bMask) + " " + Hex(aMask) + ")");

  const uint32_t bytesPerPixel = bits / 8;
  const uint64_t needed = uint64_t(width) * height * bytesPerPixel;
  if (needed > size)
    return Fail(error, "DDS data truncated: " + std::to_string(needed) + " bytes needed, " +
                           std::to_string(size) + " present");

  const Channel r(rMask), g(gMask), b(bMask), a(hasAlpha ? aMask : 0);
  out.width = int(width);
  out.height = int(height);
  out.argb.resize(size_t(width) * height);
  for (size_t i = 0; i < out.argb.size(); ++i) {
    const uint8_t* p = data + i * bytesPerPixel;
    uint32_t pixel = 0;
    for (uint32_t k = 0; k < bytesPerPixel; ++k) pixel |= uint32_t(p[k]) << (8 * k);
    const uint32_t alpha = hasAlpha ? a.Expand(pixel) : 0xFF;
    out.argb[i] = alpha << 24 | r.Expand(pixel) << 16 | g.Expand(pixel) << 8 | b.Expand(pixel);
  }
  return true;
}

uint32_t Rgb565ToArgb(uint16_t c) {
  const uint32_t r5 = c >> 11, g6 = (c >> 5) & 0x3F, b5 = c & 0x1F;
  const uint32_t r = r5 << 3 | r5 >> 2, g = g6 << 2 | g6 >> 4, b = b5 << 3 | b5 >> 2;
  return 0xFF000000u | r << 16 | g << 8 | b;
}

// (wa * a + wb * b) / (wa + wb) for each of the three colour channels; alpha opaque.
uint32_t Mix(uint32_t a, uint32_t b, uint32_t wa, uint32_t wb) {
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    out |= ((wa * ca + wb * cb) / (wa + wb)) << shift;
  }
  return out;
}

// The 4x4 colours of an 8-byte colour block. DXT1 blocks whose first colour is not above the second use
// three colours and transparent black; DXT3 and DXT5 always use four.
void DecodeColourBlock(const uint8_t* block, bool allowThreeColour, std::array<uint32_t, 16>& texels) {
  const uint16_t c0 = ReadU16(block), c1 = ReadU16(block + 2);
  std::array<uint32_t, 4> palette;
  palette[0] = Rgb565ToArgb(c0);
  palette[1] = Rgb565ToArgb(c1);
  if (c0 > c1 || !allowThreeColour) {
    palette[2] = Mix(palette[0], palette[1], 2, 1);
    palette[3] = Mix(palette[0], palette[1], 1, 2);
  } else {
    palette[2] = Mix(palette[0], palette[1], 1, 1);
    palette[3] = 0x00000000;
  }
  const uint32_t indices = ReadU32(block + 4);
  for (int i = 0; i < 16; ++i) texels[i] = palette[(indices >> (2 * i)) & 3];
}

void SetAlpha(uint32_t& texel, uint32_t alpha) {
  texel = (texel & 0x00FFFFFF) | alpha << 24;
}

// DXT3: sixteen explicit 4-bit alphas.
void DecodeExplicitAlpha(const uint8_t* block, std::array<uint32_t, 16>& texels) {
  for (int i = 0; i < 16; ++i) {
    const uint32_t nibble = (block[i / 2] >> (4 * (i % 2))) & 0xF;
    SetAlpha(texels[i], nibble * 17);
  }
}

// DXT5: two end points and sixteen 3-bit indices into eight interpolated alphas.
void DecodeInterpolatedAlpha(const uint8_t* block, std::array<uint32_t, 16>& texels) {
  const uint32_t a0 = block[0], a1 = block[1];
  std::array<uint32_t, 8> palette{a0, a1};
  if (a0 > a1) {
    for (uint32_t i = 2; i < 8; ++i) palette[i] = ((8 - i) * a0 + (i - 1) * a1) / 7;
  } else {
    for (uint32_t i = 2; i < 6; ++i) palette[i] = ((6 - i) * a0 + (i - 1) * a1) / 5;
    palette[6] = 0;
    palette[7] = 255;
  }
  uint64_t bits = 0;
  for (int k = 0; k < 6; ++k) bits |= uint64_t(block[2 + k]) << (8 * k);
  for (int i = 0; i < 16; ++i) SetAlpha(texels[i], palette[(bits >> (3 * i)) & 7]);
}

bool DecodeBlocks(const uint8_t* data, size_t size, uint32_t width, uint32_t height, uint32_t fourCC,
                  Image& out, std::string* error) {
  const size_t blockBytes = fourCC == FourCC('D', 'X', 'T', '1') ? 8 : 16;
  const uint32_t blocksWide = (width + 3) / 4, blocksHigh = (height + 3) / 4;
  const uint64_t needed = uint64_t(blocksWide) * blocksHigh * blockBytes;
  if (needed > size)
    return Fail(error, "DDS data truncated: " + std::to_string(needed) + " bytes needed, " +
                           std::to_string(size) + " present");

  out.width = int(width);
  out.height = int(height);
  out.argb.assign(size_t(width) * height, 0);
  std::array<uint32_t, 16> texels;
  for (uint32_t by = 0; by < blocksHigh; ++by) {
    for (uint32_t bx = 0; bx < blocksWide; ++bx) {
      const uint8_t* block = data + (size_t(by) * blocksWide + bx) * blockBytes;
      if (fourCC == FourCC('D', 'X', 'T', '1')) {
        DecodeColourBlock(block, true, texels);
      } else {
        DecodeColourBlock(block + 8, false, texels);
        if (fourCC == FourCC('D', 'X', 'T', '3'))
          DecodeExplicitAlpha(block, texels);
        else
          DecodeInterpolatedAlpha(block, texels);
      }
      // Blocks on the right and bottom edges may hang over the image; their extra texels are dropped.
      for (uint32_t y = 0; y < 4 && by * 4 + y < height; ++y)
        for (uint32_t x = 0; x < 4 && bx * 4 + x < width; ++x)
          out.argb[size_t(by * 4 + y) * width + bx * 4 + x] = texels[y * 4 + x];
    }
  }
  return true;
}

}  // namespace

bool LooksLikeDds(std::span<const uint8_t> bytes) {
  return bytes.size() >= 4 && std::memcmp(bytes.data(), "DDS ", 4) == 0;
}

bool DecodeDds(std::span<const uint8_t> bytes, Image& out, std::string* error) {
  if (!LooksLikeDds(bytes)) return Fail(error, "not a DDS file (no \"DDS \" magic)");
  if (bytes.size() < kHeaderBytes)
    return Fail(error, "DDS header truncated: " + std::to_string(bytes.size()) + " of 128 bytes");
  const uint8_t* h = bytes.data();
  if (ReadU32(h + 4) != 124)
    return Fail(error, "bad DDS header size " + std::to_string(ReadU32(h + 4)) + " (expected 124)");
  if (ReadU32(h + 76) != 32)
    return Fail(error, "bad DDS pixel format size " + std::to_string(ReadU32(h + 76)) + " (expected 32)");

  const uint32_t height = ReadU32(h + 12), width = ReadU32(h + 16);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
    return Fail(error, "DDS size " + std::to_string(width) + "x" + std::to_string(height) + " out of range");

  const uint32_t flags = ReadU32(h + 80), fourCC = ReadU32(h + 84);
  const uint8_t* data = h + kHeaderBytes;
  const size_t size = bytes.size() - kHeaderBytes;
  Image image;
  bool ok;
  if (flags & kFourCC) {
    if (fourCC != FourCC('D', 'X', 'T', '1') && fourCC != FourCC('D', 'X', 'T', '3') &&
        fourCC != FourCC('D', 'X', 'T', '5')) {
      std::string name;
      for (int k = 0; k < 4; ++k) {
        const char c = char((fourCC >> (8 * k)) & 0xFF);
        name += (c >= 32 && c < 127) ? c : '?';
      }
      return Fail(error, "unsupported DDS compression \"" + name + "\" (DXT1, DXT3 and DXT5 are read)");
    }
    ok = DecodeBlocks(data, size, width, height, fourCC, image, error);
  } else if (flags & kRgb) {
    ok = DecodeMasked(data, size, width, height, flags, ReadU32(h + 88), ReadU32(h + 92), ReadU32(h + 96),
                      ReadU32(h + 100), ReadU32(h + 104), image, error);
  } else {
    return Fail(error, "unsupported DDS pixel format (flags " + Hex(flags) + ")");
  }
  if (ok) out = std::move(image);
  return ok;
}

}  // namespace plat::image
