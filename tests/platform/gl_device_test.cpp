// The OpenGL device on SDL's offscreen driver: real draws read back from the back buffer (top-left origin,
// upright images, culling, depth, blending, point sprites), shaders with named constants and a second
// texture, buffer locks, and dynamic buffers drawn by streaming their vertices.
#include <SDL.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <numbers>
#include <string>

#include "harness/native_required.h"
#include "platform/image.h"
#include "platform/native/gl_device.h"
#include "platform/native/native_services.h"
#include "platform/sprite_batch.h"

namespace {

using namespace plat;
using gpu::RenderState;

constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;

struct RhwVertex {  // fvf::XYZRHW | fvf::Diffuse
  float x, y, z, rhw;
  uint32_t colour;
};
struct RhwTexVertex {  // fvf::XYZRHW | fvf::Diffuse | fvf::Tex1: the composite quad's format
  float x, y, z, rhw;
  uint32_t colour;
  float u, v;
};
struct ColourVertex {  // fvf::XYZ | fvf::Diffuse
  float x, y, z;
  uint32_t colour;
};
constexpr uint32_t kRhwColour = gpu::fvf::XYZRHW | gpu::fvf::Diffuse;
constexpr uint32_t kRhwTex = gpu::fvf::XYZRHW | gpu::fvf::Diffuse | gpu::fvf::Tex1;
constexpr uint32_t kXyzColour = gpu::fvf::XYZ | gpu::fvf::Diffuse;

// The threads this process runs now.
std::ptrdiff_t ThreadCount() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {});
}

class GlDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    threadsBefore_ = ThreadCount();
    std::string error;
    services_ = CreateNativeServices(NativeConfig{}, &error);
    if (!services_) KV_NATIVE_UNAVAILABLE("no offscreen SDL window: " << error);
    int code = 0;
    device_ = services_->gpu().CreateDevice(gpu::PresentParams{}, &code, &error);
    if (!device_ && code == 1) KV_NATIVE_UNAVAILABLE("no OpenGL context: " << error);
    ASSERT_NE(device_, nullptr) << error;
  }

  uint32_t Pixel(int x, int y) {
    if (pixels_.empty()) {
      int w = 0, h = 0;
      EXPECT_TRUE(ReadBackBufferPixels(*device_, pixels_, &w, &h));
      EXPECT_EQ(w, 800);
      EXPECT_EQ(h, 600);
    }
    return pixels_[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)];
  }
  void Reread() { pixels_.clear(); }

  // A pixel-space rectangle as the composite quad's strip: (right, top), (right, bottom), (left, top),
  // (left, bottom), clockwise on screen.
  void DrawRect(float left, float top, float right, float bottom, uint32_t colour) {
    RhwVertex v[4] = {{right, top, 0.5f, 1, colour},
                      {right, bottom, 0.5f, 1, colour},
                      {left, top, 0.5f, 1, colour},
                      {left, bottom, 0.5f, 1, colour}};
    device_->SetFVF(kRhwColour);
    device_->DrawPrimitiveUP(gpu::Primitive::TriangleStrip, 2, v, sizeof(RhwVertex));
  }
  // The texture's (0, 0) at the top-left corner and (uvMax, uvMax) at the bottom-right.
  void DrawTexturedRect(float left, float top, float right, float bottom, uint32_t colour, float uvMax = 1) {
    const float m = uvMax;
    RhwTexVertex v[4] = {{right, top, 1, 1, colour, m, 0},
                         {right, bottom, 1, 1, colour, m, m},
                         {left, top, 1, 1, colour, 0, 0},
                         {left, bottom, 1, 1, colour, 0, m}};
    device_->SetFVF(kRhwTex);
    device_->DrawPrimitiveUP(gpu::Primitive::TriangleStrip, 2, v, sizeof(RhwTexVertex));
  }
  // Unlit point sprites one unit across at one unit away, scaled by distance, under the renderer's
  // perspective projection.
  void StartPointSprites() {
    device_->SetTransform(gpu::TransformKind::Projection,
                          math::MatrixPerspectiveFovLH(std::numbers::pi_v<float> / 4, 4.0f / 3.0f, 1, 1500));
    device_->SetRenderState(RenderState::Lighting, 0);
    device_->SetRenderState(RenderState::PointSpriteEnable, 1);
    device_->SetRenderState(RenderState::PointScaleEnable, 1);
    device_->SetRenderStateF(RenderState::PointSizeMin, 0);
    device_->SetRenderStateF(RenderState::PointScaleA, 0);
    device_->SetRenderStateF(RenderState::PointScaleB, 0);
    device_->SetRenderStateF(RenderState::PointScaleC, 1);
    device_->SetRenderStateF(RenderState::PointSize, 1);
  }
  // Top row red, green; bottom row blue, white.
  std::unique_ptr<gpu::Texture> QuadrantTexture() {
    image::Image level{2, 2, {kRed, kGreen, kBlue, kWhite}};
    return device_->CreateTexture({level}, "quadrants");
  }

  std::unique_ptr<Services> services_;
  std::unique_ptr<gpu::Device> device_;
  std::vector<uint32_t> pixels_;
  std::ptrdiff_t threadsBefore_ = 0;
};

int Channel(uint32_t argb, int shift) {
  return static_cast<int>((argb >> shift) & 0xFF);
}
// gtest's message stream does not keep std::hex across insertions, so the words are formatted here.
std::string Hex(uint32_t value) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift : {24, 16, 8, 0})
    if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance)
      return ::testing::AssertionFailure() << Hex(actual) << " is not near " << Hex(expected);
  return ::testing::AssertionSuccess();
}

