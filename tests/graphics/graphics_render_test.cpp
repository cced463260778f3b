// The frame: pass order and shader constants in level and title mode, the debug overlays, the particle,
// sprite and composite passes, and the states each pass leaves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/particle_system.h"
#include "graphics/sprite.h"
#include "graphics_test_support.h"

namespace {

using gfxtest::GraphicsHarness;
using gfxtest::InOrder;
namespace gpu = plat::gpu;
using plat::headless::DrawRecord;

// Counts the calls the frame makes on a particle system.
class CountingSystem : public ParticleSystem {
 public:
  explicit CountingSystem(std::vector<std::string>* calls, std::string name, bool done = false)
      : ParticleSystem(kGlowParticles, 1, 1, 1.0f, true), calls_(calls), name_(std::move(name)) {
    finished = done;
  }
  void InitParticle(Particle&) override {}
  void Update(float dt) override { calls_->push_back(name_ + " Update " + std::to_string(dt)); }
  void SetPointSize() override { calls_->push_back(name_ + " SetPointSize"); }
  void Render() override { calls_->push_back(name_ + " Render"); }
  void PostRender() override { calls_->push_back(name_ + " PostRender"); }

 private:
  std::vector<std::string>* calls_;
  std::string name_;
};

// Camera looking along +Z with up +Y and right +X.
void FaceAlongZ(Graphics& g, math::Vec3 eye) {
  g.camera.SetEye(eye);
  g.camera.SetAxes({0, 0, 1}, {0, 1, 0}, {1, 0, 0});
}

std::vector<const DrawRecord*> MeshDraws(const std::vector<DrawRecord>& all) {
  std::vector<const DrawRecord*> out;
  for (const DrawRecord* d : gfxtest::DrawsOf(all)) {
    if (d->call == "DrawIndexedPrimitive") out.push_back(d);
  }
  return out;
}

class LevelFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.initialised);
    g().titleMode = false;
    FaceAlongZ(g(), {0, 0, -10});
  }
  Graphics& g() { return *h.graphics; }
  GraphicsHarness h;
};

