// Meshes: .X files merged into one vertex and index list with one subset per material, the box and sphere
// shapes, bounding spheres, and a drawable mesh on the device.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "math/math3d.h"
#include "platform/gpu.h"

namespace plat {
class FileSystem;
}

namespace plat::mesh {

// A .X file is read whole: at most this many bytes. A mesh holds at most 65535 vertices (16-bit indices),
// which as text take some 8 MiB; the largest the game ships takes 0.3 MiB.
constexpr uintmax_t kMaxXFileBytes = uintmax_t{16} << 20;

struct XMaterial {
  gpu::ColorF diffuse;
  float power = 0;
  gpu::ColorF specular, emissive;
  std::string textureFile;  // as written in the file, empty when untextured
};

// Vertices in the game's convention: left-handed, clockwise front faces, texture v growing downward.
struct MeshData {
  uint32_t fvf = 0, stride = 0;  // XYZ, plus NORMAL, DIFFUSE and TEX1 when the file has them
  std::vector<uint8_t> vertices;
  std::vector<uint32_t> indices;        // triangle list, faces grouped by material
  std::vector<uint32_t> faceAttribute;  // material index per face, ascending
  std::vector<XMaterial> materials;     // file order
};

// Every mesh of a text .X file merged with its frame transforms applied. False with a reason (the file, and
// the line where it applies) on failure; binary and compressed .X files are refused as unsupported.
bool LoadX(const FileSystem& files, std::string_view gamePath, MeshData& out, std::string* error);
MeshData MakeBox(float width, float height, float depth);   // XYZ + NORMAL, one subset
MeshData MakeSphere(float radius, int slices, int stacks);  // XYZ + NORMAL, one subset
// Mean of the positions as the centre, the largest distance from it as the radius.
bool ComputeBoundingSphere(const MeshData& mesh, math::Vec3* centre, float* radius);

class Mesh {
 public:
  virtual ~Mesh() = default;
  virtual uint32_t VertexCount() const = 0;
  virtual uint32_t Fvf() const = 0;
  virtual uint32_t SubsetCount() const = 0;
  // Draws the faces of one material with the device's current state, texture and shaders.
  virtual void DrawSubset(uint32_t attribute) = 0;
};
// Null when the device cannot make the buffers, the data is inconsistent, or the mesh has more than 65535
// vertices (the index buffer holds 16-bit indices). The mesh draws on `device`, which must outlive it.
std::unique_ptr<Mesh> CreateMesh(gpu::Device& device, const MeshData& data);

}  // namespace plat::mesh
