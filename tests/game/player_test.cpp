// The player ship: its set-up from the built KV01.mdl, hits and the flash, death, respawn and lives, weapon
// pick-ups, the dash's timing, and ship models that lack what the set-up reads.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

#include "graphics/graphics_test_support.h"
#include "graphics/particle_system.h"
#include "player_test_support.h"

namespace playertest {
namespace {

bool Contains(const std::vector<Model*>& list, const Model* model) {
  return std::find(list.begin(), list.end(), model) != list.end();
}

TEST_F(PlayerTest, StartsWithFullHealthTwoLivesThreeBombsAndNoWeapon) {
  EXPECT_EQ(player->GetHealth(), 5);
  EXPECT_EQ(player->GetLives(), 2);
  EXPECT_EQ(player->GetBombs(), 3);
  EXPECT_EQ(player->GetWeaponCode(), 1);
  EXPECT_EQ(player->GetWeaponLevel(), 1);
  EXPECT_EQ(player->GetPrimaryLevel(), 1);
  EXPECT_TRUE(player->IsAlive());
  EXPECT_FALSE(player->IsFlashing() || player->IsDashing() || player->godmode);
  EXPECT_FLOAT_EQ(player->GetAlpha(), 1.0f);
  player->SetHealth(7);  // capped at five
  EXPECT_EQ(player->GetHealth(), 5);
}

TEST_F(PlayerTest, LoadsTheShipBlendedWithItsHullEnginesAndRayLockPoint) {
  Model* ship = player->GetModel();
  ASSERT_NE(ship, nullptr);
  EXPECT_TRUE(Contains(graphics().blendedModels, ship));
  // Hull and four engines; each engine's first lock point is its exhaust, the hull carries the spheres.
  ASSERT_EQ(ship->parts.size(), 5u);
  EXPECT_FALSE(ship->parts[0]->spheres.empty());
  for (size_t i = 1; i <= 4; ++i) {
    ASSERT_FALSE(ship->parts[i]->lockPoints.empty()) << "engine part " << i;
    EXPECT_EQ(ship->parts[i]->lockPoints[0].name, "Exhaust");
  }
  // "Tail" comes first (the trail emitter), "RayLockpoint" second.
  EXPECT_EQ(ship->parts[0]->lockPoints[0].name, "Tail");
  EXPECT_EQ(player->GetRayLockPoint(), 1);
}

TEST_F(PlayerTest, MakesTwoReticlesFromRetXAtAlphaPointEight) {
  for (int i = 0; i < 2; ++i) {
    Model* reticle = player->GetReticle(i);
    ASSERT_NE(reticle, nullptr);
    EXPECT_TRUE(Contains(graphics().blendedModels, reticle));
    ASSERT_EQ(reticle->parts.size(), 1u);
    EXPECT_EQ(reticle->parts[0]->mesh->fileName, "Assets\\Art\\Ret.X");
    EXPECT_FLOAT_EQ(reticle->parts[0]->mesh->materials[0].diffuse.a, 0.8f);
  }
  EXPECT_NE(player->GetReticle(0), player->GetReticle(1));
  EXPECT_EQ(player->GetReticle(2), nullptr);
}

TEST_F(PlayerTest, FindsEveryHelperStationOfEachViewOnTheHull) {
  EXPECT_EQ(Player::HelperStationName(kSideView, 2), "HelperSide2");
  EXPECT_EQ(Player::HelperStationName(kLevelStart, 1), "1");
  for (int state : {kTopView, kSideView, kRailView}) {
    for (int i = 0; i < 4; ++i) {
      const std::string name = Player::HelperStationName(state, i);
      EXPECT_EQ(name.substr(0, 6), "Helper");
      EXPECT_NE(player->FindLockPoint(name.c_str()), nullptr) << name;
    }
  }
  // The ship stands at the origin unturned, so the station's world place is its place in the file.
  const LockPoint* top0 = player->FindLockPoint("HelperTop0");
  ASSERT_NE(top0, nullptr);
  EXPECT_EQ(top0->worldPosition, (math::Vec3{-24, 0, -6}));
  EXPECT_EQ(player->FindLockPoint("HelperTop4"), nullptr);
  EXPECT_EQ(player->FindLockPoint("helpertop0"), nullptr);
}

TEST_F(PlayerTest, DestroyingThePlayerHandsBackTheShipAndBothReticles) {
  Model* ship = player->GetModel();
  Model* reticles[2] = {player->GetReticle(0), player->GetReticle(1)};
  ASSERT_NE(ship, nullptr);
  player.reset();
  // The graphics object still holds the models until its next update deletes them.
  EXPECT_TRUE(ship->unload);
  EXPECT_TRUE(reticles[0]->unload);
  EXPECT_TRUE(reticles[1]->unload);
  graphics().Update(0.02f);
  EXPECT_FALSE(Contains(graphics().blendedModels, ship));
  EXPECT_FALSE(Contains(graphics().blendedModels, reticles[0]));
}

TEST_F(PlayerTest, AShipModelWithoutLockPointsOrEnginesHasNoRayOriginAndStillFlies) {
  gfxtest::ScratchGameFolder folder({"Art/KV01.mdl"});
  {
    std::ofstream out(folder.Root() / "Assets" / "Art" / "KV01.mdl");
    out << "Object\nKV01_Hull.X 0 0 0\nLockPoints\nCollision\n";
  }
  Start(folder.Root());
  ASSERT_NE(player->GetModel(), nullptr);
  EXPECT_EQ(player->GetModel()->parts.size(), 1u);
  EXPECT_EQ(player->GetRayLockPoint(), -1);
  EXPECT_EQ(player->FindLockPoint("HelperTop0"), nullptr);
  EachFrame(3, [&] {
    player->AccelerateRight(60, 15);
    player->Update();
  });
  player->UpdateTransform({0, 0, 0}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  EXPECT_GT(player->offset.x, 0.0f);
}

TEST_F(PlayerTest, WithoutAShipModelEverythingButTheModelStillWorks) {
  gfxtest::ScratchGameFolder folder({"Art/KV01.mdl"});
  Start(folder.Root());
  EXPECT_EQ(player->GetModel(), nullptr);
  EXPECT_EQ(player->GetRayLockPoint(), -1);
  EXPECT_EQ(player->FindLockPoint("RayLockpoint"), nullptr);
  Toucher enemy(1000);
  player->OnCollision(&enemy, 0);
  UpdateFrames(2);
  player->UpdateTransform({1, 2, 3}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  EXPECT_EQ(player->GetHealth(), 4);
  // The stored position follows even without a model: 100 behind the rail point.
  EXPECT_EQ(player->position, (math::Vec3{1, 2, -97}));
}

TEST_F(PlayerTest, EnginesExhaustAndEveryContactThrowsSparksTheFatalOneAnExplosion) {
  Model* ship = player->GetModel();
  ASSERT_EQ(ship->particleSystems.size(), 4u);
  ship->SetPosition(40, 0, 0);
  for (size_t i = 0; i < 4; ++i) {
    ParticleSystem& exhaust = *ship->particleSystems[i];
    EXPECT_EQ(exhaust.kind, kExhaustParticles);
    EXPECT_EQ(exhaust.particles.size(), 128u);
    EXPECT_EQ(exhaust.pointSize, 5.0f);
    exhaust.ResetAll();  // born at the engine's exhaust, wherever the ship has gone
    EXPECT_EQ(exhaust.particles.front().position, ship->parts[i + 1]->lockPoints[0].worldPosition);
    EXPECT_EQ(ColourToArgb(exhaust.particles.front().colour), 0xFFFFFF00u);
  }

  Toucher powerUp(0), enemy(1000);
  player->OnCollision(&powerUp, 0);
  EXPECT_TRUE(graphics().freeParticleSystems.empty());
  // Each contact: ten emitters of two particles, within 5 units of the ship plus the walk's 3.75 a step.
  player->SetHealth(1);
  player->OnCollision(&enemy, 0);
  ASSERT_EQ(graphics().freeParticleSystems.size(), 20u);  // the sparks, then the explosion
  for (size_t i = 0; i < 20; ++i) {
    const ParticleSystem& burst = *graphics().freeParticleSystems[i];
    EXPECT_EQ(burst.kind, kExplosionParticles);
    EXPECT_EQ(burst.total, i < 10 ? 2 : 15);
  }
  const math::Vec3 from = graphics().freeParticleSystems[0]->origin - ship->position;
  for (float v : {from.x, from.y, from.z}) EXPECT_LE(std::fabs(v), 8.75f);
  player->OnCollision(&enemy, 0);  // dead and flashing: sparks only
  EXPECT_EQ(graphics().freeParticleSystems.size(), 30u);
}

TEST_F(PlayerTest, HarmlessContactsAndGodmodeAreNoHits) {
  Toucher powerUp(0);
  player->OnCollision(&powerUp, 0);
  player->OnCollision(nullptr, 0);
  EXPECT_EQ(player->GetHealth(), 5);
  EXPECT_FALSE(player->IsFlashing());

  player->godmode = true;
  Toucher enemy(1000);
  player->OnCollision(&enemy, 0);
  EXPECT_EQ(player->GetHealth(), 5);
  EXPECT_FALSE(player->IsFlashing());
  EXPECT_FLOAT_EQ(graphics().colorAdd[0], 0.0f);
}

TEST_F(PlayerTest, AHitCostsOneHealthThenTheTintFadesAndTheAlphaPulsesUntilTheFlashEnds) {
  Toucher enemy(50000);
  player->OnCollision(&enemy, 0);
  EXPECT_EQ(player->GetHealth(), 4);  // one, however hard the hit
  EXPECT_TRUE(player->IsFlashing());
  EXPECT_FLOAT_EQ(graphics().colorAdd[0], 0.75f);
  EXPECT_FLOAT_EQ(player->GetAlpha(), 1.0f);

  float lowest = 1.0f, previous = 1.0f;
  bool roseAgain = false;
  for (int frame = 1; frame <= 125; ++frame) {  // 2500 ms of 20 ms frames
    SCOPED_TRACE(frame);
    UpdateFrames(1);
    ASSERT_TRUE(player->IsFlashing());
    // The red tint loses 0.02 a frame for half a second, then clears.
    if (frame == 1 || frame == 24) {
      EXPECT_NEAR(graphics().colorAdd[0], 0.75f - frame * 0.02f, 1e-5);
    }
    if (frame == 26) {
      EXPECT_EQ(graphics().colorAdd[0], 0.0f);
    }
    if (frame == 5) {  // 1 - 1.55 x 0.1
      EXPECT_NEAR(player->GetAlpha(), 0.845f, 1e-5);
      EXPECT_NEAR(ModelAlpha(), 0.845f, 1e-5);
    }
    if (frame == 10) {  // a hit during the flash changes nothing
      player->OnCollision(&enemy, 0);
      EXPECT_EQ(player->GetHealth(), 4);
    }
    if (frame > 5) {
      lowest = std::min(lowest, player->GetAlpha());
      roseAgain = roseAgain || player->GetAlpha() > previous;
    }
    previous = player->GetAlpha();
  }
  EXPECT_FLOAT_EQ(lowest, 0.25f);
  EXPECT_TRUE(roseAgain);
  UpdateFrames(1);  // 2520 ms
  EXPECT_FALSE(player->IsFlashing());
  EXPECT_FLOAT_EQ(player->GetAlpha(), 1.0f);
  EXPECT_FLOAT_EQ(ModelAlpha(), 1.0f);
  EXPECT_EQ(graphics().colorAdd[0], 0.0f);

  // Nor does a hit during a dash.
  player->DashUp();
  ASSERT_TRUE(player->IsDashing());
  player->OnCollision(&enemy, 0);
  EXPECT_EQ(player->GetHealth(), 4);
  EXPECT_FALSE(player->IsFlashing());
}

TEST_F(PlayerTest, TheContactDamageIsTenThousandPerSecondOfTheFrame) {
  UpdateFrames(1, 20);
  EXPECT_EQ(player->GetDamage(), 200);
  UpdateFrames(1, 33);
  EXPECT_EQ(player->GetDamage(), 330);
}

TEST_F(PlayerTest, TheFifthHitWithNoLivesLeftLeavesLivesMinusOneAndFullHealth) {
  player->SetLives(0);
  player->PickUpWeapon(3);
  player->PickUpWeapon(3);
  player->PickUpWeapon(1);
  player->offset = {30, 0, 60};
  ASSERT_EQ(player->GetWeaponLevel(), 2);
  ASSERT_EQ(player->GetPrimaryLevel(), 2);
  Toucher enemy(1000);
  for (int hit = 1; hit <= 5; ++hit) {
    player->OnCollision(&enemy, 0);
    if (hit < 5) {
      EXPECT_EQ(player->GetHealth(), 5 - hit);
      EXPECT_TRUE(player->IsAlive());
      UpdateFrames(130);  // past the flash
    }
  }
  EXPECT_FALSE(player->IsAlive());
  EXPECT_EQ(player->GetLives(), -1);
  EXPECT_EQ(player->GetHealth(), 5);
  EXPECT_EQ(player->GetWeaponCode(), 1);
  EXPECT_EQ(player->GetWeaponLevel(), 1);
  EXPECT_EQ(player->GetPrimaryLevel(), 1);
  EXPECT_EQ(player->offset, (math::Vec3{0, 0, 0}));
  EXPECT_FALSE(player->dead);  // the entity's own flag never ends a player
}

TEST_F(PlayerTest, ADeadShipHidesForTwoSecondsThenReturnsStillFlashing) {
  player->SetHealth(1);
  Toucher enemy(1000);
  player->OnCollision(&enemy, 0);
  ASSERT_FALSE(player->IsAlive());
  EXPECT_EQ(player->GetLives(), 1);

  player->velocity = {10, 0, 10};  // kept through death, but a dead ship does not move
  UpdateFrames(10);
  player->OnCollision(&enemy, 0);  // contacts while dead only make sparks
  EXPECT_EQ(player->GetLives(), 1);
  EXPECT_EQ(player->GetHealth(), 5);
  UpdateFrames(90);  // exactly 2000 ms: not yet
  EXPECT_FALSE(player->IsAlive());
  EXPECT_FALSE(player->GetModel()->visible);
  EXPECT_FALSE(player->GetModel()->drawParticles);
  EXPECT_EQ(player->offset, (math::Vec3{0, 0, 0}));

  UpdateFrames(1);  // 2020 ms
  EXPECT_TRUE(player->IsAlive());
  EXPECT_TRUE(player->GetModel()->visible);
  EXPECT_TRUE(player->GetModel()->drawParticles);
  EXPECT_TRUE(player->IsFlashing());
  // Back at a quarter, rising: the flash step of the same frame adds 1.55 x 0.02.
  EXPECT_NEAR(player->GetAlpha(), 0.25f + 0.031f, 1e-5);

  // The flash continues from where the fatal hit left it: contacts still cost nothing.
  player->OnCollision(&enemy, 0);
  EXPECT_EQ(player->GetHealth(), 5);
  UpdateFrames(125);
  EXPECT_FALSE(player->IsFlashing());
  player->OnCollision(&enemy, 0);
  EXPECT_EQ(player->GetHealth(), 4);
}

TEST_F(PlayerTest, PickUpsLevelThePrimaryWithABombAndTheSameWeaponUpToThree) {
  player->PickUpWeapon(1);
  player->PickUpWeapon(1);
  EXPECT_EQ(player->GetPrimaryLevel(), 3);
  EXPECT_EQ(player->GetBombs(), 5);
  player->PickUpWeapon(1);  // a bomb even at level three
  EXPECT_EQ(player->GetPrimaryLevel(), 3);
  EXPECT_EQ(player->GetBombs(), 6);
  EXPECT_EQ(player->GetWeaponCode(), 1);

  player->PickUpWeapon(4);
  EXPECT_EQ(player->GetWeaponCode(), 4);
  EXPECT_EQ(player->GetWeaponLevel(), 1);
  player->PickUpWeapon(4);
  player->PickUpWeapon(4);
  player->PickUpWeapon(4);
  EXPECT_EQ(player->GetWeaponLevel(), 3);
  player->PickUpWeapon(2);
  EXPECT_EQ(player->GetWeaponCode(), 2);
  EXPECT_EQ(player->GetWeaponLevel(), 1);
  EXPECT_EQ(player->GetBombs(), 6);
}

TEST_F(PlayerTest, ADashStartsOnlyAWholeSecondAfterTheLastStart) {
  AdvanceTo(999);  // the last start counts as game time 0
  player->DashLeft();
  EXPECT_FALSE(player->IsDashing());
  AdvanceTo(1000);
  player->DashLeft();
  EXPECT_TRUE(player->IsDashing());

  UpdateFrames(25);  // 500 ms: this dash is over
  ASSERT_FALSE(player->IsDashing());
  AdvanceTo(1999);
  player->DashRight();
  EXPECT_FALSE(player->IsDashing());
  AdvanceTo(2000);
  player->DashRight();
  EXPECT_TRUE(player->IsDashing());
}

TEST_F(PlayerTest, ADashRunningRefusesAnotherAndTheChargeRefillsOverOneSecond) {
  AdvanceTo(1000);
  EXPECT_FLOAT_EQ(player->GetDashCharge(), 1.0f);
  player->DashRight();
  ASSERT_TRUE(player->IsDashing());
  EXPECT_FLOAT_EQ(player->GetDashCharge(), 0.0f);
  player->DashUp();  // refused: the dash stays rightward, y never moves
  UpdateFrames(5);
  EXPECT_GT(player->offset.x, 0.0f);
  EXPECT_EQ(player->offset.y, 0.0f);
  AdvanceTo(1500);
  EXPECT_FLOAT_EQ(player->GetDashCharge(), 0.5f);
  AdvanceTo(2000);
  EXPECT_FLOAT_EQ(player->GetDashCharge(), 1.0f);
  AdvanceTo(4000);
  EXPECT_FLOAT_EQ(player->GetDashCharge(), 1.0f);
}

}  // namespace
}  // namespace playertest
