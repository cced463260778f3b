// The usual frame against the straightforward one on the OpenGL device, in each play view of the first
// level and in title mode: the same scene drawn both ways (the reference also with the lit shaders written
// the plain way, lighting normalised per pixel and the highlight by pow) gives the same picture. The
// tolerance: at most 0.1% of the pixels differ at all, by at most two steps of a colour channel, except at
// most 0.02% of them (where two opaque surfaces lie at the same depth the one drawn later shows, and the
// usual frame draws the nearest models first). The skies alone, drawn both ways, differ in at most 0.03% of
// the pixels, by two steps at most.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>
#include <vector>

#include "app/engine.h"
#include "app/game_state.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/skybox.h"
#include "graphics/sprite.h"
#include "native_test_support.h"
#include "platform/native/gl_device.h"

namespace {

constexpr const char* kReferenceLitVertex = R"(#version 330 core
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inTexCoord;
uniform mat4 matWorldViewProj, matWorld;
uniform vec4 vecEye, vecLightDir;
out vec2 texCoord;
out vec3 worldNormal, lightDir, viewDir;
void VS() {
  gl_Position = matWorldViewProj * vec4(inPosition, 1.0);
  worldNormal = (matWorld * vec4(inNormal, 0.0)).xyz;
  lightDir = vecLightDir.xyz;
  viewDir = vecEye.xyz - (matWorld * vec4(inPosition, 1.0)).xyz;
  texCoord = inTexCoord;
}
)";
constexpr const char* kReferenceLitPixel = R"(#version 330 core
in vec2 texCoord;
in vec3 worldNormal, lightDir, viewDir;
uniform vec4 Material;
uniform vec3 ColorAdd;
uniform sampler2D baseTexture;
out vec4 fragColour;
vec3 SafeNormalize(vec3 v) { return length(v) > 0.0 ? v / length(v) : vec3(0.0); }
void PS() {
  vec4 texel = texture(baseTexture, texCoord);
  vec3 n = SafeNormalize(worldNormal), l = SafeNormalize(lightDir), v = SafeNormalize(viewDir);
  float diffuse = max(dot(n, l), 0.0);
  float specular = diffuse > 0.0 ? 0.4 * pow(max(dot(reflect(-l, n), v), 0.0), 16.0) : 0.0;
  fragColour = vec4(texel.rgb * Material.rgb * (0.35 + 0.65 * diffuse) + vec3(specular) + ColorAdd,
                    texel.a * Material.a);
}
)";

constexpr int kPixels = 800 * 600;

class FramePixels : public gfxtest::NativeServicesTest {
 protected:
  void SetUp() override {
    NativeServicesTest::SetUp();
    if (IsSkipped()) return;
    engine_ = std::make_unique<Engine>(*services_);
    engine_->SetState(kGameStart);  // the first level, its skies and a fresh ship
    ASSERT_EQ(engine_->players.size(), 1u);
    Graphics& g = *engine_->graphics;
    ASSERT_NE(g.outerSkybox, nullptr);
    g.outerSkybox->spinStep = 0.0f;  // both pictures under the same turn of the stars
    vertex_ = g.device->CompileShader(kReferenceLitVertex, "VS", "vs_1_1");
    pixel_ = g.device->CompileShader(kReferenceLitPixel, "PS", "ps_2_0");
    ASSERT_NE(vertex_.shader, nullptr) << vertex_.messages;
    ASSERT_NE(pixel_.shader, nullptr) << pixel_.messages;
  }
  void TearDown() override {
    vertex_ = {};
    pixel_ = {};
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

  // The back buffer after `frames` frames drawn one way or the other (title mode starting afresh).
  std::vector<uint32_t> Draw(bool straightforward, bool title) {
    Graphics& g = *engine_->graphics;
    if (title) g.EnterTitleMode();
    g.straightforwardFrame = straightforward;
    if (straightforward) SwapLitShaders();
    for (int i = 0; i < (title ? 3 : 1); ++i) g.Render();
    if (straightforward) SwapLitShaders();
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    EXPECT_TRUE(plat::ReadBackBufferPixels(*g.device, pixels, &w, &h));
    EXPECT_EQ(w * h, kPixels);
    return pixels;
  }

  void SwapLitShaders() {
    Graphics& g = *engine_->graphics;
    std::swap(g.litVertexShader, vertex_.shader);
    std::swap(g.litVertexConstants, vertex_.constants);
    std::swap(g.litPixelShader, pixel_.shader);
    std::swap(g.litPixelConstants, pixel_.constants);
  }

  static void ExpectLooksTheSame(const std::vector<uint32_t>& usual, const std::vector<uint32_t>& reference,
                                 int mostDiffering = kPixels / 1000,
                                 int mostBeyondTwoSteps = kPixels / 5000) {
    EXPECT_GT(std::count_if(usual.begin(), usual.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; }),
              100000);
    int differing = 0, beyondTwoSteps = 0;
    for (size_t i = 0; i < usual.size() && i < reference.size(); ++i) {
      int step = 0;
      for (int shift : {16, 8, 0})
        step =
            std::max(step, std::abs(int((usual[i] >> shift) & 0xFF) - int((reference[i] >> shift) & 0xFF)));
      differing += step > 0;
      beyondTwoSteps += step > 2;
    }
    EXPECT_LE(differing, mostDiffering);
    EXPECT_LE(beyondTwoSteps, mostBeyondTwoSteps);
  }

