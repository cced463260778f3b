// Sprite batch and font on the recording device: quad geometry, texture coordinates, batching per texture,
// the device state around a batch, and text laid out in the face found for "Arial" bold.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "harness/capturing_device.h"
#include "platform/font.h"
#include "platform/sprite_batch.h"

namespace {

using namespace plat;
using headless::DrawRecord;

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

// The corners of quad q of a draw, as the batch emits them: top-left, top-right, bottom-left, then
// top-right, bottom-right, bottom-left.
struct Quad {
  Vertex tl, tr, bl, br;
};
Quad QuadAt(const DrawRecord& d, size_t q) {
  Vertex v[6];
  EXPECT_GE(d.userVertices.size(), (q + 1) * sizeof v);
  if (d.userVertices.size() < (q + 1) * sizeof v) return {};
  std::memcpy(v, d.userVertices.data() + q * sizeof v, sizeof v);
  return {v[0], v[1], v[2], v[4]};
}
// The draws of the log, markers left out.
std::vector<DrawRecord> DrawsOf(CapturingDevice& device) {
  std::vector<DrawRecord> draws;
  for (const DrawRecord& d : device.Log().Draws())
    if (d.kind == DrawRecord::Kind::Draw) draws.push_back(d);
  return draws;
}

void ExpectCorner(const Vertex& v, float x, float y, float u, float vv) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.u, u);
  EXPECT_FLOAT_EQ(v.v, vv);
}

// Values unlike the batch's own, so a missing restore shows.
void SetSceneStates(gpu::Device& d) {
  d.SetRenderState(gpu::RenderState::AlphaBlendEnable, 0);
  d.SetRenderState(gpu::RenderState::SrcBlend, static_cast<uint32_t>(gpu::Blend::One));
  d.SetRenderState(gpu::RenderState::DestBlend, static_cast<uint32_t>(gpu::Blend::Zero));
  d.SetRenderState(gpu::RenderState::ZEnable, 1);
  d.SetRenderState(gpu::RenderState::ZWriteEnable, 1);
  d.SetRenderState(gpu::RenderState::CullMode, static_cast<uint32_t>(gpu::Cull::CCW));
  d.SetRenderState(gpu::RenderState::Lighting, 1);
  d.SetRenderState(gpu::RenderState::FillMode, static_cast<uint32_t>(gpu::Fill::Wireframe));
}

void ExpectSceneStates(CapturingDevice& device) {
  const headless::DeviceState& d = device.Log().State();
  EXPECT_EQ(d.Get(gpu::RenderState::AlphaBlendEnable), 0u);
  EXPECT_EQ(d.Get(gpu::RenderState::SrcBlend), static_cast<uint32_t>(gpu::Blend::One));
  EXPECT_EQ(d.Get(gpu::RenderState::DestBlend), static_cast<uint32_t>(gpu::Blend::Zero));
  EXPECT_EQ(d.Get(gpu::RenderState::ZEnable), 1u);
  EXPECT_EQ(d.Get(gpu::RenderState::ZWriteEnable), 1u);
  EXPECT_EQ(d.Get(gpu::RenderState::CullMode), static_cast<uint32_t>(gpu::Cull::CCW));
  EXPECT_EQ(d.Get(gpu::RenderState::Lighting), 1u);
  EXPECT_EQ(d.Get(gpu::RenderState::FillMode), static_cast<uint32_t>(gpu::Fill::Wireframe));
  EXPECT_FALSE(d.textureBound);  // no texture stays bound
}

// ---- Sprite batch ----

