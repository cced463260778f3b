// The first level flown whole on the headless engine by an autopilot that steers at the nearest enemy in view
// and keeps both guns firing: every formation shows on screen, the ship scores, picks up every weapon and
// brings down the boss at the end.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "frontend/hud.h"
#include "harness/autopilot.h"
#include "harness/play_support.h"
#include "math/random.h"

namespace {

// A seed under which the drops include every weapon (about two seeds in five do); a change to the level or
// to the order of the game's draws may call for another.
constexpr uint32_t kSeed = 3;

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
    autopilot::SetKeys(e_, h_.services, frame_++);
    h_.Step();
    if (LevelOver()) return;
    score = e_.score;
    weapons.insert(e_.players.at(0)->GetWeaponCode());
    for (const auto& group : e_.enemyManager->GetGroups()) {
      for (Enemy* enemy : group->members) Watch(enemy);
    }
  }

  // The script's step to the second zone ends the first; a level without one ends at the track's end.
  bool LevelOver() const {
    return e_.players.empty() || (g_hud != nullptr && g_hud->zone != 1) || autopilot::AtEnd(e_);
  }

  int score = 0;  // the score of the level's last frame
  std::set<int> weapons;
  std::vector<Sighting> sightings;

 private:
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
    if (model != nullptr && model->visible && autopilot::OnScreen(e_.graphics->camera, model->position)) {
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
  for (; frames < 5 * 60 * 50 && !run.LevelOver(); ++frames) run.Frame();
  const std::string reports = testing::internal::GetCapturedStderr();

  EXPECT_TRUE(run.LevelOver()) << "after " << frames << " frames";
  EXPECT_EQ(reports, "");
  EXPECT_GT(run.score, 0);
  for (int weapon = 1; weapon <= 5; ++weapon) EXPECT_TRUE(run.weapons.count(weapon)) << "weapon " << weapon;

  std::set<int> types;
  int unseen = 0;
  for (const Sighting& s : run.sightings) {
    types.insert(s.typeId);
    if (s.framesInView < 25 && !s.shotDown) ++unseen;  // half a second in view, unless shot down first
  }
  EXPECT_EQ(types, (std::set<int>{0, 1, 2, 3, 4, 5, kPsychoFrontId, 10, 11, 12, 13}));  // the boss at the end
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
