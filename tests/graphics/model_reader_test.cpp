// The model-file reader and Graphics::LoadModel on the headless device: the grammar's edge cases, the lists
// models go to, shared meshes, parts whose mesh is missing, and the reports of malformed files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "assetgen/xfile.h"
#include "graphics/graphics.h"
#include "graphics/mesh.h"
#include "graphics/model.h"
#include "platform/headless/headless_services.h"

namespace fs = std::filesystem;
namespace xfile = assetgen::xfile;

namespace {

constexpr float kTol = 1e-5f;

void ExpectVec(math::Vec3 v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, kTol);
  EXPECT_NEAR(v.y, y, kTol);
  EXPECT_NEAR(v.z, z, kTol);
}

// One untextured triangle; the diffuse red tells the meshes apart.
std::string TriangleMesh(float red) {
  xfile::Mesh mesh;
  mesh.name = "Tri";
  mesh.positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
  mesh.faces = {{0, 1, 2}};
  mesh.normals = {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}};
  mesh.uvs = {{0, 1}, {0, 0}, {1, 1}};
  xfile::Material material;
  material.diffuse = {red, 0.5f, 0.5f, 1.0f};
  mesh.materials = {material};
  return xfile::Write({xfile::Frame{"TriFrame", xfile::Identity(), {mesh}, {}}});
}

class ModelReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    root_ = fs::temp_directory_path() / ("kv_model_reader_" + std::to_string(getpid()) + "_" + test);
    fs::remove_all(root_);
    fs::create_directories(root_ / "Assets" / "Art");
    WriteArt("Hull.X", TriangleMesh(0.1f));
    WriteArt("Wing.X", TriangleMesh(0.2f));
    WriteArt("Rock.x", TriangleMesh(0.3f));
    WriteArt("Odd.xmesh", TriangleMesh(0.4f));

    services_ = std::make_unique<plat::HeadlessServices>(root_);
    plat::gpu::Caps caps;
    caps.pixelShaderMajor = 1;  // no shader files needed: the reader does not draw
    services_->SetCaps(caps);
    graphics_ = std::make_unique<Graphics>();
    ASSERT_TRUE(graphics_->Init(*services_, 800, 600, true));
  }

  void TearDown() override {
    graphics_.reset();
    services_.reset();
    fs::remove_all(root_);
  }

  void WriteArt(const std::string& name, const std::string& text) {
    std::ofstream out(root_ / "Assets" / "Art" / name, std::ios::binary);
    out << text;
  }

  size_t RegisteredCount() const {
    return graphics_->entityModels.size() + graphics_->blendedModels.size() + graphics_->sceneryModels.size();
  }

  // Loads a model file written with the given text; returns the result and captures stderr.
  bool LoadText(const std::string& text, Model** out, std::string* errors = nullptr,
                const std::string& file = "Test.mdl") {
    WriteArt(file, text);
    ::testing::internal::CaptureStderr();
    const bool ok = graphics_->LoadModel(out, file.c_str(), 0, 0, 0, false, false);
    const std::string captured = ::testing::internal::GetCapturedStderr();
    if (errors != nullptr) *errors = captured;
    return ok;
  }

  // Expects the load of text to fail leaving the out pointer alone and nothing registered; returns stderr.
  std::string ExpectFailure(const std::string& text, const std::string& file = "Test.mdl") {
    Model sentinel;
    Model* out = &sentinel;
    const size_t before = RegisteredCount();
    std::string errors;
    EXPECT_FALSE(LoadText(text, &out, &errors, file));
    EXPECT_EQ(out, &sentinel);
    EXPECT_EQ(RegisteredCount(), before);
    return errors;
  }

  fs::path root_;
  std::unique_ptr<plat::HeadlessServices> services_;
  std::unique_ptr<Graphics> graphics_;
};

