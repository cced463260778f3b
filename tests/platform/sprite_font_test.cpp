// Sprite batch and font against a capturing device: quad geometry, texture coordinates, batching per texture,
// the device state around a batch, and text laid out in the face found for "Arial" bold.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/headless/headless_services.h"
#include "platform/image.h"
#include "platform/sprite_batch.h"

namespace {

using namespace plat;

struct Vertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
static_assert(sizeof(Vertex) == 28);

class FakeTexture final : public gpu::Texture {
 public:
  FakeTexture(int w, int h, std::string name) : w_(w), h_(h), name_(std::move(name)) {}
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  int Levels() const override { return 1; }
  const std::string& Name() const override { return name_; }

 private:
  int w_, h_;
  std::string name_;
};

struct DrawCall {
  gpu::Primitive type;
  uint32_t primitives;
  uint32_t stride;
  uint32_t fvf;
  gpu::Texture* texture;
  std::vector<Vertex> vertices;
  std::array<uint32_t, static_cast<size_t>(gpu::RenderState::Count)> states;
  std::array<uint32_t, static_cast<size_t>(gpu::StageState::Count)> stage;
};

// Keeps the state the batch sets and captures every user-memory draw with the state it was drawn in.
class CapturingDevice final : public gpu::Device {
 public:
  std::array<uint32_t, static_cast<size_t>(gpu::RenderState::Count)> states{};
  std::array<uint32_t, static_cast<size_t>(gpu::StageState::Count)> stage{};
  gpu::Texture* texture = nullptr;
  uint32_t fvf = 0;
  std::vector<DrawCall> draws;
  std::vector<std::string> markers;
  std::vector<std::string> textureNames;
  std::vector<image::Image> textureImages;  // level 0 of each created texture
  int otherDraws = 0;

  void BeginScene() override {}
  void EndScene() override {}
  bool Present() override { return true; }
  gpu::RenderTarget& BackBuffer() override { return backBuffer_; }
  void SetRenderTarget(gpu::RenderTarget&) override {}
  void Clear(gpu::Argb, float) override {}
  void SetRenderState(gpu::RenderState s, uint32_t v) override { states[static_cast<size_t>(s)] = v; }
  void SetRenderStateF(gpu::RenderState s, float v) override {
    std::memcpy(&states[static_cast<size_t>(s)], &v, sizeof v);
  }
  uint32_t GetRenderState(gpu::RenderState s) const override { return states[static_cast<size_t>(s)]; }
  void SetSamplerState(gpu::SamplerState, uint32_t) override {}
  void SetTextureStageState(gpu::StageState s, uint32_t v) override { stage[static_cast<size_t>(s)] = v; }
  void SetTransform(gpu::TransformKind, const math::Matrix&) override {}
  math::Matrix GetTransform(gpu::TransformKind) const override { return math::MatrixIdentity(); }
  void SetMaterial(const gpu::Material&) override {}
  void LightEnable(int, bool) override {}
  void SetTexture(gpu::Texture* t) override { texture = t; }
  void SetVertexShader(gpu::Shader*) override {}
  void SetPixelShader(gpu::Shader*) override {}
  std::unique_ptr<gpu::Texture> CreateTexture(const std::vector<image::Image>& levels,
                                              std::string name) override {
    if (levels.empty()) return nullptr;
    textureNames.push_back(name);
    textureImages.push_back(levels[0]);
    return std::make_unique<FakeTexture>(levels[0].width, levels[0].height, std::move(name));
  }
  std::unique_ptr<gpu::RenderTexture> CreateRenderTexture(int, int) override { return nullptr; }
  std::unique_ptr<gpu::VertexBuffer> CreateVertexBuffer(uint32_t, uint32_t, uint32_t) override {
    return nullptr;
  }
  std::unique_ptr<gpu::IndexBuffer> CreateIndexBuffer(uint32_t, uint32_t) override { return nullptr; }
  std::unique_ptr<gpu::VertexDeclaration> CreateVertexDeclaration(
      std::span<const gpu::VertexElement>) override {
    return nullptr;
  }
  gpu::CompiledShader CompileShader(std::string_view, std::string_view, std::string_view) override {
    return {};
  }
  void SetFVF(uint32_t f) override { fvf = f; }
  void SetVertexDeclaration(gpu::VertexDeclaration*) override {}
  void SetStreamSource(gpu::VertexBuffer*, uint32_t, uint32_t) override {}
  void SetIndices(gpu::IndexBuffer*) override {}
  void DrawPrimitive(gpu::Primitive, uint32_t, uint32_t) override { ++otherDraws; }
  void DrawIndexedPrimitive(gpu::Primitive, int32_t, uint32_t, uint32_t, uint32_t, uint32_t) override {
    ++otherDraws;
  }
  void DrawPrimitiveUP(gpu::Primitive type, uint32_t count, const void* data, uint32_t stride) override {
    DrawCall d{type, count, stride, fvf, texture, {}, states, stage};
    if (stride == sizeof(Vertex) && type == gpu::Primitive::TriangleList) {
      const auto* v = static_cast<const Vertex*>(data);
      d.vertices.assign(v, v + count * 3);
    }
    draws.push_back(std::move(d));
  }
  void Marker(std::string_view text) override { markers.emplace_back(text); }