TEST_F(GlDeviceTest, ClearKeepsAlphaAndAPretransformedQuadLandsOnItsPixelsFromTheTopLeft) {
  EXPECT_EQ(device_->BackBuffer().Width(), 800);
  EXPECT_EQ(device_->BackBuffer().Height(), 600);
  device_->Clear(0x80102030, 1.0f);
  EXPECT_EQ(Pixel(799, 599), 0x80102030u);

  device_->Clear(kBlack, 1.0f);
  device_->SetRenderState(RenderState::ZEnable, 0);
  DrawRect(10, 20, 30, 60, 0xFF123456);
  Reread();
  EXPECT_EQ(Pixel(10, 20), 0xFF123456u);
  EXPECT_EQ(Pixel(29, 59), 0xFF123456u);
  EXPECT_EQ(Pixel(9, 20), kBlack);
  EXPECT_EQ(Pixel(30, 20), kBlack);
  EXPECT_EQ(Pixel(10, 19), kBlack);
  EXPECT_EQ(Pixel(10, 60), kBlack);
  EXPECT_EQ(Pixel(20, 580), kBlack);  // not mirrored to the bottom
}

TEST_F(GlDeviceTest, TexturedQuadAppearsUprightAndAbsentTextureIsWhite) {
  auto texture = QuadrantTexture();
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->Width(), 2);
  EXPECT_EQ(texture->Levels(), 1);
  EXPECT_EQ(texture->Name(), "quadrants");
  device_->Clear(kBlack, 1.0f);
  device_->SetTexture(texture.get());
  DrawTexturedRect(0, 0, 100, 100, kWhite);
  // Without a texture, colour is the vertex colour alone.
  device_->SetTexture(nullptr);
  DrawTexturedRect(200, 0, 300, 100, 0xFF808040);
  EXPECT_EQ(Pixel(25, 25), kRed);
  EXPECT_EQ(Pixel(75, 25), kGreen);
  EXPECT_EQ(Pixel(25, 75), kBlue);
  EXPECT_EQ(Pixel(75, 75), kWhite);
  EXPECT_EQ(Pixel(250, 50), 0xFF808040u);

  // Mismatched level sizes are refused.
  image::Image bad{2, 2, {kRed}};
  EXPECT_EQ(device_->CreateTexture({bad}, "bad"), nullptr);
  EXPECT_EQ(device_->CreateTexture({}, "none"), nullptr);
}

TEST_F(GlDeviceTest, RenderTextureCompositedWithTheCompositeQuadAppearsUpright) {
  auto target = device_->CreateRenderTexture(800, 600);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->Surface().Width(), 800);
  device_->SetRenderTarget(target->Surface());
  device_->Clear(0x00000000, 1.0f);
  device_->SetRenderState(RenderState::ZEnable, 0);
  DrawRect(0, 0, 100, 50, kRed);  // top-left corner of the off-screen image

  device_->SetRenderTarget(device_->BackBuffer());
  device_->Clear(kBlack, 1.0f);
  device_->SetTexture(target.get());
  DrawTexturedRect(0, 0, 800, 600, kWhite);
  EXPECT_EQ(Pixel(50, 25), kRed);
  EXPECT_EQ(Pixel(50, 575), 0x00000000u);  // the rest keeps the off-screen image's transparent black
  EXPECT_EQ(Pixel(750, 25), 0x00000000u);
  // Destroying the bound texture leaves nothing dangling: the next draw samples white.
  target.reset();
  DrawTexturedRect(0, 0, 10, 10, 0xFF404040);
  Reread();
  EXPECT_EQ(Pixel(5, 5), 0xFF404040u);
}

TEST_F(GlDeviceTest, ARenderTextureSharingTheDepthBufferDrawsWhollyAfterAFrameStraightIntoTheWindow) {
  auto target = device_->CreateRenderTexture(800, 600);
  ASSERT_NE(target, nullptr);
  device_->BeginScene();
  device_->DiscardBackBuffer();
  device_->SetRenderTarget(device_->BackBuffer());
  device_->Clear(kBlack, 1.0f);
  device_->EndScene();
  ASSERT_TRUE(device_->Present());

  device_->SetRenderTarget(target->Surface());
  device_->Clear(kGreen, 1.0f);
  DrawRect(700, 500, 790, 590, kRed);  // depth tested
  device_->SetRenderState(RenderState::ZEnable, 0);
  device_->SetRenderTarget(device_->BackBuffer());
  device_->SetTexture(target.get());
  DrawTexturedRect(0, 0, 800, 600, kWhite);
  EXPECT_EQ(Pixel(745, 545), kRed);
  EXPECT_EQ(Pixel(795, 595), kGreen);
}

TEST_F(GlDeviceTest, AlphaBlendsSourceAlphaOverInverseSourceAlpha) {
  device_->Clear(kBlue, 1.0f);
  device_->SetRenderState(RenderState::ZEnable, 0);
  device_->SetRenderState(RenderState::AlphaBlendEnable, 1);
  device_->SetRenderState(RenderState::SrcBlend, static_cast<uint32_t>(gpu::Blend::SrcAlpha));
  device_->SetRenderState(RenderState::DestBlend, static_cast<uint32_t>(gpu::Blend::InvSrcAlpha));
  // Stage-0 alpha starts as the texture's (opaque white here): the quad covers the blue.
  DrawRect(0, 0, 100, 100, 0x80FF0000);
  // Texture alpha x diffuse alpha, as the particle pass sets it: a 50% quad.
  device_->SetTextureStageState(gpu::StageState::AlphaOp, static_cast<uint32_t>(gpu::TexOp::Modulate));
  device_->SetTextureStageState(gpu::StageState::AlphaArg1, static_cast<uint32_t>(gpu::TexArg::Texture));
  device_->SetTextureStageState(gpu::StageState::AlphaArg2, static_cast<uint32_t>(gpu::TexArg::Diffuse));
  DrawRect(200, 0, 300, 100, 0x80FF0000);
  EXPECT_EQ(Pixel(50, 50), kRed);
  // a = 128/255: colour = red x a + blue x (1 - a); alpha = a x a + 1 x (1 - a).
  EXPECT_TRUE(Near(Pixel(250, 50), 0xBF80007F, 1));
  EXPECT_EQ(device_->GetRenderState(RenderState::SrcBlend), static_cast<uint32_t>(gpu::Blend::SrcAlpha));
}

