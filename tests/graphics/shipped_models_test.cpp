// The models shipped in the built Assets folder as the game objects read them: part counts, the lock points
// and collision spheres each addressed part must carry, the model's size, closed outward-facing meshes, the
// bosses' hit geometry; and the enemy tables' records the code relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/mesh.h"
#include "graphics/model.h"
#include "platform/headless/headless_services.h"
#include "platform/mesh.h"

namespace fs = std::filesystem;

namespace {

struct Contract {
  const char* file;
  size_t parts;                    // exactly
  std::vector<size_t> lockPoints;  // at least, per part from 0; parts past the list need none
  std::vector<size_t> spheres;     // at least, per part from 0
  float size;                      // the model's proposed longest extent; 0 where parts start out of place
  bool muzzleAtFront;              // part 0's first lock point sits at the front (+Z) of the model
};

const Contract kContracts[] = {
    {"Magic.mdl", 1, {1}, {1}, 18, true},
    {"Polaris.mdl", 1, {1}, {1}, 16, true},
    {"Poison.mdl", 1, {1}, {1}, 14, true},
    {"Psycho.mdl", 1, {1}, {1}, 26, true},
    {"Dread.mdl", 1, {1}, {1}, 34, true},
    {"Dirt.mdl", 1, {1}, {1}, 12, true},
    {"MediumMeteor00.mdl", 1, {1}, {1}, 20, true},
    {"MediumMeteor01.mdl", 1, {1}, {1}, 20, true},
    {"LargeMeteor00.mdl", 1, {1}, {1}, 44, true},
    {"LargeMeteor01.mdl", 1, {1}, {1}, 44, true},
    {"powerup_health.mdl", 1, {}, {1}, 8, false},
    {"powerup_bomb.mdl", 1, {}, {1}, 8, false},
    {"powerup_missile.mdl", 1, {}, {1}, 8, false},
    {"powerup_beam.mdl", 1, {}, {1}, 8, false},
    {"powerup_spread.mdl", 1, {}, {1}, 8, false},
    {"powerup_rail.mdl", 1, {}, {1}, 8, false},
    {"powerup_flamethrower.mdl", 1, {}, {1}, 8, false},
    {"PowerupBeamgun.mdl", 1, {}, {1}, 8, false},
    {"PowerupRaycannon.mdl", 1, {}, {1}, 8, false},
    {"PowerupSpreadshot.mdl", 1, {}, {1}, 8, false},
    {"PowerupUpgrade.mdl", 1, {}, {1}, 8, false},
    {"Helper.mdl", 1, {1}, {}, 8, true},
    // Bosses: the behaviours address these parts by index.
    {"Phantom.mdl", 1, {1}, {1}, 90, true},
    {"BeamCannon.mdl", 1, {1}, {1}, 30, true},
    {"PsychoRear.mdl", 4, {1, 1}, {1, 1}, 96, false},
    {"ShieldGen.mdl", 2, {1}, {1}, 44, false},
    {"PsychoSide.mdl", 13, {1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 4, 4}, {1, 1, 1, 1, 1}, 0, false},
    {"PsychoFront.mdl", 9, {1, 1, 1, 1}, {1, 1, 0, 0, 1, 1, 1, 1, 1}, 160, false},
    {"TitlePsycho.X", 1, {}, {}, 192, false},
};

struct Box {
  float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
  float Extent() const { return std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]}); }
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
  return out << "box (" << box.low[0] << ", " << box.low[1] << ", " << box.low[2] << ") to (" << box.high[0]
             << ", " << box.high[1] << ", " << box.high[2] << ")";
}

