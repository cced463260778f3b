// The headless recording device: state defaults, range-checked locks, shader constant tables read from GLSL,
// compile failures, the per-frame event and draw log, resource counts, and the factory controls.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/headless/headless_services.h"
#include "platform/headless/recording_device.h"
#include "platform/image.h"

using namespace plat;
using gpu::RenderState;
using headless::GpuLog;
using headless::RecordingDevice;
using headless::ResourceKind;
using ::testing::ElementsAre;
using ::testing::FloatEq;
using ::testing::IsEmpty;

namespace {

std::unique_ptr<RecordingDevice> MakeDevice() {
  return std::make_unique<RecordingDevice>(gpu::PresentParams{});
}

TEST(RecordingDeviceState, StartsWithDirect3DDefaults) {
  auto device = MakeDevice();
  const headless::DeviceState& s = device->Log().State();
  EXPECT_EQ(s.Get(RenderState::ZEnable), 1u);
  EXPECT_EQ(s.Get(RenderState::ZWriteEnable), 1u);
  EXPECT_EQ(s.Get(RenderState::AlphaBlendEnable), 0u);
  EXPECT_EQ(s.Get(RenderState::Lighting), 1u);
  EXPECT_EQ(s.Get(RenderState::CullMode), 3u);   // CCW
  EXPECT_EQ(s.Get(RenderState::FillMode), 3u);   // solid
  EXPECT_EQ(s.Get(RenderState::SrcBlend), 2u);   // one
  EXPECT_EQ(s.Get(RenderState::DestBlend), 1u);  // zero
  EXPECT_EQ(s.GetF(RenderState::PointSize), 1.0f);
  EXPECT_EQ(s.GetF(RenderState::PointScaleA), 1.0f);
  EXPECT_EQ(s.GetF(RenderState::PointScaleC), 0.0f);
  EXPECT_EQ(s.Get(gpu::StageState::AlphaOp), 2u);     // select arg 1
  EXPECT_EQ(s.Get(gpu::StageState::AlphaArg1), 2u);   // texture
  EXPECT_EQ(s.Get(gpu::SamplerState::AddressU), 1u);  // wrap
  EXPECT_EQ(s.Get(gpu::SamplerState::MipFilter), 0u);
  EXPECT_FALSE(s.textureBound);
  EXPECT_FALSE(s.ShadersBound());
  EXPECT_EQ(s.target, "BackBuffer");
  const math::Matrix identity = math::MatrixIdentity();
  for (auto kind : {gpu::TransformKind::World, gpu::TransformKind::View, gpu::TransformKind::Projection}) {
    const math::Matrix m = device->GetTransform(kind);
    EXPECT_EQ(std::memcmp(&m, &identity, sizeof identity), 0);
  }
  EXPECT_EQ(device->BackBuffer().Width(), 800);
  EXPECT_EQ(device->BackBuffer().Height(), 600);
  // Float states are kept as their bits.
  device->SetRenderStateF(RenderState::PointSize, 30.5f);
  EXPECT_EQ(s.GetF(RenderState::PointSize), 30.5f);
}

TEST(RecordingDeviceLocks, RangeCheckedAndBytesKept) {
  auto device = MakeDevice();
  auto vb = device->CreateVertexBuffer(64, gpu::usage::WriteOnly, gpu::fvf::XYZ);
  ASSERT_TRUE(vb);
  EXPECT_EQ(vb->SizeBytes(), 64u);
  auto* bytes = static_cast<uint8_t*>(vb->Lock(60, 4, gpu::LockMode::Normal));
  ASSERT_NE(bytes, nullptr);
  bytes[3] = 0xAB;
  vb->Unlock();
  auto* whole = static_cast<uint8_t*>(vb->Lock(0, 0, gpu::LockMode::Normal));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole[63], 0xAB);
  EXPECT_EQ(vb->Lock(0, 4, gpu::LockMode::Normal), nullptr);  // already locked
  vb->Unlock();

  EXPECT_EQ(vb->Lock(61, 4, gpu::LockMode::Normal), nullptr);                   // one byte past the end
  EXPECT_EQ(vb->Lock(64, 0, gpu::LockMode::Discard), nullptr);                  // nothing left
  EXPECT_EQ(vb->Lock(0xFFFFFFF0u, 0x20, gpu::LockMode::NoOverwrite), nullptr);  // would wrap in 32 bits
  auto ib = device->CreateIndexBuffer(12, 0);
  EXPECT_EQ(ib->Lock(10, 4, gpu::LockMode::Normal), nullptr);
  EXPECT_NE(ib->Lock(10, 2, gpu::LockMode::Normal), nullptr);

