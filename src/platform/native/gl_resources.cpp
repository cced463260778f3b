// The OpenGL device's resources: vertex layouts, textures and render textures, buffers with CPU copies,
// vertex declarations, shaders and the named constants parsed from their source.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/native/gl_internal.h"

namespace plat::gl {

// ---- Vertex layouts ----

uint32_t NextLayoutId() {
  static uint32_t next = 0;
  return ++next;
}

VertexLayout LayoutFromFvf(uint32_t format) {
  VertexLayout layout;
  layout.id = NextLayoutId();
  uint32_t offset = 0;
  if ((format & gpu::fvf::XYZRHW) != 0) {
    layout.attribs[kPosition] = {true, 4, GL_FLOAT, GL_FALSE, offset};
    layout.pretransformed = true;
    offset += 16;
  } else if ((format & gpu::fvf::XYZ) != 0) {
    layout.attribs[kPosition] = {true, 3, GL_FLOAT, GL_FALSE, offset};
    offset += 12;
  }
  if ((format & gpu::fvf::Normal) != 0) {
    layout.attribs[kNormal] = {true, 3, GL_FLOAT, GL_FALSE, offset};
    offset += 12;
  }
  if ((format & gpu::fvf::Diffuse) != 0) {
    // 0xAARRGGBB little-endian words are the bytes B, G, R, A.
    layout.attribs[kColor] = {true, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, offset};
    offset += 4;
  }
  if ((format & gpu::fvf::Tex1) != 0) layout.attribs[kTexCoord] = {true, 2, GL_FLOAT, GL_FALSE, offset};
  return layout;
}

bool LayoutFromElements(std::span<const gpu::VertexElement> elements, VertexLayout& out) {
  VertexLayout layout;
  for (const gpu::VertexElement& e : elements) {
    int slot = -1;
    switch (e.usage) {
      case gpu::DeclUsage::Position:
        slot = kPosition;
        break;
      case gpu::DeclUsage::Normal:
        slot = kNormal;
        break;
      case gpu::DeclUsage::TexCoord:
        slot = kTexCoord;
        break;
      case gpu::DeclUsage::Color:
        slot = kColor;
        break;
    }
    if (e.usageIndex != 0) continue;  // only one of each is ever read
    if (slot < 0 || layout.attribs[slot].present) return false;
    VertexAttrib& a = layout.attribs[slot];
    a.present = true;
    a.offset = e.offset;
    switch (e.type) {
      case gpu::DeclType::Float2:
        a.size = 2;
        break;
      case gpu::DeclType::Float3:
        a.size = 3;
        break;
      case gpu::DeclType::Float4:
        a.size = 4;
        break;
      case gpu::DeclType::Color:
        if (slot != kColor) return false;
        a.size = GL_BGRA;
        a.type = GL_UNSIGNED_BYTE;
        a.normalized = GL_TRUE;
        break;
    }
  }
  layout.id = NextLayoutId();
  out = layout;
  return true;
}

// ---- Textures ----

GlTexture::GlTexture(std::shared_ptr<DeviceLink> link, GLuint name, int width, int height, int levels,
                     std::string label)
    : link_(std::move(link)),
      name_(name),
      width_(width),
      height_(height),
      levels_(levels),
      label_(std::move(label)) {}

GlTexture::~GlTexture() {
  if (link_->device == nullptr) return;
  DeviceForget(*link_->device, this);
  glDeleteTextures(1, &name_);
}

GlRenderTexture::GlRenderTexture(std::shared_ptr<DeviceLink> link, GLuint texture, GLuint fbo,
                                 GLuint ownDepth, int width, int height)
    : link_(std::move(link)),
      texture_(texture),
      ownDepth_(ownDepth),
      surface_(fbo, width, height, ownDepth == 0) {}

GlRenderTexture::~GlRenderTexture() {
  if (link_->device == nullptr) return;
  DeviceForget(*link_->device, this);
  DeviceForget(*link_->device, &surface_);
  GLuint fbo = surface_.Fbo();
  glDeleteFramebuffers(1, &fbo);
  glDeleteTextures(1, &texture_);
  if (ownDepth_ != 0) glDeleteRenderbuffers(1, &ownDepth_);
}

// ---- Buffers ----

void* GlBufferData::Lock(uint32_t offsetBytes, uint32_t sizeBytes, gpu::LockMode mode) {
  uint64_t total = cpu_.size();
  uint64_t end = sizeBytes == 0 ? total : uint64_t{offsetBytes} + sizeBytes;
  if (offsetBytes >= total || end > total) return nullptr;
  if (!locked_) {
    dirtyBegin_ = offsetBytes;
    dirtyEnd_ = static_cast<uint32_t>(end);
    mode_ = mode;
  } else {
    dirtyBegin_ = std::min(dirtyBegin_, offsetBytes);
    dirtyEnd_ = std::max(dirtyEnd_, static_cast<uint32_t>(end));
    if (mode_ != gpu::LockMode::Discard) mode_ = mode;
  }
  locked_ = true;
  return cpu_.data() + offsetBytes;
}

void GlBufferData::Unlock(bool contextAlive) {
  if (!locked_) return;
  locked_ = false;
  if (!contextAlive || name_ == 0) return;
  glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
  GLintptr offset = dirtyBegin_;
  GLsizeiptr length = dirtyEnd_ - dirtyBegin_;
  switch (mode_) {
    case gpu::LockMode::Discard:
      // New storage for the whole buffer, so draws still queued on the old contents never wait.
      glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(cpu_.size()), cpu_.data(), GL_DYNAMIC_DRAW);
      return;
    case gpu::LockMode::NoOverwrite:
      // The caller promises not to touch what queued draws read: no need to wait for them.
      if (void* p =
              glMapBufferRange(GL_COPY_WRITE_BUFFER, offset, length,
                               GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT)) {
        std::memcpy(p, cpu_.data() + offset, static_cast<size_t>(length));
        if (glUnmapBuffer(GL_COPY_WRITE_BUFFER) == GL_TRUE) return;
      }
      break;
    case gpu::LockMode::Normal:
      break;
  }
  glBufferSubData(GL_COPY_WRITE_BUFFER, offset, length, cpu_.data() + offset);
}