TEST_F(LevelFrame, StraightforwardPassesRunInOrderWithTheirShaderPairsAndWithShadersOffBindNothing) {
  g().straightforwardFrame = true;
  g().visibleScenery.push_back(h.AddModel(g().sceneryModels));  // the drawn set does not own its models
  h.AddModel(g().entityModels);
  h.AddModel(g().blendedModels);
  Sprite* sprite = nullptr;
  ASSERT_TRUE(
      g().CreateSprite(&sprite, "Assets\\Art\\Paused.dds", 0.35f, 0.4f, 1, 1, nullptr, 1, nullptr, 1));
  TextLabel* label = nullptr;
  g().CreateTextLabel(&label, 0.1f, 0.1f, "Score", 0xFFFFFFFF);

  EXPECT_TRUE(h.Frame());
  const auto& events = h.log().PreviousEvents();
  EXPECT_TRUE(InOrder(events, {"SetVertexShader vertex.vsh",
                               "SetPixelShader pixel.psh",
                               "BeginScene",
                               "SetRenderTarget RenderTexture1",
                               "Clear 0x00000000",
                               "Constant pixel.psh ColorAdd",  // sky tint
                               "SetVertexShader lighting.vsh",
                               "SetPixelShader lighting.psh",
                               "Constant lighting.vsh vecEye",
                               "Constant lighting.vsh vecLightDir",  // light, eye first
                               "Constant vertex.vsh WorldViewProj",
                               "Constant lighting.vsh matWorldViewProj",  // scenery part
                               "Constant lighting.vsh matWorld",
                               "Constant pixel.psh ColorAdd",
                               "Constant lighting.psh ColorAdd",
                               "Constant lighting.psh Material",
                               "Draw DrawIndexedPrimitive TriangleList 12",
                               "Constant lighting.psh Material",
                               "Draw DrawIndexedPrimitive TriangleList 12",  // entity part
                               "Constant lighting.psh Material",
                               "Draw DrawIndexedPrimitive TriangleList 12",  // blended part
                               "Constant lighting.psh Material",             // (1, 1, 1, 1)
                               "SetVertexShader none",
                               "SetPixelShader none",
                               "SetTexture Assets\\Art\\Paused.dds",  // sprites, then text
                               "SetRenderTarget BackBuffer",
                               "SetTexture RenderTexture1",
                               "Draw DrawPrimitiveUP TriangleStrip 2",
                               "EndScene",
                               "Present"}));
  // One scene, one presentation, and the back buffer is never cleared by a level frame.
  EXPECT_EQ(gfxtest::CountEvents(events, "BeginScene"), 1);
  EXPECT_EQ(gfxtest::CountEvents(events, "Clear 0x00000000"), 1);
  EXPECT_EQ(gfxtest::FindEvent(events, "DiscardBackBuffer"), -1);  // what the back buffer holds is kept
  EXPECT_EQ(h.log().FramesPresented(), 1);
  // The blended part is drawn with blending on, the opaque ones without.
  const auto draws = MeshDraws(h.log().PreviousDraws());
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0]->state.Get(gpu::RenderState::AlphaBlendEnable), 0u);
  EXPECT_EQ(draws[1]->state.Get(gpu::RenderState::AlphaBlendEnable), 0u);
  EXPECT_EQ(draws[2]->state.Get(gpu::RenderState::AlphaBlendEnable), 1u);
  EXPECT_EQ(draws[2]->state.Get(gpu::StageState::AlphaOp), static_cast<uint32_t>(gpu::TexOp::Modulate));

  // With shaders off the same scene sends no constant and binds no shader for any draw.
  g().shadersOn = false;
  h.Frame();
  EXPECT_TRUE(h.log().PreviousConstantSets().empty());
  EXPECT_EQ(MeshDraws(h.log().PreviousDraws()).size(), 3u);
  for (const auto* d : gfxtest::DrawsOf(h.log().PreviousDraws())) EXPECT_FALSE(d->state.ShadersBound());
}

TEST_F(LevelFrame, UsualFrameGoesStraightIntoTheBackBufferWithTheSkyBetweenOpaqueAndBlendedParts) {
  h.AddModel(g().entityModels);
  h.AddModel(g().blendedModels);
  h.Frame();
  const auto& events = h.log().PreviousEvents();
  EXPECT_TRUE(
      InOrder(events, {"BeginScene", "DiscardBackBuffer", "SetRenderTarget BackBuffer", "Clear 0x00000000",
                       "SetVertexShader lighting.vsh", "Draw DrawIndexedPrimitive TriangleList 12",
                       "SetVertexShader vertex.vsh", "Constant pixel.psh ColorAdd",  // the sky
                       "SetVertexShader lighting.vsh", "Draw DrawIndexedPrimitive TriangleList 12",
                       "SetVertexShader none", "EndScene", "Present"}));
  EXPECT_EQ(gfxtest::FindEvent(events, "SetRenderTarget RenderTexture1"), -1);  // no target, no composite
  EXPECT_EQ(gfxtest::DrawsOf(h.log().PreviousDraws()).back()->call, "DrawIndexedPrimitive");
}

TEST_F(LevelFrame, TheOffScreenTargetIsHeldOnlyWhileFramesGoThroughIt) {
  h.Frame();
  EXPECT_EQ(g().renderTexture, nullptr);
  EXPECT_EQ(g().offscreenSurface, nullptr);
  g().EnterTitleMode();
  h.Frame();
  ASSERT_NE(g().renderTexture, nullptr);
  EXPECT_EQ(g().offscreenSurface, &g().renderTexture->Surface());
  EXPECT_TRUE(InOrder(
      h.log().PreviousEvents(),
      {"BeginScene", "SetRenderTarget RenderTexture2", "Clear 0x00000000", "SetRenderTarget BackBuffer",
       "SetTexture RenderTexture2", "Draw DrawPrimitiveUP TriangleStrip 2", "Present"}));
}

