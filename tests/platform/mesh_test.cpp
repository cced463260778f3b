// Meshes: .X loading (coordinates, winding, normals, texture v, materials, frames, failures), the box and
// sphere shapes, bounding spheres, vertex sizes, and drawing subsets of a mesh on a device.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "harness/capturing_device.h"
#include "platform/files.h"
#include "platform/mesh.h"
#include "scratch_assets_support.h"
#include "xfile.h"

namespace fs = std::filesystem;
namespace xfile = assetgen::xfile;
using math::Vec3;
using plat::mesh::MeshData;

namespace {

constexpr uint32_t kXyz = plat::gpu::fvf::XYZ, kNormal = plat::gpu::fvf::Normal,
                   kDiffuse = plat::gpu::fvf::Diffuse, kTex1 = plat::gpu::fvf::Tex1;

size_t VertexCount(const MeshData& d) {
  return d.vertices.size() / d.stride;
}

float FloatAt(const MeshData& d, size_t vertex, size_t byteOffset) {
  float f;
  std::memcpy(&f, d.vertices.data() + vertex * d.stride + byteOffset, sizeof f);
  return f;
}
Vec3 PositionOf(const MeshData& d, size_t v) {
  return {FloatAt(d, v, 0), FloatAt(d, v, 4), FloatAt(d, v, 8)};
}
Vec3 NormalOf(const MeshData& d, size_t v) {
  return {FloatAt(d, v, 12), FloatAt(d, v, 16), FloatAt(d, v, 20)};
}
// Corner c (0..2) of face f.
Vec3 Corner(const MeshData& d, size_t f, size_t c) {
  return PositionOf(d, d.indices[f * 3 + c]);
}
// The front-face normal of a clockwise face in a left-handed frame: (b - a) x (c - a).
Vec3 FaceNormal(const MeshData& d, size_t f) {
  const Vec3 a = Corner(d, f, 0);
  return math::Vec3Cross(Corner(d, f, 1) - a, Corner(d, f, 2) - a);
}

void ExpectVec3Near(Vec3 actual, Vec3 expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Corners near the plane z = 1 (0 bottom-left, 1 top-left, 2 bottom-right, 3 top-right seen from -z); two
// faces in two materials, the second material's face listed first: face 0 (1, 2, 0), face 1 (1, 2, 3).
xfile::Mesh TwoMaterialQuad() {
  xfile::Mesh m;
  m.name = "Quad";
  m.positions = {{-1.5f, -1, 1}, {-1.5f, 1, 1}, {2.25f, -1, 1}, {2.25f, 1, 1.5f}};
  m.faces = {{1, 2, 0}, {1, 2, 3}};
  m.normals = {{0, 0, -1}, {0, 0.6f, -0.8f}, {0.6f, 0, -0.8f}, {-0.8f, 0, -0.6f}};
  m.uvs = {{0, 0.25f}, {0, 0.75f}, {1, 0.125f}, {1, 1}};
  m.materials = {{{1, 0.5f, 0.25f, 1}, 12, {0.5f, 0.5f, 0.5f}, {0, 0, 0.25f}, "TestHull.bmp"},
                 {{0.25f, 0.5f, 1, 0.5f}, 0, {0, 0, 0}, {0, 0, 0}, ""}};
  m.faceMaterials = {1, 0};
  return m;
}

xfile::Frame FrameOf(xfile::Mesh mesh, xfile::Matrix transform = xfile::Identity()) {
  return {"Frame" + mesh.name, transform, {std::move(mesh)}, {}};
}

class MeshLoadTest : public ScratchAssetsTest {
 protected:
  MeshLoadTest() : ScratchAssetsTest("kv_mesh_") {}
  void Put(const std::string& name, const std::string& text) {
    std::ofstream(root_ / "Assets" / "Art" / name, std::ios::binary) << text;
  }
  bool Load(const std::string& name, MeshData& out, std::string* error = nullptr) {
    plat::FileSystem files(root_);
    return plat::mesh::LoadX(files, "Assets\\Art\\" + name, out, error);
  }
  MeshData LoadOk(const std::string& name) {
    MeshData out;
    std::string error;
    EXPECT_TRUE(Load(name, out, &error)) << error;
    return out;
  }
};

TEST_F(MeshLoadTest, KeepsTheFilesPositionsWindingNormalsAndTextureCoordinates) {
  Put("Quad.X", xfile::Write({FrameOf(TwoMaterialQuad())}));
  const MeshData d = LoadOk("Quad.X");
  EXPECT_EQ(d.fvf, kXyz | kNormal | kTex1);
  EXPECT_EQ(d.stride, 32u);
  ASSERT_EQ(d.indices.size(), 6u);
  ASSERT_EQ(d.faceAttribute, (std::vector<uint32_t>{0, 1}));

  // Grouped by material: output face 0 is the file's face 1 (1, 2, 3), output face 1 the file's face 0
  // (1, 2, 0); each keeps its corners in the file's order, coordinates unchanged (no z flip).
  EXPECT_EQ(Corner(d, 0, 0), (Vec3{-1.5f, 1, 1}));
  EXPECT_EQ(Corner(d, 0, 1), (Vec3{2.25f, -1, 1}));
  EXPECT_EQ(Corner(d, 0, 2), (Vec3{2.25f, 1, 1.5f}));
  EXPECT_EQ(Corner(d, 1, 0), (Vec3{-1.5f, 1, 1}));
  EXPECT_EQ(Corner(d, 1, 1), (Vec3{2.25f, -1, 1}));
  EXPECT_EQ(Corner(d, 1, 2), (Vec3{-1.5f, -1, 1}));
  // Top-left, bottom-right, bottom-left runs clockwise seen from -z: the front faces -z.
  EXPECT_LT(FaceNormal(d, 1).z, 0.0f);

  auto normalAt = [&](size_t face, size_t corner) { return NormalOf(d, d.indices[face * 3 + corner]); };
  auto uvAt = [&](size_t face, size_t corner) {
    const uint32_t v = d.indices[face * 3 + corner];
    return std::pair{FloatAt(d, v, 24), FloatAt(d, v, 28)};
  };
  EXPECT_EQ(normalAt(0, 0), (Vec3{0, 0.6f, -0.8f}));
  EXPECT_EQ(normalAt(0, 2), (Vec3{-0.8f, 0, -0.6f}));
  EXPECT_EQ(normalAt(1, 1), (Vec3{0.6f, 0, -0.8f}));
  EXPECT_EQ(normalAt(1, 2), (Vec3{0, 0, -1}));
  // v as written, not 1 - v.
  EXPECT_EQ(uvAt(1, 0), (std::pair{0.0f, 0.75f}));
  EXPECT_EQ(uvAt(1, 2), (std::pair{0.0f, 0.25f}));
  EXPECT_EQ(uvAt(0, 1), (std::pair{1.0f, 0.125f}));
  EXPECT_EQ(uvAt(0, 2), (std::pair{1.0f, 1.0f}));

  // Materials in file order with their colours and texture names.
  ASSERT_EQ(d.materials.size(), 2u);
  const plat::mesh::XMaterial& a = d.materials[0];
  EXPECT_EQ(a.textureFile, "TestHull.bmp");
  EXPECT_EQ((std::array{a.diffuse.r, a.diffuse.g, a.diffuse.b, a.diffuse.a}),
            (std::array{1.0f, 0.5f, 0.25f, 1.0f}));
  EXPECT_FLOAT_EQ(a.power, 12);
  EXPECT_FLOAT_EQ(a.specular.g, 0.5f);
  EXPECT_FLOAT_EQ(a.emissive.b, 0.25f);
  const plat::mesh::XMaterial& b = d.materials[1];
  EXPECT_EQ(b.textureFile, "");
  EXPECT_FLOAT_EQ(b.diffuse.b, 1);
  EXPECT_FLOAT_EQ(b.diffuse.a, 0.5f);
  EXPECT_FLOAT_EQ(b.power, 0);

  // One indexed draw per material on the recording device, in the loaded format.
  CapturingDevice device;
  auto mesh = plat::mesh::CreateMesh(device, d);
  ASSERT_NE(mesh, nullptr);
  device.BeginScene();
  mesh->DrawSubset(1);
  mesh->DrawSubset(0);
  device.EndScene();
  ASSERT_EQ(device.Log().Draws().size(), 2u);
  for (const auto& draw : device.Log().Draws()) {
    EXPECT_EQ(draw.primitiveCount, 1u);
    EXPECT_EQ(draw.state.fvf, kXyz | kNormal | kTex1);
    EXPECT_EQ(draw.state.streamStride, 32u);
  }
  EXPECT_EQ(device.Log().FailedLocks(), 0);
}

TEST_F(MeshLoadTest, FrameTransformsApplyChildFirstThenParent) {
  // Parent: translate (10, -20, 30). Child: a quarter turn about Y in row-vector form, x -> -z, z -> x.
  xfile::Mesh m;
  m.name = "Tri";
  m.positions = {{1, 0, 0}, {0, 2, 0}, {0, 0, 3}};
  m.faces = {{0, 1, 2}};
  m.normals = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  m.materials = {{}};
  xfile::Frame child{"Turn", {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}, {m}, {}};
  xfile::Frame parent{"Move", xfile::Translation(10, -20, 30), {}, {child}};
  Put("Tri.X", xfile::Write({parent}));
  const MeshData d = LoadOk("Tri.X");
  EXPECT_EQ(d.fvf, kXyz | kNormal);
  ASSERT_EQ(d.indices.size(), 3u);
  // Rotated then moved; moving first would put the first corner at (0, -20, -11).
  ExpectVec3Near(Corner(d, 0, 0), {10, -20, 29});
  ExpectVec3Near(Corner(d, 0, 1), {10, -18, 30});
  ExpectVec3Near(Corner(d, 0, 2), {13, -20, 30});
  ExpectVec3Near(NormalOf(d, d.indices[0]), {0, 0, -1});
  ExpectVec3Near(NormalOf(d, d.indices[2]), {1, 0, 0});
}

TEST_F(MeshLoadTest, ScaledFramesTurnNormalsByTheInverseTransposeAndKeepThemUnit) {
  xfile::Mesh m;
  m.name = "Slope";
  m.positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
  m.faces = {{0, 1, 2}};
  const float h = std::sqrt(0.5f);
  m.normals = {{h, h, 0}, {h, h, 0}, {h, h, 0}};
  m.materials = {{}};
  xfile::Matrix stretch = xfile::Identity();
  stretch[0] = 2;  // x doubled
  Put("Slope.X", xfile::Write({FrameOf(m, stretch)}));
  const MeshData d = LoadOk("Slope.X");
  ExpectVec3Near(Corner(d, 0, 2), {2, 0, 0});
  // (1, 1, 0) through diag(1/2, 1, 1) is (0.5, 1, 0), normalised (0.4472136, 0.8944272, 0).
  ExpectVec3Near(NormalOf(d, d.indices[0]), {0.4472136f, 0.8944272f, 0});
}

TEST_F(MeshLoadTest, EveryFrameIsMergedWithFacesGroupedByMaterial) {
  xfile::Mesh a = TwoMaterialQuad();
  xfile::Mesh b = TwoMaterialQuad();
  b.name = "Other";
  b.faceMaterials = {0, 0};
  b.materials = {{{0, 1, 0, 1}, 3, {0, 0, 0}, {0, 0, 0}, "TestGlow.bmp"}};
  Put("Two.X", xfile::Write({FrameOf(a), FrameOf(b, xfile::Translation(0, 0, 100))}));
  const MeshData d = LoadOk("Two.X");
  ASSERT_EQ(d.materials.size(), 3u);
  EXPECT_EQ(d.materials[0].textureFile, "TestHull.bmp");
  EXPECT_EQ(d.materials[1].textureFile, "");
  EXPECT_EQ(d.materials[2].textureFile, "TestGlow.bmp");
  EXPECT_EQ(d.faceAttribute, (std::vector<uint32_t>{0, 1, 2, 2}));
  // The second frame's faces sit 100 further along z, in their own file order.
  EXPECT_EQ(Corner(d, 2, 0), (Vec3{-1.5f, 1, 101}));
  EXPECT_EQ(Corner(d, 2, 1), (Vec3{2.25f, -1, 101}));
  EXPECT_EQ(Corner(d, 3, 2), (Vec3{2.25f, 1, 101.5f}));
}

TEST_F(MeshLoadTest, AFileWithoutNormalsOrTextureCoordinatesHasPositionsOnly) {
  xfile::Mesh m = TwoMaterialQuad();
  m.normals.clear();
  m.uvs.clear();
  m.materials[0].texture = "Env_Bump Specular.bmp";  // looks like another map kind, still the texture
  Put("Bare.X", xfile::Write({FrameOf(m)}));
  const MeshData d = LoadOk("Bare.X");
  EXPECT_EQ(d.fvf, kXyz);
  EXPECT_EQ(d.stride, 12u);
  EXPECT_EQ(Corner(d, 1, 1), (Vec3{2.25f, -1, 1}));
  EXPECT_EQ(d.materials[0].textureFile, "Env_Bump Specular.bmp");
}

TEST_F(MeshLoadTest, VertexColoursBecomeArgbWords) {
  Put("Coloured.X",
      "xof 0303txt 0032\n"
      "Frame F {\n FrameTransformMatrix {\n  1.0,0.0,0.0,0.0,\n  0.0,1.0,0.0,0.0,\n  0.0,0.0,1.0,0.0,\n"
      "  0.0,0.0,0.0,1.0;;\n }\n"
      " Mesh M {\n  3;\n  0.0;0.0;0.0;,\n  0.0;1.0;0.0;,\n  1.0;0.0;0.0;;\n  1;\n  3;0,1,2;;\n"
      "  MeshVertexColors {\n   3;\n   0;1.0;0.0;0.0;1.0;,\n   1;0.0;1.0;0.0;0.5;,\n   2;0.0;0.0;1.0;0.0;;\n "
      " }\n"
      " }\n}\n");
  const MeshData d = LoadOk("Coloured.X");
  EXPECT_EQ(d.fvf, kXyz | kDiffuse);
  EXPECT_EQ(d.stride, 16u);
  auto colourAt = [&](size_t corner) {
    uint32_t argb;
    std::memcpy(&argb, d.vertices.data() + d.indices[corner] * d.stride + 12, 4);
    return argb;
  };
  EXPECT_EQ(colourAt(0), 0xFFFF0000u);
  EXPECT_EQ(colourAt(1), 0x8000FF00u);
  EXPECT_EQ(colourAt(2), 0x000000FFu);
}

TEST_F(MeshLoadTest, MissingOrBrokenFilesFailWithTheFileNamed) {
  MeshData out;
  out.fvf = 0x777;
  std::string error;
  EXPECT_FALSE(Load("Absent.X", out, &error));
  EXPECT_NE(error.find("Assets\\Art\\Absent.X"), std::string::npos) << error;

  const std::string quad = xfile::Write({FrameOf(TwoMaterialQuad())});
  const std::vector<std::pair<std::string, std::string>> broken = {
      {"Empty.X", ""},
      {"Garbage.X", "this is not a mesh at all"},
      {"HeaderOnly.X", "xof 0303txt 0032\n"},
      {"Truncated.X", quad.substr(0, quad.size() / 2)},
      {"BadCount.X", "xof 0303txt 0032\nMesh A {\n 3;\n 0.0;0.0;0.0;,\n 1.0;1.0;1.0;;\n 7;\n 3;0,1,2;;\n}\n"},
      {"Binary.X", std::string("xof 0303bin 0032\x01\x02\x03\xff\xfe", 21)},
  };
  for (const auto& [name, text] : broken) {
    Put(name, text);
    error.clear();
    EXPECT_FALSE(Load(name, out, &error)) << name;
    EXPECT_NE(error.find("Assets\\Art\\" + name), std::string::npos) << error;
  }
  EXPECT_EQ(out.fvf, 0x777u);                    // untouched on failure
  EXPECT_FALSE(Load("Absent.X", out, nullptr));  // no reason wanted: still no crash
}

TEST(MeshBoundingSphere, MeanOfPositionsAndFarthestDistance) {
  MeshData d;
  d.fvf = kXyz;
  d.stride = 12;
  const float points[] = {0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0, 3};
  d.vertices.resize(sizeof points);
  std::memcpy(d.vertices.data(), points, sizeof points);
  Vec3 centre;
  float radius = 0;
  ASSERT_TRUE(plat::mesh::ComputeBoundingSphere(d, &centre, &radius));
  ExpectVec3Near(centre, {0.75f, 0.75f, 0.75f});
  EXPECT_NEAR(radius, std::sqrt(6.1875f), 1e-5f);  // (3, 0, 0) is farthest: 2.25^2 + 2 * 0.75^2

  d.vertices.clear();
  EXPECT_FALSE(plat::mesh::ComputeBoundingSphere(d, &centre, &radius));
}

// Every face of a closed, convex shape around the origin faces outward: its clockwise front normal points
// away from the centre and agrees with its vertex normals.
void ExpectOutwardClockwise(const MeshData& d) {
  for (size_t f = 0; f < d.indices.size() / 3; ++f) {
    const Vec3 n = FaceNormal(d, f);
    const Vec3 middle = (Corner(d, f, 0) + Corner(d, f, 1) + Corner(d, f, 2)) / 3;
    EXPECT_GT(math::Vec3Dot(n, middle), 0.0f) << "face " << f;
    for (size_t c = 0; c < 3; ++c)
      EXPECT_GT(math::Vec3Dot(n, NormalOf(d, d.indices[f * 3 + c])), 0.0f) << "face " << f;
  }
}

TEST(MeshShapes, BoxHasFaceNormalsAndClockwiseOutwardFaces) {
  const MeshData d = plat::mesh::MakeBox(2, 4, 6);
  EXPECT_EQ(d.fvf, kXyz | kNormal);
  EXPECT_EQ(d.stride, 24u);
  ASSERT_EQ(VertexCount(d), 24u);
  ASSERT_EQ(d.indices.size(), 36u);
  EXPECT_EQ(d.faceAttribute, std::vector<uint32_t>(12, 0));
  for (size_t v = 0; v < 24; ++v) {
    const Vec3 p = PositionOf(d, v), n = NormalOf(d, v);
    EXPECT_EQ(std::fabs(p.x), 1.0f);
    EXPECT_EQ(std::fabs(p.y), 2.0f);
    EXPECT_EQ(std::fabs(p.z), 3.0f);
    EXPECT_EQ(math::Vec3LengthSq(n), 1.0f);
    // The normal is the axis of the face the corner lies on.
    EXPECT_EQ(math::Vec3Dot(p, n), std::fabs(n.x) * 1 + std::fabs(n.y) * 2 + std::fabs(n.z) * 3);
  }
  ExpectOutwardClockwise(d);
  Vec3 centre;
  float radius = 0;
  ASSERT_TRUE(plat::mesh::ComputeBoundingSphere(d, &centre, &radius));
  ExpectVec3Near(centre, {0, 0, 0});
  EXPECT_NEAR(radius, std::sqrt(14.0f), 1e-5f);
}

TEST(MeshShapes, SphereHasPolesRingsOutwardNormalsAndClockwiseFaces) {
  const MeshData d = plat::mesh::MakeSphere(2, 8, 5);
  EXPECT_EQ(d.fvf, kXyz | kNormal);
  ASSERT_EQ(VertexCount(d), 8u * 4 + 2);
  ASSERT_EQ(d.indices.size(), 3u * 2 * 8 * 4);
  for (size_t v = 0; v < VertexCount(d); ++v) {
    EXPECT_NEAR(math::Vec3Length(PositionOf(d, v)), 2.0f, 1e-5f);
    ExpectVec3Near(NormalOf(d, v), PositionOf(d, v) / 2);
  }
  for (uint32_t i : d.indices) EXPECT_LT(i, VertexCount(d));
  ExpectOutwardClockwise(d);
  EXPECT_TRUE(plat::mesh::MakeSphere(1, 1, 5).vertices.empty());
}

TEST(MeshFvf, VertexSizesOfTheFormatsInUse) {
  EXPECT_EQ(plat::gpu::FvfVertexSize(0x112), 32u);
  EXPECT_EQ(plat::gpu::FvfVertexSize(0x144), 28u);
  EXPECT_EQ(plat::gpu::FvfVertexSize(0x042), 16u);
  EXPECT_EQ(plat::gpu::FvfVertexSize(0x012), 24u);
  EXPECT_EQ(plat::gpu::FvfVertexSize(0x002), 12u);
  EXPECT_EQ(plat::gpu::FvfVertexSize(0x152), 36u);
}

// Three materials: faces 0-1 on vertices 0-3, none on material 1, faces 2-4 on vertices 5-8 (vertex 4
// unused).
MeshData ThreeSubsets() {
  MeshData d;
  d.fvf = kXyz | kNormal;
  d.stride = 24;
  d.vertices.resize(9 * 24);
  for (size_t i = 0; i < d.vertices.size(); ++i) d.vertices[i] = static_cast<uint8_t>(i * 7);
  d.indices = {0, 1, 2, 0, 2, 3, 5, 6, 7, 5, 7, 8, 8, 7, 6};
  d.faceAttribute = {0, 0, 2, 2, 2};
  d.materials.resize(3);
  return d;
}

TEST(MeshDraw, EachSubsetDrawsItsOwnIndexRangeAndChangesNoOtherState) {
  CapturingDevice device;
  const MeshData d = ThreeSubsets();
  auto mesh = plat::mesh::CreateMesh(device, d);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->VertexCount(), 9u);
  EXPECT_EQ(mesh->Fvf(), kXyz | kNormal);
  EXPECT_EQ(mesh->SubsetCount(), 3u);
  // The buffers hold the vertices as given and the indices as 16 bits.
  ASSERT_NE(device.lastVertexBuffer, nullptr);
  ASSERT_NE(device.lastIndexBuffer, nullptr);
  ASSERT_EQ(device.lastVertexBuffer->SizeBytes(), d.vertices.size());
  const auto* vertices =
      static_cast<const uint8_t*>(device.lastVertexBuffer->Lock(0, 0, plat::gpu::LockMode::Normal));
  ASSERT_NE(vertices, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(vertices, vertices + d.vertices.size()), d.vertices);
  device.lastVertexBuffer->Unlock();
  ASSERT_EQ(device.lastIndexBuffer->SizeBytes(), 30u);
  std::vector<uint16_t> indices(15);
  const void* indexBytes = device.lastIndexBuffer->Lock(0, 0, plat::gpu::LockMode::Normal);
  ASSERT_NE(indexBytes, nullptr);
  std::memcpy(indices.data(), indexBytes, 30);
  device.lastIndexBuffer->Unlock();
  EXPECT_EQ(indices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 5, 6, 7, 5, 7, 8, 8, 7, 6}));

  const plat::headless::DeviceState before = device.Log().State();
  const size_t eventsBefore = device.Log().Events().size();
  mesh->DrawSubset(0);
  mesh->DrawSubset(1);  // no faces: nothing drawn
  mesh->DrawSubset(2);
  mesh->DrawSubset(3);  // out of range: nothing drawn
  ASSERT_EQ(device.indexedDraws.size(), 2u);
  const CapturingDevice::IndexedDraw& a = device.indexedDraws[0];
  EXPECT_EQ(a.baseVertex, 0);
  EXPECT_EQ(a.minIndex, 0u);
  EXPECT_EQ(a.numVertices, 4u);
  EXPECT_EQ(a.startIndex, 0u);
  EXPECT_EQ(a.primitiveCount, 2u);
  const CapturingDevice::IndexedDraw& b = device.indexedDraws[1];
  EXPECT_EQ(b.minIndex, 5u);
  EXPECT_EQ(b.numVertices, 4u);
  EXPECT_EQ(b.startIndex, 6u);
  EXPECT_EQ(b.primitiveCount, 3u);
  for (const auto& draw : device.Log().Draws()) {
    EXPECT_EQ(draw.primitive, plat::gpu::Primitive::TriangleList);
    EXPECT_EQ(draw.state.fvf, kXyz | kNormal);
    EXPECT_EQ(draw.state.streamStride, 24u);
    EXPECT_EQ(draw.state.stream, "VertexBuffer1");
    EXPECT_EQ(draw.state.indices, "IndexBuffer1");
  }
  // Only the draws: no texture, shader, target or state changes of its own.
  EXPECT_EQ(std::vector<std::string>(device.Log().Events().begin() + std::ptrdiff_t(eventsBefore),
                                     device.Log().Events().end()),
            (std::vector<std::string>{"Draw DrawIndexedPrimitive TriangleList 2",
                                      "Draw DrawIndexedPrimitive TriangleList 3"}));
  const plat::headless::DeviceState& after = device.Log().State();
  EXPECT_EQ(after.renderStates, before.renderStates);
  EXPECT_EQ(after.stageStates, before.stageStates);
  EXPECT_EQ(after.samplerStates, before.samplerStates);
}

