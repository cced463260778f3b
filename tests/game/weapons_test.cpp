// The player's weapons on the headless engine: what each weapon and level makes, its cool-down, the bombs it
// spends and the sounds it plays; the Ray Cannon's charge timeline; the super shot and rapid fire.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/sound_system.h"
#include "game/helper.h"
#include "harness/play_support.h"
#include "math/random.h"
#include "shot_test_support.h"

namespace playertest {
namespace {

using plat::headless::SoundCall;

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
      if (beamAt > 0) {
        EXPECT_EQ(harness->services.Sounds().Lines({SoundCall::Stop, SoundCall::Play}),
                  (std::vector<std::string>{"stop Assets/Sounds/BigLaser.wav",
                                            "play Assets/Sounds/RayCannon.wav 150"}));
      }
    }
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
}

}  // namespace
}  // namespace playertest
