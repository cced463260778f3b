// The player's weapons on the headless engine: what each weapon and level makes, its cool-down, the bombs it
// spends and the sounds it plays; the Ray Cannon's charge timeline; the super shot and rapid fire.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/sound_system.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/projectile.h"
#include "harness/play_support.h"
#include "math/random.h"
#include "player_test_support.h"

namespace playertest {
namespace {

using plat::headless::SoundCall;

class WeaponsTest : public PlayerTest {
 protected:
  // Keeps the shots (the test owns them) and returns how many there were.
  size_t Keep(std::vector<Projectile*> made) {
    for (Projectile* p : made) shots.emplace_back(p);
    return made.size();
  }
  template <class T>
  T* Last() {
    return shots.empty() ? nullptr : dynamic_cast<T*>(shots.back().get());
  }
  std::vector<std::string> Plays() { return harness->services.Sounds().Lines({SoundCall::Play}); }
  void Arm(int code, int level) {
    player->SetWeaponCode(code);
    player->SetWeaponLevel(level);
  }
  // An enemy with one sphere 100 units ahead, in the enemy manager's one group.
  Enemy* AddEnemy(int health = 100) {
    auto enemy = std::make_unique<Enemy>();
    enemy->LoadModel("Bullet", false);
    enemy->SetPosition(0, 0, 100);
    enemy->health = health;
    engine().enemyManager->groups.resize(1);
    engine().enemyManager->groups[0].members.push_back(enemy.get());
    engine().enemyManager->count += 1;
    enemies.push_back(std::move(enemy));
    return enemies.back().get();
  }
  // Shots and enemies go before the engine whose graphics object holds their models.
  void Restart() {
    shots.clear();
    engine().enemyManager->groups.clear();
    enemies.clear();
    Start(EngineHarness::GameFolder());
  }
  void TearDown() override {
    shots.clear();
    engine().enemyManager->groups.clear();
    enemies.clear();
    PlayerTest::TearDown();
  }

