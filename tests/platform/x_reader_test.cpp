// Text .X reading: malformed files refused with their line, the damaged files that once crashed the loader,
// what a load may allocate against the file's size, and the constructs accepted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/mesh.h"
#include "platform/x_reader.h"
#include "scratch_assets_support.h"

// Every allocation of the test is counted, so a test can bound the peak a load reaches.
namespace {
size_t gLiveBytes = 0, gPeakBytes = 0;
constexpr size_t kHeader = 16;  // keeps the size in front of each block, alignment kept
}  // namespace

void* operator new(size_t size) {
  auto* block = static_cast<size_t*>(std::malloc(size + kHeader));
  if (block == nullptr) throw std::bad_alloc();
  *block = size;
  gLiveBytes += size;
  gPeakBytes = std::max(gPeakBytes, gLiveBytes);
  return reinterpret_cast<char*>(block) + kHeader;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  auto* block = reinterpret_cast<size_t*>(static_cast<char*>(p) - kHeader);
  gLiveBytes -= *block;
  std::free(block);
}
void operator delete(void* p, size_t) noexcept {
  operator delete(p);
}

namespace {

namespace fs = std::filesystem;
using math::Vec3;
using plat::mesh::MeshData;

// The most a load may hold at once beyond what it returns, against the file's size.
size_t AllowedBytes(size_t fileSize) {
  return 32 * fileSize + 16 * 1024;
}

// Peak bytes allocated while `load` runs, above what was live before it.
template <typename Load>
size_t PeakDuring(Load load) {
  const size_t before = gLiveBytes;
  gPeakBytes = before;
  load();
  return gPeakBytes - before;
}

const std::string kHead = "xof 0303txt 0032\n";
// A triangle mesh left open on line 8, for the blocks a case appends.
const std::string kTriangle = kHead + "Mesh M {\n3;\n0;0;0;,\n0;1;0;,\n1;0;0;;\n1;\n3;0,1,2;;\n";
const std::string kMaterial = "Material {\n1;1;1;1;;\n0;\n0;0;0;;\n0;0;0;;\n}\n";

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// The triangle with one material whose TextureFilename (on line 18) holds `name` (on line 19).
std::string WithTexture(const std::string& name) {
  return kTriangle + "MeshMaterialList {\n1;\n1;\n0;;\nMaterial {\n1;1;1;1;;\n0;\n0;0;0;;\n0;0;0;;\n" +
         "TextureFilename {\n" + name + "\n}\n}\n}\n}\n";
}

TEST(XReader, MalformedFilesAreRefusedWithTheLineAndReason) {
  const struct {
    const char* what;
    std::string text, reason;
  } cases[] = {
      {"no header", "Mesh M {}", "not a .X file"},
      {"compressed", "xof 0303tzip0032", "compressed .X files are not supported"},
      {"other format", "xof 0303abcd0032", "unknown .X format"},
      {"vertex count past the data", kHead + "Mesh M {\n4000000000;\n0;0;0;;\n1;\n3;0,0,0;;\n}\n",
       "line 7: expected a number, found '}'"},
      {"negative count", kHead + "Mesh M {\n-3;\n",
       "line 3: expected the vertex count (a whole number), found \"-3\""},
      {"word for a number", kHead + "Mesh M {\n1;\n0;abc;0;;\n", "line 4: expected a number, found \"abc\""},
      {"trailing characters", kHead + "Mesh M {\n1;\n0;1.5x;0;;\n",
       "line 4: expected a number, found \"1.5x\""},
      {"out of range", kHead + "Mesh M {\n1;\n0;1e999;0;;\n", "line 4: expected a number, found \"1e999\""},
      {"not finite", kHead + "Mesh M {\n1;\n0;nan;0;;\n", "line 4: the number \"nan\" is not finite"},
      {"face count past the data", kHead + "Mesh M {\n3;\n0;0;0;,\n0;1;0;,\n1;0;0;;\n5;\n3;0,1,2;;\n}\n",
       "line 9: expected a face's index count (a whole number), found '}'"},
      {"vertex index past the list", kHead + "Mesh M {\n3;\n0;0;0;,\n0;1;0;,\n1;0;0;;\n1;\n3;0,1,3;;\n}\n",
       "line 8: vertex index 3 is past the end of its list of 3"},
      {"more values than counted", kTriangle + "7;\n}\n",
       "line 9: Mesh holds more values than its counts say"},
      {"missing brace", kHead + "Mesh M 3;\n", "line 2: expected '{' to open \"Mesh\", found \"3\""},
      {"file ends in a mesh", kTriangle, "line 9: expected '}' to close Mesh, found the end of the file"},
      {"unclosed unknown object", kHead + "Thing {\n{\n",
       "line 4: the object opened on line 2 is never closed"},
      {"stray brace", kHead + "}\n", "line 2: expected a data object, found '}'"},
      {"frames too deep", kHead + Repeat("Frame {\n", 70), "line 66: objects nested more than 64 deep"},
      {"skipped object too deep", kHead + Repeat("Thing {\n", 70),
       "line 66: objects nested more than 64 deep"},
      {"normal face count", kTriangle + "MeshNormals {\n1;\n0;0;1;;\n2;\n3;0,0,0;,\n3;0,0,0;;\n}\n}\n",
       "line 12: MeshNormals lists 2 faces, the mesh has 1"},
      {"normal face size", kTriangle + "MeshNormals {\n1;\n0;0;1;;\n1;\n4;0,0,0,0;;\n}\n}\n",
       "line 13: normal face 0 has 4 indices, its face has 3"},
      {"texture coordinate count", kTriangle + "MeshTextureCoords {\n2;\n0;0;,\n1;1;;\n}\n}\n",
       "line 10: MeshTextureCoords lists 2 coordinates, the mesh has 3 vertices"},
      {"vertex colour index", kTriangle + "MeshVertexColors {\n1;\n3;1;1;1;1;;\n}\n}\n",
       "line 11: vertex colour index 3 is past the end of its list of 3"},
      {"material index past the list", kTriangle + "MeshMaterialList {\n1;\n1;\n1;;\n" + kMaterial + "}\n}\n",
       "line 12: material index 1 is past the end of its list of 1"},
      {"face material count", kTriangle + "MeshMaterialList {\n1;\n2;\n0,0;;\n" + kMaterial + "}\n}\n",
       "line 9: MeshMaterialList gives 2 face materials, the mesh has 1 faces"},
      {"unknown material reference", kTriangle + "MeshMaterialList {\n1;\n1;\n0;;\n{ Nowhere }\n}\n}\n",
       "line 13: no material named \"Nowhere\""},
      {"too many materials",
       kHead + "Material A {\n1;1;1;1;;\n0;\n0;0;0;;\n0;0;0;;\n}\n" + kTriangle.substr(kHead.size()) +
           "MeshMaterialList {\n257;\n1;\n0;;\n" + Repeat("{A}\n", 257) + "}\n}\n",
       "line 275: more than 256 materials in the file"},
      {"unquoted texture", WithTexture("Hull.bmp;"),
       "line 19: expected a quoted texture file name, found \"Hull.bmp\""},
      {"unterminated texture", WithTexture("\"Hull.bmp;"),
       "line 19: expected a quoted texture file name, found a string without its closing quote"},
      {"texture name too long", WithTexture("\"" + std::string(261, 'a') + "\";"),
       "line 19: a texture file name longer than 260 characters"},
  };
  for (const auto& c : cases) {
    std::vector<plat::mesh::XMesh> meshes;
    std::string error;
    bool read = true;
    const size_t peak = PeakDuring([&] { read = plat::mesh::ReadX(c.text, meshes, &error); });
    EXPECT_FALSE(read) << c.what;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    EXPECT_LE(peak, AllowedBytes(c.text.size())) << c.what;
  }
}

// The damaged files that crashed the earlier loader or made it allocate gigabytes.
TEST(XReader, DamagedFilesFailWithTheFileNamedAndAllocateLittle) {
  const struct {
    const char* file;
    const char* reason;
  } cases[] = {
      {"x_normal_index_oob.X", "line 13: normal index 99999999 is past the end of its list of 1"},
      {"x_material_list_empty.X", "line 9: MeshMaterialList declares 1 materials and holds 0"},
      {"x_material_list_without_material.X", "line 9: MeshMaterialList declares 1 materials and holds 0"},
      {"x_zero_index_face_triangulate_assert.X", "line 7: face 1 has no indices"},
      {"binary_x_huge_count_8GB_390b.x", "binary .X files are not supported"},
      {"binary_x_exhausts_memory_777b.x", "binary .X files are not supported"},
  };
  const plat::FileSystem files(KV_TEST_DATA_DIR);
  for (const auto& c : cases) {
    const std::string path = std::string("bad-inputs\\") + c.file;
    const auto size = fs::file_size(fs::path(KV_TEST_DATA_DIR) / "bad-inputs" / c.file);
    MeshData out;
    std::string error;
    bool loaded = true;
    const size_t peak = PeakDuring([&] { loaded = plat::mesh::LoadX(files, path, out, &error); });
    EXPECT_FALSE(loaded) << c.file;
    EXPECT_EQ(error.find(path + ": "), 0u) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_LE(peak, AllowedBytes(size)) << c.file;
  }
  size_t inFolder = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(KV_TEST_DATA_DIR) / "bad-inputs"))
    inFolder += entry.path().extension() == ".x" || entry.path().extension() == ".X";
  EXPECT_EQ(inFolder, std::size(cases)) << "a damaged .X file in the folder without its case here";
}

