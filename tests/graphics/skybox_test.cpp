// The skies: the cube's vertices and indices, one draw per face with its texture and index range, the states
// set while drawing and restored after, the turn per draw, the choice of skies by sky kind, the sky pass of
// the frame (both skies in one pass behind a level frame's scene), the scene clearing that takes the skies
// along, and the generated sky art.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/skybox.h"
#include "graphics_test_support.h"
#include "harness/capturing_device.h"
#include "platform/headless/recording_device.h"
#include "platform/image.h"
#include "platform/window.h"

namespace {

namespace gpu = plat::gpu;
using gfxtest::DrawsOf;
using gfxtest::GraphicsHarness;
using gfxtest::ScratchGameFolder;
using plat::headless::DrawRecord;
using plat::headless::ResourceKind;

class BoxLog final : public plat::Dialogs {
 public:
  void ShowMessage(std::string_view text, std::string_view caption) override {
    boxes.push_back(std::string(caption) + ": " + std::string(text));
  }
  std::vector<std::string> boxes;
};

void ExpectMatrixNear(const math::Matrix& actual, const math::Matrix& expected, float tolerance) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << r << "," << c;
}

// Six 1x1 textures named "face0" to "face5".
struct Faces {
  explicit Faces(gpu::Device& device) {
    for (int f = 0; f < kSkyFaces; ++f) {
      owned[f] = device.CreateTexture({plat::image::Image{1, 1, {0xFFFFFFFF}}}, "face" + std::to_string(f));
      faces[f] = owned[f].get();
    }
  }
  gpu::Texture* faces[kSkyFaces] = {};
  std::unique_ptr<gpu::Texture> owned[kSkyFaces];
};

template <typename T, typename Buffer>
std::vector<T> ReadAll(Buffer& buffer, size_t count) {
  std::vector<T> out(count);
  void* data = buffer.Lock(0, 0, gpu::LockMode::Normal);
  EXPECT_NE(data, nullptr);
  if (data != nullptr) std::memcpy(out.data(), data, count * sizeof(T));
  buffer.Unlock();
  return out;
}

TEST(SkyboxCube, VerticesFollowTheFaceTableAndEveryTriangleFacesInward) {
  CapturingDevice device;
  Faces faces(device);
  Skybox sky(device, faces.faces, 200.0f);
  ASSERT_NE(sky.vertexBuffer, nullptr);
  ASSERT_NE(sky.indexBuffer, nullptr);
  const std::vector<SkyVertex> v = ReadAll<SkyVertex>(*sky.vertexBuffer, kSkyVertices);
  const std::vector<uint16_t> indices = ReadAll<uint16_t>(*sky.indexBuffer, kSkyIndices);

  // Face 0 (+X) and face 5 (-Z) in full; every corner of every face lies on its face's plane.
  const SkyVertex plusX[4] = {
      {200, -200, 200, 0, 1}, {200, 200, 200, 0, 0}, {200, 200, -200, 1, 0}, {200, -200, -200, 1, 1}};
  const SkyVertex minusZ[4] = {
      {200, -200, -200, 0, 1}, {200, 200, -200, 0, 0}, {-200, 200, -200, 1, 0}, {-200, -200, -200, 1, 1}};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(std::memcmp(&v[c], &plusX[c], sizeof(SkyVertex)), 0) << "face 0 corner " << c;
    EXPECT_EQ(std::memcmp(&v[20 + c], &minusZ[c], sizeof(SkyVertex)), 0) << "face 5 corner " << c;
  }
  const float planes[kSkyFaces] = {200, -200, 200, -200, 200, -200};
  for (int f = 0; f < kSkyFaces; ++f) {
    for (int c = 0; c < 4; ++c) {
      const SkyVertex& corner = v[size_t(4 * f + c)];
      EXPECT_EQ(f < 2 ? corner.x : f < 4 ? corner.y : corner.z, planes[f]) << "face " << f << " corner " << c;
      EXPECT_EQ(corner.u, c < 2 ? 0.0f : 1.0f);
      EXPECT_EQ(corner.v, (c == 0 || c == 3) ? 1.0f : 0.0f);
    }
    const auto b = uint16_t(4 * f);
    const std::vector<uint16_t> face(indices.begin() + 6 * f, indices.begin() + 6 * f + 6);
    EXPECT_EQ(face, (std::vector<uint16_t>{b, uint16_t(b + 1), uint16_t(b + 2), b, uint16_t(b + 2),
                                           uint16_t(b + 3)}))
        << "face " << f;
  }
  // Seen from the centre every triangle turns clockwise, so counter-clockwise culling keeps all of them.
  for (int t = 0; t < kSkyIndices / 3; ++t) {
    const SkyVertex& a = v[indices[size_t(3 * t)]];
    const SkyVertex& b = v[indices[size_t(3 * t + 1)]];
    const SkyVertex& c = v[indices[size_t(3 * t + 2)]];
    const math::Vec3 n =
        math::Vec3Cross({b.x - a.x, b.y - a.y, b.z - a.z}, {c.x - a.x, c.y - a.y, c.z - a.z});
    EXPECT_LT(math::Vec3Dot(n, {a.x, a.y, a.z}), 0.0f) << "triangle " << t;
  }
}

