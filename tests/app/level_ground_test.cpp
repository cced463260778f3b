// The shipped levels' ground as a player sees it: plates that join without a step or a crease, unturned so
// the texture runs on across their edges, under everything the camera looks down on through whole flights.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <map>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "frontend/hud.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/mesh.h"
#include "graphics/model.h"
#include "harness/autopilot.h"
#include "harness/engine_harness.h"
#include "harness/play_support.h"
#include "platform/keyboard.h"
#include "platform/mesh.h"

namespace {

using math::Vec3;
namespace key = plat::key;

// Position and normal of every vertex of a mesh file, keyed by its rounded x and z.
std::map<std::pair<int, int>, std::array<Vec3, 2>> Vertices(EngineHarness& h, const std::string& gamePath) {
  plat::mesh::MeshData data;
  std::string error;
  EXPECT_TRUE(plat::mesh::LoadX(h.services.files(), gamePath, data, &error)) << error;
  EXPECT_TRUE(data.fvf & plat::gpu::fvf::Normal) << gamePath;
  std::map<std::pair<int, int>, std::array<Vec3, 2>> out;
  for (size_t at = 0; at + 24 <= data.vertices.size(); at += data.stride) {
    std::array<Vec3, 2> v;
    std::memcpy(v.data(), data.vertices.data() + at, sizeof v);
    out[{static_cast<int>(std::lround(v[0].x)), static_cast<int>(std::lround(v[0].z))}] = v;
  }
  return out;
}

void ExpectSame(const std::array<Vec3, 2>& a, const std::array<Vec3, 2>& b, float rise, const char* what) {
  EXPECT_NEAR(a[0].y, b[0].y + rise, 0.01f) << what << " at " << a[0].x << ", " << a[0].z;
  EXPECT_NEAR(math::Vec3Length(a[1] - b[1]), 0.0f, 1e-3f) << what << " at " << a[0].x << ", " << a[0].z;
}

TEST(LevelGround, PlatesMeetThemselvesAcrossXAndTheLevelPlateAcrossZInHeightAndNormal) {
  EngineHarness h;
  const auto level = Vertices(h, "Assets\\Art\\Ground01.X");
  ASSERT_EQ(level.size(), 9u * 9u);
  for (const auto& [name, rise] : {std::pair{"Ground01", 0.0f},
                                   {"GroundUp130", 130.0f},
                                   {"GroundUp57", 57.0f},
                                   {"GroundDown142", -142.0f}}) {
    const auto plate = Vertices(h, std::string("Assets\\Art\\") + name + ".X");
    for (const auto& [at, v] : plate) {
      if (at.first == -512) ExpectSame(v, plate.at({512, at.second}), 0, name);
      if (at.second == -512) ExpectSame(v, level.at(at), 0, name);
      if (at.second == 512) ExpectSame(v, level.at(at), rise, name);
    }
  }
}

// The light follows the hills: each inner vertex's normal leans as the surface through its four neighbours
// does (a coarse grid flattens that surface a little, hence the tolerance; a slope of the wrong sign or
// along the wrong axis leans it tens of degrees away).
TEST(LevelGround, NormalsLeanAsTheSurfaceAroundThem) {
  EngineHarness h;
  for (const char* name : {"Ground01", "GroundUp130", "GroundUp57", "GroundDown142"}) {
    const auto plate = Vertices(h, std::string("Assets\\Art\\") + name + ".X");
    ASSERT_GE(plate.size(), 9u) << name;
    const int step = std::next(plate.begin(), 1)->first.second - plate.begin()->first.second;
    float worst = 1;
    int inner = 0;
    for (const auto& [at, v] : plate) {
      const auto left = plate.find({at.first - step, at.second}),
                 right = plate.find({at.first + step, at.second});
      const auto back = plate.find({at.first, at.second - step}),
                 front = plate.find({at.first, at.second + step});
      if (left == plate.end() || right == plate.end() || back == plate.end() || front == plate.end())
        continue;
      ++inner;
      const Vec3 across =
          math::Vec3Cross(front->second[0] - back->second[0], right->second[0] - left->second[0]);
      worst = std::min(worst, math::Vec3Dot(math::Vec3Normalize(across), math::Vec3Normalize(v[1])));
    }
    EXPECT_GT(inner, 0) << name;
    EXPECT_GT(worst, std::cos(10.0f * std::numbers::pi_v<float> / 180)) << name;
  }
}

// Flights through each zone without steering and with the ship held in opposite corners of its range (which
// shifts and tilts the chase view): rays through the screen that come down to the ground's height before the
// far plane must be over a drawn plate until they pass below it.
class LevelGroundFlight : public ::testing::TestWithParam<std::tuple<std::string, std::vector<int>>> {};
INSTANTIATE_TEST_SUITE_P(
    ZonesAndSteering, LevelGroundFlight,
    ::testing::Combine(::testing::Values(std::string("l1z1.kvl"), std::string("l1z2.kvl")),
                       ::testing::Values(std::vector<int>{}, std::vector<int>{key::Left, key::Up},
                                         std::vector<int>{key::Right, key::Down})));

TEST_P(LevelGroundFlight, CoversEverythingTheCameraLooksDownOnFromStartToEnd) {
  EngineHarness h;
  EnterZone(h, std::get<0>(GetParam()));
  const int zone = g_hud != nullptr ? g_hud->zone : 0;
  h.engine().players.at(0)->godmode = true;  // the enemies on the way must not end the flight
  for (int held : std::get<1>(GetParam())) h.services.SetKey(held, true);
  Graphics& g = h.graphics();
  std::map<Mesh*, std::pair<Vec3, Vec3>> bounds;  // each plate mesh's lowest and highest corner
  for (const Model* model : g.sceneryModels) {
    Mesh* mesh = model->parts.at(0)->mesh;
    if (mesh->fileName.find("Ground") == std::string::npos) continue;
    EXPECT_TRUE(model->rotation.m[0][0] == 1 && model->rotation.m[2][2] == 1) << "a turned plate";
    Vec3 lo{1e9f, 1e9f, 1e9f}, hi = -lo;
    for (const auto& [at, v] : Vertices(h, mesh->fileName)) {
      lo = {std::min(lo.x, v[0].x), std::min(lo.y, v[0].y), std::min(lo.z, v[0].z)};
      hi = {std::max(hi.x, v[0].x), std::max(hi.y, v[0].y), std::max(hi.z, v[0].z)};
    }
    bounds[mesh] = {lo, hi};
  }
  ASSERT_FALSE(bounds.empty());

  int checks = 0, endFrames = 0, failures = 0;
  bool onLastSegment = false, levelEnded = false;
  std::string first;
  const int lastSegment = static_cast<int>(g.waypoints.size()) - 2;
  for (int frame = 0; frame < 5 * 60 * 50 && endFrames < 100; ++frame) {
    h.Step();
    // The flight does not fight: a boss is brought down as soon as the rail stops for it.
    Enemy* boss = autopilot::BossInPlay(*h.engine().enemyManager);
    if (boss != nullptr && g_gameSpeed == 0.0f) autopilot::BringDown(*boss);
    // The level's script may end the level (its step to the next zone or the win) before the track ends.
    if (h.engine().players.empty() || g_hud == nullptr || g_hud->zone != zone || g_hud->won) {
      levelEnded = true;
      break;
    }
    const Player& player = *h.engine().players[0];
    if (player.railSegment == lastSegment && player.railProgress >= 1.0f) ++endFrames;
    if (player.railSegment == lastSegment) onLastSegment = true;
    if (frame % 10 != 0) continue;
    std::vector<std::pair<Vec3, Vec3>> plates;  // world bounds of the drawn plates
    float top = -1e9f;
    for (const Model* model : g.visibleScenery) {
      const auto found = bounds.find(model->parts[0]->mesh);
      if (found == bounds.end()) continue;
      plates.push_back({model->position + found->second.first, model->position + found->second.second});
      top = std::max(top, plates.back().second.y);
    }
    const plat::headless::DeviceState& state = h.log().State();
    math::Matrix unproject;
    ASSERT_TRUE(
        math::MatrixInverse(math::MatrixMultiply(state.Transform(plat::gpu::TransformKind::View),
                                                 state.Transform(plat::gpu::TransformKind::Projection)),
                            &unproject));
    ++checks;
    // Each ray is walked in steps of 8 from where it comes down to the highest plate until it passes below
    // the plate under it; a point under no plate is sky where ground should be.
    for (float sx = -1; sx <= 1; sx += 0.25f) {
      for (float sy = -1; sy <= 1; sy += 0.25f) {
        const Vec3 from = math::Vec3TransformCoord({sx, sy, 0}, unproject);
        const Vec3 ray = math::Vec3TransformCoord({sx, sy, 1}, unproject) - from;
        const float steps = std::floor(math::Vec3Length(ray) / 8);
        for (float i = 0; i <= steps; ++i) {
          const Vec3 p = from + ray * (i / steps);
          if (p.y > top) continue;
          const auto under = std::find_if(plates.begin(), plates.end(), [&](const auto& b) {
            return p.x >= b.first.x && p.x <= b.second.x && p.z >= b.first.z && p.z <= b.second.z;
          });
          if (under != plates.end() && p.y > under->first.y) continue;
          if (under == plates.end() && failures++ == 0) {
            first = "segment " + std::to_string(player.railSegment) + ": sky at " + std::to_string(p.x) +
                    ", " + std::to_string(p.z);
          }
          break;
        }
      }
    }
  }
  // The flight stops 100 frames after the track's end, or where the script's zone step ends the level on
  // the last segment, past the boss.
  EXPECT_TRUE(endFrames == 100 || (onLastSegment && levelEnded))
      << "the flight did not reach the end of the track";
  EXPECT_GT(checks, 500);
  EXPECT_EQ(failures, 0) << first;
}

}  // namespace
