// The OpenGL device's resource creation: textures from image levels, render textures, buffers, vertex
// declarations and shaders compiled from GLSL with their constant tables; and the back-buffer read-back.
#include <algorithm>
#include <cctype>

#include "platform/image.h"
#include "platform/native/gl_device_impl.h"

namespace plat::gl {
namespace {

bool IsIdentifier(std::string_view s) {
  if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0])) != 0) return false;
  for (char c : s)
    if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '_') return false;
  return true;
}

}  // namespace

std::unique_ptr<gpu::Texture> GlDevice::CreateTexture(const std::vector<image::Image>& levels,
                                                      std::string name) {
  if (levels.empty() || levels[0].width <= 0 || levels[0].height <= 0) return nullptr;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (levels[0].width > maxSize || levels[0].height > maxSize) return nullptr;
  for (size_t i = 0; i < levels.size(); ++i) {
    const image::Image& level = levels[i];
    int expectedW = std::max(1, levels[0].width >> i), expectedH = std::max(1, levels[0].height >> i);
    if (i >= 31 || level.width != expectedW || level.height != expectedH ||
        level.argb.size() != static_cast<size_t>(level.width) * static_cast<size_t>(level.height))
      return nullptr;
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size() - 1));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  for (size_t i = 0; i < levels.size(); ++i) {
    // 0xAARRGGBB words, top row first: GL's row 0, which every target also treats as the top.
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8, levels[i].width, levels[i].height, 0,
                 GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, levels[i].argb.data());
  }
  glBindTexture(GL_TEXTURE_2D, boundTexture_);
  return std::make_unique<GlTexture>(link_, texture, levels[0].width, levels[0].height,
                                     static_cast<int>(levels.size()), std::move(name));
}

std::unique_ptr<gpu::RenderTexture> GlDevice::CreateRenderTexture(int width, int height) {
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (width <= 0 || height <= 0 || width > maxSize || height > maxSize) return nullptr;
  GLuint texture = 0, fbo = 0, ownDepth = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
  glBindTexture(GL_TEXTURE_2D, boundTexture_);
  GLuint depth = depthBuffer_;
  if (width == width_ && height == height_) RestoreBackStorage();  // cleared whole below
  if (width != width_ || height != height_) {  // the shared depth buffer fits back-buffer-sized targets only
    glGenRenderbuffers(1, &ownDepth);
    glBindRenderbuffer(GL_RENDERBUFFER, ownDepth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    depth = ownDepth;
  }
  glGenFramebuffers(1, &fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
  bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (complete) {  // starts transparent black, so sampling it before the first draw into it is defined
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, TargetFbo());
  if (!complete) {
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(1, &texture);
    if (ownDepth != 0) glDeleteRenderbuffers(1, &ownDepth);
    return nullptr;
  }
  return std::make_unique<GlRenderTexture>(link_, texture, fbo, ownDepth, width, height);
}

GLuint GlDevice::CreateBuffer(uint32_t bytes, uint32_t usageFlags) {
  GLuint name = 0;
  glGenBuffers(1, &name);
  glBindBuffer(GL_COPY_WRITE_BUFFER, name);
  std::vector<uint8_t> zeros(bytes);
  glBufferData(GL_COPY_WRITE_BUFFER, bytes, zeros.data(),
               (usageFlags & gpu::usage::Dynamic) != 0 ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
  return name;
}

std::unique_ptr<gpu::VertexBuffer> GlDevice::CreateVertexBuffer(uint32_t bytes, uint32_t usageFlags,
                                                                uint32_t) {
  if (bytes == 0 || bytes > (1u << 30)) return nullptr;
  // A dynamic buffer is refilled every frame and drawn once or twice: it stays in its CPU copy and its draws
  // stream their vertices. A GL buffer of its own would cost the software rasteriser, besides the storage,
  // some 64 KiB of per-frame command memory at each draw that binds it (a fight draws hundreds).
  const GLuint name = (usageFlags & gpu::usage::Dynamic) != 0 ? 0 : CreateBuffer(bytes, usageFlags);
  return std::make_unique<GlVertexBuffer>(link_, name, bytes);
}

std::unique_ptr<gpu::IndexBuffer> GlDevice::CreateIndexBuffer(uint32_t bytes, uint32_t usageFlags) {
  if (bytes == 0 || bytes > (1u << 30)) return nullptr;
  return std::make_unique<GlIndexBuffer>(link_, CreateBuffer(bytes, usageFlags), bytes);
}

std::unique_ptr<gpu::VertexDeclaration> GlDevice::CreateVertexDeclaration(
    std::span<const gpu::VertexElement> elements) {
  VertexLayout layout;
  if (!LayoutFromElements(elements, layout)) return nullptr;
  return std::make_unique<GlVertexDeclaration>(link_, layout);
}

gpu::CompiledShader GlDevice::CompileShader(std::string_view source, std::string_view entry,
                                            std::string_view profile) {
  gpu::CompiledShader out;
  gpu::ShaderStage stage;
  if (profile.starts_with("vs_")) {
    stage = gpu::ShaderStage::Vertex;
  } else if (profile.starts_with("ps_")) {
    stage = gpu::ShaderStage::Pixel;
  } else {
    out.messages = "unknown shader profile \"" + std::string(profile) + "\"";
    return out;
  }
  if (!IsIdentifier(entry)) {
    out.messages = "invalid entry point \"" + std::string(entry) + "\"";
    return out;
  }
  // A version line is added only when the file has none; #line keeps the compiler's line numbers the file's.
  std::string version =
      source.find("#version") == std::string_view::npos ? "#version 330 core\n#line 1\n" : "";
  std::string body(source);
  std::string tail = entry == "main" ? "" : "\nvoid main() { " + std::string(entry) + "(); }\n";
  const char* strings[3] = {version.c_str(), body.c_str(), tail.c_str()};
  GLuint shader = glCreateShader(stage == gpu::ShaderStage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
  glShaderSource(shader, 3, strings, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  out.messages = ShaderLog(shader);
  if (ok != GL_TRUE) {
    glDeleteShader(shader);
    if (out.messages.empty()) out.messages = "shader failed to compile";
    return out;
  }
  auto constants = std::make_shared<ShaderConstants>();
  constants->list = ParseUniforms(source);
  out.shader = std::make_unique<GlShader>(link_, shader, stage, constants);
  out.constants = std::make_unique<GlConstantTable>(constants);
  return out;
}

void GlDevice::ReadPixels(GLuint fbo, int width, int height, std::vector<uint32_t>& argb) {
  std::vector<uint32_t> rows(static_cast<size_t>(width) * static_cast<size_t>(height));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, TargetFbo());
  if (fbo != 0) {
    argb = std::move(rows);
    return;
  }
  argb.resize(rows.size());
  for (int y = 0; y < height; ++y)
    std::copy_n(rows.begin() + static_cast<std::ptrdiff_t>(y) * width, width,
                argb.begin() + static_cast<std::ptrdiff_t>(height - 1 - y) * width);
}

// The last image drawn: in the window when its frame went straight there.
bool GlDevice::ReadBack(std::vector<uint32_t>& argb, int* width, int* height) {
  if (context_ == nullptr) return false;
  ReadPixels(imageInWindow_ ? 0 : backFbo_, width_, height_, argb);
  if (width != nullptr) *width = width_;
  if (height != nullptr) *height = height_;
  return true;
}

bool GlDevice::ReadWindow(std::vector<uint32_t>& argb, int* width, int* height) {
  if (context_ == nullptr) return false;
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window_, &w, &h);
  ReadPixels(0, w, h, argb);
  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
  return true;
}

}  // namespace plat::gl