TEST_F(GlDeviceTest, StencilMarksWhatPassesAndKeepsLaterDrawsOffItUntilTheNextClear) {
  auto set = [this](RenderState s, auto v) { device_->SetRenderState(s, static_cast<uint32_t>(v)); };
  auto mark = [&] {
    set(RenderState::StencilEnable, 1);
    set(RenderState::StencilFunc, gpu::Compare::Always);
    set(RenderState::StencilRef, 1);
    set(RenderState::StencilPass, gpu::StencilOp::Replace);
  };
  auto onlyUnmarked = [&] {
    set(RenderState::StencilFunc, gpu::Compare::Equal);
    set(RenderState::StencilRef, 0);
    set(RenderState::StencilPass, gpu::StencilOp::Keep);
  };
  device_->Clear(kBlack, 1.0f);
  // A near square unmarked, then a far one marking only where it passes the depth test.
  DrawRect(0, 0, 100, 100, kGreen);  // depth 0.5
  mark();
  RhwVertex far[4] = {{150, 50, 0.8f, 1, kBlue},
                      {150, 150, 0.8f, 1, kBlue},
                      {50, 50, 0.8f, 1, kBlue},
                      {50, 150, 0.8f, 1, kBlue}};
  device_->SetFVF(kRhwColour);
  device_->DrawPrimitiveUP(gpu::Primitive::TriangleStrip, 2, far, sizeof(RhwVertex));
  onlyUnmarked();
  set(RenderState::ZEnable, 0);
  DrawRect(0, 0, 200, 200, kRed);
  EXPECT_EQ(Pixel(125, 125), kBlue);  // marked
  EXPECT_EQ(Pixel(75, 75), kRed);     // the far square lost the depth test here: unmarked
  EXPECT_EQ(Pixel(25, 25), kRed);
  EXPECT_EQ(Pixel(175, 175), kRed);
  // A clear unmarks everything; with the test off nothing is held back.
  device_->Clear(kBlack, 1.0f);
  DrawRect(0, 0, 10, 10, kRed);
  set(RenderState::StencilFunc, gpu::Compare::Never);
  set(RenderState::StencilEnable, 0);
  DrawRect(20, 0, 30, 10, kGreen);
  Reread();
  EXPECT_EQ(Pixel(5, 5), kRed);
  EXPECT_EQ(Pixel(25, 5), kGreen);
}

TEST_F(GlDeviceTest, EachDrawSamplesWithTheSamplerStatesSetForIt) {
  auto quadrants = QuadrantTexture();
  // Five levels of one colour each: red 16 x 16, green 8 x 8, then blue.
  std::vector<image::Image> levels;
  for (int size = 16; size >= 1; size /= 2) {
    const uint32_t colour = size == 16 ? kRed : size == 8 ? kGreen : kBlue;
    levels.push_back(image::Image{size, size, std::vector<uint32_t>(size_t(size * size), colour)});
  }
  auto mipmapped = device_->CreateTexture(levels, "levels");
  ASSERT_NE(mipmapped, nullptr);
  auto sampler = [this](gpu::SamplerState s, auto v) {
    device_->SetSamplerState(s, static_cast<uint32_t>(v));
  };
  device_->Clear(kBlack, 1.0f);
  device_->SetRenderState(RenderState::ZEnable, 0);
  // Texture coordinates running to 2: repeated when wrapping, the edge texels beyond 1 when clamped.
  device_->SetTexture(quadrants.get());
  DrawTexturedRect(0, 0, 100, 100, kWhite, 2);
  sampler(gpu::SamplerState::AddressU, gpu::Address::Clamp);
  sampler(gpu::SamplerState::AddressV, gpu::Address::Clamp);
  DrawTexturedRect(100, 0, 200, 100, kWhite, 2);
  sampler(gpu::SamplerState::AddressU, gpu::Address::Wrap);
  DrawTexturedRect(200, 0, 300, 100, kWhite, 2);
  sampler(gpu::SamplerState::AddressV, gpu::Address::Wrap);
  // Sixteen texels on eight pixels: the second level with mip levels, the first without.
  device_->SetTexture(mipmapped.get());
  sampler(gpu::SamplerState::MipFilter, gpu::Filter::Point);
  DrawTexturedRect(0, 200, 8, 208, kWhite);
  sampler(gpu::SamplerState::MipFilter, gpu::Filter::None);
  DrawTexturedRect(20, 200, 28, 208, kWhite);
  sampler(gpu::SamplerState::MipFilter, gpu::Filter::Point);
  DrawTexturedRect(40, 200, 48, 208, kWhite);
  // The quadrants magnified 50 times and filtered linearly blend into one another.
  device_->SetTexture(quadrants.get());
  sampler(gpu::SamplerState::MagFilter, gpu::Filter::Linear);
  sampler(gpu::SamplerState::MinFilter, gpu::Filter::Linear);
  DrawTexturedRect(300, 0, 400, 100, kWhite);
  // At (1.25, 1.25): wrapped (0.25, 0.25), the top-left texel; clamped the bottom-right one; u wrapped
  // and v clamped the bottom-left one.
  EXPECT_EQ(Pixel(62, 62), kRed);
  EXPECT_EQ(Pixel(162, 62), kWhite);
  EXPECT_EQ(Pixel(262, 62), kBlue);
  EXPECT_EQ(Pixel(4, 204), kGreen);
  EXPECT_EQ(Pixel(24, 204), kRed);
  EXPECT_EQ(Pixel(44, 204), kGreen);
  // Pixel 350's centre lies a hundredth of a texel past the texels' shared corner, pixel 330's a ninth of
  // a texel from the top-left texel toward the others.
  EXPECT_TRUE(Near(Pixel(350, 50), 0xFF808282, 3));
  EXPECT_TRUE(Near(Pixel(330, 30), 0xFFCD1C1C, 3));
}

