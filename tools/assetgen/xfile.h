// A writer for DirectX text .X meshes: frames with their transforms, meshes with normals, texture
// coordinates and a material list. Coordinates are written as given: left-handed, clockwise front faces, v
// down.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen::xfile {

struct V2 {
  float u = 0, v = 0;
};
struct V3 {
  float x = 0, y = 0, z = 0;
};

struct Material {
  std::array<float, 4> diffuse{1, 1, 1, 1};  // r, g, b, a
  float power = 0;
  std::array<float, 3> specular{0, 0, 0};
  std::array<float, 3> emissive{0, 0, 0};
  std::string texture;  // bare file name, empty for none
};

struct Mesh {
  std::string name;
  std::vector<V3> positions;
  std::vector<std::array<uint32_t, 3>> faces;  // clockwise seen from the front
  std::vector<V3> normals;                     // one per position, or none
  std::vector<V2> uvs;                         // one per position, or none
  std::vector<Material> materials;             // at least one
  std::vector<uint32_t> faceMaterials;         // one per face; empty means material 0 everywhere
};

// Row-vector matrix, translation in elements 12..14.
using Matrix = std::array<float, 16>;
Matrix Identity();
Matrix Translation(float x, float y, float z);

struct Frame {
  std::string name;
  Matrix transform = Identity();
  std::vector<Mesh> meshes;
  std::vector<Frame> children;
};

// The whole file: header and the given top-level frames.
std::string Write(const std::vector<Frame>& frames);

}  // namespace assetgen::xfile
