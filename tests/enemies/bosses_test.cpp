// The four bosses on the headless engine with a fixed 20 ms clock and scripted damage: what each spawner
// builds, the model check, each boss's timeline of moves, shots, minions and death, the links between
// parts, and the test level that brings every boss in its view.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "app/game_state.h"
#include "app/sound_system.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "game/projectile.h"
#include "graphics/graphics_test_support.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "harness/engine_harness.h"
#include "math/random.h"

namespace {

constexpr int kBossFormation = 21;  // a one-member formation
constexpr int kFrameMs = 20;

// Times (ms from the boss's first update) at first, then every period after, below end.
std::vector<int> Every(int first, int period, int end) {
  std::vector<int> times;
  for (int t = first; t < end; t += period) times.push_back(t);
  return times;
}

float Angle(math::Vec3 a, math::Vec3 b) {
  return std::acos(math::Vec3Dot(math::Vec3Normalize(a), math::Vec3Normalize(b)));
}

class BossTest : public ::testing::Test {
 protected:
  void SetUp() override {
    manager().Clear();
    math::SeedRandom(11);
    g_gameSpeed = 0.0f;
    // A ship at the origin for the bosses to aim at; they stand 300 ahead on the rail.
    engine().players.push_back(new Player(&engine(), &engine().previousState));
    engine().players[0]->SetPosition(0, 0, 0);
  }

  Engine& engine() { return harness.engine(); }
  EnemyManager& manager() { return *engine().enemyManager; }
  const math::Vec3& ShipAt() { return engine().players[0]->GetModel()->position; }

  // Spawns a boss 300 ahead; T() counts from its first update.
  Enemy* Spawn(int enemyId) {
    EXPECT_TRUE(manager().SpawnEnemy(enemyId, kBossFormation, 0, 0, 300));
    start_ = Timer().GetTimeMs() + kFrameMs;
    return manager().FindEnemyByType(enemyId);
  }
  int T() const { return Timer().GetTimeMs() - start_; }

  // One frame of the manager, recording by time the shots, minion formations and explosions it made.
  void Frame() {
    harness.services.AdvanceTicks(kFrameMs);
    Timer().Tick();
    manager().Update();
    for (const auto& shots = engine().enemyObjects; seenShots_ < shots.size(); ++seenShots_) {
      Projectile* shot = shots[seenShots_];
      if (auto* ray = dynamic_cast<RayShot*>(shot)) rays.push_back({T(), ray->origin, shot});
      if (dynamic_cast<Bullet*>(shot) != nullptr) bullets.push_back({T(), shot->position, shot});
      if (dynamic_cast<Missile*>(shot) != nullptr) missiles.push_back({T(), shot->position, shot});
    }
    // A formation made this frame has members of age 0 (groups emptied this frame may have gone).
    for (const auto& group : manager().GetGroups()) {
      if (group->members.empty() || group->members[0]->GetAgeMs() != 0) continue;
      minions.push_back({T(), group->members[0]->typeId, static_cast<int>(group->members.size())});
    }
    int systems = 0;
    for (const ParticleSystem* s : harness.graphics().freeParticleSystems) systems += s != nullptr ? 1 : 0;
    for (int k = (systems - systems_) / 10; k > 0; --k) explosions.push_back(T());  // ten emitters each
    systems_ = systems;
  }
  void RunUntil(int t) {
    while (T() < t) Frame();
  }
  // Runs until no enemy of the type is left (at most limit ms) and returns the time.
  int RunUntilGone(int typeId, int limit) {
    for (const int end = T() + limit; manager().FindEnemyByType(typeId) != nullptr && T() < end;) Frame();
    return T();
  }
  static int ChargeRings(const Model& model) {
    return static_cast<int>(
        std::count_if(model.particleSystems.begin(), model.particleSystems.end(),
                      [](const ParticleSystem* s) { return s->kind == kChargeRingParticles; }));
  }
  static void Hit(Enemy* enemy, int part, int damage) {
    Entity shot;
    shot.SetDamage(damage);
    enemy->OnCollision(&shot, part);
  }