TEST_F(GlDeviceTest, ASpriteLyingTexelForPixelShowsEachTexelAsItIs) {
  image::Image level{8, 8, {}};
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x)
      level.argb.push_back(0xFF000000u | x * 36 << 16 | y * 36 << 8 | (x ^ y) * 36);
  auto texture = device_->CreateTexture({level}, "texels");
  ASSERT_NE(texture, nullptr);
  device_->Clear(0xFF000000u, 1.0f);
  auto batch = sprite::CreateSpriteBatch(*device_);
  batch->Begin();
  batch->SetTransform(math::MatrixTransformation2D({1.0f, 1.0f}, {100.0f, 50.0f}));
  batch->Draw(*texture, nullptr, 0xFFFFFFFFu);
  batch->End();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(Hex(Pixel(100 + x, 50 + y)), Hex(level.argb[size_t(y * 8 + x)])) << x << "," << y;
  EXPECT_EQ(Pixel(99, 50), 0xFF000000u);
  EXPECT_EQ(Pixel(108, 57), 0xFF000000u);
}

TEST_F(GlDeviceTest, BackBufferAndBoundTextureSurvivePresentAndOtherTexturesGoing) {
  auto texture = QuadrantTexture();
  device_->SetTexture(texture.get());
  QuadrantTexture().reset();
  device_->CreateRenderTexture(64, 64).reset();
  device_->Clear(kGreen, 1.0f);
  device_->SetRenderState(RenderState::ZEnable, 0);
  DrawTexturedRect(0, 0, 10, 10, kWhite);  // the red quadrant at the top-left
  EXPECT_TRUE(device_->Present());
  EXPECT_TRUE(device_->Present());
  EXPECT_EQ(Pixel(2, 2), kRed);
  EXPECT_EQ(Pixel(400, 300), kGreen);
  // Full screen without a display, the window takes the image's size and shows it unscaled, right way up.
  std::vector<uint32_t> window;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadWindowPixels(*device_, window, &w, &h));
  ASSERT_EQ(w, 800);
  ASSERT_EQ(h, 600);
  EXPECT_EQ(window[2 * 800 + 2], kRed);
  EXPECT_EQ(window[2 * 800 + 12], kGreen);
  EXPECT_EQ(window[12 * 800 + 2], kGreen);
  EXPECT_EQ(window[599 * 800 + 2], kGreen);
  // Drawing goes on into the same image after presenting, with the same texture.
  DrawTexturedRect(20, 0, 40, 20, kWhite);
  Reread();
  EXPECT_EQ(Pixel(2, 2), kRed);
  EXPECT_EQ(Pixel(25, 5), kRed);
  EXPECT_EQ(Pixel(35, 15), kWhite);
}

// A triangle around the view axis at depth z, clockwise on screen.
void DrawFacingTriangle(gpu::Device& device, float z, uint32_t colour) {
  ColourVertex v[3] = {{-z, z, z, colour}, {z, z, z, colour}, {0, -z, z, colour}};
  device.SetFVF(kXyzColour);
  device.DrawPrimitiveUP(gpu::Primitive::TriangleList, 1, v, sizeof(ColourVertex));
}

TEST_F(GlDeviceTest, DepthTestWithThePerspectiveProjectionKeepsTheNearerTriangle) {
  device_->SetTransform(gpu::TransformKind::Projection,
                        math::MatrixPerspectiveFovLH(std::numbers::pi_v<float> / 4, 4.0f / 3.0f, 1, 1500));
  device_->SetRenderState(RenderState::Lighting, 0);
  device_->Clear(kBlack, 1.0f);
  DrawFacingTriangle(*device_, 5, kGreen);  // near first: the far one must fail the test
  DrawFacingTriangle(*device_, 10, kRed);
  EXPECT_EQ(Pixel(400, 300), kGreen);

  device_->Clear(kBlack, 1.0f);
  DrawFacingTriangle(*device_, 10, kRed);  // far first: the near one overwrites
  DrawFacingTriangle(*device_, 5, kGreen);
  Reread();
  EXPECT_EQ(Pixel(400, 300), kGreen);

  // Without depth writes the later, farther triangle wins.
  device_->Clear(kBlack, 1.0f);
  device_->SetRenderState(RenderState::ZWriteEnable, 0);
  DrawFacingTriangle(*device_, 5, kGreen);
  DrawFacingTriangle(*device_, 10, kRed);
  Reread();
  EXPECT_EQ(Pixel(400, 300), kRed);
  // Beyond the far plane nothing is drawn.
  device_->SetRenderState(RenderState::ZWriteEnable, 1);
  device_->Clear(kBlack, 1.0f);
  DrawFacingTriangle(*device_, 2000, kRed);
  Reread();
  EXPECT_EQ(Pixel(400, 300), kBlack);
}