TEST_F(ModelReaderTest, ReadsPartsLockPointsAndSpheresInFileOrderAndPlacesThem) {
  Model* model = nullptr;
  WriteArt("Ship.mdl",
           "Object\n"
           "Hull.X 0 0 1\n"
           "LockPoints\n"
           "Tail 0 0 -2\n"
           "RayLockpoint 0 -1 3\n"
           "Collision\n"
           "0 0 1 2.5 1 0\n"
           "0 0 -1 1.5 0 7\n"
           "Object\n"
           "Wing.X 4 0 0\n"
           "LockPoints\n"
           "Tip 2 0 0\n"
           "Collision\n"
           "1 0 0 1 0 0\n"
           "Object\n"
           "Wing.X -4 0 0\n"
           "LockPoints\n"
           "Collision\n");
  ASSERT_TRUE(graphics_->LoadModel(&model, "Ship.mdl", 10, 20, 30, false, false));
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(graphics_->entityModels.size(), 1u);
  EXPECT_EQ(graphics_->entityModels[0], model);
  ASSERT_EQ(model->parts.size(), 3u);

  const ObjectPart& hull = *model->parts[0];
  EXPECT_EQ(hull.mesh->fileName, "Assets\\Art\\Hull.X");
  ExpectVec(hull.offset, 0, 0, 1);
  ASSERT_EQ(hull.lockPoints.size(), 2u);
  EXPECT_EQ(hull.lockPoints[0].name, "Tail");
  EXPECT_EQ(hull.lockPoints[1].name, "RayLockpoint");
  ExpectVec(hull.lockPoints[0].localPosition, 0, 0, -2);
  ExpectVec(hull.lockPoints[0].worldPosition, 10, 20, 29);
  ExpectVec(hull.lockPoints[1].worldPosition, 10, 19, 34);
  ASSERT_EQ(hull.spheres.size(), 2u);
  EXPECT_FLOAT_EQ(hull.spheres[0].radius, 2.5f);
  EXPECT_TRUE(hull.spheres[0].flagA);
  EXPECT_FALSE(hull.spheres[0].flagB);
  EXPECT_FALSE(hull.spheres[1].flagA);
  EXPECT_TRUE(hull.spheres[1].flagB);
  ExpectVec(hull.spheres[1].localCentre, 0, 0, -1);
  ExpectVec(hull.spheres[1].worldCentre, 10, 20, 30);

  const ObjectPart& right = *model->parts[1];
  const ObjectPart& left = *model->parts[2];
  EXPECT_EQ(right.mesh->fileName, "Assets\\Art\\Wing.X");
  EXPECT_EQ(right.mesh, left.mesh);  // one mesh record for both parts
  EXPECT_EQ(graphics_->meshes.size(), 2u);
  ASSERT_EQ(right.lockPoints.size(), 1u);
  ExpectVec(right.lockPoints[0].worldPosition, 16, 20, 30);
  ExpectVec(right.spheres[0].worldCentre, 15, 20, 30);
  EXPECT_TRUE(left.lockPoints.empty());
  EXPECT_TRUE(left.spheres.empty());
  ExpectVec(left.worldPosition, 6, 20, 30);

  // A second model of the same file shares the meshes.
  Model* again = nullptr;
  ASSERT_TRUE(graphics_->LoadModel(&again, "Ship.mdl", 0, 0, 0, false, false));
  EXPECT_NE(again, model);
  EXPECT_EQ(graphics_->meshes.size(), 2u);
  EXPECT_EQ(again->parts[0]->mesh, hull.mesh);
  EXPECT_TRUE(services_->MessageBoxes().empty());
}