  std::unique_ptr<Engine> engine_;
  plat::gpu::CompiledShader vertex_, pixel_;
};

TEST_F(FramePixels, EachViewLooksAsDrawnTheStraightforwardWay) {
  struct View {
    const char* name;
    int mode, segment;
    float progress;
    bool title, lookUp;
  };
  // Top over two layers of ground, side with the sky behind rocks and pylons, chase toward the rings, the
  // chase camera turned to look straight up (where the stars' upper face shows), and the title camera's
  // trails over the ground and the sky.
  for (const View& view : {View{"top", 5, 7, 0.3f, false, false}, View{"side", 6, 14, 0.5f, false, false},
                           View{"chase", 7, 20, 0.5f, false, false}, View{"up", 7, 20, 0.5f, false, true},
                           View{"title", 7, 3, 0.5f, true, false}}) {
    SCOPED_TRACE(view.name);
    Place(view.mode, view.segment, view.progress);
    if (view.lookUp)
      engine_->graphics->camera.SetAxes(math::Vec3{0, 1, 0}, math::Vec3{0, 0, 1}, math::Vec3{-1, 0, 0});
    ExpectLooksTheSame(Draw(false, view.title), Draw(true, view.title));
  }
}

// The top view's side bars, opaque, hide the scene beneath them, which the usual frame then leaves undrawn:
// in place and a fraction of a pixel short of it; a fraction past it (their outer columns blend with the
// clear texels beyond them) or faded a little, the scene shows through and is drawn whole.
TEST_F(FramePixels, SceneUnderTheOpaqueSideBarsIsLeftUndrawnUnseen) {
  Graphics& g = *engine_->graphics;
  const plat::gpu::Argb magenta = 0xFFFF00FF;
  Sprite *left = nullptr, *right = nullptr;
  for (auto [sprite, file] : {std::pair{&left, "Assets\\Art\\Menu Art\\rail Left.bmp"},
                              std::pair{&right, "Assets\\Art\\Menu Art\\rail Right.bmp"}})
    ASSERT_TRUE(g.CreateSprite(sprite, file, 0, 0, 1, 1, nullptr, 1, &magenta, 6));
  Place(5, 7, 0.3f);
  const struct {
    float leftX, rightX, alpha;
    int sceneLeft, sceneRight;
  } cases[] = {{-50, 650, 1, 150, 650},
               {-50.4f, 650.4f, 1, 149, 651},
               {-49.6f, 649.6f, 1, 0, 800},
               {-50, 650, 0.99f, 0, 800}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.leftX);
    left->SetPosition(c.leftX, 0);
    right->SetPosition(c.rightX, 0);
    left->SetAlpha(c.alpha);
    right->SetAlpha(c.alpha);
    const std::vector<uint32_t> usual = Draw(false, false);  // the first also uploads the pictures
    const plat::gpu::ScissorRect scene = g.SceneRect();
    EXPECT_EQ(std::pair(scene.x, scene.x + scene.width), std::pair(c.sceneLeft, c.sceneRight));
    EXPECT_EQ(std::pair(scene.y, scene.height), std::pair(0, 600));
    ExpectLooksTheSame(Draw(false, false), Draw(true, false));
  }
}

// Both skies in one pass against the two drawn one after the other, with no model in front of them: toward
// each face of the outer cube turned well away from the inner one, across its edges and corners, untinted
// and under a tint that puts many stored colours exactly halfway between two steps. A pixel may differ only
// where a star's edge meets the outer texture's coordinates (worked out per pixel in the one pass,
// interpolated in the other), and by two steps at most.
TEST_F(FramePixels, BothSkiesInOnePassLookAsDrawnOneAfterTheOther) {
  Graphics& g = *engine_->graphics;
  struct SetAside {  // the models, put back for the engine to release
    explicit SetAside(Graphics& graphics) : g(graphics) { Swap(); }
    ~SetAside() { Swap(); }
    void Swap() {
      std::swap(g.visibleScenery, lists[0]);
      std::swap(g.entityModels, lists[1]);
      std::swap(g.blendedModels, lists[2]);
    }
    Graphics& g;
    std::vector<Model*> lists[3];
  } setAside(g);
  g.outerSkybox->rotation = math::MatrixRotationAxis(math::Vec3Normalize(math::Vec3{1, 2, 3}), 0.7f);
  g.innerSkybox->spinStep = 0.0f;
  const float s = 0.70710678f;
  const struct {
    math::Vec3 look, up;
  } views[] = {
      {{1, 0, 0}, {0, 1, 0}},  {{-1, 0, 0}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}},
      {{0, -1, 0}, {0, 0, 1}}, {{0, 0, 1}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}},
      {{s, 0, s}, {0, 1, 0}},  {{0, s, -s}, {0, s, s}}, {{-s, -s, 0}, {0, 0, 1}},
  };
  const float tints[][3] = {{0, 0, 0}, {0.3f, -0.2f, 0.05f}};
  for (size_t view = 0; view < std::size(views); ++view) {
    for (const auto& tint : tints) {
      SCOPED_TRACE(testing::Message() << "view " << view << " tint " << tint[0]);
      std::copy(tint, tint + 3, g.colorAdd);
      g.camera.SetAxes(views[view].look, views[view].up, math::Vec3Cross(views[view].up, views[view].look));
      ExpectLooksTheSame(Draw(false, false), Draw(true, false), kPixels / 3000, 0);
    }
  }
}

}  // namespace
