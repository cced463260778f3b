// The camera's left-handed view matrix and its views on the rail frame: top and side poses at the first
// waypoint, eye placement per view, the chase follow with its dead zone and tilt, the timed transitions and
// their end poses, the orbit, and the guards for missing waypoints and zero frame times.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "graphics/camera.h"
#include "graphics/waypoint.h"

namespace {

using math::Vec3;

constexpr Vec3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

void ExpectNear(Vec3 actual, Vec3 expected, float tolerance = 1e-4f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// A prepared track: each waypoint but the last knows its segment's direction, side and up.
std::vector<Waypoint> Track(const std::vector<Vec3>& points) {
  std::vector<Waypoint> track;
  for (const Vec3& p : points) track.emplace_back(p.x, p.y, p.z);
  for (size_t i = 0; i + 1 < track.size(); ++i) {
    const Vec3 direction = track[i + 1].GetPosition() - track[i].GetPosition();
    const Vec3 f = math::Vec3Normalize(direction);
    const Vec3 side = math::Vec3Normalize(math::Vec3Cross(kY, f));
    track[i].SetDirection(direction);
    track[i].SetSide(side);
    track[i].SetUp(math::Vec3Normalize(math::Vec3Cross(f, side)));
  }
  return track;
}

// A camera on a straight track along +Z whose place is 250 units in (segment 0, progress 0.25), with the
// rail frame of that place handed over and one frame run.
class OnTrack : public ::testing::Test {
 protected:
  void SetUp() override {
    camera.SetWaypoints(&track);
    camera.SetPathFrame(kX, kY, kZ, kPlace);
  }
  void StartIn(int mode) {
    camera.SetMode(mode);
    camera.Update(16.0f, 0, 0.25f);
  }
  // Runs frames of 250 ms (exactly 0.25 s on the transition clock) until the transition ends; the count.
  int RunTransition(int limit = 100) {
    for (int frame = 1; frame <= limit; ++frame) {
      camera.Update(250.0f, 0, 0.25f);
      if (camera.transitionDone) return frame;
    }
    return -1;
  }

  static constexpr Vec3 kPlace{0, 0, 250};
  std::vector<Waypoint> track = Track({{0, 0, 0}, {0, 0, 1000}});
  Camera camera;
};

TEST(Camera, StartsBehindTheOriginLookingAlongZ) {
  Camera c;  // its default axes are checked with the top and side guards below
  // The eye becomes the view-space origin; a point 10 ahead lies at view z 10.
  const math::Matrix v = c.GetViewMatrix();
  ExpectNear(math::Vec3TransformCoord({0, 0, -10}, v), {0, 0, 0}, 1e-5f);
  ExpectNear(math::Vec3TransformCoord({3, 4, 0}, v), {3, 4, 10}, 1e-5f);
}

TEST(Camera, ViewMatrixTakesTheAxesAsViewSpaceDirections) {
  Camera c;
  c.SetEye({1, 2, 3});
  // Looking along +X with up +Y: right is -Z in a left-handed frame.
  c.SetAxes({2, 0, 0}, {0, 3, 0}, {0, 0, -4});  // stored normalised
  ExpectNear(c.GetLook(), {1, 0, 0}, 1e-5f);
  ExpectNear(c.GetRight(), {0, 0, -1}, 1e-5f);
  const math::Matrix v = c.GetViewMatrix();
  ExpectNear(math::Vec3TransformCoord({6, 2, 3}, v), {0, 0, 5}, 1e-5f);  // 5 ahead
  ExpectNear(math::Vec3TransformCoord({1, 4, 3}, v), {0, 2, 0}, 1e-5f);  // 2 up
  ExpectNear(math::Vec3TransformCoord({1, 2, 0}, v), {3, 0, 0}, 1e-5f);  // 3 to the right
  EXPECT_EQ(v.m[0][3], 0.0f);
  EXPECT_EQ(v.m[3][3], 1.0f);
}

TEST(Camera, ViewMatrixReorthonormalisesTheAxesItKeeps) {
  Camera c;
  c.SetEye({0, 0, 0});
  // Up leaning toward the look direction: it is rebuilt from look x right.
  c.SetAxes({0, 0, 1}, {0, 1, 1}, {1, 0, 0});
  c.GetViewMatrix();
  ExpectNear(c.GetUp(), {0, 1, 0}, 1e-5f);
  ExpectNear(c.GetRight(), {1, 0, 0}, 1e-5f);
  ExpectNear(c.GetLook(), {0, 0, 1}, 1e-5f);
}

TEST(CameraModes, TopAndSideViewsNeedTwoWaypointsOrChangeNothing) {
  const std::vector<Waypoint> one = Track({{5, 5, 5}});
  const std::vector<Waypoint> none;
  for (const std::vector<Waypoint>* list :
       {static_cast<const std::vector<Waypoint>*>(nullptr), &none, &one}) {
    for (int mode : {5, 6}) {
      Camera c;
      c.SetWaypoints(list);
      c.SetMode(mode);
      EXPECT_EQ(c.GetMode(), kModeNone) << "mode " << mode;
      EXPECT_EQ(c.GetEye(), (Vec3{0, 0, -10}));
      EXPECT_EQ(c.GetLook(), kZ);
      EXPECT_EQ(c.GetUp(), kY);
      EXPECT_EQ(c.GetRight(), kX);
    }
  }
}

TEST(CameraModes, TopAndSideViewsStandAtTheFirstWaypoint) {
  // The first segment runs along +X from (10, 20, 30): its side is -Z and its up +Y.
  const std::vector<Waypoint> track = Track({{10, 20, 30}, {110, 20, 30}, {110, 20, 200}});
  Camera top;
  top.SetWaypoints(&track);
  top.SetMode(5);
  EXPECT_EQ(top.GetMode(), kModeTop);
  ExpectNear(top.GetUp(), kX);  // the direction, normalised
  ExpectNear(top.GetRight(), {0, 0, -1});
  ExpectNear(top.GetLook(), {0, -1, 0});
  ExpectNear(top.GetEye(), {10, 320, 30});

  Camera side;
  side.SetWaypoints(&track);
  side.SetMode(6);
  EXPECT_EQ(side.GetMode(), kModeSide);
  ExpectNear(side.GetUp(), kY);
  ExpectNear(side.GetRight(), kX);
  ExpectNear(side.GetLook(), {0, 0, 1});      // x cross y
  ExpectNear(side.GetEye(), {10, 20, -270});  // 300 along the side
}

TEST(CameraModes, InspectionPosesSetTheirAxesAndOneEyeCoordinate) {
  Camera c;
  c.SetEye({5, 6, 7});
  c.SetMode(0);
  EXPECT_EQ(c.GetMode(), kModePoseDown);
  EXPECT_EQ(c.GetEye(), (Vec3{5, 200, 7}));
  EXPECT_EQ(c.GetRight(), kX);
  EXPECT_EQ(c.GetUp(), kZ);
  EXPECT_EQ(c.GetLook(), (Vec3{0, -1, 0}));

  c.SetMode(3);
  EXPECT_EQ(c.GetMode(), kModePoseSide);
  EXPECT_EQ(c.GetEye(), (Vec3{200, 200, 7}));
  EXPECT_EQ(c.GetRight(), kZ);
  EXPECT_EQ(c.GetUp(), kY);
  EXPECT_EQ(c.GetLook(), (Vec3{-1, 0, 0}));

  // Pose 2 looks from the eye at the orbit centre (the origin before any orbit).
  Camera looking;
  looking.SetEye({10, 0, 0});
  looking.SetMode(2);
  ExpectNear(looking.GetLook(), {-1, 0, 0});
  ExpectNear(looking.GetRight(), {0, 0, 1});
  ExpectNear(looking.GetUp(), {0, 1, 0});
  EXPECT_EQ(looking.GetEye(), (Vec3{10, 0, 0}));

  // Other numbers only set the mode.
  looking.SetMode(4);
  EXPECT_EQ(looking.GetMode(), 4);
  EXPECT_EQ(looking.GetEye(), (Vec3{10, 0, 0}));
}

TEST_F(OnTrack, TopAndSideViewsKeepTheEye300FromTheTrackPoint) {
  StartIn(5);
  EXPECT_EQ(camera.GetRight(), kX);
  EXPECT_EQ(camera.GetUp(), kZ);
  EXPECT_EQ(camera.GetLook(), (Vec3{0, -1, 0}));
  EXPECT_EQ(camera.GetEye(), (Vec3{0, 300, 250}));

  camera.SetMode(6);
  camera.Update(16.0f, 0, 0.25f);
  EXPECT_EQ(camera.GetRight(), kZ);
  EXPECT_EQ(camera.GetUp(), kY);
  EXPECT_EQ(camera.GetLook(), (Vec3{-1, 0, 0}));  // the track runs to the screen's right
  EXPECT_EQ(camera.GetEye(), (Vec3{300, 0, 250}));
}

TEST_F(OnTrack, TheEyeStaysPutInTheFrameTheSegmentChanges) {
  StartIn(5);
  // The next segment runs along +X: side -Z, up +Y.
  camera.SetPathFrame({0, 0, -1}, kY, kX, {40, 0, 1000});
  camera.Update(16.0f, 1, 0.0f);
  EXPECT_EQ(camera.GetEye(), (Vec3{0, 300, 250}));
  EXPECT_EQ(camera.GetRight(), (Vec3{0, 0, -1}));
  EXPECT_EQ(camera.GetUp(), kX);
  // From the next frame on the eye follows again.
  camera.Update(16.0f, 1, 0.1f);
  ExpectNear(camera.GetEye(), {40, 300, 1000});
}

TEST_F(OnTrack, ChaseViewSits200BehindAnd20AboveWithoutFollow) {
  camera.SetMode(7);
  camera.Update(16.0f, 0, 0.25f);
  EXPECT_EQ(camera.GetEye(), (Vec3{0, 20, 50}));
  ExpectNear(camera.GetRight(), kX, 1e-6f);
  ExpectNear(camera.GetUp(), kY, 1e-6f);
  ExpectNear(camera.GetLook(), kZ, 1e-6f);
}

TEST_F(OnTrack, ChaseFollowInsideTheDeadZoneOnlyTilts) {
  camera.SetMode(7);
  // The bounds belong to the dead zone: the eye does not shift, the axes tilt by -0.2 rad per unit.
  camera.SetFollow(0.3f, 0.0f);
  camera.Update(16.0f, 0, 0.25f);
  EXPECT_EQ(camera.GetEye(), (Vec3{0, 20, 50}));
  // A turn of -0.06 rad about forward (+Z): right (cos, sin, 0), up (-sin, cos, 0).
  ExpectNear(camera.GetRight(), {0.9982005f, -0.0599640f, 0}, 1e-6f);
  ExpectNear(camera.GetUp(), {0.0599640f, 0.9982005f, 0}, 1e-6f);
  ExpectNear(camera.GetLook(), kZ, 1e-6f);

  camera.SetFollow(-0.3f, -0.3f);
  camera.Update(16.0f, 0, 0.25f);
  EXPECT_EQ(camera.GetEye(), (Vec3{0, 20, 50}));
  // A pitch of -0.3 turns +0.06 rad about the side axis (+X): look (0, -sin, cos) for row vectors.
  const Vec3 look = camera.GetLook();
  EXPECT_NEAR(look.y, -0.0599640f, 1e-5f);
  EXPECT_NEAR(look.z, 0.9982005f, 1e-5f);
}

TEST_F(OnTrack, ChaseFollowBeyondTheDeadZoneShifts100PerUnit) {
  camera.SetMode(7);
  camera.SetFollow(0.8f, -0.8f);
  camera.Update(16.0f, 0, 0.25f);
  // Side: (0.8 - 0.3) x 100 = 50; up: (-0.8 + 0.3) x -100 + 20 = 70.
  ExpectNear(camera.GetEye(), {50, 70, 50}, 1e-3f);

  camera.SetFollow(-0.31f, 0.31f);
  camera.Update(16.0f, 0, 0.25f);
  ExpectNear(camera.GetEye(), {-1, 19, 50}, 1e-3f);
}

TEST_F(OnTrack, BeforeTheFirstLevelTheEyeIsNotPlaced) {
  camera.Update(16.0f, 0, 0.25f);
  EXPECT_EQ(camera.GetMode(), kModeNone);
  EXPECT_EQ(camera.GetEye(), (Vec3{0, 0, -10}));
}

TEST_F(OnTrack, TransitionsEndExactlyOnTheirViewPoses) {
  // Chained: each transition starts where the one before ended. All take 2 s, 8 frames of 0.25 s.
  struct Case {
    int target, from, to;
    Vec3 right, up, look, eye;
  };
  const Case cases[] = {
      {0, 5, 7, kX, kY, kZ, {0, 20, 50}},            // chase: 200 behind, 20 above
      {1, 7, 6, kZ, kY, {-1, 0, 0}, {300, 0, 250}},  // side: 300 along the side
      {2, 6, 5, kX, kZ, {0, -1, 0}, {0, 300, 250}},  // top: 300 above
  };
  StartIn(5);
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "target " << k.target);
    camera.transitionDone = false;
    camera.BeginTransition(k.target);
    EXPECT_TRUE(camera.InTransition());
    for (int frame = 0; frame < 4; ++frame) camera.Update(250.0f, 0, 0.25f);
    EXPECT_EQ(camera.GetMode(), k.from);
    EXPECT_FALSE(camera.transitionDone);
    if (k.target == 0) {
      // Halfway the view has turned 45 degrees from looking down toward looking ahead.
      ExpectNear(camera.GetLook(), {0, -0.7071068f, 0.7071068f}, 1e-5f);
      // The eye stays on the line of sight through the raised track point.
      const Vec3 toEye = camera.GetEye() - Vec3{0, 20, 250};
      ExpectNear(math::Vec3Cross(toEye, camera.GetLook()), {0, 0, 0}, 1e-3f);
    }
    EXPECT_EQ(RunTransition(), 4);
    EXPECT_EQ(camera.GetMode(), k.to);
    EXPECT_FALSE(camera.InTransition());
    EXPECT_EQ(camera.GetRight(), k.right);
    EXPECT_EQ(camera.GetUp(), k.up);
    EXPECT_EQ(camera.GetLook(), k.look);
    EXPECT_EQ(camera.GetEye(), k.eye);
  }
}