TEST(SpriteBatch, WholeTextureAndSourceRectangleQuadsInPixels) {
  CapturingDevice device;
  FakeTexture tex(256, 64, "t");
  auto batch = sprite::CreateSpriteBatch(device);
  batch->Begin();
  batch->SetTransform(math::MatrixTransformation2D({2.0f, 1.0f}, {100.0f, 50.0f}));
  batch->Draw(tex, nullptr, 0xFFFFFFFFu);
  batch->End();
  batch->Begin();
  batch->SetTransform(math::MatrixTransformation2D({1.0f, 1.0f}, {10.0f, 20.0f}));
  const sprite::Rect r{64, 16, 128, 48};
  batch->Draw(tex, &r, 0x7FFF8040u);
  batch->End();

  const std::vector<DrawRecord> draws = DrawsOf(device);
  ASSERT_EQ(draws.size(), 2u);
  const DrawRecord& d = draws[0];
  EXPECT_EQ(d.call, "DrawPrimitiveUP");
  EXPECT_EQ(d.primitive, gpu::Primitive::TriangleList);
  EXPECT_EQ(d.primitiveCount, 2u);
  EXPECT_EQ(d.userVertices.size(), 6u * 28u);
  EXPECT_EQ(d.state.fvf, 0x144u);
  EXPECT_EQ(d.state.texture, "t");
  // The whole texture, scaled by 2 in x and moved.
  Quad q = QuadAt(d, 0);
  ExpectCorner(q.tl, 100.0f, 50.0f, 0.0f, 0.0f);
  ExpectCorner(q.tr, 612.0f, 50.0f, 1.0f, 0.0f);
  ExpectCorner(q.bl, 100.0f, 114.0f, 0.0f, 1.0f);
  ExpectCorner(q.br, 612.0f, 114.0f, 1.0f, 1.0f);
  EXPECT_EQ(q.tl.z, 0.0f);
  EXPECT_EQ(q.br.rhw, 1.0f);
  // A source rectangle sets the size and texture coordinates; the colour goes on every corner.
  q = QuadAt(draws[1], 0);
  ExpectCorner(q.tl, 10.0f, 20.0f, 0.25f, 0.25f);
  ExpectCorner(q.tr, 74.0f, 20.0f, 0.5f, 0.25f);
  ExpectCorner(q.bl, 10.0f, 52.0f, 0.25f, 0.75f);
  ExpectCorner(q.br, 74.0f, 52.0f, 0.5f, 0.75f);
  for (const Vertex& v : {q.tl, q.tr, q.bl, q.br}) EXPECT_EQ(v.diffuse, 0x7FFF8040u);
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

  const std::vector<DrawRecord> draws = DrawsOf(device);
  ASSERT_EQ(draws.size(), 1u);
  const Quad q = QuadAt(draws[0], 0);
  // The quad's height is bottom - top = -40: it reaches from y 45 up to y 5. v is 40/64 at the sprite's
  // place and 0 at the upper edge, so texel rows 0..39 run downward on screen: the cell stands upright.
  ExpectCorner(q.tl, 776.0f, 45.0f, 0.546875f, 0.625f);
  ExpectCorner(q.tr, 796.0f, 45.0f, 0.625f, 0.625f);
  ExpectCorner(q.bl, 776.0f, 5.0f, 0.546875f, 0.0f);
  ExpectCorner(q.br, 796.0f, 5.0f, 0.625f, 0.0f);
  // Culling is off while drawing, so the reversed winding still shows.
  EXPECT_EQ(draws[0].state.Get(gpu::RenderState::CullMode), static_cast<uint32_t>(gpu::Cull::None));
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

  std::vector<DrawRecord> draws = DrawsOf(device);
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0].state.texture, "a");
  EXPECT_EQ(draws[0].primitiveCount, 4u);
  EXPECT_EQ(draws[1].state.texture, "b");
  EXPECT_EQ(draws[1].primitiveCount, 2u);
  EXPECT_EQ(draws[2].state.texture, "a");
  EXPECT_EQ(draws[2].primitiveCount, 2u);
  // Within a run the quads keep their order.
  EXPECT_FLOAT_EQ(QuadAt(draws[0], 0).tl.x, 0.0f);
  EXPECT_FLOAT_EQ(QuadAt(draws[0], 1).tl.x, 10.0f);
  EXPECT_EQ(QuadAt(draws[0], 1).tl.diffuse, 0xFF000001u);
  EXPECT_FLOAT_EQ(QuadAt(draws[1], 0).br.x, 52.0f);
  EXPECT_FLOAT_EQ(QuadAt(draws[2], 0).tl.x, 30.0f);

  // A second frame reuses the batch and starts from the identity transform.
  batch->Begin();
  batch->Draw(b, nullptr, 0xFFFFFFFFu);
  batch->End();
  draws = DrawsOf(device);
  ASSERT_EQ(draws.size(), 4u);
  ExpectCorner(QuadAt(draws[3], 0).br, 32.0f, 32.0f, 1.0f, 1.0f);
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

  const std::vector<DrawRecord> draws = DrawsOf(device);
  ASSERT_EQ(draws.size(), 1u);
  const headless::DeviceState& s = draws[0].state;
  EXPECT_EQ(s.Get(gpu::RenderState::AlphaBlendEnable), 1u);
  EXPECT_EQ(s.Get(gpu::RenderState::SrcBlend), static_cast<uint32_t>(gpu::Blend::SrcAlpha));
  EXPECT_EQ(s.Get(gpu::RenderState::DestBlend), static_cast<uint32_t>(gpu::Blend::InvSrcAlpha));
  EXPECT_EQ(s.Get(gpu::RenderState::ZEnable), 0u);
  EXPECT_EQ(s.Get(gpu::RenderState::ZWriteEnable), 0u);
  EXPECT_EQ(s.Get(gpu::RenderState::Lighting), 0u);
  EXPECT_EQ(s.Get(gpu::RenderState::FillMode), static_cast<uint32_t>(gpu::Fill::Solid));
  EXPECT_EQ(s.Get(gpu::StageState::AlphaOp), static_cast<uint32_t>(gpu::TexOp::Modulate));
  EXPECT_EQ(s.Get(gpu::StageState::AlphaArg1), static_cast<uint32_t>(gpu::TexArg::Texture));
  EXPECT_EQ(s.Get(gpu::StageState::AlphaArg2), static_cast<uint32_t>(gpu::TexArg::Diffuse));

  ExpectSceneStates(device);
  // Stage 0 stays texture x diffuse.
  EXPECT_EQ(device.Log().State().Get(gpu::StageState::AlphaOp), static_cast<uint32_t>(gpu::TexOp::Modulate));
}

