// Internals shared by the OpenGL device's files: vertex layouts, the link resources keep to their device,
// and the resource classes (textures, render targets, buffers, declarations, shaders and their constants).
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gpu.h"

namespace plat::gl {

class GlDevice;

// Resources tell their device when they go (so it never draws with a dangling binding) and skip every GL
// call once the device has lost its context.
struct DeviceLink {
  GlDevice* device = nullptr;
};

// Attribute locations the vertex shaders read.
enum AttribSlot : int { kPosition = 0, kNormal = 1, kTexCoord = 2, kColor = 3, kAttribCount = 4 };

struct VertexAttrib {
  bool present = false;
  GLint size = 0;  // 2, 3, 4 or GL_BGRA
  GLenum type = GL_FLOAT;
  GLboolean normalized = GL_FALSE;
  uint32_t offset = 0;
};

struct VertexLayout {
  VertexAttrib attribs[kAttribCount];
  bool pretransformed = false;  // XYZRHW: pixels of the current target, y down
  uint32_t id = 0;              // unique per layout, never reused: the device's attribute cache key
};

// Called by resources as they go, while the device still has its context: drops bindings to them.
void DeviceForget(GlDevice& device, const void* resource);
void DeviceForgetShader(GlDevice& device, const class GlShader& shader);

uint32_t NextLayoutId();
VertexLayout LayoutFromFvf(uint32_t format);
// False when the declaration repeats a slot or uses a type its usage cannot take.
bool LayoutFromElements(std::span<const gpu::VertexElement> elements, VertexLayout& out);

// ---- Render targets and textures ----

// The back buffer or level 0 of a render texture: a framebuffer object of a fixed size.
class GlSurface final : public gpu::RenderTarget {
 public:
  // sharesBackDepth: the target draws with the device's depth buffer (the back buffer's own).
  GlSurface(GLuint fbo, int width, int height, bool sharesBackDepth = false)
      : fbo_(fbo), width_(width), height_(height), sharesBackDepth_(sharesBackDepth) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  GLuint Fbo() const { return fbo_; }
  bool SharesBackDepth() const { return sharesBackDepth_; }

 private:
  GLuint fbo_;
  int width_, height_;
  bool sharesBackDepth_;
};

class GlTexture final : public gpu::Texture {
 public:
  GlTexture(std::shared_ptr<DeviceLink> link, GLuint name, int width, int height, int levels,
            std::string label);
  ~GlTexture() override;
  GlTexture(const GlTexture&) = delete;
  GlTexture& operator=(const GlTexture&) = delete;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int Levels() const override { return levels_; }
  const std::string& Name() const override { return label_; }
  GLuint GlName() const { return name_; }

 private:
  std::shared_ptr<DeviceLink> link_;
  GLuint name_;
  int width_, height_, levels_;
  std::string label_;
};

class GlRenderTexture final : public gpu::RenderTexture {
 public:
  // ownDepth is 0 when the texture shares the device's depth buffer.
  GlRenderTexture(std::shared_ptr<DeviceLink> link, GLuint texture, GLuint fbo, GLuint ownDepth, int width,
                  int height);
  ~GlRenderTexture() override;
  GlRenderTexture(const GlRenderTexture&) = delete;
  GlRenderTexture& operator=(const GlRenderTexture&) = delete;
  int Width() const override { return surface_.Width(); }
  int Height() const override { return surface_.Height(); }
  int Levels() const override { return 1; }
  const std::string& Name() const override { return label_; }
  gpu::RenderTarget& Surface() override { return surface_; }
  GLuint GlName() const { return texture_; }
  GlSurface& GlTarget() { return surface_; }

 private:
  std::shared_ptr<DeviceLink> link_;
  GLuint texture_, ownDepth_;
  GlSurface surface_;
  std::string label_;
};

// ---- Buffers ----

// A GL buffer with a CPU copy: Lock hands out a pointer into the copy, Unlock uploads the locked range. A
// buffer of name 0 has no GL storage: it is the copy alone, and the device streams what a draw reads of it.
class GlBufferData {
 public:
  GlBufferData(GLuint name, uint32_t bytes) : name_(name), cpu_(bytes) {}
  uint32_t SizeBytes() const { return static_cast<uint32_t>(cpu_.size()); }
  void* Lock(uint32_t offsetBytes, uint32_t sizeBytes, gpu::LockMode mode);
  void Unlock(bool contextAlive);
  GLuint GlName() const { return name_; }
  const uint8_t* Bytes() const { return cpu_.data(); }

