// Writes a picture read back from the device (0xAARRGGBB, top row first) as a 24-bit BMP file, the kind
// every viewer opens; used for the benchmark's screenshots.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace bmp {

// The file's bytes; empty when the sizes do not match the pixels.
inline std::vector<uint8_t> Encode(const std::vector<uint32_t>& argbTopRowFirst, int width, int height) {
  if (width <= 0 || height <= 0 || argbTopRowFirst.size() != static_cast<size_t>(width) * height) return {};
  const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;  // rows pad to four bytes
  const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(height);
  std::vector<uint8_t> out;
  out.reserve(54 + dataBytes);
  auto put = [&out](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  out.push_back('B');
  out.push_back('M');
  put(54 + dataBytes, 4);  // file size
  put(0, 4);               // reserved
  put(54, 4);              // where the pixels start
  put(40, 4);              // info header size
  put(static_cast<uint32_t>(width), 4);
  put(static_cast<uint32_t>(height), 4);  // positive: bottom row first
  put(1, 2);                              // planes
  put(24, 2);                             // bits a pixel
  put(0, 4);                              // no compression
  put(dataBytes, 4);
  put(2835, 4);  // 72 dots an inch, both ways
  put(2835, 4);
  put(0, 4);  // no palette
  put(0, 4);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) put(argbTopRowFirst[static_cast<size_t>(y) * width + x] & 0xFFFFFF, 3);
    for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

// False when the sizes do not match the pixels or the file cannot be written.
inline bool Write(const std::string& file, const std::vector<uint32_t>& argbTopRowFirst, int width,
                  int height) {
  const std::vector<uint8_t> bytes = Encode(argbTopRowFirst, width, height);
  if (bytes.empty()) return false;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace bmp
