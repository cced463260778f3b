// The OpenGL device: render states, transforms, bindings, draws and presentation.
//
// Every target is drawn with clip control's upper-left origin, so row 0 of each framebuffer is the top of
// the image as the renderer sees it: textures are uploaded top row first and sampled with v growing down,
// render textures come out upright when composited, and only presentation to the window flips rows.
#include "platform/native/gl_device_impl.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <iostream>

#include "platform/gpu_backend.h"

namespace plat::gl {
namespace {

using gpu::RenderState;

constexpr uint32_t kInitialStreamBytes = 256 * 1024;
constexpr GLuint kWhite = 0xFFFFFFFFu;

size_t Index(RenderState s) {
  return static_cast<size_t>(s);
}
constexpr uint32_t Bits(float f) {
  return std::bit_cast<uint32_t>(f);
}

#ifndef NDEBUG
void CheckGl(const char* where) {
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError())
    std::cerr << "GL error 0x" << std::hex << e << std::dec << " in " << where << std::endl;
}
#else
void CheckGl(const char*) {}
#endif

GLenum GlPrimitive(gpu::Primitive p) {
  switch (p) {
    case gpu::Primitive::PointList:
      return GL_POINTS;
    case gpu::Primitive::LineList:
      return GL_LINES;
    case gpu::Primitive::TriangleList:
      return GL_TRIANGLES;
    case gpu::Primitive::TriangleStrip:
      return GL_TRIANGLE_STRIP;
  }
  return GL_POINTS;
}

GLenum BlendFactor(uint32_t value) {
  switch (static_cast<gpu::Blend>(value)) {
    case gpu::Blend::Zero:
      return GL_ZERO;
    case gpu::Blend::One:
      return GL_ONE;
    case gpu::Blend::SrcAlpha:
      return GL_SRC_ALPHA;
    case gpu::Blend::InvSrcAlpha:
      return GL_ONE_MINUS_SRC_ALPHA;
  }
  return GL_ONE;
}

GLenum CompareFunc(uint32_t value) {
  switch (static_cast<gpu::Compare>(value)) {
    case gpu::Compare::Never:
      return GL_NEVER;
    case gpu::Compare::Less:
      return GL_LESS;
    case gpu::Compare::Equal:
      return GL_EQUAL;
    case gpu::Compare::LessEqual:
      return GL_LEQUAL;
    case gpu::Compare::Greater:
      return GL_GREATER;
    case gpu::Compare::NotEqual:
      return GL_NOTEQUAL;
    case gpu::Compare::GreaterEqual:
      return GL_GEQUAL;
    case gpu::Compare::Always:
      return GL_ALWAYS;
  }
  return GL_ALWAYS;
}

GLenum StencilOperation(uint32_t value) {
  switch (static_cast<gpu::StencilOp>(value)) {
    case gpu::StencilOp::Keep:
      return GL_KEEP;
    case gpu::StencilOp::Zero:
      return GL_ZERO;
    case gpu::StencilOp::Replace:
      return GL_REPLACE;
  }
  return GL_KEEP;
}

gpu::ColorF FromArgb(gpu::Argb c) {
  return {static_cast<float>((c >> 16) & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
          static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>(c >> 24) / 255.0f};
}

}  // namespace

void DeviceForget(GlDevice& device, const void* resource) {
  device.Forget(resource);
}
void DeviceForgetShader(GlDevice& device, const GlShader& shader) {
  device.ForgetShader(shader);
}

GlDevice::GlDevice(GlDeviceFactory* factory, SDL_Window* window, SDL_GLContext context, int width, int height)
    : factory_(factory),
      window_(window),
      context_(context),
      link_(std::make_shared<DeviceLink>()),
      width_(width),
      height_(height) {
  link_->device = this;
  world_ = view_ = projection_ = math::MatrixIdentity();
  // The starting values of the device the renderer was written for.
  const gpu::StartStates start = gpu::DefaultStartStates();
  std::ranges::copy(start.renderStates, renderStates_);
  std::ranges::copy(start.samplerStates, samplerStates_);
  std::ranges::copy(start.stageStates, stageStates_);
}

GlDevice::~GlDevice() {
  LoseContext();
  if (factory_ != nullptr) factory_->live_ = nullptr;
}

bool GlDevice::Init(std::string* error) {
  glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  glGenVertexArrays(1, &vao_);
  glBindVertexArray(vao_);

  glGenRenderbuffers(1, &depthBuffer_);
  glActiveTexture(GL_TEXTURE0);
  glGenTextures(1, &backTexture_);
  glBindTexture(GL_TEXTURE_2D, backTexture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  SizeBackStorage(width_, height_);
  backStored_ = true;
  glGenFramebuffers(1, &backFbo_);
  glBindFramebuffer(GL_FRAMEBUFFER, backFbo_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backTexture_, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    *error = "the back buffer framebuffer is incomplete";
    return false;
  }
  backBuffer_ = GlSurface(backFbo_, width_, height_, true);

  // Depth values and stencil must come out as in the back buffer for a frame drawn into the window.
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  GLint depthType = GL_NONE, stencilType = GL_NONE, depthBits = 0, stencilBits = 0;
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE,
                                        &depthType);
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE,
                                        &stencilType);
  if (depthType != GL_NONE && stencilType != GL_NONE) {
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE,
                                          &depthBits);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL, GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE,
                                          &stencilBits);
  }
  windowLikeBackBuffer_ = depthBits == 24 && stencilBits == 8;

  presentProgram_ = BuildPresentProgram();
  if (presentProgram_ == 0) {
    *error = "the presentation program cannot be built";
    return false;
  }

  glGenTextures(1, &whiteTexture_);
  glBindTexture(GL_TEXTURE_2D, whiteTexture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &kWhite);
  boundTexture_ = whiteTexture_;

  BindSampler();

  streamCapacity_ = kInitialStreamBytes;
  glGenBuffers(1, &streamVbo_);
  glBindBuffer(GL_ARRAY_BUFFER, streamVbo_);
  glBufferData(GL_ARRAY_BUFFER, streamCapacity_, nullptr, GL_STREAM_DRAW);

  // GL state matching the starting render states.
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_TRUE);
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  glFrontFace(GL_CW);  // the renderer's front faces run clockwise on screen
  ApplyCull();
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDisable(GL_STENCIL_TEST);
  glStencilFunc(GL_ALWAYS, 0, 0xFF);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  // Row 0 is the top of every target, and sprites take v = 0 at their top.
  glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);

  BindTarget(backBuffer_);
  glClearColor(0, 0, 0, 0);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  CheckGl("Init");
  return true;
}

