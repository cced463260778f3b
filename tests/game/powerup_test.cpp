// Power-ups and helper ships on the headless engine: each pick-up's effect on player 0, the drift toward
// the ship and the expiry, and the helpers' life with their ship and their approach to its stations.
#include <algorithm>
#include <fstream>

#include "game/helper.h"
#include "game/powerup.h"
#include "graphics/graphics_test_support.h"
#include "player_test_support.h"

namespace playertest {
namespace {

void ExpectNear(const math::Vec3& got, const math::Vec3& want) {
  EXPECT_LT(math::Vec3Length(got - want), 1e-3f) << got.x << " " << got.y << " " << got.z;
}

// A game folder with the seven power-up models (balls of radius 3); the test's player is player 0.
class PowerUpTest : public PlayerTest {
 protected:
  void SetUp() override {
    for (int type = 0; type < PowerUp::kTypes; ++type) {
      std::ofstream(folder.Root() / "Assets" / "Art" / (PowerUp::ModelName(type) + std::string(".mdl")))
          << "Object\nBullet.X 0 0 0\nLockPoints\nCollision\n0 0 0 3 0 0\n";
    }
    Restart();
  }
  void TearDown() override {
    if (harness) std::erase(engine().players, player.get());  // the test owns its player
    PlayerTest::TearDown();
  }
  void Restart() {
    if (harness) std::erase(engine().players, player.get());
    Start(folder.Root());
    engine().players.push_back(player.get());
  }
  math::Vec3 HelperAt(int i) { return player->GetHelper(i)->GetModel()->position; }