 private:
  struct Target final : gpu::RenderTarget {
    int Width() const override { return 800; }
    int Height() const override { return 600; }
  } backBuffer_;
};

uint32_t Rs(const CapturingDevice& d, gpu::RenderState s) {
  return d.states[static_cast<size_t>(s)];
}
uint32_t Stage(const std::array<uint32_t, 3>& stage, gpu::StageState s) {
  return stage[static_cast<size_t>(s)];
}

// The corners of quad q of a draw, as the batch emits them: top-left, top-right, bottom-left, then
// top-right, bottom-right, bottom-left.
struct Quad {
  Vertex tl, tr, bl, br;
};
Quad QuadAt(const DrawCall& d, size_t q) {
  const Vertex* v = &d.vertices[q * 6];
  return {v[0], v[1], v[2], v[4]};
}

void ExpectCorner(const Vertex& v, float x, float y, float u, float vv) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.u, u);
  EXPECT_FLOAT_EQ(v.v, vv);
}

// Values unlike the batch's own, so a missing restore shows.
void SetSceneStates(CapturingDevice& d) {
  d.SetRenderState(gpu::RenderState::AlphaBlendEnable, 0);
  d.SetRenderState(gpu::RenderState::SrcBlend, static_cast<uint32_t>(gpu::Blend::One));
  d.SetRenderState(gpu::RenderState::DestBlend, static_cast<uint32_t>(gpu::Blend::Zero));
  d.SetRenderState(gpu::RenderState::ZEnable, 1);
  d.SetRenderState(gpu::RenderState::ZWriteEnable, 1);
  d.SetRenderState(gpu::RenderState::CullMode, static_cast<uint32_t>(gpu::Cull::CCW));
  d.SetRenderState(gpu::RenderState::Lighting, 1);
  d.SetRenderState(gpu::RenderState::FillMode, static_cast<uint32_t>(gpu::Fill::Wireframe));
}

void ExpectSceneStates(const CapturingDevice& d) {
  EXPECT_EQ(Rs(d, gpu::RenderState::AlphaBlendEnable), 0u);
  EXPECT_EQ(Rs(d, gpu::RenderState::SrcBlend), static_cast<uint32_t>(gpu::Blend::One));
  EXPECT_EQ(Rs(d, gpu::RenderState::DestBlend), static_cast<uint32_t>(gpu::Blend::Zero));
  EXPECT_EQ(Rs(d, gpu::RenderState::ZEnable), 1u);
  EXPECT_EQ(Rs(d, gpu::RenderState::ZWriteEnable), 1u);
  EXPECT_EQ(Rs(d, gpu::RenderState::CullMode), static_cast<uint32_t>(gpu::Cull::CCW));
  EXPECT_EQ(Rs(d, gpu::RenderState::Lighting), 1u);
  EXPECT_EQ(Rs(d, gpu::RenderState::FillMode), static_cast<uint32_t>(gpu::Fill::Wireframe));
}

// ---- Sprite batch ----