TEST(MeshDraw, CreationFailsCleanlyOnBadDataTooManyVerticesOrDeviceFailure) {
  for (bool refuseLocks : {false, true}) {
    CapturingDevice device;
    device.refuseVertexBuffers = device.refuseIndexBuffers = !refuseLocks;
    device.refuseLocks = refuseLocks;
    EXPECT_EQ(plat::mesh::CreateMesh(device, ThreeSubsets()), nullptr) << refuseLocks;
  }
  CapturingDevice device;
  MeshData outOfRange = ThreeSubsets();
  outOfRange.indices[4] = 9;
  EXPECT_EQ(plat::mesh::CreateMesh(device, outOfRange), nullptr);
  MeshData unsorted = ThreeSubsets();
  unsorted.faceAttribute = {2, 2, 0, 0, 0};
  EXPECT_EQ(plat::mesh::CreateMesh(device, unsorted), nullptr);
  MeshData wrongStride = ThreeSubsets();
  wrongStride.stride = 32;
  EXPECT_EQ(plat::mesh::CreateMesh(device, wrongStride), nullptr);
  EXPECT_EQ(plat::mesh::CreateMesh(device, MeshData{}), nullptr);

  // 16-bit indices address 65535 vertices at most.
  MeshData big;
  big.fvf = kXyz;
  big.stride = 12;
  big.vertices.resize(65535 * 12);
  big.indices = {0, 1, 65534};
  big.faceAttribute = {0};
  EXPECT_NE(plat::mesh::CreateMesh(device, big), nullptr);
  big.vertices.resize(65536 * 12);
  EXPECT_EQ(plat::mesh::CreateMesh(device, big), nullptr);
}

