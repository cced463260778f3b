// The formation behaviours on the headless engine with the real enemy tables: per behaviour a timeline of
// what one member shows and fires and how it ends, on a fixed 20 ms clock with the player at a fixed place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "app/game_state.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "game/powerup.h"
#include "game/projectile.h"
#include "graphics/model.h"
#include "harness/engine_harness.h"
#include "math/random.h"

namespace {

using Lines = std::vector<std::string>;
constexpr int kFrameMs = 20;

// Records of assets/Enemies/ai_types.txt.
constexpr int kFollow1 = 0, kRotate1 = 3, kSimpleLine5 = 4, kTripleShot1 = 6, kRotateCannon1 = 9,
              kLaserFollow1 = 10, kLoopUpLeft5 = 11, kLoopDownRight5 = 12, kHookUpLeft4 = 13,
              kHookDownRight4 = 14, kWaveUpLeft5 = 15, kWaveDownRight5 = 16, kRailBasicLeft3 = 17,
              kRailBasicRight3 = 18, kAsteroid1 = 19;

std::string Vec(const math::Vec3& v) {
  auto r = [](float f) { return std::round(f * 100.0f) / 100.0f + 0.0f; };
  char text[64];
  std::snprintf(text, sizeof text, "%g %g %g", r(v.x), r(v.y), r(v.z));
  return text;
}

class BehaviorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness = std::make_unique<EngineHarness>(kFrameMs);
    player = new Player(&engine(), &engine().previousState);
    player->SetPosition(40.0f, 0.0f, 0.0f);
    engine().players.push_back(player);
    math::SeedRandom(11);
  }
  Engine& engine() { return harness->engine(); }
  EnemyManager& manager() { return *engine().enemyManager; }
  void Tick() {
    harness->services.AdvanceTicks(kFrameMs);
    Timer().Tick();
  }

  // A formation of the real table as Magics (speed 40, health 2000, score 100) 300 ahead, facing the
  // player; only member `member` stays (the others go at the first update), with no fire jitter.
  Enemy* Spawn(int behaviorId, int member) {
    EXPECT_TRUE(manager().SpawnEnemy(0, behaviorId, 0.0f, 0.0f, 300.0f));
    std::vector<Enemy*>& members = manager().GetGroups().back()->members;
    for (Enemy* e : members) e->remove = e != members.at(static_cast<size_t>(member));
    members[static_cast<size_t>(member)]->scratch[5] = 0;
    return members[static_cast<size_t>(member)];
  }
  // A Magic made by hand in a group of its own, with a delay and a model ("" for none).
  Enemy* Make(const char* behavior, int delay, const char* model = "Magic") {
    auto group = std::make_unique<EnemyGroup>();
    group->behavior = FindBehavior(behavior);
    auto* enemy = new Enemy();
    if (*model != '\0') enemy->LoadModel(model, false);
    math::Vec3 right{-1, 0, 0}, up{0, 1, 0}, back{0, 0, -1};
    enemy->SetOrientation(right, up, back);
    enemy->SetPosition(0.0f, 0.0f, 300.0f);
    enemy->health = 2000, enemy->score = 100, enemy->speed = 40.0f;
    enemy->scratch[5] = 0, enemy->spawnDelayMs = delay;
    group->members.push_back(enemy);
    manager().GetGroups().push_back(std::move(group));
    return enemy;
  }

  // Runs the spawn's own frame (the first call comes at age 0, as for a level event), then frames until the
  // member's age passes untilAge or it is gone. One line per frame with a change: new shots with their angle
  // to the member's forward axis in degrees, new glows and charges on its model, visibility, explosion
  // sounds, score, removal; its position and X and Z axes at the sample ages.
  Lines Timeline(Enemy* enemy, int untilAge, const std::vector<int>& samples = {}, int killAge = -1) {
    const EntityHandle handle = enemy->Handle();
    size_t shots = engine().enemyObjects.size();
    auto explosions = [this] {
      return harness->services.Sounds().Lines({plat::headless::SoundCall::Play3D}).size();
    };
    size_t booms = explosions(), glows = 0, charges = 0;
    int score = engine().score;
    bool visible = true, removed = false;
    Lines log;
    for (int age = 0; age <= untilAge; age += kFrameMs) {
      if (age > 0) Tick();
      if (age == killAge) enemy->health = 0;
      manager().Update();
      std::string line = std::to_string(age);
      if (handle.Get() == nullptr) {
        log.push_back(line + " gone");
        break;
      }
      const Model* m = enemy->GetModel();
      for (; shots < engine().enemyObjects.size(); ++shots) {
        const Projectile* p = engine().enemyObjects[shots];
        const char* kind = dynamic_cast<const Bullet*>(p)    ? "Bullet"
                           : dynamic_cast<const Missile*>(p) ? "Missile"
                           : dynamic_cast<const RayShot*>(p) ? "Ray"
                                                             : "PowerUp";
        line += std::string(" +") + kind;
        if (m == nullptr || kind[0] == 'P') continue;
        const float turn = std::acos(std::clamp(math::Vec3Dot(p->GetModel()->zAxis, m->zAxis), -1.0f, 1.0f));
        line += "@" + std::to_string(std::lround(turn * 57.29578f));
      }
      auto count = [&](size_t& seen, int kind, const char* what) {
        size_t now = 0;
        for (const ParticleSystem* s : m->particleSystems) now += s->kind == kind;
        for (; seen < now; ++seen) line += what;
      };
      if (m != nullptr) {
        count(glows, kConvergeParticles, " +glow");
        count(charges, kChargeRingParticles, " +charge");
      }
      for (; booms < explosions(); ++booms) line += " explosion";
      if (score != engine().score) line += " score " + std::to_string(score = engine().score);
      if (m != nullptr && visible != m->visible) line += (visible = m->visible) ? " shown" : " hidden";
      if (enemy->remove && !removed) {
        line += " removed";
        removed = true;
      }
      if (m != nullptr && std::count(samples.begin(), samples.end(), age) != 0) {
        line += " at " + Vec(m->position) + " x " + Vec(m->xAxis) + " z " + Vec(m->zAxis);
      }
      if (line != std::to_string(age)) log.push_back(line);
    }
    return log;
  }

  // Drops every shot and enemy and the score between cases.
  void Reset() {
    manager().Clear();
    for (Projectile* p : engine().enemyObjects) delete p;
    engine().enemyObjects.clear();
    engine().score = 0;
  }

  std::unique_ptr<EngineHarness> harness;
  Player* player = nullptr;  // the engine's
};

