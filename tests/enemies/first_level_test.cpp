// The first level flown whole on the headless engine by an autopilot that steers at the nearest enemy in view
// and keeps both guns firing: every formation shows on screen, the ship scores and picks up every weapon.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "game/powerup.h"
#include "graphics/model.h"
#include "harness/play_support.h"
#include "math/random.h"

namespace {

// A seed under which the drops include every weapon (about two seeds in five do); a change to the level or
// to the order of the game's draws may call for another.
constexpr uint32_t kSeed = 3;
constexpr float kTanHalfFov = 0.41421356f;  // the 45-degree field of view
constexpr float kAspect = 4.0f / 3.0f;

// Whether a point lies inside the camera's view.
bool OnScreen(const Camera& camera, const math::Vec3& p) {
  const math::Vec3 d = p - camera.GetEye();
  const float z = math::Vec3Dot(d, camera.GetLook());
  if (z < 1.0f) return false;
  return std::fabs(math::Vec3Dot(d, camera.GetRight())) < z * kTanHalfFov * kAspect &&
         std::fabs(math::Vec3Dot(d, camera.GetUp())) < z * kTanHalfFov;
}

// One enemy as the run saw it: its type and how many frames it showed in view.
struct Sighting {
  EntityHandle handle;
  int typeId;
  int framesInView = 0;
  bool shotDown = false;  // its health ran out while it was watched
};

class FirstLevelRun {
 public:
  explicit FirstLevelRun(EngineHarness& h) : h_(h), e_(h.engine()) {}

  // One frame: steer and fire by the keys, then step, then look at the enemies.
  void Frame() {
    Player* player = e_.players.at(0);
    const Model* ship = player->GetModel();
    const Entity* target = Nearest(ship->position);
    bool left = false, right = false, up = false, down = false;
    if (target != nullptr) {
      const math::Vec3 d = target->GetModel()->position - ship->position;
      const float lateral = math::Vec3Dot(d, e_.side), vertical = math::Vec3Dot(d, e_.up);
      if (e_.state != kSideView) left = lateral<-3.0f, right = lateral> 3.0f;
      if (e_.state != kTopView) down = vertical<-3.0f, up = vertical> 3.0f;
    }
    h_.services.SetKey(e_.keyLeft, left);
    h_.services.SetKey(e_.keyRight, right);
    h_.services.SetKey(e_.keyUp, up);
    h_.services.SetKey(e_.keyDown, down);
    h_.services.SetKey(e_.keyFire, true);
    h_.services.SetKey(e_.keySecondary, frame_ % 20 < 15);  // the Ray Cannon fires on each new press
    ++frame_;
    h_.Step();

    weapons.insert(e_.players.at(0)->GetWeaponCode());
    for (const auto& group : e_.enemyManager->GetGroups()) {
      for (Enemy* enemy : group->members) Watch(enemy);
    }
  }

  bool AtEnd() const {
    const Player* p = e_.players.at(0);
    return p->railSegment == static_cast<int>(e_.graphics->waypoints.size()) - 2 && p->railProgress >= 1.0f;
  }

  std::set<int> weapons;
  std::vector<Sighting> sightings;

 private:
  // The nearest power-up in view, else the nearest enemy in view that is still alive.
  const Entity* Nearest(const math::Vec3& from) const {
    const Entity* best = nullptr;
    float bestDistance = 0.0f;
    auto consider = [&](const Entity* candidate) {
      const Model* model = candidate->GetModel();
      if (model == nullptr || !model->visible || !OnScreen(e_.graphics->camera, model->position)) return;
      const float distance = math::Vec3Length(model->position - from);
      if (best == nullptr || distance < bestDistance) best = candidate, bestDistance = distance;
    };
    for (const Projectile* object : e_.enemyObjects) {
      if (dynamic_cast<const PowerUp*>(object) != nullptr) consider(object);
    }
    if (best != nullptr) return best;
    for (const auto& group : e_.enemyManager->GetGroups()) {
      for (const Enemy* enemy : group->members) {
        if (enemy->health > 0) consider(enemy);
      }
    }
    return best;
  }

  // A new record for an enemy not seen before (an address may be reused once its enemy is gone).
  void Watch(Enemy* enemy) {
    auto it = index_.find(enemy);
    if (it == index_.end() || sightings[it->second].handle.Get() != enemy) {
      index_[enemy] = sightings.size();
      sightings.push_back({enemy->Handle(), enemy->typeId});
      it = index_.find(enemy);
    }
    if (enemy->health <= 0) sightings[it->second].shotDown = true;
    const Model* model = enemy->GetModel();
    if (model != nullptr && model->visible && OnScreen(e_.graphics->camera, model->position)) {
      ++sightings[it->second].framesInView;
    }
  }

  EngineHarness& h_;
  Engine& e_;
  int frame_ = 0;
  std::map<const Enemy*, size_t> index_;
};

TEST(FirstLevel, AnAutopilotFliesItWholeThroughEveryFormationScoringAndPickingUpEveryWeapon) {
  EngineHarness h(20);
  math::SeedRandom(kSeed);  // the engine seeded it with the time
  EnterPlay(h);
  h.engine().players.at(0)->godmode = true;
  h.engine().score = 0;

  testing::internal::CaptureStderr();
  FirstLevelRun run(h);
  int frames = 0;
  for (; frames < 4 * 60 * 50 && !run.AtEnd(); ++frames) run.Frame();
  const std::string reports = testing::internal::GetCapturedStderr();

  EXPECT_TRUE(run.AtEnd()) << "after " << frames << " frames";
  EXPECT_EQ(reports, "");
  EXPECT_GT(h.engine().score, 0);
  for (int weapon = 1; weapon <= 5; ++weapon) EXPECT_TRUE(run.weapons.count(weapon)) << "weapon " << weapon;

  std::set<int> types;
  int unseen = 0;
  for (const Sighting& s : run.sightings) {
    types.insert(s.typeId);
    if (s.framesInView < 25 && !s.shotDown) ++unseen;  // half a second in view, unless shot down first
  }
  EXPECT_EQ(types, (std::set<int>{0, 1, 2, 3, 4, 5, 10, 11, 12, 13}));
  EXPECT_EQ(unseen, 0) << "of " << run.sightings.size() << " enemies";
}

TEST(FirstLevel, AShipThatNeitherDodgesNorFiresIsShotDown) {
  EngineHarness h(20);
  math::SeedRandom(kSeed);
  EnterPlay(h);
  const int lives = h.engine().players.at(0)->GetLives();
  for (int frame = 0; frame < 60 * 50 && h.engine().players.at(0)->GetLives() == lives; ++frame) h.Step();
  EXPECT_LT(h.engine().players.at(0)->GetLives(), lives);
}

}  // namespace