TEST(SpriteBatch, WholeTextureQuadIsScaledAndTranslatedInPixels) {
  CapturingDevice device;
  FakeTexture tex(256, 64, "t");
  auto batch = sprite::CreateSpriteBatch(device);
  batch->Begin();
  batch->SetTransform(math::MatrixTransformation2D({2.0f, 1.0f}, {100.0f, 50.0f}));
  batch->Draw(tex, nullptr, 0xFFFFFFFFu);
  batch->End();

  ASSERT_EQ(device.draws.size(), 1u);
  const DrawCall& d = device.draws[0];
  EXPECT_EQ(d.type, gpu::Primitive::TriangleList);
  EXPECT_EQ(d.primitives, 2u);
  EXPECT_EQ(d.stride, 28u);
  EXPECT_EQ(d.fvf, 0x144u);
  EXPECT_EQ(d.texture, &tex);
  const Quad q = QuadAt(d, 0);
  ExpectCorner(q.tl, 100.0f, 50.0f, 0.0f, 0.0f);
  ExpectCorner(q.tr, 612.0f, 50.0f, 1.0f, 0.0f);
  ExpectCorner(q.bl, 100.0f, 114.0f, 0.0f, 1.0f);
  ExpectCorner(q.br, 612.0f, 114.0f, 1.0f, 1.0f);
  for (const Vertex& v : d.vertices) {
    EXPECT_EQ(v.z, 0.0f);
    EXPECT_EQ(v.rhw, 1.0f);
  }
}

TEST(SpriteBatch, SourceRectangleSetsSizeTextureCoordinatesAndColour) {
  CapturingDevice device;
  FakeTexture tex(256, 64, "t");
  auto batch = sprite::CreateSpriteBatch(device);
  batch->Begin();
  batch->SetTransform(math::MatrixTransformation2D({1.0f, 1.0f}, {10.0f, 20.0f}));
  const sprite::Rect r{64, 16, 128, 48};
  batch->Draw(tex, &r, 0x7FFF8040u);
  batch->End();

  ASSERT_EQ(device.draws.size(), 1u);
  const Quad q = QuadAt(device.draws[0], 0);
  ExpectCorner(q.tl, 10.0f, 20.0f, 0.25f, 0.25f);
  ExpectCorner(q.tr, 74.0f, 20.0f, 0.5f, 0.25f);
  ExpectCorner(q.bl, 10.0f, 52.0f, 0.25f, 0.75f);
  ExpectCorner(q.br, 74.0f, 52.0f, 0.5f, 0.75f);
  for (const Vertex& v : device.draws[0].vertices) EXPECT_EQ(v.diffuse, 0x7FFF8040u);
}

TEST(SpriteBatch, UpsideDownDigitCellIsDrawnUprightAboveItsPlace) {
  // The ones digit of the score: placed at (776, 45), digit 7 with left 140, top 40, right 160, bottom 0.
  CapturingDevice device;
  FakeTexture tex(256, 64, "hud_score");
  auto batch = sprite::CreateSpriteBatch(device);
  batch->Begin();
  batch->SetTransform(math::MatrixTransformation2D({1.0f, 1.0f}, {776.0f, 45.0f}));
  const sprite::Rect r{140, 40, 160, 0};
  batch->Draw(tex, &r, 0xFFFFFFFFu);
  batch->End();

  ASSERT_EQ(device.draws.size(), 1u);
  const Quad q = QuadAt(device.draws[0], 0);
  // The quad's height is bottom - top = -40: it reaches from y 45 up to y 5. v is 40/64 at the sprite's
  // place and 0 at the upper edge, so texel rows 0..39 run downward on screen: the cell stands upright.
  ExpectCorner(q.tl, 776.0f, 45.0f, 0.546875f, 0.625f);
  ExpectCorner(q.tr, 796.0f, 45.0f, 0.625f, 0.625f);
  ExpectCorner(q.bl, 776.0f, 5.0f, 0.546875f, 0.0f);
  ExpectCorner(q.br, 796.0f, 5.0f, 0.625f, 0.0f);
  // Culling is off while drawing, so the reversed winding still shows.
  EXPECT_EQ(device.draws[0].states[static_cast<size_t>(gpu::RenderState::CullMode)],
            static_cast<uint32_t>(gpu::Cull::None));
}