TEST(SkyboxDraw, OneDrawPerFaceWithItsTextureRangeAndStatesThenRestores) {
  CapturingDevice device;
  Faces faces(device);
  Skybox sky(device, faces.faces, 200.0f);
  sky.Render(device, math::MatrixIdentity(), nullptr, {1, 2, 3});

  const auto draws = DrawsOf(device.Log().Draws());
  ASSERT_EQ(draws.size(), 6u);
  ASSERT_EQ(device.indexedDraws.size(), 6u);
  for (uint32_t f = 0; f < 6; ++f) {
    SCOPED_TRACE("face " + std::to_string(f));
    const CapturingDevice::IndexedDraw& r = device.indexedDraws[f];
    EXPECT_EQ(r.minIndex, 4 * f);
    EXPECT_EQ(r.numVertices, 4u);
    EXPECT_EQ(r.startIndex, 6 * f);
    EXPECT_EQ(r.primitiveCount, 2u);
    const plat::headless::DeviceState& s = draws[f]->state;
    EXPECT_EQ(s.texture, "face" + std::to_string(f));
    EXPECT_EQ(s.streamStride, 20u);
    EXPECT_TRUE(s.declarationBound);
    EXPECT_EQ(s.Get(gpu::RenderState::ZEnable), 0u);
    EXPECT_EQ(s.Get(gpu::RenderState::ZWriteEnable), 0u);
    EXPECT_EQ(s.Get(gpu::RenderState::Lighting), 0u);
    EXPECT_EQ(s.Get(gpu::SamplerState::AddressU), static_cast<uint32_t>(gpu::Address::Clamp));
    EXPECT_EQ(s.Get(gpu::SamplerState::AddressV), static_cast<uint32_t>(gpu::Address::Clamp));
    // Centred on the eye; this sky does not turn.
    ExpectMatrixNear(s.Transform(gpu::TransformKind::World), math::MatrixTranslation(1, 2, 3), 0.0f);
  }
  const plat::headless::DeviceState& after = device.Log().State();
  EXPECT_EQ(after.Get(gpu::RenderState::ZEnable), 1u);
  EXPECT_EQ(after.Get(gpu::RenderState::ZWriteEnable), 1u);
  EXPECT_EQ(after.Get(gpu::RenderState::Lighting), 0u);  // stays off
  EXPECT_EQ(after.Get(gpu::SamplerState::AddressU), static_cast<uint32_t>(gpu::Address::Wrap));
  EXPECT_EQ(after.Get(gpu::SamplerState::AddressV), static_cast<uint32_t>(gpu::Address::Wrap));

  // The declaration is made once for the device, whatever the number of skies and draws.
  Skybox other(device, faces.faces, 800.0f);
  other.Render(device, math::MatrixIdentity(), nullptr, {0, 0, 0});
  EXPECT_EQ(device.Log().Resources(ResourceKind::VertexDeclaration).created, 1);
}

