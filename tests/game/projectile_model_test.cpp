// Shots on model files that lack what they read: no sphere, no part, no lock point. Nothing may be written
// outside the model; the shots still fly and end.
#include "game/projectile.h"
#include "game_test_support.h"

namespace gametest {
namespace {

const ShotAxes kWorld{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

TEST_F(GameObjectTest, ShotsOnModelsWithoutSpheresPartsOrLockPointsStillFlyAndEnd) {
  for (const Parts& parts : {Parts{}, Parts{{}}}) {
    for (const char* name : {"Bomb", "Poison", "Missile"})
      WriteModel(name, parts);  // the Missile: no lock point
    graphics_->ClearScene();
    Bomb bomb(1000, {0, 0, 0}, kWorld, 300, {1, 1, 1, 1}, 10, 50);
    Poison cloud(6000, {0, 0, 0});
    Missile missile(500, {0, 0, 0}, kWorld, 0, 0, true, false);
    // A file with no part makes no model at all; one part without a sphere or lock point makes one.
    EXPECT_EQ(bomb.GetModel() != nullptr, !parts.empty());
    if (missile.GetModel() != nullptr) {
      EXPECT_TRUE(missile.GetModel()->particleSystems.empty());
    }
    while (!bomb.dead) {
      Tick(100);
      bomb.Update(false);
      cloud.Update(false);
      if (!missile.dead) missile.Update(false);  // no engine: its burst makes no cloud
    }
    EXPECT_TRUE(bomb.blasting);
    EXPECT_GT(bomb.blastRadius, 300.0f);
    EXPECT_TRUE(cloud.dead);
    EXPECT_TRUE(missile.dead);
  }
}

}  // namespace
}  // namespace gametest
