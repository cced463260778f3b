// The rail track on generated paths: segment frames, the place moving straight and through corners, the
// end of the track, unusable paths, and the scenery groups with the visible set.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/model.h"

namespace {

using math::Vec3;

constexpr float kEps = 1e-4f;

void ExpectVec(const Vec3& v, float x, float y, float z, float eps = kEps) {
  EXPECT_NEAR(v.x, x, eps);
  EXPECT_NEAR(v.y, y, eps);
  EXPECT_NEAR(v.z, z, eps);
}

bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A Graphics with no device: the rail needs none.
class Rail : public ::testing::Test {
 protected:
  Rail() {
    g_graphics = nullptr;
    graphics = std::make_unique<Graphics>();
  }
  ~Rail() override {
    graphics.reset();
    g_graphics = nullptr;
  }

  Graphics& g() { return *graphics; }

  void SetPath(const std::vector<Vec3>& points) {
    g().waypoints.clear();
    for (const Vec3& p : points) g().waypoints.emplace_back(p.x, p.y, p.z);
    g().PrepareWaypoints();
  }
  // A fresh run on a new path from the given place.
  void Restart(const std::vector<Vec3>& points, int startIndex = 0, float startProgress = 0.0f) {
    SetPath(points);
    index = startIndex;
    progress = startProgress;
    g().inCorner = false;
  }

  // One frame at the given frame time and speed; the outputs land in the members below.
  void Step(float dtMs, float speed = 50.0f) {
    g().UpdatePath(&index, &progress, dtMs, speed, &point, &side, &up, &forward);
  }

  Model* AddScenery() {
    g().sceneryModels.push_back(new Model());
    return g().sceneryModels.back();
  }