void GlDevice::LoseContext() {
  if (context_ == nullptr) return;
  SDL_GL_MakeCurrent(window_, context_);
  programs_.Release();
  glDeleteVertexArrays(1, &vao_);
  for (const auto& [key, sampler] : samplers_) glDeleteSamplers(1, &sampler);
  samplers_.clear();
  GLuint textures[] = {whiteTexture_, backTexture_};
  glDeleteTextures(2, textures);
  glDeleteFramebuffers(1, &backFbo_);
  glDeleteRenderbuffers(1, &depthBuffer_);
  glDeleteBuffers(1, &streamVbo_);
  glDeleteProgram(presentProgram_);
  link_->device = nullptr;
  SDL_GL_MakeCurrent(window_, nullptr);
  SDL_GL_DeleteContext(context_);
  context_ = nullptr;
}

void GlDevice::Forget(const void* resource) {
  if (texture_ == resource) SetTexture(nullptr);
  if (secondTexture_ == resource) SetSecondTexture(nullptr);
  if (target_ == resource) BindTarget(backBuffer_);
  if (stream_ == resource) stream_ = nullptr;
  if (indices_ == resource) indices_ = nullptr;
  if (declaration_ == resource) {
    declaration_ = nullptr;
    layout_ = nullptr;
  }
  // Deleting a buffer unbinds it from the vertex array, and GL reuses deleted names: the cached
  // attribute and index bindings must be made anew.
  attribs_.vbo = 0;
  boundElements_ = 0;
}

void GlDevice::ForgetShader(const GlShader& shader) {
  if (vertexShader_ == &shader) vertexShader_ = nullptr;
  if (pixelShader_ == &shader) pixelShader_ = nullptr;
  programs_.ForgetShader(shader.Id());
  program_ = nullptr;
}