// The z of each mesh draw's world translation, in drawing order.
std::vector<float> DrawnDepths(const plat::headless::GpuLog& log) {
  std::vector<float> z;
  for (const DrawRecord* d : MeshDraws(log.PreviousDraws()))
    z.push_back(d->state.Transform(gpu::TransformKind::World).m[3][2]);
  return z;
}

TEST_F(LevelFrame, OpaqueModelsGoNearestFirstAndOnceWhileTheStraightforwardFrameKeepsTheLists) {
  auto place = [](Model* m, float z) {
    m->parts[0]->modelWorld = math::MatrixTranslation(0, 0, z);
    m->position = {0, 0, z};
    return m;
  };
  Model* far = place(h.AddModel(g().sceneryModels), 50);
  Model* near = place(h.AddModel(g().sceneryModels), 5);
  g().visibleScenery = {far, near, far};  // a model listed twice
  place(h.AddModel(g().entityModels), 20);
  place(h.AddModel(g().blendedModels), 1);  // blended models keep their own pass, after the opaque ones
  h.Frame();
  EXPECT_EQ(DrawnDepths(h.log()), (std::vector<float>{5, 20, 50, 1}));
  g().straightforwardFrame = true;
  h.Frame();
  EXPECT_EQ(DrawnDepths(h.log()), (std::vector<float>{50, 5, 50, 20, 1}));
}

TEST_F(LevelFrame, PartsWhollyOutOfViewAreNotDrawnButTheirDebugSpheresAre) {
  Model* model = h.AddModel(g().entityModels);
  ObjectPart& part = *model->parts[0];
  const float r = part.mesh->boundingRadius;
  ASSERT_GT(r, 0.0f);
  // Seen from z = -10 along +Z, the view is 20 * tan(pi / 8) * 4 / 3 to each side at z = 10.
  const float edge = 20.0f * 0.41421356f * 4.0f / 3.0f;
  struct Case {
    const char* name;
    math::Matrix world;
    bool drawn;
  };
  const Case cases[] = {
      {"in front", math::MatrixTranslation(0, 0, 10), true},
      {"half out at the left edge", math::MatrixTranslation(-edge - 0.5f * r, 0, 10), true},
      {"beyond the left edge", math::MatrixTranslation(-edge - 3.0f * r, 0, 10), false},
      {"there, four times as large",
       math::MatrixMultiply(math::MatrixScaling(4, 4, 4), math::MatrixTranslation(-edge - 3.0f * r, 0, 10)),
       true},
      {"behind the eye", math::MatrixTranslation(0, 0, -10 - 3.0f * r), false},
      {"past the far plane", math::MatrixTranslation(0, 0, 1500 + 3.0f * r), false},
  };
  CollisionSphere sphere;
  sphere.radius = 1.0f;
  part.spheres.push_back(sphere);
  g().showSpheres = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    part.modelWorld = c.world;
    for (bool straightforward : {false, true}) {
      g().straightforwardFrame = straightforward;
      h.Frame();
      // The collision sphere's draw always, the part's when in view (and always the straightforward way).
      EXPECT_EQ(MeshDraws(h.log().PreviousDraws()).size(), (c.drawn || straightforward) ? 2u : 1u);
    }
  }
}