TEST_F(GlDeviceTest, CullingCcwDropsCounterClockwiseTrianglesOnScreen) {
  device_->SetRenderState(RenderState::ZEnable, 0);
  auto draw = [this] {
    device_->Clear(kBlack, 1.0f);
    // Left: counter-clockwise on screen (y down); right: clockwise.
    RhwVertex ccw[3] = {{100, 100, 0.5f, 1, kRed}, {50, 200, 0.5f, 1, kRed}, {150, 200, 0.5f, 1, kRed}};
    RhwVertex cw[3] = {{500, 100, 0.5f, 1, kGreen}, {550, 200, 0.5f, 1, kGreen}, {450, 200, 0.5f, 1, kGreen}};
    device_->SetFVF(kRhwColour);
    device_->DrawPrimitiveUP(gpu::Primitive::TriangleList, 1, ccw, sizeof(RhwVertex));
    device_->DrawPrimitiveUP(gpu::Primitive::TriangleList, 1, cw, sizeof(RhwVertex));
    // Transformed: counter-clockwise on screen at the centre.
    device_->SetRenderState(RenderState::Lighting, 0);
    ColourVertex v[3] = {{0, 0.5f, 0.5f, kBlue}, {-0.5f, -0.5f, 0.5f, kBlue}, {0.5f, -0.5f, 0.5f, kBlue}};
    device_->SetFVF(kXyzColour);
    device_->DrawPrimitiveUP(gpu::Primitive::TriangleList, 1, v, sizeof(ColourVertex));
    Reread();
  };
  EXPECT_EQ(device_->GetRenderState(RenderState::CullMode), static_cast<uint32_t>(gpu::Cull::CCW));
  draw();
  EXPECT_EQ(Pixel(100, 180), kBlack);
  EXPECT_EQ(Pixel(500, 180), kGreen);
  EXPECT_EQ(Pixel(400, 320), kBlack);

  device_->SetRenderState(RenderState::CullMode, static_cast<uint32_t>(gpu::Cull::CW));
  draw();
  EXPECT_EQ(Pixel(100, 180), kRed);
  EXPECT_EQ(Pixel(500, 180), kBlack);
  EXPECT_EQ(Pixel(400, 320), kBlue);

  device_->SetRenderState(RenderState::CullMode, static_cast<uint32_t>(gpu::Cull::None));
  draw();
  EXPECT_EQ(Pixel(100, 180), kRed);
  EXPECT_EQ(Pixel(500, 180), kGreen);
}

TEST_F(GlDeviceTest, PointSpritesScaleWithDistanceAndShowTheirTextureUpright) {
  auto texture = QuadrantTexture();
  StartPointSprites();
  device_->SetTexture(texture.get());
  device_->Clear(kBlack, 1.0f);
  // 1 x 600 pixels / 10 away = 60 pixels across, centred on (400, 300).
  ColourVertex point{0, 0, 10, kWhite};
  device_->SetFVF(kXyzColour);
  device_->DrawPrimitiveUP(gpu::Primitive::PointList, 1, &point, sizeof(ColourVertex));
  EXPECT_EQ(Pixel(385, 285), kRed);
  EXPECT_EQ(Pixel(415, 285), kGreen);
  EXPECT_EQ(Pixel(385, 315), kBlue);
  EXPECT_EQ(Pixel(415, 315), kWhite);
  EXPECT_EQ(Pixel(400, 335), kBlack);
  EXPECT_EQ(Pixel(435, 300), kBlack);

  // Close to the eye the size stops at 64 pixels.
  device_->Clear(kBlack, 1.0f);
  point.z = 2;
  device_->DrawPrimitiveUP(gpu::Primitive::PointList, 1, &point, sizeof(ColourVertex));
  Reread();
  EXPECT_EQ(Pixel(390, 269), kRed);
  EXPECT_EQ(Pixel(390, 267), kBlack);
}

// A frame that discards the back buffer goes straight into a window of the image's size and shows what the
// back buffer would: upright, culled, scissored, its point sprites the right way up. The image kept in the
// back buffer is left as it was. A window of another size takes the frame through the back buffer.
TEST_F(GlDeviceTest, AFrameDiscardingTheBackBufferIsShownAsDrawnThroughIt) {
  auto texture = QuadrantTexture();
  auto frame = [&](bool discard) {
    device_->BeginScene();
    if (discard) device_->DiscardBackBuffer();
    device_->SetRenderTarget(device_->BackBuffer());
    device_->Clear(kBlack, 1.0f);
    const gpu::ScissorRect scissor{100, 50, 500, 400};
    device_->SetScissorRect(&scissor);
    device_->SetRenderState(RenderState::ZEnable, 0);
    device_->SetTexture(texture.get());
    DrawTexturedRect(80, 30, 160, 110, kWhite);  // reaches past the scissor's top-left corner
    device_->SetTexture(nullptr);
    RhwVertex ccw[3] = {{300, 100, 0.5f, 1, kRed}, {250, 200, 0.5f, 1, kRed}, {350, 200, 0.5f, 1, kRed}};
    RhwVertex cw[3] = {{500, 100, 0.5f, 1, kGreen}, {550, 200, 0.5f, 1, kGreen}, {450, 200, 0.5f, 1, kGreen}};
    device_->SetFVF(kRhwColour);
    device_->DrawPrimitiveUP(gpu::Primitive::TriangleList, 1, ccw, sizeof(RhwVertex));  // culled
    device_->DrawPrimitiveUP(gpu::Primitive::TriangleList, 1, cw, sizeof(RhwVertex));
    device_->SetRenderState(RenderState::ZEnable, 1);
    StartPointSprites();
    device_->SetTexture(texture.get());
    ColourVertex point{0, 0, 10, kWhite};
    device_->SetFVF(kXyzColour);
    device_->DrawPrimitiveUP(gpu::Primitive::PointList, 1, &point, sizeof(ColourVertex));
    device_->SetRenderState(RenderState::PointSpriteEnable, 0);
    device_->SetScissorRect(nullptr);
    device_->SetTexture(nullptr);
    DrawRect(700, 500, 780, 580, kBlue);
    device_->EndScene();
    EXPECT_TRUE(device_->Present());
    std::vector<uint32_t> shown;
    EXPECT_TRUE(ReadWindowPixels(*device_, shown, nullptr, nullptr));
    return shown;
  };
  const std::vector<uint32_t> through = frame(false);
  ASSERT_EQ(through.size(), 800u * 600u);
  auto at = [&](int x, int y) { return through[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)]; };
  EXPECT_EQ(at(90, 60), kBlack);  // outside the scissor
  EXPECT_EQ(at(110, 60), kRed);
  EXPECT_EQ(at(150, 100), kWhite);
  EXPECT_EQ(at(300, 180), kBlack);
  EXPECT_EQ(at(500, 180), kGreen);
  EXPECT_EQ(at(385, 285), kRed);
  EXPECT_EQ(at(415, 315), kWhite);
  EXPECT_EQ(at(740, 540), kBlue);

  // Green in the back buffer, then the same frame discarding it: it goes straight into the window and leaves
  // the back buffer undrawn (its storage given back meanwhile), which then draws at its whole size again.
  device_->Clear(kGreen, 1.0f);
  device_->Present();
  EXPECT_TRUE(frame(true) == through);
  Reread();
  EXPECT_EQ(Pixel(400, 300), kWhite);  // the last image is read where it was drawn
  device_->SetRenderTarget(device_->BackBuffer());
  Reread();
  EXPECT_NE(Pixel(400, 300), kWhite);
  EXPECT_NE(Pixel(740, 540), kBlue);
  device_->Clear(kGreen, 1.0f);
  DrawRect(790, 590, 800, 600, kRed);
  Reread();
  EXPECT_EQ(Pixel(0, 0), kGreen);
  EXPECT_EQ(Pixel(795, 595), kRed);

  SDL_SetWindowSize(SDL_GL_GetCurrentWindow(), 1024, 768);
  frame(true);
  device_->SetRenderTarget(device_->BackBuffer());
  Reread();
  EXPECT_EQ(Pixel(400, 300), kWhite);
}

