// .X loading into one merged MeshData in the file's own convention, and the drawable mesh (vertex buffer,
// 16-bit index buffer, one index range per material) on a device.
#include "platform/mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <unordered_map>

#include "platform/files.h"
#include "platform/x_reader.h"

namespace plat::mesh {
namespace {

void Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

uint32_t ToArgb(const gpu::ColorF& c) {
  auto byte = [](float v) {
    v = std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f;
    return static_cast<uint32_t>(std::lround(v * 255.0f));
  };
  return byte(c.a) << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

// What a mesh without a material list is drawn with.
XMaterial DefaultMaterial() {
  XMaterial m;
  m.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
  m.power = 1.0f;
  m.specular = m.emissive = {0.0f, 0.0f, 0.0f, 1.0f};
  return m;
}

// One corner's vertex in the file's coordinates, before its frame transform. Compared bytewise, so no
// padding, and zeros are stored as +0 so that -0 and +0 match.
struct Vertex {
  math::Vec3 position, normal;
  math::Vec2 uv;
  uint32_t argb = 0xFFFFFFFFu;
};
static_assert(sizeof(Vertex) == 36);

struct VertexHash {
  size_t operator()(const Vertex& v) const {
    return std::hash<std::string_view>{}({reinterpret_cast<const char*>(&v), sizeof v});
  }
};
struct VertexEqual {
  bool operator()(const Vertex& a, const Vertex& b) const { return std::memcmp(&a, &b, sizeof a) == 0; }
};

// The faces of one material in one mesh: each distinct vertex once, in order of first use.
struct Subset {
  std::vector<Vertex> vertices;
  std::unordered_map<Vertex, uint32_t, VertexHash, VertexEqual> index;
  std::vector<uint32_t> corners;

  void Add(const Vertex& v) {
    const auto [at, added] = index.try_emplace(v, static_cast<uint32_t>(vertices.size()));
    if (added) vertices.push_back(v);
    corners.push_back(at->second);
  }
};

math::Vec3 PlusZero(math::Vec3 v) {
  return {v.x + 0.0f, v.y + 0.0f, v.z + 0.0f};
}

Vertex CornerVertex(const XMesh& mesh, size_t corner) {
  const uint32_t p = mesh.corners[corner];
  Vertex v;
  v.position = PlusZero(mesh.positions[p]);
  if (!mesh.normals.empty()) v.normal = PlusZero(mesh.normals[mesh.normalCorners[corner]]);
  if (!mesh.uvs.empty()) v.uv = {mesh.uvs[p].x + 0.0f, mesh.uvs[p].y + 0.0f};
  if (!mesh.colours.empty()) v.argb = ToArgb(mesh.colours[p]);
  return v;
}

bool IsIdentity3x3(const math::Matrix& m) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      if (m.m[r][c] != (r == c ? 1.0f : 0.0f)) return false;
  return true;
}

// Positions go through the whole affine transform, normals through the inverse transpose of its 3x3 part
// (the plain 3x3 when that is singular), renormalised unless the 3x3 part is the identity.
struct Transform {
  explicit Transform(const math::Matrix& world) : world(world), rigid(IsIdentity3x3(world)) {
    math::Matrix linear = world;
    for (int i = 0; i < 3; ++i) linear.m[3][i] = linear.m[i][3] = 0.0f;
    linear.m[3][3] = 1.0f;
    math::Matrix inverse;
    normals = math::MatrixInverse(linear, &inverse) ? math::MatrixTranspose(inverse) : linear;
  }
  math::Vec3 Position(math::Vec3 p) const {
    const auto& a = world.m;
    return {p.x * a[0][0] + p.y * a[1][0] + p.z * a[2][0] + a[3][0],
            p.x * a[0][1] + p.y * a[1][1] + p.z * a[2][1] + a[3][1],
            p.x * a[0][2] + p.y * a[1][2] + p.z * a[2][2] + a[3][2]};
  }
  math::Vec3 Normal(math::Vec3 n) const {
    if (rigid) return n;
    n = math::Vec3TransformNormal(n, normals);
    const float length = math::Vec3Length(n);
    return length > 0 ? n / length : n;
  }
  math::Matrix world, normals;
  bool rigid;
};

struct Merger {
  uint32_t fvf = gpu::fvf::XYZ;
  uint32_t stride = 12;
  uint32_t normalOffset = 0, diffuseOffset = 0, texOffset = 0;
  std::vector<uint8_t> vertices;
  uint32_t vertexCount = 0;
  std::vector<XMaterial> materials;                    // file order
  std::vector<std::vector<uint32_t>> facesByMaterial;  // corner indices, file order
  int defaultMaterial = -1;