  gfxtest::ScratchGameFolder folder;
};

TEST_F(PowerUpTest, EachTypeGivesPlayerZeroItsEffectWhoeverTouchesItAndIsUsedUp) {
  // Before: health, primary level, weapon code and level, helpers; after the same, and bombs (3 before).
  const struct {
    int type, before[5], after[6];
  } kRows[] = {
      {0, {2, 1, 1, 1, 0}, {5, 1, 1, 1, 0, 3}}, {0, {5, 1, 1, 1, 0}, {5, 1, 1, 1, 0, 3}},
      {1, {5, 1, 1, 1, 0}, {5, 2, 1, 1, 0, 4}}, {1, {5, 3, 1, 1, 0}, {5, 3, 1, 1, 0, 4}},
      {2, {5, 1, 1, 1, 0}, {5, 1, 4, 1, 0, 3}}, {2, {5, 1, 4, 2, 0}, {5, 1, 4, 3, 0, 3}},
      {3, {5, 1, 4, 3, 0}, {5, 1, 2, 1, 0, 3}}, {4, {5, 1, 1, 1, 0}, {5, 1, 3, 1, 0, 3}},
      {5, {5, 1, 3, 3, 0}, {5, 1, 5, 1, 0, 3}}, {6, {5, 1, 1, 1, 0}, {5, 1, 1, 1, 1, 3}},
      {6, {5, 1, 1, 1, 4}, {5, 1, 1, 1, 4, 3}}, {7, {2, 1, 1, 1, 0}, {2, 1, 1, 1, 0, 3}},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE("type " + std::to_string(row.type) + " health " + std::to_string(row.before[0]));
    Restart();
    player->SetHealth(row.before[0]);
    player->SetPrimaryLevel(row.before[1]);
    player->SetWeaponCode(row.before[2]);
    player->SetWeaponLevel(row.before[3]);
    for (int i = 0; i < row.before[4]; ++i) player->AddHelper();
    PowerUp pickUp(row.type, {0, 0, 50}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    Toucher other(1000);
    pickUp.OnCollision(&other, 0);
    EXPECT_TRUE(pickUp.dead);
    pickUp.OnCollision(player.get(), 0);  // touched again before the purge: nothing more
    player->OnCollision(&pickUp, 0);      // and it never hurts the ship
    const int got[6] = {player->GetHealth(),      player->GetPrimaryLevel(), player->GetWeaponCode(),
                        player->GetWeaponLevel(), player->GetHelperCount(),  player->GetBombs()};
    EXPECT_TRUE(std::equal(got, got + 6, row.after))
        << got[0] << got[1] << got[2] << got[3] << got[4] << got[5];
  }
}

TEST_F(PowerUpTest, APowerUpGlowsAndDriftsTwentyUnitsASecondTowardTheShipUntilItExpiresAt15000Ms) {
  // From a place, with the ship moving at a velocity: where it is after one second of 20 ms frames.
  const struct {
    math::Vec3 from, shipVelocity, after;
  } kRows[] = {{{0, 0, 100}, {}, {0, 0, 80}},
               {{30, -40, 0}, {}, {18, -24, 0}},
               {{0, 0, 0}, {}, {0, 0, 0}},  // on the ship: no direction, no NaN
               {{0, 0, 10}, {0, 0, -25}, {0, 0, -10}}};
  for (const auto& row : kRows) {
    Restart();
    PowerUp pickUp(2, row.from, {0, 0, 2}, {0, 3, 0}, {-1, 0, 0});
    Model* model = pickUp.GetModel();
    ASSERT_NE(model, nullptr);
    ExpectNear(model->zAxis, {-1, 0, 0});
    ASSERT_EQ(model->particleSystems.size(), 1u);
    EXPECT_EQ(model->particleSystems[0]->kind, kConvergeParticles);
    EXPECT_EQ(model->particleSystems[0]->particles.size(), 64u);
    while (pickUp.GetAgeMs() < PowerUp::kLifeMs) {
      Tick(20);
      player->SetPosition(0, 0, row.shipVelocity.z * static_cast<float>(pickUp.GetAgeMs()) * 0.001f);
      pickUp.Update(false);
      if (pickUp.GetAgeMs() == 1000) ExpectNear(model->position, row.after);
    }
    EXPECT_FALSE(pickUp.dead);  // 15000 ms old is not older than its life
    Tick(20);
    pickUp.Update(false);
    EXPECT_TRUE(pickUp.dead);
    pickUp.OnCollision(player.get(), 0);  // touched in the frame it ran out: it still gives its effect
    EXPECT_EQ(player->GetWeaponCode(), kMissiles);
  }
}

TEST_F(PowerUpTest, HelpersShowAtTheShipApproachTheirStationsOfEachViewAndHideAtItsDeath) {
  // Per state (and previous state, read in the level-start glide): the stations flown to.
  const struct {
    int state, previous;
    const char* prefix;
  } kRows[] = {{kTopView, 0, "HelperTop"},
               {kSideView, 0, "HelperSide"},
               {kRailView, 0, "HelperRail"},
               {kLevelStart, kLevelStart, "HelperTop"},
               {kLevelStart, kSideView, "HelperSide"},
               {kLevelStart, kRailView, "HelperRail"},
               {kMainMenu, 0, nullptr}};
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.state * 100 + row.previous);
    Restart();
    engine().state = row.state;
    engine().previousState = row.previous;
    player->UpdateTransform({0, 0, 100}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0});  // the ship at the origin
    EXPECT_FALSE(player->GetHelper(0)->GetModel()->visible);
    for (int i = 0; i < 5; ++i) player->AddHelper();  // the fifth does nothing
    EXPECT_EQ(player->GetHelperCount(), 4);
    const LockPoint* station =
        player->FindLockPoint(row.prefix ? (row.prefix + std::string("3")).c_str() : "");
    const math::Vec3 target = station ? station->worldPosition : math::Vec3{};
    // Share of the gap left after each frame: 1 - 20 dt, past the station above 50 ms; then it settles.
    for (auto [ms, left] : {std::pair{20u, 0.6f}, {60u, -0.2f}, {100u, -1.0f}, {20u, 0.6f}}) {
      const math::Vec3 gap = target - HelperAt(3);
      Tick(ms);
      row.state == kLevelStart ? player->UpdateLevelStart()
                               : player->UpdateTransform({0, 0, 100}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0});
      ExpectNear(target - HelperAt(3), left * gap);
    }
    const Model* helper = player->GetHelper(3)->GetModel();
    if (row.state ==
        kRailView) {  // a banking ship: the helper pitches and yaws as it (same heading), no roll
      player->velocity = {10, 5, 0};
      player->UpdateTransform({0, 0, 100}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0});
      ExpectNear(helper->zAxis, player->GetModel()->zAxis);
      EXPECT_GT(math::Vec3Length(helper->xAxis - player->GetModel()->xAxis), 0.1f);
    }
    player->SetHealth(1);
    Toucher enemy(1000);
    player->OnCollision(&enemy, 0);
    EXPECT_EQ(player->GetHelperCount(), 0);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(player->GetHelper(i)->GetModel()->visible);
  }
}

}  // namespace
}  // namespace playertest
