// The mesh generators' shared normal smoothing and .X file write.
#include "geometry.h"

#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "images.h"

namespace assetgen {

void SmoothNormals(xfile::Mesh& mesh, size_t firstFace, size_t firstVertex) {
  std::map<std::tuple<float, float, float>, xfile::V3> sums;
  for (size_t f = firstFace; f < mesh.faces.size(); ++f) {
    const xfile::V3 n = FaceNormal(mesh, mesh.faces[f]);
    for (uint32_t i : mesh.faces[f]) {
      const xfile::V3 p = mesh.positions[i];
      xfile::V3& sum = sums[{p.x, p.y, p.z}];
      sum = Add(sum, n);
    }
  }
  mesh.normals.resize(mesh.positions.size());
  for (size_t i = firstVertex; i < mesh.positions.size(); ++i) {
    const xfile::V3 p = mesh.positions[i];
    mesh.normals[i] = Normalize(sums[{p.x, p.y, p.z}]);
  }
}

bool SaveMesh(const std::filesystem::path& file, const xfile::Frame& frame) {
  std::string error;
  try {
    const std::string text = xfile::Write({frame});
    if (WriteIfChanged(file, std::vector<uint8_t>(text.begin(), text.end()), &error)) return true;
  } catch (const std::exception& e) {
    error = file.string() + ": " + e.what();
  }
  std::fprintf(stderr, "assetgen: %s\n", error.c_str());
  return false;
}

}  // namespace assetgen