// The generator's meshes as the game loads them.
class GeneratedMeshTest : public ::testing::Test {
 protected:
  MeshData LoadGenerated(const std::string& name) {
    const char* dir = std::getenv("KV_ASSETS_DIR");
    EXPECT_NE(dir, nullptr);
    plat::FileSystem files(fs::path(dir ? dir : ".").parent_path());
    MeshData d;
    std::string error;
    EXPECT_TRUE(plat::mesh::LoadX(files, "Assets\\Art\\" + name, d, &error)) << error;
    return d;
  }
};

// For a closed mesh with outward clockwise faces the signed volume sum of a . (b x c) / 6 is positive.
float SignedVolume(const MeshData& d) {
  float sum = 0;
  for (size_t f = 0; f < d.indices.size() / 3; ++f)
    sum += math::Vec3Dot(Corner(d, f, 0), math::Vec3Cross(Corner(d, f, 1), Corner(d, f, 2)));
  return sum / 6;
}

TEST_F(GeneratedMeshTest, TestHullIsAClosedTexturedHullInTwoMaterials) {
  const MeshData d = LoadGenerated("TestHull.X");
  EXPECT_EQ(d.fvf, kXyz | kNormal | kTex1);
  ASSERT_EQ(d.materials.size(), 2u);
  EXPECT_EQ(d.materials[0].textureFile, "TestHull.bmp");
  EXPECT_EQ(d.materials[1].textureFile, "TestHull.bmp");
  const size_t faces = d.indices.size() / 3;
  EXPECT_GE(faces, 200u);
  EXPECT_LE(faces, 600u);
  ASSERT_FALSE(d.faceAttribute.empty());
  EXPECT_EQ(d.faceAttribute.front(), 0u);
  EXPECT_EQ(d.faceAttribute.back(), 1u);
  EXPECT_GT(SignedVolume(d), 0.0f);
  // Smooth normals agree with the faces around them.
  for (size_t f = 0; f < faces; ++f)
    EXPECT_GT(math::Vec3Dot(FaceNormal(d, f), NormalOf(d, d.indices[f * 3])), 0.0f) << "face " << f;
  Vec3 centre;
  float radius = 0;
  ASSERT_TRUE(plat::mesh::ComputeBoundingSphere(d, &centre, &radius));
  EXPECT_GT(radius, 6.0f);
  EXPECT_LT(radius, 10.0f);
}

