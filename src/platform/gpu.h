// A small GPU device in the shape the renderer uses: render states, stage-0 texture and sampler states,
// transforms, materials, buffers with range-checked locks, textures, one render texture, shader programs with
// named constants, draws and presentation. Two backends: OpenGL (native) and a recording device (headless).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "math/math3d.h"

namespace plat::image {
struct Image;
}

namespace plat::gpu {

using Argb = uint32_t;  // 0xAARRGGBB
struct ColorF {
  float r = 0, g = 0, b = 0, a = 0;
};
// A rectangle of the target in pixels, row 0 at the top.
struct ScissorRect {
  int x = 0, y = 0, width = 0, height = 0;
};
struct Material {
  ColorF diffuse, ambient, specular, emissive;
  float power = 0;
};

enum class Primitive : uint8_t { PointList, LineList, TriangleList, TriangleStrip };
// Point sprites are drawn at most this many pixels across, the largest size of the device the renderer was
// written for.
constexpr float kMaxPointSize = 64.0f;
enum class TransformKind : uint8_t { World, View, Projection };
enum class RenderState : uint8_t {
  ZEnable,
  ZWriteEnable,
  AlphaBlendEnable,
  SrcBlend,
  DestBlend,
  CullMode,
  FillMode,
  Lighting,
  Ambient,
  NormalizeNormals,
  SpecularEnable,
  DepthBias,
  SlopeScaleDepthBias,
  PointSize,
  PointSizeMin,
  PointSpriteEnable,
  PointScaleEnable,
  PointScaleA,
  PointScaleB,
  PointScaleC,
  // The stencil test compares StencilRef with the stored value by StencilFunc; StencilPass says what a
  // pixel that passes it and the depth test stores (a failing one keeps its value). Clear sets 0.
  StencilEnable,
  StencilFunc,
  StencilRef,
  StencilPass,
  Count
};
enum class Compare : uint32_t { Never = 1, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };
enum class StencilOp : uint32_t { Keep = 1, Zero, Replace };
enum class Blend : uint32_t { Zero = 1, One = 2, SrcAlpha = 5, InvSrcAlpha = 6 };
// CCW culls triangles whose corners run counter-clockwise on screen (clockwise faces are the front).
enum class Cull : uint32_t { None = 1, CW = 2, CCW = 3 };
enum class Fill : uint32_t { Wireframe = 2, Solid = 3 };
enum class SamplerState : uint8_t { MagFilter, MinFilter, MipFilter, AddressU, AddressV, Count };
enum class Filter : uint32_t { None = 0, Point = 1, Linear = 2 };
enum class Address : uint32_t { Wrap = 1, Clamp = 3 };
enum class StageState : uint8_t { AlphaOp, AlphaArg1, AlphaArg2, Count };  // stage 0 only
enum class TexOp : uint32_t { SelectArg1 = 2, Modulate = 4 };
enum class TexArg : uint32_t { Diffuse = 0, Current = 1, Texture = 2 };

// Flexible vertex formats: which fields a vertex has, in this order: position (XYZ, or XYZRHW in pixels),
// normal, diffuse colour (0xAARRGGBB), one texture coordinate pair.
namespace fvf {
constexpr uint32_t XYZ = 0x002, XYZRHW = 0x004, Normal = 0x010, Diffuse = 0x040, Tex1 = 0x100;
}
// Size in bytes of one vertex of the format.
uint32_t FvfVertexSize(uint32_t format);

enum class DeclType : uint8_t { Float2, Float3, Float4, Color };
enum class DeclUsage : uint8_t { Position, Normal, TexCoord, Color };
struct VertexElement {
  uint16_t offset;
  DeclType type;
  DeclUsage usage;
  uint8_t usageIndex;
};

enum class LockMode : uint8_t { Normal, Discard, NoOverwrite };
namespace usage {
constexpr uint32_t WriteOnly = 0x8, Points = 0x40, Dynamic = 0x200;
}

struct Caps {
  bool hardwareTransform = true;
  int pixelShaderMajor = 2, pixelShaderMinor = 0;
};
enum class DepthFormat : uint8_t { D24S8, D16 };
struct PresentParams {
  int width = 800, height = 600;
  bool windowed = false;
  DepthFormat depth = DepthFormat::D24S8;
};

class Texture {
 public:
  virtual ~Texture() = default;
  virtual int Width() const = 0;  // level 0, after power-of-two rounding
  virtual int Height() const = 0;
  virtual int Levels() const = 0;
  // The game path it was loaded from, for logs and tests (empty for render textures).
  virtual const std::string& Name() const = 0;
};

// A surface that can be drawn into: the back buffer or level 0 of a render texture.
class RenderTarget {
 public:
  virtual ~RenderTarget() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
};

class RenderTexture : public Texture {
 public:
  virtual RenderTarget& Surface() = 0;
};

class VertexBuffer {
 public:
  virtual ~VertexBuffer() = default;
  virtual uint32_t SizeBytes() const = 0;
  // sizeBytes 0 means to the end. Null when the range lies outside the buffer: the caller skips its draw.
  virtual void* Lock(uint32_t offsetBytes, uint32_t sizeBytes, LockMode mode) = 0;
  virtual void Unlock() = 0;
};

class IndexBuffer {  // 16-bit indices
 public:
  virtual ~IndexBuffer() = default;
  virtual uint32_t SizeBytes() const = 0;
  virtual void* Lock(uint32_t offsetBytes, uint32_t sizeBytes, LockMode mode) = 0;
  virtual void Unlock() = 0;
};

class VertexDeclaration {
 public:
  virtual ~VertexDeclaration() = default;
};

enum class ShaderStage : uint8_t { Vertex, Pixel };

class Shader {
 public:
  virtual ~Shader() = default;
  virtual ShaderStage Stage() const = 0;
  // The file it was compiled from ("lighting.psh"), for logs and tests; a backend may ignore it.
  virtual void SetName(std::string /*name*/) {}
  virtual std::string Name() const { return {}; }
};

// The named constants of one compiled shader; values persist until set again. Setting an unknown name
// returns false and changes nothing.
class ConstantTable {
 public:
  virtual ~ConstantTable() = default;
  virtual bool SetFloatArray(std::string_view name, const float* values, unsigned count) = 0;
  virtual bool SetMatrix(std::string_view name, const math::Matrix& m) = 0;  // row-vector matrix as given
  virtual bool SetVector(std::string_view name, const math::Vec4& v) = 0;
};

struct CompiledShader {
  std::unique_ptr<Shader> shader;            // null on failure
  std::unique_ptr<ConstantTable> constants;  // null on failure
  std::string messages;                      // compiler output; may be non-empty on success
};

class Device {
 public:
  virtual ~Device() = default;