// ---- Frame ----

bool GlDevice::Present() {
  if (direct_) {
    // The frame is in the window already. It is finished first: swapping a window without a display (a pixel
    // buffer) neither starts its drawing nor waits for it, and frames queued without end would take memory.
    glFinish();
    SDL_GL_SwapWindow(window_);
    direct_ = false;
    BindTarget(*target_);
    CheckGl("Present");
    return true;
  }
  int drawableW = 0, drawableH = 0;
  SDL_GL_GetDrawableSize(window_, &drawableW, &drawableH);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDisable(GL_SCISSOR_TEST);  // the whole image is shown whatever the scene was limited to
  // Scaled to fit with the aspect kept, black bars around (none when the window has the image's shape).
  double scale = std::min(static_cast<double>(drawableW) / width_, static_cast<double>(drawableH) / height_);
  int w = static_cast<int>(std::lround(width_ * scale));
  int h = static_cast<int>(std::lround(height_ * scale));
  if (w != drawableW || h != drawableH) {
    glViewport(0, 0, drawableW, drawableH);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  if (w > 0 && h > 0) {
    // A textured quad, since llvmpipe's scaled framebuffer blit costs several times as much; at the image's
    // own size each pixel samples a texel's centre, and its blit would cost 5 MiB of driver programs.
    glViewport((drawableW - w) / 2, (drawableH - h) / 2, w, h);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_STENCIL_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glUseProgram(presentProgram_);
    program_ = nullptr;
    glBindSampler(0, 0);  // the back buffer texture's own linear filtering
    glBindTexture(GL_TEXTURE_2D, backTexture_);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindTexture(GL_TEXTURE_2D, boundTexture_);
    boundSamplerKey_ = kNoSampler;  // the next draw binds its own again
    RestoreRasterStates();
  }
  SDL_GL_SwapWindow(window_);
  BindTarget(*target_);
  CheckGl("Present");
  return true;
}

void GlDevice::RestoreRasterStates() {
  auto on = [this](RenderState s) { return renderStates_[Index(s)] != 0; };
  on(RenderState::ZEnable) ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
  on(RenderState::AlphaBlendEnable) ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
  on(RenderState::StencilEnable) ? glEnable(GL_STENCIL_TEST) : glDisable(GL_STENCIL_TEST);
  ApplyCull();
  bool wire = renderStates_[Index(RenderState::FillMode)] == static_cast<uint32_t>(gpu::Fill::Wireframe);
  glPolygonMode(GL_FRONT_AND_BACK, wire ? GL_LINE : GL_FILL);
}

void GlDevice::BindTarget(GlSurface& surface) {
  target_ = &surface;
  const bool window = direct_ && &surface == &backBuffer_;
  if (window != onWindow_) {
    // Row 0 of a framebuffer object is the image's top; row 0 of the window is its bottom. Flipping the
    // origin also flips which winding faces the viewer, so culling stays as it was; the point sprites'
    // texture origin is flipped with it.
    onWindow_ = window;
    glClipControl(window ? GL_LOWER_LEFT : GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, window ? GL_UPPER_LEFT : GL_LOWER_LEFT);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, TargetFbo());
  glViewport(0, 0, surface.Width(), surface.Height());
  ApplyScissor();
  fixedDirty_ = true;
}

void GlDevice::SizeBackStorage(int width, int height) {
  glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
  glBindTexture(GL_TEXTURE_2D, backTexture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
  glBindTexture(GL_TEXTURE_2D, boundTexture_);
}

void GlDevice::ReleaseBackStorage() {
  if (!backStored_) return;
  SizeBackStorage(1, 1);
  backStored_ = false;
}

void GlDevice::RestoreBackStorage() {
  if (backStored_) return;
  SizeBackStorage(width_, height_);
  backStored_ = true;
}

void GlDevice::SetRenderTarget(gpu::RenderTarget& target) {
  auto* surface = dynamic_cast<GlSurface*>(&target);
  if (surface == nullptr) return;
  if (surface->SharesBackDepth() && !(direct_ && surface == &backBuffer_)) RestoreBackStorage();
  if (surface == &backBuffer_ && !direct_) imageInWindow_ = false;
  BindTarget(*surface);
}

void GlDevice::DiscardBackBuffer() {
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window_, &w, &h);
  // A window of another size shows the image scaled, from the back buffer.
  direct_ = windowLikeBackBuffer_ && w == width_ && h == height_;
  imageInWindow_ = direct_;
  if (direct_) ReleaseBackStorage();
  if (target_ == &backBuffer_) BindTarget(backBuffer_);
}

void GlDevice::Clear(gpu::Argb colour, float depth) {
  gpu::ColorF c = FromArgb(colour);
  glClearColor(c.r, c.g, c.b, c.a);
  glClearDepth(depth);
  // Clearing always reaches the depth buffer, whatever the write state.
  bool depthWrites = renderStates_[Index(RenderState::ZWriteEnable)] != 0;
  if (!depthWrites) glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  if (!depthWrites) glDepthMask(GL_FALSE);
}

void GlDevice::SetScissorRect(const gpu::ScissorRect* rect) {
  scissorOn_ = rect != nullptr;
  if (rect != nullptr) scissor_ = *rect;
  ApplyScissor();
}

// In a framebuffer object row 0 is the image's top, so the rectangle is as given; in the window it is
// counted from the bottom.
void GlDevice::ApplyScissor() {
  if (!scissorOn_) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  const int width = std::max(scissor_.width, 0), height = std::max(scissor_.height, 0);
  const int y = onWindow_ ? target_->Height() - scissor_.y - height : scissor_.y;
  glEnable(GL_SCISSOR_TEST);
  glScissor(scissor_.x, y, width, height);
}

// ---- State ----

float GlDevice::StateF(RenderState state) const {
  return std::bit_cast<float>(renderStates_[Index(state)]);
}

void GlDevice::ApplyCull() {
  switch (static_cast<gpu::Cull>(renderStates_[Index(RenderState::CullMode)])) {
    case gpu::Cull::CW:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_FRONT);
      return;
    case gpu::Cull::CCW:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      return;
    case gpu::Cull::None:
      break;
  }
  glDisable(GL_CULL_FACE);
}