struct Run {
  int behaviorId, member, view, untilAge;
  std::vector<int> samples;
};
struct Golden {
  Run run;
  Lines expected;
};

// The members face the player (forward -z) from 300 ahead; the rail runs along +z at 50 a second.
const Golden kGoldens[] = {
    {{kSimpleLine5, 2, kTopView, 16100, {1000}},
     {"0 +glow", "1000 at 0 0 325 x -1 0 0 z 0 0 -1", "2000 +Bullet@0", "4020 +Bullet@0", "6040 +Bullet@0",
      "8060 +Bullet@0", "10080 +Bullet@0", "12100 +Bullet@0", "14120 +Bullet@0", "16000 removed",
      "16020 gone"}},
    {{kTripleShot1, 0, kTopView, 6100, {3000}},
     {"0 +glow", "3000 +Bullet@0 +Bullet@30 +Bullet@30 at 0 0 420.8 x -0.02 -1 0 z 0 0 -1",
      "6020 +Bullet@0 +Bullet@30 +Bullet@30"}},
    {{kRotateCannon1, 0, kSideView, 6100, {2000}},
     {"0 +Missile@0 +Missile@90 +Missile@180 +Missile@90 +glow", "2000 at 0 0 300 x -1 0 0 z 0 -0.71 -0.71",
      "3020 +Missile@0 +Missile@90 +Missile@180 +Missile@90",
      "6040 +Missile@0 +Missile@90 +Missile@180 +Missile@90"}},
    {{kLaserFollow1, 0, kTopView, 6100, {2000}},
     {"0 +glow", "2000 +charge at 0 0 300 x 0 1 0 z 0.14 0 -0.99", "3020 +Ray@0", "5040 +charge",
      "6060 +Ray@0"}},
    {{kLoopUpLeft5, 1, kRailView, 8000, {8000}},
     {"0 +glow hidden", "400 +glow shown", "8000 at 0 0 320 x -1 0 0 z 0 0 -1"}},
    {{kLoopDownRight5, 0, kSideView, 8000, {5000, 7000}},
     {"0 +glow +glow", "5000 at 0 148 487.22 x -1 0 0 z 0 -1 0.03",
      "7000 at 0 150.9 650.88 x -1 0 0 z 0 1 0"}},
    {{kHookUpLeft4, 1, kTopView, 3400, {3400}},
     {"0 +glow hidden", "320 +glow shown", "3320 +Bullet@0", "3400 at -21.84 0 384.55 x -1 0 0 z 0 0 -1"}},
    {{kHookDownRight4, 0, kSideView, 3000, {3000}},
     {"0 +glow hidden", "20 +glow shown", "3000 at 0 -19.8 366.94 x -1 0 0 z 0 0 -1"}},
    {{kWaveUpLeft5, 2, kSideView, 4700, {4600}},
     {"0 +glow hidden", "600 +glow shown", "2600 +Bullet@0", "4600 at 0 80.4 531.05 x -1 0 0 z 0 0 -1",
      "4620 +Bullet@0"}},
    {{kWaveDownRight5, 0, kTopView, 4100, {4000}},
     {"0 +glow +glow", "2000 +Bullet@0", "4000 at 80.4 0 501.05 x -1 0 0 z 0 0 -1", "4020 +Bullet@0"}},
    {{kFollow1, 0, kTopView, 10100, {5000}},
     {"0 +glow", "5000 at 26.12 0 100.98 x -0.99 0 -0.16 z 0.16 0 -0.99", "10000 explosion removed",
      "10020 gone"}},
    {{kRotate1, 0, kTopView, 25100, {2000, 20000}},
     {"0 +glow", "2000 +Bullet@30 at 14.74 -26.13 300 x -1 0 0 z 0 0 -1", "4020 +Bullet@30",
      "6040 +Bullet@30", "8060 +Bullet@30", "10080 +Bullet@30", "12100 +Bullet@30", "14120 +Bullet@30",
      "16140 +Bullet@30", "18160 +Bullet@30", "20000 at -14.87 26.06 199 x -1 0 0 z 0 0 -1",
      "20180 +Bullet@30", "22200 +Bullet@30", "24220 +Bullet@30", "25000 explosion score 100 removed",
      "25020 gone"}},
    {{kRailBasicRight3, 0, kRailView, 15100, {5000, 6600}},
     {"0 +glow", "5000 at 40 -10 802 x 1 0 0 z 0 0 1", "6020 +Bullet@0",
      "6600 at 52.5 -10.04 777.81 x 0.71 0 0.71 z 0.71 0 -0.71", "15000 removed", "15020 gone"}},
    {{kRailBasicLeft3, 0, kRailView, 6600, {6600}},
     {"0 +glow", "6020 +Bullet@0", "6600 at -52.5 9.96 777.81 x 0.71 0 -0.71 z -0.71 0 -0.71"}},
    {{kAsteroid1, 0, kTopView, 2000, {2000}}, {"0 +glow", "2000 at 0 0 350.5 x -1 0.02 0 z 0 0 -1"}},
};

