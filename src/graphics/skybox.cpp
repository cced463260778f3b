// The sky cube: its geometry, its draw around the eye, the sky vertex declaration, and the graphics object's
// choice of skies by sky kind.
#include "graphics/skybox.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "graphics/graphics.h"
#include "platform/services.h"
#include "platform/window.h"

namespace gpu = plat::gpu;

namespace {

// Corners of each face as multiples of the half-size, in the order whose texture coordinates are
// (0, 1), (0, 0), (1, 0), (1, 1): bottom-left, top-left, top-right, bottom-right seen from inside, so the
// faces run clockwise on screen and survive counter-clockwise culling.
constexpr float kCorners[kSkyFaces][4][3] = {
    {{1, -1, 1}, {1, 1, 1}, {1, 1, -1}, {1, -1, -1}},      // +X
    {{-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1}, {-1, -1, 1}},  // -X
    {{-1, 1, 1}, {-1, 1, -1}, {1, 1, -1}, {1, 1, 1}},      // +Y
    {{-1, -1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, -1, -1}},  // -Y
    {{-1, -1, 1}, {-1, 1, 1}, {1, 1, 1}, {1, -1, 1}},      // +Z
    {{1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, -1}},  // -Z
};
constexpr float kCornerUv[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};

constexpr uint32_t kVertexBytes = kSkyVertices * sizeof(SkyVertex);  // 480
constexpr uint32_t kIndexBytes = kSkyIndices * sizeof(uint16_t);     // 72

constexpr float kInnerHalfSize = 200.0f;
constexpr float kOuterHalfSize = 800.0f;
constexpr float kOuterSpinStep = 0.0001f;
constexpr const char* kArtFolder = "Assets\\Art\\";

void Report(plat::Dialogs* dialogs, const char* text) {
  std::fprintf(stderr, "Skybox: %s\n", text);
  if (dialogs != nullptr) dialogs->ShowMessage(text, "");
}

uint32_t Value(gpu::Address a) {
  return static_cast<uint32_t>(a);
}

// One declaration serves every sky; a new device (tests make many) gets its own in place of the old.
gpu::Device* skyDeclarationDevice = nullptr;
std::unique_ptr<gpu::VertexDeclaration> skyDeclaration;
}  // namespace

void ReleaseSkyVertexDeclaration() {
  skyDeclaration.reset();
  skyDeclarationDevice = nullptr;
}

gpu::VertexDeclaration* GetSkyVertexDeclaration(gpu::Device& device) {
  if (skyDeclaration == nullptr || skyDeclarationDevice != &device) {
    static constexpr gpu::VertexElement kElements[] = {
        {0, gpu::DeclType::Float3, gpu::DeclUsage::Position, 0},
        {12, gpu::DeclType::Float2, gpu::DeclUsage::TexCoord, 0},
    };
    skyDeclaration = device.CreateVertexDeclaration(kElements);
    skyDeclarationDevice = skyDeclaration != nullptr ? &device : nullptr;
  }
  return skyDeclaration.get();
}