TEST_F(OnTrack, TransitionClosesTheDistanceInEqualShares) {
  StartIn(7);  // the eye 201 from the unraised track point
  const float start = math::Vec3Length(camera.GetEye() - kPlace);
  EXPECT_NEAR(start, std::sqrt(200.0f * 200.0f + 20.0f * 20.0f), 1e-3f);
  camera.BeginTransition(1);
  // After frame k the gap has closed k sevenths of the way to 300 (the seven frames that have time left),
  // and the eighth frame ends the transition.
  for (int k = 1; k <= 7; ++k) {
    camera.Update(250.0f, 0, 0.25f);
    const float gap = math::Vec3Length(camera.GetEye() - kPlace);
    EXPECT_NEAR(gap, 300.0f + (start - 300.0f) * float(7 - k) / 7.0f, 1e-2f) << "frame " << k;
  }
  EXPECT_FALSE(camera.transitionDone);
  camera.Update(250.0f, 0, 0.25f);
  EXPECT_TRUE(camera.transitionDone);
}

TEST_F(OnTrack, TransitionDoneStaysUntilTheReaderClearsIt) {
  StartIn(5);
  camera.BeginTransition(1);
  ASSERT_GT(RunTransition(), 0);
  camera.Update(16.0f, 0, 0.25f);
  EXPECT_TRUE(camera.transitionDone);
  camera.transitionDone = false;
  camera.Update(16.0f, 0, 0.25f);
  EXPECT_FALSE(camera.transitionDone);
}