class XLoadTest : public ScratchAssetsTest {
 protected:
  XLoadTest() : ScratchAssetsTest("kv_xreader_") {}
  MeshData Load(const std::string& text, size_t* peak = nullptr) {
    std::ofstream(root_ / "Assets" / "Art" / "Case.X", std::ios::binary) << text;
    const plat::FileSystem files(root_);
    MeshData out;
    std::string error;
    bool loaded = false;
    const size_t bytes =
        PeakDuring([&] { loaded = plat::mesh::LoadX(files, "Assets\\Art\\Case.X", out, &error); });
    EXPECT_TRUE(loaded) << error;
    if (peak) *peak = bytes;
    return out;
  }
};

Vec3 Position(const MeshData& d, uint32_t vertex) {
  Vec3 p;
  std::memcpy(&p, d.vertices.data() + size_t{vertex} * d.stride, sizeof p);
  return p;
}
std::vector<Vec3> Corners(const MeshData& d) {
  std::vector<Vec3> out;
  for (uint32_t i : d.indices) out.push_back(Position(d, i));
  return out;
}

TEST_F(XLoadTest, PolygonsBecomeFansAndPointsAndLinesAreNotDrawn) {
  const MeshData d = Load(kHead +
                          "Mesh M {\n6;\n0;0;0;,\n0;1;0;,\n1;1;0;,\n2;0;0;,\n1;-1;0;,\n9;9;9;;\n3;\n"
                          "5;0,1,2,3,4;,\n2;0,5;,\n1;5;;\n}\n");
  EXPECT_EQ(d.vertices.size() / d.stride, 5u);  // the sixth is used by the line and the point only
  const Vec3 v[] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}, {1, -1, 0}};
  EXPECT_EQ(Corners(d), (std::vector<Vec3>{v[0], v[1], v[2], v[0], v[2], v[3], v[0], v[3], v[4]}));
}