Skybox::Skybox(gpu::Device& device, gpu::Texture* const faces[kSkyFaces], float halfSize,
               plat::Dialogs* dialogs) {
  for (int f = 0; f < kSkyFaces; ++f) faceTextures[static_cast<size_t>(f)] = faces[f];

  vertexBuffer = device.CreateVertexBuffer(kVertexBytes, gpu::usage::WriteOnly, 0);
  if (vertexBuffer == nullptr) {
    Report(dialogs, "Skybox CreateVertexBuffer() - FAILED");
    return;
  }
  if (void* data = vertexBuffer->Lock(0, 0, gpu::LockMode::Normal)) {
    SkyVertex vertices[kSkyVertices];
    for (int f = 0; f < kSkyFaces; ++f) {
      for (int c = 0; c < 4; ++c) {
        vertices[4 * f + c] = SkyVertex{kCorners[f][c][0] * halfSize, kCorners[f][c][1] * halfSize,
                                        kCorners[f][c][2] * halfSize, kCornerUv[c][0], kCornerUv[c][1]};
      }
    }
    std::memcpy(data, vertices, sizeof(vertices));
    vertexBuffer->Unlock();
  }

  indexBuffer = device.CreateIndexBuffer(kIndexBytes, gpu::usage::WriteOnly);
  if (indexBuffer == nullptr) {
    Report(dialogs, "Skybox CreateIndexBuffer() - FAILED");
    return;
  }
  if (void* data = indexBuffer->Lock(0, 0, gpu::LockMode::Normal)) {
    uint16_t indices[kSkyIndices];
    for (int f = 0; f < kSkyFaces; ++f) {
      const auto b = static_cast<uint16_t>(4 * f);
      const uint16_t face[6] = {b, uint16_t(b + 1), uint16_t(b + 2), b, uint16_t(b + 2), uint16_t(b + 3)};
      std::memcpy(indices + 6 * f, face, sizeof(face));
    }
    std::memcpy(data, indices, sizeof(indices));
    indexBuffer->Unlock();
  }
  rotation = math::MatrixIdentity();
}

Skybox::~Skybox() = default;

void Skybox::Render(gpu::Device& device, const math::Matrix& viewProj, gpu::ConstantTable* constants,
                    const math::Vec3& eye) {
  if (vertexBuffer == nullptr || indexBuffer == nullptr) return;
  Turn();
  Draw(device, viewProj, constants, eye, false);
}

// The turn advances once per drawn frame, whatever the frame time.
void Skybox::Turn() {
  rotation = math::MatrixMultiply(math::MatrixRotationAxis(spinAxis, spinStep), rotation);
}

bool Skybox::OneTexture() const {
  return std::all_of(faceTextures.begin(), faceTextures.end(),
                     [this](const gpu::Texture* t) { return t == faceTextures[0]; });
}

void Skybox::Draw(gpu::Device& device, const math::Matrix& viewProj, gpu::ConstantTable* constants,
                  const math::Vec3& eye, bool oneCall) {
  device.SetRenderState(gpu::RenderState::Lighting, 0);
  device.SetRenderState(gpu::RenderState::ZWriteEnable, 0);
  device.SetRenderState(gpu::RenderState::ZEnable, 0);
  device.SetSamplerState(gpu::SamplerState::AddressU, Value(gpu::Address::Clamp));
  device.SetSamplerState(gpu::SamplerState::AddressV, Value(gpu::Address::Clamp));

  // Centred on the eye, so the sky never comes nearer; the size is in the vertices.
  const math::Matrix world = math::MatrixMultiply(rotation, math::MatrixTranslation(eye.x, eye.y, eye.z));
  device.SetTransform(gpu::TransformKind::World, world);
  if (constants != nullptr) constants->SetMatrix("WorldViewProj", math::MatrixMultiply(world, viewProj));

  device.SetStreamSource(vertexBuffer.get(), 0, sizeof(SkyVertex));
  device.SetVertexDeclaration(GetSkyVertexDeclaration(device));
  device.SetIndices(indexBuffer.get());
  if (oneCall) {
    device.DrawIndexedPrimitive(gpu::Primitive::TriangleList, 0, 0, kSkyVertices, 0, 2 * kSkyFaces);
  } else {
    for (uint32_t f = 0; f < kSkyFaces; ++f) {
      device.SetTexture(faceTextures[f]);
      device.DrawIndexedPrimitive(gpu::Primitive::TriangleList, 0, 4 * f, 4, 6 * f, 2);
    }
  }

  // Lighting stays off.
  device.SetRenderState(gpu::RenderState::ZWriteEnable, 1);
  device.SetRenderState(gpu::RenderState::ZEnable, 1);
  device.SetSamplerState(gpu::SamplerState::AddressU, Value(gpu::Address::Wrap));
  device.SetSamplerState(gpu::SamplerState::AddressV, Value(gpu::Address::Wrap));
}