  std::vector<std::unique_ptr<Projectile>> shots;
  std::vector<std::unique_ptr<Enemy>> enemies;
};

float YawDegrees(const Entity& shot) {
  const math::Vec3 z = shot.GetModel()->zAxis;
  return std::atan2(z.x, z.z) / 0.017453277f;
}

TEST_F(WeaponsTest, PrimaryGunByLevelCoolsDownSpendsBombsAtLevelFourAndPlaysItsSound) {
  struct Row {
    int level, cooldown;
    bool bomb;
  };
  for (const Row& row : {Row{1, 401, false}, Row{2, 251, false}, Row{3, 121, false}, Row{4, 401, true}}) {
    SCOPED_TRACE(row.level);
    Restart();
    player->SetPrimaryLevel(row.level);
    AdvanceTo(1000);
    EXPECT_EQ(Keep(player->FirePrimary(0, false)), 1u);  // a press fires at once
    EXPECT_EQ(Keep(player->FirePrimary(0, true)), 0u);   // the held call of the same frame waits
    AdvanceTo(1000 + row.cooldown - 1);
    EXPECT_EQ(Keep(player->FirePrimary(0, true)), 0u);
    EXPECT_EQ(Keep(player->FirePrimary(0, false)), 1u);  // another press ignores the cool-down
    AdvanceTo(1000 + 2 * row.cooldown - 1);
    EXPECT_EQ(Keep(player->FirePrimary(0, true)), 1u);
    EXPECT_EQ(player->GetBombs(), row.bomb ? 0 : 3);
    EXPECT_EQ(Plays(), std::vector<std::string>(3, "play Assets/Sounds/BeamGun.wav 150"));
    if (row.bomb) {
      Bomb* bomb = Last<Bomb>();
      ASSERT_NE(bomb, nullptr);
      EXPECT_EQ(bomb->GetDamage(), 1000);
      EXPECT_FLOAT_EQ(bomb->speed, 300.0f);
      EXPECT_FLOAT_EQ(bomb->blastSpeed, 50.0f);
      // Out of bombs, level 4 fires nothing at all.
      AdvanceTo(3000);
      EXPECT_EQ(Keep(player->FirePrimary(0, false)), 0u);
      EXPECT_EQ(player->GetBombs(), 0);
    } else {
      Bullet* bullet = Last<Bullet>();
      ASSERT_NE(bullet, nullptr);
      EXPECT_EQ(bullet->GetDamage(), 1000);
      EXPECT_EQ(bullet->position, (math::Vec3{0, -3.5f, 13}));  // the spawn point of an unturned ship
      EXPECT_FLOAT_EQ(bullet->speed, 300.0f);
      EXPECT_FLOAT_EQ(bullet->size, 15.0f);
      EXPECT_EQ(bullet->hitCounter, 30);
      EXPECT_FALSE(bullet->splits);
      EXPECT_FALSE(bullet->GetModel()->visible);
    }
    shots.clear();
  }
}

TEST_F(WeaponsTest, PrimarySpreadInTheTopViewIsMinusOneToOneAtLevelTwoAndMinusTwoToOneAtLevelThree) {
  math::SeedRandom(7);
  for (int level : {2, 3}) {
    player->SetPrimaryLevel(level);
    std::vector<int> seen;
    for (int i = 0; i < 40; ++i) {
      Keep(player->FirePrimary(0, false));
      const int degrees = static_cast<int>(std::lround(YawDegrees(*shots.back())));
      if (std::find(seen.begin(), seen.end(), degrees) == seen.end()) seen.push_back(degrees);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, level == 2 ? (std::vector<int>{-1, 0, 1}) : (std::vector<int>{-2, -1, 0, 1}));
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
      if (beamAt > 0) {
        EXPECT_EQ(harness->services.Sounds().Lines({SoundCall::Stop, SoundCall::Play}),
                  (std::vector<std::string>{"stop Assets/Sounds/BigLaser.wav",
                                            "play Assets/Sounds/RayCannon.wav 150"}));
      }
    }
    EXPECT_EQ(humAt, row.humAt);
    EXPECT_EQ(beamAt, row.beamAt);
    EXPECT_EQ(firstVolume, 50);  // trunc(hum x 128 + 50), the hum growing 2.668 a second
    EXPECT_EQ(lastVolume, static_cast<int>((row.beamAt - row.humAt + 1) * 0.001f * 2.668f * 128 + 50));
    EXPECT_FLOAT_EQ(player->GetChargeHum(), 0.0f);
    EXPECT_EQ(player->GetLastWeaponShot(), row.beamAt);
  }
}

TEST_F(WeaponsTest, RayCannonBeamsByLevelAndLevelFourNeedsABomb) {
  struct Row {
    int level, damagePerSecond;
    float thickness;
    int bombsAfter;
  };
  for (const Row& row :
       {Row{1, 10000, 3, 3}, Row{2, 12500, 6, 3}, Row{3, 15000, 12, 3}, Row{4, 100000, 40, 2}}) {
    SCOPED_TRACE(row.level);
    Arm(2, row.level);
    AdvanceTo(Timer().GetTimeMs() + 1501);
    ASSERT_EQ(Keep(player->FireWeapon(251)), 1u);
    RayShot* beam = Last<RayShot>();
    ASSERT_NE(beam, nullptr);
    EXPECT_EQ(beam->damagePerSecond, row.damagePerSecond);
    EXPECT_FLOAT_EQ(beam->rayThickness, row.thickness);
    EXPECT_EQ(beam->lockPoint, player->GetRayLockPoint());
    EXPECT_EQ(beam->origin, (math::Vec3{0, -1, 12}));  // the ship's "RayLockpoint"
    EXPECT_EQ(player->GetBombs(), row.bombsAfter);
    player->SetBombs(3);
  }
  player->SetBombs(0);
  AdvanceTo(Timer().GetTimeMs() + 1501);
  EXPECT_EQ(Keep(player->FireWeapon(251)), 0u);
  EXPECT_EQ(player->GetBombs(), 0);
}

TEST_F(WeaponsTest, SpreadShotFansPerLevelAndView) {
  struct Row {
    int level, state;
    size_t count;
    float speed, size;
    bool splits;
    std::vector<int> yaws;  // top view only: the turns about the up axis, in degrees
  };
  const Row rows[] = {
      {1, 13, 3, 200, 15, false, {3, -3, 0}},
      {1, 14, 3, 200, 15, false, {}},
      {1, 15, 4, 200, 15, false, {}},
      {1, 12, 3, 200, 15, false, {0, 0, 0}},
      {2, 13, 5, 200, 15, false, {3, -3, 6, -6, 0}},
      {2, 15, 5, 200, 15, false, {0, 0, 3, -3, 0}},
      {3, 14, 5, 200, 10, true, {}},
      {4, 15, 3, 600, 15, false, {}},
      {4, 13, 1, 200, 15, false, {}},
      {4, 12, 0, 0, 0, false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.level) + " in state " + std::to_string(row.state));
    engine().state = row.state;
    Arm(3, row.level);
    AdvanceTo(Timer().GetTimeMs() + (row.level == 4 ? 11 : 301));
    shots.clear();
    harness->services.Sounds().ClearRecords();
    ASSERT_EQ(Keep(player->FireWeapon(0)), row.count);
    EXPECT_EQ(Plays(), std::vector<std::string>{"play Assets/Sounds/SpreadShot.wav 150"});
    EXPECT_EQ(Keep(player->FireWeapon(0)), 0u);  // cooling down
    for (size_t i = 0; i < shots.size(); ++i) {
      auto* b = dynamic_cast<Bullet*>(shots[i].get());
      ASSERT_NE(b, nullptr);
      EXPECT_FLOAT_EQ(b->speed, row.speed);
      EXPECT_FLOAT_EQ(b->size, row.size);
      EXPECT_EQ(b->splits, row.splits);
      EXPECT_FLOAT_EQ(b->colour.g, 0.498f);
      // The chase view's pitches leave the heading; its yaws and the top view's turns set it.
      if (!row.yaws.empty()) {
        EXPECT_EQ(std::lround(YawDegrees(*b)), row.yaws[i]) << i;
      }
    }
  }
}