TEST(SpriteBatch, QuadsLyingTexelForPixelArePointSampledAndTheFiltersComeBack) {
  CapturingDevice device;
  const auto linear = static_cast<uint32_t>(gpu::Filter::Linear);
  const auto point = static_cast<uint32_t>(gpu::Filter::Point);
  device.SetSamplerState(gpu::SamplerState::MagFilter, linear);
  device.SetSamplerState(gpu::SamplerState::MinFilter, linear);
  device.SetSamplerState(gpu::SamplerState::MipFilter, point);
  FakeTexture tex(64, 64, "t");
  const sprite::Rect upsideDown{0, 40, 20, 0};
  const struct {
    float x, y, scale;
    const sprite::Rect* source;
    bool pointSampled;
  } cases[] = {{10, 20, 1, nullptr, true},  {10.5f, 20, 1, nullptr, false}, {10, 20.25f, 1, nullptr, false},
               {10, 20, 2, nullptr, false}, {-7, 0, 1, nullptr, true},      {10, 40, 1, &upsideDown, false}};
  auto batch = sprite::CreateSpriteBatch(device);
  batch->Begin();
  for (const auto& c : cases) {
    batch->SetTransform(math::MatrixTransformation2D({c.scale, c.scale}, {c.x, c.y}));
    batch->Draw(tex, c.source, 0xFFFFFFFFu);
  }
  batch->End();
  // Quads next to each other that are sampled alike share a draw.
  const std::vector<DrawRecord> draws = DrawsOf(device);
  ASSERT_EQ(draws.size(), 4u);
  const std::pair<bool, uint32_t> expected[] = {{true, 2}, {false, 6}, {true, 2}, {false, 2}};
  for (size_t i = 0; i < draws.size(); ++i) {
    const headless::DeviceState& s = draws[i].state;
    const bool pointSampled = s.Get(gpu::SamplerState::MagFilter) == point &&
                              s.Get(gpu::SamplerState::MinFilter) == point &&
                              s.Get(gpu::SamplerState::MipFilter) == static_cast<uint32_t>(gpu::Filter::None);
    EXPECT_EQ(std::pair(pointSampled, draws[i].primitiveCount), expected[i]) << "draw " << i;
  }
  EXPECT_EQ(device.Log().State().Get(gpu::SamplerState::MagFilter), linear);
  EXPECT_EQ(device.Log().State().Get(gpu::SamplerState::MinFilter), linear);
  EXPECT_EQ(device.Log().State().Get(gpu::SamplerState::MipFilter), point);
}