namespace {

constexpr const char* kLayersVertexSource = R"(#version 330 core
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec2 inTexCoord;
uniform mat4 WorldViewProj;
uniform mat4 OuterFromInner;
uniform vec3 ColorAdd;  // the tinted pixel shader's, handed on flat
out vec2 texCoord;
out vec3 outerDirection;
flat out vec3 colorAdd;
void vs_main() {
  gl_Position = WorldViewProj * vec4(inPosition, 1.0);
  texCoord = inTexCoord;
  outerDirection = (OuterFromInner * vec4(inPosition, 0.0)).xyz;
  colorAdd = ColorAdd;
}
)";

// The faces' coordinates follow the corner table at the top of this file. Behind the scene the skies are
// read at their first level only (their faces are always magnified), so the level is given, not worked out.
// Each sky's colour goes through the 8-bit steps its own draw would store, then each share of the blend
// through the steps the target rounds it to; one of the two Stored functions below completes the program.
constexpr const char* kLayersPixelSource = R"(#version 330 core
in vec2 texCoord;
in vec3 outerDirection;
uniform sampler2D baseTexture;
uniform sampler2D secondTexture;
out vec4 fragColour;
vec3 Stored(vec3 c);
vec2 FaceCoordinates(vec3 d) {
  vec3 a = abs(d);
  bool onX = a.x >= a.y && a.x >= a.z;
  bool onY = !onX && a.y >= a.z;
  // Chosen, not branched on: each coordinate one quotient, its sign folded into it.
  vec2 numerator = vec2(onX ? -d.z : d.x, onY ? d.z : -d.y);
  vec2 denominator = onX ? vec2(d.x, a.x) : (onY ? vec2(a.y, d.y) : vec2(d.z, a.z));
  return 0.5 + 0.5 * (numerator / denominator);
}
void ps_main() {
  vec4 inner = textureLod(baseTexture, texCoord, 0.0);
  vec4 outer = textureLod(secondTexture, FaceCoordinates(outerDirection), 0.0);
  float alpha = roundEven(outer.a * 255.0) / 255.0;
  vec3 over = roundEven(Stored(outer.rgb) * alpha);
  vec3 under = roundEven(Stored(inner.rgb) * (1.0 - alpha));
  fragColour = vec4((over + under) / 255.0, outer.a * outer.a + inner.a * (1.0 - outer.a));
}
)";
// Untinted, a texel lies within 0 to 1 already.
constexpr const char* kStoredPlain = R"(
vec3 Stored(vec3 c) { return roundEven(c * 255.0); }
)";
// The tint is set on this stage and read as the vertex stage's flat copy (see lighting.vsh for why).
constexpr const char* kStoredTinted = R"(
uniform vec3 ColorAdd;
flat in vec3 colorAdd;
vec3 Stored(vec3 c) { return roundEven(clamp(c + colorAdd, 0.0, 1.0) * 255.0); }
)";

}  // namespace

std::unique_ptr<SkyLayers> SkyLayers::Create(gpu::Device& device) {
  gpu::CompiledShader vertex = device.CompileShader(kLayersVertexSource, "vs_main", "vs_3_0");
  gpu::CompiledShader plain =
      device.CompileShader(std::string(kLayersPixelSource) + kStoredPlain, "ps_main", "ps_3_0");
  gpu::CompiledShader tinted =
      device.CompileShader(std::string(kLayersPixelSource) + kStoredTinted, "ps_main", "ps_3_0");
  if (vertex.shader == nullptr || plain.shader == nullptr || tinted.shader == nullptr ||
      vertex.constants == nullptr || tinted.constants == nullptr) {
    std::fprintf(stderr, "Skybox: the two skies are drawn one after the other: %s%s%s\n",
                 vertex.messages.c_str(), plain.messages.c_str(), tinted.messages.c_str());
    return nullptr;
  }
  vertex.shader->SetName("sky layers vertex");
  plain.shader->SetName("sky layers pixel");
  tinted.shader->SetName("sky layers tinted pixel");
  auto layers = std::make_unique<SkyLayers>();
  layers->vertexShader = std::move(vertex.shader);
  layers->pixelShader = std::move(plain.shader);
  layers->tintedPixelShader = std::move(tinted.shader);
  layers->vertexConstants = std::move(vertex.constants);
  layers->tintedPixelConstants = std::move(tinted.constants);
  return layers;
}

