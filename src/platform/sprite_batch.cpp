// The sprite batch: textured quads in pixels, queued per texture and drawn as pre-transformed triangle lists
// with alpha blending, depth off and culling off; the render states it changes are put back at End.
#include "platform/sprite_batch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace plat::sprite {
namespace {

// One pre-transformed vertex: XYZRHW + DIFFUSE + TEX1, 28 bytes.
struct QuadVertex {
  float x, y, z, rhw;
  gpu::Argb diffuse;
  float u, v;
};
static_assert(sizeof(QuadVertex) == 28);

// The quad's size in pixels before the transform: the source rectangle's, signs kept (an upside-down one
// has a negative height), or the whole texture's.
void QuadSize(int textureWidth, int textureHeight, const Rect* source, float* w, float* h) {
  const Rect r = source ? *source : Rect{0, 0, textureWidth, textureHeight};
  *w = static_cast<float>(r.right - r.left);
  *h = static_cast<float>(r.bottom - r.top);
}

// A point of the quad in target pixels.
math::Vec2 Place(const math::Matrix& transform, float x, float y) {
  const auto& m = transform.m;
  return {x * m[0][0] + y * m[1][0] + m[3][0], x * m[0][1] + y * m[1][1] + m[3][1]};
}

// A quad of its texels' size on whole pixels samples each texel at its centre, where point sampling gives
// what filtering would, for less.
bool LiesTexelForPixel(const math::Matrix& transform, float w, float h) {
  const auto& m = transform.m;
  return m[0][0] == 1.0f && m[1][1] == 1.0f && m[0][1] == 0.0f && m[1][0] == 0.0f &&
         m[3][0] == std::floor(m[3][0]) && m[3][1] == std::floor(m[3][1]) && h > 0.0f && w > 0.0f;
}

constexpr uint32_t kQuadFormat = gpu::fvf::XYZRHW | gpu::fvf::Diffuse | gpu::fvf::Tex1;  // 0x144

// Render states set for drawing and restored afterwards, with the values the batch draws with.
constexpr std::array<std::pair<gpu::RenderState, uint32_t>, 8> kDrawStates = {{
    {gpu::RenderState::AlphaBlendEnable, 1},
    {gpu::RenderState::SrcBlend, static_cast<uint32_t>(gpu::Blend::SrcAlpha)},
    {gpu::RenderState::DestBlend, static_cast<uint32_t>(gpu::Blend::InvSrcAlpha)},
    {gpu::RenderState::ZEnable, 0},
    {gpu::RenderState::ZWriteEnable, 0},
    {gpu::RenderState::CullMode, static_cast<uint32_t>(gpu::Cull::None)},
    {gpu::RenderState::Lighting, 0},
    {gpu::RenderState::FillMode, static_cast<uint32_t>(gpu::Fill::Solid)},
}};

class DeviceSpriteBatch final : public SpriteBatch {
 public:
  explicit DeviceSpriteBatch(gpu::Device& device) : device_(device) {}

  void Begin() override {
    if (begun_) return;
    begun_ = true;
    for (size_t i = 0; i < kDrawStates.size(); ++i) {
      saved_[i] = device_.GetRenderState(kDrawStates[i].first);
      device_.SetRenderState(kDrawStates[i].first, kDrawStates[i].second);
    }
    // Stage 0 alpha = texel alpha x vertex alpha. The device has no getters for these, so End leaves them
    // set; it is what the frame holds at this point anyway (the particle pass sets the same combination).
    device_.SetTextureStageState(gpu::StageState::AlphaOp, static_cast<uint32_t>(gpu::TexOp::Modulate));
    device_.SetTextureStageState(gpu::StageState::AlphaArg1, static_cast<uint32_t>(gpu::TexArg::Texture));
    device_.SetTextureStageState(gpu::StageState::AlphaArg2, static_cast<uint32_t>(gpu::TexArg::Diffuse));
    device_.SetFVF(kQuadFormat);
    transform_ = math::MatrixIdentity();
  }

  void SetTransform(const math::Matrix& transform) override { transform_ = transform; }