TEST(SkyboxDraw, WorldViewProjIsTheTurnedSkyAtTheEyeTimesViewProj) {
  CapturingDevice device;
  Faces faces(device);
  gpu::CompiledShader shader =
      device.CompileShader("uniform mat4 WorldViewProj;\nvoid vs_main() {}\n", "vs_main", "vs_1_1");
  ASSERT_NE(shader.constants, nullptr);
  Skybox sky(device, faces.faces, 200.0f);
  sky.Render(device, math::MatrixScaling(2, 3, 4), shader.constants.get(), {10, 0, -5});
  // Translation (10, 0, -5) then the scaling: the fourth row becomes (20, 0, -20, 1).
  const float expected[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 20, 0, -20, 1};
  const std::vector<float> sent = device.Log().Constant("vs_main", "WorldViewProj");
  ASSERT_EQ(sent.size(), 16u);
  for (int k = 0; k < 16; ++k) EXPECT_FLOAT_EQ(sent[size_t(k)], expected[k]) << k;

  // 1000 draws make a turn of 0.1 rad about (1, 1, 1) / sqrt(3), whatever the frame times were.
  Skybox turning(device, faces.faces, 800.0f);
  turning.spinAxis = math::Vec3Normalize({1, 1, 1});
  turning.spinStep = 0.0001f;
  for (int n = 0; n < 1000; ++n) turning.Render(device, math::MatrixIdentity(), nullptr, {0, 0, 0});
  ExpectMatrixNear(turning.rotation, math::MatrixRotationAxis({1, 1, 1}, 0.1f), 2e-5f);
  ExpectMatrixNear(DrawsOf(device.Log().Draws()).back()->state.Transform(gpu::TransformKind::World),
                   turning.rotation, 0.0f);
  ExpectMatrixNear(sky.rotation, math::MatrixIdentity(), 0.0f);
}

TEST(SkyboxDraw, ASkyWithoutItsBuffersReportsAndDrawsNothing) {
  for (bool vertexFails : {true, false}) {
    CapturingDevice device;
    device.refuseVertexBuffers = vertexFails;
    device.refuseIndexBuffers = !vertexFails;
    Faces faces(device);
    BoxLog boxes;
    Skybox sky(device, faces.faces, 200.0f, &boxes);
    EXPECT_EQ(boxes.boxes, std::vector<std::string>{vertexFails ? ": Skybox CreateVertexBuffer() - FAILED"
                                                                : ": Skybox CreateIndexBuffer() - FAILED"});
    const uint32_t addressBefore = device.Log().State().Get(gpu::SamplerState::AddressU);
    sky.Render(device, math::MatrixIdentity(), nullptr, {0, 0, 0});
    EXPECT_TRUE(DrawsOf(device.Log().Draws()).empty());
    EXPECT_EQ(device.Log().State().Get(gpu::SamplerState::AddressU), addressBefore);  // nothing set either
  }
}

// --- The graphics object's skies

class Skies : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.initialised); }
  Graphics& g() { return *h.graphics; }
  int TexturesCreated() const { return h.log().Resources(ResourceKind::Texture).created; }
  // The sky draws of the last presented frame.
  std::vector<const DrawRecord*> SkyDraws() const {
    std::vector<const DrawRecord*> sky;
    for (const DrawRecord* d : DrawsOf(h.log().PreviousDraws()))
      if (d->call == "DrawIndexedPrimitive") sky.push_back(d);
    return sky;
  }
  GraphicsHarness h;
};

