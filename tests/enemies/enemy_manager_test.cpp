// The enemy manager on the headless engine: reading the tables, spawning formations in the rail frame, the
// update pass (groups spawned during it, emptied groups), the damage rules, the hit flash and the death.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/sound_system.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/powerup.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "harness/engine_harness.h"
#include "math/random.h"

namespace {

using plat::headless::SoundCall;

struct Names {
  std::vector<Behavior> behaviors;
  std::vector<int> members;
};

Names Read(const std::string& types) {
  EnemyManager manager(&types, nullptr);
  Names names;
  for (const BehaviorType& t : manager.behaviorTypes) {
    names.behaviors.push_back(t.behavior);
    names.members.push_back(t.memberCount);
  }
  return names;
}

TEST(EnemyTables, RecordsAreReadToTheEndOfTheFileWhateverWhiteSpaceFollows) {
  const std::string types = "1 0 SimpleLine 0 0 0\n2 250\nFollow 1 2 3\t4 5 6";
  const Names bare = Read(types), trailing = Read(types + "\n\n  \n");
  EXPECT_EQ(bare.members, (std::vector<int>{1, 2}));
  EXPECT_EQ(bare.behaviors, (std::vector<Behavior>{SimpleLine, Follow}));
  EXPECT_EQ(trailing.members, bare.members);

  const std::string enemies = "Magic 40 2000 100\nDirt 50.5 1000 50";
  EnemyManager manager(&types, &enemies);
  ASSERT_EQ(manager.enemyTypes.size(), 2u);
  EXPECT_EQ(manager.enemyTypes[1].typeId, 1);
  EXPECT_FLOAT_EQ(manager.enemyTypes[1].speed, 50.5f);
  EXPECT_EQ(manager.enemyTypes[1].health, 1000);
  EXPECT_EQ(manager.enemyTypes[1].score, 50);

  // Without the formation table the enemy table is not read either.
  EnemyManager noTypes(nullptr, &enemies);
  EXPECT_TRUE(noTypes.enemyTypes.empty());
}

TEST(EnemyTables, BehaviourNamesMatchWholeAndByCaseAndUnknownOnesKeepTheirPlace) {
  const Names names = Read(
      "1 0 Rotate 0 0 0  1 0 RotateCannon 0 0 0  1 0 rotate 0 0 0  1 0 RotateCannonX 0 0 0  "
      "1 0 Rotat 0 0 0  1 0 simpleline 0 0 0  1 0 Asteroid 0 0 0");
  EXPECT_EQ(names.behaviors,
            (std::vector<Behavior>{Rotate, RotateCannon, nullptr, nullptr, nullptr, nullptr, Asteroid}));
}

TEST(EnemyTables, AShortRecordIsLeftOutAndAnUncleanNumberReadsByItsLeadingDigits) {
  EXPECT_EQ(Read("2x 0 Follow 1 2 3 4 5 6").members, (std::vector<int>{2}));
  EXPECT_EQ(Read("1 0 Follow 0 0 0  3 0 Follow 1 2 3").members, (std::vector<int>{1}));
  EXPECT_EQ(Read("-2 0 SimpleLine  0 0 Follow").members, (std::vector<int>{-2, 0}));
  const std::string types = "1 0 Follow 0 0 0", enemies = "Magic 40 2000 100 Dirt 50";
  EXPECT_EQ(EnemyManager(&types, &enemies).enemyTypes.size(), 1u);
}

// A behaviour that records its calls and, on its first call, spawns formations from inside the pass.
std::vector<std::string> g_calls;
int g_spawnsLeft = 0;
void Spawner(Enemy* enemy) {
  g_calls.push_back("spawner " + std::to_string(enemy->spawnDelayMs));
  // Enough groups that the group storage must grow while this group's behaviour is running.
  for (; g_spawnsLeft > 0; --g_spawnsLeft) g_engine->enemyManager->SpawnEnemy(0, 0, 0, 0, 0);
}
void Spawned(Enemy*) {
  g_calls.push_back("spawned");
}
void Idle(Enemy*) {}

class EnemyManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    manager().Clear();
    manager().behaviorTypes = {{1, 0, {{0, 0, 0}}, Spawned}};
    math::SeedRandom(7);
  }
  EnemyManager& manager() { return *harness.engine().enemyManager; }
  void Tick(uint32_t ms) {
    harness.services.AdvanceTicks(ms);
    Timer().Tick();
  }
  Enemy* Spawn(int enemyId, int behaviorId) {
    EXPECT_TRUE(manager().SpawnEnemy(enemyId, behaviorId, 0, 0, 0));
    return manager().GetGroups().back()->members.at(0);
  }

  EngineHarness harness;
};

