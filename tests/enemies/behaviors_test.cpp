// The formation behaviours on the headless engine with the real enemy tables: per behaviour a timeline of
// what one member shows, fires and how it ends on a fixed 20 ms clock, with the player at a fixed place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/game_state.h"
#include "app/timer.h"
#include "enemies/behaviors.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "game/powerup.h"
#include "game/projectile.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "harness/engine_harness.h"
#include "math/random.h"

namespace {

using Lines = std::vector<std::string>;
constexpr int kFrameMs = 20;
const math::Vec3 kPlayerAt{40.0f, 0.0f, 0.0f};
const math::Vec3 kSpawnAt{0.0f, 0.0f, 300.0f};

// Record ids in assets/Enemies/ai_types.txt and ai_enemies.txt.
enum Record {
  kFollow1 = 0,
  kRotate1 = 3,
  kSimpleLine5 = 4,
  kTripleShot1 = 6,
  kRotateCannon1 = 9,
  kLaserFollow1 = 10,
  kLoopUpLeft5 = 11,
  kLoopDownRight5 = 12,
  kHookUpLeft4 = 13,
  kHookDownRight4 = 14,
  kWaveUpLeft5 = 15,
  kWaveDownRight5 = 16,
  kRailBasicLeft3 = 17,
  kRailBasicRight3 = 18,
  kAsteroid1 = 19,
  kSimpleLine1 = 21
};
constexpr int kMagic = 0;  // speed 40, health 2000, score 100

std::string Num(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", std::round(v * 100.0f) / 100.0f + 0.0f);
  return text;
}
std::string Vec(const math::Vec3& v) {
  return Num(v.x) + " " + Num(v.y) + " " + Num(v.z);
}

class BehaviorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness = std::make_unique<EngineHarness>(kFrameMs);
    engine().state = kTopView;
    auto* player = new Player(&engine(), &engine().previousState);
    player->SetPosition(kPlayerAt.x, kPlayerAt.y, kPlayerAt.z);
    engine().players.push_back(player);
    math::SeedRandom(11);
  }

  Engine& engine() { return harness->engine(); }
  EnemyManager& manager() { return *engine().enemyManager; }
  int Now() const { return Timer().GetTimeMs(); }

  // Spawns a formation and keeps only member `member`, with the given fire jitter; the others go on the
  // first update, before any behaviour runs.
  Enemy* SpawnOne(int behaviorId, int member, int jitter = 0, int enemyId = kMagic) {
    EXPECT_TRUE(manager().SpawnEnemy(enemyId, behaviorId, kSpawnAt.x, kSpawnAt.y, kSpawnAt.z));
    spawnMs = Now();
    std::vector<Enemy*>& members = manager().GetGroups().back()->members;
    for (size_t i = 0; i < members.size(); ++i) members[i]->remove = static_cast<int>(i) != member;
    Enemy* kept = members.at(static_cast<size_t>(member));
    kept->scratch[5] = jitter;
    return kept;
  }

  // A member made by hand in a group of its own, as the spawn makes one (a Magic: speed 40, health 2000,
  // score 100) but with the given delay, model ("" for none) and no fire jitter.
  Enemy* Make(const char* behavior, int delay, const char* model = "Magic") {
    auto group = std::make_unique<EnemyGroup>();
    group->behavior = FindBehavior(behavior);
    EXPECT_NE(group->behavior, nullptr) << behavior;
    auto* enemy = new Enemy();
    if (*model != '\0') enemy->LoadModel(model, false);
    math::Vec3 right{-1, 0, 0}, up{0, 1, 0}, back{0, 0, -1};
    enemy->SetOrientation(right, up, back);
    enemy->SetPosition(kSpawnAt.x, kSpawnAt.y, kSpawnAt.z);
    enemy->health = 2000;
    enemy->score = 100;
    enemy->speed = 40.0f;
    enemy->scratch[5] = 0;
    enemy->spawnDelayMs = delay;
    group->members.push_back(enemy);
    manager().GetGroups().push_back(std::move(group));
    spawnMs = Now();
    return enemy;
  }

  // What a frame can change: shots by class, glows and charges on the model, visibility, explosion sounds,
  // the score, the end.
  struct Seen {
    int bullets = 0, missiles = 0, rays = 0, drops = 0, glows = 0, charges = 0, explosions = 0, score = 0;
    bool visible = true, removed = false, gone = false;
  };
  Seen Look(const EntityHandle& handle) {
    Seen s;
    for (Projectile* p : engine().enemyObjects) {
      s.bullets += dynamic_cast<Bullet*>(p) != nullptr;
      s.missiles += dynamic_cast<Missile*>(p) != nullptr;
      s.rays += dynamic_cast<RayShot*>(p) != nullptr;
      s.drops += dynamic_cast<PowerUp*>(p) != nullptr;
    }
    s.explosions =
        static_cast<int>(harness->services.Sounds().Lines({plat::headless::SoundCall::Play3D}).size());
    s.score = engine().score;
    auto* enemy = static_cast<Enemy*>(handle.Get());
    s.gone = enemy == nullptr;
    if (s.gone) return s;
    s.removed = enemy->remove;
    if (enemy->GetModel() == nullptr) return s;
    for (ParticleSystem* system : enemy->GetModel()->particleSystems) {
      s.glows += system->kind == kConvergeParticles;
      s.charges += system->kind == kChargeRingParticles;
    }
    s.visible = enemy->GetModel()->visible;
    return s;
  }

  // Runs the spawn's own frame (as a level event does, the behaviour's first call comes at age 0), then
  // frames until the member's age reaches untilAge or it is gone. One line per frame in which something
  // changed ("<age> +2 Bullet hidden ..."), with the model's position and X and Z axes at the sample ages.
  // The model's effects are counted from none, so the spawn glow shows in the first line.
  Lines Timeline(Enemy* enemy, int untilAge, const std::set<int>& samples = {}, int killAge = -1) {
    const EntityHandle handle = enemy->Handle();
    Lines log;
    Seen was = Look(handle);
    was.glows = was.charges = 0;
    was.visible = true;
    for (bool first = true; first || (Now() - spawnMs < untilAge && !was.gone); first = false) {
      if (!first) {
        harness->services.AdvanceTicks(kFrameMs);
        Timer().Tick();
      }
      const int age = Now() - spawnMs;
      if (age == killAge && handle.Get() != nullptr) static_cast<Enemy*>(handle.Get())->health = 0;
      manager().Update();
      const Seen is = Look(handle);
      std::string line;
      auto more = [&line](int now, int then, const char* what) {
        if (now > then) line += " +" + std::to_string(now - then) + " " + what;
      };
      more(is.bullets, was.bullets, "Bullet");
      more(is.missiles, was.missiles, "Missile");
      more(is.rays, was.rays, "Ray");
      more(is.drops, was.drops, "PowerUp");
      more(is.glows, was.glows, "glow");
      more(is.charges, was.charges, "charge");
      more(is.explosions, was.explosions, "explosion");
      if (is.score != was.score) line += " score " + std::to_string(is.score);
      if (is.visible != was.visible) line += is.visible ? " shown" : " hidden";
      if (is.removed && !was.removed) line += " removed";
      if (is.gone) line += " gone";
      if (samples.count(age) != 0 && !is.gone && handle.Get()->GetModel() != nullptr) {
        const Model* model = handle.Get()->GetModel();
        line += " at " + Vec(model->position) + " x " + Vec(model->xAxis) + " z " + Vec(model->zAxis);
      }
      if (!line.empty()) log.push_back(std::to_string(age) + line);
      was = is;
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
  int spawnMs = 0;
};

struct Case {
  int behaviorId, member, view, jitter, untilAge;
};
struct Golden {
  const char* name;
  Case run;
  std::set<int> samples;
  Lines expected;
  bool withBoss = false;  // a PsychoRear body at the spawn point, the member 30 to its left
};

// The members face the player (forward -z) from 300 ahead; the rail runs along +z at 50 a second.
const Golden kGoldens[] = {
    {"SimpleLine delay 1000",
     {kSimpleLine5, 2, kTopView, 0, 16100},
     {1000},
     {"0 +1 glow", "1000 at 0 0 325 x -1 0 0 z 0 0 -1", "2000 +1 Bullet", "4020 +1 Bullet", "6040 +1 Bullet",
      "8060 +1 Bullet", "10080 +1 Bullet", "12100 +1 Bullet", "14120 +1 Bullet", "16000 removed",
      "16020 gone"}},
    {"TripleShot",
     {kTripleShot1, 0, kTopView, 0, 6100},
     {0, 3000},
     {"0 +1 glow at 0 0 300.8 x 0.02 1 0 z 0 0 -1", "3000 +3 Bullet at 0 0 420.8 x -0.02 -1 0 z 0 0 -1",
      "6020 +3 Bullet"}},
    {"RotateCannon",
     {kRotateCannon1, 0, kSideView, 0, 6100},
     {1000, 2000},
     {"0 +4 Missile +1 glow", "1000 at 0 0 300 x -1 0 0 z 0 -0.02 -1",
      "2000 at 0 0 300 x -1 0 0 z 0 -0.71 -0.71", "3020 +4 Missile", "6040 +4 Missile"}},
    {"LaserFollow",
     {kLaserFollow1, 0, kTopView, 0, 6100},
     {0, 2000},
     {"0 +1 glow at 0 0 300 x 0 1 0 z 0.01 0 -1", "2000 +1 charge at 0 0 300 x 0 1 0 z 0.14 0 -0.99",
      "3020 +1 Ray", "5040 +1 charge", "6060 +1 Ray"}},
    {"LoopUpLeft rail view",
     {kLoopUpLeft5, 1, kRailView, 0, 8000},
     {2000, 8000},
     {"0 +1 glow hidden", "400 +1 glow shown", "2000 at 0 0 320 x -1 0 0 z 0 0 -1",
      "8000 at 0 0 320 x -1 0 0 z 0 0 -1"}},
    {"LoopDownRight side view",
     {kLoopDownRight5, 0, kSideView, 0, 8000},
     {3000, 5000, 7000},
     {"0 +2 glow", "3000 at 0 151 450.85 x -1 0 0 z 0 1 -0.03", "5000 at 0 148 487.22 x -1 0 0 z 0 -1 0.03",
      "7000 at 0 150.9 650.88 x -1 0 0 z 0 1 0"}},
    {"HookUpLeft delay 300",
     {kHookUpLeft4, 1, kTopView, 0, 3400},
     {1300, 3400},
     {"0 +1 glow hidden", "320 +1 glow shown", "1300 at 0 0 336 x -1 0 0 z 0 0 -1", "3320 +1 Bullet",
      "3400 at -21.84 0 384.55 x -1 0 0 z 0 0 -1"}},
    {"HookDownRight side view",
     {kHookDownRight4, 0, kSideView, 0, 3000},
     {3000},
     {"0 +1 glow hidden", "20 +1 glow shown", "3000 at 0 -19.8 366.94 x -1 0 0 z 0 0 -1"}},
    {"WaveUpLeft delay 600",
     {kWaveUpLeft5, 2, kSideView, 0, 4700},
     {1600, 4600},
     {"0 +1 glow hidden", "600 +1 glow shown", "1600 at 0 20.4 391.2 x -1 0 0 z 0 0 -1", "2600 +1 Bullet",
      "4600 at 0 80.4 531.05 x -1 0 0 z 0 0 -1", "4620 +1 Bullet"}},
    {"WaveDownRight top view",
     {kWaveDownRight5, 0, kTopView, 500, 4100},
     {4000},
     {"0 +2 glow", "2500 +1 Bullet", "4000 at 80.4 0 501.05 x -1 0 0 z 0 0 -1"}},
    {"Follow",
     {kFollow1, 0, kTopView, 0, 10100},
     {1000, 5000},
     {"0 +1 glow", "1000 at 5.26 0 259.56 x -0.99 0 -0.16 z 0.16 0 -0.99",
      "5000 at 26.12 0 100.98 x -0.99 0 -0.16 z 0.16 0 -0.99", "10000 +1 explosion removed", "10020 gone"}},
    {"Rotate",
     {kRotate1, 0, kTopView, 0, 25100},
     {2000, 20000},
     {"0 +1 glow", "2000 +1 Bullet at 14.74 -26.13 300 x -1 0 0 z 0 0 -1", "4020 +1 Bullet", "6040 +1 Bullet",
      "8060 +1 Bullet", "10080 +1 Bullet", "12100 +1 Bullet", "14120 +1 Bullet", "16140 +1 Bullet",
      "18160 +1 Bullet", "20000 at -14.87 26.06 199 x -1 0 0 z 0 0 -1", "20180 +1 Bullet", "22200 +1 Bullet",
      "24220 +1 Bullet", "25000 +1 explosion score 100 removed", "25020 gone"},
     true},
    {"RailBasicRight",
     {kRailBasicRight3, 0, kRailView, 0, 15100},
     {5000, 6000, 6600},
     {"0 +1 glow", "5000 at 40 -10 802 x 1 0 0 z 0 0 1", "6000 at 40 -10 802 x 1 0 0 z 0 0 -1",
      "6020 +1 Bullet", "6600 at 52.5 -10.04 777.81 x 0.71 0 0.71 z 0.71 0 -0.71", "15000 removed",
      "15020 gone"}},
    {"RailBasicLeft",
     {kRailBasicLeft3, 0, kRailView, 0, 6600},
     {6600},
     {"0 +1 glow", "6020 +1 Bullet", "6600 at -52.5 9.96 777.81 x 0.71 0 -0.71 z -0.71 0 -0.71"}},
    {"Asteroid",
     {kAsteroid1, 0, kTopView, 0, 2000},
     {1000, 2000},
     {"0 +1 glow", "1000 at 0 0 325.5 x -1 0 0 z 0 0 -1", "2000 at 0 0 350.5 x -1 0.02 0 z 0 0 -1"}},
};

TEST_F(BehaviorTest, GoldenTimelines) {
  for (const Golden& g : kGoldens) {
    SCOPED_TRACE(g.name);
    engine().state = g.run.view;
    Enemy* boss = nullptr;
    if (g.withBoss) {
      EXPECT_TRUE(manager().SpawnEnemy(kMagic, kSimpleLine1, kSpawnAt.x, kSpawnAt.y, kSpawnAt.z));
      boss = manager().GetGroups().back()->members[0];
      boss->typeId = kPsychoRearId;
      boss->scratchF[9] = 6.0f;
      manager().GetGroups().back()->behavior = nullptr;
    }
    Enemy* enemy = SpawnOne(g.run.behaviorId, g.run.member, g.run.jitter);
    if (g.withBoss) enemy->SetPosition(kSpawnAt.x + 30.0f, kSpawnAt.y, kSpawnAt.z);
    const Lines log = Timeline(enemy, g.run.untilAge, g.samples);
    EXPECT_EQ(log, g.expected);
    if (boss != nullptr) {
      EXPECT_EQ(boss->scratchF[9], 5.0f);
    }
    Reset();
  }
}

// A timeline line without the shots it counts.
std::string WithoutShots(std::string line) {
  for (const char* shot : {" Bullet", " Missile", " Ray"}) {
    const size_t at = line.find(shot);
    if (at == std::string::npos) continue;
    const size_t from = line.rfind(" +", at);
    line.erase(from, at + std::strlen(shot) - from);
  }
  return line;
}

// How each behaviour ends, with its model and without one (a member without a model does nothing else):
// the frame that flags it, and whether that was a kill (explosion, score) or a silent removal.
struct Ending {
  const char* behavior;
  int delay, killAge;
  const char* removal;
};
const Ending kEndings[] = {
    {"SimpleLine", 1000, -1, "16000 removed"},
    {"SimpleLine", 1000, 15000, "15000 +1 explosion score 100 removed"},
    {"TripleShot", 1000, -1, "41000 removed"},
    {"TripleShot", 1000, 40200, "40200 removed"},  // past 40000 a kill is silent
    {"TripleShot", 1000, 39000, "39000 +1 explosion score 100 removed"},
    {"RotateCannon", 500, -1, "30500 removed"},
    {"LaserFollow", 500, -1, "15500 removed"},
    {"LoopUpLeft", 400, -1, "15400 removed"},
    {"LoopDownRight", 800, -1, "15800 removed"},
    {"HookUpLeft", 300, -1, "15300 removed"},
    {"HookDownRight", 0, -1, "15000 removed"},
    {"WaveUpLeft", 600, -1, "15600 removed"},
    {"WaveDownRight", 1200, 2000, "2000 +1 explosion score 100 removed"},
    {"Follow", 0, -1, "10000 +1 explosion removed"},  // an unshot follower explodes unpaid
    {"Follow", 0, 5000, "5000 +1 explosion score 100 removed"},
    {"Rotate", 0, -1, "0 removed"},  // no PsychoRear
    {"RailBasicLeft", 1000, -1, "15000 removed"},
    {"RailBasicRight", 0, 14000, "14000 +1 explosion score 100 removed"},
    {"Asteroid", 1000, -1, "15000 removed"},  // counted from spawn, not from the delay
};

TEST_F(BehaviorTest, EndRules) {
  for (const Ending& e : kEndings) {
    for (const char* model : {"Magic", ""}) {
      SCOPED_TRACE(std::string(e.behavior) + " delay " + std::to_string(e.delay) + " model " + model);
      math::SeedRandom(3);
      const Lines log = Timeline(Make(e.behavior, e.delay, model), 42000, {}, e.killAge);
      ASSERT_GE(log.size(), 2u);
      EXPECT_EQ(WithoutShots(log[log.size() - 2]), e.removal);
      EXPECT_EQ(log.back(), std::to_string(std::stoi(e.removal) + kFrameMs) + " gone");
      Reset();
    }
  }
}

// The turrets fire from the first lock point of their model's first part, or from the model's position
// when it has none ("Bomb"): the shot starts where that point was before the frame that fired it.
TEST_F(BehaviorTest, TurretsFireFromTheirGunOrTheirPosition) {
  engine().state = kSideView;
  for (const char* behavior : {"TripleShot", "RotateCannon", "LaserFollow"}) {
    for (const char* model : {"Magic", "Bomb"}) {
      SCOPED_TRACE(std::string(behavior) + " " + model);
      Enemy* enemy = Make(behavior, 0, model);
      const Model& m = *enemy->GetModel();
      const bool hasGun = !m.parts.empty() && !m.parts[0]->lockPoints.empty();
      ASSERT_EQ(hasGun, std::string(model) == "Magic");
      math::Vec3 gun;
      for (int frame = 0; engine().enemyObjects.empty() && frame < 300; ++frame) {
        gun = hasGun ? m.parts[0]->lockPoints[0].worldPosition : m.position;
        ASSERT_TRUE(!hasGun || math::Vec3LengthSq(gun - m.position) > 80.0f);  // 9 ahead of the model
        harness->services.AdvanceTicks(kFrameMs);
        Timer().Tick();
        manager().Update();
      }
      ASSERT_FALSE(engine().enemyObjects.empty());
      for (const Projectile* shot : engine().enemyObjects) EXPECT_EQ(Vec(shot->position), Vec(gun));
      Reset();
    }
  }
}

// The turrets' shots: the triple shot's fan of 30 degrees up and down, the cannon's cross of four missiles
// about its gun's axis, and the minion's bullet tilted 30 degrees toward the player.
TEST_F(BehaviorTest, ShotDirections) {
  engine().state = kSideView;
  auto angles = [this](const math::Vec3& from) {
    std::string text;
    for (const Projectile* shot : engine().enemyObjects) {
      const float cosine = math::Vec3Dot(shot->GetModel()->zAxis, from);
      text += " " + std::to_string(std::lround(std::acos(std::clamp(cosine, -1.0f, 1.0f)) * 57.29578f));
    }
    return text;
  };
  Enemy* triple = Make("TripleShot", 0);
  Timeline(triple, 3000);
  EXPECT_EQ(angles(triple->GetModel()->zAxis), " 0 30 30");
  // One up, one down.
  EXPECT_LT(engine().enemyObjects[1]->GetModel()->zAxis.y * engine().enemyObjects[2]->GetModel()->zAxis.y,
            0.0f);
  Reset();

  Enemy* cannon = Make("RotateCannon", 0);
  Timeline(cannon, 0);
  EXPECT_EQ(angles(cannon->GetModel()->parts[0]->worldZAxis), " 0 90 180 90");
  Reset();

  Enemy* boss = Make("SimpleLine", 0);
  boss->typeId = kPsychoRearId;
  manager().GetGroups().back()->behavior = nullptr;
  Enemy* minion = Make("Rotate", 0);
  minion->SetPosition(kSpawnAt.x + 30.0f, kSpawnAt.y, kSpawnAt.z);
  Timeline(minion, 2000);
  ASSERT_EQ(engine().enemyObjects.size(), 1u);
  const math::Vec3 shot = engine().enemyObjects[0]->GetModel()->zAxis;
  EXPECT_EQ(angles(minion->GetModel()->zAxis), " 30");
  EXPECT_GT(shot.x, 0.0f);  // toward the player at x 40
}

// Turning toward the player: none without a player, none when already aimed (no axis to turn about), and a
// turn toward it otherwise.
TEST_F(BehaviorTest, TurnTowardThePlayer) {
  struct Turn {
    const char* behavior;
    bool player;
    math::Vec3 playerAt;
    const char* zAfter;
  };
  const Turn kTurns[] = {
      {"Follow", false, {}, "0 0 -1"},
      {"Follow", true, {0, 0, 0}, "0 0 -1"},
      {"Follow", true, {-300, 0, 0}, "-0.74 0 -0.67"},  // it closes in while it turns
      {"LaserFollow", false, {}, "0 0 -1"},
      {"LaserFollow", true, {0, 0, 0}, "0 0 -1"},
      {"LaserFollow", true, {0, 100, 0}, "0 0.33 -0.94"},  // aimed to within a frame's turn
  };
  engine().state = kRailView;
  Player* player = engine().players[0];
  for (const Turn& t : kTurns) {
    SCOPED_TRACE(std::string(t.behavior) + (t.player ? " player at " + Vec(t.playerAt) : " no player"));
    engine().players.clear();
    if (t.player) engine().players.push_back(player);
    player->SetPosition(t.playerAt.x, t.playerAt.y, t.playerAt.z);
    Enemy* enemy = Make(t.behavior, 0);
    Timeline(enemy, 1900);
    EXPECT_EQ(Vec(enemy->GetModel()->zAxis), t.zAfter);
    Reset();
  }
  engine().players.assign(1, player);
}

}  // namespace