TEST_F(Skies, LevelSkyHasATurningOuterSkyOverTheInnerOneAndASecondLoadsNothing) {
  g().SetSkyEnabled(false);
  EXPECT_TRUE(g().SetSkybox(0));
  EXPECT_TRUE(g().drawSky);
  ASSERT_NE(g().innerSkybox, nullptr);
  ASSERT_NE(g().outerSkybox, nullptr);
  for (gpu::Texture* t : g().innerSkybox->faceTextures)
    EXPECT_EQ(t->Name(), "Assets\\Art\\skybox_level1.jpg");
  for (gpu::Texture* t : g().outerSkybox->faceTextures) EXPECT_EQ(t->Name(), "Assets\\Art\\Sky.dds");
  EXPECT_EQ(g().sceneTextures.size(), 2u);
  // The inner cube is 200 across each way from the eye, the outer 800.
  EXPECT_EQ(ReadAll<SkyVertex>(*g().innerSkybox->vertexBuffer, 1)[0].x, 200.0f);
  EXPECT_EQ(ReadAll<SkyVertex>(*g().outerSkybox->vertexBuffer, 1)[0].x, 800.0f);

  // The outer sky turns once a frame about (1, 1, 1), the inner never.
  for (int n = 0; n < 40; ++n) h.Frame();
  ExpectMatrixNear(g().outerSkybox->rotation, math::MatrixRotationAxis({1, 1, 1}, 40 * 0.0001f), 1e-6f);
  ExpectMatrixNear(g().innerSkybox->rotation, math::MatrixIdentity(), 0.0f);

  const int created = TexturesCreated();
  ASSERT_TRUE(g().SetSkybox(0));
  EXPECT_EQ(TexturesCreated(), created);
  EXPECT_EQ(g().sceneTextures.size(), 2u);
  ExpectMatrixNear(g().outerSkybox->rotation, math::MatrixIdentity(), 0.0f);
}

TEST_F(Skies, BlackSkyIsOneInnerSkyAndOtherKindsRemoveBothAndKeepTheFlag) {
  EXPECT_TRUE(g().SetSkybox(2));
  ASSERT_NE(g().innerSkybox, nullptr);
  EXPECT_EQ(g().outerSkybox, nullptr);
  EXPECT_EQ(g().innerSkybox->faceTextures[3]->Name(), "Assets\\Art\\black.jpg");
  h.Frame();
  EXPECT_EQ(SkyDraws().size(), 6u);

  ASSERT_TRUE(g().SetSkybox(0));
  for (bool flag : {false, true}) {
    g().SetSkyEnabled(flag);
    EXPECT_TRUE(g().SetSkybox(1));
    EXPECT_EQ(g().innerSkybox, nullptr);
    EXPECT_EQ(g().outerSkybox, nullptr);
    EXPECT_EQ(g().drawSky, flag);
  }
  h.Frame();
  EXPECT_TRUE(SkyDraws().empty());
}

TEST_F(Skies, LevelModeDrawsTheInnerSkyThenBlendsTheOuterByTextureAlpha) {
  ASSERT_TRUE(g().SetSkybox(0));
  g().colorAdd[0] = 0.5f;
  g().straightforwardFrame = true;  // the sky first, then the composite
  h.Frame();
  const auto sky = SkyDraws();
  ASSERT_EQ(sky.size(), 12u);
  for (size_t k = 0; k < sky.size(); ++k) {
    SCOPED_TRACE(k);
    const plat::headless::DeviceState& s = sky[k]->state;
    EXPECT_EQ(s.vertexShader, "vertex.vsh");
    EXPECT_EQ(s.pixelShader, "pixel.psh");
    const bool outer = k >= 6;
    EXPECT_EQ(s.texture, outer ? "Assets\\Art\\Sky.dds" : "Assets\\Art\\skybox_level1.jpg");
    EXPECT_EQ(s.Get(gpu::RenderState::AlphaBlendEnable), outer ? 1u : 0u);
    if (outer) {
      EXPECT_EQ(s.Get(gpu::StageState::AlphaOp), static_cast<uint32_t>(gpu::TexOp::SelectArg1));
      EXPECT_EQ(s.Get(gpu::StageState::AlphaArg1), static_cast<uint32_t>(gpu::TexArg::Texture));
      EXPECT_EQ(s.Get(gpu::RenderState::SrcBlend), static_cast<uint32_t>(gpu::Blend::SrcAlpha));
      EXPECT_EQ(s.Get(gpu::RenderState::DestBlend), static_cast<uint32_t>(gpu::Blend::InvSrcAlpha));
    }
  }
  // The tint goes before the sky, and each sky sends its own WorldViewProj.
  int worldViewProj = 0;
  bool tint = false;
  for (const auto& c : h.log().PreviousConstantSets()) {
    if (c.shader == "pixel.psh" && c.name == "ColorAdd" && worldViewProj == 0) tint = c.values[0] == 0.5f;
    if (c.shader == "vertex.vsh" && c.name == "WorldViewProj") ++worldViewProj;
  }
  EXPECT_TRUE(tint);
  EXPECT_EQ(worldViewProj, 2);
  // Blending is off again after the sky: the opaque composite is drawn without it.
  const auto draws = DrawsOf(h.log().PreviousDraws());
  EXPECT_EQ(draws.back()->call, "DrawPrimitiveUP");
  EXPECT_EQ(draws.back()->state.Get(gpu::RenderState::AlphaBlendEnable), 0u);
}