  const GpuLog& log = device->Log();
  EXPECT_EQ(log.FailedLocks(), 5);
  EXPECT_EQ(log.Locks().size(), 8u);
  EXPECT_EQ(log.Locks()[3].buffer, "VertexBuffer1");
  EXPECT_FALSE(log.Locks()[3].ok);
  EXPECT_THAT(log.Events(), ::testing::Contains("LockFailed VertexBuffer1 61 4"));
  EXPECT_THAT(log.Events(), ::testing::Contains("LockFailed IndexBuffer1 10 4"));
}

constexpr const char* kLitPixel = R"(#version 330 core
// uniform vec4 ghost;
/* uniform vec4 ghost2; */
uniform vec4 Material;
uniform vec3 ColorAdd;
uniform float weights[4];
uniform vec2 left, right[2];
uniform sampler2D diffuseMap;
uniform float gain = 2.0;
in vec2 uv;
out vec4 colour;
void PS() {
  colour = texture(diffuseMap, uv) * Material + vec4(ColorAdd, 0.0) * weights[0];
}
)";

TEST(RecordingDeviceShaders, ConstantTableKnowsDeclaredUniforms) {
  auto device = MakeDevice();
  gpu::CompiledShader lit = device->CompileShader(kLitPixel, "PS", "ps_2_0");
  ASSERT_TRUE(lit.shader && lit.constants);
  EXPECT_THAT(lit.messages, IsEmpty());
  EXPECT_EQ(lit.shader->Stage(), gpu::ShaderStage::Pixel);
  lit.shader->SetName("lighting.psh");
  const GpuLog& log = device->Log();
  EXPECT_THAT(log.ConstantNames("lighting.psh"),
              ElementsAre("ColorAdd", "Material", "diffuseMap", "gain", "left", "right", "weights"));

  const float flash[3] = {0.33333334f, -0.33333334f, -0.33333334f};
  EXPECT_TRUE(lit.constants->SetFloatArray("ColorAdd", flash, 3));
  const float w[4] = {1, 2, 3, 4};
  EXPECT_TRUE(lit.constants->SetFloatArray("weights", w, 4));
  EXPECT_TRUE(lit.constants->SetVector("Material", {1, 1, 1, 0.25f}));
  EXPECT_FALSE(lit.constants->SetVector("ghost", {1, 1, 1, 1}));
  EXPECT_FALSE(lit.constants->SetFloatArray("vecEye", w, 4));
  EXPECT_THAT(log.Constant("lighting.psh", "ColorAdd"),
              ElementsAre(FloatEq(0.33333334f), FloatEq(-0.33333334f), FloatEq(-0.33333334f)));
  EXPECT_THAT(log.Constant("lighting.psh", "Material"), ElementsAre(1, 1, 1, 0.25f));
  EXPECT_THAT(log.Constant("lighting.psh", "ghost"), IsEmpty());
  ASSERT_EQ(log.ConstantSets().size(), 3u);  // refused names leave no record
  EXPECT_EQ(log.ConstantSets()[2].call, "SetVector");

  // An unnamed shader is logged under its entry point, with storage of its own.
  gpu::CompiledShader plain = device->CompileShader(
      "uniform mat4 WorldViewProj;\nvoid vs_main() { gl_Position = WorldViewProj * vec4(0.0); }\n", "vs_main",
      "vs_1_1");
  ASSERT_TRUE(plain.shader);
  EXPECT_EQ(plain.shader->Stage(), gpu::ShaderStage::Vertex);
  EXPECT_TRUE(plain.constants->SetMatrix("WorldViewProj", math::MatrixTranslation(5, 6, 7)));
  const std::vector<float> m = log.Constant("vs_main", "WorldViewProj");
  ASSERT_EQ(m.size(), 16u);
  EXPECT_THAT(std::vector<float>(m.begin() + 12, m.end()), ElementsAre(5, 6, 7, 1));  // row-major as given
  EXPECT_FALSE(plain.constants->SetFloatArray("ColorAdd", flash, 3));
  EXPECT_EQ(log.Resources(ResourceKind::Shader).live, 2);
}