bool SkyLayers::Render(gpu::Device& device, Skybox& inner, Skybox& outer, const math::Matrix& viewProj,
                       const math::Vec3& eye, const float colorAdd[3]) {
  if (!inner.OneTexture() || !outer.OneTexture() || inner.vertexBuffer == nullptr ||
      inner.indexBuffer == nullptr || outer.vertexBuffer == nullptr || outer.indexBuffer == nullptr)
    return false;
  inner.Turn();
  outer.Turn();
  device.SetVertexShader(vertexShader.get());
  // Untinted, as nearly always, the program leaves out the tint's sum and the clamp it needs.
  if (colorAdd[0] != 0.0f || colorAdd[1] != 0.0f || colorAdd[2] != 0.0f) {
    device.SetPixelShader(tintedPixelShader.get());
    tintedPixelConstants->SetFloatArray("ColorAdd", colorAdd, 3);
  } else {
    device.SetPixelShader(pixelShader.get());
  }
  // A point of the inner cube turned into the world by the inner sky's turn, then back by the outer's.
  vertexConstants->SetMatrix("OuterFromInner",
                             math::MatrixMultiply(inner.rotation, math::MatrixTranspose(outer.rotation)));
  device.SetTexture(inner.faceTextures[0]);
  device.SetSecondTexture(outer.faceTextures[0]);
  inner.Draw(device, viewProj, vertexConstants.get(), eye, true);
  device.SetSecondTexture(nullptr);
  return true;
}

bool Graphics::SetSkybox(int skyKind) {
  innerSkybox.reset();
  outerSkybox.reset();
  if (skyKind != 0 && skyKind != 2) return true;  // no sky; the sky flag keeps its value

  SetSkyEnabled(true);
  plat::Dialogs* dialogs = services != nullptr ? &services->dialogs() : nullptr;
  // A face texture from the scene cache, loaded with no colour key when absent; null after the report.
  auto faceTexture = [&](const char* name) -> gpu::Texture* {
    const std::string path = std::string(kArtFolder) + name;
    int index = FindTexture(path.c_str());
    if (index < 0) index = LoadTexture(path.c_str(), nullptr);
    if (index < 0 || device == nullptr) {
      Report(dialogs, kTextureFailed);
      return nullptr;
    }
    return sceneTextures[static_cast<size_t>(index)].texture.get();
  };
  auto allFaces = [](gpu::Texture* texture) {
    std::array<gpu::Texture*, kSkyFaces> faces;
    faces.fill(texture);
    return faces;
  };

  gpu::Texture* inner = faceTexture(skyKind == 0 ? "skybox_level1.jpg" : "black.jpg");
  if (inner == nullptr) return false;
  innerSkybox = std::make_unique<Skybox>(*device, allFaces(inner).data(), kInnerHalfSize, dialogs);
  if (skyKind == 2) return true;

  // A missing outer sky leaves the inner one in place.
  gpu::Texture* outer = faceTexture("Sky.dds");
  if (outer == nullptr) return false;
  outerSkybox = std::make_unique<Skybox>(*device, allFaces(outer).data(), kOuterHalfSize, dialogs);
  outerSkybox->spinAxis = math::Vec3Normalize(math::Vec3{1.0f, 1.0f, 1.0f});
  outerSkybox->spinStep = kOuterSpinStep;
  return true;
}