TEST_F(LevelFrame, LightFollowsTheCamera) {
  h.Frame();
  const std::vector<float> light = h.log().Constant("lighting.vsh", "vecLightDir");
  ASSERT_EQ(light.size(), 4u);
  EXPECT_FLOAT_EQ(light[0], -0.2591605f);
  EXPECT_FLOAT_EQ(light[1], 0.4319342f);
  EXPECT_FLOAT_EQ(light[2], -0.8638684f);
  EXPECT_FLOAT_EQ(light[3], 1.0f);
  EXPECT_EQ(h.log().Constant("lighting.vsh", "vecEye"), (std::vector<float>{0, 0, -10, 1}));

  // Looking down -Y with up +Z, the light comes from above the viewer: -look + 0.5 up - 0.3 right.
  g().camera.SetAxes({0, -1, 0}, {0, 0, 1}, {1, 0, 0});
  h.Frame();
  const std::vector<float> turned = h.log().Constant("lighting.vsh", "vecLightDir");
  ASSERT_EQ(turned.size(), 4u);
  EXPECT_FLOAT_EQ(turned[0], -0.2591605f);
  EXPECT_FLOAT_EQ(turned[1], 0.8638684f);
  EXPECT_FLOAT_EQ(turned[2], 0.4319342f);
}

TEST_F(LevelFrame, HitFlashTintsThePartOnBothPixelShaders) {
  Model* model = h.AddModel(g().entityModels);
  model->parts[0]->hitFlash = 1.0f;
  g().colorAdd[0] = 0.5f;           // the sky tint goes only to the plain shader, before the parts
  g().straightforwardFrame = true;  // (after them in the usual frame, right before the sky)
  h.Frame();
  const std::vector<float> flash{0.33333334f, -0.33333334f, -0.33333334f};
  EXPECT_EQ(h.log().Constant("lighting.psh", "ColorAdd"), flash);
  EXPECT_EQ(h.log().Constant("pixel.psh", "ColorAdd"), flash);
  std::vector<std::vector<float>> plainTints;
  for (const auto& c : h.log().PreviousConstantSets()) {
    if (c.shader == "pixel.psh" && c.name == "ColorAdd") plainTints.push_back(c.values);
  }
  ASSERT_EQ(plainTints.size(), 2u);
  EXPECT_EQ(plainTints[0], (std::vector<float>{0.5f, 0.0f, 0.0f}));

  model->parts[0]->hitFlash = 0.0f;
  h.Frame();
  EXPECT_EQ(h.log().Constant("lighting.psh", "ColorAdd"), (std::vector<float>{0, 0, 0}));
}

TEST_F(LevelFrame, PartMatricesPlaceThePartInFrontOfTheCamera) {
  Model* model = h.AddModel(g().entityModels);
  ObjectPart& part = *model->parts[0];
  part.modelWorld = math::MatrixTranslation(0, 0, 10);
  part.local = math::MatrixTranslation(1, 0, 0);
  h.Frame();
  const std::vector<float> world = h.log().Constant("lighting.vsh", "matWorld");
  const std::vector<float> wvp = h.log().Constant("lighting.vsh", "matWorldViewProj");
  ASSERT_EQ(world.size(), 16u);
  ASSERT_EQ(wvp.size(), 16u);
  EXPECT_EQ(world[12], 1.0f);  // local first, then the model: translation (1, 0, 10)
  EXPECT_EQ(world[14], 10.0f);
  math::Matrix m;
  std::memcpy(m.m, wvp.data(), sizeof m.m);
  // The part's origin is 20 in front of an eye at z -10: depth 1500 * 19 / 1499.
  const math::Vec3 clip = math::Vec3TransformCoord({0, 0, 0}, m);
  EXPECT_FLOAT_EQ(clip.z, 1500.0f * 19.0f / 1499.0f / 20.0f);
  EXPECT_FLOAT_EQ(clip.x, 2.4142134f / 1.3333334f / 20.0f);
  EXPECT_EQ(h.log().Constant("vertex.vsh", "WorldViewProj"), wvp);
  // The device's world transform is the same matrix.
  const auto draws = MeshDraws(h.log().PreviousDraws());
  ASSERT_FALSE(draws.empty());
  EXPECT_EQ(draws[0]->state.Transform(gpu::TransformKind::World).m[3][2], 10.0f);
}