TEST_F(EnemyManagerTest, AFormationIsPlacedInTheRailFrameWithItsDelaysAndFacesBackAlongTheRail) {
  manager().behaviorTypes = {
      {5, 500, {{-120, 0, 0}, {-60, 0, 0}, {0, 0, 0}, {60, 0, 10}, {120, 5, 0}}, Spawned}};
  // A turned rail: forward along +x, side along -z.
  manager().SetAxes(0, 1, 0, 0, 0, -1, 1, 0, 0);
  ASSERT_TRUE(manager().SpawnEnemy(1, 0, 100, 20, 300));
  ASSERT_EQ(manager().GetGroups().size(), 1u);
  const std::vector<Enemy*>& members = manager().GetGroups()[0]->members;
  ASSERT_EQ(members.size(), 5u);
  EXPECT_EQ(manager().count, 5);
  const math::Vec3 expected[] = {
      {100, 20, 420}, {100, 20, 360}, {100, 20, 300}, {110, 20, 240}, {100, 25, 180}};
  std::vector<int> jitters;
  for (int i = 0; i < 5; ++i) {
    const Model* model = members[i]->GetModel();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(members[i]->spawnDelayMs, 500 * i);
    EXPECT_EQ(model->position, expected[i]) << i;
    EXPECT_NEAR(model->xAxis.z, 1.0f, 1e-5f);   // minus the side
    EXPECT_NEAR(model->zAxis.x, -1.0f, 1e-5f);  // minus the forward: toward the player
    EXPECT_EQ(members[i]->health, 3000);
    EXPECT_EQ(members[i]->GetDamage(), 1);
    jitters.push_back(members[i]->scratch[5]);
  }
  EXPECT_NE(jitters[0], jitters[1]);

  // Ids outside the tables spawn nothing.
  for (auto [e, b] : {std::pair{-1, 0}, {1, -1}, {14, 0}, {0, 1}})
    EXPECT_FALSE(manager().SpawnEnemy(e, b, 0, 0, 0));
  EXPECT_EQ(manager().GetGroups().size(), 1u);
}

TEST_F(EnemyManagerTest, GroupsSpawnedDuringThePassRunInItAndAnEmptiedGroupGoesTheFrameAfter) {
  manager().behaviorTypes = {{1, 0, {{0, 0, 0}}, Spawned}, {2, 250, {{0, 0, 0}, {0, 0, 0}}, Spawner}};
  g_spawnsLeft = 40;
  Spawn(0, 1);
  Tick(20);
  manager().Update();
  ASSERT_EQ(g_calls.size(), 42u);
  EXPECT_EQ(g_calls[0], "spawner 0");
  EXPECT_EQ(g_calls[1], "spawner 250");  // the spawning member's group ran on after the storage grew
  EXPECT_EQ(g_calls[41], "spawned");
  EXPECT_EQ(manager().count, 42);

  Enemy* last = manager().GetGroups().back()->members[0];
  last->remove = true;
  Tick(20);
  manager().Update();
  EXPECT_EQ(manager().count, 41);
  EXPECT_EQ(manager().GetGroups().size(), 41u);  // emptied, but still there
  Tick(20);
  manager().Update();
  EXPECT_EQ(manager().GetGroups().size(), 40u);

  manager().Clear();
  EXPECT_EQ(manager().count, 0);
  EXPECT_TRUE(manager().GetGroups().empty());
}

