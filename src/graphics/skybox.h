// A sky: a textured cube centred on the eye, drawn behind everything with depth off, optionally turning a
// little at every draw. The graphics object keeps an inner and an outer one (Graphics::SetSkybox).
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

  math::Vec3 spinAxis{0.0f, 0.0f, 0.0f};
  float spinStep = 0.0f;  // radians per draw, not per second
  math::Matrix rotation = math::MatrixIdentity();
  std::unique_ptr<plat::gpu::VertexBuffer> vertexBuffer;
  std::unique_ptr<plat::gpu::IndexBuffer> indexBuffer;
  std::array<plat::gpu::Texture*, kSkyFaces> faceTextures{};  // not owned
};
