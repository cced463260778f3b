// The particle pictures drawn by formula. Both are white discs whose alpha falls from the middle by a
// formula of the distance alone; where a picture file holds just that, its sprites take their alpha from
// their point coordinate instead of reading the picture, which on a software rasteriser costs about a
// third of a sprite's pixel.
#pragma once

#include <memory>

#include "platform/gpu.h"

namespace plat {
class FileSystem;
}

// The particle pictures: the spark (explosions, beams, streaks, warp) and the soft glow (exhausts, glows,
// sprays, charge rings).
inline constexpr const char* kSparkPicture = "Assets\\Art\\Texture1.dds";
inline constexpr const char* kGlowPicture = "Assets\\Art\\Texture3.dds";

// The spark's alpha at a distance r from the middle (1 at the rim), as GLSL: opaque to a quarter of the
// radius, then a square fall to the rim. The beams' pixel program uses it too.
inline constexpr const char* kSparkAlphaSource = R"(
float SparkAlpha(float r) {
  float f = max(1.0 - r, 0.0);
  return min(1.8 * f * f, 1.0);
}
)";

class ParticleDiscs {
 public:
  // The pixel programs of the pictures whose files hold the discs; null when none does or the programs do
  // not compile.
  static std::unique_ptr<ParticleDiscs> Create(plat::gpu::Device& device, const plat::FileSystem& files);
  // The pixel program that stands in for the texture, or null (the texture is read).
  plat::gpu::Shader* For(const plat::gpu::Texture* texture) const;
  bool DrawsSpark() const { return spark != nullptr; }

 private:
  std::unique_ptr<plat::gpu::Shader> spark, glow;
};