TEST(RecordingDeviceShaders, CompileFailuresExplainThemselves) {
  auto device = MakeDevice();
  struct Case {
    const char *source, *entry, *profile;
  };
  const Case failing[] = {
      {"", "PS", "ps_2_0"},                                   // empty source
      {"void PS2() {}\n", "PS", "ps_2_0"},                    // only a longer name
      {"// void PS() {}\nvoid main() {}\n", "PS", "ps_2_0"},  // only in a comment
      {"void main() { PS(); }\n", "PS", "ps_2_0"},            // called, not defined
      {"void PS() {}\n", "PS", "fx_2_0"},                     // unknown profile
      {"void PS() {}\n", "", "ps_2_0"},                       // no entry name
  };
  for (const Case& c : failing) {
    gpu::CompiledShader r = device->CompileShader(c.source, c.entry, c.profile);
    EXPECT_FALSE(r.shader) << c.source << " / " << c.profile;
    EXPECT_FALSE(r.constants);
    EXPECT_THAT(r.messages, ::testing::HasSubstr("error")) << c.source;
  }
  EXPECT_EQ(device->Log().Resources(ResourceKind::Shader).created, 0);
  EXPECT_TRUE(device->CompileShader("void  PS ( ) {}\n", "PS", "ps_1_1").shader);
}

TEST(RecordingDeviceLog, EventsAndDrawsInPassOrder) {
  auto device = MakeDevice();
  auto target = device->CreateRenderTexture(800, 600);
  auto shader = device->CompileShader("void vs_main() {}\n", "vs_main", "vs_1_1");
  shader.shader->SetName("vertex.vsh");
  image::Image pixel{1, 1, {0xFFFFFFFFu}};
  auto sky = device->CreateTexture({pixel}, "Assets\\Art\\Sky.dds");
  const math::Matrix world = math::MatrixTranslation(0, 0, 9);

  device->SetRenderTarget(target->Surface());
  device->Clear(0x00000000, 1.0f);
  device->BeginScene();
  device->SetVertexShader(shader.shader.get());
  device->SetTexture(sky.get());
  device->SetTransform(gpu::TransformKind::World, world);
  device->Marker("sky");
  device->DrawIndexedPrimitive(gpu::Primitive::TriangleList, 0, 0, 24, 0, 12);
  device->SetVertexShader(nullptr);
  device->SetRenderTarget(device->BackBuffer());
  device->SetRenderState(RenderState::ZEnable, 0);
  device->SetTexture(target.get());
  const std::array<float, 28> quad{};
  device->DrawPrimitiveUP(gpu::Primitive::TriangleStrip, 2, quad.data(), 28);
  device->EndScene();
  ASSERT_EQ(device->Log().Draws().size(), 3u);
  EXPECT_TRUE(device->Present());

  const GpuLog& log = device->Log();
  EXPECT_THAT(log.Events(), IsEmpty());
  EXPECT_THAT(log.PreviousEvents(),
              ElementsAre("SetRenderTarget RenderTexture1", "Clear 0x00000000", "BeginScene",
                          "SetVertexShader vertex.vsh", "SetTexture Assets\\Art\\Sky.dds", "Marker sky",
                          "Draw DrawIndexedPrimitive TriangleList 12", "SetVertexShader none",
                          "SetRenderTarget BackBuffer", "SetTexture RenderTexture1",
                          "Draw DrawPrimitiveUP TriangleStrip 2", "EndScene", "Present"));
  const auto& draws = log.PreviousDraws();
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0].kind, headless::DrawRecord::Kind::Marker);
  EXPECT_EQ(draws[0].marker, "sky");
  EXPECT_EQ(draws[1].state.target, "RenderTexture1");
  EXPECT_EQ(draws[1].state.vertexShader, "vertex.vsh");
  EXPECT_EQ(draws[1].state.texture, "Assets\\Art\\Sky.dds");
  EXPECT_EQ(draws[1].state.Transform(gpu::TransformKind::World).m[3][2], 9.0f);
  EXPECT_EQ(draws[1].state.Get(RenderState::ZEnable), 1u);
  EXPECT_EQ(draws[2].state.target, "BackBuffer");
  EXPECT_FALSE(draws[2].state.ShadersBound());
  EXPECT_EQ(draws[2].state.Get(RenderState::ZEnable), 0u);
  EXPECT_EQ(draws[2].userVertices.size(), 4u * 28u);
  EXPECT_EQ(log.FramesPresented(), 1);
}