TEST_F(OnTrack, OrbitTurnsOnceAroundTheShipAndKeepsTheMode) {
  StartIn(7);
  camera.BeginTransition(3);
  // Halfway through its 10 s the eye is on the far side of the place, still about 200 away.
  for (int frame = 0; frame < 20; ++frame) camera.Update(250.0f, 0, 0.25f);
  const Vec3 half = camera.GetEye() - kPlace;
  EXPECT_NEAR(math::Vec3Length(half), 200.0f, 1e-2f);
  EXPECT_NEAR(half.x, 0.0f, 0.05f);
  EXPECT_GT(half.z, 190.0f);
  ExpectNear(camera.GetLook(), math::Vec3Normalize(kPlace - camera.GetEye()), 1e-5f);

  EXPECT_EQ(RunTransition(), 20);  // 40 frames of 0.25 s in all
  EXPECT_EQ(camera.GetMode(), kModeChase);
  // On the next frame the chase view takes over again.
  camera.Update(16.0f, 0, 0.25f);
  EXPECT_EQ(camera.GetEye(), (Vec3{0, 20, 50}));
  ExpectNear(camera.GetLook(), kZ, 1e-6f);
}

TEST_F(OnTrack, OrbitInTheTopViewKeeps300) {
  StartIn(5);
  camera.BeginTransition(3);
  for (int frame = 0; frame < 13; ++frame) camera.Update(250.0f, 0, 0.25f);
  EXPECT_NEAR(math::Vec3Length(camera.GetEye() - kPlace), 300.0f, 1e-2f);
  EXPECT_EQ(RunTransition(), 27);
  EXPECT_EQ(camera.GetMode(), kModeTop);
}

