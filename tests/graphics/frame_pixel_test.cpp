// The usual frame against the straightforward one on the OpenGL device, in each play view of the first
// level: the same scene drawn both ways (the reference also with the lit shaders written the plain way,
// lighting normalised per pixel and the highlight by pow) gives the same picture. The tolerance: at most
// 0.1% of the pixels differ at all, by at most two steps of a colour channel, except at most 0.02% of them
// (where two opaque surfaces lie at the same depth, the one drawn later shows, and the usual frame draws
// the nearest models first).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/engine.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "native_test_support.h"
#include "platform/native/gl_device.h"

namespace {

// The lit shaders as first written: every vector made unit length per pixel, the highlight by pow.
constexpr const char* kReferenceLitVertex = R"(#version 330 core
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inTexCoord;
uniform mat4 matWorldViewProj;
uniform mat4 matWorld;
uniform vec4 vecEye;
uniform vec4 vecLightDir;
out vec2 texCoord;
out vec3 worldNormal;
out vec3 lightDir;
out vec3 viewDir;
void VS() {
  gl_Position = matWorldViewProj * vec4(inPosition, 1.0);
  vec4 worldPosition = matWorld * vec4(inPosition, 1.0);
  worldNormal = (matWorld * vec4(inNormal, 0.0)).xyz;
  lightDir = vecLightDir.xyz;
  viewDir = vecEye.xyz - worldPosition.xyz;
  texCoord = inTexCoord;
}
)";
constexpr const char* kReferenceLitPixel = R"(#version 330 core
in vec2 texCoord;
in vec3 worldNormal;
in vec3 lightDir;
in vec3 viewDir;
uniform vec4 Material;
uniform vec3 ColorAdd;
uniform sampler2D baseTexture;
out vec4 fragColour;
vec3 SafeNormalize(vec3 v) {
  float len = length(v);
  return len > 0.0 ? v / len : vec3(0.0);
}
void PS() {
  vec4 texel = texture(baseTexture, texCoord);
  vec3 n = SafeNormalize(worldNormal);
  vec3 l = SafeNormalize(lightDir);
  vec3 v = SafeNormalize(viewDir);
  float diffuse = max(dot(n, l), 0.0);
  float specular = 0.0;
  if (diffuse > 0.0) specular = 0.4 * pow(max(dot(reflect(-l, n), v), 0.0), 16.0);
  vec3 lit = texel.rgb * Material.rgb * (0.35 + 0.65 * diffuse) + vec3(specular);
  fragColour = vec4(lit + ColorAdd, texel.a * Material.a);
}
)";

constexpr int kPixels = 800 * 600;
constexpr int kMaxDiffering = kPixels / 1000;
constexpr int kSmallStep = 2;
constexpr int kMaxBeyondSmallStep = kPixels / 5000;

struct Difference {
  int differing = 0;        // pixels with any colour channel apart
  int beyondSmallStep = 0;  // pixels with a channel more than kSmallStep apart
};

Difference Compare(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  Difference d;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    int step = 0;
    for (int shift : {16, 8, 0}) {
      step = std::max(step, std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF)));
    }
    d.differing += step > 0;
    d.beyondSmallStep += step > kSmallStep;
  }
  return d;
}

class FramePixels : public gfxtest::NativeServicesTest {
 protected:
  void SetUp() override {
    NativeServicesTest::SetUp();
    if (IsSkipped()) return;
    engine_ = std::make_unique<Engine>(*services_);
    engine_->SetState(11);  // the first level, its skies and a fresh ship
    ASSERT_EQ(engine_->players.size(), 1u);
    Graphics& g = *engine_->graphics;
    ASSERT_NE(g.outerSkybox, nullptr);
    g.outerSkybox->spinStep = 0.0f;  // both pictures under the same turn of the stars
    plat::gpu::CompiledShader vs = g.device->CompileShader(kReferenceLitVertex, "VS", "vs_1_1");
    plat::gpu::CompiledShader ps = g.device->CompileShader(kReferenceLitPixel, "PS", "ps_2_0");
    ASSERT_NE(vs.shader, nullptr) << vs.messages;
    ASSERT_NE(ps.shader, nullptr) << ps.messages;
    referenceVertex_ = std::move(vs);
    referencePixel_ = std::move(ps);
  }
  void TearDown() override {
    referenceVertex_ = {};
    referencePixel_ = {};
    engine_.reset();
    NativeServicesTest::TearDown();
  }