class ShippedModels : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* assets = std::getenv("KV_ASSETS_DIR");
    ASSERT_NE(assets, nullptr);
    root_ = fs::path(assets).parent_path();
    services_ = std::make_unique<plat::HeadlessServices>(root_);
    plat::gpu::Caps caps;
    caps.pixelShaderMajor = 1;  // the reader draws nothing
    services_->SetCaps(caps);
    ASSERT_TRUE(graphics_.Init(*services_, 800, 600, true));
  }

  // The box around every part's mesh placed at its offset; false when a mesh does not read. Each mesh must
  // be closed with its faces turned outward (a positive signed volume) and each face wound the way its
  // normal points.
  bool Bounds(const Model& model, Box* box) {
    for (const ObjectPart* part : model.parts) {
      plat::mesh::MeshData data;
      std::string error;
      if (!plat::mesh::LoadX(services_->files(), part->mesh->fileName, data, &error)) {
        ADD_FAILURE() << error;
        return false;
      }
      auto at = [&](uint32_t index, size_t offset) {
        math::Vec3 p;
        std::memcpy(&p, data.vertices.data() + size_t(index) * data.stride + offset, sizeof p);
        return p;
      };
      for (uint32_t i = 0; i < data.vertices.size() / data.stride; ++i) {
        const math::Vec3 p = at(i, 0) + part->offset;
        const float placed[3] = {p.x, p.y, p.z};
        for (int axis = 0; axis < 3; ++axis) {
          box->low[axis] = std::min(box->low[axis], placed[axis]);
          box->high[axis] = std::max(box->high[axis], placed[axis]);
        }
      }
      float volume = 0;
      int against = 0;
      for (size_t f = 0; f + 2 < data.indices.size(); f += 3) {
        const math::Vec3 a = at(data.indices[f], 0), b = at(data.indices[f + 1], 0),
                         c = at(data.indices[f + 2], 0);
        volume += math::Vec3Dot(a, math::Vec3Cross(b, c)) / 6;
        const math::Vec3 normal = at(data.indices[f], sizeof(math::Vec3));
        against += math::Vec3Dot(normal, math::Vec3Cross(b - a, c - a)) < 0;
      }
      EXPECT_GT(volume, 0.0f) << part->mesh->fileName << " faces inward";
      EXPECT_EQ(against, 0) << part->mesh->fileName << " has faces wound against their normals";
    }
    return true;
  }

  fs::path root_;
  std::unique_ptr<plat::HeadlessServices> services_;
  Graphics graphics_;
};

TEST_F(ShippedModels, EachModelHasItsPartsLockPointsSpheresAndSize) {
  for (const Contract& c : kContracts) {
    SCOPED_TRACE(c.file);
    Model* model = nullptr;
    ASSERT_TRUE(graphics_.LoadModel(&model, c.file, 0, 0, 0, false, false));
    ASSERT_EQ(model->parts.size(), c.parts);
    for (size_t i = 0; i < c.lockPoints.size(); ++i)
      EXPECT_GE(model->parts[i]->lockPoints.size(), c.lockPoints[i]) << "part " << i;
    for (size_t i = 0; i < c.spheres.size(); ++i)
      EXPECT_GE(model->parts[i]->spheres.size(), c.spheres[i]) << "part " << i;

    Box box;
    ASSERT_TRUE(Bounds(*model, &box));
    if (c.size > 0) {
      EXPECT_GT(box.Extent(), 0.8f * c.size) << box;
      EXPECT_LT(box.Extent(), 1.25f * c.size) << box;
    }
    if (c.muzzleAtFront) {
      const ObjectPart& part = *model->parts[0];
      ASSERT_FALSE(part.lockPoints.empty());
      EXPECT_GT(part.offset.z + part.lockPoints[0].localPosition.z, box.high[2] - 0.15f * c.size);
    }
  }
  EXPECT_TRUE(services_->MessageBoxes().empty());
}

// Where shots can reach: the side view's shots fly in the model's plane x = 0 and meet the PsychoSide's
// targets first; its missile pods wait 400 behind their places, the upper one above the lower one.
TEST_F(ShippedModels, PsychoSideTargetsFaceTheShotPlaneAndItsPodsWaitBehind) {
  Model* boss = nullptr;
  ASSERT_TRUE(graphics_.LoadModel(&boss, "PsychoSide.mdl", 0, 0, 0, false, false));
  ASSERT_EQ(boss->parts.size(), 13u);
  const ObjectPart& hull = *boss->parts[12];
  for (size_t i = 0; i < 5; ++i) {
    const ObjectPart& target = *boss->parts[i];
    ASSERT_FALSE(target.spheres.empty()) << i;
    EXPECT_EQ(target.offset.x, 0.0f) << i;
    EXPECT_EQ(target.spheres[0].localCentre.x, 0.0f) << i;
    EXPECT_EQ(boss->parts[5 + i]->offset.y, target.offset.y) << "the cover of target " << i;
    for (const CollisionSphere& sphere : hull.spheres)
      EXPECT_GT(target.offset.z + target.spheres[0].radius,
                hull.offset.z + sphere.localCentre.z + sphere.radius)
          << "target " << i << " stands out in front of the hull";
  }
  EXPECT_LT(boss->parts[10]->offset.z + 400, 40.0f);
  EXPECT_GT(boss->parts[10]->offset.z + 400, 0.0f);
  EXPECT_EQ(boss->parts[11]->offset.z, boss->parts[10]->offset.z);
  EXPECT_GT(boss->parts[10]->offset.y, 0.0f);
  EXPECT_LT(boss->parts[11]->offset.y, 0.0f);
}