  struct Shot {
    int t;
    math::Vec3 at;
    Projectile* shot;
  };
  static std::vector<int> Times(const std::vector<Shot>& shots) {
    std::vector<int> times;
    for (const Shot& s : shots) times.push_back(s.t);
    return times;
  }

  EngineHarness harness{kFrameMs};
  std::vector<Shot> rays, bullets, missiles;
  std::vector<std::array<int, 3>> minions;  // time, enemy type, members
  std::vector<int> explosions;

 private:
  int start_ = 0;
  size_t seenShots_ = 0;
  int systems_ = 0;
};

TEST_F(BossTest, EachSpawnerBuildsItsPartsLinksAndCountWhateverTheFormation) {
  struct Case {
    int enemyId, formation;
    std::vector<int> typeIds, health;  // group by group
  };
  const Case cases[] = {
      {kPhantomId, 4, {-1, -1, kPhantomId}, {150000, 150000, 300000}},
      {kPsychoRearId, 21, {-1, -1, kPsychoRearId}, {200000, 200000, 10000}},
      {kPsychoSideId, 5, {kPsychoSideId}, {1}},
      {kPsychoFrontId, 21, {kPsychoFrontId}, {50000}},
  };
  for (const Case& c : cases) {
    manager().Clear();
    ASSERT_TRUE(manager().SpawnEnemy(c.enemyId, c.formation, 10, 20, 300)) << c.enemyId;
    const auto& groups = manager().GetGroups();
    ASSERT_EQ(groups.size(), c.typeIds.size()) << c.enemyId;
    EXPECT_EQ(manager().count, static_cast<int>(groups.size()));
    for (size_t i = 0; i < groups.size(); ++i) {
      ASSERT_EQ(groups[i]->members.size(), 1u);
      const Enemy* e = groups[i]->members[0];
      EXPECT_EQ(e->typeId, c.typeIds[i]) << c.enemyId << " group " << i;  // parts match no type rule
      EXPECT_EQ(e->health, c.health[i]);
      EXPECT_EQ(e->GetDamage(), 0);                       // touching a boss does not hurt
      EXPECT_NEAR(e->GetModel()->zAxis.z, -1.0f, 1e-5f);  // faces back along the rail
    }
    const Enemy* body = groups.back()->members[0];
    EXPECT_EQ(body->GetModel()->position, (math::Vec3{10, 20, 300}));
    EXPECT_EQ(manager().FindEnemyByType(c.enemyId), body);
    if (groups.size() == 3) {
      EXPECT_EQ(body->linkA, groups[0]->members[0]);
      EXPECT_EQ(body->linkB, groups[1]->members[0]);
      EXPECT_EQ(groups[0]->members[0]->linkA, body);
      EXPECT_EQ(groups[1]->members[0]->linkA, body);
    } else {
      for (int i = 0; i < 5; ++i) EXPECT_EQ(body->scratch[i], 50000);
    }
  }

  // The cannons 100 above and below; the generators 32 and 42 back along the body's forward axis, the
  // second rolled over.
  manager().Clear();
  Enemy* phantom = Spawn(kPhantomId);
  EXPECT_EQ(phantom->linkA->GetModel()->position, (math::Vec3{0, 100, 300}));
  EXPECT_EQ(phantom->linkB->GetModel()->position, (math::Vec3{0, -100, 300}));
  Enemy* rear = Spawn(kPsychoRearId);
  EXPECT_NEAR(rear->linkA->GetModel()->position.z, 332.0f, 1e-3f);
  EXPECT_NEAR(rear->linkB->GetModel()->position.z, 342.0f, 1e-3f);
  EXPECT_NEAR(rear->linkA->GetModel()->xAxis.x, -1.0f, 1e-5f);
  EXPECT_NEAR(rear->linkB->GetModel()->xAxis.x, 1.0f, 1e-2f);
  EXPECT_EQ(manager().count, 6);
}

TEST(BossModels, AModelLackingWhatTheBehavioursReadRefusesTheBossAndNamesTheModel) {
  struct Case {
    int enemyId;
    const char* file;
    const char* cut;  // the last line holding this is cut (or everything from it); null: no file at all
    bool toEnd;
    const char* report;
  };
  const Case cases[] = {
      {kPhantomId, "Phantom.mdl", nullptr, false, "\"Phantom.mdl\" cannot be loaded"},
      {kPhantomId, "BeamCannon.mdl", "0 0 0 12", false,
       "\"BeamCannon.mdl\" needs a collision sphere on part 0"},
      {kPsychoRearId, "PsychoRear.mdl", "Object\nPsychoRear_HatchDown", true,
       "\"PsychoRear.mdl\" has no part 3"},
      {kPsychoRearId, "ShieldGen.mdl", "Object\nShieldGen_Shell", true, "\"ShieldGen.mdl\" has no part 1"},
      {kPsychoSideId, "PsychoSide.mdl", "Tube3", false,
       "\"PsychoSide.mdl\" needs 4 lock point(s) on part 11"},
      {kPsychoFrontId, "PsychoFront.mdl", "Muzzle", false,
       "\"PsychoFront.mdl\" needs 1 lock point(s) on part 3"},
  };
  for (const Case& c : cases) {
    gfxtest::ScratchGameFolder folder;
    const auto path = folder.Root() / "Assets" / "Art" / c.file;
    std::string text;
    if (c.cut != nullptr) {
      std::ifstream in(path);
      text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      const size_t from = text.rfind(c.cut);
      ASSERT_NE(from, std::string::npos) << c.file;
      text.erase(from, c.toEnd ? std::string::npos : text.find('\n', from) + 1 - from);
    }
    std::filesystem::remove(path);
    if (c.cut != nullptr) std::ofstream(path) << text;
    EngineHarness h(kFrameMs, folder.Root());
    EnemyManager& manager = *h.engine().enemyManager;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(manager.SpawnEnemy(c.enemyId, kBossFormation, 0, 0, 300)) << c.file;
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find(c.report), std::string::npos) << report;
    EXPECT_TRUE(manager.GetGroups().empty());
    EXPECT_EQ(manager.count, 0);
  }
}