constexpr const char* kVertexSource = R"(// a test vertex shader
layout(location = 0) in vec3 inPosition;
uniform mat4 Transform;
void vs_main() { gl_Position = Transform * vec4(inPosition, 1.0); }
)";
constexpr const char* kPixelSource = R"(uniform vec3 ColorAdd;
uniform float Alpha;
out vec4 colour;
void ps_main() { colour = vec4(ColorAdd, Alpha); }
)";

TEST_F(GlDeviceTest, ShaderPairDrawsWithItsNamedConstants) {
  gpu::CompiledShader vs = device_->CompileShader(kVertexSource, "vs_main", "vs_1_1");
  gpu::CompiledShader ps = device_->CompileShader(kPixelSource, "ps_main", "ps_2_0");
  ASSERT_NE(vs.shader, nullptr) << vs.messages;
  ASSERT_NE(ps.shader, nullptr) << ps.messages;
  EXPECT_EQ(vs.messages, "");
  EXPECT_EQ(ps.messages, "");
  EXPECT_EQ(vs.shader->Stage(), gpu::ShaderStage::Vertex);
  EXPECT_EQ(ps.shader->Stage(), gpu::ShaderStage::Pixel);

  // A row-vector translation: +0.5 in x moves the triangle a quarter of the width to the right.
  EXPECT_TRUE(vs.constants->SetMatrix("Transform", math::MatrixTranslation(0.5f, 0, 0)));
  const float colour[3] = {1.0f, 0.2f, 0.6f};
  EXPECT_TRUE(ps.constants->SetFloatArray("ColorAdd", colour, 3));
  EXPECT_TRUE(ps.constants->SetVector("Alpha", {1, 0, 0, 0}));
  EXPECT_FALSE(ps.constants->SetFloatArray("Missing", colour, 3));
  EXPECT_FALSE(vs.constants->SetFloatArray("ColorAdd", colour, 3));  // each shader has its own table

  device_->SetRenderState(RenderState::ZEnable, 0);
  device_->Clear(kBlack, 1.0f);
  device_->SetVertexShader(vs.shader.get());
  device_->SetPixelShader(ps.shader.get());
  ColourVertex v[3] = {{-0.1f, 0.1f, 0.5f, 0}, {0.1f, 0.1f, 0.5f, 0}, {0, -0.1f, 0.5f, 0}};
  device_->SetFVF(kXyzColour);
  device_->DrawPrimitiveUP(gpu::Primitive::TriangleList, 1, v, sizeof(ColourVertex));
  EXPECT_TRUE(Near(Pixel(600, 300), 0xFFFF3399, 1));
  EXPECT_EQ(Pixel(400, 300), kBlack);

  // A new value reaches the next draw; the pixel shader alone runs behind the built-in vertex stage.
  const float green[3] = {0, 1, 0};
  ps.constants->SetFloatArray("ColorAdd", green, 3);
  device_->SetVertexShader(nullptr);
  device_->SetRenderState(RenderState::Lighting, 0);
  device_->DrawPrimitiveUP(gpu::Primitive::TriangleList, 1, v, sizeof(ColourVertex));
  Reread();
  EXPECT_EQ(Pixel(400, 300), kGreen);
  EXPECT_TRUE(Near(Pixel(600, 300), 0xFFFF3399, 1));
}

TEST_F(GlDeviceTest, ConstantTablesHoldArraysButNotSamplersOrCommentedUniforms) {
  constexpr const char* kSampling = R"(#version 330 core
uniform vec4 Colours[2];
uniform sampler2D Picture;
/* uniform vec4 Hidden; */
// uniform vec4 AlsoHidden;
out vec4 colour;
void Sample() { colour = texture(Picture, vec2(0.75, 0.75)) * Colours[1] + Colours[0]; }
)";
  gpu::CompiledShader vs = device_->CompileShader(kVertexSource, "vs_main", "vs_1_1");
  gpu::CompiledShader ps = device_->CompileShader(kSampling, "Sample", "ps_2_0");
  ASSERT_NE(vs.shader, nullptr) << vs.messages;
  ASSERT_NE(ps.shader, nullptr) << ps.messages;
  EXPECT_EQ(ps.messages, "");
  const float colours[8] = {0, 0, 0, 0, 0.2f, 0.4f, 1.0f, 1.0f};
  EXPECT_TRUE(ps.constants->SetFloatArray("Colours", colours, 8));
  const float one[4] = {1, 1, 1, 1};
  EXPECT_FALSE(ps.constants->SetFloatArray("Picture", one, 1));
  EXPECT_FALSE(ps.constants->SetFloatArray("Hidden", one, 4));
  EXPECT_FALSE(ps.constants->SetFloatArray("AlsoHidden", one, 4));
  EXPECT_TRUE(vs.constants->SetMatrix("Transform", math::MatrixIdentity()));

  auto texture = QuadrantTexture();
  device_->SetTexture(texture.get());
  device_->SetRenderState(RenderState::ZEnable, 0);
  device_->Clear(kBlack, 1.0f);
  device_->SetVertexShader(vs.shader.get());
  device_->SetPixelShader(ps.shader.get());
  ColourVertex v[3] = {{-0.1f, 0.1f, 0.5f, 0}, {0.1f, 0.1f, 0.5f, 0}, {0, -0.1f, 0.5f, 0}};
  device_->SetFVF(kXyzColour);
  device_->DrawPrimitiveUP(gpu::Primitive::TriangleList, 1, v, sizeof(ColourVertex));
  // v = 0.75 is the lower half of the picture (white), times the second array element.
  EXPECT_TRUE(Near(Pixel(400, 300), 0xFF3366FF, 1));
}