TEST_F(ModelReaderTest, ModelListFollowsTheBlendedAndSceneryFlags) {
  WriteArt("One.mdl", "Object\nHull.X 0 0 0\nLockPoints\nCollision\n");
  Model *entity = nullptr, *blended = nullptr, *scenery = nullptr, *both = nullptr;
  ASSERT_TRUE(graphics_->LoadModel(&entity, "One.mdl", 0, 0, 0, false, false));
  ASSERT_TRUE(graphics_->LoadModel(&blended, "One.mdl", 0, 0, 0, true, false));
  ASSERT_TRUE(graphics_->LoadModel(&scenery, "One.mdl", 0, 0, 0, false, true));
  ASSERT_TRUE(graphics_->LoadModel(&both, "One.mdl", 0, 0, 0, true, true));
  EXPECT_EQ(graphics_->entityModels, std::vector<Model*>{entity});
  EXPECT_EQ(graphics_->sceneryModels, std::vector<Model*>{scenery});
  EXPECT_EQ(graphics_->blendedModels, (std::vector<Model*>{blended, both}));
}

TEST_F(ModelReaderTest, NameWithDotXIsABareOnePartMesh) {
  Model *upper = nullptr, *lower = nullptr, *odd = nullptr;
  ASSERT_TRUE(graphics_->LoadModel(&upper, "Hull.X", 1, 2, 3, true, false));
  ASSERT_TRUE(graphics_->LoadModel(&lower, "Rock.x", 0, 0, 0, false, true));
  ASSERT_TRUE(graphics_->LoadModel(&odd, "Odd.xmesh", 0, 0, 0, false, false));
  for (Model* model : {upper, lower, odd}) {
    ASSERT_EQ(model->parts.size(), 1u);
    EXPECT_TRUE(model->parts[0]->lockPoints.empty());
    EXPECT_TRUE(model->parts[0]->spheres.empty());
    ExpectVec(model->parts[0]->offset, 0, 0, 0);
  }
  EXPECT_EQ(upper->parts[0]->mesh->fileName, "Assets\\Art\\Hull.X");
  EXPECT_EQ(odd->parts[0]->mesh->fileName, "Assets\\Art\\Odd.xmesh");
  ExpectVec(upper->parts[0]->worldPosition, 1, 2, 3);
  EXPECT_EQ(graphics_->blendedModels, std::vector<Model*>{upper});

  // A model file whose name holds ".x" is taken for a mesh; the mesh cache reports it and the model is
  // left without parts.
  WriteArt("ship.x2.mdl", "Object\nHull.X 0 0 0\nLockPoints\nCollision\n");
  Model* misnamed = nullptr;
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(graphics_->LoadModel(&misnamed, "ship.x2.mdl", 0, 0, 0, false, false));
  ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(misnamed->parts.empty());
  ASSERT_EQ(services_->MessageBoxes().size(), 1u);
  EXPECT_EQ(services_->MessageBoxes()[0], ": D3DXLoadMeshFromX() - FAILED");
}