TEST_F(Skies, BehindTheSceneTheSkyFillsOnlyWhatTheOpaquePartsLeftAndSamplesItsFirstLevel) {
  ASSERT_TRUE(g().SetSkybox(0));
  h.AddModel(g().entityModels);
  h.Frame();
  const auto draws = SkyDraws();
  ASSERT_EQ(draws.size(), 2u);  // the part, then both skies in one pass
  auto is = [](const DrawRecord* d, auto state, auto value) {
    return d->state.Get(state) == static_cast<uint32_t>(value);
  };
  EXPECT_TRUE(is(draws[0], gpu::RenderState::StencilEnable, 1));
  EXPECT_TRUE(is(draws[0], gpu::RenderState::StencilFunc, gpu::Compare::Always));
  EXPECT_TRUE(is(draws[0], gpu::RenderState::StencilRef, 1));
  EXPECT_TRUE(is(draws[0], gpu::RenderState::StencilPass, gpu::StencilOp::Replace));
  for (size_t k = 1; k < draws.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_TRUE(is(draws[k], gpu::RenderState::StencilEnable, 1));
    EXPECT_TRUE(is(draws[k], gpu::RenderState::StencilFunc, gpu::Compare::Equal));
    EXPECT_TRUE(is(draws[k], gpu::RenderState::StencilRef, 0));
    EXPECT_TRUE(is(draws[k], gpu::RenderState::StencilPass, gpu::StencilOp::Keep));
    EXPECT_TRUE(is(draws[k], gpu::SamplerState::MipFilter, gpu::Filter::None));
  }
  EXPECT_EQ(h.log().State().Get(gpu::RenderState::StencilEnable), 0u);
  EXPECT_EQ(h.log().State().Get(gpu::SamplerState::MipFilter), static_cast<uint32_t>(gpu::Filter::Point));
}

TEST_F(Skies, TitleModeAndShadersOffDrawTheSkyWithoutShadersOrConstants) {
  ASSERT_TRUE(g().SetSkybox(0));
  g().shadersOn = false;
  h.Frame();
  EXPECT_EQ(SkyDraws().size(), 12u);
  EXPECT_TRUE(h.log().PreviousConstantSets().empty());

  g().shadersOn = true;
  g().EnterTitleMode();
  ASSERT_TRUE(g().SetSkybox(2));
  h.Frame();
  const auto sky = SkyDraws();
  ASSERT_EQ(sky.size(), 6u);
  for (const DrawRecord* d : sky) {
    EXPECT_FALSE(d->state.ShadersBound());
    EXPECT_TRUE(d->state.declarationBound);
    EXPECT_EQ(d->state.Get(gpu::RenderState::Lighting), 0u);
  }
}

TEST_F(Skies, ClearSceneTakesTheSkiesAlongWithTheirTextures) {
  const int liveBefore = h.log().Resources(ResourceKind::Texture).live;
  ASSERT_TRUE(g().SetSkybox(0));
  h.Frame();
  ASSERT_EQ(SkyDraws().size(), 1u);
  EXPECT_TRUE(g().ClearScene());
  EXPECT_EQ(g().innerSkybox, nullptr);
  EXPECT_EQ(g().outerSkybox, nullptr);
  EXPECT_EQ(h.log().Resources(ResourceKind::Texture).live, liveBefore);  // both sky textures released
  h.Frame();
  EXPECT_TRUE(SkyDraws().empty());
  // A new sky loads its textures afresh.
  const int created = TexturesCreated();
  ASSERT_TRUE(g().SetSkybox(0));
  EXPECT_EQ(TexturesCreated(), created + 2);
  h.Frame();
  EXPECT_EQ(SkyDraws().size(), 1u);
}