TEST(SpriteBatch, IgnoresDrawsOutsideBeginEndAndEmptyRectangles) {
  CapturingDevice device;
  SetSceneStates(device);
  FakeTexture tex(16, 16, "t");
  auto batch = sprite::CreateSpriteBatch(device);
  batch->Draw(tex, nullptr, 0xFFFFFFFFu);
  batch->End();
  EXPECT_TRUE(DrawsOf(device).empty());
  ExpectSceneStates(device);

  batch->Begin();
  const sprite::Rect flat{4, 4, 12, 4};
  batch->Draw(tex, &flat, 0xFFFFFFFFu);
  batch->End();
  EXPECT_TRUE(DrawsOf(device).empty());
  ExpectSceneStates(device);
}

// ---- Font ----

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    font = text::CreateFont(device, text::FontDesc{});
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(device.uploads.size(), 1u);
  }
  const image::Image& Atlas() { return device.uploads[0].levels[0]; }
  // Draws one line and returns its quads; `draws` is the number of draws it took.
  std::vector<Quad> Quads(std::string_view line, int x, int y, uint32_t colour = 0xFFFFFFFFu,
                          size_t* draws = nullptr) {
    const size_t before = DrawsOf(device).size();
    font->DrawText(line, x, y, colour);
    const std::vector<DrawRecord> all = DrawsOf(device);
    std::vector<Quad> quads;
    for (size_t i = before; i < all.size(); ++i)
      for (size_t q = 0; q < all[i].userVertices.size() / (6 * sizeof(Vertex)); ++q)
        quads.push_back(QuadAt(all[i], q));
    if (draws) *draws = all.size() - before;
    return quads;
  }
  CapturingDevice device;
  std::unique_ptr<text::Font> font;
};

TEST_F(FontTest, ArialResolvesToLiberationSansInAPowerOfTwoWhiteAtlasAndZeroHeightFails) {
  EXPECT_EQ(device.uploads[0].name, "font Liberation Sans Bold 20");
  const image::Image& atlas = Atlas();
  EXPECT_EQ(atlas.width & (atlas.width - 1), 0);
  EXPECT_EQ(atlas.height & (atlas.height - 1), 0);
  EXPECT_LE(atlas.width, 512);
  int inked = 0;
  for (uint32_t p : atlas.argb) {
    EXPECT_EQ(p & 0x00FFFFFFu, 0x00FFFFFFu);
    inked += (p >> 24) != 0;
  }
  EXPECT_GT(inked, 500);

  CapturingDevice other;
  ASSERT_NE(text::CreateFont(other, text::FontDesc{20, 400, false, "Arial"}), nullptr);
  EXPECT_EQ(other.uploads.at(0).name, "font Liberation Sans Regular 20");
  EXPECT_EQ(text::CreateFont(other, text::FontDesc{0, 700, false, "Arial"}), nullptr);
  EXPECT_EQ(other.uploads.size(), 1u);
}