TEST_F(BossTest, PhantomBobsFiresAndSendsMinionsByTheCannonsLostThenDiesOverSeventeenSeconds) {
  Enemy* body = Spawn(kPhantomId);
  Enemy* upper = body->linkA;
  Enemy* lower = body->linkB;
  float highest = 0, lowest = 0;
  // The minions are spawned inside the update pass: with the group storage full, the spawn grows it while
  // the body's group is running.
  manager().GetGroups().shrink_to_fit();
  while (T() < 12000) {
    Frame();
    highest = std::max(highest, body->GetModel()->position.y);
    lowest = std::min(lowest, body->GetModel()->position.y);
    if (T() == 6000) Hit(upper, 0, 150000);
    if (T() == 10500) Hit(lower, 0, 150000);
  }
  EXPECT_NEAR(highest, 40.0f, 0.5f);
  EXPECT_NEAR(lowest, -40.0f, 0.5f);
  EXPECT_EQ(Times(bullets), Every(500, 520, 12000));
  for (const Shot& b : bullets) {
    // From the gun lock point, 30 ahead of the body and 6 below its bobbing centre.
    EXPECT_EQ(b.at.x, 0.0f);
    EXPECT_NEAR(b.at.z, 270.0f, 1e-3f);
    const math::Vec3 dir = b.shot->GetModel()->zAxis;
    EXPECT_LE(Angle(dir, {0, 0, -1}), 25.5f * 0.0174533f);  // within 25 degrees of straight ahead
    EXPECT_NEAR(dir.x, 0.0f, 1e-5f);                        // up or down only
  }
  // One member while both cannons stand, two after the first is lost, three after both.
  using Formations = std::vector<std::array<int, 3>>;
  EXPECT_EQ(minions, (Formations{{5000, 2, 1}, {10020, 2, 2}}));
  // Each cannon explodes once, when destroyed, and pays its 100.
  EXPECT_EQ(explosions, (std::vector<int>{6020, 10520}));
  EXPECT_EQ(engine().score, 200);
  RunUntil(15060);
  EXPECT_EQ(minions.back(), (std::array<int, 3>{15040, 2, 3}));
  // The minions go quietly, so that only the body's explosions follow.
  for (const auto& group : manager().GetGroups()) {
    for (Enemy* member : group->members) member->remove = member->typeId == 2 || member->remove;
  }
  EXPECT_EQ(body->scratch[5], 1);
  EXPECT_EQ(body->linkA, nullptr);
  EXPECT_EQ(body->linkB, nullptr);

  explosions.clear();
  Hit(body, 0, 300000);
  Frame();
  const int death = T();
  EXPECT_EQ(g_gameSpeed, 5.0f);
  const size_t shotsAtDeath = bullets.size();
  EXPECT_EQ(engine().score, 1200);                            // the body's 1000
  EXPECT_EQ(RunUntilGone(kPhantomId, 20000) - death, 17020);  // flagged at 17 s, deleted on the next update
  EXPECT_EQ(bullets.size(), shotsAtDeath);                    // a dying body no longer fires
  EXPECT_EQ(engine().score, 1200);
  // One hull explosion every hundred frames of the dying sequence.
  EXPECT_EQ(explosions, Every(death + 2020, 2000, death + 17000));
}

