// The graphics object's construction, device set-up, shader failure rules and release at shut-down.
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include "graphics/graphics.h"
#include "graphics/sprite.h"
#include "graphics_test_support.h"

namespace {

using gfxtest::GraphicsHarness;
using gfxtest::ScratchGameFolder;
namespace gpu = plat::gpu;
using plat::headless::ResourceKind;

const std::string kCompileFailed = ": D3DXCompileShaderFromFile() - FAILED";  // no caption

TEST(GraphicsConstruction, OneInstanceWhichDrawsNothingBeforeInit) {
  GraphicsHarness h(EngineHarness::GameFolder(), /*init=*/false);
  EXPECT_EQ(g_graphics, h.graphics.get());
  EXPECT_EQ(h.graphics->device, nullptr);
  EXPECT_FALSE(h.graphics->Render());
  try {
    Graphics second;
    FAIL() << "a second Graphics was constructed";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Two instances of Graphics Class found");
  }
  EXPECT_EQ(g_graphics, h.graphics.get());
}

TEST(GraphicsInit, SetsStatesProjectionAndTheOffscreenTarget) {
  GraphicsHarness h;
  ASSERT_TRUE(h.initialised);
  Graphics& g = *h.graphics;
  EXPECT_EQ(g.GetWidth(), 800);
  EXPECT_EQ(g.GetHeight(), 600);
  // The shader files compile without a word from the compiler: no message box at all.
  for (const std::string& box : h.services.MessageBoxes()) ADD_FAILURE() << "message box: " << box;
  EXPECT_TRUE(g.shadersOn);

  const auto& s = h.log().State();
  EXPECT_EQ(s.Get(gpu::SamplerState::MagFilter), static_cast<uint32_t>(gpu::Filter::Linear));
  EXPECT_EQ(s.Get(gpu::SamplerState::MinFilter), static_cast<uint32_t>(gpu::Filter::Linear));
  EXPECT_EQ(s.Get(gpu::SamplerState::MipFilter), static_cast<uint32_t>(gpu::Filter::Point));
  EXPECT_EQ(s.Get(gpu::RenderState::NormalizeNormals), 1u);
  EXPECT_EQ(s.Get(gpu::RenderState::Ambient), 0xFF7F7F7Fu);
  EXPECT_EQ(s.Get(gpu::RenderState::CullMode), static_cast<uint32_t>(gpu::Cull::CCW));
  EXPECT_EQ(s.Get(gpu::RenderState::SlopeScaleDepthBias), 1u);  // the integer 1, not the bits of 1.0
  EXPECT_EQ(s.Get(gpu::RenderState::DepthBias), 0u);
  EXPECT_EQ(s.Get(gpu::RenderState::SpecularEnable), 1u);

  // Perspective pi/4, aspect 800/600, near 1, far 1500: a point on the axis 1500 away lands at depth 1.
  const math::Matrix& p = s.Transform(gpu::TransformKind::Projection);
  EXPECT_FLOAT_EQ(p.m[1][1], 2.4142134f);  // cot(pi/8)
  EXPECT_FLOAT_EQ(p.m[0][0], 2.4142134f / 1.3333334f);
  EXPECT_FLOAT_EQ(math::Vec3TransformCoord({0, 0, 1500}, p).z, 1.0f);
  EXPECT_FLOAT_EQ(math::Vec3TransformCoord({0, 0, 1}, p).z, 0.0f);

  EXPECT_NE(gfxtest::FindEvent(h.log().Events(), "Clear 0xFF000000"), -1);
  ASSERT_NE(g.renderTexture, nullptr);
  EXPECT_EQ(g.renderTexture->Width(), 800);
  EXPECT_EQ(g.renderTexture->Height(), 600);
  EXPECT_EQ(g.offscreenSurface, &g.renderTexture->Surface());
  EXPECT_EQ(g.backBuffer, &g.device->BackBuffer());
  EXPECT_NE(g.spriteInterface, nullptr);
  EXPECT_NE(g.font, nullptr);
  EXPECT_FALSE(g.showLockPoints);
  EXPECT_FALSE(g.showSpheres);
  EXPECT_TRUE(g.drawSky);
  // The full-screen request.
  ASSERT_EQ(h.services.DeviceRequests().size(), 1u);
  EXPECT_FALSE(h.services.DeviceRequests()[0].windowed);
  EXPECT_EQ(h.services.DeviceRequests()[0].depth, gpu::DepthFormat::D24S8);
}

TEST(GraphicsInit, EachShaderDeclaresTheConstantsTheFrameSends) {
  GraphicsHarness h;
  ASSERT_TRUE(h.initialised);
  using V = std::vector<std::string>;
  EXPECT_EQ(h.log().ConstantNames("vertex.vsh"), (V{"WorldViewProj"}));
  EXPECT_EQ(h.log().ConstantNames("pixel.psh"), (V{"ColorAdd", "baseTexture"}));
  // The lit vertex shader also declares the pixel shader's two, which it hands on to it.
  EXPECT_EQ(h.log().ConstantNames("lighting.vsh"),
            (V{"ColorAdd", "Material", "matWorld", "matWorldViewProj", "vecEye", "vecLightDir"}));
  EXPECT_EQ(h.log().ConstantNames("lighting.psh"), (V{"ColorAdd", "Material", "baseTexture"}));
  EXPECT_EQ(h.graphics->plainVertexShader->Stage(), gpu::ShaderStage::Vertex);
  EXPECT_EQ(h.graphics->litPixelShader->Stage(), gpu::ShaderStage::Pixel);
}

TEST(GraphicsInit, NoDeviceOrTwoFailedCreationsFailWithTheirMessage) {
  for (bool noDevice : {true, false}) {
    GraphicsHarness h(EngineHarness::GameFolder(), false);
    if (noDevice) {
      h.services.SetGpuAvailable(false);
    } else {
      h.services.FailNextDeviceCreation(7, 2);
    }
    EXPECT_FALSE(h.graphics->Init(h.services, 800, 600, false));
    EXPECT_EQ(h.services.MessageBoxes(), std::vector<std::string>{noDevice ? ": Direct3DCreate9() - FAILED"
                                                                           : ": CreateDevice(): Error: 7"});
    EXPECT_FALSE(h.graphics->Render());
  }
}

TEST(GraphicsInit, DeviceCreationRetriesWithSixteenBitDepthOnly) {
  GraphicsHarness h(EngineHarness::GameFolder(), false);
  h.services.FailNextDeviceCreation(7, 1);
  EXPECT_TRUE(h.graphics->Init(h.services, 800, 600, false));
  const auto& requests = h.services.DeviceRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].depth, gpu::DepthFormat::D24S8);
  EXPECT_EQ(requests[1].depth, gpu::DepthFormat::D16);
  EXPECT_EQ(requests[1].width, requests[0].width);
  EXPECT_EQ(requests[1].height, requests[0].height);
  EXPECT_EQ(requests[1].windowed, requests[0].windowed);
  EXPECT_TRUE(h.services.MessageBoxes().empty());
}