 private:
  GLuint name_;
  std::vector<uint8_t> cpu_;
  bool locked_ = false;
  gpu::LockMode mode_ = gpu::LockMode::Normal;
  uint32_t dirtyBegin_ = 0, dirtyEnd_ = 0;
};

// A vertex or an index buffer (`Interface` is gpu::VertexBuffer or gpu::IndexBuffer): the two differ only
// in the interface they serve. Instantiated for both in gl_resources.cpp.
template <class Interface>
class GlBuffer final : public Interface {
 public:
  GlBuffer(std::shared_ptr<DeviceLink> link, GLuint name, uint32_t bytes);
  ~GlBuffer() override;
  GlBuffer(const GlBuffer&) = delete;
  GlBuffer& operator=(const GlBuffer&) = delete;
  uint32_t SizeBytes() const override { return data_.SizeBytes(); }
  void* Lock(uint32_t offsetBytes, uint32_t sizeBytes, gpu::LockMode mode) override;
  void Unlock() override;
  GLuint GlName() const { return data_.GlName(); }
  const uint8_t* Bytes() const { return data_.Bytes(); }

 private:
  std::shared_ptr<DeviceLink> link_;
  GlBufferData data_;
};

using GlVertexBuffer = GlBuffer<gpu::VertexBuffer>;
using GlIndexBuffer = GlBuffer<gpu::IndexBuffer>;
extern template class GlBuffer<gpu::VertexBuffer>;
extern template class GlBuffer<gpu::IndexBuffer>;

class GlVertexDeclaration final : public gpu::VertexDeclaration {
 public:
  GlVertexDeclaration(std::shared_ptr<DeviceLink> link, const VertexLayout& layout)
      : link_(std::move(link)), layout_(layout) {}
  ~GlVertexDeclaration() override;
  GlVertexDeclaration(const GlVertexDeclaration&) = delete;
  GlVertexDeclaration& operator=(const GlVertexDeclaration&) = delete;
  const VertexLayout& Layout() const { return layout_; }

 private:
  std::shared_ptr<DeviceLink> link_;
  VertexLayout layout_;
};

// ---- Shaders and their named constants ----

// One uniform the source declares, with the value last set through the constant table.
struct ShaderConstant {
  std::string name;
  GLenum type = GL_FLOAT;  // GL_FLOAT, GL_FLOAT_VEC2..4, GL_FLOAT_MAT2..4
  int arraySize = 1;
  std::vector<float> values;  // components x arraySize
  uint64_t version = 0;       // 0: never set
};

// The constants of one shader, shared by the shader and its table so either may go first.
struct ShaderConstants {
  std::vector<ShaderConstant> list;
  uint64_t version = 0;  // bumped by every successful set
  ShaderConstant* Find(std::string_view name);
};

// The non-sampler uniforms declared at file scope in GLSL source (comments ignored).
std::vector<ShaderConstant> ParseUniforms(std::string_view source);

// A shader's compiler output (empty when there is none).
std::string ShaderLog(GLuint shader);

class GlConstantTable final : public gpu::ConstantTable {
 public:
  explicit GlConstantTable(std::shared_ptr<ShaderConstants> constants) : constants_(std::move(constants)) {}
  bool SetFloatArray(std::string_view name, const float* values, unsigned count) override;
  bool SetMatrix(std::string_view name, const math::Matrix& m) override;
  bool SetVector(std::string_view name, const math::Vec4& v) override;

 private:
  std::shared_ptr<ShaderConstants> constants_;
};

class GlShader final : public gpu::Shader {
 public:
  GlShader(std::shared_ptr<DeviceLink> link, GLuint name, gpu::ShaderStage stage,
           std::shared_ptr<ShaderConstants> constants);
  ~GlShader() override;
  GlShader(const GlShader&) = delete;
  GlShader& operator=(const GlShader&) = delete;
  gpu::ShaderStage Stage() const override { return stage_; }
  GLuint GlName() const { return name_; }
  uint32_t Id() const { return id_; }  // unique for the process, never reused
  ShaderConstants& Constants() { return *constants_; }

 private:
  std::shared_ptr<DeviceLink> link_;
  GLuint name_;
  gpu::ShaderStage stage_;
  std::shared_ptr<ShaderConstants> constants_;
  uint32_t id_;
};

}  // namespace plat::gl