void GlDevice::SetRenderState(RenderState state, uint32_t value) {
  size_t i = Index(state);
  if (i >= std::size(renderStates_) || renderStates_[i] == value) return;
  renderStates_[i] = value;
  switch (state) {
    case RenderState::ZEnable:
      value != 0 ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
      break;
    case RenderState::ZWriteEnable:
      glDepthMask(value != 0 ? GL_TRUE : GL_FALSE);
      break;
    case RenderState::AlphaBlendEnable:
      value != 0 ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
      break;
    case RenderState::SrcBlend:
    case RenderState::DestBlend:
      // The same factors for colour and alpha.
      glBlendFunc(BlendFactor(renderStates_[Index(RenderState::SrcBlend)]),
                  BlendFactor(renderStates_[Index(RenderState::DestBlend)]));
      break;
    case RenderState::CullMode:
      ApplyCull();
      break;
    case RenderState::StencilEnable:
      value != 0 ? glEnable(GL_STENCIL_TEST) : glDisable(GL_STENCIL_TEST);
      break;
    case RenderState::StencilFunc:
    case RenderState::StencilRef:
      glStencilFunc(CompareFunc(renderStates_[Index(RenderState::StencilFunc)]),
                    static_cast<GLint>(renderStates_[Index(RenderState::StencilRef)] & 0xFF), 0xFF);
      break;
    case RenderState::StencilPass:
      glStencilOp(GL_KEEP, GL_KEEP, StencilOperation(value));
      break;
    case RenderState::FillMode:
      glPolygonMode(GL_FRONT_AND_BACK,
                    value == static_cast<uint32_t>(gpu::Fill::Wireframe) ? GL_LINE : GL_FILL);
      break;
    case RenderState::Lighting:
    case RenderState::Ambient:
    case RenderState::PointSize:
    case RenderState::PointSizeMin:
    case RenderState::PointScaleEnable:
      fixedDirty_ = true;
      break;
    default:  // kept for GetRenderState only: no light is ever on, and the bias values are negligible
      break;
  }
}