TEST_F(LevelFrame, EachSubsetGetsItsMaterialAndTexture) {
  Model* model = h.AddModel(g().entityModels, "Assets\\Art\\TestHull.X");
  const Mesh& mesh = *model->parts[0]->mesh;
  ASSERT_FALSE(mesh.materials.empty());
  h.Frame();
  std::vector<std::vector<float>> materials;
  for (const auto& c : h.log().PreviousConstantSets()) {
    if (c.name == "Material") materials.push_back(c.values);
  }
  // One per subset, then (1, 1, 1, 1) after the transparent pass.
  ASSERT_EQ(materials.size(), mesh.materials.size() + 1);
  const gpu::ColorF& d = mesh.materials[0].diffuse;
  EXPECT_EQ(materials[0], (std::vector<float>{d.r, d.g, d.b, d.a}));
  EXPECT_EQ(materials.back(), (std::vector<float>{1, 1, 1, 1}));
  const auto draws = MeshDraws(h.log().PreviousDraws());
  ASSERT_EQ(draws.size(), mesh.materials.size());
  EXPECT_EQ(draws[0]->state.material.ambient.r, d.r);  // ambient replaced by diffuse
  ASSERT_NE(mesh.textures[0], nullptr);                // TestHull.X names TestHull.bmp
  EXPECT_EQ(draws[0]->state.texture, mesh.textures[0]->Name());
  EXPECT_EQ(mesh.textures[0]->Name(), "Assets\\Art\\TestHull.bmp");
}

TEST_F(LevelFrame, HiddenModelDrawsNoMeshButItsDebugSpheresWithShadersUnbound) {
  Model* model = h.AddModel(g().entityModels);
  ObjectPart& part = *model->parts[0];
  part.lockPoints.push_back(LockPoint{{0, 0, 0}, {1, 2, 3}, "Tip"});
  CollisionSphere sphere;
  sphere.radius = 4.0f;
  sphere.worldCentre = {5, 6, 7};
  part.spheres.push_back(sphere);
  model->visible = false;
  g().showLockPoints = true;
  g().showSpheres = true;
  h.Frame();

  const auto draws = MeshDraws(h.log().PreviousDraws());
  ASSERT_EQ(draws.size(), 2u);  // the lock-point sphere and the collision sphere, no part mesh
  for (const DrawRecord* d : draws) EXPECT_FALSE(d->state.ShadersBound());
  const math::Matrix& lockAt = draws[0]->state.Transform(gpu::TransformKind::World);
  EXPECT_EQ(lockAt.m[3][0], 1.0f);
  EXPECT_EQ(lockAt.m[3][1], 2.0f);
  EXPECT_EQ(lockAt.m[3][2], 3.0f);
  EXPECT_EQ(draws[1]->state.Transform(gpu::TransformKind::World).m[3][2], 7.0f);
  // The lit pair is bound again for the next part.
  const auto& events = h.log().PreviousEvents();
  const int unbind = gfxtest::FindEvent(events, "SetVertexShader none");
  ASSERT_GE(unbind, 0);
  EXPECT_GE(gfxtest::FindEvent(events, "SetVertexShader lighting.vsh", unbind), 0);
}

