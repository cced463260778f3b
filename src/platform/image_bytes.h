// Little-endian field reads, the largest side any image reader accepts, and the failure report the image
// readers share.
#pragma once

#include <cstdint>
#include <string>

namespace plat::image {

// Art is authored far smaller; the limit keeps a damaged size field from asking for gigabytes.
constexpr uint32_t kMaxSide = 16384;
// A picture's file is read whole: at most this many bytes, some forty times the largest art the game ships
// (1.5 MiB); a 4096-pixel square of 24-bit pixels fits.
constexpr uintmax_t kMaxFileBytes = uintmax_t{64} << 20;

inline uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t ReadU16(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}

inline bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

}  // namespace plat::image