void GlDevice::SetRenderStateF(RenderState state, float value) {
  SetRenderState(state, Bits(value));
}

uint32_t GlDevice::GetRenderState(RenderState state) const {
  size_t i = Index(state);
  return i < std::size(renderStates_) ? renderStates_[i] : 0;
}

void GlDevice::BindSampler() {
  auto is = [this](gpu::SamplerState s, auto value) {
    return samplerStates_[static_cast<size_t>(s)] == static_cast<uint32_t>(value);
  };
  const bool magLinear = is(gpu::SamplerState::MagFilter, gpu::Filter::Linear);
  const bool minLinear = is(gpu::SamplerState::MinFilter, gpu::Filter::Linear);
  const uint32_t mip = is(gpu::SamplerState::MipFilter, gpu::Filter::Point)    ? 1
                       : is(gpu::SamplerState::MipFilter, gpu::Filter::Linear) ? 2
                                                                               : 0;
  const bool clampS = is(gpu::SamplerState::AddressU, gpu::Address::Clamp);
  const bool clampT = is(gpu::SamplerState::AddressV, gpu::Address::Clamp);
  const uint32_t key = uint32_t{magLinear} | uint32_t{minLinear} << 1 | mip << 2 | uint32_t{clampS} << 4 |
                       uint32_t{clampT} << 5;
  if (key == boundSamplerKey_) return;
  boundSamplerKey_ = key;
  GLuint& sampler = samplers_[key];
  if (sampler == 0) {
    static constexpr GLint kMin[2][3] = {{GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST_MIPMAP_LINEAR},
                                         {GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_LINEAR}};
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, kMin[minLinear ? 1 : 0][mip]);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, clampS ? GL_CLAMP_TO_EDGE : GL_REPEAT);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, clampT ? GL_CLAMP_TO_EDGE : GL_REPEAT);
  }
  glBindSampler(0, sampler);
  glBindSampler(1, sampler);
}

void GlDevice::SetSamplerState(gpu::SamplerState state, uint32_t value) {
  size_t i = static_cast<size_t>(state);
  if (i < std::size(samplerStates_)) samplerStates_[i] = value;
}

uint32_t GlDevice::GetSamplerState(gpu::SamplerState state) const {
  size_t i = static_cast<size_t>(state);
  return i < std::size(samplerStates_) ? samplerStates_[i] : 0;
}

void GlDevice::SetTextureStageState(gpu::StageState state, uint32_t value) {
  size_t i = static_cast<size_t>(state);
  if (i < std::size(stageStates_)) stageStates_[i] = value;
}

void GlDevice::SetTransform(gpu::TransformKind kind, const math::Matrix& m) {
  switch (kind) {
    case gpu::TransformKind::World:
      world_ = m;
      break;
    case gpu::TransformKind::View:
      view_ = m;
      break;
    case gpu::TransformKind::Projection:
      projection_ = m;
      break;
  }
  fixedDirty_ = true;
}

math::Matrix GlDevice::GetTransform(gpu::TransformKind kind) const {
  switch (kind) {
    case gpu::TransformKind::World:
      return world_;
    case gpu::TransformKind::View:
      return view_;
    case gpu::TransformKind::Projection:
      return projection_;
  }
  return world_;
}

void GlDevice::SetMaterial(const gpu::Material& material) {
  material_ = material;
  fixedDirty_ = true;
}

void GlDevice::BindTexture(GLuint name) {
  if (name == boundTexture_) return;
  glBindTexture(GL_TEXTURE_2D, name);
  boundTexture_ = name;
}

GLuint GlDevice::TextureName(gpu::Texture* texture) const {
  if (auto* plain = dynamic_cast<GlTexture*>(texture)) return plain->GlName();
  if (auto* target = dynamic_cast<GlRenderTexture*>(texture)) return target->GlName();
  return whiteTexture_;
}

void GlDevice::SetTexture(gpu::Texture* texture) {
  texture_ = texture;
  BindTexture(TextureName(texture));
}

void GlDevice::SetSecondTexture(gpu::Texture* texture) {
  secondTexture_ = texture;
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, TextureName(texture));
  glActiveTexture(GL_TEXTURE0);
}

