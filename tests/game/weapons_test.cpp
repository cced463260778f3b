// The player's weapons and their shots on the headless engine: what each weapon and level makes, its
// cool-down, bombs and sounds; the Ray Cannon's charge; the super shot and rapid fire; the shots in flight.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/sound_system.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/helper.h"
#include "game/projectile.h"
#include "graphics/model.h"
#include "harness/play_support.h"
#include "math/random.h"
#include "player_test_support.h"

namespace playertest {
namespace {

using plat::headless::SoundCall;
const ShotAxes kWorld{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
constexpr ParticleColour kWhite{1, 1, 1, 1};

// A shot's heading about the up axis in whole degrees.
long YawDegrees(const Entity& shot) {
  const math::Vec3 z = shot.GetModel()->zAxis;
  return std::lround(std::atan2(z.x, z.z) / 0.017453277f);
}

// A shot's class and the arguments it was made with; the heading only where the test view fixes it.
std::string Describe(const Projectile* p, bool yaw) {
  char text[96] = "?";
  if (auto* b = dynamic_cast<const Bullet*>(p)) {
    std::snprintf(text, sizeof text, "Bullet %d v%g s%g %s c%d g%g", b->GetDamage(), b->speed, b->size,
                  b->splits ? "split" : "whole", b->hitCounter, b->colour.g);
  } else if (auto* bomb = dynamic_cast<const Bomb*>(p)) {
    std::snprintf(text, sizeof text, "Bomb %d v%g blast%g", bomb->GetDamage(), bomb->speed, bomb->blastSpeed);
  } else if (auto* m = dynamic_cast<const Missile*>(p)) {
    std::snprintf(text, sizeof text, "Missile %d (%g,%g) %s", m->GetDamage(), m->sidewaysSpeed,
                  m->verticalSpeed, m->homing ? "homing" : "straight");
  } else if (auto* r = dynamic_cast<const RailShot*>(p)) {
    std::snprintf(text, sizeof text, "RailShot %d chain%d", r->GetDamage(), r->chainCount);
  } else if (auto* ray = dynamic_cast<const RayShot*>(p)) {
    std::snprintf(text, sizeof text, "RayShot %d/s wide%g", ray->damagePerSecond, ray->rayThickness);
  }
  return yaw ? std::string(text) + " yaw" + std::to_string(YawDegrees(*p)) : text;
}

class ShotTest : public PlayerTest {
 protected:
  // Keeps the shots (the test owns them) and returns how many there were.
  size_t Keep(std::vector<Projectile*> made) {
    for (Projectile* p : made) shots.emplace_back(p);
    return made.size();
  }
  std::vector<std::string> Plays() { return harness->services.Sounds().Lines({SoundCall::Play}); }
  // One frame of the given length for a shot.
  void Fly(Projectile& shot, uint32_t ms, bool fast = false) {
    Tick(ms);
    shot.Update(fast);
  }
  void Arm(int code, int level) {
    player->SetWeaponCode(code);
    player->SetWeaponLevel(level);
  }
  // An enemy with one sphere of radius 3 at a place, in the enemy manager's one group.
  Enemy* AddEnemy(const math::Vec3& at = {0, 0, 100}) {
    enemies.push_back(std::make_unique<Enemy>());
    Enemy* enemy = enemies.back().get();
    enemy->LoadModel("Bullet", false);
    enemy->SetPosition(at.x, at.y, at.z);
    enemy->health = 100;
    auto& groups = engine().enemyManager->GetGroups();
    if (groups.empty()) groups.push_back(std::make_unique<EnemyGroup>());
    groups[0]->members.push_back(enemy);
    engine().enemyManager->count += 1;
    return enemy;
  }
  // Shots and enemies go before the engine whose graphics object holds their models.
  void ClearShots() {
    shots.clear();
    engine().enemyManager->GetGroups().clear();
    engine().enemyManager->count = 0;
    enemies.clear();
  }
  void Restart() {
    ClearShots();
    Start(EngineHarness::GameFolder());
  }
  void TearDown() override {
    ClearShots();
    PlayerTest::TearDown();
  }

  std::vector<std::unique_ptr<Projectile>> shots;
  std::vector<std::unique_ptr<Enemy>> enemies;
};

using WeaponsTest = ShotTest;

// Code 0 stands for the primary gun's held key (its level is the primary level). No sound: none plays.
struct Shot {
  int code, level, state, cooldown;
  const char* sound;
  int bombsSpent;
  std::vector<std::string> shots;
  int bombs = 3, enemies = 2;
};
// The primary gun's bullet and a Spread Shot bullet.
const std::string kBeam = "Bullet 1000 v300 s15 whole c30 g1", S = "Bullet 1000 v200 s15 whole c30 g0.498";
// Homing missiles pushed right, left, down and up.
const std::string kRight = "Missile 500 (50,0) homing", kLeft = "Missile 500 (-50,0) homing",
                  kDown = "Missile 500 (0,-50) homing", kUp = "Missile 500 (0,50) homing";
const Shot kShots[] = {
    {0, 1, 13, 401, "BeamGun", 0, {kBeam + " yaw0"}},
    {0, 4, 13, 401, "BeamGun", 1, {"Bomb 1000 v300 blast50 yaw0"}},
    {2, 1, 13, 1501, "RayCannon", 0, {"RayShot 10000/s wide3"}},
    {2, 2, 13, 1501, "RayCannon", 0, {"RayShot 12500/s wide6"}},
    {2, 3, 13, 1501, "RayCannon", 0, {"RayShot 15000/s wide12"}},
    {2, 4, 13, 1501, "RayCannon", 1, {"RayShot 100000/s wide40"}},
    {3, 1, 13, 301, "SpreadShot", 0, {S + " yaw3", S + " yaw-3", S + " yaw0"}},
    {3, 1, 12, 301, "SpreadShot", 0, {S + " yaw0", S + " yaw0", S + " yaw0"}},
    {3, 1, 15, 301, "SpreadShot", 0, {S, S, S, S}},
    {3, 2, 13, 301, "SpreadShot", 0, {S + " yaw3", S + " yaw-3", S + " yaw6", S + " yaw-6", S + " yaw0"}},
    {3, 2, 15, 301, "SpreadShot", 0, {S + " yaw0", S + " yaw0", S + " yaw3", S + " yaw-3", S + " yaw0"}},
    {3, 3, 14, 301, "SpreadShot", 0, std::vector<std::string>(5, "Bullet 1000 v200 s10 split c30 g0.498")},
    {3, 4, 15, 11, "SpreadShot", 0, std::vector<std::string>(3, "Bullet 1000 v600 s15 whole c30 g0.498")},
    {3, 4, 13, 11, "SpreadShot", 0, {S}},
    {3, 4, 12, 11, "SpreadShot", 0, {}},
    {4, 1, 13, 751, "Missile", 0, {"Missile 500 (0,0) straight"}},
    {4, 2, 13, 751, "Missile", 0, {"Missile 500 (0,0) homing"}},
    {4, 3, 14, 751, "Missile", 0, {kDown, kUp}},
    {4, 3, 15, 751, "Missile", 0, {kRight, kLeft}},
    {4, 3, 12, 751, "Missile", 0, {}},
    {4, 4, 12, 101, "MissileBomb", 0, {kRight, kLeft, kDown, kUp}},
    {5, 1, 13, 901, "RailGun", 0, {"RailShot 5000 chain0"}},
    {5, 2, 13, 901, "RailGun", 0, {"RailShot 5000 chain0"}},
    {5, 3, 13, 451, "RailGun", 0, {"RailShot 5000 chain0"}},
    {5, 4, 13, 451, "RailGun", 1, {"RailShot 25000 chain2"}},  // chained as many times as enemies live
    // Every level-4 spend needs a bomb; a level-4 Railgun without a bomb or a target still takes the shot.
    {0, 4, 13, 401, nullptr, 0, {}, 0},
    {2, 4, 13, 1501, nullptr, 0, {}, 0},
    {5, 4, 13, 451, "RailGun", 0, {}, 0},
    {5, 4, 13, 451, "RailGun", 0, {}, 3, 0},
};

// Each weapon, level and view from a fresh ship with two enemies ahead: the shots of the first call once the
// cool-down has passed, the sound, the bombs, and nothing one millisecond before the next cool-down ends.
TEST_F(WeaponsTest, EachWeaponLevelAndViewMakesItsShotsAfterItsCoolDown) {
  for (const Shot& row : kShots) {
    SCOPED_TRACE(std::to_string(row.code) + " level " + std::to_string(row.level) + " state " +
                 std::to_string(row.state));
    Restart();
    for (int i = 0; i < row.enemies; ++i) AddEnemy();
    player->SetBombs(row.bombs);
    engine().state = row.state;
    Arm(row.code == 0 ? 1 : row.code, row.level);
    player->SetPrimaryLevel(row.code == 0 ? row.level : 1);
    auto fire = [&] { return Keep(row.code == 0 ? player->FirePrimary(0, true) : player->FireWeapon(1000)); };
    AdvanceTo(row.cooldown);
    ASSERT_EQ(fire(), row.shots.size());
    for (size_t i = 0; i < row.shots.size(); ++i) {
      EXPECT_EQ(Describe(shots[i].get(), row.shots[i].find(" yaw") != std::string::npos), row.shots[i]);
      // Bodies start at the spawn point of the unturned ship, rail shots too; beams at the ray lock point.
      if (auto* beam = dynamic_cast<RayShot*>(shots[i].get())) {
        EXPECT_EQ(beam->origin, (math::Vec3{0, -1, 12}));
      } else {
        EXPECT_EQ(row.code == 5 ? shots[i]->rayStart : shots[i]->position, (math::Vec3{0, -3.5f, 13}));
      }
    }
    const std::vector<std::string> plays = Plays();
    EXPECT_EQ(plays.empty() ? "none" : plays.back(),
              row.sound ? "play Assets/Sounds/" + std::string(row.sound) + ".wav 150" : "none");
    EXPECT_EQ(player->GetBombs(), row.bombs - row.bombsSpent);
    if (row.code != 0) {
      EXPECT_EQ(player->GetLastWeaponShot(), row.sound ? row.cooldown : 0);
    }
    AdvanceTo(2 * row.cooldown - 1);
    EXPECT_EQ(fire(), 0u);
  }
}

TEST_F(WeaponsTest, APressFiresWhateverTheCoolDownAndLevelsTwoAndThreeSpreadTheShot) {
  EXPECT_EQ(Keep(player->FirePrimary(0, false)), 1u);
  EXPECT_EQ(Keep(player->FirePrimary(0, true)), 0u);  // the held call of the same frame waits
  EXPECT_EQ(Keep(player->FirePrimary(0, false)), 1u);
  EXPECT_EQ(Keep(player->FireWeapon(5000)), 0u);  // weapon code 1: no secondary weapon
  math::SeedRandom(7);
  for (int level : {2, 3}) {
    player->SetPrimaryLevel(level);
    std::set<long> seen;
    for (int i = 0; i < 40; ++i) {
      Keep(player->FirePrimary(0, false));
      seen.insert(YawDegrees(*shots.back()));
    }
    EXPECT_EQ(seen, level == 2 ? (std::set<long>{-1, 0, 1}) : (std::set<long>{-2, -1, 0, 1}));
  }
}

// Holding the Ray Cannon key from a given time, one 1 ms frame after another: when the hum starts, when
// the beam fires, and the hum's volumes.
TEST_F(WeaponsTest, RayCannonHumsFrom1251MsAndFiresAfter1501MsSinceTheLastShotAnd251MsHeld) {
  struct Row {
    int holdFrom, humAt, beamAt;
  };
  for (const Row& row : {Row{0, 1251, 1501}, Row{1000, 1251, 1501}, Row{1400, 1401, 1651}}) {
    SCOPED_TRACE(row.holdFrom);
    Restart();
    Arm(2, 1);
    AdvanceTo(row.holdFrom);
    int humAt = -1, beamAt = -1, firstVolume = -1, lastVolume = -1;
    while (beamAt < 0 && Timer().GetTimeMs() < 3000) {
      Tick(1);
      harness->services.Sounds().ClearRecords();
      const int now = Timer().GetTimeMs();
      if (Keep(player->FireWeapon(now - row.holdFrom)) > 0) beamAt = now;
      for (const auto& r : harness->services.Sounds().Records()) {
        if (r.call == SoundCall::Play && r.file == "Assets/Sounds/BigLaser.wav") humAt = now;
        if (r.call == SoundCall::Volume) (firstVolume < 0 ? firstVolume : lastVolume) = r.volume;
      }
    }
    // The beam's frame stops the hum.
    EXPECT_EQ(harness->services.Sounds().Lines({SoundCall::Stop, SoundCall::Play}),
              (std::vector<std::string>{"stop Assets/Sounds/BigLaser.wav",
                                        "play Assets/Sounds/RayCannon.wav 150"}));
    EXPECT_EQ(humAt, row.humAt);
    EXPECT_EQ(beamAt, row.beamAt);
    EXPECT_EQ(std::pair(firstVolume, lastVolume), std::pair(50, 135));  // the hum grows over 251 ms
    EXPECT_FLOAT_EQ(player->GetChargeHum(), 0.0f);
    EXPECT_EQ(player->GetLastWeaponShot(), row.beamAt);
  }
}

TEST_F(WeaponsTest, SuperShotSpendsOneBombPerWeaponOrDoesNothing) {
  player->SetBombs(0);
  for (int code : {1, 2, 3, 4, 5}) {
    Arm(code, 1);
    EXPECT_EQ(Keep(player->FireSuper(0)), 0u);
    EXPECT_EQ(player->GetRapidFireLeft(), 0);
  }
  player->SetBombs(3);
  Arm(1, 1);
  AdvanceTo(500);
  ASSERT_EQ(Keep(player->FireSuper(0)), 1u);  // one bomb, and the primary level is back at 1
  EXPECT_NE(dynamic_cast<Bomb*>(shots.back().get()), nullptr);
  EXPECT_EQ(player->GetPrimaryLevel(), 1);
  AdvanceTo(900);
  EXPECT_EQ(Keep(player->FireSuper(0)), 0u);  // within 401 ms of the last primary shot
  EXPECT_EQ(player->GetBombs(), 2);
  Arm(3, 2);
  Keep(player->FireSuper(0));
  Keep(player->FireSuper(0));  // rapid fire runs already: nothing more spent
  EXPECT_EQ(player->GetBombs(), 1);
  EXPECT_EQ(player->GetRapidFireLeft(), 1000);
  // A second of level-4 Spread Shot in 20 ms frames, one shot a frame; the level stays 2.
  EachFrame(50, [&] { EXPECT_EQ(Keep(player->UpdateRapidFire()), 1u); });
  EXPECT_EQ(player->GetRapidFireLeft(), 0);
  EXPECT_EQ(player->GetWeaponLevel(), 2);
  EXPECT_EQ(Keep(player->UpdateRapidFire()), 0u);
}

TEST_F(WeaponsTest, RapidFireGoesOnWithAPickedUpWeaponPayingEachLevelFourShotWhileBombsLast) {
  // The weapon picked up as the second starts, the bombs left, and what the second then fires: the Railgun
  // every 451 ms, the Ray Cannon once (its shots are 1501 ms apart).
  const struct {
    int code, bombs;
    const char* shot;
    int shots;
  } rows[] = {{5, 3, "RailShot", 3}, {5, 2, "RailShot", 2}, {2, 2, "RayShot", 1}, {2, 0, "RayShot", 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.code) + " with bombs " + std::to_string(row.bombs));
    Restart();
    AddEnemy();
    Arm(4, 1);
    AdvanceTo(2000);
    Keep(player->FireSuper(0));
    player->SetBombs(row.bombs);
    player->PickUpWeapon(row.code);
    EachFrame(60, [&] { Keep(player->UpdateRapidFire()); });
    const auto made = std::count_if(shots.begin(), shots.end(), [&](const std::unique_ptr<Projectile>& p) {
      return Describe(p.get(), false).rfind(row.shot, 0) == 0;
    });
    EXPECT_EQ(made, row.shots);
    EXPECT_EQ(player->GetBombs(), row.bombs - row.shots);
    EXPECT_EQ(player->GetWeaponLevel(), 1);
  }
}

// A helper's own gun: the primary level's cool-down since its own last shot, from its gun lock point.
TEST_F(WeaponsTest, AHelperFiresAStandardBulletFromItsGunAtPrimaryLevelsOneToThree) {
  Helper helper;
  helper.LoadModel("Helper", false);
  auto fire = [&](int level) {
    std::vector<Projectile*> made;
    helper.Fire(level, made);
    return Keep(made);
  };
  AdvanceTo(251);
  EXPECT_EQ(fire(4), 0u);
  ASSERT_EQ(fire(2), 1u);
  EXPECT_EQ(Describe(shots.back().get(), true), kBeam + " yaw0");
  EXPECT_EQ(shots.back()->position, (math::Vec3{0, 0, 4.5f}));
  AdvanceTo(501);
  EXPECT_EQ(fire(2), 0u);
  EXPECT_EQ(fire(3), 1u);
  EXPECT_TRUE(Plays().empty());
}

// The whole frame: the fire key's shots join the live list at once, fly and are purged after 5000 ms.
TEST(WeaponsInPlay, TheFireKeysShotsJoinTheLiveListAndArePurgedAfter5000Ms) {
  EngineHarness h(20);
  EnterPlay(h);
  Engine& e = h.engine();
  h.services.Sounds().ClearRecords();
  h.services.SetKey(e.keyFire, true);
  h.Frames(50);  // one second: the press, then every 401 ms or more (420 in 20 ms frames)
  h.services.SetKey(e.keyFire, false);
  const std::vector<std::string> plays = h.services.Sounds().Lines({SoundCall::Play});
  EXPECT_EQ(std::count(plays.begin(), plays.end(), "play Assets/Sounds/BeamGun.wav 150"), 3);
  ASSERT_EQ(e.objects.size(), 3u);
  EXPECT_NE(dynamic_cast<Bullet*>(e.objects[0]), nullptr);
  h.Frames(250);
  EXPECT_TRUE(e.objects.empty());
  // A tap between two frames fires once all the same.
  h.PlayKeyChanges({{5, e.keyFire, true}, {15, e.keyFire, false}});
  h.Frames(2);
  EXPECT_EQ(e.objects.size(), 1u);
}

using ProjectileTest = ShotTest;

TEST_F(ProjectileTest, ASplitBulletsChildrenFanOutAndCannotDieForThreeUpdates) {
  math::SeedRandom(3);
  Bullet bullet(1000, {0, 0, 50}, kWorld, 200, kWhite, 15, true, 29);
  Entity target;
  bullet.OnCollision(&target, 0);  // counter 29: not armed yet
  EXPECT_FALSE(bullet.dead);
  Fly(bullet, 20);
  bullet.OnCollision(&target, 0);
  EXPECT_TRUE(bullet.dead);
  ASSERT_EQ(engine().pendingObjects.size(), 4u);
  for (size_t k = 0; k < 4; ++k) {
    auto* child = dynamic_cast<Bullet*>(engine().pendingObjects[k]);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(Describe(child, false), "Bullet 250 v133.333 s10 whole c27 g1");
    // Top view: turned about its up axis into [90k + 45, 90k + 134] degrees.
    long degrees = (YawDegrees(*child) + 360) % 360;
    if (k == 3 && degrees < 90) degrees += 360;
    EXPECT_GE(degrees, 90 * long(k) + 45);
    EXPECT_LE(degrees, 90 * long(k) + 134);
    for (int update = 1; update <= 3; ++update) {
      child->OnCollision(&target, 0);
      EXPECT_FALSE(child->dead) << "child " << k << " before update " << update;
      child->Update(false);
    }
    child->OnCollision(&target, 0);
    EXPECT_TRUE(child->dead);
  }
}

TEST_F(ProjectileTest, ABombFliesThenBlastsFrom750MsAndEndsAfter3000Ms) {
  Bomb bomb(1000, {0, 0, 0}, kWorld, 300, kWhite, 10, 50);
  CollisionSphere& sphere = bomb.GetModel()->parts[0]->spheres[0];
  struct Sample {
    int at;
    bool blasting;
    float radius, z;
  };
  // 50 ms frames: blasting is noticed on the first frame past 750 ms, then grows 7.5 a frame and slows to 50.
  for (const Sample& s :
       {Sample{750, false, 1, 225}, {800, true, 1, 240}, {850, true, 8.5f, 242.5f}, {3000, true, 331, 350}}) {
    while (Timer().GetTimeMs() < s.at) Fly(bomb, 50);
    EXPECT_EQ(bomb.blasting, s.blasting) << s.at;
    EXPECT_NEAR(bomb.blastRadius, s.radius, 1e-3) << s.at;
    if (s.blasting && s.at > 800) {
      EXPECT_NEAR(sphere.radius, s.radius, 1e-3);
    }
    EXPECT_NEAR(bomb.position.z, s.z, 1e-2) << s.at;
    EXPECT_FALSE(bomb.dead);
  }
  Fly(bomb, 50);
  EXPECT_TRUE(bomb.dead);
}

TEST_F(ProjectileTest, ANonHomingMissileAcceleratesFrom120To300AndBurstsIntoPoisonAt2500Ms) {
  Missile missile(500, {0, 0, 0}, kWorld, 0, 0, false, false);
  EXPECT_FLOAT_EQ(missile.speed, 120.0f);
  std::vector<float> speeds;
  while (!missile.dead) {
    Fly(missile, 100);
    speeds.push_back(missile.speed);
  }
  EXPECT_EQ(Timer().GetTimeMs(), 2600);  // the first frame past 2500 ms
  EXPECT_EQ(speeds, (std::vector<float>{145, 170, 195, 220, 245, 270, 295, 300, 300, 300, 300, 300, 300,
                                        300, 300, 300, 300, 300, 300, 300, 300, 300, 300, 300, 300, 300}));
  EXPECT_EQ(missile.position, (math::Vec3{0, 0, missile.position.z}));
  ASSERT_EQ(engine().pendingObjects.size(), 1u);
  auto* cloud = dynamic_cast<Poison*>(engine().pendingObjects[0]);
  ASSERT_NE(cloud, nullptr);
  EXPECT_EQ(cloud->position, missile.position);
  EXPECT_FLOAT_EQ(cloud->GetModel()->parts[0]->spheres[0].radius, 10.0f);
  Tick(100);
  cloud->Update(false);
  EXPECT_EQ(cloud->GetDamage(), 600);
  EXPECT_FLOAT_EQ(cloud->GetModel()->parts[0]->spheres[0].radius, 15.0f);
}

TEST_F(ProjectileTest, AHomingMissileTurnsTowardItsTargetAfter500MsButNotForOneStraightAhead) {
  struct Row {
    math::Vec3 target;
    bool turns;
  };
  for (const Row& row : {Row{{0, 0, 1000}, false}, Row{{500, 0, 500}, true}}) {
    ClearShots();
    AddEnemy(row.target);
    Missile missile(500, {0, 0, 0}, kWorld, 0, 0, true, false);
    const int born = Timer().GetTimeMs();
    while (Timer().GetTimeMs() - born < 500) Fly(missile, 50);
    EXPECT_EQ(missile.GetModel()->zAxis, (math::Vec3{0, 0, 1}));  // no homing for 500 ms
    Fly(missile, 50);
    EXPECT_EQ(missile.GetModel()->zAxis.x > 0.1f, row.turns);  // toward the target's side
    EXPECT_EQ(missile.GetModel()->zAxis == (math::Vec3{0, 0, 1}), !row.turns);
  }
}

TEST_F(ProjectileTest, ARailShotIsARayForOnePassAndChainsOnlyFromAnEnemyItHit) {
  Enemy* first = AddEnemy({0, 0, 100});
  AddEnemy({0, 50, 100});
  RailShot shot(25000, *player, {1, 0, 0, 1}, 1, &first->GetModel()->parts[0]->spheres[0].worldCentre, true);
  EXPECT_TRUE(shot.isRay);
  EXPECT_EQ(shot.position, (math::Vec3{0, 0, 100}));
  Fly(shot, 20);
  EXPECT_TRUE(shot.isRay);
  // Something that is not an enemy takes no flag; an enemy is flagged, and the chain moves on to the other.
  Entity stray;
  shot.OnCollision(&stray, 0);
  ASSERT_EQ(engine().pendingObjects.size(), 1u);
  EXPECT_EQ(shot.chainCount, 0);
  auto* next = dynamic_cast<RailShot*>(engine().pendingObjects[0]);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->rayStart, (math::Vec3{0, 0, 100}));  // from the far end of the first shot
  EXPECT_EQ(next->chainCount, 0);
  shot.chainCount = 1;
  shot.OnCollision(first, 0);
  EXPECT_TRUE(first->chainHit);
  Fly(shot, 20);
  EXPECT_FALSE(shot.isRay);
  while (!shot.dead) Fly(shot, 100);
  EXPECT_EQ(Timer().GetTimeMs(), 1040);
}

TEST_F(ProjectileTest, ARayBeamGrows300UnitsASecondOr900InTheChaseViewAndOutlivesItsShooter) {
  for (bool fast : {false, true}) {
    auto shooter = std::make_unique<Player>(&engine(), &engine().previousState);
    RayShot beam(10000, *shooter, nullptr, 15, kWhite, kWhite, nullptr, shooter->GetRayLockPoint());
    Fly(beam, 100, fast);
    EXPECT_EQ(beam.GetDamage(), 1001);  // trunc(dt x damage per second + 1)
    EXPECT_EQ(beam.rayStart, (math::Vec3{0, -1, 12}));
    EXPECT_NEAR(beam.raySegment.z, fast ? 90.0f : 30.0f, 1e-3);
    shooter->SetPosition(0, 10, 0);  // the beam follows its shooter
    Fly(beam, 100, fast);
    EXPECT_EQ(beam.rayStart, (math::Vec3{0, 9, 12}));
    shooter.reset();  // gone: the beam keeps its last origin
    Fly(beam, 100, fast);
    EXPECT_EQ(beam.rayStart, (math::Vec3{0, 9, 12}));
    EXPECT_NEAR(beam.raySegment.z, fast ? 270.0f : 90.0f, 1e-3);
  }
  // A fixed-origin beam never reads its shooter after construction.
  const math::Vec3 at{5, 5, 5}, down{0, -1, 0};
  auto shooter = std::make_unique<Player>(&engine(), &engine().previousState);
  RayShot fixed(500, *shooter, &at, 10, kWhite, kWhite, &down, -1);
  shooter.reset();
  while (!fixed.dead) Fly(fixed, 100);
  EXPECT_EQ(fixed.rayStart, at);
  EXPECT_NEAR(fixed.raySegment.y, -300.0f * 1.1f, 1e-2);
}

}  // namespace
}  // namespace playertest