TEST_F(GeneratedMeshTest, WingCubeAndBenchRockLoadWithTheirTexturesAndOutwardFaces) {
  const MeshData wing = LoadGenerated("TestWing.X");
  EXPECT_EQ(wing.fvf, kXyz | kNormal | kTex1);
  ASSERT_EQ(wing.materials.size(), 1u);
  EXPECT_EQ(wing.materials[0].textureFile, "TestGlow.bmp");
  EXPECT_EQ(wing.indices.size(), 36u);
  EXPECT_GT(SignedVolume(wing), 0.0f);

  const MeshData cube = LoadGenerated("TestCube.X");
  EXPECT_EQ(cube.fvf, kXyz | kNormal);
  ASSERT_EQ(cube.materials.size(), 1u);
  EXPECT_EQ(cube.materials[0].textureFile, "");
  EXPECT_EQ(VertexCount(cube), 24u);
  EXPECT_EQ(cube.indices.size(), 36u);
  ExpectOutwardClockwise(cube);
  Vec3 centre;
  float radius = 0;
  ASSERT_TRUE(plat::mesh::ComputeBoundingSphere(cube, &centre, &radius));
  ExpectVec3Near(centre, {0, 0, 0});
  EXPECT_NEAR(radius, std::sqrt(0.75f), 1e-5f);

  const MeshData rock = LoadGenerated("BenchRock.X");
  EXPECT_EQ(rock.fvf, kXyz | kNormal | kTex1);
  EXPECT_EQ(rock.indices.size(), 3000u);
  ASSERT_EQ(rock.materials.size(), 1u);
  EXPECT_EQ(rock.materials[0].textureFile, "TestHull.bmp");
  ExpectOutwardClockwise(rock);
}

}  // namespace