void GlDevice::SetVertexShader(gpu::Shader* shader) {
  auto* gl = dynamic_cast<GlShader*>(shader);
  vertexShader_ = gl != nullptr && gl->Stage() == gpu::ShaderStage::Vertex ? gl : nullptr;
}

void GlDevice::SetPixelShader(gpu::Shader* shader) {
  auto* gl = dynamic_cast<GlShader*>(shader);
  pixelShader_ = gl != nullptr && gl->Stage() == gpu::ShaderStage::Pixel ? gl : nullptr;
}

// ---- Input assembly and draws ----

void GlDevice::SetFVF(uint32_t format) {
  auto it = fvfLayouts_.find(format);
  if (it == fvfLayouts_.end()) it = fvfLayouts_.emplace(format, LayoutFromFvf(format)).first;
  layout_ = &it->second;
  declaration_ = nullptr;
}

void GlDevice::SetVertexDeclaration(gpu::VertexDeclaration* declaration) {
  declaration_ = dynamic_cast<GlVertexDeclaration*>(declaration);
  layout_ = declaration_ != nullptr ? &declaration_->Layout() : nullptr;
}

void GlDevice::SetStreamSource(gpu::VertexBuffer* buffer, uint32_t offsetBytes, uint32_t stride) {
  stream_ = dynamic_cast<GlVertexBuffer*>(buffer);
  streamOffset_ = offsetBytes;
  streamStride_ = stride;
}

void GlDevice::SetIndices(gpu::IndexBuffer* buffer) {
  indices_ = dynamic_cast<GlIndexBuffer*>(buffer);
}

void GlDevice::UpdateFixedUniforms() {
  // Lighting colours only transformed vertices; with no light on, the lit colour is emissive + ambient.
  bool lit = renderStates_[Index(RenderState::Lighting)] != 0 && !layout_->pretransformed;
  if (!fixedDirty_ && lit == fixedLit_) return;
  fixedDirty_ = false;
  fixedLit_ = lit;
  ++fixedStamp_;
  fixed_.worldView = math::MatrixMultiply(world_, view_);
  fixed_.projection = projection_;
  fixed_.viewport[0] = static_cast<float>(target_->Width());
  fixed_.viewport[1] = static_cast<float>(target_->Height());
  if (lit) {
    gpu::ColorF ambient = FromArgb(renderStates_[Index(RenderState::Ambient)]);
    fixed_.diffuse[0] = std::clamp(material_.emissive.r + ambient.r * material_.ambient.r, 0.0f, 1.0f);
    fixed_.diffuse[1] = std::clamp(material_.emissive.g + ambient.g * material_.ambient.g, 0.0f, 1.0f);
    fixed_.diffuse[2] = std::clamp(material_.emissive.b + ambient.b * material_.ambient.b, 0.0f, 1.0f);
    fixed_.diffuse[3] = std::clamp(material_.diffuse.a, 0.0f, 1.0f);
  } else {
    std::fill(std::begin(fixed_.diffuse), std::end(fixed_.diffuse), 1.0f);
  }
  // Distance scaling takes the attenuation factors as (0, 0, 1), the only ones the renderer sets.
  fixed_.point[0] = StateF(RenderState::PointSize);
  fixed_.point[1] = std::clamp(StateF(RenderState::PointSizeMin), 0.0f, gpu::kMaxPointSize);
  fixed_.point[2] = gpu::kMaxPointSize;
  fixed_.point[3] = renderStates_[Index(RenderState::PointScaleEnable)] != 0 ? 1.0f : 0.0f;
}

uint32_t GlDevice::FixedPixelKey(gpu::Primitive type) const {
  auto stage = [this](gpu::StageState s) { return stageStates_[static_cast<size_t>(s)]; };
  constexpr auto kTexture = static_cast<uint32_t>(gpu::TexArg::Texture);
  uint32_t key = 0;
  if (type == gpu::Primitive::PointList && renderStates_[Index(RenderState::PointSpriteEnable)] != 0) {
    key |= fixedps::PointSprite;
    if (skipClearSprites_ && ClearFragmentsChangeNothing()) key |= fixedps::SkipClear;
  }
  if (stage(gpu::StageState::AlphaArg1) == kTexture) key |= fixedps::Arg1Texture;
  if (stage(gpu::StageState::AlphaOp) == static_cast<uint32_t>(gpu::TexOp::Modulate)) {
    key |= fixedps::Modulate;
    if (stage(gpu::StageState::AlphaArg2) == kTexture) key |= fixedps::Arg2Texture;
  }
  return key;
}