TEST_F(BehaviorTest, GoldenTimelines) {
  for (const Golden& g : kGoldens) {
    SCOPED_TRACE("record " + std::to_string(g.run.behaviorId));
    engine().state = g.run.view;
    Enemy* boss = nullptr;
    if (g.run.behaviorId ==
        kRotate1) {        // a PsychoRear stand-in at the spawn point, the minion 30 to its left
      boss = Make("", 0);  // no behaviour
      boss->typeId = kPsychoRearId;
      boss->scratchF[9] = 6.0f;
    }
    Enemy* enemy = Spawn(g.run.behaviorId, g.run.member);
    if (boss != nullptr) enemy->SetPosition(30.0f, 0.0f, 300.0f);
    const Lines log = Timeline(enemy, g.run.untilAge, g.run.samples);
    EXPECT_EQ(log, g.expected);
    EXPECT_TRUE(boss == nullptr || boss->scratchF[9] == 5.0f);  // the minion that died was counted off
    Reset();
  }
}

// How each behaviour ends, with its model and without one (which does nothing else): the frame that flags
// it (shots left out) and whether that was a kill (explosion, score) or a silent removal.
struct Ending {
  const char* behavior;
  int delay, killAge;
  const char* removal;
};
const Ending kEndings[] = {
    {"SimpleLine", 1000, -1, "16000 removed"},
    {"SimpleLine", 1000, 15000, "15000 explosion score 100 removed"},
    {"TripleShot", 1000, -1, "41000 removed"},
    {"TripleShot", 1000, 40200, "40200 removed"},  // past 40000 a kill is silent
    {"TripleShot", 1000, 39000, "39000 explosion score 100 removed"},
    {"RotateCannon", 500, -1, "30500 removed"},
    {"LaserFollow", 500, -1, "15500 removed"},
    {"LoopUpLeft", 400, -1, "15400 removed"},
    {"LoopDownRight", 800, -1, "15800 removed"},
    {"HookUpLeft", 300, -1, "15300 removed"},
    {"HookDownRight", 0, -1, "15000 removed"},
    {"WaveUpLeft", 600, -1, "15600 removed"},
    {"WaveDownRight", 1200, 2000, "2000 explosion score 100 removed"},
    {"Follow", 0, -1, "10000 explosion removed"},  // an unshot follower explodes unpaid
    {"Follow", 0, 5000, "5000 explosion score 100 removed"},
    {"Rotate", 0, -1, "0 removed"},  // no PsychoRear
    {"RailBasicLeft", 1000, -1, "15000 removed"},
    {"RailBasicRight", 0, 14000, "14000 explosion score 100 removed"},
    {"Asteroid", 1000, -1, "15000 removed"},  // counted from spawn, not from the delay
};