template <class Interface>
GlBuffer<Interface>::GlBuffer(std::shared_ptr<DeviceLink> link, GLuint name, uint32_t bytes)
    : link_(std::move(link)), data_(name, bytes) {}

template <class Interface>
GlBuffer<Interface>::~GlBuffer() {
  if (link_->device == nullptr) return;
  DeviceForget(*link_->device, this);
  GLuint name = data_.GlName();
  glDeleteBuffers(1, &name);
}

template <class Interface>
void* GlBuffer<Interface>::Lock(uint32_t offsetBytes, uint32_t sizeBytes, gpu::LockMode mode) {
  return data_.Lock(offsetBytes, sizeBytes, mode);
}

template <class Interface>
void GlBuffer<Interface>::Unlock() {
  data_.Unlock(link_->device != nullptr);
}

template class GlBuffer<gpu::VertexBuffer>;
template class GlBuffer<gpu::IndexBuffer>;

GlVertexDeclaration::~GlVertexDeclaration() {
  if (link_->device != nullptr) DeviceForget(*link_->device, this);
}

// ---- Shader constants ----

ShaderConstant* ShaderConstants::Find(std::string_view name) {
  for (ShaderConstant& c : list)
    if (c.name == name) return &c;
  return nullptr;
}

namespace {

struct UniformType {
  const char* name;
  GLenum type;
  int components;
};
constexpr UniformType kUniformTypes[] = {
    {"float", GL_FLOAT, 1},      {"vec2", GL_FLOAT_VEC2, 2}, {"vec3", GL_FLOAT_VEC3, 3},
    {"vec4", GL_FLOAT_VEC4, 4},  {"mat2", GL_FLOAT_MAT2, 4}, {"mat3", GL_FLOAT_MAT3, 9},
    {"mat4", GL_FLOAT_MAT4, 16},
};

// Identifiers, numbers and single punctuation characters; comments and preprocessor lines dropped.
std::vector<std::string_view> Tokenize(std::string_view s) {
  std::vector<std::string_view> tokens;
  size_t i = 0;
  bool lineStart = true;
  auto isIdent = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; };
  while (i < s.size()) {
    char c = s[i];
    if (c == '\n') {
      lineStart = true;
      ++i;
    } else if (std::isspace(static_cast<unsigned char>(c)) != 0) {
      ++i;
    } else if (s.compare(i, 2, "//") == 0 || (lineStart && c == '#')) {
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (s.compare(i, 2, "/*") == 0) {
      size_t end = s.find("*/", i + 2);
      i = end == std::string_view::npos ? s.size() : end + 2;
    } else if (isIdent(c)) {
      size_t start = i;
      while (i < s.size() && isIdent(s[i])) ++i;
      tokens.push_back(s.substr(start, i - start));
      lineStart = false;
    } else {
      tokens.push_back(s.substr(i, 1));
      ++i;
      lineStart = false;
    }
  }
  return tokens;
}

}  // namespace