bool GlDevice::ClearFragmentsChangeNothing() const {
  auto is = [this](RenderState s, auto value) {
    return renderStates_[Index(s)] == static_cast<uint32_t>(value);
  };
  const bool depthKept = is(RenderState::ZEnable, 0) || is(RenderState::ZWriteEnable, 0);
  const bool stencilKept =
      is(RenderState::StencilEnable, 0) || is(RenderState::StencilPass, gpu::StencilOp::Keep);
  return !is(RenderState::AlphaBlendEnable, 0) && is(RenderState::SrcBlend, gpu::Blend::SrcAlpha) &&
         is(RenderState::DestBlend, gpu::Blend::InvSrcAlpha) && depthKept && stencilKept;
}

bool GlDevice::PrepareDraw(gpu::Primitive type, GLuint vbo, uint32_t baseOffset, uint32_t stride) {
  if (layout_ == nullptr || !layout_->attribs[kPosition].present || stride == 0) return false;
  uint32_t vsKey = (layout_->pretransformed ? fixedvs::Pretransformed : 0) |
                   (layout_->attribs[kColor].present ? fixedvs::Diffuse : 0);
  LinkedProgram* program = programs_.Get(vertexShader_, pixelShader_, vsKey, FixedPixelKey(type));
  bool redirected = program->redirect != nullptr;
  if (redirected) program = program->redirect;
  if (!program->ok) return false;
  if (program != program_) {
    glUseProgram(program->program);
    program_ = program;
  }
  BindSampler();
  bool fixedVertex = vertexShader_ == nullptr || redirected;
  if (fixedVertex || pixelShader_ == nullptr) {
    UpdateFixedUniforms();
    UploadFixed(*program, fixed_, fixedStamp_);
  }
  if (!redirected) {
    if (vertexShader_ != nullptr) UploadConstants(program->vs, vertexShader_->Constants());
    if (pixelShader_ != nullptr) UploadConstants(program->ps, pixelShader_->Constants());
  }
  if (fixedVertex != programPointSize_) {
    fixedVertex ? glEnable(GL_PROGRAM_POINT_SIZE) : glDisable(GL_PROGRAM_POINT_SIZE);
    programPointSize_ = fixedVertex;
  }

  if (attribs_.vbo == vbo && attribs_.base == baseOffset && attribs_.stride == stride &&
      attribs_.layoutId == layout_->id)
    return true;
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  for (int slot = 0; slot < kAttribCount; ++slot) {
    const VertexAttrib& a = layout_->attribs[slot];
    unsigned bit = 1u << slot;
    if (!a.present) {
      if ((attribs_.enabled & bit) != 0) glDisableVertexAttribArray(static_cast<GLuint>(slot));
      attribs_.enabled &= ~bit;
      continue;
    }
    if ((attribs_.enabled & bit) == 0) glEnableVertexAttribArray(static_cast<GLuint>(slot));
    attribs_.enabled |= bit;
    uintptr_t offset = uintptr_t{baseOffset} + a.offset;
    glVertexAttribPointer(static_cast<GLuint>(slot), a.size, a.type, a.normalized,
                          static_cast<GLsizei>(stride), reinterpret_cast<const void*>(offset));
  }
  attribs_.vbo = vbo;
  attribs_.base = baseOffset;
  attribs_.stride = stride;
  attribs_.layoutId = layout_->id;
  return true;
}