  // Moves the rail place on to the segment, the ship onto the track and the camera into the view's mode.
  void Place(int mode, int segment, float progress) {
    Graphics& g = *engine_->graphics;
    g.camera.SetMode(mode);
    int at = 0;
    float along = 0.0f;
    math::Vec3 point, side, up, forward;
    for (int step = 0; step < 2000 && (at < segment || (at == segment && along < progress)); ++step)
      g.UpdatePath(&at, &along, 100.0f, 200.0f, &point, &side, &up, &forward);
    engine_->players[0]->UpdateTransform(point, forward, up, side);
    for (int frame = 0; frame < 2; ++frame) g.camera.Update(16.0f, at, along);
  }

  // The back buffer after `frames` frames drawn one way or the other.
  std::vector<uint32_t> Draw(bool straightforward, int frames = 1) {
    Graphics& g = *engine_->graphics;
    g.straightforwardFrame = straightforward;
    if (straightforward) SwapLitShaders();
    for (int i = 0; i < frames; ++i) g.Render();
    if (straightforward) SwapLitShaders();
    g.straightforwardFrame = false;
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    EXPECT_TRUE(plat::ReadBackBufferPixels(*g.device, pixels, &w, &h));
    EXPECT_EQ(w * h, kPixels);
    return pixels;
  }

  void SwapLitShaders() {
    Graphics& g = *engine_->graphics;
    std::swap(g.litVertexShader, referenceVertex_.shader);
    std::swap(g.litVertexConstants, referenceVertex_.constants);
    std::swap(g.litPixelShader, referencePixel_.shader);
    std::swap(g.litPixelConstants, referencePixel_.constants);
  }

  std::unique_ptr<Engine> engine_;
  plat::gpu::CompiledShader referenceVertex_, referencePixel_;
};

TEST_F(FramePixels, EachPlayViewLooksAsDrawnTheStraightforwardWay) {
  struct View {
    const char* name;
    int mode, segment;
    float progress;
  };
  // Top over two layers of ground, side with the sky behind rocks and pylons, chase toward the rings.
  for (const View& view : {View{"top", 5, 7, 0.3f}, View{"side", 6, 14, 0.5f}, View{"chase", 7, 20, 0.5f}}) {
    SCOPED_TRACE(view.name);
    Place(view.mode, view.segment, view.progress);
    const std::vector<uint32_t> usual = Draw(false);
    const std::vector<uint32_t> reference = Draw(true);
    // Something of the scene and of the sky is in the picture.
    EXPECT_GT(std::count_if(usual.begin(), usual.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; }), 100000);
    const Difference d = Compare(usual, reference);
    EXPECT_LE(d.differing, kMaxDiffering);
    EXPECT_LE(d.beyondSmallStep, kMaxBeyondSmallStep);
  }
}

TEST_F(FramePixels, TitleFramesBlendTheSameTrailsBothWays) {
  // The level's ground and sky from the title camera, three frames blended over a cleared back buffer.
  Graphics& g = *engine_->graphics;
  Place(7, 3, 0.5f);
  g.EnterTitleMode();
  const std::vector<uint32_t> usual = Draw(false, 3);
  g.EnterTitleMode();
  const std::vector<uint32_t> reference = Draw(true, 3);
  EXPECT_GT(std::count_if(usual.begin(), usual.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; }), 100000);
  const Difference d = Compare(usual, reference);
  EXPECT_LE(d.differing, kMaxDiffering);
  EXPECT_LE(d.beyondSmallStep, kMaxBeyondSmallStep);
}

}  // namespace
