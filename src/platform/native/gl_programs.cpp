// Built-in GLSL stages for the fixed-function combinations the renderer uses, and the cache of linked
// programs with their uniform uploads.
#include "platform/native/gl_programs.h"

#include <iostream>
#include <string>

namespace plat::gl {
namespace {

constexpr uint64_t kUserBit = 0x80000000u;

// Colour = texture x diffuse. Pretransformed vertices are pixels of the target, y down; the others go
// through world x view, then projection. Point size follows the distance-scaled sprite rule when enabled.
constexpr const char* kFixedVertexSource = R"(
layout(location = 0) in vec4 inPosition;
layout(location = 2) in vec2 inTexCoord;
layout(location = 3) in vec4 inColor;
uniform mat4 u_worldView;
uniform mat4 u_projection;
uniform vec2 u_viewport;
uniform vec4 u_diffuse;
uniform vec4 u_point;
out vec4 v_color;
out vec2 v_texCoord;
void main() {
#if PRETRANSFORMED
  float w = inPosition.w > 0.0 ? 1.0 / inPosition.w : 1.0;
  vec2 ndc = vec2(inPosition.x * 2.0 / u_viewport.x - 1.0, 1.0 - inPosition.y * 2.0 / u_viewport.y);
  gl_Position = vec4(ndc, inPosition.z, 1.0) * w;
  gl_PointSize = clamp(u_point.x, u_point.y, u_point.z);
#else
  vec4 eye = u_worldView * vec4(inPosition.xyz, 1.0);
  gl_Position = u_projection * eye;
  float size = u_point.w > 0.5 ? u_point.x * u_viewport.y / max(length(eye.xyz), 1e-6) : u_point.x;
  gl_PointSize = clamp(size, u_point.y, u_point.z);
#endif
#if DIFFUSE
  v_color = inColor;
#else
  v_color = u_diffuse;
#endif
  v_texCoord = inTexCoord;
}
)";

constexpr const char* kFixedPixelSource = R"(
uniform sampler2D u_texture;
in vec4 v_color;
in vec2 v_texCoord;
out vec4 o_color;
void main() {
#if POINT_SPRITE
  vec2 uv = gl_PointCoord;
#else
  vec2 uv = v_texCoord;
#endif
  vec4 t = texture(u_texture, uv);
  float alpha = ALPHA;
#if SKIP_CLEAR
  if (alpha <= 0.0) discard;
#endif
  o_color = vec4(t.rgb * v_color.rgb, alpha);
}
)";

// Clip control's upper-left origin puts NDC y = -1 at the window framebuffer's top row, where the image's
// row 0 (v = 0) belongs.
constexpr const char* kPresentVertexSource = R"(#version 330 core
out vec2 v_texCoord;
void main() {
  vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
  v_texCoord = corner;
  gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)";

constexpr const char* kPresentPixelSource = R"(#version 330 core
uniform sampler2D u_texture;
in vec2 v_texCoord;
out vec4 o_color;
void main() { o_color = vec4(texture(u_texture, v_texCoord).rgb, 1.0); }
)";

std::string ProgramLog(GLuint program) {
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
  glGetProgramInfoLog(program, length, nullptr, log.data());
  log.resize(std::char_traits<char>::length(log.c_str()));
  return log;
}

uint64_t Part(GlShader* shader, uint32_t fixedKey) {
  return shader != nullptr ? (kUserBit | shader->Id()) : fixedKey;
}

}  // namespace

std::string ShaderLog(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
  glGetShaderInfoLog(shader, length, nullptr, log.data());
  log.resize(std::char_traits<char>::length(log.c_str()));
  return log;
}