  void Draw(gpu::Texture& texture, const Rect* source, gpu::Argb colour) override {
    if (!begun_) return;  // nothing is drawn outside Begin/End
    const int texW = std::max(1, texture.Width());
    const int texH = std::max(1, texture.Height());
    const Rect r = source ? *source : Rect{0, 0, texture.Width(), texture.Height()};
    // An upside-down rectangle's quad reaches upward from the origin and v still runs top..bottom along y,
    // which shows the cell upright in the pixels above the sprite's place.
    float w = 0.0f, h = 0.0f;
    QuadSize(texture.Width(), texture.Height(), source, &w, &h);
    if (w == 0.0f || h == 0.0f) return;  // covers no pixel
    const bool texelForPixel = LiesTexelForPixel(transform_, w, h);
    if (&texture != texture_ || texelForPixel != texelForPixel_) {
      Flush();
      texture_ = &texture;
      texelForPixel_ = texelForPixel;
    }
    const float u0 = static_cast<float>(r.left) / static_cast<float>(texW);
    const float u1 = static_cast<float>(r.right) / static_cast<float>(texW);
    const float v0 = static_cast<float>(r.top) / static_cast<float>(texH);
    const float v1 = static_cast<float>(r.bottom) / static_cast<float>(texH);
    const QuadVertex tl = Corner(0.0f, 0.0f, colour, u0, v0);
    const QuadVertex tr = Corner(w, 0.0f, colour, u1, v0);
    const QuadVertex bl = Corner(0.0f, h, colour, u0, v1);
    const QuadVertex br = Corner(w, h, colour, u1, v1);
    vertices_.insert(vertices_.end(), {tl, tr, bl, tr, br, bl});
  }

  void End() override {
    if (!begun_) return;
    Flush();
    for (size_t i = 0; i < kDrawStates.size(); ++i) device_.SetRenderState(kDrawStates[i].first, saved_[i]);
    // No texture getter: leave none bound rather than one the caller may free (every pass binds its own).
    device_.SetTexture(nullptr);
    texture_ = nullptr;
    begun_ = false;
  }

 private:
  QuadVertex Corner(float x, float y, gpu::Argb colour, float u, float v) const {
    const math::Vec2 p = Place(transform_, x, y);
    return QuadVertex{p.x, p.y, 0.0f, 1.0f, colour, u, v};
  }

  // Draws the queued quads of the current texture in one call; the vector keeps its capacity.
  void Flush() {
    if (vertices_.empty() || texture_ == nullptr) return;
    device_.SetTexture(texture_);
    constexpr gpu::SamplerState kFilters[] = {gpu::SamplerState::MagFilter, gpu::SamplerState::MinFilter,
                                              gpu::SamplerState::MipFilter};
    uint32_t filters[std::size(kFilters)] = {};
    if (texelForPixel_) {
      for (size_t i = 0; i < std::size(kFilters); ++i) filters[i] = device_.GetSamplerState(kFilters[i]);
      device_.SetSamplerState(gpu::SamplerState::MagFilter, static_cast<uint32_t>(gpu::Filter::Point));
      device_.SetSamplerState(gpu::SamplerState::MinFilter, static_cast<uint32_t>(gpu::Filter::Point));
      device_.SetSamplerState(gpu::SamplerState::MipFilter, static_cast<uint32_t>(gpu::Filter::None));
    }
    device_.DrawPrimitiveUP(gpu::Primitive::TriangleList, static_cast<uint32_t>(vertices_.size() / 3),
                            vertices_.data(), sizeof(QuadVertex));
    if (texelForPixel_) {
      for (size_t i = 0; i < std::size(kFilters); ++i) device_.SetSamplerState(kFilters[i], filters[i]);
    }
    vertices_.clear();
  }

  gpu::Device& device_;
  bool begun_ = false;
  std::array<uint32_t, kDrawStates.size()> saved_{};
  math::Matrix transform_ = math::MatrixIdentity();
  gpu::Texture* texture_ = nullptr;
  bool texelForPixel_ = false;  // the queued quads lie texel for pixel
  std::vector<QuadVertex> vertices_;
};

}  // namespace

std::unique_ptr<SpriteBatch> CreateSpriteBatch(gpu::Device& device) {
  return std::make_unique<DeviceSpriteBatch>(device);
}

