// .X loading through assimp into one merged MeshData in the file's own convention, and the drawable mesh
// (vertex buffer, 16-bit index buffer, one index range per material) on a device.
#include "platform/mesh.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/files.h"
#include "platform/sanitizer.h"

namespace plat::mesh {
namespace {

// assimp's .X importer turns the file into a right-handed scene: it negates z (positions, normals and, by
// conjugation, every frame transform), reverses the corner order of each face and stores v as 1 - v.
// The loader undoes exactly that, so MeshData holds the file's coordinates and winding.
constexpr unsigned kImportFlags = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices;

// assimp 5.2's .X parser does its work inside its constructor, so when a malformed file makes it throw, the
// partly built scene is never freed: a few kilobytes per failed file that no caller can release. The leak
// checker is told to look away for the duration of the import only.
using ImportLeakScope = ForeignLeakScope;

void Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

bool IsIdentity3x3(const aiMatrix4x4& m) {
  return m.a1 == 1 && m.a2 == 0 && m.a3 == 0 && m.b1 == 0 && m.b2 == 1 && m.b3 == 0 && m.c1 == 0 &&
         m.c2 == 0 && m.c3 == 1;
}

gpu::ColorF ToColor(const aiColor4D& c) {
  return {c.r, c.g, c.b, c.a};
}

uint32_t ToArgb(const aiColor4D& c) {
  auto byte = [](float v) {
    v = std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f;
    return static_cast<uint32_t>(std::lround(v * 255.0f));
  };
  return byte(c.a) << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

XMaterial ConvertMaterial(const aiMaterial& source) {
  XMaterial m;
  aiColor4D diffuse(1, 1, 1, 1);
  source.Get(AI_MATKEY_COLOR_DIFFUSE, diffuse);
  m.diffuse = ToColor(diffuse);
  float power = 0;
  if (source.Get(AI_MATKEY_SHININESS, power) == aiReturn_SUCCESS) m.power = power;
  aiColor3D specular(0, 0, 0), emissive(0, 0, 0);
  source.Get(AI_MATKEY_COLOR_SPECULAR, specular);
  source.Get(AI_MATKEY_COLOR_EMISSIVE, emissive);
  m.specular = {specular.r, specular.g, specular.b, 1.0f};
  m.emissive = {emissive.r, emissive.g, emissive.b, 1.0f};
  // The importer files a texture under a kind guessed from its name ("bump", "specular", "env", ...); a .X
  // material has a single texture, so take whichever kind holds it, diffuse first.
  static constexpr std::array kKinds = {aiTextureType_DIFFUSE,  aiTextureType_AMBIENT, aiTextureType_SPECULAR,
                                        aiTextureType_EMISSIVE, aiTextureType_HEIGHT,  aiTextureType_NORMALS,
                                        aiTextureType_UNKNOWN};
  for (aiTextureType kind : kKinds) {
    aiString name;
    if (source.GetTextureCount(kind) > 0 && source.GetTexture(kind, 0, &name) == aiReturn_SUCCESS) {
      m.textureFile = name.C_Str();
      break;
    }
  }
  return m;
}

struct Merger {
  const aiScene& scene;
  uint32_t fvf = gpu::fvf::XYZ;
  uint32_t stride = 12;
  uint32_t normalOffset = 0, diffuseOffset = 0, texOffset = 0;
  std::vector<uint8_t> vertices;
  uint32_t vertexCount = 0;
  std::vector<std::vector<uint32_t>> facesByMaterial;  // corner indices, file order

  explicit Merger(const aiScene& s) : scene(s), facesByMaterial(std::max(1u, s.mNumMaterials)) {
    for (unsigned i = 0; i < s.mNumMeshes; ++i) {
      const aiMesh& m = *s.mMeshes[i];
      if (m.HasNormals()) fvf |= gpu::fvf::Normal;
      if (m.HasVertexColors(0)) fvf |= gpu::fvf::Diffuse;
      if (m.HasTextureCoords(0)) fvf |= gpu::fvf::Tex1;
    }
    if (fvf & gpu::fvf::Normal) normalOffset = stride, stride += 12;
    if (fvf & gpu::fvf::Diffuse) diffuseOffset = stride, stride += 4;
    if (fvf & gpu::fvf::Tex1) texOffset = stride, stride += 8;
  }

  void Put(size_t at, const void* data, size_t bytes) { std::memcpy(vertices.data() + at, data, bytes); }

  void AddMesh(const aiMesh& mesh, const aiMatrix4x4& world, const aiMatrix3x3& normalMatrix,
               bool rigidNormals) {
    const uint32_t base = vertexCount;
    vertexCount += mesh.mNumVertices;
    vertices.resize(static_cast<size_t>(vertexCount) * stride, 0);
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
      const size_t at = static_cast<size_t>(base + v) * stride;
      const aiVector3D p = world * mesh.mVertices[v];
      const float position[3] = {p.x, p.y, -p.z};
      Put(at, position, sizeof position);
      if (mesh.HasNormals()) {
        aiVector3D n = mesh.mNormals[v];
        if (!rigidNormals) {
          n = normalMatrix * n;
          const float length = n.Length();
          if (length > 0) n /= length;
        }
        const float normal[3] = {n.x, n.y, -n.z};
        Put(at + normalOffset, normal, sizeof normal);
      }
      if (mesh.HasVertexColors(0)) {
        const uint32_t argb = ToArgb(mesh.mColors[0][v]);
        Put(at + diffuseOffset, &argb, sizeof argb);
      } else if (fvf & gpu::fvf::Diffuse) {
        const uint32_t white = 0xFFFFFFFFu;
        Put(at + diffuseOffset, &white, sizeof white);
      }
      if (mesh.HasTextureCoords(0)) {
        const aiVector3D t = mesh.mTextureCoords[0][v];
        const float uv[2] = {t.x, 1.0f - t.y};
        Put(at + texOffset, uv, sizeof uv);
      }
    }
    const unsigned material = mesh.mMaterialIndex < facesByMaterial.size() ? mesh.mMaterialIndex : 0;
    std::vector<uint32_t>& faces = facesByMaterial[material];
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mNumIndices != 3) continue;  // points and lines are not drawn
      // Reversed back into the file's order.
      faces.insert(faces.end(), {base + face.mIndices[2], base + face.mIndices[1], base + face.mIndices[0]});
    }
  }