TEST_F(LevelFrame, WaypointsDrawRedBoxesAndCyanLinesWithShadersUnbound) {
  using plat::headless::ResourceKind;
  const int buffersBefore = h.log().Resources(ResourceKind::VertexBuffer).live;
  g().waypoints = {Waypoint(0, 0, 0), Waypoint(0, 0, 100), Waypoint(50, 0, 200)};
  g().showWaypoints = true;
  h.Frame();
  const auto all = gfxtest::DrawsOf(h.log().PreviousDraws());
  std::vector<const DrawRecord*> boxes, lines;
  for (const DrawRecord* d : all) {
    if (d->call == "DrawIndexedPrimitive") boxes.push_back(d);
    if (d->primitive == gpu::Primitive::LineList) lines.push_back(d);
  }
  ASSERT_EQ(boxes.size(), 3u);
  for (const DrawRecord* d : boxes) {
    EXPECT_FALSE(d->state.ShadersBound());
    EXPECT_EQ(d->state.material.diffuse.r, 1.0f);
    EXPECT_EQ(d->state.material.diffuse.g, 0.0f);
    EXPECT_FALSE(d->state.textureBound);
  }
  EXPECT_EQ(boxes[2]->state.Transform(gpu::TransformKind::World).m[3][0], 50.0f);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]->primitiveCount, 2u);
  EXPECT_EQ(lines[0]->state.material.diffuse.g, 1.0f);
  EXPECT_EQ(lines[0]->state.material.diffuse.r, 0.0f);
  EXPECT_EQ(lines[0]->state.fvf, gpu::fvf::XYZ);
  EXPECT_EQ(lines[0]->state.streamStride, 12u);
  EXPECT_FALSE(lines[0]->state.ShadersBound());

  g().waypoints = {Waypoint(0, 0, 0)};
  h.Frame();
  int boxCount = 0, lineCount = 0;
  for (const DrawRecord* d : gfxtest::DrawsOf(h.log().PreviousDraws())) {
    boxCount += d->call == "DrawIndexedPrimitive";
    lineCount += d->primitive == gpu::Primitive::LineList;
  }
  EXPECT_EQ(boxCount, 1);
  EXPECT_EQ(lineCount, 0);
  // The box and the line buffer are made and released within the frame.
  EXPECT_EQ(h.log().Resources(ResourceKind::VertexBuffer).live, buffersBefore);
  EXPECT_GT(h.log().Resources(ResourceKind::VertexBuffer).created, buffersBefore);
}

TEST_F(LevelFrame, StraightforwardCompositeIsAnOpaqueScreenQuadWithoutDepth) {
  g().straightforwardFrame = true;
  h.Frame();
  const auto draws = gfxtest::DrawsOf(h.log().PreviousDraws());
  ASSERT_FALSE(draws.empty());
  const DrawRecord& quad = *draws.back();
  EXPECT_EQ(quad.call, "DrawPrimitiveUP");
  EXPECT_EQ(quad.state.target, "BackBuffer");
  EXPECT_EQ(quad.state.texture, "RenderTexture1");
  EXPECT_EQ(quad.state.fvf, 0x144u);
  EXPECT_EQ(quad.state.Get(gpu::RenderState::ZEnable), 0u);
  EXPECT_EQ(quad.state.Get(gpu::RenderState::AlphaBlendEnable), 0u);
  ASSERT_EQ(quad.userVertices.size(), 4u * 28u);
  struct V {
    float x, y, z, rhw;
    uint32_t diffuse;
    float u, v;
  } v[4];
  std::memcpy(v, quad.userVertices.data(), sizeof v);
  const float expected[4][4] = {{800, 0, 1, 0}, {800, 600, 1, 1}, {0, 0, 0, 0}, {0, 600, 0, 1}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(v[i].x, expected[i][0]);
    EXPECT_EQ(v[i].y, expected[i][1]);
    EXPECT_EQ(v[i].u, expected[i][2]);
    EXPECT_EQ(v[i].v, expected[i][3]);
    EXPECT_EQ(v[i].z, 1.0f);
    EXPECT_EQ(v[i].rhw, 1.0f);
    EXPECT_EQ(v[i].diffuse, 0xFFFFFFFFu);
  }
  EXPECT_EQ(h.log().State().Get(gpu::RenderState::ZEnable), 1u);  // depth back on afterwards
  EXPECT_EQ(h.log().State().texture, "RenderTexture1");           // and the target stays bound to stage 0
}

