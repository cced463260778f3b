// The particle textures: white pictures whose alpha falls off from the middle, so the vertex colour tints
// them and the vertex alpha fades them.
#include "particle_art.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace assetgen {
namespace {

constexpr int kSize = 64;

// White with alpha = falloff(r), r the distance from the picture's middle in half-widths (1 at the rim).
Picture RadialAlpha(const std::function<double(double)>& falloff) {
  Picture p(kSize, kSize, 0x00FFFFFF);
  const double half = kSize / 2.0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const double dx = (x + 0.5 - half) / half, dy = (y + 0.5 - half) / half;
      const double r = std::sqrt(dx * dx + dy * dy);
      const double a = r >= 1.0 ? 0.0 : std::clamp(falloff(r), 0.0, 1.0);
      p.At(x, y) = uint32_t(a * 255.0 + 0.5) << 24 | 0x00FFFFFFu;
    }
  return p;
}

}  // namespace

Picture SparkPicture() {
  // Opaque out to a quarter of the radius, then a quadratic fall to the rim.
  return RadialAlpha([](double r) { return 1.8 * (1.0 - r) * (1.0 - r); });
}

Picture SoftGlowPicture() {
  // A Gaussian of sigma 0.4 radii, lowered and rescaled so that it reaches 0 at the rim.
  const auto gauss = [](double r) { return std::exp(-r * r / (2.0 * 0.4 * 0.4)); };
  const double rim = gauss(1.0);
  return RadialAlpha([=](double r) { return (gauss(r) - rim) / (1.0 - rim); });
}

bool WriteParticleArt(const std::filesystem::path& assetsRoot) {
  return SavePicture(assetsRoot, "Art/Texture1.dds", SparkPicture(), ImageFormat::Dds) &&
         SavePicture(assetsRoot, "Art/Texture3.dds", SoftGlowPicture(), ImageFormat::Dds);
}

}  // namespace assetgen