TEST_F(WeaponsTest, MissilesPerLevelAndView) {
  struct Row {
    int level, state;
    std::vector<std::pair<float, float>> drifts;  // sideways, vertical
    const char* sound;
  };
  const Row rows[] = {
      {1, 13, {{0, 0}}, "Missile"},
      {2, 13, {{0, 0}}, "Missile"},
      {3, 14, {{0, -50}, {0, 50}}, "Missile"},
      {3, 15, {{50, 0}, {-50, 0}}, "Missile"},
      {3, 12, {}, "Missile"},
      {4, 12, {{50, 0}, {-50, 0}, {0, -50}, {0, 50}}, "MissileBomb"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.level) + " in state " + std::to_string(row.state));
    engine().state = row.state;
    Arm(4, row.level);
    AdvanceTo(Timer().GetTimeMs() + (row.level == 4 ? 101 : 751));
    shots.clear();
    harness->services.Sounds().ClearRecords();
    ASSERT_EQ(Keep(player->FireWeapon(0)), row.drifts.size());
    EXPECT_EQ(Plays(), std::vector<std::string>{std::string("play Assets/Sounds/") + row.sound + ".wav 150"});
    for (size_t i = 0; i < shots.size(); ++i) {
      auto* m = dynamic_cast<Missile*>(shots[i].get());
      ASSERT_NE(m, nullptr);
      EXPECT_EQ(std::make_pair(m->sidewaysSpeed, m->verticalSpeed), row.drifts[i]);
      EXPECT_EQ(m->homing, row.level > 1);
      EXPECT_FALSE(m->enemys);
      EXPECT_EQ(m->GetDamage(), 500);
    }
  }
}