TEST_F(LevelFrame, ParticlePassDrawsFreeAndAttachedSystemsAndLeavesItsStates) {
  std::vector<std::string> calls;
  g().freeParticleSystems.push_back(new CountingSystem(&calls, "free"));
  Model* shown = h.AddModel(g().entityModels);
  shown->particleSystems.push_back(new CountingSystem(&calls, "shown"));
  Model* muted = h.AddModel(g().blendedModels);
  muted->drawParticles = false;
  muted->particleSystems.push_back(new CountingSystem(&calls, "muted"));
  Model* scenery = h.AddModel(g().sceneryModels);
  scenery->particleSystems.push_back(new CountingSystem(&calls, "scenery"));
  g().visibleScenery.push_back(scenery);
  h.Frame();
  EXPECT_EQ(calls, (std::vector<std::string>{"free SetPointSize", "free Render", "free PostRender",
                                             "shown SetPointSize", "shown Render", "shown PostRender"}));
  const auto& s = h.log().State();
  EXPECT_EQ(s.Get(gpu::RenderState::Lighting), 0u);
  EXPECT_EQ(s.Get(gpu::RenderState::PointSpriteEnable), 0u);
  EXPECT_EQ(s.Get(gpu::RenderState::PointScaleEnable), 0u);
  EXPECT_EQ(s.Get(gpu::RenderState::ZWriteEnable), 1u);
  EXPECT_EQ(s.GetF(gpu::RenderState::PointScaleC), 1.0f);
  EXPECT_EQ(s.GetF(gpu::RenderState::PointScaleA), 0.0f);
  EXPECT_EQ(s.Get(gpu::StageState::AlphaArg1), static_cast<uint32_t>(gpu::TexArg::Texture));
  EXPECT_EQ(s.Get(gpu::StageState::AlphaArg2), static_cast<uint32_t>(gpu::TexArg::Diffuse));
  EXPECT_EQ(s.Get(gpu::StageState::AlphaOp), static_cast<uint32_t>(gpu::TexOp::Modulate));
  EXPECT_EQ(s.Get(gpu::RenderState::SrcBlend), static_cast<uint32_t>(gpu::Blend::SrcAlpha));
  EXPECT_EQ(s.Get(gpu::RenderState::DestBlend), static_cast<uint32_t>(gpu::Blend::InvSrcAlpha));
}

class TitleFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.initialised);
    h.graphics->EnterTitleMode();
  }
  Graphics& g() { return *h.graphics; }
  GraphicsHarness h;
};

