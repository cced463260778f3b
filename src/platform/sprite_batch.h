// Screen sprites: textured quads placed by a 2-D transform in pixels, alpha blended, no depth.
#pragma once

#include <cstdint>
#include <memory>

#include "math/math3d.h"
#include "platform/gpu.h"

namespace plat::sprite {

// Source rectangle in texels; may be upside down (top below bottom), and is then drawn flipped.
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class SpriteBatch {
 public:
  virtual ~SpriteBatch() = default;
  // Saves the device state it changes; alpha blending on, depth off.
  virtual void Begin() = 0;
  virtual void SetTransform(const math::Matrix& transform) = 0;  // row-vector 2-D matrix in pixels
  // Null source draws the whole texture. Colour multiplies the texels.
  virtual void Draw(gpu::Texture& texture, const Rect* source, gpu::Argb colour) = 0;
  // Draws what was queued and restores the device state.
  virtual void End() = 0;
};
std::unique_ptr<SpriteBatch> CreateSpriteBatch(gpu::Device& device);

// False when the quad Draw makes for this texture size, source and transform lies wholly outside a target of
// the given size, so that it would cover no pixel.
bool QuadMeetsTarget(const math::Matrix& transform, int textureWidth, int textureHeight, const Rect* source,
                     int targetWidth, int targetHeight);

// A quad that lies texel for pixel (moved by whole pixels, neither scaled nor turned, its source not flipped)
// is point sampled, so a texel outside `visible` (a wholly transparent one) leaves its pixel as it was. Cuts
// such a quad's source to `visible` and moves the transform with it; other quads are left as they are. False
// when nothing of the source is left.
bool CutToVisible(math::Matrix& transform, Rect& source, const Rect& visible);

// The pixels of a target of the given size that Draw paints fully opaque, whatever lay there before: those
// whose sample falls within the texel centres of `opaque` (texels of alpha 255), drawn at full alpha, by a
// transform that only scales (by at least 1, so that the largest picture level is the one sampled) and
// moves. As a pixel rectangle, right and bottom exclusive; empty where nothing is certain.
Rect OpaqueCover(const math::Matrix& transform, const Rect* source, const Rect& opaque, gpu::Argb colour,
                 int textureWidth, int textureHeight, int targetWidth, int targetHeight);

}  // namespace plat::sprite