TEST_F(GlDeviceTest, TheSamplerNamedSecondTextureReadsTheSecondTextureWhiteWhenNoneOrGone) {
  constexpr const char* kTwo = R"(#version 330 core
uniform sampler2D Picture;
uniform sampler2D secondTexture;
out vec4 colour;
void Sample() { colour = vec4(texture(Picture, vec2(0.5)).rgb + texture(secondTexture, vec2(0.5)).rgb, 1.0); }
)";
  gpu::CompiledShader vs = device_->CompileShader(kVertexSource, "vs_main", "vs_1_1");
  gpu::CompiledShader ps = device_->CompileShader(kTwo, "Sample", "ps_2_0");
  ASSERT_NE(ps.shader, nullptr) << ps.messages;
  vs.constants->SetMatrix("Transform", math::MatrixIdentity());
  auto red = device_->CreateTexture({image::Image{1, 1, {kRed}}}, "red");
  auto green = device_->CreateTexture({image::Image{1, 1, {kGreen}}}, "green");
  device_->SetRenderState(RenderState::ZEnable, 0);
  device_->SetVertexShader(vs.shader.get());
  device_->SetPixelShader(ps.shader.get());
  device_->SetFVF(kXyzColour);
  device_->SetTexture(red.get());
  ColourVertex v[3] = {{-0.1f, 0.1f, 0.5f, 0}, {0.1f, 0.1f, 0.5f, 0}, {0, -0.1f, 0.5f, 0}};
  for (int step = 0; step < 3; ++step) {
    if (step == 0) device_->SetSecondTexture(green.get());
    if (step == 1) device_->SetSecondTexture(nullptr);
    if (step == 2) {
      device_->SetSecondTexture(green.get());
      green.reset();  // a texture going while bound leaves white in its place
    }
    device_->Clear(kBlack, 1.0f);
    device_->DrawPrimitiveUP(gpu::Primitive::TriangleList, 1, v, sizeof(ColourVertex));
    Reread();
    EXPECT_EQ(Pixel(400, 300), step == 0 ? 0xFFFFFF00u : kWhite) << "step " << step;
  }
}

TEST_F(GlDeviceTest, ShaderErrorsComeBackAsMessages) {
  gpu::CompiledShader broken =
      device_->CompileShader("void vs_main() { gl_Position = vec4(1.0) }", "vs_main", "vs_1_1");
  EXPECT_EQ(broken.shader, nullptr);
  EXPECT_EQ(broken.constants, nullptr);
  EXPECT_NE(broken.messages.find("error"), std::string::npos) << broken.messages;

  gpu::CompiledShader unknown = device_->CompileShader(kPixelSource, "ps_main", "fx_2_0");
  EXPECT_EQ(unknown.shader, nullptr);
  EXPECT_EQ(unknown.messages, "unknown shader profile \"fx_2_0\"");

  gpu::CompiledShader noEntry = device_->CompileShader(kPixelSource, "PS", "ps_2_0");
  EXPECT_EQ(noEntry.shader, nullptr);
  EXPECT_FALSE(noEntry.messages.empty());
}

// Static buffers live in GL; dynamic ones in their CPU copy, streamed at each draw.
TEST_F(GlDeviceTest, LocksOutOfRangeReturnNothingAndDrawsPastTheEndAreSkipped) {
  for (uint32_t usage : {gpu::usage::WriteOnly, gpu::usage::Dynamic | gpu::usage::WriteOnly}) {
    SCOPED_TRACE(usage);
    auto vb = device_->CreateVertexBuffer(3 * sizeof(RhwVertex), usage, kRhwColour);
    ASSERT_NE(vb, nullptr);
    EXPECT_EQ(vb->SizeBytes(), 60u);
    EXPECT_EQ(vb->Lock(40, 40, gpu::LockMode::Normal), nullptr);
    EXPECT_EQ(vb->Lock(60, 0, gpu::LockMode::Normal), nullptr);
    EXPECT_EQ(vb->Lock(0xFFFFFFF0u, 0x20, gpu::LockMode::Normal), nullptr);  // no wrap-around
    auto* v = static_cast<RhwVertex*>(vb->Lock(0, 0, gpu::LockMode::Discard));
    ASSERT_NE(v, nullptr);
    v[0] = {10, 10, 0.5f, 1, kRed};
    v[1] = {40, 40, 0.5f, 1, kRed};
    v[2] = {10, 40, 0.5f, 1, kRed};
    vb->Unlock();

    auto ib = device_->CreateIndexBuffer(6, gpu::usage::WriteOnly);
    ASSERT_NE(ib, nullptr);
    EXPECT_EQ(ib->Lock(4, 4, gpu::LockMode::Normal), nullptr);
    auto* idx = static_cast<uint16_t*>(ib->Lock(0, 6, gpu::LockMode::Normal));
    ASSERT_NE(idx, nullptr);
    idx[0] = 0, idx[1] = 1, idx[2] = 2;
    ib->Unlock();
    EXPECT_EQ(device_->CreateVertexBuffer(0, usage, 0), nullptr);

    device_->SetRenderState(RenderState::ZEnable, 0);
    device_->SetFVF(kRhwColour);
    device_->SetStreamSource(vb.get(), 0, sizeof(RhwVertex));
    device_->SetIndices(ib.get());
    device_->Clear(kBlack, 1.0f);
    device_->DrawPrimitive(gpu::Primitive::TriangleList, 1, 1);                  // vertices 3..5 do not exist
    device_->DrawIndexedPrimitive(gpu::Primitive::TriangleList, 0, 0, 3, 1, 1);  // indices 1..3 do not exist
    Reread();
    EXPECT_EQ(Pixel(15, 35), kBlack);
    device_->DrawIndexedPrimitive(gpu::Primitive::TriangleList, 0, 0, 3, 0, 1);
    Reread();
    EXPECT_EQ(Pixel(15, 35), kRed);
    // A partial relock uploads just that range.
    auto* second =
        static_cast<RhwVertex*>(vb->Lock(sizeof(RhwVertex), sizeof(RhwVertex), gpu::LockMode::Normal));
    ASSERT_NE(second, nullptr);
    *second = {70, 40, 0.5f, 1, kRed};
    vb->Unlock();
    device_->DrawPrimitive(gpu::Primitive::TriangleList, 0, 1);
    Reread();
    EXPECT_EQ(Pixel(50, 38), kRed);
    // Indices 1..3 from base vertex -1 reach vertices 0..2.
    idx = static_cast<uint16_t*>(ib->Lock(0, 6, gpu::LockMode::Normal));
    ASSERT_NE(idx, nullptr);
    idx[0] = 1, idx[1] = 2, idx[2] = 3;
    ib->Unlock();
    device_->Clear(kBlack, 1.0f);
    device_->DrawIndexedPrimitive(gpu::Primitive::TriangleList, -1, 1, 3, 0, 1);
    Reread();
    EXPECT_EQ(Pixel(50, 38), kRed);
  }
}

