// The ship's movement: acceleration and braking per axis, the per-view boxes and camera sources, the dash's
// motion and roll, the glide to the centre, and the placement behind the rail point with banking and
// reticles.
#include <cmath>

#include "app/game_state.h"
#include "player_test_support.h"

namespace playertest {
namespace {

constexpr float kDegrees = 0.01745328f;

TEST_F(PlayerTest, TopViewForwardAccelerationDrivesTheShipAlongTheRail) {
  engine().state = kTopView;
  auto forward = [&] {
    player->AccelerateForward(60, 15);
    player->Update();
  };
  EachFrame(5, forward);
  // 1.2 more per frame; z moves 0.02 x 12 x v each frame: 0.24 x (1.2 + 2.4 + 3.6 + 4.8 + 6.0).
  EXPECT_NEAR(player->velocity.z, 6.0f, 1e-5);
  EXPECT_NEAR(player->offset.z, 4.32f, 1e-4);
  EXPECT_EQ(player->offset.x, 0.0f);
  EachFrame(20, forward);
  EXPECT_FLOAT_EQ(player->velocity.z, 15.0f);  // the limit
}

TEST_F(PlayerTest, SideViewForwardAndVerticalAccelerationMoveZAndYWhileXStaysInItsSlot) {
  engine().state = kSideView;
  for (int i = 0; i < 10; ++i) {
    Tick(20);
    player->AccelerateForward(60, 15);
    player->AccelerateUp(60, 15);
    player->AccelerateRight(60, 15);  // no key drives x in this view; the box holds it all the same
    player->Update();
  }
  EXPECT_GT(player->offset.z, 0.0f);
  EXPECT_GT(player->offset.y, 0.0f);
  EXPECT_FLOAT_EQ(player->offset.x, 0.5f);
  // y scales by 10, z by 12: the same velocities, different distances.
  EXPECT_NEAR(player->offset.z / player->offset.y, 1.2f, 1e-4);
}

TEST_F(PlayerTest, PushingAgainstTheMotionTakesThreeStepsOnXAndYAndFourOnZAndOnlyThePushedSideIsLimited) {
  Tick(20);  // dt 0.02: one step of rate 60 is 1.2
  player->velocity = {30, 30, 30};
  player->AccelerateLeft(60, 15);
  player->AccelerateDown(60, 15);
  player->AccelerateBack(60, 15);
  EXPECT_NEAR(player->velocity.x, 30 - 3.6f, 1e-5);
  EXPECT_NEAR(player->velocity.y, 30 - 3.6f, 1e-5);
  EXPECT_NEAR(player->velocity.z, 30 - 4.8f, 1e-5);

  // Held on: 3.6 a frame until the velocity turns negative, then 1.2.
  player->velocity.x = 1.0f;
  player->AccelerateLeft(60, 15);  // 1.0 - 1.2 already passes 0: a single step
  EXPECT_NEAR(player->velocity.x, -0.2f, 1e-5);
  player->AccelerateLeft(60, 15);
  EXPECT_NEAR(player->velocity.x, -1.4f, 1e-5);
  player->velocity.x = 2.0f;
  player->AccelerateLeft(60, 15);  // 2.0 - 1.2 is still positive: two more steps
  EXPECT_NEAR(player->velocity.x, -1.6f, 1e-5);

  // Only the side the push goes to is limited.
  player->velocity = {-20, 14.5f, 0};
  player->AccelerateRight(60, 15);  // -20 + 3.6, left beyond the limit on the other side
  EXPECT_NEAR(player->velocity.x, -16.4f, 1e-5);
  player->AccelerateUp(60, 15);
  EXPECT_FLOAT_EQ(player->velocity.y, 15.0f);
  player->AccelerateForward(40, 25);
  EXPECT_NEAR(player->velocity.z, 0.8f, 1e-6);
}

TEST_F(PlayerTest, ABrakeTakesThreeStepsOfTheSmallerOfSpeedAndRateAndStopsAtFifteenTheOtherWay) {
  Tick(20);
  player->velocity = {0.1f, -0.1f, 0};
  player->BrakeX(10);  // a = 0.3, step 0.006, three steps: the velocity stays positive
  player->BrakeY(10);
  player->BrakeZ(10);  // nothing at 0
  EXPECT_NEAR(player->velocity.x, 0.082f, 1e-6);
  EXPECT_NEAR(player->velocity.y, -0.082f, 1e-6);
  EXPECT_EQ(player->velocity.z, 0.0f);
  player->velocity = {10, 0, 0};
  player->BrakeX(60);  // a = 30, step 0.6, three steps
  EXPECT_NEAR(player->velocity.x, 8.2f, 1e-5);

  Tick(100);  // the longest frame the clock gives
  player->velocity = {100, -100, 100};
  player->BrakeZ(200);  // a = 300, step 30: 100 - 120 = -20, held at -15
  EXPECT_FLOAT_EQ(player->velocity.z, -15.0f);
  player->BrakeX(200);  // three steps only: 100 - 90
  EXPECT_NEAR(player->velocity.x, 10.0f, 1e-4);
  player->BrakeY(200);
  EXPECT_NEAR(player->velocity.y, -10.0f, 1e-4);
}

TEST_F(PlayerTest, TheTopViewBoxHoldsXZAndKeepsYWithinHalfAUnitThroughADash) {
  engine().state = kTopView;
  AdvanceTo(1000);
  player->DashUp();
  float highest = 0.0f;
  for (int i = 0; i < 30; ++i) {
    Tick(20);
    player->Update();
    highest = std::max(highest, std::fabs(player->offset.y));
  }
  EXPECT_FLOAT_EQ(highest, 0.5f);
  EXPECT_FLOAT_EQ(player->offset.y, 0.5f);

  player->velocity = {15, 0, -15};
  MoveFrames(100, 100);
  EXPECT_FLOAT_EQ(player->offset.x, 100.0f);
  EXPECT_FLOAT_EQ(player->offset.z, -25.0f);
  player->velocity = {-15, 0, 15};
  MoveFrames(200, 100);
  EXPECT_FLOAT_EQ(player->offset.x, -100.0f);
  EXPECT_FLOAT_EQ(player->offset.z, 200.0f);
  EXPECT_EQ(player->GetCameraYaw(), 0.0f);
  EXPECT_EQ(player->GetCameraPitch(), 0.0f);
}

TEST_F(PlayerTest, TheSideViewBoxHoldsYZAndOtherStatesHoldNothing) {
  engine().state = kSideView;
  player->velocity = {15, 15, -15};
  MoveFrames(100, 100);
  EXPECT_FLOAT_EQ(player->offset.x, 0.5f);
  EXPECT_FLOAT_EQ(player->offset.y, 110.0f);
  EXPECT_FLOAT_EQ(player->offset.z, -65.0f);
  player->velocity = {0, -15, 15};
  MoveFrames(200, 100);
  EXPECT_FLOAT_EQ(player->offset.y, -110.0f);
  EXPECT_FLOAT_EQ(player->offset.z, 240.0f);

  engine().state = kLevelStart;  // outside the play views nothing is clamped
  player->offset = {500, -300, 900};
  player->velocity = {};
  MoveFrames(1, 20);
  EXPECT_EQ(player->offset, (math::Vec3{500, -300, 900}));
}

TEST_F(PlayerTest, TheChaseViewKeepsZInItsSlotAndFeedsTheCameraFromXAndY) {
  engine().state = kRailView;
  player->offset = {20, 10, 30};
  player->velocity = {0, 0, 0};
  MoveFrames(1, 20);
  // Self-centring: rate 0.15 x 20 = 3 to the left, 0.06 this frame, x moves 0.02 x 4 x -0.06.
  EXPECT_NEAR(player->velocity.x, -0.06f, 1e-6);
  EXPECT_NEAR(player->offset.x, 19.9952f, 1e-4);
  EXPECT_FLOAT_EQ(player->offset.z, 0.5f);
  EXPECT_NEAR(player->GetCameraYaw(), 19.9952f * 0.009696267f, 1e-5);
  EXPECT_NEAR(player->GetCameraPitch(), 10.0f * 0.01163552f, 1e-6);

  player->offset = {100, 100, -3};
  MoveFrames(1, 20);
  EXPECT_FLOAT_EQ(player->offset.x, 47.0f);
  EXPECT_FLOAT_EQ(player->offset.y, 41.0f);
  EXPECT_FLOAT_EQ(player->offset.z, -0.5f);
  player->offset = {-100, -100, 0};
  MoveFrames(1, 20);
  EXPECT_FLOAT_EQ(player->offset.x, -47.0f);
  EXPECT_FLOAT_EQ(player->offset.y, -27.0f);

  // Rightward speed is limited to 25 even at the centre; x scales by 4 here: 0.02 x 25 x 4.
  player->offset = {0, 0, 0};
  player->velocity = {40, 0, 0};
  MoveFrames(1, 20);
  EXPECT_FLOAT_EQ(player->velocity.x, 25.0f);
  EXPECT_NEAR(player->offset.x, 2.0f, 1e-5);

  // Leaving for the top view zeroes the camera sources.
  engine().state = kTopView;
  MoveFrames(1, 20);
  EXPECT_EQ(player->GetCameraYaw(), 0.0f);
  EXPECT_EQ(player->GetCameraPitch(), 0.0f);
}

TEST_F(PlayerTest, AHalfSecondDashRollsAlmostAWholeTurnMovesFiftyAndEndsLevel) {
  engine().state = kTopView;
  AdvanceTo(1000);
  player->DashRight();
  int highest = 0;
  int frames = 0;
  while (player->IsDashing() && frames < 100) {
    Tick(16);
    player->Update();
    highest = std::max(highest, player->GetRoll());
    ++frames;
  }
  // 32 frames of 16 ms; each adds 0.016 x 720 = 11.52, truncated to 11: 31 x 11 before the last frame.
  EXPECT_EQ(frames, 32);
  EXPECT_EQ(highest, 341);
  EXPECT_EQ(player->GetRoll(), 0);
  EXPECT_NEAR(player->offset.x, 32 * 1.6f, 1e-3);
}

TEST_F(PlayerTest, ALeftwardDashRollsTheOtherWayAndAnUpwardOneTurnsLikeTheLeft) {
  engine().state = kSideView;  // the side view lets y move
  AdvanceTo(1000);
  player->DashLeft();
  MoveFrames(3, 20);  // trunc(-14.4) three times
  EXPECT_EQ(player->GetRoll(), -42);
  MoveFrames(25, 20);
  AdvanceTo(2000);
  player->DashUp();
  MoveFrames(3, 20);
  EXPECT_EQ(player->GetRoll(), -42);
  EXPECT_NEAR(player->offset.y, 6.0f, 1e-4);
}

TEST_F(PlayerTest, TheLevelStartGlideBringsEverythingToTheCentreInOneSecond) {
  engine().state = kLevelStart;
  player->offset = {40, -20, 100};
  player->velocity = {10, -6, 8};
  player->SetStartFlag();
  auto glide = [&] { player->UpdateLevelStart(); };
  EachFrame(1, glide);
  EXPECT_EQ(player->velocity.z, 0.0f);
  EXPECT_NEAR(player->velocity.x, 9.8f, 1e-5);
  EXPECT_NEAR(player->offset.x, 39.2f, 1e-4);
  EXPECT_NEAR(player->offset.z, 98.0f, 1e-4);
  EachFrame(24, glide);
  EXPECT_NEAR(player->offset.x, 20.0f, 1e-3);  // halfway
  EXPECT_NEAR(player->velocity.y, -3.0f, 1e-4);
  EachFrame(25, glide);
  EXPECT_EQ(player->offset, (math::Vec3{0, 0, 0}));
  EXPECT_EQ(player->velocity, (math::Vec3{0, 0, 0}));
  EachFrame(1, glide);  // snapped values stay put
  EXPECT_EQ(player->offset, (math::Vec3{0, 0, 0}));
}

TEST_F(PlayerTest, AGlideStepThatJumpsOverTheSnapWindowKeepsGoing) {
  engine().state = kLevelStart;
  player->offset = {100, 0, 0};
  player->SetStartFlag();
  // 30 ms frames take 3 off each time: 100 - 33 x 3 = 1, then -2, -5.
  auto glide = [&] { player->UpdateLevelStart(); };
  EachFrame(33, glide, 30);
  EXPECT_NEAR(player->offset.x, 1.0f, 1e-3);
  EachFrame(1, glide, 30);
  EXPECT_NEAR(player->offset.x, -2.0f, 1e-3);
  EachFrame(1, glide, 30);
  EXPECT_NEAR(player->offset.x, -5.0f, 1e-3);
}

TEST_F(PlayerTest, ADashRunsOnThroughTheGlide) {
  engine().state = kTopView;
  AdvanceTo(1000);
  player->DashRight();
  engine().state = kLevelStart;
  player->SetStartFlag();
  Tick(20);
  player->UpdateLevelStart();
  EXPECT_TRUE(player->IsDashing());
  EXPECT_NEAR(player->offset.x, 2.0f, 1e-5);
  EXPECT_EQ(player->GetRoll(), 14);
}

TEST_F(PlayerTest, TheShipStandsAHundredBehindTheRailPointPlusItsOffset) {
  engine().state = kTopView;
  // A turned rail frame: forward +X, up +Y, right -Z (left-handed: right x up = forward).
  const math::Vec3 point{10, 20, 30}, forward{1, 0, 0}, up{0, 1, 0}, right{0, 0, -1};
  player->UpdateTransform(point, forward, up, right);
  EXPECT_EQ(player->position, (math::Vec3{-90, 20, 30}));

  player->offset = {5, -3, 20};
  player->UpdateTransform(point, forward, up, right);
  EXPECT_EQ(player->position, (math::Vec3{-70, 17, 25}));
  Model* ship = player->GetModel();
  ASSERT_NE(ship, nullptr);
  EXPECT_EQ(ship->position, (math::Vec3{-70, 17, 25}));
  // Axes of any length: the ship is placed along them normalised.
  player->UpdateTransform(point, {3, 0, 0}, {0, 2, 0}, {0, 0, -5});
  EXPECT_EQ(player->position, (math::Vec3{-70, 17, 25}));
  // No motion, no banking: the ship takes the rail's axes.
  EXPECT_NEAR(ship->zAxis.x, 1.0f, 1e-6);
  EXPECT_NEAR(ship->xAxis.z, -1.0f, 1e-6);
  EXPECT_NEAR(ship->yAxis.y, 1.0f, 1e-6);

  // The reticles lie 100 and 250 ahead, hidden outside the chase view.
  EXPECT_NEAR(player->GetReticle(0)->position.x, 30.0f, 1e-4);
  EXPECT_NEAR(player->GetReticle(1)->position.x, 180.0f, 1e-4);
  EXPECT_NEAR(player->GetReticle(1)->position.z, 25.0f, 1e-4);
  EXPECT_FALSE(player->GetReticle(0)->visible);
  engine().state = kRailView;
  player->UpdateTransform(point, forward, up, right);
  EXPECT_TRUE(player->GetReticle(0)->visible);
  EXPECT_TRUE(player->GetReticle(1)->visible);
}

TEST_F(PlayerTest, TheReticlesTakeTheCameraAxesAndHideWhileTheShipIsDead) {
  engine().state = kRailView;
  graphics().camera.SetAxes({0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  player->UpdateTransform({0, 0, 0}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  Model* reticle = player->GetReticle(0);
  // X is the camera's look, Y its up, Z its right.
  EXPECT_EQ(reticle->xAxis, (math::Vec3{0, 0, 1}));
  EXPECT_EQ(reticle->yAxis, (math::Vec3{0, 1, 0}));
  EXPECT_EQ(reticle->zAxis, (math::Vec3{1, 0, 0}));

  player->SetHealth(1);
  Toucher enemy(1000);
  player->OnCollision(&enemy, 0);
  player->UpdateTransform({0, 0, 0}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  EXPECT_FALSE(reticle->visible);
}

TEST_F(PlayerTest, TheShipBanksIntoItsMotionPerView) {
  const math::Vec3 point{0, 0, 0}, forward{0, 0, 1}, up{0, 1, 0}, right{1, 0, 0};
  Model* ship = player->GetModel();
  ASSERT_NE(ship, nullptr);

  // Top view: pitched by -vy degrees; the reticle follows the pitched nose.
  engine().state = kTopView;
  player->velocity = {0, 10, 0};
  player->UpdateTransform(point, forward, up, right);
  EXPECT_NEAR(math::Vec3Dot(ship->zAxis, forward), std::cos(10 * kDegrees), 1e-5);
  const math::Vec3 toReticle = player->GetReticle(0)->position - ship->position;
  EXPECT_NEAR(math::Vec3Dot(toReticle, ship->zAxis), 100.0f, 1e-3);
  EXPECT_NEAR(math::Vec3Length(toReticle), 100.0f, 1e-3);

  // Side view: no pitch at all.
  engine().state = kSideView;
  player->UpdateTransform(point, forward, up, right);
  EXPECT_NEAR(math::Vec3Dot(ship->zAxis, forward), 1.0f, 1e-6);

  // Chase view: yawed by vx + half the yaw source and rolled by -vx.
  engine().state = kRailView;
  player->velocity = {10, 0, 0};
  player->UpdateTransform(point, forward, up, right);
  EXPECT_NEAR(math::Vec3Dot(ship->zAxis, forward), std::cos(10 * kDegrees), 1e-5);
  EXPECT_GT(ship->zAxis.x, 0.0f);  // turned toward the side it moves to
  EXPECT_NEAR(ship->xAxis.y, -std::sin(10 * kDegrees), 1e-5);

  // Roll only, in the top view: the nose stays on the rail.
  engine().state = kTopView;
  player->velocity = {20, 0, 0};
  player->UpdateTransform(point, forward, up, right);
  EXPECT_NEAR(math::Vec3Dot(ship->zAxis, forward), 1.0f, 1e-6);
  EXPECT_NEAR(math::Vec3Dot(ship->yAxis, up), std::cos(20 * kDegrees), 1e-5);
}

}  // namespace
}  // namespace playertest