std::vector<ShaderConstant> ParseUniforms(std::string_view source) {
  std::vector<ShaderConstant> result;
  std::vector<std::string_view> t = Tokenize(source);
  int depth = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == "{") ++depth;
    if (t[i] == "}") --depth;
    if (depth != 0 || t[i] != "uniform") continue;
    size_t j = i + 1;
    while (j < t.size() && (t[j] == "lowp" || t[j] == "mediump" || t[j] == "highp")) ++j;
    const UniformType* type = nullptr;
    if (j < t.size())
      for (const UniformType& u : kUniformTypes)
        if (t[j] == u.name) type = &u;
    if (type == nullptr) {  // samplers, blocks and other types are not constants: skip the declaration
      int inner = 0;
      for (; j < t.size(); ++j) {
        if (t[j] == "{") ++inner;
        if (t[j] == "}") --inner;
        if (t[j] == ";" && inner == 0) break;
      }
      i = j;
      continue;
    }
    ++j;
    while (j < t.size() && t[j] != ";") {
      ShaderConstant c;
      c.name = std::string(t[j]);
      c.type = type->type;
      ++j;
      if (j + 2 < t.size() && t[j] == "[") {
        int n = std::atoi(std::string(t[j + 1]).c_str());
        c.arraySize = std::max(n, 1);
        j += 3;
      }
      c.values.assign(static_cast<size_t>(type->components * c.arraySize), 0.0f);
      result.push_back(std::move(c));
      if (j < t.size() && t[j] == ",") ++j;
    }
    i = j;
  }
  return result;
}

bool GlConstantTable::SetFloatArray(std::string_view name, const float* values, unsigned count) {
  ShaderConstant* c = constants_->Find(name);
  if (c == nullptr || (values == nullptr && count > 0)) return false;
  size_t n = std::min<size_t>(count, c->values.size());
  std::copy(values, values + n, c->values.begin());
  c->version = ++constants_->version;
  return true;
}

bool GlConstantTable::SetMatrix(std::string_view name, const math::Matrix& m) {
  float flat[16];
  std::memcpy(flat, m.m, sizeof(flat));  // row-major as given: GLSL reads the rows as its columns
  return SetFloatArray(name, flat, 16);
}

bool GlConstantTable::SetVector(std::string_view name, const math::Vec4& v) {
  const float values[4] = {v.x, v.y, v.z, v.w};
  return SetFloatArray(name, values, 4);
}

// ---- Shaders ----

GlShader::GlShader(std::shared_ptr<DeviceLink> link, GLuint name, gpu::ShaderStage stage,
                   std::shared_ptr<ShaderConstants> constants)
    : link_(std::move(link)), name_(name), stage_(stage), constants_(std::move(constants)) {
  static uint32_t next = 0;
  id_ = ++next;
}

GlShader::~GlShader() {
  if (link_->device == nullptr) return;
  DeviceForgetShader(*link_->device, *this);
  glDeleteShader(name_);
}

}  // namespace plat::gl