// A fight draws hundreds of particle systems a frame, each from a dynamic buffer of its own: such a draw
// must not cost the rasteriser memory of its own (binding a GL buffer per draw once took some 64 KiB each).
TEST_F(GlDeviceTest, HundredsOfDynamicBuffersDrawnInOneFrameTakeLittleMemory) {
  constexpr int kBuffers = 400;
  std::vector<std::unique_ptr<gpu::VertexBuffer>> buffers;
  for (int i = 0; i < kBuffers; ++i) {
    const uint32_t usage = gpu::usage::Dynamic | gpu::usage::Points | gpu::usage::WriteOnly;
    buffers.push_back(device_->CreateVertexBuffer(2 * sizeof(ColourVertex), usage, kXyzColour));
    ASSERT_NE(buffers.back(), nullptr);
  }
  StartPointSprites();
  device_->SetFVF(kXyzColour);
  device_->Clear(kBlack, 1.0f);
  const size_t before = mallinfo2().uordblks;
  size_t most = before;
  for (auto& vb : buffers) {
    auto* v = static_cast<ColourVertex*>(vb->Lock(0, 0, gpu::LockMode::Discard));
    ASSERT_NE(v, nullptr);
    v[0] = {-1, 0, 10, kWhite};
    v[1] = {1, 0, 10, kWhite};
    vb->Unlock();
    device_->SetStreamSource(vb.get(), 0, sizeof(ColourVertex));
    device_->DrawPrimitive(gpu::Primitive::PointList, 0, 2);
    most = std::max(most, mallinfo2().uordblks);
  }
  EXPECT_LT((most - before) / kBuffers, 8192u) << "bytes a draw";
  EXPECT_EQ(Pixel(328, 300), kWhite);
  EXPECT_EQ(Pixel(472, 300), kWhite);
  EXPECT_EQ(Pixel(400, 300), kBlack);
}

TEST_F(GlDeviceTest, TheDriversThreadsEndWithTheServices) {
  // Drawing starts the software rasteriser's threads; ending the services (the window's display goes with
  // them) must join them all, so that none still runs when the leak checker stops the world at exit.
  device_->Clear(kBlack, 1.0f);
  DrawRect(10, 10, 790, 590, kRed);
  EXPECT_EQ(Pixel(400, 300), kRed);
  device_.reset();
  services_.reset();
  EXPECT_EQ(ThreadCount(), threadsBefore_);
}

TEST_F(GlDeviceTest, OneDeviceAtATimeResourcesOutliveTheServicesAndPlainWindowsGiveNone) {
  int code = 0;
  std::string error;
  EXPECT_TRUE(services_->gpu().Available());
  EXPECT_EQ(services_->gpu().GetCaps().pixelShaderMajor, 2);
  EXPECT_EQ(services_->gpu().CreateDevice(gpu::PresentParams{}, &code, &error), nullptr);
  EXPECT_EQ(code, 4);
  EXPECT_EQ(error, "an OpenGL device already exists");

  auto texture = QuadrantTexture();
  auto vb = device_->CreateVertexBuffer(64, 0, 0);
  services_.reset();  // the context goes with the window; what remains must not touch GL
  void* p = vb->Lock(0, 16, gpu::LockMode::Normal);
  EXPECT_NE(p, nullptr);
  vb->Unlock();
  texture.reset();
  vb.reset();
  std::vector<uint32_t> pixels;
  EXPECT_FALSE(ReadBackBufferPixels(*device_, pixels, nullptr, nullptr));
  device_.reset();

  // A window made without OpenGL gives no device.
  SDL_Window* plain = SDL_CreateWindow("plain", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
  ASSERT_NE(plain, nullptr) << SDL_GetError();
  {
    GlDeviceFactory factory(plain);
    EXPECT_FALSE(factory.Available());
    EXPECT_EQ(factory.CreateDevice(gpu::PresentParams{}, &code, &error), nullptr);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(error, "the window was not created for OpenGL");
  }
  SDL_DestroyWindow(plain);
}

}  // namespace
