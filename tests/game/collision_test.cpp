// Collision tests: the ray and sphere geometry with worked values, the order and single hit of a pair
// test, and the pairs the pass visits, on models with hand-placed spheres and handlers that log.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "game/collision.h"
#include "game/game_test_support.h"

namespace {

using gametest::GameObjectTest;
using gametest::SpyEntity;
using Log = std::vector<std::string>;

TEST(RaySphereDistanceTest, DistanceToTheNearerCrossing) {
  // Straight at the centre: 10 away, radius 2.
  EXPECT_FLOAT_EQ(RaySphereDistance({0, 0, 0}, {0, 0, 1}, {0, 0, 10}, 2), 8.0f);
  // Off the axis by 1: p = 10, |v|^2 = 101, disc = 4 - 1.
  EXPECT_NEAR(RaySphereDistance({0, 0, 0}, {0, 0, 1}, {1, 0, 10}, 2), 10.0f - std::sqrt(3.0f), 1e-5f);
  // The line passes 3 from the centre of a sphere of radius 2.
  EXPECT_EQ(RaySphereDistance({0, 0, 0}, {0, 0, 1}, {3, 0, 10}, 2), -1.0f);
  // Behind the origin: the nearer crossing lies behind too.
  EXPECT_FLOAT_EQ(RaySphereDistance({0, 0, 0}, {0, 0, 1}, {0, 0, -10}, 2), -12.0f);
  // From inside: the nearer crossing is behind the origin.
  EXPECT_FLOAT_EQ(RaySphereDistance({0, 0, 9}, {0, 0, 1}, {0, 0, 10}, 2), -1.0f);
}

TEST(SegmentHitsSphereTest, HitsOnlyWhenTheFirstCrossingLiesWithinTheSegment) {
  const math::Vec3 start{0, 0, 0};
  const math::Vec3 centre{0, 0, 10};
  EXPECT_TRUE(SegmentHitsSphere(start, {0, 0, 20}, 0, centre, 2));
  // The first crossing is 8 along: a segment of exactly 8 reaches it, one just short does not.
  EXPECT_TRUE(SegmentHitsSphere(start, {0, 0, 8}, 0, centre, 2));
  EXPECT_FALSE(SegmentHitsSphere(start, {0, 0, 7.99f}, 0, centre, 2));
  // The segment's length, not its direction vector's, is the reach.
  EXPECT_TRUE(SegmentHitsSphere({0, 0, -100}, {0, 0, 200}, 0, centre, 2));
  // Pointing away, and starting inside although the segment crosses the surface ahead.
  EXPECT_FALSE(SegmentHitsSphere(start, {0, 0, -20}, 0, centre, 2));
  EXPECT_FALSE(SegmentHitsSphere({0, 0, 9}, {0, 0, 20}, 0, centre, 2));
  // Starting exactly on the surface: the crossing is at 0, not ahead of the start.
  EXPECT_FALSE(SegmentHitsSphere({0, 0, 8}, {0, 0, 20}, 0, centre, 2));
  // The line passes 3 from the centre: a thickness of 1.5 makes the reach 3.5 and it hits.
  EXPECT_FALSE(SegmentHitsSphere(start, {0, 0, 20}, 0, {3, 0, 10}, 2));
  EXPECT_TRUE(SegmentHitsSphere(start, {0, 0, 20}, 1.5f, {3, 0, 10}, 2));
  // A segment of no length reaches nothing, even a sphere around its start.
  EXPECT_FALSE(SegmentHitsSphere(start, {0, 0, 0}, 0, {0, 0, 1}, 2));
}

class CollisionTest : public GameObjectTest {
 protected:
  // A logging entity carrying the model name.mdl with the given parts, placed at p.
  std::unique_ptr<SpyEntity> Make(const std::string& name, const gametest::Parts& parts, math::Vec3 p = {}) {
    WriteModel(name, parts);
    auto e = std::make_unique<SpyEntity>(name, &log_);
    e->LoadModel(name, false);
    EXPECT_NE(e->GetModel(), nullptr) << name;
    e->SetPosition(p.x, p.y, p.z);
    return e;
  }