TEST_F(XLoadTest, TemplatesCommentsAndUnknownObjectsAreSkippedAndMaterialReferencesResolve) {
  const MeshData d =
      Load(kHead +
           "# a comment {\ntemplate Thing { <3D82AB43-62DA-11cf-AB39-0020AF71E433> DWORD x; }\n"
           "Header { 1; 0; 1; }\n"
           "Material Shiny { // named for the reference below\n 1;0;0;1;; 5; 1;1;1;; 0;0;0;;\n"
           " TextureFilename { \"Hulls\\\\Hull.bmp\"; }\n}\n"
           "Mesh M {\n4;\n0;0;0;,\n0;1;0;,\n1;1;0;,\n1;0;0;;\n2;\n3;0,1,2;,\n3;0,2,3;;\n"
           " VertexDuplicationIndices { 4; 4; 0, 1, 2, 3; }\n"
           " MeshMaterialList { 2; 1; 1;; " +
           kMaterial + " { Shiny } }\n}\n");
  ASSERT_EQ(d.materials.size(), 2u);
  EXPECT_EQ(d.materials[1].textureFile, "Hulls\\Hull.bmp");  // doubled backslashes made single
  EXPECT_EQ(d.materials[1].diffuse.g, 0.0f);
  EXPECT_EQ(d.materials[1].power, 5.0f);
  EXPECT_EQ(d.faceAttribute, (std::vector<uint32_t>{1, 1}));  // one index for every face
}

TEST_F(XLoadTest, MeshesWithoutMaterialsShareOneGreyMaterialAndFramesApplyWhereverTheirMatrixStands) {
  const std::string mesh = "Mesh {\n3;\n0;0;0;,\n0;1;0;,\n1;0;0;;\n1;\n3;0,1,2;;\n}\n";
  const MeshData d = Load(kHead + mesh + "Frame F {\n" + mesh +
                          "FrameTransformMatrix {\n1,0,0,0, 0,1,0,0, 0,0,1,0, 5,0,0,1;;\n}\n}\n");
  ASSERT_EQ(d.materials.size(), 1u);
  EXPECT_EQ(d.materials[0].diffuse.r, 0.5f);
  EXPECT_EQ(d.faceAttribute, (std::vector<uint32_t>{0, 0}));
  const std::vector<Vec3> corners = Corners(d);
  ASSERT_EQ(corners.size(), 6u);
  EXPECT_EQ(corners[2], (Vec3{1, 0, 0}));  // outside any frame: as written
  EXPECT_EQ(corners[5], (Vec3{6, 0, 0}));  // the matrix after the mesh still moves it
}

TEST_F(XLoadTest, LargeWellFormedFilesCostABoundedMultipleOfTheirSize) {
  // One polygon of many corners, each with its own normal, so every corner is a vertex of its own.
  const int n = 20000;
  std::string text = kHead + "Mesh {\n" + std::to_string(n) + ";\n";
  for (int i = 0; i < n; ++i) text += std::to_string(i) + ";0;0;,";
  text += "\n1;\n" + std::to_string(n) + ";";
  for (int i = 0; i < n; ++i) text += std::to_string(i) + ",";
  text += ";\nMeshNormals {\n" + std::to_string(n) + ";\n" + Repeat("0;0;1;,", n) + "\n1;\n" +
          std::to_string(n) + ";";
  for (int i = 0; i < n; ++i) text += std::to_string(n - 1 - i) + ",";
  text += ";\n}\n}\n";
  size_t peak = 0;
  const MeshData d = Load(text, &peak);
  EXPECT_EQ(d.indices.size(), 3u * (n - 2));
  EXPECT_LE(peak, AllowedBytes(text.size()));
}

}  // namespace