TEST_F(BossTest, BeamCannonsChargeAimAndFireThreeSecondsApart) {
  Enemy* body = Spawn(kPhantomId);
  Enemy* upper = body->linkA;  // above the ship: it tilts down toward it
  Enemy* lower = body->linkB;  // below, and 3000 ms ahead
  std::vector<int> upperRings, lowerRings;
  harness.services.Sounds().ClearRecords();
  while (T() < 20000) {
    const int before[2] = {ChargeRings(*upper->GetModel()), ChargeRings(*lower->GetModel())};
    Frame();
    if (ChargeRings(*upper->GetModel()) > before[0]) upperRings.push_back(T());
    if (ChargeRings(*lower->GetModel()) > before[1]) lowerRings.push_back(T());
    if (T() == 5000) {  // each has tilted until it points at the ship, within the step of one frame
      for (Enemy* cannon : {upper, lower}) {
        const Model& m = *cannon->GetModel();
        EXPECT_LT(Angle(m.zAxis, ShipAt() - m.position), 0.01f);
      }
      EXPECT_NEAR(upper->scratchF[0], -std::atan(100.0f / 300.0f), 0.01f);
      EXPECT_NEAR(lower->scratchF[0], std::atan(100.0f / 300.0f), 0.01f);
    }
  }
  // 9000 ms cycles (plus the frame of the restart), the lower cannon's first one 3000 ms along.
  EXPECT_EQ(upperRings, (std::vector<int>{3000, 12020}));
  EXPECT_EQ(lowerRings, (std::vector<int>{0, 9020, 18040}));
  std::vector<int> upperRays, lowerRays;
  for (const Shot& r : rays) (r.at.y > 0 ? upperRays : lowerRays).push_back(r.t);
  // Beams on every frame from 6 s to 8 s of each cycle.
  auto join = [](std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  EXPECT_EQ(upperRays, join(Every(6000, kFrameMs, 8000), Every(15020, kFrameMs, 17020)));
  EXPECT_EQ(lowerRays, join(Every(3000, kFrameMs, 5000), Every(12020, kFrameMs, 14020)));
  // The charge sound and the beam sound, each once per cycle and cannon.
  int charges = 0, beams = 0;
  for (const auto& r : harness.services.Sounds().Records()) {
    if (r.call != plat::headless::SoundCall::Play3D) continue;
    charges += r.file.find("BigLaser") != std::string::npos ? 1 : 0;
    beams += r.file.find("RayCannon") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(charges, 5);
  EXPECT_EQ(beams, 4);
}

TEST_F(BossTest, PsychoRearIsShieldedCapsItsMinionsAndRunsItsHatchAndGunCycle) {
  Enemy* body = Spawn(kPsychoRearId);
  Enemy* first = body->linkA;
  Enemy* second = body->linkB;
  engine().players[0]->SetPosition(60, -80, 0);  // off the axis, so that aiming shows
  ObjectPart& gun = *body->GetModel()->parts[1];
  ObjectPart& upperHatch = *body->GetModel()->parts[2];
  const math::Vec3 gunOffset = gun.offset;
  float aimAt5000 = 0;
  while (T() < 24000) {
    Frame();
    Hit(body, 0, 5000);  // shielded: nothing
    if (T() == 3000) {
      EXPECT_EQ(body->scratchF[0], 0.0f);
    }
    if (T() == 5000) {
      EXPECT_NEAR(body->scratchF[0], 0.8722f, 1e-3f);  // the hatches turn for two seconds
      EXPECT_NEAR(body->scratchF[1], 18.0f, 1e-4f);    // the gun slides out 18 and stops
      EXPECT_NEAR(gun.offset.z - gunOffset.z, 18.0f, 1e-3f);
      aimAt5000 = Angle(gun.worldZAxis, ShipAt() - gun.worldPosition);
    }
    if (T() == 8000) {
      EXPECT_LT(Angle(gun.worldZAxis, ShipAt() - gun.worldPosition), aimAt5000 - 0.2f);
    }
    if (T() == 12020) {  // closed again
      EXPECT_NEAR(body->scratchF[0], 0.0f, 1e-4f);
      EXPECT_NEAR(body->scratchF[1], 0.0f, 1e-3f);
      EXPECT_NEAR(upperHatch.zAxis.y, 0.0f, 1e-3f);
    }
  }
  EXPECT_EQ(body->health, 10000);
  for (int p = 0; p < Enemy::kSlots; ++p) EXPECT_EQ(body->hitFlashMs[p], 0);
  std::vector<int> gunShots;
  for (const Shot& b : bullets) {
    if (static_cast<Bullet*>(b.shot)->colour.b == 1.0f) gunShots.push_back(b.t);
  }
  // Every 100 ms from 8 s to 10 s of each 12-second cycle; the second cycle starts at 12040.
  std::vector<int> expected = Every(8100, 100, 10100);
  for (int t : Every(20140, 100, 22140)) expected.push_back(t);
  EXPECT_EQ(gunShots, expected);
  // Each generator sends a one-member Rotate formation every five seconds until six are counted.
  std::vector<std::array<int, 3>> six;
  for (int t : {5000, 5000, 10020, 10020, 15040, 15040}) six.push_back({t, 1, 1});
  EXPECT_EQ(minions, six);
  EXPECT_EQ(body->scratchF[9], 6.0f);

  // A generator below 50001 loses its shell, which tumbles away while the generator keeps spawning.
  body->scratchF[9] = 4.0f;
  Hit(first, 0, 150000);
  const math::Vec3 shellStart = first->GetModel()->parts[1]->worldPosition;
  RunUntil(26000);
  EXPECT_TRUE(first->GetModel()->parts[1]->detached);
  EXPECT_GT(math::Vec3Length(first->GetModel()->parts[1]->worldPosition - shellStart), 120.0f);
  ASSERT_EQ(minions.size(), 8u);
  EXPECT_EQ(minions.back()[0], 25080);

  // Both generators gone: the body takes every hit, without a flash, and dies at the cruise speed.
  Hit(first, 0, 50000);
  Hit(second, 0, 200000);
  Frame();
  EXPECT_EQ(body->linkA, nullptr);
  EXPECT_EQ(body->linkB, nullptr);
  Hit(body, 0, 4000);
  EXPECT_EQ(body->health, 6000);
  EXPECT_EQ(body->hitFlashMs[0], 0);
  Hit(body, 0, 6000);
  Frame();
  const int death = T();
  EXPECT_EQ(g_gameSpeed, 50.0f);
  EXPECT_EQ(engine().score, 5200);  // 100 for each generator, 5000 for the body
  EXPECT_EQ(RunUntilGone(kPsychoRearId, 12000) - death, 10020);
}

TEST_F(BossTest, PsychoSideChargesItsTargetsFiringRaysFromLiveOnesAndBulletsFromDestroyedOnes) {
  Enemy* body = Spawn(kPsychoSideId);
  Model& model = *body->GetModel();
  for (int i : {0, 1, 2}) Hit(body, i, 50000);
  const float coverStart = model.parts[5]->offset.z, liveCover = model.parts[8]->offset.z;
  std::vector<int> rings;
  while (T() < 20000) {
    const int before = ChargeRings(model);
    Frame();
    if (ChargeRings(model) > before) rings.push_back(T());
  }
  // The pods slide out for four seconds.
  EXPECT_NEAR(model.parts[10]->offset.z, 18.0f, 1e-2f);
  EXPECT_NEAR(model.parts[11]->offset.z, 18.0f, 1e-2f);
  // Covers of destroyed targets withdraw; live ones stay.
  EXPECT_LT(model.parts[5]->offset.z, coverStart - 900.0f);
  EXPECT_EQ(model.parts[8]->offset.z, liveCover);

  // Every charge is due 3000 ms after it starts: a ray from a live target, a bullet from a destroyed one.
  auto target = [&](const math::Vec3& at) {
    for (int i = 0; i < 5; ++i) {
      if (math::Vec3Length(at - model.parts[i]->lockPoints[0].worldPosition) < 1e-3f) return i;
    }
    return -1;
  };
  std::vector<int> shotTimes = Times(rays), ringsDue;
  for (const Shot& r : rays) EXPECT_GE(target(r.at), 3);
  for (const Shot& b : bullets) {
    EXPECT_LE(target(b.at), 2);
    EXPECT_EQ(static_cast<Bullet*>(b.shot)->speed, 100.0f);
    shotTimes.push_back(b.t);
  }
  std::sort(shotTimes.begin(), shotTimes.end());
  EXPECT_EQ(shotTimes, Every(4500, 1520, 20000));
  EXPECT_FALSE(rays.empty() || bullets.empty());
  // Only live targets show their charge, each 3000 ms before its ray.
  for (int t : rings) {
    if (t + 3000 < 20000) ringsDue.push_back(t + 3000);
  }
  EXPECT_EQ(ringsDue, Times(rays));

  // Two missiles a second, one from a tube of each pod, pitched up and down.
  EXPECT_EQ(missiles.size(), 2 * Every(1000, 1020, 20000).size());
  for (size_t i = 0; i < missiles.size(); ++i) {
    const float side = i % 2 == 0 ? 1.0f : -1.0f;  // the upper pod first
    // The tubes stand 5 to either side and 4 above or below the pod's centre line, 120 off the body's.
    EXPECT_NEAR(std::abs(missiles[i].at.x), 5.0f, 1e-3f) << i;
    EXPECT_NEAR(std::abs(missiles[i].at.y - side * 120.0f), 4.0f, 1e-3f) << i;
    EXPECT_NEAR(missiles[i].shot->GetModel()->zAxis.y, side, 1e-2f) << i;
  }

  // The last two targets, in the frame a missile pair is due: the body dies at the cruise speed, without
  // explosions, paying its 5000; that frame still launches the pair.
  RunUntil(20360);
  EXPECT_EQ(engine().score, 0);  // its targets pay nothing of their own
  explosions.clear();
  Hit(body, 3, 50000);
  Hit(body, 4, 50000);
  Frame();
  const int death = T();
  EXPECT_EQ(g_gameSpeed, 50.0f);
  EXPECT_EQ(engine().score, 5000);
  EXPECT_EQ(std::count_if(missiles.begin(), missiles.end(), [&](const Shot& m) { return m.t == death; }), 2);
  EXPECT_EQ(RunUntilGone(kPsychoSideId, 12000) - death, 10020);
  EXPECT_TRUE(explosions.empty());
  EXPECT_EQ(engine().score, 5000);
}

TEST_F(BossTest, PsychoFrontBreaksPlateByPlateFiresPairsThenBeamsAndFansMissilesFromItsBareCore) {
  Enemy* body = Spawn(kPsychoFrontId);
  Model& model = *body->GetModel();
  engine().players[0]->SetPosition(-120, 0, 0);
  // Plates must go 8, 7, 6, 5, 4, then the core: a hit out of order does nothing.
  std::vector<std::string> broken;
  for (int part : {7, 1, 8, 4, 7, 6, 1, 5, 4, 1}) {
    const int healthBefore = body->health;
    Hit(body, part, 50000);
    for (int k = 0; k < 5; ++k) {
      const std::string name = "plate " + std::to_string(4 + k);
      if (body->scratch[k] <= 0 && std::find(broken.begin(), broken.end(), name) == broken.end()) {
        broken.push_back(name);
      }
    }
    if (body->health < healthBefore) broken.push_back("core");
  }
  EXPECT_EQ(broken,
            (std::vector<std::string>{"plate 8", "plate 7", "plate 6", "plate 5", "plate 4", "core"}));
  EXPECT_EQ(body->health, 0);
  body->health = 50000;  // the fight goes on with the core bare
  const float plateStart = model.parts[8]->offset.z;

  float widest = 0;
  while (T() < 24000) {
    Frame();
    widest = std::max(widest, body->scratchF[2]);
    EXPECT_GE(body->scratchF[2], -1e-4f);
    if (T() == 15560 || T() == 15580) {  // both guns charge at the twentieth pair
      EXPECT_EQ(ChargeRings(model), T() == 15560 ? 0 : 2);
    }
    if (T() == 15600 + 3000) {
      // The ship off to one side: the gun on the far side turns inward onto it, the near one would have to
      // turn inward past its rest, and stays there.
      std::vector<float> off;
      for (int g : {2, 3}) {
        const ObjectPart& gun = *model.parts[g];
        off.push_back(Angle(gun.worldZAxis, ShipAt() - gun.lockPoints[0].worldPosition));
      }
      EXPECT_LT(off[1], 0.02f);
      EXPECT_NEAR(body->scratchF[2], 0.0f, 0.01f);
    }
  }
  EXPECT_NEAR(widest, 0.9594f, 0.01f);
  EXPECT_NEAR(model.parts[8]->offset.z - plateStart, 50.0f * 24.0f, 2.0f);  // broken plates slide forward
  // Pairs once 750 ms have passed on the 20 ms clock, and a frame to restart: every 780 ms. The twentieth
  // starts the beams, which run from 3 s to 5 s of the gun timer; the pairs resume after 7.5 s.
  std::vector<int> pairs = Every(760, 780, 15600);
  pairs.push_back(23140);
  pairs.push_back(23920);
  std::vector<int> bulletTimes;
  for (size_t i = 0; i < bullets.size(); i += 2) {
    EXPECT_EQ(bullets[i].t, bullets[i + 1].t);
    EXPECT_EQ(static_cast<Bullet*>(bullets[i].shot)->speed, 50.0f);
    bulletTimes.push_back(bullets[i].t);
  }
  EXPECT_EQ(bulletTimes, pairs);
  std::vector<int> beamTimes;
  for (size_t i = 0; i < rays.size(); i += 2) beamTimes.push_back(rays[i].t);
  EXPECT_EQ(beamTimes, Every(15600 + 3100, 100, 15600 + 5100));
  EXPECT_EQ(rays.size(), 40u);
  // The bare core fans five missiles every three seconds.
  std::vector<int> fans;
  for (size_t i = 0; i < missiles.size(); i += 5) fans.push_back(missiles[i].t);
  EXPECT_EQ(missiles.size() % 5, 0u);
  EXPECT_EQ(fans, Every(3020, 3040, 24000));

  Hit(body, 1, 50000);
  Frame();
  const int death = T();
  EXPECT_EQ(g_gameSpeed, 5.0f);
  explosions.clear();
  EXPECT_EQ(RunUntilGone(kPsychoFrontId, 12000) - death, 10020);
  EXPECT_EQ(explosions, Every(death + 2020, 2000, death + 10000));
  EXPECT_EQ(engine().score, 5000);
}

TEST_F(BossTest, APhantomKilledWithItsCannonsPaysOnlyForItself) {
  Enemy* body = Spawn(kPhantomId);
  Hit(body, 0, 300000);
  RunUntilGone(kPhantomId, 20000);
  EXPECT_EQ(engine().score, 1000);  // the cannons vanish with it
}

TEST_F(BossTest, NoLinkIsLeftOnADeletedPart) {
  // A generator flagged outside the update pass is deleted before its body looks: the link is cleared.
  Enemy* rear = Spawn(kPsychoRearId);
  Frame();
  rear->linkA->remove = true;
  rear->linkB->remove = true;
  Frame();
  EXPECT_EQ(rear->linkA, nullptr);
  EXPECT_EQ(rear->linkB, nullptr);
  Hit(rear, 0, 1000);
  EXPECT_EQ(rear->health, 9000);

  // A Phantom flagged from outside: its cannons see it go and explode; nothing reads the deleted body.
  manager().Clear();
  Enemy* phantom = Spawn(kPhantomId);
  Enemy* cannon = phantom->linkA;
  Frame();
  phantom->remove = true;
  Frame();
  EXPECT_TRUE(cannon->remove);
  EXPECT_EQ(cannon->linkA, nullptr);
  Frame();
  EXPECT_EQ(manager().count, 0);

  // A dying Phantom lets go of its cannons at once.
  Enemy* again = Spawn(kPhantomId);
  Enemy* cannons[] = {again->linkA, again->linkB};
  Hit(again, 0, 300000);
  Frame();
  EXPECT_EQ(again->linkA, nullptr);
  EXPECT_EQ(again->linkB, nullptr);
  for (Enemy* c : cannons) EXPECT_EQ(c->linkA, nullptr);
  Frame();
  EXPECT_EQ(manager().count, 1);
  manager().Clear();  // with links in place: whichever goes first clears the other's
  Spawn(kPsychoRearId);
  manager().Clear();
}

TEST(BossLevel, EveryBossIsMetInItsViewAlongTheTestLevel) {
  EngineHarness h(50);
  ASSERT_TRUE(h.engine().LoadLevel("bosses.kvl"));
  EnemyManager& manager = *h.engine().enemyManager;
  std::vector<std::pair<int, int>> met;
  Entity shot;
  shot.SetDamage(50000);
  for (int frame = 0; frame < 4000 && met.size() < 4; ++frame) {
    h.Step();
    for (int id = kPhantomId; id <= kPsychoFrontId; ++id) {
      Enemy* boss = manager.FindEnemyByType(id);
      if (boss == nullptr || boss->scratch[9] == 1) continue;
      if (met.empty() || met.back().first != id) met.push_back({id, h.state()});
      // Scripted damage, in the order each boss allows.
      for (Enemy* part : {boss->linkA, boss->linkB}) {
        if (part != nullptr) part->health = 0;
      }
      for (int p : {0, 1, 2, 3, 4}) boss->OnCollision(&shot, p);
      for (int p : {8, 7, 6, 5, 4, 1}) boss->OnCollision(&shot, p);
      if (id == kPhantomId) boss->health = 0;
    }
  }
  EXPECT_EQ(met, (std::vector<std::pair<int, int>>{{kPhantomId, kSideView},
                                                   {kPsychoRearId, kRailView},
                                                   {kPsychoSideId, kSideView},
                                                   {kPsychoFrontId, kTopView}}));
  EXPECT_NE(h.state(), kGameOver);
  ASSERT_EQ(h.engine().players.size(), 1u);
  EXPECT_GT(h.engine().players[0]->GetModel()->position.z, 2000.0f);  // the ship came along the whole way
}

}  // namespace