TEST(GraphicsInit, WithoutPixelShaderTwoNoShaderIsMadeAndNoConstantSent) {
  GraphicsHarness h(EngineHarness::GameFolder(), false);
  h.services.SetCaps(gpu::Caps{true, 1, 1});
  ASSERT_TRUE(h.graphics->Init(h.services, 800, 600, false));
  EXPECT_FALSE(h.graphics->shadersOn);
  EXPECT_EQ(h.log().Resources(ResourceKind::Shader).created, 0);
  EXPECT_EQ(h.graphics->litVertexConstants, nullptr);
  h.AddModel(h.graphics->entityModels);
  h.graphics->titleMode = false;
  EXPECT_TRUE(h.Frame());
  EXPECT_TRUE(h.log().PreviousConstantSets().empty());
  for (const auto* d : gfxtest::DrawsOf(h.log().PreviousDraws())) EXPECT_FALSE(d->state.ShadersBound());
}

TEST(GraphicsInit, MissingPlainPixelShaderTurnsShadersOffButCompilesBothVertexShaders) {
  ScratchGameFolder folder({"Shaders/pixel.psh"});
  GraphicsHarness h(folder.Root());
  EXPECT_TRUE(h.initialised);
  EXPECT_FALSE(h.graphics->shadersOn);
  const auto& boxes = h.services.MessageBoxes();
  ASSERT_LE(boxes.size(), 2u);
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes.front().find("pixel.psh"), std::string::npos);  // names the file
  EXPECT_EQ(boxes.back(), kCompileFailed);
  // lighting.psh, vertex.vsh and lighting.vsh
  EXPECT_EQ(h.log().Resources(ResourceKind::Shader).created, 3);
  EXPECT_NE(h.graphics->plainVertexShader, nullptr);
  EXPECT_NE(h.graphics->litVertexShader, nullptr);
  EXPECT_EQ(h.graphics->plainPixelShader, nullptr);
  // The rest of the set-up went on.
  EXPECT_NE(h.graphics->renderTexture, nullptr);
  EXPECT_NE(h.graphics->spriteInterface, nullptr);
}

TEST(GraphicsInit, MissingLitPixelShaderSkipsTheOtherThree) {
  ScratchGameFolder folder({"Shaders/lighting.psh"});
  GraphicsHarness h(folder.Root());
  EXPECT_TRUE(h.initialised);
  EXPECT_FALSE(h.graphics->shadersOn);
  EXPECT_EQ(h.log().Resources(ResourceKind::Shader).created, 0);
  EXPECT_EQ(h.services.MessageBoxes().size(), 2u);
}

