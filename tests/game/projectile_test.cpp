// Shots in flight on the fixed clock: split bullets, bomb blasts, missiles, rail shots and ray beams, and a
// beam whose shooter is destroyed.
#include <cmath>
#include <memory>
#include <vector>

#include "graphics/model.h"
#include "math/random.h"
#include "shot_test_support.h"

namespace playertest {
namespace {

const ShotAxes kWorld{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
constexpr ParticleColour kWhite{1, 1, 1, 1};

using ProjectileTest = ShotTest;

TEST_F(ProjectileTest, ASplitBulletsChildrenFanOutAndCannotDieForThreeUpdates) {
  math::SeedRandom(3);
  Bullet bullet(1000, {0, 0, 50}, kWorld, 200, kWhite, 15, true, 29);
  Entity target;
  bullet.OnCollision(&target, 0);  // counter 29: not armed yet
  EXPECT_FALSE(bullet.dead);
  Tick(20);
  bullet.Update(false);
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
    float radius;
  };
  // 50 ms frames: blasting is noticed on the first frame past 750 ms, then grows 7.5 a frame.
  const Sample samples[] = {{750, false, 1.0f}, {800, true, 1.0f}, {850, true, 8.5f}, {3000, true, 331.0f}};
  float travelled = 0;
  for (const Sample& s : samples) {
    while (Timer().GetTimeMs() < s.at) {
      Tick(50);
      bomb.Update(false);
      travelled += (Timer().GetTimeMs() <= 800 ? 300.0f : 50.0f) * 0.05f;
    }
    EXPECT_EQ(bomb.blasting, s.blasting) << s.at;
    EXPECT_NEAR(bomb.blastRadius, s.radius, 1e-3) << s.at;
    if (s.blasting && s.at > 800) {
      EXPECT_NEAR(sphere.radius, s.radius, 1e-3);
    }
    EXPECT_NEAR(bomb.position.z, travelled, 1e-2) << s.at;
    EXPECT_FALSE(bomb.dead);
  }
  Tick(50);
  bomb.Update(false);
  EXPECT_TRUE(bomb.dead);
}

TEST_F(ProjectileTest, ANonHomingMissileAcceleratesFrom120To300AndBurstsIntoPoisonAt2500Ms) {
  Missile missile(500, {0, 0, 0}, kWorld, 0, 0, false, false);
  EXPECT_FLOAT_EQ(missile.speed, 120.0f);
  std::vector<float> speeds;
  while (!missile.dead) {
    Tick(100);
    missile.Update(false);
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
    while (Timer().GetTimeMs() - born < 500) {
      Tick(50);
      missile.Update(false);
    }
    EXPECT_EQ(missile.GetModel()->zAxis, (math::Vec3{0, 0, 1}));  // no homing for 500 ms
    Tick(50);
    missile.Update(false);
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
  Tick(20);
  shot.Update(false);
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
  Tick(20);
  shot.Update(false);
  EXPECT_FALSE(shot.isRay);
  while (!shot.dead) {
    Tick(100);
    shot.Update(false);
  }
  EXPECT_EQ(Timer().GetTimeMs(), 1040);
}

TEST_F(ProjectileTest, ARayBeamGrows300UnitsASecondOr900InTheChaseViewAndOutlivesItsShooter) {
  for (bool fast : {false, true}) {
    auto shooter = std::make_unique<Player>(&engine(), &engine().previousState);
    RayShot beam(10000, *shooter, nullptr, 15, kWhite, kWhite, nullptr, shooter->GetRayLockPoint());
    Tick(100);
    beam.Update(fast);
    EXPECT_EQ(beam.GetDamage(), 1001);  // trunc(dt x damage per second + 1)
    EXPECT_EQ(beam.rayStart, (math::Vec3{0, -1, 12}));
    EXPECT_NEAR(beam.raySegment.z, fast ? 90.0f : 30.0f, 1e-3);
    shooter->SetPosition(0, 10, 0);  // the beam follows its shooter
    Tick(100);
    beam.Update(fast);
    EXPECT_EQ(beam.rayStart, (math::Vec3{0, 9, 12}));
    shooter.reset();  // gone: the beam keeps its last origin
    Tick(100);
    beam.Update(fast);
    EXPECT_EQ(beam.rayStart, (math::Vec3{0, 9, 12}));
    EXPECT_NEAR(beam.raySegment.z, fast ? 270.0f : 90.0f, 1e-3);
  }
  // A fixed-origin beam never reads its shooter after construction.
  const math::Vec3 at{5, 5, 5}, down{0, -1, 0};
  auto shooter = std::make_unique<Player>(&engine(), &engine().previousState);
  RayShot fixed(500, *shooter, &at, 10, kWhite, kWhite, &down, -1);
  shooter.reset();
  while (!fixed.dead) {
    Tick(100);
    fixed.Update(false);
  }
  EXPECT_EQ(fixed.rayStart, at);
  EXPECT_NEAR(fixed.raySegment.y, -300.0f * 1.1f, 1e-2);
}

}  // namespace
}  // namespace playertest
