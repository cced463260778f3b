// A sky: a textured cube centred on the eye, drawn behind everything with depth off, optionally turning a
// little at every draw. The graphics object keeps an inner and an outer one (Graphics::SetSkybox), and draws
// the two in one pass where it can (SkyLayers).
#pragma once

#include <array>
#include <memory>

#include "math/math3d.h"
#include "platform/gpu.h"

namespace plat {
class Dialogs;
}

// One corner of the cube: position, then one texture coordinate (20 bytes).
struct SkyVertex {
  float x, y, z;
  float u, v;
};
static_assert(sizeof(SkyVertex) == 20);

constexpr int kSkyFaces = 6;
constexpr int kSkyVertices = 24;  // four per face
constexpr int kSkyIndices = 36;   // two triangles per face

// The vertex declaration of SkyVertex (POSITION float3 at 0, TEXCOORD0 float2 at 12), made on the first call
// for a device and kept until released; later calls with the same device return the kept one.
plat::gpu::VertexDeclaration* GetSkyVertexDeclaration(plat::gpu::Device& device);
// Releases that declaration; the device's owner calls it before the device goes.
void ReleaseSkyVertexDeclaration();

class Skybox {
 public:
  // Builds the cube of the given half-size with one texture per face (+X, -X, +Y, -Y, +Z, -Z). The textures
  // stay the cache's. A buffer that cannot be made is reported through dialogs (when given) and the sky
  // then draws nothing.
  Skybox(plat::gpu::Device& device, plat::gpu::Texture* const faces[kSkyFaces], float halfSize,
         plat::Dialogs* dialogs = nullptr);
  ~Skybox();
  Skybox(const Skybox&) = delete;
  Skybox& operator=(const Skybox&) = delete;

  // Turns by one step, then draws the six faces around the eye with depth test and writes off and clamped
  // texture addressing, and restores depth and wrapping. constants, when given, receives "WorldViewProj".
  void Render(plat::gpu::Device& device, const math::Matrix& viewProj, plat::gpu::ConstantTable* constants,
              const math::Vec3& eye);
  // The turn of one draw, without drawing.
  void Turn();
  // True when every face shows the same texture, so that the cube can be drawn in one call.
  bool OneTexture() const;

  math::Vec3 spinAxis{0.0f, 0.0f, 0.0f};
  float spinStep = 0.0f;  // radians per draw, not per second
  math::Matrix rotation = math::MatrixIdentity();
  std::unique_ptr<plat::gpu::VertexBuffer> vertexBuffer;
  std::unique_ptr<plat::gpu::IndexBuffer> indexBuffer;
  std::array<plat::gpu::Texture*, kSkyFaces> faceTextures{};  // not owned

 private:
  friend class SkyLayers;
  // Draws the cube around the eye as Render does, without the turn; one call for all faces when oneCall
  // (the caller then binds the texture).
  void Draw(plat::gpu::Device& device, const math::Matrix& viewProj, plat::gpu::ConstantTable* constants,
            const math::Vec3& eye, bool oneCall);
};

// Both skies in one pass over the inner cube: its pixel program reads the inner sky as the inner sky's own
// draw does, and the outer sky where the pixel's direction meets the outer cube (turned as the outer sky is),
// and puts the outer over the inner by the outer texture's alpha, rounded to the steps of an 8-bit target as
// the two blended draws are. Against the sky over the whole window it shades each pixel once instead of
// twice and drops the second draw's blending.
class SkyLayers {
 public:
  // Null when the device cannot compile the program.
  static std::unique_ptr<SkyLayers> Create(plat::gpu::Device& device);
  // Turns both skies and draws them in one pass with its own shaders bound (they stay bound), tinted by
  // colorAdd; false, with nothing turned or drawn, when a sky has more than one texture or no buffers.
  bool Render(plat::gpu::Device& device, Skybox& inner, Skybox& outer, const math::Matrix& viewProj,
              const math::Vec3& eye, const float colorAdd[3]);

 private:
  std::unique_ptr<plat::gpu::Shader> vertexShader, pixelShader, tintedPixelShader;
  std::unique_ptr<plat::gpu::ConstantTable> vertexConstants, tintedPixelConstants;
};