TEST(GraphicsInit, MissingVertexShaderFailsBeforeTheOffscreenTarget) {
  ScratchGameFolder folder({"Shaders/vertex.vsh"});
  GraphicsHarness h(folder.Root());
  EXPECT_FALSE(h.initialised);
  ASSERT_FALSE(h.services.MessageBoxes().empty());
  EXPECT_EQ(h.services.MessageBoxes().back(), kCompileFailed);
  EXPECT_EQ(h.log().Resources(ResourceKind::RenderTexture).created, 0);
  EXPECT_EQ(h.graphics->spriteInterface, nullptr);
  // A frame on the half-made object draws nothing rather than crashing.
  EXPECT_FALSE(h.Frame());
  EXPECT_EQ(h.log().FramesPresented(), 0);
}

TEST(GraphicsInit, VertexShaderThatDoesNotCompileShowsTheCompilerTextThenFails) {
  ScratchGameFolder folder;
  {
    std::ofstream broken(folder.Root() / "Assets" / "Shaders" / "lighting.vsh", std::ios::trunc);
    broken << "uniform mat4 matWorld;\nvoid NotTheEntry() {}\n";
  }
  GraphicsHarness h(folder.Root());
  EXPECT_FALSE(h.initialised);
  const auto& boxes = h.services.MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("lighting.vsh"), std::string::npos);
  EXPECT_NE(boxes[0].find("VS"), std::string::npos);  // the compiler's complaint about the entry point
  EXPECT_EQ(boxes[1], kCompileFailed);
}

TEST(GraphicsShutdown, ReleasesEverythingMadeOnTheDevice) {
  GraphicsHarness h;
  ASSERT_TRUE(h.initialised);
  Graphics& g = *h.graphics;
  h.AddModel(g.entityModels);
  Sprite* sprite = nullptr;
  ASSERT_TRUE(g.CreateSprite(&sprite, "Assets\\Art\\Paused.dds", 0.1f, 0.1f, 1, 1, nullptr, 1, nullptr, 0));
  TextLabel* label = nullptr;
  g.CreateTextLabel(&label, 0.1f, 0.2f, "label", 0xFFFFFFFF);
  g.EnterTitleMode();
  h.Frame();
  EXPECT_GT(h.log().TotalLive(), 0);

  EXPECT_TRUE(g.Shutdown());
  EXPECT_EQ(g.device, nullptr);
  EXPECT_EQ(g.renderTexture, nullptr);
  EXPECT_EQ(g.offscreenSurface, nullptr);
  EXPECT_EQ(g.backBuffer, nullptr);
  EXPECT_EQ(g.spriteInterface, nullptr);
  EXPECT_EQ(g.font, nullptr);
  EXPECT_TRUE(g.entityModels.empty());
  EXPECT_TRUE(g.meshes.empty());
  EXPECT_TRUE(g.sprites.empty());
  EXPECT_TRUE(g.textLabels.empty());
  EXPECT_TRUE(g.spriteTextures.empty());
  EXPECT_TRUE(g.sceneTextures.empty());
  // The render texture, buffers, textures and shaders are all gone with the device.
  EXPECT_EQ(h.log().TotalLive(), 0);
  EXPECT_EQ(h.log().Resources(ResourceKind::RenderTexture).live, 0);
  EXPECT_EQ(h.log().Device(), nullptr);
  // Shutting down twice (the destructor does it again) is harmless.
  EXPECT_TRUE(g.Shutdown());
}

TEST(GraphicsTitleMode, EnterTitleModeClearsTheBackBufferAndResetsTheCamera) {
  GraphicsHarness h;
  ASSERT_TRUE(h.initialised);
  Graphics& g = *h.graphics;
  g.camera.SetEye({5, 6, 7});
  g.camera.SetAxes({1, 0, 0}, {0, 0, 1}, {0, 1, 0});
  EXPECT_TRUE(g.EnterTitleMode());
  EXPECT_TRUE(g.titleMode);
  EXPECT_TRUE(gfxtest::InOrder(h.log().Events(), {"SetRenderTarget BackBuffer", "Clear 0x00000000"}));
  EXPECT_EQ(g.camera.GetEye(), (math::Vec3{0, 0, 0}));
  EXPECT_EQ(g.camera.GetLook(), (math::Vec3{0, 0, 1}));
  EXPECT_EQ(g.camera.GetUp(), (math::Vec3{0, 1, 0}));
  EXPECT_EQ(g.camera.GetRight(), (math::Vec3{1, 0, 0}));
  EXPECT_EQ(h.log().Constant("lighting.vsh", "vecEye"), (std::vector<float>{0, 0, 0, 1}));
  EXPECT_EQ(h.log().Constant("lighting.vsh", "vecLightDir"), (std::vector<float>{0.0f, -0.2f, 1.0f, 1.0f}));
}

}  // namespace