TEST(SpriteBatch, OneDrawPerRunOfTextureInSubmissionOrder) {
  CapturingDevice device;
  FakeTexture a(64, 64, "a"), b(32, 32, "b");
  auto batch = sprite::CreateSpriteBatch(device);
  batch->Begin();
  for (int i = 0; i < 4; ++i) {
    batch->SetTransform(math::MatrixTransformation2D({1.0f, 1.0f}, {10.0f * static_cast<float>(i), 0.0f}));
    batch->Draw(i == 2 ? b : a, nullptr, 0xFF000000u | static_cast<uint32_t>(i));
  }
  batch->End();

  ASSERT_EQ(device.draws.size(), 3u);
  EXPECT_EQ(device.draws[0].texture, &a);
  EXPECT_EQ(device.draws[0].primitives, 4u);
  EXPECT_EQ(device.draws[1].texture, &b);
  EXPECT_EQ(device.draws[1].primitives, 2u);
  EXPECT_EQ(device.draws[2].texture, &a);
  EXPECT_EQ(device.draws[2].primitives, 2u);
  // Within a run the quads keep their order.
  EXPECT_FLOAT_EQ(QuadAt(device.draws[0], 0).tl.x, 0.0f);
  EXPECT_FLOAT_EQ(QuadAt(device.draws[0], 1).tl.x, 10.0f);
  EXPECT_EQ(QuadAt(device.draws[0], 1).tl.diffuse, 0xFF000001u);
  EXPECT_FLOAT_EQ(QuadAt(device.draws[1], 0).br.x, 52.0f);
  EXPECT_FLOAT_EQ(QuadAt(device.draws[2], 0).tl.x, 30.0f);

  // A second frame reuses the batch and starts from the identity transform.
  device.draws.clear();
  batch->Begin();
  batch->Draw(b, nullptr, 0xFFFFFFFFu);
  batch->End();
  ASSERT_EQ(device.draws.size(), 1u);
  ExpectCorner(QuadAt(device.draws[0], 0).br, 32.0f, 32.0f, 1.0f, 1.0f);
}

TEST(SpriteBatch, DrawsBlendedWithoutDepthAndRestoresTheSceneStates) {
  CapturingDevice device;
  SetSceneStates(device);
  FakeTexture tex(16, 16, "t");
  device.SetTexture(&tex);
  auto batch = sprite::CreateSpriteBatch(device);
  batch->Begin();
  batch->Draw(tex, nullptr, 0xFFFFFFFFu);
  batch->End();

  ASSERT_EQ(device.draws.size(), 1u);
  const auto& s = device.draws[0].states;
  EXPECT_EQ(s[static_cast<size_t>(gpu::RenderState::AlphaBlendEnable)], 1u);
  EXPECT_EQ(s[static_cast<size_t>(gpu::RenderState::SrcBlend)], static_cast<uint32_t>(gpu::Blend::SrcAlpha));
  EXPECT_EQ(s[static_cast<size_t>(gpu::RenderState::DestBlend)],
            static_cast<uint32_t>(gpu::Blend::InvSrcAlpha));
  EXPECT_EQ(s[static_cast<size_t>(gpu::RenderState::ZEnable)], 0u);
  EXPECT_EQ(s[static_cast<size_t>(gpu::RenderState::ZWriteEnable)], 0u);
  EXPECT_EQ(s[static_cast<size_t>(gpu::RenderState::Lighting)], 0u);
  EXPECT_EQ(s[static_cast<size_t>(gpu::RenderState::FillMode)], static_cast<uint32_t>(gpu::Fill::Solid));
  const auto& st = device.draws[0].stage;
  EXPECT_EQ(Stage(st, gpu::StageState::AlphaOp), static_cast<uint32_t>(gpu::TexOp::Modulate));
  EXPECT_EQ(Stage(st, gpu::StageState::AlphaArg1), static_cast<uint32_t>(gpu::TexArg::Texture));
  EXPECT_EQ(Stage(st, gpu::StageState::AlphaArg2), static_cast<uint32_t>(gpu::TexArg::Diffuse));

  ExpectSceneStates(device);
  // Stage 0 stays texture x diffuse, and no texture stays bound.
  EXPECT_EQ(Stage(device.stage, gpu::StageState::AlphaOp), static_cast<uint32_t>(gpu::TexOp::Modulate));
  EXPECT_EQ(device.texture, nullptr);
}

TEST(SpriteBatch, IgnoresDrawsOutsideBeginEndAndEmptyRectangles) {
  CapturingDevice device;
  SetSceneStates(device);
  FakeTexture tex(16, 16, "t");
  auto batch = sprite::CreateSpriteBatch(device);
  batch->Draw(tex, nullptr, 0xFFFFFFFFu);
  batch->End();
  EXPECT_TRUE(device.draws.empty());
  ExpectSceneStates(device);

  batch->Begin();
  const sprite::Rect flat{4, 4, 12, 4};
  batch->Draw(tex, &flat, 0xFFFFFFFFu);
  batch->End();
  EXPECT_TRUE(device.draws.empty());
  ExpectSceneStates(device);
}