// The grammar's edge cases: line breaks carry no meaning, the file may end after "Object", inside a list or
// without a final line end, a record cut short by the end is dropped, and a lock point may be named "Object".
TEST_F(ModelReaderTest, GrammarEdgeCases) {
  struct Case {
    const char* text;
    std::vector<size_t> lockPoints, spheres;  // per part
    std::function<void(const Model&, const std::string& errors)> check;
  };
  const Case cases[] = {
      {"Object Hull.X\t1 2 3 LockPoints A 1 0 0 B 0 1 0 Collision 0 0 0 4 0 1 "
       "Object\n\nWing.X\n0\n0\n0\nLockPoints\nCollision\n",
       {2, 0},
       {1, 0},
       [](const Model& m, const std::string&) {
         EXPECT_EQ(m.parts[0]->lockPoints[1].name, "B");
         EXPECT_FLOAT_EQ(m.parts[0]->spheres[0].radius, 4.0f);
         ExpectVec(m.parts[0]->offset, 1, 2, 3);
       }},
      {"Object", {}, {}, nullptr},
      {"Object\n", {}, {}, nullptr},
      {"Object \n\t\n", {}, {}, nullptr},
      {"Object\nHull.X 0 0 0\nLockPoints\nCollision\nObject", {0}, {0}, nullptr},
      {"Object\nHull.X 0 0 0\nLockPoints\nCollision\nObject\n\n", {0}, {0}, nullptr},
      {"Object\nHull.X 0 0 0\nLockPoints\nCollision\nObject\nWing.X 0 0 0\nLockPoints\nCollision\n1 2 3 4 0 "
       "1",
       {0, 0},
       {0, 1},
       [](const Model& m, const std::string&) {
         ExpectVec(m.parts[1]->spheres[0].localCentre, 1, 2, 3);
         EXPECT_TRUE(m.parts[1]->spheres[0].flagB);
       }},
      {"Object\nHull.X 0 0 0\nLockPoints\nA 1 1 1\nCollision", {1}, {0}, nullptr},
      {"Object\nHull.X 0 0 5\nLockPoints\nA 1 2 3\nB 4 5 6",
       {2},
       {0},
       [](const Model& m, const std::string&) {
         ExpectVec(m.parts[0]->lockPoints[1].worldPosition, 4, 5, 11);
       }},
      {"Object\nHull.X 0 0 0\nLockPoints\nA 1 2 3\nB 4 5\n",
       {1},
       {0},
       [](const Model& m, const std::string& errors) {
         EXPECT_EQ(m.parts[0]->lockPoints[0].name, "A");
         EXPECT_NE(errors.find("\"B\""), std::string::npos) << errors;
       }},
      {"Object\nHull.X 0 0 0\nLockPoints\nCollision\n1 2 3 4 0 0\n5 6 7 8 1",
       {0},
       {1},
       [](const Model& m, const std::string&) { EXPECT_FLOAT_EQ(m.parts[0]->spheres[0].radius, 4.0f); }},
      {"Object\nHull.X 0 0 0\nLockPoints\nLonely", {0}, {0}, nullptr},
      {"Object\nHull.X 0 0 0\nLockPoints\nObject 1 2 3\nCollision\n",
       {1},
       {0},
       [](const Model& m, const std::string&) {
         EXPECT_EQ(m.parts[0]->lockPoints[0].name, "Object");
         ExpectVec(m.parts[0]->lockPoints[0].localPosition, 1, 2, 3);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Model* model = nullptr;
    std::string errors;
    ASSERT_TRUE(LoadText(c.text, &model, &errors));
    ASSERT_EQ(model->parts.size(), c.lockPoints.size());
    for (size_t k = 0; k < c.lockPoints.size(); ++k) {
      ASSERT_EQ(model->parts[k]->lockPoints.size(), c.lockPoints[k]) << "part " << k;
      ASSERT_EQ(model->parts[k]->spheres.size(), c.spheres[k]) << "part " << k;
    }
    if (c.check) c.check(*model, errors);
  }
}

TEST_F(ModelReaderTest, NumbersWrittenInFullAreReadWithoutAWord) {
  Model* model = nullptr;
  std::string errors;
  ASSERT_TRUE(LoadText("Object\nHull.X -1.5e1 +2 .5\nLockPoints\nA 5. -0 1E-1\nCollision\n0 0 0 3 -2 +0\n",
                       &model, &errors));
  ExpectVec(model->parts[0]->offset, -15, 2, 0.5f);
  ExpectVec(model->parts[0]->lockPoints[0].localPosition, 5, 0, 0.1f);
  EXPECT_TRUE(model->parts[0]->spheres[0].flagA);
  EXPECT_FALSE(model->parts[0]->spheres[0].flagB);
  EXPECT_EQ(errors, "");
}

// A number field reads the token's leading number, 0 when it starts with none; a token that is not wholly a
// number keeps the model and is reported with its file, line and what it was read as.
TEST_F(ModelReaderTest, MalformedNumbersReadAsTheirLeadingNumberAndAreReported) {
  enum class Slot { Offset, LockPoint, SphereX, Radius, Flag };
  struct Case {
    Slot slot;
    const char* token;
    float value;
    const char* report;  // after "line N: "
  };
  const Case cases[] = {
      {Slot::Offset, "3abc", 3, "expected a number (part \"Hull.X\" offset y), found \"3abc\"; read as 3"},
      {Slot::Offset, "zero", 0, "expected a number (part \"Hull.X\" offset y), found \"zero\"; read as 0"},
      {Slot::Offset, "-", 0, "found \"-\"; read as 0"},
      {Slot::Offset, "1e999", 0, "found \"1e999\"; read as 0"},  // does not fit a float
      {Slot::Offset, "1e", 1, "found \"1e\"; read as 1"},
      {Slot::Offset, ".", 0, "found \".\"; read as 0"},
      {Slot::Offset, "nan", 0, "found \"nan\"; read as 0"},
      {Slot::Offset, "-inf", 0, "found \"-inf\"; read as 0"},
      {Slot::Offset, "0x10", 0, "found \"0x10\"; read as 0"},
      {Slot::Offset, "+-1", 0, "found \"+-1\"; read as 0"},  // one sign only, as the C conversions take
      {Slot::LockPoint, "two", 0, "expected a number (lock point \"A\" y), found \"two\"; read as 0"},
      {Slot::SphereX, "collision", 0, "expected a number (sphere centre x), found \"collision\"; read as 0"},
      {Slot::SphereX, "12abc", 12, "expected a number (sphere centre x), found \"12abc\"; read as 12"},
      {Slot::Radius, "2.5m", 2.5f, "expected a number (sphere radius), found \"2.5m\"; read as 2.5"},
      {Slot::Flag, "1.0", 1, "expected a whole number (sphere flag A), found \"1.0\"; read as 1"},
      {Slot::Flag, "0.5", 0, "expected a whole number (sphere flag A), found \"0.5\"; read as 0"},
      {Slot::Flag, "7x", 1, "found \"7x\"; read as 7"},
      {Slot::Flag, "+-1", 0, "found \"+-1\"; read as 0"},
      {Slot::Flag, "99999999999", 0, "found \"99999999999\"; read as 0"},  // does not fit an int
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.token);
    auto slot = [&c](Slot s, const char* clean) { return c.slot == s ? c.token : clean; };
    const std::string text = std::string("Object\nHull.X 0 ") + slot(Slot::Offset, "0") +
                             " 0\nLockPoints\nA 1 " + slot(Slot::LockPoint, "0") + " 3\nCollision\n" +
                             slot(Slot::SphereX, "0") + " 0 0 " + slot(Slot::Radius, "1") + " " +
                             slot(Slot::Flag, "0") + " 0\n";
    const std::string file = "Bad" + std::to_string(index++) + ".mdl";
    Model* model = nullptr;
    std::string errors;
    ASSERT_TRUE(LoadText(text, &model, &errors, file));
    ASSERT_EQ(model->parts.size(), 1u);
    const ObjectPart& part = *model->parts[0];
    ASSERT_EQ(part.lockPoints.size(), 1u);
    ASSERT_EQ(part.spheres.size(), 1u);
    const float read[] = {part.offset.y, part.lockPoints[0].localPosition.y, part.spheres[0].localCentre.x,
                          part.spheres[0].radius, part.spheres[0].flagA ? 1.0f : 0.0f};
    EXPECT_FLOAT_EQ(read[static_cast<int>(c.slot)], c.value);
    const int line = c.slot == Slot::Offset ? 2 : c.slot == Slot::LockPoint ? 4 : 6;
    const std::string where = "Assets\\Art\\" + file + ", line " + std::to_string(line) + ": ";
    EXPECT_NE(errors.find(where), std::string::npos) << errors;
    EXPECT_NE(errors.find(c.report), std::string::npos) << errors;
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "one report only: " << errors;
  }

  // A damaged file lists its first ten malformed numbers and counts the rest.
  std::string text = "Object\nHull.X 0 0 0\nLockPoints\n";
  for (int i = 0; i < 5; ++i) text += "P x y z\n";
  Model* model = nullptr;
  std::string errors;
  ASSERT_TRUE(LoadText(text, &model, &errors, "Damaged.mdl"));
  EXPECT_EQ(model->parts[0]->lockPoints.size(), 5u);
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 11) << errors;
  EXPECT_NE(errors.find("line 8: 5 more malformed numbers are not listed"), std::string::npos) << errors;
}

