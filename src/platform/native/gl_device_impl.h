// The OpenGL device: the renderer's states mapped onto GL, a persistent back buffer in a framebuffer
// object, built-in programs for the fixed-function combinations, and presentation scaled to the window.
#pragma once

#include <SDL.h>

#include <unordered_map>

#include "platform/native/gl_device.h"
#include "platform/native/gl_internal.h"
#include "platform/native/gl_programs.h"

namespace plat::gl {

class GlDevice final : public gpu::Device {
 public:
  GlDevice(GlDeviceFactory* factory, SDL_Window* window, SDL_GLContext context, int width, int height);
  ~GlDevice() override;
  GlDevice(const GlDevice&) = delete;
  GlDevice& operator=(const GlDevice&) = delete;

  // Creates the back buffer and the device's own objects and sets the default states.
  bool Init(std::string* error);
  // Frees every GL object the device owns and the context; resources still alive stop touching GL.
  void LoseContext();
  void Forget(const void* resource);
  void ForgetShader(const GlShader& shader);
  bool ReadBack(std::vector<uint32_t>& argb, int* width, int* height);
  bool ReadWindow(std::vector<uint32_t>& argb, int* width, int* height);
  void SkipClearSpriteFragments(bool on) { skipClearSprites_ = on; }

  void BeginScene() override {}
  void EndScene() override {}
  bool Present() override;
  gpu::RenderTarget& BackBuffer() override { return backBuffer_; }
  void DiscardBackBuffer() override;
  void SetRenderTarget(gpu::RenderTarget& target) override;
  void Clear(gpu::Argb colour, float depth) override;
  void SetScissorRect(const gpu::ScissorRect* rect) override;

  void SetRenderState(gpu::RenderState state, uint32_t value) override;
  void SetRenderStateF(gpu::RenderState state, float value) override;
  uint32_t GetRenderState(gpu::RenderState state) const override;
  void SetSamplerState(gpu::SamplerState state, uint32_t value) override;
  uint32_t GetSamplerState(gpu::SamplerState state) const override;
  void SetTextureStageState(gpu::StageState state, uint32_t value) override;
  void SetTransform(gpu::TransformKind kind, const math::Matrix& m) override;
  math::Matrix GetTransform(gpu::TransformKind kind) const override;
  void SetMaterial(const gpu::Material& material) override;
  void LightEnable(int, bool) override {}  // no light is ever enabled: lit colour is emissive + ambient
  void SetTexture(gpu::Texture* texture) override;
  void SetSecondTexture(gpu::Texture* texture) override;
  void SetVertexShader(gpu::Shader* shader) override;
  void SetPixelShader(gpu::Shader* shader) override;

  std::unique_ptr<gpu::Texture> CreateTexture(const std::vector<image::Image>& levels,
                                              std::string name) override;
  std::unique_ptr<gpu::RenderTexture> CreateRenderTexture(int width, int height) override;
  std::unique_ptr<gpu::VertexBuffer> CreateVertexBuffer(uint32_t bytes, uint32_t usageFlags,
                                                        uint32_t format) override;
  std::unique_ptr<gpu::IndexBuffer> CreateIndexBuffer(uint32_t bytes, uint32_t usageFlags) override;
  std::unique_ptr<gpu::VertexDeclaration> CreateVertexDeclaration(
      std::span<const gpu::VertexElement> elements) override;
  gpu::CompiledShader CompileShader(std::string_view source, std::string_view entry,
                                    std::string_view profile) override;

  void SetFVF(uint32_t format) override;
  void SetVertexDeclaration(gpu::VertexDeclaration* declaration) override;
  void SetStreamSource(gpu::VertexBuffer* buffer, uint32_t offsetBytes, uint32_t stride) override;
  void SetIndices(gpu::IndexBuffer* buffer) override;
  void DrawPrimitive(gpu::Primitive type, uint32_t startVertex, uint32_t primitiveCount) override;
  void DrawIndexedPrimitive(gpu::Primitive type, int32_t baseVertex, uint32_t minIndex, uint32_t numVertices,
                            uint32_t startIndex, uint32_t primitiveCount) override;
  void DrawPrimitiveUP(gpu::Primitive type, uint32_t primitiveCount, const void* vertices,
                       uint32_t stride) override;
  void Marker(std::string_view) override {}

 private:
  friend class plat::GlDeviceFactory;