TEST_F(TitleFrame, PassOrderTheBlendedCompositeAndNoWaypointsOrTransparentPassWhateverTheFlags) {
  h.AddModel(g().entityModels)->parts[0]->modelWorld = math::MatrixTranslation(0, 0, 10);  // in view
  h.AddModel(g().blendedModels);
  g().waypoints = {Waypoint(0, 0, 0), Waypoint(0, 0, 100)};
  g().showWaypoints = true;
  EXPECT_FALSE(h.Frame());
  const auto draws = MeshDraws(h.log().PreviousDraws());
  ASSERT_EQ(draws.size(), 1u);  // the entity part only
  EXPECT_TRUE(draws[0]->state.ShadersBound());
  for (const auto* d : gfxtest::DrawsOf(h.log().PreviousDraws()))
    EXPECT_NE(d->primitive, gpu::Primitive::LineList);
  for (const auto& c : h.log().PreviousConstantSets()) EXPECT_NE(c.call, "SetVector");  // no Material reset
  const auto& events = h.log().PreviousEvents();
  // No shader pair before the scene: the sky would be drawn by the fixed-function pipeline.
  const int begin = gfxtest::FindEvent(events, "BeginScene");
  ASSERT_GE(begin, 0);
  for (int i = 0; i < begin; ++i)
    EXPECT_EQ(events[static_cast<size_t>(i)].rfind("SetVertexShader", 0), std::string::npos);
  EXPECT_TRUE(InOrder(
      events,
      {"BeginScene", "SetRenderTarget RenderTexture1", "Clear 0x00000000", "SetVertexShader lighting.vsh",
       "SetPixelShader lighting.psh", "Constant lighting.vsh vecEye", "Constant lighting.vsh vecLightDir",
       "Draw DrawIndexedPrimitive TriangleList 12", "SetVertexShader none", "Constant pixel.psh ColorAdd",
       "SetRenderTarget BackBuffer", "Draw DrawPrimitiveUP TriangleStrip 2", "EndScene", "Present"}));
  // Within the scene only the off-screen target is cleared: the back buffer keeps the earlier frames.
  const std::vector<std::string> scene(events.begin() + begin, events.end());
  EXPECT_EQ(gfxtest::CountEvents(scene, "Clear 0x00000000"), 1);
  EXPECT_EQ(gfxtest::FindEvent(scene, "Clear 0x00000000"),
            gfxtest::FindEvent(scene, "SetRenderTarget RenderTexture1") + 1);
  EXPECT_EQ(gfxtest::FindEvent(scene, "DiscardBackBuffer"), -1);

  const std::vector<float> light = h.log().Constant("lighting.vsh", "vecLightDir");
  ASSERT_EQ(light.size(), 4u);
  EXPECT_FLOAT_EQ(light[0], 0.0f);
  EXPECT_FLOAT_EQ(light[1], 0.9805807f);
  EXPECT_FLOAT_EQ(light[2], -0.1961161f);
  EXPECT_FLOAT_EQ(light[3], 1.0f);

  const DrawRecord& quad = *gfxtest::DrawsOf(h.log().PreviousDraws()).back();
  EXPECT_EQ(quad.state.Get(gpu::RenderState::AlphaBlendEnable), 1u);
  EXPECT_EQ(quad.state.Get(gpu::RenderState::ZEnable), 0u);
  uint32_t diffuse = 0;
  std::memcpy(&diffuse, quad.userVertices.data() + 16, 4);
  EXPECT_EQ(diffuse, 0x32FFFFFFu);
  EXPECT_EQ(h.log().State().Get(gpu::RenderState::AlphaBlendEnable), 0u);
  EXPECT_EQ(h.log().State().Get(gpu::RenderState::ZEnable), 1u);
}

TEST(GraphicsUpdate, RemovesUnloadedModelsAndFinishedSystemsInTheSameWalk) {
  GraphicsHarness h;
  ASSERT_TRUE(h.initialised);
  Graphics& g = *h.graphics;
  std::vector<std::string> calls;
  Model* gone = h.AddModel(g.entityModels);
  gone->particleSystems.push_back(new CountingSystem(&calls, "gone"));
  gone->unload = true;
  Model* next = h.AddModel(g.entityModels);
  next->particleSystems.push_back(new CountingSystem(&calls, "done", true));
  next->particleSystems.push_back(new CountingSystem(&calls, "live"));
  Model* blendedGone = h.AddModel(g.blendedModels);
  blendedGone->unload = true;
  g.freeParticleSystems.push_back(new CountingSystem(&calls, "freeDone", true));
  g.freeParticleSystems.push_back(new CountingSystem(&calls, "free"));
  Model* scenery = h.AddModel(g.sceneryModels);
  scenery->unload = true;  // scenery is never unloaded here
  scenery->particleSystems.push_back(new CountingSystem(&calls, "scenery"));

  EXPECT_TRUE(g.Update(0.5f));
  EXPECT_EQ(g.entityModels, std::vector<Model*>{next});
  EXPECT_TRUE(g.blendedModels.empty());
  ASSERT_EQ(next->particleSystems.size(), 1u);
  ASSERT_EQ(g.freeParticleSystems.size(), 1u);
  EXPECT_EQ(g.sceneryModels, std::vector<Model*>{scenery});
  EXPECT_EQ(calls, (std::vector<std::string>{"live Update 0.500000", "free Update 0.500000"}));
  // The meshes stay cached.
  EXPECT_EQ(g.meshes.size(), 1u);
}

}  // namespace