TEST_F(ModelReaderTest, MalformedRecordsFailNamingTheFileAndLine) {
  struct Case {
    std::string text;
    std::string line;
  };
  const std::string longWord(1000, 'L');
  const Case cases[] = {
      {"", "line 1"},
      {"\n\n", "line 1"},
      {"object\nHull.X 0 0 0\nLockPoints\nCollision\n", "line 1"},
      {"Object\nHull.X 0 0 0\nLockpoints\nCollision\n", "line 3"},
      {"Object\nHull.X 0 0 0\nLockPoints\nCollision\nObject\nWing.X 1 2 3\nCollision\n", "line 7"},
      {"Object\nHull.X 0 0", "line 2"},  // the part record is cut short: no "LockPoints" follows
      {"Object\nHull.X 0 0 0\n", "line 2"},
      // A long word is quoted cut short.
      {"Object\nHull.X 0 0 0\n" + longWord + "\n", "found \"" + std::string(40, 'L') + "...\"\n"},
  };
  int index = 0;
  for (const Case& c : cases) {
    const std::string file = "Bad" + std::to_string(index++) + ".mdl";
    const std::string errors = ExpectFailure(c.text, file);
    EXPECT_NE(errors.find("Assets\\Art\\" + file), std::string::npos) << c.text << ": " << errors;
    EXPECT_NE(errors.find(c.line), std::string::npos) << c.text << ": " << errors;
  }
  // The bad file is not registered; only the parts' meshes stay cached.
  EXPECT_EQ(RegisteredCount(), 0u);
  EXPECT_TRUE(services_->MessageBoxes().empty());
}