  std::unique_ptr<Graphics> graphics;
  int index = 0;
  float progress = 0.0f;
  Vec3 point, side, up, forward;
};

// --- Preparing the path ---------------------------------------------------------------------------------

TEST_F(Rail, PrepareFillsDirectionLengthAndFrameOfEverySegmentButTheLast) {
  SetPath({{0, 0, 0}, {0, 0, 200}, {0, 300, 600}, {-100, 300, 600}});
  ASSERT_EQ(g().waypoints.size(), 4u);
  const Waypoint& ahead = g().waypoints[0];  // forward +Z: side +X, up +Y
  ExpectVec(ahead.GetDirection(), 0, 0, 200);
  EXPECT_FLOAT_EQ(ahead.GetLength(), 200.0f);
  ExpectVec(ahead.GetSide(), 1, 0, 0);
  ExpectVec(ahead.GetUp(), 0, 1, 0);

  const Waypoint& climb = g().waypoints[1];  // forward (0, 0.6, 0.8): the up leans back
  EXPECT_FLOAT_EQ(climb.GetLength(), 500.0f);
  ExpectVec(climb.GetSide(), 1, 0, 0);
  ExpectVec(climb.GetUp(), 0, 0.8f, -0.6f);

  const Waypoint& left = g().waypoints[2];  // forward -X: side +Z
  ExpectVec(left.GetSide(), 0, 0, 1);
  ExpectVec(left.GetUp(), 0, 1, 0);

  const Waypoint& last = g().waypoints[3];  // never filled
  EXPECT_EQ(last.GetLength(), 0.0f);
  ExpectVec(last.GetDirection(), 0, 0, 0);
  EXPECT_EQ(g().preparedWaypoints, 4u);
}

TEST_F(Rail, RepeatedWaypointsAreDroppedSoNoSegmentHasZeroLength) {
  SetPath({{0, 0, 0}, {0, 0, 0}, {0, 0, 100}, {0, 0, 100}, {0, 0, 100}, {50, 0, 100}});
  ASSERT_EQ(g().waypoints.size(), 3u);
  ExpectVec(g().waypoints[1].GetPosition(), 0, 0, 100);
  EXPECT_FLOAT_EQ(g().waypoints[0].GetLength(), 100.0f);
  EXPECT_FLOAT_EQ(g().waypoints[1].GetLength(), 50.0f);

  for (int frame = 0; frame < 200; ++frame) {
    Step(20.0f);
    ASSERT_TRUE(Finite(point) && Finite(side) && Finite(up) && Finite(forward)) << "frame " << frame;
  }
  ExpectVec(point, 50, 0, 100);
}

TEST_F(Rail, VerticalSegmentsTakeTheSideOfTheSegmentBefore) {
  SetPath({{0, 0, 0}, {0, 0, 100}, {0, 200, 100}, {0, 200, 300}});
  const Waypoint& rise = g().waypoints[1];
  ExpectVec(rise.GetSide(), 1, 0, 0);
  ExpectVec(rise.GetUp(), 0, 0, -1);  // Y x X: pitched up by a quarter turn, up points back

  SetPath({{0, 0, 0}, {0, -80, 0}, {0, -80, 100}});  // the very first segment falls straight down
  ExpectVec(g().waypoints[0].GetSide(), 1, 0, 0);
  ExpectVec(g().waypoints[0].GetUp(), 0, 0, 1);

  // Through the corners into and out of the vertical segment every frame keeps a unit orthogonal frame.
  SetPath({{0, 0, 0}, {0, 0, 100}, {0, 200, 100}, {0, 200, 300}});
  for (int frame = 0; frame < 600; ++frame) {
    Step(20.0f);
    ASSERT_TRUE(Finite(point) && Finite(side) && Finite(up) && Finite(forward)) << "frame " << frame;
    ASSERT_NEAR(math::Vec3Length(side), 1.0f, kEps) << "frame " << frame;
    ASSERT_NEAR(math::Vec3Dot(side, forward), 0.0f, kEps) << "frame " << frame;
    ASSERT_NEAR(math::Vec3Dot(up, forward), 0.0f, kEps) << "frame " << frame;
  }
  ExpectVec(point, 0, 200, 300);
}

// --- Moving along the path ------------------------------------------------------------------------------

TEST_F(Rail, TwoWaypointsRunStraightToProgressOneAndRestThere) {
  SetPath({{0, 0, 0}, {0, 0, 100}});
  Step(100.0f);  // 5 units of 100
  EXPECT_EQ(index, 0);
  EXPECT_FLOAT_EQ(progress, 0.05f);
  ExpectVec(point, 0, 0, 5);
  ExpectVec(forward, 0, 0, 1);
  ExpectVec(side, 1, 0, 0);
  ExpectVec(up, 0, 1, 0);
  for (int frame = 0; frame < 40; ++frame) {
    Step(100.0f);
    EXPECT_FALSE(g().inCorner);
  }
  EXPECT_EQ(index, 0);
  EXPECT_EQ(progress, 1.0f);
  ExpectVec(point, 0, 0, 100);
  ExpectVec(forward, 0, 0, 1);
}

TEST_F(Rail, SpeedOrFrameTimeZeroOrBelowMovesNothingButYieldsTheAxes) {
  Restart({{0, 0, 0}, {100, 0, 0}, {100, 0, 300}}, 0, 0.5f);
  Step(20.0f, 0.0f);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(progress, 0.5f);
  ExpectVec(point, 50, 0, 0);
  ExpectVec(forward, 1, 0, 0);
  ExpectVec(side, 0, 0, -1);
  ExpectVec(up, 0, 1, 0);
  Step(0.0f, 50.0f);
  EXPECT_EQ(progress, 0.5f);
  ExpectVec(point, 50, 0, 0);
  // The place never runs backwards.
  Step(20.0f, -50.0f);
  Step(-20.0f, 50.0f);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(progress, 0.5f);
  ExpectVec(point, 50, 0, 0);
}

TEST_F(Rail, ACornerBeginsStrictlyInside50UnitsAndItsCurveStartsTheNextFrame) {
  SetPath({{0, 0, 0}, {0, 0, 1000}, {1000, 0, 1000}, {1000, 0, 2000}});
  // 5 units per frame. The first frame that starts nearer than 50 to waypoint 1 starts at z 955.
  int cornerFrame = -1;
  for (int frame = 0; frame < 300 && cornerFrame < 0; ++frame) {
    const float startZ = 1000.0f * progress;
    Step(100.0f);
    if (g().inCorner) {
      cornerFrame = frame;
      EXPECT_LT(1000.0f - startZ, 50.0f);
      EXPECT_GT(1000.0f - startZ, 45.0f);
      EXPECT_NEAR(point.x, 0.0f, kEps);  // still on the straight this frame
      EXPECT_NEAR(point.z, startZ + 5.0f, 1e-2f);
    }
  }
  ASSERT_GE(cornerFrame, 0);
  ExpectVec(g().cornerControl, 0, 0, 1000);
  ExpectVec(g().cornerEnd, 50, 0, 1000);
  const int frozenIndex = index;
  const float frozenProgress = progress;

  Step(100.0f);  // t = 0.05 on the Bezier
  EXPECT_GT(point.x, 0.0f);
  EXPECT_EQ(index, frozenIndex);
  EXPECT_EQ(progress, frozenProgress);
  EXPECT_GT(forward.x, 0.0f);
  EXPECT_NEAR(math::Vec3Length(forward), 1.0f, kEps);
}

TEST_F(Rail, WhereACornerBeginsAtTheEdgesOfFiftyUnits) {
  // After the given frames: whether a corner runs, and the index and progress on the straight.
  struct Case {
    const char* what;
    std::vector<Vec3> path;
    float dtMs;
    int frames;
    bool inCorner;
    int index;
    float progress;
  };
  const std::vector<Vec3> bend{{0, 0, 0}, {0, 0, 100}, {100, 0, 100}};
  const std::vector<Vec3> shortFirst{{0, 0, 0}, {0, 0, 40}, {200, 0, 40}, {200, 0, 240}};
  const Case cases[] = {
      // 50 units per frame: the first frame ends exactly 50 from waypoint 1, which is not yet a corner...
      {"exactly 50 away", bend, 1000.0f, 1, false, 0, 0.5f},
      // ...and the next starts there: no corner, and the step reaches the waypoint.
      {"starting exactly 50 away", bend, 1000.0f, 2, false, 1, 0.0f},
      // A segment shorter than 50 corners in its first frame, which still moves on the straight.
      {"segment shorter than 50", shortFirst, 20.0f, 1, true, 0, 0.025f},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Restart(k.path);
    for (int frame = 0; frame < k.frames; ++frame) Step(k.dtMs);
    EXPECT_EQ(g().inCorner, k.inCorner);
    EXPECT_EQ(index, k.index);
    EXPECT_FLOAT_EQ(progress, k.progress);
    if (k.inCorner) ExpectVec(g().cornerStart, 0, 0, 0);
  }
}

TEST_F(Rail, ACornerTakesTwoSecondsAtSpeedFiftyWhateverItsAngle) {
  // A right angle and a shallow bend: 16 frames of 125 ms each (t grows by 1/16), then 50 units into the
  // next segment. A last segment shorter than 50 is rested on at its end instead.
  struct Case {
    const char* what;
    std::vector<Vec3> path;
    bool restsAtEnd;
  };
  const Case cases[] = {
      {"right angle", {{0, 0, 0}, {0, 0, 1000}, {1000, 0, 2000}, {1000, 0, 3000}}, false},
      {"shallow bend", {{0, 0, 0}, {0, 0, 1000}, {200, 0, 2000}, {200, 0, 3000}}, false},
      {"last segment shorter than 50", {{0, 0, 0}, {0, 0, 100}, {30, 0, 100}}, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Restart(k.path);
    int cornerFrames = 0;
    int frame = 0;
    while (!g().inCorner && frame++ < 400) Step(125.0f);
    ASSERT_TRUE(g().inCorner);
    while (g().inCorner && frame++ < 400) {
      Step(125.0f);
      ++cornerFrames;
    }
    EXPECT_EQ(cornerFrames * 125, 2000);
    EXPECT_EQ(index, 1);
    if (k.restsAtEnd) {
      EXPECT_EQ(progress, 1.0f);  // 50 units in would lie past the end
      Step(125.0f);
      EXPECT_EQ(index, 1);
      EXPECT_EQ(progress, 1.0f);
      ExpectVec(point, 30, 0, 100);
      continue;
    }
    const float nextLength = g().waypoints[1].GetLength();
    EXPECT_FLOAT_EQ(progress, 1.0f / (0.02f * nextLength));
    Step(125.0f);  // straight again, 56.25 units into segment 1
    const Vec3 expected =
        g().waypoints[1].GetPosition() + g().waypoints[1].GetDirection() * (56.25f / nextLength);
    ExpectVec(point, expected.x, expected.y, expected.z, 1e-2f);
  }
}

TEST_F(Rail, TheIndexAdvancesOnceForAWaypointEvenWhenTheCornerBeginsAsTheStepPassesIt) {
  // 50 units in one frame on a 40-unit segment: the corner begins and the straight step moves to segment 1
  // in the same frame. The corner's end must not move it on to segment 2 as well: it ends 50 units into
  // segment 1, where its curve ends.
  SetPath({{0, 0, 0}, {0, 0, 40}, {100, 0, 40}, {100, 0, 240}});
  Step(1000.0f);
  EXPECT_TRUE(g().inCorner);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(progress, 0.0f);
  Step(1000.0f);  // t 0.5
  Step(1000.0f);  // t 1.0: the corner ends
  EXPECT_FALSE(g().inCorner);
  EXPECT_EQ(index, 1);
  EXPECT_FLOAT_EQ(progress, 0.5f);
  Step(250.0f);  // 12.5 more units along segment 1
  ExpectVec(point, 62.5f, 0, 40);
}

TEST_F(Rail, TheIndexIsHeldOnTheLastPreparedSegment) {
  // Segment 1 is the last in both: an index set past it is pulled back, and the double step of a corner
  // beginning on a 40-unit segment never carries the index past it; the place rests on the last waypoint.
  struct Case {
    const char* what;
    std::vector<Vec3> path;
    int startIndex;
    float startProgress, dtMs;
    int frames;
    float progress;
    Vec3 point;
  };
  const std::vector<Vec3> longLast{{0, 0, 0}, {0, 0, 100}, {100, 0, 100}};
  const std::vector<Vec3> shortFirst{{0, 0, 0}, {0, 0, 40}, {100, 0, 40}};
  const Case cases[] = {
      {"index set past the end", longLast, 7, 0.5f, 0.0f, 1, 0.5f, {50, 0, 100}},
      {"double step onto the last segment", shortFirst, 0, 0.0f, 1000.0f, 12, 1.0f, {100, 0, 40}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Restart(k.path, k.startIndex, k.startProgress);
    for (int frame = 0; frame < k.frames; ++frame) {
      Step(k.dtMs);
      ASSERT_LE(index, 1) << "frame " << frame;
    }
    EXPECT_EQ(index, 1);
    EXPECT_EQ(progress, k.progress);
    ExpectVec(point, k.point.x, k.point.y, k.point.z);
    ExpectVec(forward, 1, 0, 0);
  }
}

// --- Paths that cannot be run ---------------------------------------------------------------------------

TEST_F(Rail, FewerThanTwoWaypointsGiveAFixedFrameAndNoMove) {
  index = 3;
  progress = 0.25f;
  Step(20.0f);  // no waypoints at all
  EXPECT_EQ(index, 3);
  EXPECT_EQ(progress, 0.25f);
  ExpectVec(point, 0, 0, 0);
  ExpectVec(forward, 0, 0, 1);
  ExpectVec(side, 1, 0, 0);
  ExpectVec(up, 0, 1, 0);

  SetPath({{5, 6, 7}});
  Step(20.0f);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(progress, 0.25f);
  ExpectVec(point, 5, 6, 7);
  ExpectVec(forward, 0, 0, 1);
}

TEST_F(Rail, WaypointsNeverPreparedAreNotRun) {
  g().waypoints = {Waypoint(1, 2, 3), Waypoint(1, 2, 103), Waypoint(50, 2, 103)};
  Step(20.0f);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(progress, 0.0f);
  ExpectVec(point, 1, 2, 3);
  g().PrepareWaypoints();
  g().waypoints.emplace_back(90.0f, 2.0f, 103.0f);  // added after preparing: the list no longer matches
  Step(20.0f);
  EXPECT_EQ(progress, 0.0f);
  ExpectVec(point, 1, 2, 3);
}

// --- Scenery groups -------------------------------------------------------------------------------------

TEST_F(Rail, TheVisibleSetIsTheCurrentGroupAndTheNewModelsOfTheNext) {
  Model* a = AddScenery();
  Model* b = AddScenery();
  Model* c = AddScenery();
  Model* d = AddScenery();
  g().sceneryGroups = {{{a, b, a}, 0, 0.0f}, {{b, c, c}, 1, 0.5f}, {{d}, 2, 0.0f}};
  g().currentGroup = 0;
  g().RebuildVisibleSet();
  EXPECT_EQ(g().visibleScenery, (std::vector<Model*>{a, b, a, c}));
  g().currentGroup = 2;  // the last group: nothing follows it
  g().RebuildVisibleSet();
  EXPECT_EQ(g().visibleScenery, (std::vector<Model*>{d}));
  g().sceneryGroups.clear();
  g().RebuildVisibleSet();
  EXPECT_TRUE(g().visibleScenery.empty());
}

TEST_F(Rail, AReleasedSceneryModelLeavesItsGroupsAndTheVisibleSet) {
  Model* a = AddScenery();
  Model* b = AddScenery();
  g().sceneryGroups = {{{a, b}, 0, 0.0f}, {{b}, 1, 0.0f}};
  g().currentGroup = 0;
  g().RebuildVisibleSet();
  Model* released = b;
  ASSERT_TRUE(g().ReleaseModel(released));
  EXPECT_EQ(g().sceneryGroups[0].models, (std::vector<Model*>{a}));
  EXPECT_TRUE(g().sceneryGroups[1].models.empty());
  EXPECT_EQ(g().visibleScenery, (std::vector<Model*>{a}));
  g().RebuildVisibleSet();
  EXPECT_EQ(g().visibleScenery, (std::vector<Model*>{a}));
}

TEST_F(Rail, GroupsSwitchOneAtATimeWhenThePlaceReachesThem) {
  SetPath({{0, 0, 0}, {0, 0, 1000}, {0, 0, 2000}, {0, 0, 3000}});
  Model* a = AddScenery();
  Model* b = AddScenery();
  Model* c = AddScenery();
  g().sceneryGroups = {{{a}, 0, 0.0f}, {{b}, 0, 0.0f}, {{c}, 0, 0.0f}};
  g().currentGroup = 0;
  g().RebuildVisibleSet();
  Step(0.0f);
  EXPECT_EQ(g().currentGroup, 1);
  EXPECT_EQ(g().visibleScenery, (std::vector<Model*>{b, c}));
  Step(0.0f);
  EXPECT_EQ(g().currentGroup, 2);
  EXPECT_EQ(g().visibleScenery, (std::vector<Model*>{c}));

  g().sceneryGroups = {{{a}, 0, 0.0f}, {{b}, 1, 0.5f}, {{c}, 2, 0.0f}};
  g().currentGroup = 0;
  index = 1;
  progress = 0.45f;
  Step(0.0f);
  EXPECT_EQ(g().currentGroup, 0);
  progress = 0.5f;
  Step(0.0f);
  EXPECT_EQ(g().currentGroup, 1);
  EXPECT_EQ(g().visibleScenery, (std::vector<Model*>{b, c}));
}

TEST_F(Rail, AGroupKeyedInsideACornerNeverSwitchesAndBlocksTheLaterOnes) {
  SetPath({{0, 0, 0}, {0, 0, 1000}, {1000, 0, 1000}, {1000, 0, 2000}});
  Model* a = AddScenery();
  Model* b = AddScenery();
  Model* c = AddScenery();
  // Segment 0 is left by the corner at about progress 0.955; 0.99 is never reached on it.
  g().sceneryGroups = {{{a}, 0, 0.0f}, {{b}, 0, 0.99f}, {{c}, 1, 0.5f}};
  g().currentGroup = 0;
  for (int frame = 0; frame < 2500; ++frame) Step(20.0f);  // 50 seconds: well onto segment 2
  EXPECT_EQ(index, 2);
  EXPECT_EQ(g().currentGroup, 0);
}

}  // namespace