TEST(RecordingDeviceResources, CountsCreatedAndLive) {
  std::shared_ptr<GpuLog> log;
  std::unique_ptr<gpu::Texture> survivor;
  {
    auto device = MakeDevice();
    log = device->SharedLog();
    image::Image level0{4, 2, std::vector<uint32_t>(8)}, level1{2, 1, std::vector<uint32_t>(2)};
    survivor = device->CreateTexture({level0, level1}, "a.bmp");
    EXPECT_EQ(survivor->Width(), 4);
    EXPECT_EQ(survivor->Levels(), 2);
    EXPECT_EQ(survivor->Name(), "a.bmp");
    { auto passing = device->CreateVertexBuffer(16, 0, gpu::fvf::XYZ); }
    auto rt = device->CreateRenderTexture(256, 128);
    EXPECT_EQ(rt->Surface().Width(), 256);
    EXPECT_EQ(rt->Height(), 128);
    // Refused creations count nothing.
    EXPECT_FALSE(device->CreateTexture({}, "none"));
    EXPECT_FALSE(device->CreateTexture({image::Image{2, 2, {1u}}}, "short"));
    EXPECT_FALSE(device->CreateVertexBuffer(0, 0, 0));
    EXPECT_FALSE(device->CreateRenderTexture(0, 600));
    EXPECT_EQ(log->Resources(ResourceKind::Texture).created, 1);
    EXPECT_EQ(log->Resources(ResourceKind::VertexBuffer).created, 1);
    EXPECT_EQ(log->Resources(ResourceKind::VertexBuffer).live, 0);
    EXPECT_EQ(log->Resources(ResourceKind::RenderTexture).live, 1);
    EXPECT_EQ(log->TotalLive(), 2);
    EXPECT_EQ(log->Device(), device.get());
  }
  EXPECT_EQ(log->Device(), nullptr);
  EXPECT_EQ(log->TotalLive(), 1);  // a resource may outlive its device
  survivor.reset();
  EXPECT_EQ(log->TotalLive(), 0);
}

TEST(HeadlessGpu, FactoryControls) {
  HeadlessServices services;
  gpu::DeviceFactory& factory = services.gpu();
  EXPECT_TRUE(factory.Available());
  EXPECT_EQ(services.Device(), nullptr);
  EXPECT_EQ(services.DeviceLog(), nullptr);
  services.SetCaps(gpu::Caps{true, 1, 1});
  EXPECT_EQ(factory.GetCaps().pixelShaderMinor, 1);

  int code = 0;
  std::string text;
  services.FailNextDeviceCreation(-2005530516, 1);
  EXPECT_FALSE(factory.CreateDevice({}, &code, &text));
  EXPECT_EQ(code, -2005530516);
  EXPECT_THAT(text, ::testing::HasSubstr("-2005530516"));
  gpu::PresentParams retry;
  retry.depth = gpu::DepthFormat::D16;
  auto device = factory.CreateDevice(retry, &code, &text);
  ASSERT_TRUE(device);
  EXPECT_EQ(services.Device(), device.get());
  ASSERT_EQ(services.DeviceRequests().size(), 2u);
  EXPECT_EQ(services.DeviceRequests()[1].depth, gpu::DepthFormat::D16);

  device->Present();
  device.reset();
  EXPECT_EQ(services.Device(), nullptr);
  ASSERT_NE(services.DeviceLog(), nullptr);
  EXPECT_EQ(services.DeviceLog()->FramesPresented(), 1);

  services.FailNextDeviceCreation(7, 2);
  EXPECT_FALSE(factory.CreateDevice({}, &code, &text));
  EXPECT_FALSE(factory.CreateDevice({}, &code, &text));
  EXPECT_EQ(code, 7);
  EXPECT_TRUE(factory.CreateDevice({}, &code, &text));
  services.SetGpuAvailable(false);
  EXPECT_FALSE(factory.Available());
  EXPECT_FALSE(factory.CreateDevice({}, &code, &text));
}

}  // namespace