GLuint BuildPresentProgram() {
  GLuint stages[2] = {glCreateShader(GL_VERTEX_SHADER), glCreateShader(GL_FRAGMENT_SHADER)};
  const char* sources[2] = {kPresentVertexSource, kPresentPixelSource};
  GLuint program = glCreateProgram();
  for (int i = 0; i < 2; ++i) {
    glShaderSource(stages[i], 1, &sources[i], nullptr);
    glCompileShader(stages[i]);
    glAttachShader(program, stages[i]);
  }
  glLinkProgram(program);
  for (GLuint stage : stages) {
    glDetachShader(program, stage);
    glDeleteShader(stage);
  }
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok == GL_TRUE) return program;
  std::cerr << "built-in present program failed to link: " << ProgramLog(program) << std::endl;
  glDeleteProgram(program);
  return 0;
}

GLuint ProgramCache::FixedStage(bool vertex, uint32_t key) {
  auto& cache = vertex ? fixedVs_ : fixedPs_;
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  std::string header = "#version 330 core\n";
  if (vertex) {
    header += "#define PRETRANSFORMED " + std::to_string((key & fixedvs::Pretransformed) != 0 ? 1 : 0) + "\n";
    header += "#define DIFFUSE " + std::to_string((key & fixedvs::Diffuse) != 0 ? 1 : 0) + "\n";
  } else {
    header += "#define POINT_SPRITE " + std::to_string((key & fixedps::PointSprite) != 0 ? 1 : 0) + "\n";
    header += "#define SKIP_CLEAR " + std::to_string((key & fixedps::SkipClear) != 0 ? 1 : 0) + "\n";
    std::string arg1 = (key & fixedps::Arg1Texture) != 0 ? "t.a" : "v_color.a";
    std::string arg2 = (key & fixedps::Arg2Texture) != 0 ? "t.a" : "v_color.a";
    header += "#define ALPHA " + ((key & fixedps::Modulate) != 0 ? arg1 + " * " + arg2 : arg1) + "\n";
  }
  const char* sources[2] = {header.c_str(), vertex ? kFixedVertexSource : kFixedPixelSource};
  GLuint shader = glCreateShader(vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
  glShaderSource(shader, 2, sources, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) std::cerr << "built-in shader failed to compile: " << ShaderLog(shader) << std::endl;
  cache.emplace(key, shader);
  return shader;
}

LinkedProgram ProgramCache::Link(GLuint vs, GLuint ps, std::string* log) {
  LinkedProgram p;
  p.program = glCreateProgram();
  glAttachShader(p.program, vs);
  glAttachShader(p.program, ps);
  glLinkProgram(p.program);
  glDetachShader(p.program, vs);
  glDetachShader(p.program, ps);
  GLint ok = GL_FALSE;
  glGetProgramiv(p.program, GL_LINK_STATUS, &ok);
  p.ok = ok == GL_TRUE;
  if (!p.ok) {
    *log = ProgramLog(p.program);
    return p;
  }
  p.worldView = glGetUniformLocation(p.program, "u_worldView");
  p.projection = glGetUniformLocation(p.program, "u_projection");
  p.viewport = glGetUniformLocation(p.program, "u_viewport");
  p.diffuse = glGetUniformLocation(p.program, "u_diffuse");
  p.point = glGetUniformLocation(p.program, "u_point");
  // Samplers keep their default unit 0, where the device binds the texture, but for the second texture's.
  if (GLint second = glGetUniformLocation(p.program, "secondTexture"); second >= 0) {
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    glUseProgram(p.program);
    glUniform1i(second, 1);
    glUseProgram(static_cast<GLuint>(current));
  }
  return p;
}

LinkedProgram* ProgramCache::Get(GlShader* vs, GlShader* ps, uint32_t fixedVsKey, uint32_t fixedPsKey) {
  uint64_t key = (Part(vs, fixedVsKey) << 32) | Part(ps, fixedPsKey);
  if (auto it = programs_.find(key); it != programs_.end()) return &it->second;

  std::string log;
  LinkedProgram linked = Link(vs != nullptr ? vs->GlName() : FixedStage(true, fixedVsKey),
                              ps != nullptr ? ps->GlName() : FixedStage(false, fixedPsKey), &log);
  if (linked.ok) {
    auto attach = [&](LinkedProgram::Stage& stage, GlShader* shader) {
      if (shader == nullptr) return;
      for (const ShaderConstant& c : shader->Constants().list)
        stage.locations.push_back(glGetUniformLocation(linked.program, c.name.c_str()));
      stage.uploaded.assign(stage.locations.size(), 0);
    };
    attach(linked.vs, vs);
    attach(linked.ps, ps);
  } else if ((vs == nullptr) != (ps == nullptr)) {
    // One user stage whose interface the built-in other stage does not match: draw fully built-in.
    std::cerr << "shader stage does not link with the built-in pipeline; drawing without it: " << log
              << std::endl;
    linked.redirect = Get(nullptr, nullptr, fixedVsKey, fixedPsKey);
  } else {
    std::cerr << "shader program failed to link: " << log << std::endl;
  }
  return &programs_.emplace(key, std::move(linked)).first->second;
}

void ProgramCache::ForgetShader(uint32_t shaderId) {
  uint64_t part = kUserBit | shaderId;
  for (auto it = programs_.begin(); it != programs_.end();) {
    if ((it->first >> 32) == part || (it->first & 0xFFFFFFFFu) == part) {
      glDeleteProgram(it->second.program);
      it = programs_.erase(it);
    } else {
      ++it;
    }
  }
}

void ProgramCache::Release() {
  for (auto& [key, program] : programs_) glDeleteProgram(program.program);
  for (auto& [key, shader] : fixedVs_) glDeleteShader(shader);
  for (auto& [key, shader] : fixedPs_) glDeleteShader(shader);
  programs_.clear();
  fixedVs_.clear();
  fixedPs_.clear();
}

void UploadFixed(LinkedProgram& program, const FixedUniforms& values, uint64_t stamp) {
  if (program.fixedStamp == stamp) return;
  program.fixedStamp = stamp;
  if (program.worldView >= 0) glUniformMatrix4fv(program.worldView, 1, GL_FALSE, &values.worldView.m[0][0]);
  if (program.projection >= 0)
    glUniformMatrix4fv(program.projection, 1, GL_FALSE, &values.projection.m[0][0]);
  if (program.viewport >= 0) glUniform2fv(program.viewport, 1, values.viewport);
  if (program.diffuse >= 0) glUniform4fv(program.diffuse, 1, values.diffuse);
  if (program.point >= 0) glUniform4fv(program.point, 1, values.point);
}

void UploadConstants(LinkedProgram::Stage& stage, ShaderConstants& constants) {
  if (stage.seen == constants.version) return;
  stage.seen = constants.version;
  for (size_t i = 0; i < constants.list.size() && i < stage.locations.size(); ++i) {
    const ShaderConstant& c = constants.list[i];
    if (c.version == stage.uploaded[i]) continue;
    stage.uploaded[i] = c.version;
    GLint loc = stage.locations[i];
    if (loc < 0) continue;  // declared but unused: the compiler dropped it
    const float* v = c.values.data();
    switch (c.type) {
      case GL_FLOAT:
        glUniform1fv(loc, c.arraySize, v);
        break;
      case GL_FLOAT_VEC2:
        glUniform2fv(loc, c.arraySize, v);
        break;
      case GL_FLOAT_VEC3:
        glUniform3fv(loc, c.arraySize, v);
        break;
      case GL_FLOAT_VEC4:
        glUniform4fv(loc, c.arraySize, v);
        break;
      case GL_FLOAT_MAT2:
        glUniformMatrix2fv(loc, c.arraySize, GL_FALSE, v);
        break;
      case GL_FLOAT_MAT3:
        glUniformMatrix3fv(loc, c.arraySize, GL_FALSE, v);
        break;
      case GL_FLOAT_MAT4:
        glUniformMatrix4fv(loc, c.arraySize, GL_FALSE, v);
        break;
      default:
        break;
    }
  }
}

}  // namespace plat::gl
