// Vector arithmetic and mesh-building helpers shared by the mesh generators, and the write of a finished
// frame to its .X file. Left-handed, clockwise front faces.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "xfile.h"

namespace assetgen {

inline xfile::V3 Add(xfile::V3 a, xfile::V3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline xfile::V3 Sub(xfile::V3 a, xfile::V3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline xfile::V3 Scale(xfile::V3 a, float s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline float Dot(xfile::V3 a, xfile::V3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline xfile::V3 Cross(xfile::V3 a, xfile::V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// A zero vector stays zero.
inline xfile::V3 Normalize(xfile::V3 a) {
  const float length = std::sqrt(Dot(a, a));
  return length > 0 ? Scale(a, 1 / length) : xfile::V3{};
}

// Appends a position with its texture coordinate (no normal) and returns its index.
inline uint32_t AddVertex(xfile::Mesh& mesh, xfile::V3 p, xfile::V2 uv) {
  mesh.positions.push_back(p);
  mesh.uvs.push_back(uv);
  return static_cast<uint32_t>(mesh.positions.size() - 1);
}

// The front normal the game sees for a clockwise face in a left-handed frame: (b - a) x (c - a), not
// normalised (its length is twice the face's area).
inline xfile::V3 FaceNormal(const xfile::Mesh& mesh, const std::array<uint32_t, 3>& f) {
  const xfile::V3 a = mesh.positions[f[0]];
  return Cross(Sub(mesh.positions[f[1]], a), Sub(mesh.positions[f[2]], a));
}

// Area-weighted normals of the faces from `firstFace` on, summed over every vertex at the same position so
// seams stay smooth, become the normals of the positions from `firstVertex` on; earlier normals are kept.
void SmoothNormals(xfile::Mesh& mesh, size_t firstFace = 0, size_t firstVertex = 0);

// Writes the frame as a one-frame .X file unless the file already holds exactly that text. False after
// reporting the failure on stderr.
bool SaveMesh(const std::filesystem::path& file, const xfile::Frame& frame);

}  // namespace assetgen