TEST_F(FontTest, GlyphsAdvanceLeftToRightWithinTheTwentyPixelCell) {
  size_t draws = 0;
  const std::vector<Quad> quads = Quads("Hg", 100, 200, 0xFF20C040u, &draws);
  EXPECT_EQ(draws, 1u);  // one atlas, one draw
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
    EXPECT_FLOAT_EQ((q.tr.u - q.tl.u) * static_cast<float>(Atlas().width), q.tr.x - q.tl.x);
    EXPECT_FLOAT_EQ((q.bl.v - q.tl.v) * static_cast<float>(Atlas().height), q.bl.y - q.tl.y);
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

  size_t draws = 0;
  EXPECT_TRUE(Quads("   ", 0, 0, 0xFFFFFFFFu, &draws).empty());
  EXPECT_EQ(draws, 0u);
}

TEST_F(FontTest, EachCallLeavesAMarkerAndRestoresTheSceneStates) {
  SetSceneStates(device);
  font->DrawText("SCORE", 10, 10, 0xFFFFFFFFu);
  font->DrawText("", 10, 30, 0xFFFFFFFFu);
  font->DrawText("l1z1.kvl", 10, 50, 0xFFFFFFFFu);
  std::vector<std::string> markers;
  for (const DrawRecord& d : device.Log().Draws())
    if (d.kind == DrawRecord::Kind::Marker) markers.push_back(d.marker);
  EXPECT_EQ(markers, (std::vector<std::string>{"text SCORE", "text ", "text l1z1.kvl"}));
  const std::vector<DrawRecord> draws = DrawsOf(device);
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].primitiveCount, 10u);
  EXPECT_EQ(draws[0].state.texture, "font Liberation Sans Bold 20");
  EXPECT_EQ(draws[0].state.Get(gpu::RenderState::AlphaBlendEnable), 1u);
  EXPECT_EQ(draws[0].state.Get(gpu::RenderState::ZEnable), 0u);
  ExpectSceneStates(device);
}

TEST(SpriteQuad, MeetsAnEightHundredBySixHundredTargetUnlessWhollyOutsideIt) {
  const sprite::Rect upsideDown{0, 40, 20, 0};  // drawn reaching upward from its place
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* what;
    float x, y, scale;
    const sprite::Rect* source;
    bool meets;
  } cases[] = {
      {"at the origin", 0, 0, 1, nullptr, true},
      {"its last column on the right edge", 799.5f, 0, 1, nullptr, true},
      {"just right of the target", 800, 0, 1, nullptr, false},
      {"its last column on the left edge", -255.5f, 0, 1, nullptr, true},
      {"just left of it", -256, 0, 1, nullptr, false},
      {"halved, just left of it", -128, 0, 0.5f, nullptr, false},
      {"upside down, up from the top row", 0, 40, 1, &upsideDown, true},
      {"upside down, up from the top edge", 0, 0, 1, &upsideDown, false},
      {"placed at no number", nan, 0, 1, nullptr, true},
  };
  for (const auto& c : cases) {
    const math::Matrix transform = math::MatrixTransformation2D({c.scale, c.scale}, {c.x, c.y});
    EXPECT_EQ(sprite::QuadMeetsTarget(transform, 256, 64, c.source, 800, 600), c.meets) << c.what;
  }
}