TEST_F(OnTrack, ZeroFrameTimeMovesNothing) {
  for (int target : {0, 1, 3}) {
    Camera c;
    c.SetWaypoints(&track);
    c.SetPathFrame(kX, kY, kZ, kPlace);
    c.SetMode(5);
    c.Update(16.0f, 0, 0.25f);
    const Vec3 before = c.GetEye();
    c.BeginTransition(target);
    for (int frame = 0; frame < 50; ++frame) c.Update(0.0f, 0, 0.25f);
    EXPECT_FALSE(c.transitionDone) << "target " << target;
    EXPECT_TRUE(c.InTransition());
    const Vec3 after = c.GetEye();
    EXPECT_TRUE(std::isfinite(after.x) && std::isfinite(after.y) && std::isfinite(after.z));
    ExpectNear(after, before, 1e-3f);
  }
}

TEST_F(OnTrack, TransitionWithoutAValidSegmentAimsAtTheTrackPoint) {
  // The rail's point differs from the waypoint's here, to tell which one the transition used.
  camera.SetPathFrame(kX, kY, kZ, {5, 6, 7});
  camera.SetMode(7);
  camera.BeginTransition(1);
  camera.Update(2000.0f, 0, 0.25f);  // one frame of the whole 2 s
  ASSERT_TRUE(camera.transitionDone);
  EXPECT_EQ(camera.GetEye(), (Vec3{300, 0, 250}));  // the waypoint's point, 300 along the side

  // No list, an empty one, the last waypoint (which starts no segment) and an index off either end.
  const std::vector<Waypoint> empty;
  struct Case {
    const std::vector<Waypoint>* list;
    int index;
  };
  for (const Case& k :
       {Case{nullptr, 0}, Case{&empty, 0}, Case{&track, 1}, Case{&track, 7}, Case{&track, -1}}) {
    Camera c;
    c.SetWaypoints(k.list);
    c.SetPathFrame(kX, kY, kZ, {5, 6, 7});
    c.BeginTransition(1);
    c.Update(2000.0f, k.index, 0.5f);
    ASSERT_TRUE(c.transitionDone) << "index " << k.index;
    EXPECT_EQ(c.GetEye(), (Vec3{305, 6, 7})) << "index " << k.index;
    EXPECT_EQ(c.GetMode(), kModeSide);
  }
}

TEST_F(OnTrack, SetModeLeavesARunningTransitionRunning) {
  StartIn(7);
  camera.BeginTransition(1);
  camera.Update(250.0f, 0, 0.25f);
  camera.SetMode(5);
  EXPECT_EQ(camera.GetMode(), kModeTop);
  EXPECT_TRUE(camera.InTransition());
  EXPECT_GT(RunTransition(), 0);
  EXPECT_EQ(camera.GetMode(), kModeSide);
}

}  // namespace