TEST_F(WeaponsTest, RailgunByLevelAndTheChainingShotNeedsATargetAndABomb) {
  struct Row {
    int level, cooldown, damage;
    float green;
  };
  for (const Row& row : {Row{1, 901, 5000, 1}, Row{2, 901, 5000, 0.502f}, Row{3, 451, 5000, 0}}) {
    SCOPED_TRACE(row.level);
    Arm(5, row.level);
    AdvanceTo(Timer().GetTimeMs() + row.cooldown);
    const int fired = Timer().GetTimeMs();
    ASSERT_EQ(Keep(player->FireWeapon(0)), 1u);
    AdvanceTo(fired + row.cooldown - 1);
    EXPECT_EQ(Keep(player->FireWeapon(0)), 0u);
    RailShot* shot = dynamic_cast<RailShot*>(shots.front().get());
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->GetDamage(), row.damage);
    EXPECT_EQ(shot->chainCount, 0);
    EXPECT_EQ(shot->rayStart, (math::Vec3{0, -3.5f, 13}));
    EXPECT_EQ(shot->raySegment, (math::Vec3{0, 0, 300000}));
    shots.clear();
  }
  // Level 4: no target takes the sound and the shot time but no bomb; a target without bombs fires nothing.
  Arm(5, 4);
  harness->services.Sounds().ClearRecords();
  AdvanceTo(Timer().GetTimeMs() + 451);
  EXPECT_EQ(Keep(player->FireWeapon(0)), 0u);
  EXPECT_EQ(player->GetLastWeaponShot(), Timer().GetTimeMs());
  EXPECT_EQ(Plays(), std::vector<std::string>{"play Assets/Sounds/RailGun.wav 150"});
  EXPECT_EQ(player->GetBombs(), 3);
  AddEnemy();
  AddEnemy();
  player->SetBombs(0);
  AdvanceTo(Timer().GetTimeMs() + 451);
  EXPECT_EQ(Keep(player->FireWeapon(0)), 0u);
  EXPECT_EQ(player->GetBombs(), 0);
  player->SetBombs(1);
  AdvanceTo(Timer().GetTimeMs() + 451);
  ASSERT_EQ(Keep(player->FireWeapon(0)), 1u);
  EXPECT_EQ(player->GetBombs(), 0);
  EXPECT_EQ(Last<RailShot>()->GetDamage(), 25000);
  EXPECT_EQ(Last<RailShot>()->chainCount, 2);  // the live enemy count
  EXPECT_EQ(Last<RailShot>()->raySegment, (math::Vec3{0, 3.5f, 87}));
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
  EXPECT_NE(Last<Bomb>(), nullptr);
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
  int frames = 0;
  while (player->GetRapidFireLeft() > 0) {
    Tick(20);
    shots.clear();
    EXPECT_EQ(Keep(player->UpdateRapidFire()), 1u);
    ++frames;
  }
  EXPECT_EQ(frames, 50);
  EXPECT_EQ(player->GetWeaponLevel(), 2);
  EXPECT_EQ(Keep(player->UpdateRapidFire()), 0u);
}

TEST_F(WeaponsTest, RapidFireStopsWhenAPickUpChangesToAWeaponItDoesNotBuy) {
  for (int code : {2, 5}) {
    SCOPED_TRACE(code);
    Restart();
    AddEnemy();
    Arm(4, 1);
    AdvanceTo(200);
    Keep(player->FireSuper(0));
    EXPECT_EQ(player->GetBombs(), 2);
    Tick(20);
    EXPECT_EQ(Keep(player->UpdateRapidFire()), 4u);
    player->PickUpWeapon(code);
    // Each frame would otherwise fire the level-4 Ray Cannon or Railgun and spend a bomb.
    for (int i = 0; i < 60; ++i) {
      Tick(20);
      EXPECT_EQ(Keep(player->UpdateRapidFire()), 0u);
    }
    EXPECT_EQ(player->GetBombs(), 2);
    EXPECT_EQ(player->GetRapidFireLeft(), 0);
    EXPECT_EQ(player->GetWeaponLevel(), 1);
  }
}

TEST_F(WeaponsTest, TheWeaponKeyWithNoSecondaryWeaponFiresNothing) {
  AdvanceTo(5000);
  EXPECT_EQ(Keep(player->FireWeapon(5000)), 0u);
  for (int level : {0, 5}) {
    Arm(5, level);
    EXPECT_EQ(Keep(player->FireWeapon(5000)), 0u);
  }
  EXPECT_TRUE(Plays().empty());
}

// The whole frame: the fire key's shots join the live list at once, fly and are purged after 5000 ms; a
// super shot's rapid fire goes on while the game is paused.
TEST(WeaponsInPlay, TheFireKeysShotsJoinTheLiveListAndRapidFireRunsOnWhilePaused) {
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

  e.players[0]->SetWeaponCode(4);
  h.services.SetKey(e.keySpecial, true);
  h.Step();
  h.services.SetKey(e.keySpecial, false);
  EXPECT_EQ(e.players[0]->GetBombs(), 2);
  e.Pause();
  ASSERT_EQ(h.state(), 16);
  const size_t before = e.objects.size();
  h.Frames(30);  // level-4 missiles, four every 101 ms or more (120 in 20 ms frames)
  EXPECT_EQ(e.objects.size(), before + 20);
}

}  // namespace
}  // namespace playertest
