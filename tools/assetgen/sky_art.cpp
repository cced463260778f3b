// The sky pictures: the level's nebula, the star layer with alpha that turns over it, and the black sky.
// Integer hashing and plain floating-point arithmetic only, so every build writes the same bytes.
#include "sky_art.h"

#include <algorithm>
#include <cmath>

namespace assetgen {
namespace {

namespace fs = std::filesystem;

constexpr int kSkySize = 512;
constexpr int kStarMargin = 8;

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

// Smoothly interpolated lattice values in [0, 1]; coordinates are never negative here.
double ValueNoise(double x, double y, uint32_t seed) {
  const auto ix = uint32_t(x), iy = uint32_t(y);
  const double fx = x - double(ix), fy = y - double(iy);
  const double sx = fx * fx * (3.0 - 2.0 * fx), sy = fy * fy * (3.0 - 2.0 * fy);
  auto corner = [&](uint32_t cx, uint32_t cy) { return double(Hash(cx, cy, seed) & 0xFFFF) / 65535.0; };
  const double top = corner(ix, iy) + (corner(ix + 1, iy) - corner(ix, iy)) * sx;
  const double bottom = corner(ix, iy + 1) + (corner(ix + 1, iy + 1) - corner(ix, iy + 1)) * sx;
  return top + (bottom - top) * sy;
}

// Five octaves of value noise, in [0, 1].
double Fbm(double x, double y, uint32_t seed) {
  double sum = 0.0, amplitude = 0.5, total = 0.0;
  for (int octave = 0; octave < 5; ++octave) {
    sum += amplitude * ValueNoise(x, y, seed + uint32_t(octave));
    total += amplitude;
    x *= 2.0;
    y *= 2.0;
    amplitude *= 0.5;
  }
  return sum / total;
}

double Smooth(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

uint32_t Channel(double v) {
  return uint32_t(std::clamp(v + 0.5, 0.0, 255.0));
}

uint32_t Argb(uint32_t a, double r, double g, double b) {
  return a << 24 | Channel(r) << 16 | Channel(g) << 8 | Channel(b);
}

// The generator's own repeatable sequence for star placement.
class Sequence {
 public:
  explicit Sequence(uint32_t seed) : state_(seed) {}
  uint32_t Next(uint32_t range) {
    state_ = state_ * 1664525u + 1013904223u;
    return (state_ >> 8) % range;
  }

 private:
  uint32_t state_;
};

}  // namespace

Picture LevelSkyPicture() {
  // Deep violet in the middle, fading to the border colour at 230 pixels from the centre; beyond that every
  // pixel is exactly the border colour. The nebula stays within 179 pixels (the middle 70%).
  constexpr double kBorder[3] = {6.0, 5.0, 14.0};
  constexpr double kCentre[3] = {58.0, 18.0, 92.0};
  constexpr double kGradientRadius = 230.0;
  constexpr double kNebulaRadius = 0.35 * kSkySize;
  Picture p(kSkySize, kSkySize, 0xFF000000);
  const double c = (kSkySize - 1) * 0.5;
  for (int y = 0; y < kSkySize; ++y) {
    for (int x = 0; x < kSkySize; ++x) {
      const double dx = x - c, dy = y - c;
      const double d = std::sqrt(dx * dx + dy * dy);
      const double glow = Smooth(1.0 - d / kGradientRadius);
      const double mask = Smooth(1.0 - d / kNebulaRadius);
      double rgb[3];
      for (int k = 0; k < 3; ++k) rgb[k] = kBorder[k] + (kCentre[k] - kBorder[k]) * glow;
      if (mask > 0.0) {
        // Low contrast: a few tens of levels of pink-violet cloud and a bluish second layer.
        const double cloud = (Fbm(x / 96.0, y / 96.0, 11) - 0.5) * 2.0 * 30.0 * mask;
        const double veil = (Fbm(x / 64.0 + 7.0, y / 64.0 + 3.0, 23) - 0.5) * 2.0 * 16.0 * mask;
        rgb[0] += cloud;
        rgb[1] += cloud * 0.3 + veil * 0.4;
        rgb[2] += cloud * 0.8 + veil;
      }
      p.At(x, y) = Argb(0xFF, rgb[0], rgb[1], rgb[2]);
    }
  }
  return p;
}

Picture StarSkyPicture() {
  Picture p(kSkySize, kSkySize, 0x00000000);
  // Two faint clouds; alpha = 0.35 x falloff x a noisy weight in [0.55, 1], so never above 0.35.
  struct Cloud {
    double x, y, radius;
    double r, g, b;
    uint32_t seed;
  };
  constexpr Cloud kClouds[2] = {{150.0, 180.0, 110.0, 90.0, 130.0, 255.0, 31},
                                {360.0, 340.0, 130.0, 255.0, 110.0, 170.0, 47}};
  for (const Cloud& cloud : kClouds) {
    for (int y = kStarMargin; y < kSkySize - kStarMargin; ++y) {
      for (int x = kStarMargin; x < kSkySize - kStarMargin; ++x) {
        const double dx = x - cloud.x, dy = y - cloud.y;
        const double q = 1.0 - (dx * dx + dy * dy) / (cloud.radius * cloud.radius);
        if (q <= 0.0) continue;
        const double weight = 0.55 + 0.45 * Fbm(x / 48.0, y / 48.0, cloud.seed);
        const auto alpha = uint32_t(std::floor(0.35 * 255.0 * q * q * weight));
        if (alpha > (p.At(x, y) >> 24))
          p.At(x, y) = alpha << 24 | (Argb(0, cloud.r, cloud.g, cloud.b) & 0xFFFFFF);
      }
    }
  }
  // 600 stars of 1 to 3 pixels, fully opaque, most white, some blue or warm.
  Sequence sequence(0x5EED5u);
  const int span = kSkySize - 2 * kStarMargin - 4;  // room for the widest star inside the margin
  for (int star = 0; star < 600; ++star) {
    const int x = kStarMargin + 1 + int(sequence.Next(uint32_t(span)));
    const int y = kStarMargin + 1 + int(sequence.Next(uint32_t(span)));
    const uint32_t sizeRoll = sequence.Next(100), tintRoll = sequence.Next(100);
    const uint32_t colour = tintRoll < 70 ? 0xFFFFFFFF : tintRoll < 85 ? 0xFFC8DCFF : 0xFFFFEBBE;
    if (sizeRoll < 70) {
      p.At(x, y) = colour;
    } else if (sizeRoll < 92) {
      p.FillRect(x, y, 2, 2, colour);
    } else {
      p.FillRect(x, y + 1, 3, 1, colour);
      p.FillRect(x + 1, y, 1, 3, colour);
    }
  }
  return p;
}

Picture BlackSkyPicture() {
  return Picture(8, 8, 0xFF000000);
}

bool WriteSkyArt(const fs::path& assetsRoot) {
  return SavePicture(assetsRoot, "Art/skybox_level1.jpg", LevelSkyPicture(), ImageFormat::Jpeg) &&
         SavePicture(assetsRoot, "Art/Sky.dds", StarSkyPicture(), ImageFormat::Dds) &&
         SavePicture(assetsRoot, "Art/black.jpg", BlackSkyPicture(), ImageFormat::Jpeg);
}

}  // namespace assetgen