// ---- Font ----

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    font = text::CreateFont(device, text::FontDesc{});
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(device.textureImages.size(), 1u);
  }
  // Draws one line and returns its quads.
  std::vector<Quad> Quads(std::string_view line, int x, int y, uint32_t colour = 0xFFFFFFFFu) {
    device.draws.clear();
    font->DrawText(line, x, y, colour);
    std::vector<Quad> quads;
    for (const DrawCall& d : device.draws)
      for (size_t q = 0; q < d.vertices.size() / 6; ++q) quads.push_back(QuadAt(d, q));
    return quads;
  }
  CapturingDevice device;
  std::unique_ptr<text::Font> font;
};

TEST_F(FontTest, ArialBoldResolvesToLiberationSansInAPowerOfTwoWhiteAtlas) {
  EXPECT_EQ(device.textureNames[0], "font Liberation Sans Bold 20");
  const image::Image& atlas = device.textureImages[0];
  EXPECT_EQ(atlas.width & (atlas.width - 1), 0);
  EXPECT_EQ(atlas.height & (atlas.height - 1), 0);
  EXPECT_LE(atlas.width, 512);
  int inked = 0;
  for (uint32_t p : atlas.argb) {
    EXPECT_EQ(p & 0x00FFFFFFu, 0x00FFFFFFu);
    inked += (p >> 24) != 0;
  }
  EXPECT_GT(inked, 500);

  CapturingDevice regular;
  ASSERT_NE(text::CreateFont(regular, text::FontDesc{20, 400, false, "Arial"}), nullptr);
  EXPECT_EQ(regular.textureNames.at(0), "font Liberation Sans Regular 20");
}

TEST_F(FontTest, GlyphsAdvanceLeftToRightWithinTheTwentyPixelCell) {
  const std::vector<Quad> quads = Quads("Hg", 100, 200, 0xFF20C040u);
  ASSERT_EQ(device.draws.size(), 1u);  // one atlas, one draw
  ASSERT_EQ(quads.size(), 2u);
  const Quad& h = quads[0];
  const Quad& g = quads[1];
  EXPECT_GE(h.tl.x, 100.0f);
  EXPECT_LE(h.tl.x, 103.0f);
  EXPECT_GT(g.tl.x, h.tl.x + 8.0f);
  for (const Quad& q : quads) {
    EXPECT_GE(q.tl.y, 200.0f);
    EXPECT_LE(q.bl.y, 221.0f);
    EXPECT_EQ(q.tl.diffuse, 0xFF20C040u);
    // One texel per pixel, so glyphs stay sharp.
    const image::Image& atlas = device.textureImages[0];
    EXPECT_FLOAT_EQ((q.tr.u - q.tl.u) * static_cast<float>(atlas.width), q.tr.x - q.tl.x);
    EXPECT_FLOAT_EQ((q.bl.v - q.tl.v) * static_cast<float>(atlas.height), q.bl.y - q.tl.y);
  }
  // The capital sits on the baseline; the descender of g goes below it.
  EXPECT_GE(h.bl.y, 214.0f);
  EXPECT_LE(h.bl.y, 217.0f);
  EXPECT_GT(g.bl.y, h.bl.y + 2.0f);
  EXPECT_LT(h.tl.y, 205.0f);
}

TEST_F(FontTest, SpacesAdvanceWithoutAQuadAndUnknownCharactersAreSkipped) {
  const std::vector<Quad> tight = Quads("HH", 0, 0);
  const std::vector<Quad> spaced = Quads("H H", 0, 0);
  ASSERT_EQ(tight.size(), 2u);
  ASSERT_EQ(spaced.size(), 2u);
  const float space = spaced[1].tl.x - tight[1].tl.x;
  EXPECT_GE(space, 4.0f);
  EXPECT_LE(space, 7.0f);

  const std::vector<Quad> alone = Quads("A", 50, 60);
  const std::vector<Quad> noisy = Quads(
      "\t\xC3\xA9"
      "A\n",
      50, 60);
  ASSERT_EQ(alone.size(), 1u);
  ASSERT_EQ(noisy.size(), 1u);
  EXPECT_FLOAT_EQ(noisy[0].tl.x, alone[0].tl.x);
  EXPECT_FLOAT_EQ(noisy[0].tl.u, alone[0].tl.u);

  EXPECT_TRUE(Quads("   ", 0, 0).empty());
  EXPECT_TRUE(device.draws.empty());
}