  void AddNode(const aiNode& node, const aiMatrix4x4& parent) {
    const aiMatrix4x4 world = parent * node.mTransformation;
    const bool rigid = IsIdentity3x3(world);
    // Normals go by the inverse transpose; a singular frame (a zero scale) keeps the plain 3x3.
    aiMatrix3x3 normalMatrix(world);
    const float det = normalMatrix.Determinant();
    if (det != 0 && std::isfinite(det)) normalMatrix.Inverse().Transpose();
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
      if (node.mMeshes[i] < scene.mNumMeshes)
        AddMesh(*scene.mMeshes[node.mMeshes[i]], world, normalMatrix, rigid);
    }
    for (unsigned c = 0; c < node.mNumChildren; ++c) AddNode(*node.mChildren[c], world);
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
  if (!files.ReadAll(gamePath, bytes)) {
    Fail(error, name + ": cannot read the file");
    return false;
  }
  if (bytes.empty()) {
    Fail(error, name + ": the file is empty");
    return false;
  }
  Assimp::Importer importer;
  const aiScene* scene = nullptr;
  {
    [[maybe_unused]] ImportLeakScope scope;
    scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), kImportFlags, "x");
  }
  if (!scene || !scene->mRootNode || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)) {
    Fail(error, name + ": not a readable .X mesh (" + importer.GetErrorString() + ")");
    return false;
  }

  Merger merger(*scene);
  aiMatrix4x4 identity;
  merger.AddNode(*scene->mRootNode, identity);

  MeshData data;
  data.fvf = merger.fvf;
  data.stride = merger.stride;
  data.vertices = std::move(merger.vertices);
  for (size_t m = 0; m < merger.facesByMaterial.size(); ++m) {
    const std::vector<uint32_t>& faces = merger.facesByMaterial[m];
    data.indices.insert(data.indices.end(), faces.begin(), faces.end());
    data.faceAttribute.insert(data.faceAttribute.end(), faces.size() / 3, static_cast<uint32_t>(m));
  }
  for (unsigned m = 0; m < scene->mNumMaterials; ++m)
    data.materials.push_back(ConvertMaterial(*scene->mMaterials[m]));
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