TEST_F(ModelReaderTest, FailuresAreReportedOncePerFile) {
  const std::string bad = "Object\nHull.X 0 0 0\nLockPoint\nCollision\n";
  const std::string first = ExpectFailure(bad);
  EXPECT_NE(first.find("line 3"), std::string::npos) << first;
  EXPECT_EQ(ExpectFailure(bad), "");

  // A missing model file fails without a message box, and says so once on stderr.
  Model* model = nullptr;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(graphics_->LoadModel(&model, "Missing.mdl", 0, 0, 0, false, false));
  EXPECT_FALSE(graphics_->LoadModel(&model, "Missing.mdl", 0, 0, 0, false, false));
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(model, nullptr);
  EXPECT_NE(errors.find("Assets\\Art\\Missing.mdl"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("Missing.mdl"), errors.rfind("Missing.mdl")) << errors;
  EXPECT_TRUE(services_->MessageBoxes().empty());
}

// The part whose mesh is missing is left out, and its lock points and spheres go with it.
TEST_F(ModelReaderTest, PartWithAMissingMeshIsSkippedWithItsLockPointsAndSpheres) {
  Model* model = nullptr;
  std::string errors;
  ASSERT_TRUE(
      LoadText("Object\nHull.X 0 0 0\nLockPoints\nH 0 0 1\nCollision\n0 0 0 1 0 0\n"
               "Object\nGone.X 5 0 0\nLockPoints\nG1 1 1 1\nG2 2 2 2\nCollision\n9 9 9 9 0 0\n"
               "Object\nWing.X 0 0 2\nLockPoints\nW 0 1 0\nCollision\n",
               &model, &errors));
  ASSERT_EQ(model->parts.size(), 2u);
  EXPECT_EQ(model->parts[0]->mesh->fileName, "Assets\\Art\\Hull.X");
  EXPECT_EQ(model->parts[1]->mesh->fileName, "Assets\\Art\\Wing.X");
  ASSERT_EQ(model->parts[0]->lockPoints.size(), 1u);
  EXPECT_EQ(model->parts[0]->lockPoints[0].name, "H");
  EXPECT_EQ(model->parts[0]->spheres.size(), 1u);
  ASSERT_EQ(model->parts[1]->lockPoints.size(), 1u);
  EXPECT_EQ(model->parts[1]->lockPoints[0].name, "W");
  EXPECT_TRUE(model->parts[1]->spheres.empty());
  ExpectVec(model->parts[1]->lockPoints[0].worldPosition, 0, 1, 2);
  // The mesh cache shows its own message for the missing file.
  ASSERT_EQ(services_->MessageBoxes().size(), 1u);
  EXPECT_EQ(services_->MessageBoxes()[0], ": D3DXLoadMeshFromX() - FAILED");
  // The reader says which part it left out.
  EXPECT_NE(errors.find("Assets\\Art\\Test.mdl, line 8: the part of \"Gone.X\" is left out"),
            std::string::npos)
      << errors;

  // A bare mesh that cannot be loaded gives a model without parts.
  Model* bare = nullptr;
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(graphics_->LoadModel(&bare, "Gone.X", 0, 0, 0, false, false));
  ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(bare->parts.empty());
}

TEST_F(ModelReaderTest, CreateObjectPartSharesTheCachedMeshAndFailsOnAMissingOne) {
  ObjectPart* first = nullptr;
  ObjectPart* second = nullptr;
  ASSERT_TRUE(graphics_->CreateObjectPart(&first, "Assets\\Art\\Hull.X"));
  ASSERT_TRUE(graphics_->CreateObjectPart(&second, "Assets\\Art\\Hull.X"));
  std::unique_ptr<ObjectPart> ownFirst(first), ownSecond(second);
  EXPECT_EQ(first->mesh, second->mesh);
  EXPECT_EQ(graphics_->meshes.size(), 1u);
  EXPECT_FLOAT_EQ(first->mesh->materials[0].diffuse.r, 0.1f);
  EXPECT_FALSE(first->detached);
  ExpectVec(first->zAxis, 0, 0, 1);

  ObjectPart* missing = nullptr;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(graphics_->CreateObjectPart(&missing, "Assets\\Art\\Gone.X"));
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(graphics_->meshes.size(), 1u);
}

// The test model shipped in the Assets folder: its parts, shared wing mesh, named lock points and spheres.
TEST(ShippedTestModel, TestShipHasItsPartsLockPointsAndSpheres) {
  const char* assets = std::getenv("KV_ASSETS_DIR");
  ASSERT_NE(assets, nullptr);
  plat::HeadlessServices services(fs::path(assets).parent_path());
  plat::gpu::Caps caps;
  caps.pixelShaderMajor = 1;
  services.SetCaps(caps);
  Graphics graphics;
  ASSERT_TRUE(graphics.Init(services, 800, 600, true));
  Model* ship = nullptr;
  ASSERT_TRUE(graphics.LoadModel(&ship, "TestShip.mdl", 0, 0, 0, true, false));
  EXPECT_TRUE(services.MessageBoxes().empty());
  ASSERT_EQ(ship->parts.size(), 4u);
  EXPECT_EQ(ship->parts[0]->mesh->fileName, "Assets\\Art\\TestHull.X");
  EXPECT_EQ(ship->parts[1]->mesh, ship->parts[2]->mesh);
  EXPECT_EQ(ship->parts[3]->mesh->fileName, "Assets\\Art\\TestCube.X");
  bool hasRayLockpoint = false;
  for (const LockPoint& point : ship->parts[0]->lockPoints) hasRayLockpoint |= point.name == "RayLockpoint";
  EXPECT_TRUE(hasRayLockpoint);
  for (const ObjectPart* part : ship->parts) EXPECT_FALSE(part->lockPoints.empty());
  EXPECT_GE(ship->parts[0]->spheres.size(), 1u);
  EXPECT_GE(ship->parts[1]->spheres.size(), 1u);
}

}  // namespace