  Log log_;
  CollisionSystem collisions_;
};

TEST_F(CollisionTest, SpheresExactlyTouchingHitButCoincidentCentresDoNot) {
  auto a = Make("A", {{{0, 0, 0, 1}}});
  auto touching = Make("B", {{{0, 0, 0, 2}}}, {3, 0, 0});  // distance^2 9 = (1 + 2)^2
  auto apart = Make("C", {{{0, 0, 0, 2}}}, {3.001f, 0, 0});
  auto coincident = Make("D", {{{0, 0, 0, 5}}});
  auto offCentre = Make("E", {{{0, 0, 0, 5}}}, {0, 0.001f, 0});
  EXPECT_TRUE(SpheresOverlap(*a, *touching, 0, 0, 0, 0));
  EXPECT_FALSE(SpheresOverlap(*a, *apart, 0, 0, 0, 0));
  EXPECT_FALSE(SpheresOverlap(*a, *coincident, 0, 0, 0, 0));
  EXPECT_TRUE(SpheresOverlap(*a, *offCentre, 0, 0, 0, 0));
  // Indices the models lack are no overlap.
  EXPECT_FALSE(SpheresOverlap(*a, *touching, 1, 0, 0, 0));
  EXPECT_FALSE(SpheresOverlap(*a, *touching, 0, -1, 0, 0));

  EXPECT_TRUE(collisions_.TestPair(a.get(), touching.get()));
  EXPECT_FALSE(collisions_.TestPair(a.get(), coincident.get()));
  EXPECT_EQ(log_, (Log{"A hit by B part 0", "B hit by A part 0"}));
}

TEST_F(CollisionTest, APairGetsOneHitForTheFirstSpherePairInPartAndSphereOrder) {
  // Overlapping pairs: (A part 0, B part 2) and (A part 1, B part 1); A's parts form the outer loop.
  auto a = Make("A", {{{10, 0, 0, 1}}, {{50, 50, 50, 1}, {0, 0, 0, 1}}});
  auto b = Make("B", {{{-50, -50, -50, 1}}, {{1.5f, 0, 0, 1}}, {{10.5f, 0, 0, 1}}});
  EXPECT_TRUE(collisions_.TestPair(a.get(), b.get()));
  EXPECT_EQ(log_, (Log{"A hit by B part 0", "B hit by A part 2"}));

  // The other way round B's parts lead: part 1 meets A's part 1 first.
  log_.clear();
  EXPECT_TRUE(collisions_.TestPair(b.get(), a.get()));
  EXPECT_EQ(log_, (Log{"B hit by A part 1", "A hit by B part 1"}));
}

TEST_F(CollisionTest, ARaySideReceivesPartZeroAndTheOtherSideItsOwnPart) {
  auto shot = Make("Shot", {{{0, 100, 0, 1}}});  // its own sphere is far from everything
  shot->isRay = true;
  shot->rayStart = {0, 0, 0};
  shot->raySegment = {0, 0, 20};
  auto target = Make("Target", {{{50, 50, 50, 1}}, {}, {{0, 0, 10, 2}}});

  EXPECT_TRUE(collisions_.TestPair(shot.get(), target.get()));
  EXPECT_EQ(log_, (Log{"Shot hit by Target part 0", "Target hit by Shot part 2"}));

  log_.clear();
  EXPECT_TRUE(collisions_.TestPair(target.get(), shot.get()));
  EXPECT_EQ(log_, (Log{"Target hit by Shot part 2", "Shot hit by Target part 0"}));
}

TEST_F(CollisionTest, ARayObjectsSpheresAreTestedBeforeItsRay) {
  auto shot = Make("Shot", {{{50, 50, 50, 1}}, {{0, -3, 0, 1}}});
  shot->isRay = true;
  shot->raySegment = {0, 0, 20};
  auto target = Make("Target", {{{0, 0, 10, 2}}, {{0, -4, 0, 1}}});
  EXPECT_TRUE(collisions_.TestPair(shot.get(), target.get()));
  EXPECT_EQ(log_, (Log{"Shot hit by Target part 1", "Target hit by Shot part 1"}));
}

TEST_F(CollisionTest, RaysThatStartInsideOrEndShortMiss) {
  auto target = Make("Target", {{{0, 0, 10, 2}}});
  auto inside = Make("Inside", {{}});
  inside->isRay = true;
  inside->rayStart = {0, 0, 9};
  inside->raySegment = {0, 0, 20};
  auto shortRay = Make("Short", {{}});
  shortRay->isRay = true;
  shortRay->raySegment = {0, 0, 7.9f};
  auto notARay = Make("Still", {{}});
  notARay->raySegment = {0, 0, 20};  // the ray fields count only with isRay set

  EXPECT_FALSE(collisions_.TestPair(inside.get(), target.get()));
  EXPECT_FALSE(collisions_.TestPair(shortRay.get(), target.get()));
  EXPECT_FALSE(collisions_.TestPair(notARay.get(), target.get()));
  EXPECT_TRUE(log_.empty());

  shortRay->raySegment = {0, 0, 8};
  EXPECT_TRUE(collisions_.TestPair(shortRay.get(), target.get()));
  EXPECT_EQ(log_.size(), 2u);
}

TEST_F(CollisionTest, ObjectsWithoutAModelAndPartsWithoutSpheresAreSkipped) {
  auto a = Make("A", {{}, {{0, 0, 0, 1}}});
  auto b = Make("B", {{{0.5f, 0, 0, 1}}});
  SpyEntity bare("Bare", &log_);  // no model: its ray is not tested either
  bare.isRay = true;
  bare.rayStart = {-5, 0, 0};
  bare.raySegment = {10, 0, 0};
  ::testing::internal::CaptureStderr();
  SpyEntity missing("Missing", &log_);
  missing.LoadModel("Missing", false);
  ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(missing.GetModel(), nullptr);

  EXPECT_FALSE(collisions_.TestPair(&bare, a.get()));
  EXPECT_FALSE(collisions_.TestPair(a.get(), &bare));
  EXPECT_FALSE(collisions_.TestPair(&missing, b.get()));
  EXPECT_FALSE(collisions_.TestPair(a.get(), nullptr));
  EXPECT_TRUE(log_.empty());

  EXPECT_TRUE(collisions_.TestPair(a.get(), b.get()));
  EXPECT_EQ(log_, (Log{"A hit by B part 1", "B hit by A part 0"}));
}

// Marks itself dead on its first hit, as a shot does.
class DyingShot : public SpyEntity {
 public:
  using SpyEntity::SpyEntity;
  void OnCollision(Entity* other, int part) override {
    SpyEntity::OnCollision(other, part);
    dead = true;
  }
};

TEST_F(CollisionTest, ThePassTestsOnlyTheListedPairsInListOrder) {
  // Everything overlaps everything near the origin, so only the pass's choice of pairs limits hits: the
  // player never meets its own shots, and shots never meet shots.
  auto player = Make("Player", {{{0, 0, 0, 10}}});
  auto enemy1 = Make("Enemy1", {{{1, 0, 0, 10}}});
  auto enemy2 = Make("Enemy2", {{{2, 0, 0, 10}}});
  auto playerShot = Make("PlayerShot", {{{3, 0, 0, 10}}});
  auto enemyShot = Make("EnemyShot", {{{4, 0, 0, 10}}});

  std::vector<SpyEntity*> players{player.get()};
  std::vector<Entity*> enemies{enemy1.get(), enemy2.get()};
  std::vector<SpyEntity*> objects{playerShot.get()};
  std::vector<SpyEntity*> enemyObjects{enemyShot.get()};
  collisions_.Update(players, enemies, objects, enemyObjects);

  EXPECT_EQ(log_, (Log{
                      "Player hit by Enemy1 part 0",
                      "Enemy1 hit by Player part 0",
                      "Player hit by Enemy2 part 0",
                      "Enemy2 hit by Player part 0",
                      "Player hit by EnemyShot part 0",
                      "EnemyShot hit by Player part 0",
                      "Enemy1 hit by PlayerShot part 0",
                      "PlayerShot hit by Enemy1 part 0",
                      "Enemy2 hit by PlayerShot part 0",
                      "PlayerShot hit by Enemy2 part 0",
                  }));
}

TEST_F(CollisionTest, AShotThatDiedOnItsFirstHitIsStillReportedToTheNextEnemy) {
  auto enemy1 = Make("Enemy1", {{{0, 0, 0, 1}}});
  auto enemy2 = Make("Enemy2", {{{0, 0, 0, 1}}}, {0, 0, 4});
  WriteModel("Shot", {{{0, 0, 2, 1.5f}}});
  DyingShot shot("Shot", &log_);
  shot.LoadModel("Shot", false);
  ASSERT_NE(shot.GetModel(), nullptr);

  std::vector<SpyEntity*> noPlayers;
  std::vector<Entity*> enemies{enemy1.get(), enemy2.get()};
  std::vector<DyingShot*> objects{&shot};
  collisions_.Update(noPlayers, enemies, objects, std::vector<DyingShot*>{});
  EXPECT_TRUE(shot.dead);
  EXPECT_EQ(log_, (Log{"Enemy1 hit by Shot part 0", "Shot hit by Enemy1 part 0", "Enemy2 hit by Shot part 0",
                       "Shot hit by Enemy2 part 0"}));
}

}  // namespace
