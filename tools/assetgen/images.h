// The generator's picture type and image writers: 24-bit BMP, uncompressed 32-bit A8R8G8B8 DDS and JPEG,
// a file write that leaves unchanged files alone, and a pixel hash for repeatable texture variation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace assetgen {

// Pixels as 0xAARRGGBB words, top row first.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;

  Picture() = default;
  Picture(int w, int h, uint32_t fill) : width(w), height(h), argb(size_t(w) * size_t(h), fill) {}
  uint32_t& At(int x, int y) { return argb[size_t(y) * size_t(width) + size_t(x)]; }
  uint32_t At(int x, int y) const { return argb[size_t(y) * size_t(width) + size_t(x)]; }
  // Fills the part of the rectangle that lies inside the picture.
  void FillRect(int x, int y, int w, int h, uint32_t colour);
};

// BI_RGB, bottom-up rows padded to four bytes; alpha is dropped.
std::vector<uint8_t> EncodeBmp24(const Picture& picture);
// One level, masks A 0xFF000000, R 0x00FF0000, G 0x0000FF00, B 0x000000FF.
std::vector<uint8_t> EncodeDdsArgb32(const Picture& picture);
// Baseline JPEG of the colour channels, quality 1..100.
std::vector<uint8_t> EncodeJpeg(const Picture& picture, int quality);

// Writes the bytes unless the file already holds exactly them, so rebuilds leave time stamps alone.
// False with a reason naming the file when the write fails.
bool WriteIfChanged(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string* error);

enum class ImageFormat { Bmp24, Dds, Jpeg };  // JPEG at quality 92

// Encodes the picture and writes it as assetsRoot/name (through WriteIfChanged). False after reporting on
// stderr when a side is not a power of two, the picture cannot be encoded or the write fails.
bool SavePicture(const std::filesystem::path& assetsRoot, std::string_view name, const Picture& picture,
                 ImageFormat format);

// A small integer hash for repeatable texture variation.
inline uint32_t PixelHash(uint32_t x, uint32_t y, uint32_t seed = 0) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h;
}

// The art (art.cpp), each at a power-of-two size.
Picture PausedPicture();       // 256x128, "PAUSED" on a translucent panel, real alpha
Picture ScoreDigitsPicture();  // 256x64, digit cells 20x40 from x 0, blank cell at 200, pure black elsewhere
Picture TestHullPicture();     // 128x128 hull panels
Picture TestGlowPicture();     // 64x64 radial glow

// Writes every generated image below the Assets folder; false after reporting a failure on stderr.
bool WriteImageArt(const std::filesystem::path& assetsRoot);

}  // namespace assetgen