  explicit Merger(const std::vector<XMesh>& meshes) {
    for (const XMesh& m : meshes) {
      if (!m.normals.empty()) fvf |= gpu::fvf::Normal;
      if (!m.colours.empty()) fvf |= gpu::fvf::Diffuse;
      if (!m.uvs.empty()) fvf |= gpu::fvf::Tex1;
    }
    if (fvf & gpu::fvf::Normal) normalOffset = stride, stride += 12;
    if (fvf & gpu::fvf::Diffuse) diffuseOffset = stride, stride += 4;
    if (fvf & gpu::fvf::Tex1) texOffset = stride, stride += 8;
  }

  void Put(size_t at, const void* data, size_t bytes) { std::memcpy(vertices.data() + at, data, bytes); }

  // Polygons become fans in the file's corner order; points and lines are not drawn.
  void AddMesh(XMesh& mesh) {
    // The mesh's materials join the list (their contents moved); a mesh naming none gets the shared default.
    const size_t subsetCount = std::max<size_t>(1, mesh.materials.size());
    size_t first = materials.size();
    if (mesh.materials.empty()) {
      if (defaultMaterial < 0) {
        defaultMaterial = static_cast<int>(materials.size());
        materials.push_back(DefaultMaterial());
      }
      first = static_cast<size_t>(defaultMaterial);
    } else {
      std::move(mesh.materials.begin(), mesh.materials.end(), std::back_inserter(materials));
    }
    facesByMaterial.resize(materials.size());

    std::vector<Subset> subsets(subsetCount);
    size_t corner = 0;
    for (size_t f = 0; f < mesh.faceSizes.size(); ++f) {
      const size_t size = mesh.faceSizes[f];
      Subset& subset = subsets[mesh.faceMaterials.empty() ? 0 : mesh.faceMaterials[f]];
      for (size_t k = 1; k + 1 < size; ++k)
        for (size_t c : {size_t{0}, k, k + 1}) subset.Add(CornerVertex(mesh, corner + c));
      corner += size;
    }

    const Transform transform(mesh.world);
    for (size_t s = 0; s < subsets.size(); ++s) {
      const uint32_t base = vertexCount;
      vertexCount += static_cast<uint32_t>(subsets[s].vertices.size());
      vertices.resize(static_cast<size_t>(vertexCount) * stride, 0);
      for (size_t v = 0; v < subsets[s].vertices.size(); ++v) {
        const Vertex& source = subsets[s].vertices[v];
        const size_t at = (base + v) * stride;
        const math::Vec3 p = transform.Position(source.position);
        Put(at, &p, sizeof p);
        if (fvf & gpu::fvf::Normal) {
          const math::Vec3 n = transform.Normal(source.normal);
          Put(at + normalOffset, &n, sizeof n);
        }
        if (fvf & gpu::fvf::Diffuse) Put(at + diffuseOffset, &source.argb, sizeof source.argb);
        if (fvf & gpu::fvf::Tex1) Put(at + texOffset, &source.uv, sizeof source.uv);
      }
      std::vector<uint32_t>& faces = facesByMaterial[first + s];
      for (uint32_t c : subsets[s].corners) faces.push_back(base + c);
    }
  }
};

class DeviceMesh final : public Mesh {
 public:
  struct Range {
    uint32_t startIndex = 0, indexCount = 0, minVertex = 0, vertexCount = 0;
  };

  DeviceMesh(gpu::Device& device, std::unique_ptr<gpu::VertexBuffer> vb, std::unique_ptr<gpu::IndexBuffer> ib,
             uint32_t fvf, uint32_t stride, uint32_t vertexCount, std::vector<Range> ranges)
      : device_(device),
        vb_(std::move(vb)),
        ib_(std::move(ib)),
        fvf_(fvf),
        stride_(stride),
        vertexCount_(vertexCount),
        ranges_(std::move(ranges)) {}

  uint32_t VertexCount() const override { return vertexCount_; }
  uint32_t Fvf() const override { return fvf_; }
  uint32_t SubsetCount() const override { return static_cast<uint32_t>(ranges_.size()); }

  void DrawSubset(uint32_t attribute) override {
    if (attribute >= ranges_.size()) return;
    const Range& r = ranges_[attribute];
    if (r.indexCount == 0) return;
    device_.SetFVF(fvf_);
    device_.SetStreamSource(vb_.get(), 0, stride_);
    device_.SetIndices(ib_.get());
    device_.DrawIndexedPrimitive(gpu::Primitive::TriangleList, 0, r.minVertex, r.vertexCount, r.startIndex,
                                 r.indexCount / 3);
  }

