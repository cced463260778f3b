// Fuzz target: the .X mesh loader on arbitrary bytes, written to a scratch game folder and loaded by path.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/fuzz_support.h"
#include "platform/files.h"
#include "platform/gpu.h"
#include "platform/mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::ScratchFolder folder("kv_fuzz_x_");
  static const plat::FileSystem files(folder.Root());
  folder.Write("Fuzz.x", data, size);

  plat::mesh::MeshData mesh;
  std::string error;
  if (!plat::mesh::LoadX(files, "Fuzz.x", mesh, &error)) {
    fuzz::Check(!error.empty(), "a failure without a reason");
    return 0;
  }
  // What the game draws from must hold together: whole vertices and triangles, indices inside the vertex
  // list, one material index per face.
  fuzz::Check(mesh.stride > 0 && mesh.stride == plat::gpu::FvfVertexSize(mesh.fvf),
              "stride differs from the format");
  fuzz::Check(mesh.vertices.size() % mesh.stride == 0, "vertex bytes not whole vertices");
  const size_t vertexCount = mesh.vertices.size() / mesh.stride;
  fuzz::Check(mesh.indices.size() % 3 == 0, "indices not whole triangles");
  for (uint32_t index : mesh.indices) fuzz::Check(index < vertexCount, "an index past the vertex list");
  fuzz::Check(mesh.faceAttribute.size() == mesh.indices.size() / 3, "not one material index per face");
  fuzz::Check(std::is_sorted(mesh.faceAttribute.begin(), mesh.faceAttribute.end()),
              "faces not grouped by material");
  for (uint32_t attribute : mesh.faceAttribute)
    fuzz::Check(mesh.materials.empty() || attribute < mesh.materials.size(),
                "a material index past the list");
  return 0;
}