TEST_F(EnemyManagerTest, DamageFollowsTheRulesOfEachKind) {
  struct Hit {
    int type;
    int part;
    bool shielded;            // PsychoRear with a generator left
    std::vector<int> armour;  // scratch[0..4] before the hit
    int health;               // expected health after a hit of 100 from 1000
    std::vector<int> after;   // expected scratch[0..4]
    int flashedPart;          // -1 none
  };
  const Hit hits[] = {
      {0, 3, false, {}, 900, {}, 0},
      {kPhantomId, 2, false, {}, 900, {}, 0},
      {kPsychoRearId, 0, true, {}, 1000, {}, -1},
      {kPsychoRearId, 0, false, {}, 900, {}, -1},
      {kPsychoSideId, 2, false, {50, 50, 50, 50, 50}, 1000, {50, 50, -50, 50, 50}, 2},
      {kPsychoSideId, 5, false, {50, 50, 50, 50, 50}, 1000, {50, 50, 50, 50, 50}, -1},
      {kPsychoFrontId, 8, false, {50, 50, 50, 50, 50}, 1000, {50, 50, 50, 50, -50}, 8},
      {kPsychoFrontId, 7, false, {50, 50, 50, 50, 50}, 1000, {50, 50, 50, 50, 50}, -1},
      {kPsychoFrontId, 7, false, {50, 50, 50, 50, 0}, 1000, {50, 50, 50, -50, 0}, 7},
      {kPsychoFrontId, 1, false, {1, 0, 0, 0, 0}, 1000, {1, 0, 0, 0, 0}, -1},
      {kPsychoFrontId, 1, false, {0, 0, 0, 0, 0}, 900, {0, 0, 0, 0, 0}, 1},
      {kPsychoFrontId, 2, false, {0, 0, 0, 0, 0}, 1000, {0, 0, 0, 0, 0}, -1},
  };
  Enemy shield;
  Entity shot;
  shot.SetDamage(100);
  for (const Hit& h : hits) {
    Enemy enemy;
    enemy.typeId = h.type;
    enemy.health = 1000;
    if (h.shielded) enemy.linkB = &shield;
    for (size_t i = 0; i < h.armour.size(); ++i) enemy.scratch[i] = h.armour[i];
    enemy.OnCollision(&shot, h.part);
    EXPECT_EQ(enemy.health, h.health) << h.type << " part " << h.part;
    for (size_t i = 0; i < h.after.size(); ++i) EXPECT_EQ(enemy.scratch[i], h.after[i]) << h.type << " " << i;
    for (int p = 0; p < Enemy::kSlots; ++p) {
      EXPECT_EQ(enemy.hitFlashMs[p], p == h.flashedPart ? 1000 : 0) << h.type << " part " << h.part;
    }
  }
  Enemy waiting;
  waiting.health = 1000;
  manager().startDelayMs = 1;
  waiting.OnCollision(&shot, 0);
  EXPECT_EQ(waiting.health, 1000);
  manager().startDelayMs = 0;
}

TEST_F(EnemyManagerTest, AHitBlinksPartZeroForOneSecondAndPartBossesAreLeftAlone) {
  manager().behaviorTypes[0].behavior = Idle;
  Enemy* enemy = Spawn(0, 0);
  Enemy* boss = Spawn(1, 0);
  boss->typeId = kPsychoSideId;
  Entity shot;
  enemy->OnCollision(&shot, 0);
  boss->hitFlashMs[0] = 1000;
  std::vector<float> flash;
  for (int frame = 1; frame <= 60; ++frame) {
    Tick(20);
    manager().Update();
    if (frame % 5 == 0) flash.push_back(std::round(enemy->GetModel()->parts[0]->hitFlash * 100) / 100);
    ASSERT_EQ(boss->GetModel()->parts[0]->hitFlash, 0.0f);
  }
  // Up by 0.08 a frame to 1, down to 0 and up again, then off once the second has passed.
  EXPECT_EQ(flash, (std::vector<float>{0.4f, 0.8f, 0.84f, 0.44f, 0.04f, 0.32f, 0.72f, 0.92f, 0.52f, 0.12f,
                                       0.0f, 0.0f}));
}

TEST_F(EnemyManagerTest, DeathPaysScoreExplodesAndMayDropButATimedOutEnemyGoesSilently) {
  harness.engine().score = 0;
  Enemy* enemy = Spawn(0, 0);
  enemy->score = 250;
  Tick(20);
  for (int t = 0; t < 60; ++t) Tick(100);  // age 6 s
  Enemy::Die(enemy, 6000, 1);              // lifetime over, health or not
  EXPECT_TRUE(enemy->remove);
  EXPECT_EQ(harness.engine().score, 0);
  EXPECT_TRUE(harness.engine().enemyObjects.empty());

  auto liveSystems = [this] {
    const auto& systems = harness.graphics().freeParticleSystems;
    return std::count_if(systems.begin(), systems.end(),
                         [](const ParticleSystem* s) { return s != nullptr; });
  };
  const auto particles = liveSystems();
  harness.services.Sounds().ClearRecords();
  enemy->remove = false;
  Enemy::Die(enemy, 7000, 1);
  EXPECT_TRUE(enemy->remove);
  EXPECT_EQ(harness.engine().score, 250);
  EXPECT_EQ(liveSystems(), particles + 10);  // an explosion is ten emitters
  EXPECT_EQ(harness.services.Sounds().Lines({SoundCall::Play3D}).size(), 1u);
  ASSERT_EQ(harness.engine().enemyObjects.size(), 1u);
  auto* drop = dynamic_cast<PowerUp*>(harness.engine().enemyObjects[0]);
  ASSERT_NE(drop, nullptr);
  EXPECT_EQ(drop->position, enemy->GetModel()->position);

  // One kill in a thousand drops: a seeded run of kills drops about that often.
  int drops = 0;
  for (int i = 0; i < 4000; ++i) {
    const size_t before = harness.engine().enemyObjects.size();
    Enemy::Die(enemy, 0, 1000);
    drops += harness.engine().enemyObjects.size() > before ? 1 : 0;
  }
  EXPECT_GE(drops, 1);
  EXPECT_LE(drops, 12);
}

}  // namespace