TEST_F(FontTest, EachCallLeavesAMarkerAndRestoresTheSceneStates) {
  SetSceneStates(device);
  font->DrawText("SCORE", 10, 10, 0xFFFFFFFFu);
  font->DrawText("", 10, 30, 0xFFFFFFFFu);
  font->DrawText("l1z1.kvl", 10, 50, 0xFFFFFFFFu);
  EXPECT_EQ(device.markers, (std::vector<std::string>{"text SCORE", "text ", "text l1z1.kvl"}));
  ASSERT_EQ(device.draws.size(), 2u);
  EXPECT_EQ(device.draws[0].primitives, 10u);
  EXPECT_EQ(device.draws[0].states[static_cast<size_t>(gpu::RenderState::AlphaBlendEnable)], 1u);
  EXPECT_EQ(device.draws[0].states[static_cast<size_t>(gpu::RenderState::ZEnable)], 0u);
  ExpectSceneStates(device);
  EXPECT_EQ(device.texture, nullptr);
}

TEST(Font, RejectsANonPositiveCellHeight) {
  CapturingDevice device;
  EXPECT_EQ(text::CreateFont(device, text::FontDesc{0, 700, false, "Arial"}), nullptr);
  EXPECT_TRUE(device.textureNames.empty());
}

// ---- On the headless backend's recording device ----

TEST(SpriteAndTextOnRecordingDevice, LogsTheDrawsAndMarkersAndLeavesTheStatesAsFound) {
  HeadlessServices services;
  auto device = services.gpu().CreateDevice(gpu::PresentParams{}, nullptr, nullptr);
  ASSERT_NE(device, nullptr);
  const headless::GpuLog* log = services.DeviceLog();
  ASSERT_NE(log, nullptr);
  device->SetRenderState(gpu::RenderState::ZEnable, 1);
  device->SetRenderState(gpu::RenderState::CullMode, static_cast<uint32_t>(gpu::Cull::CCW));

  image::Image pixels;
  pixels.width = 256;
  pixels.height = 64;
  pixels.argb.assign(256 * 64, 0xFFFFFFFFu);
  auto digits = device->CreateTexture({pixels}, "Assets\\Art\\hud_score.bmp");
  ASSERT_NE(digits, nullptr);
  auto font = text::CreateFont(*device, text::FontDesc{});
  ASSERT_NE(font, nullptr);

  auto batch = sprite::CreateSpriteBatch(*device);
  batch->Begin();
  batch->SetTransform(math::MatrixTransformation2D({1.0f, 1.0f}, {776.0f, 45.0f}));
  const sprite::Rect zero{0, 40, 20, 0};
  batch->Draw(*digits, &zero, 0xFFFFFFFFu);
  batch->End();
  font->DrawText("PAUSED", 270, 300, 0xFFFFFF00u);

  const auto& draws = log->Draws();
  ASSERT_EQ(draws.size(), 3u);  // the digit, the marker, the text
  EXPECT_EQ(draws[0].call, "DrawPrimitiveUP");
  EXPECT_EQ(draws[0].primitiveCount, 2u);
  EXPECT_EQ(draws[0].state.texture, "Assets\\Art\\hud_score.bmp");
  EXPECT_EQ(draws[0].state.fvf, 0x144u);
  ASSERT_EQ(draws[0].userVertices.size(), 6u * sizeof(Vertex));
  Vertex first;
  std::memcpy(&first, draws[0].userVertices.data(), sizeof first);
  ExpectCorner(first, 776.0f, 45.0f, 0.0f, 0.625f);
  EXPECT_EQ(draws[1].kind, headless::DrawRecord::Kind::Marker);
  EXPECT_EQ(draws[1].marker, "text PAUSED");
  EXPECT_EQ(draws[2].primitiveCount, 12u);
  EXPECT_EQ(draws[2].state.texture, "font Liberation Sans Bold 20");
  EXPECT_EQ(draws[2].state.Get(gpu::RenderState::AlphaBlendEnable), 1u);

  EXPECT_EQ(log->State().Get(gpu::RenderState::ZEnable), 1u);
  EXPECT_EQ(log->State().Get(gpu::RenderState::CullMode), static_cast<uint32_t>(gpu::Cull::CCW));
  EXPECT_EQ(log->State().Get(gpu::RenderState::AlphaBlendEnable), 0u);
  EXPECT_FALSE(log->State().textureBound);
}

}  // namespace
