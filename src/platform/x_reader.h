// Text .X files ("xof 0303txt"): every mesh with its frame transforms, normals, texture coordinates, vertex
// colours and materials, each count and index checked against the data actually present.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "math/math3d.h"
#include "platform/mesh.h"

namespace plat::mesh {

// One Mesh data object as written, faces not yet triangulated.
struct XMesh {
  math::Matrix world;  // its frame's transform, then each parent's; identity outside frames
  std::vector<math::Vec3> positions;
  std::vector<uint32_t> faceSizes;      // corners per face, at least one
  std::vector<uint32_t> corners;        // position index of every corner, face after face
  std::vector<math::Vec3> normals;      // empty when the mesh has none
  std::vector<uint32_t> normalCorners;  // normal index of every corner, in step with `corners`
  std::vector<math::Vec2> uvs;          // empty, or one per position
  std::vector<gpu::ColorF> colours;     // empty, or one per position
  std::vector<XMaterial> materials;     // empty when the mesh names none
  std::vector<uint32_t> faceMaterials;  // one per face when `materials` is not empty
};

// Every mesh of the file in file order. False with a reason ("line 12: ...") when the file is not a text
// .X file or any part of it is malformed; binary and compressed .X files are refused as unsupported.
bool ReadX(std::string_view file, std::vector<XMesh>& meshes, std::string* error);

}  // namespace plat::mesh