void GlDevice::DrawPrimitive(gpu::Primitive type, uint32_t startVertex, uint32_t primitiveCount) {
  uint64_t count = gpu::VertexCount(type, primitiveCount);
  if (stream_ == nullptr || count == 0) return;
  uint64_t begin = uint64_t{streamOffset_} + uint64_t{startVertex} * streamStride_;
  uint64_t end = begin + count * streamStride_;
  if (end > stream_->SizeBytes()) return;
  if (stream_->GlName() == 0) {  // a dynamic buffer: its vertices are drawn as from the caller's memory
    DrawPrimitiveUP(type, primitiveCount, stream_->Bytes() + begin, streamStride_);
    return;
  }
  if (!PrepareDraw(type, stream_->GlName(), streamOffset_, streamStride_)) return;
  glDrawArrays(GlPrimitive(type), static_cast<GLint>(startVertex), static_cast<GLsizei>(count));
  CheckGl("DrawPrimitive");
}

void GlDevice::DrawIndexedPrimitive(gpu::Primitive type, int32_t baseVertex, uint32_t minIndex,
                                    uint32_t numVertices, uint32_t startIndex, uint32_t primitiveCount) {
  uint64_t count = gpu::VertexCount(type, primitiveCount);
  if (stream_ == nullptr || indices_ == nullptr || count == 0) return;
  if ((uint64_t{startIndex} + count) * 2 > indices_->SizeBytes()) return;
  int64_t first = int64_t{baseVertex} + minIndex;
  int64_t end = int64_t{streamOffset_} + (first + numVertices) * int64_t{streamStride_};
  if (first < 0 || end > int64_t{stream_->SizeBytes()}) return;
  GLuint vbo = stream_->GlName();
  uint32_t offset = streamOffset_;
  if (vbo == 0) {
    // Only the vertices the indices may reach are streamed; the base vertex moves with them.
    const int64_t streamed = StreamVertices(stream_->Bytes() + streamOffset_ + first * streamStride_,
                                            uint64_t{numVertices} * streamStride_, streamStride_);
    const int64_t base = streamed - minIndex;
    if (streamed < 0 || base < INT32_MIN) return;
    vbo = streamVbo_;
    offset = 0;
    baseVertex = static_cast<int32_t>(base);
  }
  if (!PrepareDraw(type, vbo, offset, streamStride_)) return;
  if (boundElements_ != indices_->GlName()) {
    boundElements_ = indices_->GlName();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, boundElements_);
  }
  glDrawElementsBaseVertex(GlPrimitive(type), static_cast<GLsizei>(count), GL_UNSIGNED_SHORT,
                           reinterpret_cast<const void*>(uintptr_t{startIndex} * 2), baseVertex);
  CheckGl("DrawIndexedPrimitive");
}

int64_t GlDevice::StreamVertices(const void* vertices, uint64_t bytes, uint32_t stride) {
  if (stride == 0 || bytes == 0 || bytes > (1u << 30)) return -1;
  const auto size = static_cast<uint32_t>(bytes);
  // Vertices go at a multiple of the stride in one streaming buffer, so the attribute pointers stay put
  // from draw to draw and only the first vertex moves on.
  uint32_t position = (streamPosition_ + stride - 1) / stride * stride;
  glBindBuffer(GL_ARRAY_BUFFER, streamVbo_);
  if (uint64_t{position} + size > streamCapacity_) {
    streamCapacity_ = std::max(streamCapacity_, size);
    glBufferData(GL_ARRAY_BUFFER, streamCapacity_, nullptr, GL_STREAM_DRAW);  // fresh storage, no waiting
    position = 0;
  }
  void* p = glMapBufferRange(GL_ARRAY_BUFFER, position, size,
                             GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT);
  if (p == nullptr) return -1;
  std::memcpy(p, vertices, size);
  glUnmapBuffer(GL_ARRAY_BUFFER);
  streamPosition_ = position + size;
  return position / stride;
}

void GlDevice::DrawPrimitiveUP(gpu::Primitive type, uint32_t primitiveCount, const void* vertices,
                               uint32_t stride) {
  uint64_t count = gpu::VertexCount(type, primitiveCount);
  if (vertices == nullptr || stride == 0 || count == 0 || count > (1u << 30) / stride) return;
  const int64_t first = StreamVertices(vertices, count * stride, stride);
  if (first < 0 || !PrepareDraw(type, streamVbo_, 0, stride)) return;
  glDrawArrays(GlPrimitive(type), static_cast<GLint>(first), static_cast<GLsizei>(count));
  CheckGl("DrawPrimitiveUP");
}

}  // namespace plat::gl