bool CutToVisible(math::Matrix& transform, Rect& source, const Rect& visible) {
  const float w = static_cast<float>(source.right - source.left);
  const float h = static_cast<float>(source.bottom - source.top);
  if (!LiesTexelForPixel(transform, w, h)) return w != 0.0f && h != 0.0f;
  const Rect cut{std::max(source.left, visible.left), std::max(source.top, visible.top),
                 std::min(source.right, visible.right), std::min(source.bottom, visible.bottom)};
  if (cut.right <= cut.left || cut.bottom <= cut.top) return false;
  transform.m[3][0] += static_cast<float>(cut.left - source.left);
  transform.m[3][1] += static_cast<float>(cut.top - source.top);
  source = cut;
  return true;
}

bool QuadMeetsTarget(const math::Matrix& transform, int textureWidth, int textureHeight, const Rect* source,
                     int targetWidth, int targetHeight) {
  float w = 0.0f, h = 0.0f;
  QuadSize(textureWidth, textureHeight, source, &w, &h);
  const math::Vec2 corners[4] = {Place(transform, 0, 0), Place(transform, w, 0), Place(transform, 0, h),
                                 Place(transform, w, h)};
  // Pixel centres lie half a pixel inside the target's edges: a quad that ends at or before an edge covers
  // none of them. Comparisons with a value that is not a number fail, and such a quad counts as meeting.
  auto allOutside = [&](auto outside) {
    return std::all_of(std::begin(corners), std::end(corners), outside);
  };
  return !(allOutside([](const math::Vec2& p) { return p.x <= 0.0f; }) ||
           allOutside([](const math::Vec2& p) { return p.y <= 0.0f; }) ||
           allOutside([&](const math::Vec2& p) { return p.x >= static_cast<float>(targetWidth); }) ||
           allOutside([&](const math::Vec2& p) { return p.y >= static_cast<float>(targetHeight); }));
}

Rect OpaqueCover(const math::Matrix& transform, const Rect* source, const Rect& opaque, gpu::Argb colour,
                 int textureWidth, int textureHeight, int targetWidth, int targetHeight) {
  const auto& m = transform.m;
  const Rect r = source ? *source : Rect{0, 0, textureWidth, textureHeight};
  const bool scaledAndMoved = m[0][1] == 0.0f && m[1][0] == 0.0f && std::isfinite(m[0][0]) &&
                              std::isfinite(m[1][1]) && std::isfinite(m[3][0]) && std::isfinite(m[3][1]);
  if ((colour >> 24) != 0xFF || !scaledAndMoved || m[0][0] < 1.0f || m[1][1] < 1.0f || r.right <= r.left ||
      r.bottom <= r.top)
    return {};
  // Along one axis: the texels [lo, hi) of the quad's opaque part start at quad pixel lo - start. A pixel's
  // centre samples texel coordinate start + (p + 0.5 - offset) / scale; between the centres of the first
  // and the last opaque texel, both texels the filter reads are opaque. Rounding of the sample position by
  // the rasteriser moves it by far less than the 1/510 of a texel that could lower the alpha by one step.
  auto span = [](int start, int lo, int hi, float scale, float offset, int size, int* first, int* last) {
    const float from = offset + scale * (static_cast<float>(lo - start) + 0.5f) - 0.5f;
    const float to = offset + scale * (static_cast<float>(hi - start) - 0.5f) - 0.5f;
    const float limit = static_cast<float>(size);
    *first = static_cast<int>(std::clamp(std::ceil(from), 0.0f, limit));
    *last = static_cast<int>(std::clamp(std::floor(to) + 1.0f, 0.0f, limit));
  };
  const int left = std::max(r.left, opaque.left), right = std::min(r.right, opaque.right);
  const int top = std::max(r.top, opaque.top), bottom = std::min(r.bottom, opaque.bottom);
  if (right <= left || bottom <= top) return {};
  Rect cover;
  span(r.left, left, right, m[0][0], m[3][0], targetWidth, &cover.left, &cover.right);
  span(r.top, top, bottom, m[1][1], m[3][1], targetHeight, &cover.top, &cover.bottom);
  if (cover.right <= cover.left || cover.bottom <= cover.top) return {};
  return cover;
}

}  // namespace plat::sprite
