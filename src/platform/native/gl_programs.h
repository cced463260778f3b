// The OpenGL device's programs: built-in stages that stand in for the fixed-function pipeline, and linked
// vertex + pixel pairs (user shaders, built-in stages or a mix), with their uniform uploads.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/native/gl_internal.h"

namespace plat::gl {

// Built-in vertex stage variants.
namespace fixedvs {
constexpr uint32_t Pretransformed = 1, Diffuse = 2;
}
// Built-in pixel stage variants: stage-0 alpha = arg1, or arg1 x arg2 when Modulate; each arg reads the
// texture's alpha when its bit is set, else the diffuse alpha. SkipClear drops fragments of alpha 0, for
// states under which such a fragment leaves the target as it was.
namespace fixedps {
constexpr uint32_t PointSprite = 1, Modulate = 2, Arg1Texture = 4, Arg2Texture = 8, SkipClear = 16;
}

// The values the built-in stages read, uploaded when the device's stamp moves on.
struct FixedUniforms {
  math::Matrix worldView, projection;  // row-vector matrices
  float viewport[2] = {1, 1};          // target size in pixels
  float diffuse[4] = {1, 1, 1, 1};     // colour of vertices without one
  float point[4] = {1, 1, 64, 0};      // size, minimum, maximum, 1 when scaled by eye distance
};

struct LinkedProgram {
  struct Stage {
    std::vector<GLint> locations;  // per constant of the stage's shader
    std::vector<uint64_t> uploaded;
    uint64_t seen = 0;  // the shader's constants version last uploaded
  };
  GLuint program = 0;
  bool ok = false;
  LinkedProgram* redirect = nullptr;  // a built-in program to use instead when a mixed pair fails to link
  GLint worldView = -1, projection = -1, viewport = -1, diffuse = -1, point = -1;
  uint64_t fixedStamp = 0;
  Stage vs, ps;
};

class ProgramCache {
 public:
  ProgramCache() = default;
  ~ProgramCache() = default;  // Release() must run while the context is current
  ProgramCache(const ProgramCache&) = delete;
  ProgramCache& operator=(const ProgramCache&) = delete;

  // The program for the bound stages; a null stage is the built-in one with the given key. Never null;
  // check ok (a failed pair is kept so it is not linked again each draw).
  LinkedProgram* Get(GlShader* vs, GlShader* ps, uint32_t fixedVsKey, uint32_t fixedPsKey);
  // Deletes every program that uses the shader (its id is never reused).
  void ForgetShader(uint32_t shaderId);
  void Release();

 private:
  GLuint FixedStage(bool vertex, uint32_t key);
  LinkedProgram Link(GLuint vs, GLuint ps, std::string* log);

  std::unordered_map<uint64_t, LinkedProgram> programs_;
  std::unordered_map<uint32_t, GLuint> fixedVs_, fixedPs_;
};

// Draws the back buffer texture (unit 0) over the viewport as a 4-vertex strip without attributes, its
// row 0 at the top of the window. Zero when it cannot be built.
GLuint BuildPresentProgram();

// Uploads the program's built-in uniforms (program in use).
void UploadFixed(LinkedProgram& program, const FixedUniforms& values, uint64_t stamp);
// Uploads the constants set on the shader since this program last saw them (program in use).
void UploadConstants(LinkedProgram::Stage& stage, ShaderConstants& constants);

}  // namespace plat::gl