  void ApplyCull();
  void RestoreRasterStates();
  // Binds the sampler object of the current sampler states, made on first use.
  void BindSampler();
  void BindTexture(GLuint name);
  GLuint TextureName(gpu::Texture* texture) const;  // the white texture for none
  void BindTarget(GlSurface& surface);
  // The framebuffer the current target draws into: the window's own while a frame goes straight to it.
  GLuint TargetFbo() const { return onWindow_ ? 0 : target_->Fbo(); }
  // While frames go straight into the window, the back buffer's colour and the depth buffer it shares with
  // render textures go undrawn: their storage is given back (4 MiB at 800x600) and made again, its contents
  // undefined, when a target that draws with them is set.
  void ReleaseBackStorage();
  void RestoreBackStorage();
  // (Re)allocates the back buffer's colour texture and the depth buffer at the given size.
  void SizeBackStorage(int width, int height);
  void ApplyScissor();
  // Reads width x height pixels of a framebuffer, top row first; the window's row 0 is its bottom.
  void ReadPixels(GLuint fbo, int width, int height, std::vector<uint32_t>& argb);
  void UpdateFixedUniforms();
  uint32_t FixedPixelKey(gpu::Primitive type) const;
  // Whether a fragment of alpha 0 leaves colour, depth and stencil as they were under the current states:
  // blending by source alpha with neither depth nor stencil written.
  bool ClearFragmentsChangeNothing() const;
  // Chooses and feeds the program and points the attributes at the vertices; false skips the draw.
  bool PrepareDraw(gpu::Primitive type, GLuint vbo, uint32_t baseOffset, uint32_t stride);
  GLuint CreateBuffer(uint32_t bytes, uint32_t usageFlags);
  // Copies vertices into the stream buffer; the index there of the first, -1 when nothing was copied.
  int64_t StreamVertices(const void* vertices, uint64_t bytes, uint32_t stride);
  float StateF(gpu::RenderState state) const;

  GlDeviceFactory* factory_;
  SDL_Window* window_;
  SDL_GLContext context_;
  std::shared_ptr<DeviceLink> link_;
  int width_, height_;

  // Owned GL objects.
  GLuint vao_ = 0, whiteTexture_ = 0, depthBuffer_ = 0, backTexture_ = 0, backFbo_ = 0;
  GLuint streamVbo_ = 0, presentProgram_ = 0;
  uint32_t streamCapacity_ = 0, streamPosition_ = 0;
  GlSurface backBuffer_{0, 0, 0};
  ProgramCache programs_;

  // The renderer's state.
  uint32_t renderStates_[static_cast<size_t>(gpu::RenderState::Count)] = {};
  uint32_t samplerStates_[static_cast<size_t>(gpu::SamplerState::Count)] = {};
  uint32_t stageStates_[static_cast<size_t>(gpu::StageState::Count)] = {};
  math::Matrix world_, view_, projection_;
  gpu::Material material_;
  GlSurface* target_ = nullptr;
  const gpu::Texture* texture_ = nullptr;
  const gpu::Texture* secondTexture_ = nullptr;
  GlShader* vertexShader_ = nullptr;
  GlShader* pixelShader_ = nullptr;
  std::unordered_map<uint32_t, VertexLayout> fvfLayouts_;
  const VertexLayout* layout_ = nullptr;
  const GlVertexDeclaration* declaration_ = nullptr;
  GlVertexBuffer* stream_ = nullptr;
  uint32_t streamOffset_ = 0, streamStride_ = 0;
  GlIndexBuffer* indices_ = nullptr;

  // What GL has now, to skip redundant calls.
  FixedUniforms fixed_;
  bool fixedDirty_ = true;
  bool fixedLit_ = false;
  uint64_t fixedStamp_ = 0;
  LinkedProgram* program_ = nullptr;
  GLuint boundTexture_ = 0;
  // One sampler object per combination of sampler states, so a state set back and forth within a frame
  // costs no GL call; kNoSampler when unit 0 holds none of them.
  static constexpr uint32_t kNoSampler = ~0u;
  std::unordered_map<uint32_t, GLuint> samplers_;
  uint32_t boundSamplerKey_ = kNoSampler;
  GLuint boundElements_ = 0;
  bool programPointSize_ = false;
  bool scissorOn_ = false;
  gpu::ScissorRect scissor_{};
  // A frame that discards the back buffer goes straight into the window when the window has the image's
  // size and a depth and stencil buffer like the back buffer's; the window then holds the last image.
  bool windowLikeBackBuffer_ = false;
  bool direct_ = false;
  bool onWindow_ = false;
  bool imageInWindow_ = false;
  bool backStored_ = false;       // the back buffer's colour and depth have the image's size
  bool skipClearSprites_ = true;  // see SetClearSpriteFragmentsSkipped
  struct {
    GLuint vbo = 0;
    uint32_t base = 0, stride = 0, layoutId = 0;
    unsigned enabled = 0;  // bit per attribute slot
  } attribs_;
};

}  // namespace plat::gl