TEST_F(Skies, BehindTheSceneBothSkiesGoInOnePassUnlessASkyHasSeveralTextures) {
  ASSERT_TRUE(g().SetSkybox(0));
  g().colorAdd[1] = 0.25f;
  h.Frame();
  h.Frame();
  auto sky = SkyDraws();
  ASSERT_EQ(sky.size(), 1u);
  const plat::headless::DeviceState& s = sky[0]->state;
  EXPECT_EQ(s.vertexShader, "sky layers vertex");
  EXPECT_EQ(s.pixelShader, "sky layers tinted pixel");
  EXPECT_EQ(s.texture, "Assets\\Art\\skybox_level1.jpg");
  EXPECT_EQ(s.secondTexture, "Assets\\Art\\Sky.dds");
  EXPECT_EQ(s.Get(gpu::RenderState::AlphaBlendEnable), 0u);
  EXPECT_EQ(h.log().State().secondTexture, "");  // unbound after the pass
  // Both skies turned each frame; the outer's coordinates come from the inner cube's turned back by the
  // outer's turn, on the inner cube's WorldViewProj.
  ExpectMatrixNear(g().outerSkybox->rotation, math::MatrixRotationAxis({1, 1, 1}, 2 * 0.0001f), 1e-6f);
  const auto sent = [this](const char* shader, const char* name) { return h.log().Constant(shader, name); };
  const math::Matrix back = math::MatrixTranspose(g().outerSkybox->rotation);
  const std::vector<float> outerFromInner = sent("sky layers vertex", "OuterFromInner");
  ASSERT_EQ(outerFromInner.size(), 16u);
  for (int k = 0; k < 16; ++k) EXPECT_NEAR(outerFromInner[size_t(k)], back.m[k / 4][k % 4], 1e-6f);
  EXPECT_EQ(sent("sky layers vertex", "WorldViewProj").size(), 16u);
  EXPECT_EQ(sent("sky layers tinted pixel", "ColorAdd"), (std::vector<float>{0.0f, 0.25f, 0.0f}));

  // Untinted (a negative zero too), the program without the tint; any channel tinted, the one with it.
  const struct {
    float tint[3];
    const char* pixelShader;
  } tints[] = {{{0, 0, 0}, "sky layers pixel"},
               {{-0.0f, 0, -0.0f}, "sky layers pixel"},
               {{0.5f, 0, 0}, "sky layers tinted pixel"},
               {{0, 0, -0.01f}, "sky layers tinted pixel"}};
  for (const auto& t : tints) {
    SCOPED_TRACE(t.tint[2]);
    std::copy(t.tint, t.tint + 3, g().colorAdd);
    h.Frame();
    sky = SkyDraws();
    ASSERT_EQ(sky.size(), 1u);
    EXPECT_EQ(sky[0]->state.pixelShader, t.pixelShader);
  }

  // A sky whose faces differ is drawn face by face, the outer blended over the inner.
  g().outerSkybox->faceTextures[2] = g().innerSkybox->faceTextures[0];
  h.Frame();
  sky = SkyDraws();
  ASSERT_EQ(sky.size(), 12u);
  EXPECT_EQ(sky[6]->state.vertexShader, "vertex.vsh");
  EXPECT_EQ(sky[6]->state.Get(gpu::RenderState::AlphaBlendEnable), 1u);
}