 private:
  gpu::Device& device_;
  std::unique_ptr<gpu::VertexBuffer> vb_;
  std::unique_ptr<gpu::IndexBuffer> ib_;
  uint32_t fvf_, stride_, vertexCount_;
  std::vector<Range> ranges_;
};

}  // namespace

bool LoadX(const FileSystem& files, std::string_view gamePath, MeshData& out, std::string* error) {
  const std::string name(gamePath);
  std::vector<uint8_t> bytes;
  std::string why;
  if (!files.ReadAll(gamePath, bytes, kMaxXFileBytes, &why)) {
    Fail(error, name + ": " + why);
    return false;
  }
  if (bytes.empty()) {
    Fail(error, name + ": the file is empty");
    return false;
  }
  std::vector<XMesh> meshes;
  std::string reason;
  if (!ReadX({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, meshes, &reason)) {
    Fail(error, name + ": " + reason);
    return false;
  }

  Merger merger(meshes);
  for (XMesh& mesh : meshes) merger.AddMesh(mesh);
  MeshData data;
  data.fvf = merger.fvf;
  data.stride = merger.stride;
  data.vertices = std::move(merger.vertices);
  for (size_t m = 0; m < merger.facesByMaterial.size(); ++m) {
    const std::vector<uint32_t>& faces = merger.facesByMaterial[m];
    data.indices.insert(data.indices.end(), faces.begin(), faces.end());
    data.faceAttribute.insert(data.faceAttribute.end(), faces.size() / 3, static_cast<uint32_t>(m));
  }
  data.materials = std::move(merger.materials);
  if (data.indices.empty()) {
    Fail(error, name + ": the mesh has no triangles");
    return false;
  }
  out = std::move(data);
  return true;
}

std::unique_ptr<Mesh> CreateMesh(gpu::Device& device, const MeshData& data) {
  if (data.stride == 0 || data.stride != gpu::FvfVertexSize(data.fvf) ||
      data.vertices.size() % data.stride != 0)
    return nullptr;
  const size_t vertexCount = data.vertices.size() / data.stride;
  const size_t faceCount = data.indices.size() / 3;
  if (vertexCount == 0 || faceCount == 0 || data.indices.size() % 3 != 0) return nullptr;
  if (vertexCount > std::numeric_limits<uint16_t>::max()) return nullptr;  // 16-bit indices
  if (data.faceAttribute.size() != faceCount ||
      !std::is_sorted(data.faceAttribute.begin(), data.faceAttribute.end()))
    return nullptr;
  for (uint32_t i : data.indices)
    if (i >= vertexCount) return nullptr;

  const uint32_t subsets =
      std::max(static_cast<uint32_t>(data.materials.size()), data.faceAttribute.back() + 1);
  std::vector<DeviceMesh::Range> ranges(subsets);
  size_t face = 0;
  for (uint32_t k = 0; k < subsets; ++k) {
    DeviceMesh::Range& r = ranges[k];
    r.startIndex = static_cast<uint32_t>(face * 3);
    uint32_t lo = std::numeric_limits<uint32_t>::max(), hi = 0;
    for (; face < faceCount && data.faceAttribute[face] == k; ++face) {
      for (size_t c = 0; c < 3; ++c) {
        lo = std::min(lo, data.indices[face * 3 + c]);
        hi = std::max(hi, data.indices[face * 3 + c]);
      }
    }
    r.indexCount = static_cast<uint32_t>(face * 3) - r.startIndex;
    if (r.indexCount > 0) r.minVertex = lo, r.vertexCount = hi - lo + 1;
  }

  auto vb =
      device.CreateVertexBuffer(static_cast<uint32_t>(data.vertices.size()), gpu::usage::WriteOnly, data.fvf);
  auto ib = device.CreateIndexBuffer(static_cast<uint32_t>(data.indices.size() * 2), gpu::usage::WriteOnly);
  if (!vb || !ib) return nullptr;
  void* vdst = vb->Lock(0, 0, gpu::LockMode::Normal);
  if (!vdst) return nullptr;
  std::memcpy(vdst, data.vertices.data(), data.vertices.size());
  vb->Unlock();
  void* idst = ib->Lock(0, 0, gpu::LockMode::Normal);
  if (!idst) return nullptr;
  std::vector<uint16_t> narrow(data.indices.begin(), data.indices.end());
  std::memcpy(idst, narrow.data(), narrow.size() * sizeof(uint16_t));
  ib->Unlock();
  return std::make_unique<DeviceMesh>(device, std::move(vb), std::move(ib), data.fvf, data.stride,
                                      static_cast<uint32_t>(vertexCount), std::move(ranges));
}

}  // namespace plat::mesh