// The options screen's panel, 400 x 600 in a 512 x 1024 picture, put away beside the screen reaches into it
// only with its clear margin: on whole pixels it is cut to the panel, off the screen; otherwise it is left
// whole, its edge texels filtered into the pixels beyond them.
TEST(SpriteQuad, OnWholePixelsIsCutToItsVisibleTexels) {
  const sprite::Rect panel{0, 0, 400, 600}, part{100, 0, 512, 1024}, upsideDown{0, 1024, 512, 0};
  const struct {
    const char* what;
    float x, y, scale;
    sprite::Rect source, cut;
    float cutX, cutY;
    bool left;
  } cases[] = {
      {"shown", 0, 0, 1, {0, 0, 512, 1024}, panel, 0, 0, true},
      {"put away on the left", -401, 0, 1, {0, 0, 512, 1024}, panel, -401, 0, true},
      {"by a source that starts inside it", 50, 20, 1, part, {100, 0, 400, 600}, 50, 20, true},
      {"by a source beside it", 0, 0, 1, {400, 0, 512, 1024}, {}, 0, 0, false},
      {"a fraction off whole pixels", -401.5f, 0, 1, {0, 0, 512, 1024}, {0, 0, 512, 1024}, -401.5f, 0, true},
      {"doubled", 0, 0, 2, {0, 0, 512, 1024}, {0, 0, 512, 1024}, 0, 0, true},
      {"upside down", 0, 1024, 1, upsideDown, upsideDown, 0, 1024, true},
  };
  for (const auto& c : cases) {
    math::Matrix transform = math::MatrixTransformation2D({c.scale, c.scale}, {c.x, c.y});
    sprite::Rect source = c.source;
    ASSERT_EQ(sprite::CutToVisible(transform, source, panel), c.left) << c.what;
    if (!c.left) continue;
    EXPECT_EQ(std::tie(source.left, source.top, source.right, source.bottom),
              std::tie(c.cut.left, c.cut.top, c.cut.right, c.cut.bottom))
        << c.what;
    EXPECT_EQ(std::pair(transform.m[3][0], transform.m[3][1]), std::pair(c.cutX, c.cutY)) << c.what;
  }
}

TEST(SpriteQuad, CoversOnlyPixelsSampledBetweenOpaqueTexelCentres) {
  // A 256 x 1024 picture opaque in columns 50 to 199, as the top view's left bar.
  const sprite::Rect bar{50, 0, 200, 1024};
  const sprite::Rect cropped{0, 0, 120, 1024}, upsideDown{0, 1024, 256, 0};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* what;
    float x, y, scale;
    const sprite::Rect* source;
    gpu::Argb colour;
    sprite::Rect cover;
  } cases[] = {
      {"in place", -50, 0, 1, nullptr, 0xFFFFFFFF, {0, 0, 150, 600}},
      {"a fraction short of its place", -50.4f, 0, 1, nullptr, 0xFFFFFFFF, {0, 0, 149, 600}},
      {"a fraction past it", -49.6f, 0, 1, nullptr, 0xFFFFFFFF, {1, 0, 150, 600}},
      {"doubled: its outer pixels sample between texels", -100, 0, 2, nullptr, 0xFFFFFFFF, {1, 1, 299, 600}},
      {"cropped by its source", -50, 0, 1, &cropped, 0xFFFFFFFF, {0, 0, 70, 600}},
      {"off the screen", -200, 0, 1, nullptr, 0xFFFFFFFF, {}},
      {"faded a step", -50, 0, 1, nullptr, 0xFEFFFFFF, {}},
      {"halved (smaller levels mix in clear texels)", -25, 0, 0.5f, nullptr, 0xFFFFFFFF, {}},
      {"upside down", -50, 1024, 1, &upsideDown, 0xFFFFFFFF, {}},
      {"placed at no number", nan, 0, 1, nullptr, 0xFFFFFFFF, {}},
  };
  for (const auto& c : cases) {
    const math::Matrix transform = math::MatrixTransformation2D({c.scale, c.scale}, {c.x, c.y});
    const sprite::Rect r = sprite::OpaqueCover(transform, c.source, bar, c.colour, 256, 1024, 800, 600);
    const bool empty = r.right <= r.left || r.bottom <= r.top;
    if (c.cover.right == 0) {
      EXPECT_TRUE(empty) << c.what;
    } else {
      EXPECT_EQ(std::tie(r.left, r.top, r.right, r.bottom),
                std::tie(c.cover.left, c.cover.top, c.cover.right, c.cover.bottom))
          << c.what;
    }
  }
  // Turned, it covers nothing certain.
  math::Matrix turned = math::MatrixTransformation2D({1, 1}, {-50, 0});
  turned.m[0][1] = 0.01f;
  EXPECT_EQ(sprite::OpaqueCover(turned, nullptr, bar, 0xFFFFFFFF, 256, 1024, 800, 600).right, 0);
}

}  // namespace