  // Frame.
  virtual void BeginScene() = 0;
  virtual void EndScene() = 0;
  virtual bool Present() = 0;
  // The back buffer keeps its contents from one frame to the next, except across a frame that discards it.
  virtual RenderTarget& BackBuffer() = 0;
  // The frame now begun draws the whole back buffer afresh and needs nothing it held. The device may then
  // draw that frame straight where it is shown; after it is presented the back buffer's contents are
  // undefined until it is drawn again.
  virtual void DiscardBackBuffer() = 0;
  virtual void SetRenderTarget(RenderTarget& target) = 0;  // viewport = the whole target
  virtual void Clear(Argb colour, float depth) = 0;        // the current target and the depth buffer
  // Draws and clears reach only the rectangle's pixels; null lifts the limit (as it must be to present).
  virtual void SetScissorRect(const ScissorRect* rect) = 0;

  // State.
  virtual void SetRenderState(RenderState state, uint32_t value) = 0;
  virtual void SetRenderStateF(RenderState state, float value) = 0;  // point sizes and scales
  virtual uint32_t GetRenderState(RenderState state) const = 0;
  virtual void SetSamplerState(SamplerState state, uint32_t value) = 0;  // stage 0
  virtual uint32_t GetSamplerState(SamplerState state) const = 0;
  virtual void SetTextureStageState(StageState state, uint32_t value) = 0;  // stage 0
  virtual void SetTransform(TransformKind kind, const math::Matrix& m) = 0;
  virtual math::Matrix GetTransform(TransformKind kind) const = 0;
  virtual void SetMaterial(const Material& material) = 0;
  virtual void LightEnable(int index, bool on) = 0;
  // Null binds no texture: sampling then yields opaque white.
  virtual void SetTexture(Texture* texture) = 0;
  // A second texture for shaders that read two: their sampler named "secondTexture" reads it, under the
  // same sampler states as the first. Null binds none (white).
  virtual void SetSecondTexture(Texture* texture) = 0;
  // Null returns that stage to the fixed-function pipeline.
  virtual void SetVertexShader(Shader* shader) = 0;
  virtual void SetPixelShader(Shader* shader) = 0;

  // Resources; null on failure.
  // Level 0 first; each level a power of two in size (the image loader rounds).
  virtual std::unique_ptr<Texture> CreateTexture(const std::vector<image::Image>& levels,
                                                 std::string name) = 0;
  virtual std::unique_ptr<RenderTexture> CreateRenderTexture(int width, int height) = 0;
  virtual std::unique_ptr<VertexBuffer> CreateVertexBuffer(uint32_t bytes, uint32_t usageFlags,
                                                           uint32_t format) = 0;
  virtual std::unique_ptr<IndexBuffer> CreateIndexBuffer(uint32_t bytes, uint32_t usageFlags) = 0;
  virtual std::unique_ptr<VertexDeclaration> CreateVertexDeclaration(
      std::span<const VertexElement> elements) = 0;
  // Compiles shader source text with its entry point; the profile's prefix ("vs_" or "ps_") picks the stage.
  virtual CompiledShader CompileShader(std::string_view source, std::string_view entry,
                                       std::string_view profile) = 0;

  // Input assembly and draws.
  virtual void SetFVF(uint32_t format) = 0;
  virtual void SetVertexDeclaration(VertexDeclaration* declaration) = 0;
  virtual void SetStreamSource(VertexBuffer* buffer, uint32_t offsetBytes, uint32_t stride) = 0;
  virtual void SetIndices(IndexBuffer* buffer) = 0;
  virtual void DrawPrimitive(Primitive type, uint32_t startVertex, uint32_t primitiveCount) = 0;
  virtual void DrawIndexedPrimitive(Primitive type, int32_t baseVertex, uint32_t minIndex,
                                    uint32_t numVertices, uint32_t startIndex, uint32_t primitiveCount) = 0;
  virtual void DrawPrimitiveUP(Primitive type, uint32_t primitiveCount, const void* vertices,
                               uint32_t stride) = 0;

  // A note in the device's log (the recording device keeps it; the OpenGL device ignores it).
  virtual void Marker(std::string_view text) = 0;
};

// Makes the one device; on failure null with an error number and text.
class DeviceFactory {
 public:
  virtual ~DeviceFactory() = default;
  virtual bool Available() = 0;
  virtual Caps GetCaps() = 0;
  virtual std::unique_ptr<Device> CreateDevice(const PresentParams& params, int* errorCode,
                                               std::string* errorText) = 0;
};

}  // namespace plat::gpu
