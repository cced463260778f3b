// The particle pictures drawn by formula: the check of each picture file against its formula, and the pixel
// programs that draw the sprites by it.
#include "graphics/particle_discs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/image.h"
#include "platform/image_bytes.h"

namespace gpu = plat::gpu;

namespace {

double Spark(double r) {
  return std::clamp(1.8 * (1.0 - r) * (1.0 - r), 0.0, 1.0);
}

// A Gaussian of sigma 0.4 radii, lowered and rescaled so that it reaches 0 at the rim.
double Glow(double r) {
  const auto gauss = [](double d) { return std::exp(-d * d / (2.0 * 0.4 * 0.4)); };
  return std::clamp((gauss(r) - gauss(1.0)) / (1.0 - gauss(1.0)), 0.0, 1.0);
}

// Whether the picture file is a white square whose alpha, texel by texel, is the formula's at the texel's
// middle (to the nearest step, give or take one), and 0 from the rim out.
bool HoldsDisc(const plat::FileSystem& files, const char* path, const std::function<double(double)>& alpha) {
  std::vector<uint8_t> bytes;
  plat::image::Image picture;
  if (!files.ReadAll(path, bytes, plat::image::kMaxFileBytes, nullptr) ||
      !plat::image::Decode(bytes, picture, nullptr) || picture.width != picture.height || picture.width < 2)
    return false;
  const double half = picture.width / 2.0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t texel = picture.argb[static_cast<size_t>(y) * picture.width + x];
      const double r = std::hypot((x + 0.5 - half) / half, (y + 0.5 - half) / half);
      const int expected = r >= 1.0 ? 0 : static_cast<int>(alpha(r) * 255.0 + 0.5);
      if ((texel & 0xFFFFFFu) != 0xFFFFFFu || std::abs(static_cast<int>(texel >> 24) - expected) > 1)
        return false;
    }
  }
  return true;
}

// The pixel programs pair with the device's built-in vertex stage, which hands on the vertex colour as
// v_color and sizes the sprites. Colour and alpha are as the texture would give them (a white texel times
// the vertex colour); a clear pixel is left alone, as the pass's blend would leave it.
constexpr const char* kHead = R"(#version 330 core
in vec4 v_color;
out vec4 o_color;
)";
constexpr const char* kSparkMain = R"(
void ps_main() {
  float a = SparkAlpha(length(gl_PointCoord * 2.0 - 1.0)) * v_color.a;
  if (a <= 0.0) discard;
  o_color = vec4(v_color.rgb, a);
}
)";
constexpr const char* kGlowMain = R"(
void ps_main() {
  vec2 d = gl_PointCoord * 2.0 - 1.0;
  float rr = dot(d, d);
  float a = rr < 1.0 ? clamp((exp(-3.125 * rr) - 0.04393693) * 1.04595610, 0.0, 1.0) * v_color.a : 0.0;
  if (a <= 0.0) discard;
  o_color = vec4(v_color.rgb, a);
}
)";

}  // namespace

std::unique_ptr<ParticleDiscs> ParticleDiscs::Create(gpu::Device& device, const plat::FileSystem& files) {
  auto discs = std::make_unique<ParticleDiscs>();
  auto program = [&](const char* path, const std::function<double(double)>& alpha,
                     const std::string& source) -> std::unique_ptr<gpu::Shader> {
    if (!HoldsDisc(files, path, alpha)) return nullptr;
    gpu::CompiledShader compiled = device.CompileShader(source, "ps_main", "ps_3_0");
    if (compiled.shader == nullptr) {
      std::fprintf(stderr, "Graphics: %s is read for its sprites: %s\n", path, compiled.messages.c_str());
      return nullptr;
    }
    compiled.shader->SetName(std::string(path) + " by formula");
    return std::move(compiled.shader);
  };
  discs->spark = program(kSparkPicture, Spark, std::string(kHead) + kSparkAlphaSource + kSparkMain);
  discs->glow = program(kGlowPicture, Glow, std::string(kHead) + kGlowMain);
  if (discs->spark == nullptr && discs->glow == nullptr) return nullptr;
  return discs;
}

gpu::Shader* ParticleDiscs::For(const gpu::Texture* texture) const {
  if (texture == nullptr) return nullptr;
  if (texture->Name() == kSparkPicture) return spark.get();
  if (texture->Name() == kGlowPicture) return glow.get();
  return nullptr;
}