TEST_F(BehaviorTest, EndRules) {
  for (const Ending& e : kEndings) {
    for (const char* model : {"Magic", ""}) {
      SCOPED_TRACE(std::string(e.behavior) + " " + std::to_string(e.delay) + " " + model);
      math::SeedRandom(3);
      const Lines log = Timeline(Make(e.behavior, e.delay, model), 42000, {}, e.killAge);
      ASSERT_GE(log.size(), 2u);
      const std::string removal =
          std::regex_replace(log[log.size() - 2], std::regex(R"( \+(Bullet|Missile|Ray)@\d+)"), "");
      EXPECT_EQ(removal, e.removal);
      EXPECT_EQ(log.back(), std::to_string(std::stoi(e.removal) + kFrameMs) + " gone");
      Reset();
    }
  }
}

// The turrets fire from the first lock point of their model's first part (9 ahead of a Magic), or from the
// model's position when it has none ("Bomb"), as it was before the frame that fired.
TEST_F(BehaviorTest, TurretsFireFromTheirGunOrTheirPosition) {
  engine().state = kSideView;
  for (const char* behavior : {"TripleShot", "RotateCannon", "LaserFollow"}) {
    for (const char* model : {"Magic", "Bomb"}) {
      SCOPED_TRACE(std::string(behavior) + " " + model);
      const Model& m = *Make(behavior, 0, model)->GetModel();
      const bool hasGun = !m.parts.empty() && !m.parts[0]->lockPoints.empty();
      ASSERT_EQ(hasGun, *model == 'M');
      math::Vec3 gun = hasGun ? m.parts[0]->lockPoints[0].worldPosition : m.position;
      ASSERT_EQ(Vec(gun), Vec(hasGun ? m.position + 9.0f * m.zAxis : m.position));
      for (int age = 0; engine().enemyObjects.empty() && age < 6000; age += kFrameMs) {
        gun = hasGun ? m.parts[0]->lockPoints[0].worldPosition : m.position;
        Tick();
        manager().Update();
      }
      ASSERT_FALSE(engine().enemyObjects.empty());
      for (const Projectile* shot : engine().enemyObjects) EXPECT_EQ(Vec(shot->position), Vec(gun));
      Reset();
    }
  }
}

// No turn toward the player without one, nor when already aimed (no axis to turn about); the goldens show
// the turn otherwise.
TEST_F(BehaviorTest, NoTurnWithoutAPlayerOrWhenAimed) {
  engine().state = kRailView;
  for (const char* behavior : {"Follow", "LaserFollow"}) {
    for (bool aimed : {false, true}) {
      engine().players.assign(aimed ? 1 : 0, player);
      player->SetPosition(0.0f, aimed ? 0.0f : 100.0f, 0.0f);
      Enemy* enemy = Make(behavior, 0);
      Timeline(enemy, 1900);
      EXPECT_EQ(Vec(enemy->GetModel()->zAxis), "0 0 -1") << behavior << (aimed ? " aimed" : " no player");
      Reset();
    }
  }
  engine().players.assign(1, player);
}

}  // namespace