TEST(SkiesMissingArt, AMissingOuterSkyLeavesTheInnerOneAndAMissingInnerLeavesNone) {
  const std::string failed = "D3DXCreateTextureFromFile() - FAILED";
  {
    ScratchGameFolder folder({"Art/Sky.dds"});
    GraphicsHarness h(folder.Root());
    ASSERT_TRUE(h.initialised);
    EXPECT_FALSE(h.graphics->SetSkybox(0));
    EXPECT_NE(h.graphics->innerSkybox, nullptr);
    EXPECT_EQ(h.graphics->outerSkybox, nullptr);
    EXPECT_EQ(h.services.MessageBoxes(), (std::vector<std::string>{"Sprite: " + failed, ": " + failed}));
  }
  ScratchGameFolder folder({"Art/skybox_level1.jpg"});
  GraphicsHarness h(folder.Root());
  ASSERT_TRUE(h.initialised);
  EXPECT_FALSE(h.graphics->SetSkybox(0));
  EXPECT_EQ(h.graphics->innerSkybox, nullptr);
  EXPECT_EQ(h.graphics->outerSkybox, nullptr);
  h.Frame();
  for (const DrawRecord* d : DrawsOf(h.log().PreviousDraws())) EXPECT_NE(d->call, "DrawIndexedPrimitive");
}

// --- The generated sky art

plat::image::Image LoadArt(const std::string& name) {
  std::ifstream in(EngineHarness::GameFolder() / "Assets" / "Art" / name, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  plat::image::Image image;
  std::string error;
  EXPECT_TRUE(plat::image::Decode(bytes, image, &error)) << name << ": " << error;
  return image;
}

TEST(SkyArt, LevelSkyStarLayerAndBlackSky) {
  // Six copies of the level sky meet without seams only if the whole border is one colour.
  const plat::image::Image sky = LoadArt("skybox_level1.jpg");
  ASSERT_EQ(sky.width, 512);
  ASSERT_EQ(sky.height, 512);
  const uint32_t border = sky.argb[0];
  for (int k = 0; k < 512; ++k) {
    EXPECT_EQ(sky.argb[size_t(k)], border);
    EXPECT_EQ(sky.argb[size_t(511 * 512 + k)], border);
    EXPECT_EQ(sky.argb[size_t(k * 512)], border);
    EXPECT_EQ(sky.argb[size_t(k * 512 + 511)], border);
  }
  const uint32_t middle = sky.argb[size_t(256 * 512 + 256)];
  const int r = int(middle >> 16 & 0xFF), g = int(middle >> 8 & 0xFF), b = int(middle & 0xFF);
  EXPECT_GT(b, r);
  EXPECT_GT(r, g);
  EXPECT_GT(b, int(border & 0xFF) + 30);
  EXPECT_LT(int(border >> 16 & 0xFF) + int(border >> 8 & 0xFF) + int(border & 0xFF), 40);  // near black

  // The star layer is transparent but for stars and faint clouds, with a clear border.
  const plat::image::Image stars = LoadArt("Sky.dds");
  ASSERT_EQ(stars.width, 512);
  ASSERT_EQ(stars.height, 512);
  int opaque = 0, clouds = 0, clear = 0;
  for (int y = 0; y < 512; ++y) {
    for (int x = 0; x < 512; ++x) {
      const uint32_t alpha = stars.argb[size_t(y * 512 + x)] >> 24;
      if (x < 8 || y < 8 || x >= 504 || y >= 504) {
        EXPECT_EQ(alpha, 0u) << x << "," << y;
      }
      if (alpha > 0 && alpha < 255) {
        EXPECT_LE(alpha, 89u);  // 0.35 at most
      }
      opaque += alpha == 255;
      clouds += alpha > 0 && alpha < 255;
      clear += alpha == 0;
    }
  }
  EXPECT_GT(opaque, 600);  // about 600 stars of one to five pixels
  EXPECT_LT(opaque, 2000);
  EXPECT_GT(clouds, 10000);
  EXPECT_GT(clear, 512 * 512 / 2);

  const plat::image::Image black = LoadArt("black.jpg");
  ASSERT_EQ(black.width, 8);
  ASSERT_EQ(black.height, 8);
  for (uint32_t pixel : black.argb) EXPECT_EQ(pixel, 0xFF000000u);
}

}  // namespace