// The PsychoFront's hits: part 0's one small sphere lies behind everything; the plates' spheres (parts 4 to
// 8, the outermost last) overlap neither one another across plates nor the core's, so a shot meets the
// outermost standing plate first.
TEST_F(ShippedModels, PsychoFrontSpheresKeepThePlatesApart) {
  Model* boss = nullptr;
  ASSERT_TRUE(graphics_.LoadModel(&boss, "PsychoFront.mdl", 0, 0, 0, false, false));
  ASSERT_EQ(boss->parts.size(), 9u);
  struct Placed {
    size_t part;
    math::Vec3 centre;
    float radius;
  };
  std::vector<Placed> spheres;
  for (size_t i = 0; i < boss->parts.size(); ++i)
    for (const CollisionSphere& s : boss->parts[i]->spheres)
      spheres.push_back({i, boss->parts[i]->offset + s.localCentre, s.radius});
  for (const Placed& a : spheres) {
    if (a.part == 0) {
      EXPECT_LE(a.radius, 5.0f);
      for (const Placed& b : spheres) {
        if (b.part != 0) {
          EXPECT_LT(a.centre.z + a.radius, b.centre.z - b.radius);
        }
      }
      continue;
    }
    for (const Placed& b : spheres) {
      if (b.part <= a.part) continue;
      const float gap = std::sqrt(math::Vec3LengthSq(a.centre - b.centre));
      EXPECT_GT(gap, a.radius + b.radius) << "parts " << a.part << " and " << b.part;
    }
  }
  for (size_t plate = 5; plate <= 8; ++plate)
    EXPECT_GT(boss->parts[plate]->offset.z, boss->parts[plate - 1]->offset.z);
}

TEST_F(ShippedModels, EachPowerUpHasAColourOfItsOwn) {
  std::set<std::vector<float>> colours;
  for (const char* kind : {"health", "bomb", "missile", "beam", "spread", "rail", "flamethrower"}) {
    Model* model = nullptr;
    ASSERT_TRUE(graphics_.LoadModel(&model, (std::string("powerup_") + kind + ".mdl").c_str(), 0, 0, 0, false,
                                    false));
    const plat::gpu::ColorF d = model->parts[0]->mesh->materials[0].diffuse;
    EXPECT_TRUE(colours.insert({d.r, d.g, d.b}).second) << kind;
  }
}

// The formation table's records: each a member count, a delay step, one of the behaviour names and three
// offsets per member; the bosses' records 0-3 and a one-member Rotate at 3. The enemy table's 14 records.
TEST_F(ShippedModels, EnemyTablesHoldTheRecordsTheCodeUses) {
  const std::set<std::string> names = {"SimpleLine",    "TripleShot",     "RotateCannon", "LaserFollow",
                                       "LoopUpLeft",    "LoopDownRight",  "HookUpLeft",   "HookDownRight",
                                       "Follow",        "Rotate",         "WaveUpLeft",   "WaveDownRight",
                                       "RailBasicLeft", "RailBasicRight", "Asteroid"};
  std::ifstream types(root_ / "Assets" / "Enemies" / "ai_types.txt");
  ASSERT_TRUE(types.is_open());
  std::vector<std::pair<int, std::string>> records;
  int count = 0, step = 0;
  std::string name;
  while (types >> count >> step >> name) {
    EXPECT_TRUE(names.count(name)) << name;
    EXPECT_GE(count, 1) << name;
    for (int i = 0; i < 3 * count; ++i) {
      float offset = 0;
      ASSERT_TRUE(types >> offset) << "record " << records.size();
    }
    records.emplace_back(count, name);
  }
  EXPECT_TRUE(types.eof()) << "a token that is not a record after record " << records.size();
  ASSERT_GE(records.size(), 4u);
  EXPECT_EQ(records[3], std::make_pair(1, std::string("Rotate")));
  std::set<std::string> used;
  for (const auto& record : records) used.insert(record.second);
  EXPECT_EQ(used, names);

  std::ifstream enemies(root_ / "Assets" / "Enemies" / "ai_enemies.txt");
  ASSERT_TRUE(enemies.is_open());
  float speed = 0;
  int health = 0, score = 0, rows = 0;
  while (enemies >> name >> speed >> health >> score) ++rows;
  EXPECT_TRUE(enemies.eof());
  EXPECT_EQ(rows, 14);
}

}  // namespace
