// Level files: the sections and what they build, the start mode, the results of files that cannot be read,
// the reports on bad input, the events handed out during play, and a flight through each shipped zone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "enemies/enemy.h"
#include "graphics/graphics.h"
#include "graphics/level_event.h"
#include "graphics/mesh.h"
#include "graphics/model.h"
#include "graphics_test_support.h"

namespace {

using gfxtest::GraphicsHarness;
using gfxtest::ScratchGameFolder;

// One copy of the built Assets folder for the whole suite; each test writes its own level files into it.
class LevelFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { folder_ = new ScratchGameFolder(); }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }

  LevelFile() : h(folder_->Root()) {}

  Graphics& g() { return *h.graphics; }

  static void Write(const std::string& name, const std::string& text) {
    std::ofstream out(folder_->Root() / "Assets" / "Levels" / name, std::ios::binary | std::ios::trunc);
    out << text;
  }

  // Loads the level and keeps what the reader reported on stderr.
  int Load(const std::string& name, const std::string& text) {
    Write(name, text);
    return LoadWritten(name);
  }
  int LoadWritten(const std::string& name) {
    ::testing::internal::CaptureStderr();
    const int result = g().LoadLevel(name.c_str());
    reports = ::testing::internal::GetCapturedStderr();
    return result;
  }

  bool Reported(const std::string& text) const { return reports.find(text) != std::string::npos; }

  static inline ScratchGameFolder* folder_ = nullptr;
  GraphicsHarness h;
  std::string reports;
};

// --- Sections -------------------------------------------------------------------------------------------

TEST_F(LevelFile, EverySectionBuildsItsPartOfTheScene) {
  const int mode = Load("l_all.kvl",
                        "Object\n"
                        "0 0 100 TestCube.X 0 0 0 1\n"
                        "10 0 200 TestCube.X 0 0.7071068 0 0.7071068\n"
                        "20 0 300 TestShip.mdl 0 0 0 1\n"
                        "* 0 0.0 0 1\n"
                        "* 1 0.5 2\n"
                        "Terrain\n"
                        "0 -100 0 TestCube.X 0 0 0 1\n"
                        "0 -100 500 TestCube.X 0 0 0 1\n"
                        "* 0 0.0 1\n"
                        "* 1 0.5 0\n"
                        "Waypoint\n"
                        "0 0 0\n0 0 500\n300 0 800\n300 0 1300\n"
                        "Camera\n"
                        "0 0 0 1 0.5 1\n"
                        "0 0 0 0 0.0 2\n"
                        "Enemy\n"
                        "5 6 7 1 0.2 3 4\n"
                        "Speed\n"
                        "0 0 0 0 0.3 80\n"
                        "Event\n"
                        "0 0 0 2 0.1\n"
                        "End\n");
  EXPECT_EQ(mode, 5);  // the camera event at (0, 0.0) has view 2: top
  EXPECT_EQ(reports, "");
  EXPECT_EQ(g().camera.GetMode(), kModeTop);

  ASSERT_EQ(g().sceneryModels.size(), 5u);
  const std::vector<Model*>& m = g().sceneryModels;
  EXPECT_EQ(m[1]->position, (math::Vec3{10, 0, 200}));
  EXPECT_NEAR(m[1]->rotation.m[2][0], 1.0f, 1e-5f);  // a quarter turn about Y takes +Z to +X
  EXPECT_EQ(m[2]->parts.size(), 4u);                 // the model file's four parts

  ASSERT_EQ(g().sceneryGroups.size(), 2u);
  EXPECT_EQ(g().sceneryGroups[0].waypoint, 0);
  EXPECT_EQ(g().sceneryGroups[0].models,
            (std::vector<Model*>{m[0], m[1], m[4]}));  // terrain 1 is level model 4
  EXPECT_EQ(g().sceneryGroups[1].waypoint, 1);
  EXPECT_EQ(g().sceneryGroups[1].progress, 0.5f);
  EXPECT_EQ(g().sceneryGroups[1].models, (std::vector<Model*>{m[2], m[3]}));
  EXPECT_EQ(g().visibleScenery, (std::vector<Model*>{m[0], m[1], m[4], m[2], m[3]}));

  ASSERT_EQ(g().waypoints.size(), 4u);
  EXPECT_EQ(g().preparedWaypoints, 4u);
  EXPECT_FLOAT_EQ(g().waypoints[0].GetLength(), 500.0f);

  // Sorted by place; the start camera event is gone.
  ASSERT_EQ(g().levelEvents.size(), 4u);
  const std::vector<LevelEvent>& e = g().levelEvents;
  EXPECT_EQ(e[0].kind, kGameSpeed);
  EXPECT_EQ(e[0].a, 80);
  EXPECT_EQ(e[1].kind, kEnemySpawn);
  EXPECT_EQ(e[1].a, 3);
  EXPECT_EQ(e[1].b, 4);
  EXPECT_EQ(e[1].c, 1);
  EXPECT_FLOAT_EQ(e[1].d, 0.2f);
  EXPECT_EQ(e[1].x, 5.0f);
  EXPECT_EQ(e[1].y, 6.0f);
  EXPECT_EQ(e[1].z, 7.0f);
  EXPECT_EQ(e[2].kind, kCameraView);
  EXPECT_EQ(e[2].a, 1);
  EXPECT_EQ(e[3].kind, kScriptStep);
  EXPECT_EQ(e[3].c, 2);

  EXPECT_EQ(g().lastEvent, -1);
  EXPECT_EQ(g().currentGroup, 0);
  EXPECT_FALSE(g().inCorner);
}

TEST_F(LevelFile, EventsAreSortedBySignedWaypointThenProgressAndEqualPlacesKeepFileOrder) {
  ASSERT_EQ(Load("l_sort.kvl",
                 "Waypoint\n0 0 0\n0 0 100\nEnemy\nSpeed\n"
                 "0 0 0 2 0.5 10\n0 0 0 0 0.9 20\n0 0 0 2 0.1 30\n0 0 0 0 0.9 40\n0 0 0 -1 0.5 50\nEnd\n"),
            6);
  std::vector<int> speeds;
  for (const LevelEvent& e : g().levelEvents) speeds.push_back(e.a);
  EXPECT_EQ(speeds, (std::vector<int>{50, 20, 40, 30, 10}));
}

TEST_F(LevelFile, TheStartModeComesFromTheLowestCameraEventAndThatEventIsTaken) {
  // Each view gives its mode and any other view the side view (6); the lowest camera event gives the mode
  // wherever it stands in the file; without camera events the level starts in the side view. What is left
  // over: (kind, a, progress) per event, in order.
  using Rest = std::vector<std::tuple<int, int, float>>;
  struct Case {
    std::string what, events;
    int mode;
    Rest rest;
  };
  std::vector<Case> cases;
  for (const auto& [view, mode] :
       std::vector<std::pair<int, int>>{{0, 7}, {1, 6}, {2, 5}, {3, 6}, {-1, 6}, {9, 6}}) {
    cases.push_back({"view " + std::to_string(view),
                     "Camera\n0 0 0 0 0.0 " + std::to_string(view) + "\n0 0 0 0 0.5 1\n", mode,
                     Rest{{0, 1, 0.5f}}});
  }
  cases.push_back({"lowest stands second", "Camera\n0 0 0 0 0.5 2\n0 0 0 1 0.1 0\n0 0 0 0 0.2 1\n", 6,
                   Rest{{0, 2, 0.5f}, {0, 0, 0.1f}}});
  cases.push_back({"no camera events", "Enemy\nSpeed\n0 0 0 0 0.5 70\n", 6, Rest{{3, 70, 0.5f}}});
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    EXPECT_EQ(Load("l_view.kvl", "Waypoint\n0 0 0\n0 0 1000\n" + k.events + "End\n"), k.mode);
    Rest rest;
    for (const LevelEvent& e : g().levelEvents) rest.emplace_back(e.kind, e.a, e.d);
    EXPECT_EQ(rest, k.rest);
  }
}

// --- Files that cannot be read to "End" -----------------------------------------------------------------

TEST_F(LevelFile, AFileThatCannotBeOpenedGivesZeroAndTheMessageBox) {
  EXPECT_EQ(LoadWritten("no_such_level.kvl"), 0);
  EXPECT_EQ(
      h.services.MessageBoxes(),
      (std::vector<std::string>{"Windows API error: Windows reported an error trying to open the file(s)"}));
  EXPECT_TRUE(Reported("Assets\\Levels\\no_such_level.kvl cannot be opened"));
  EXPECT_EQ(g().LoadLevel(nullptr), 0);
  EXPECT_EQ(h.services.MessageBoxes().size(), 2u);
}

TEST_F(LevelFile, ReadingThatStopsBeforeEndGivesMinusOneAndLeavesTheRailStill) {
  // What was read before the stop stays (the waypoints kept); an entry cut short is not taken.
  struct Case {
    const char* what;
    const char* text;
    size_t waypoints;
    const char* report;
  };
  const Case cases[] = {
      {"no End", "Waypoint\n0 0 0\n0 0 100\n", 2, "l_stop.kvl, line "},
      {"second Camera keyword",
       "Waypoint\n0 0 0\n0 0 100\nCamera\n0 0 0 0 0.0 1\nCamera\n0 0 0 0 0.5 0\nEnd\n", 2,
       "l_stop.kvl, line "},
      {"Camera after Enemy", "Waypoint\n0 0 0\n0 0 100\nEnemy\nCamera\n0 0 0 0 0.0 1\nEnd\n", 2,
       "l_stop.kvl, line "},
      {"second Enemy keyword", "Waypoint\n0 0 0\n0 0 100\nEnemy\nEnemy\nEnd\n", 2, "l_stop.kvl, line "},
      {"entry cut by the end of the file", "Waypoint\n0 0 0\n0 0 100\n0 0", 2,
       "l_stop.kvl, line 4: the file ends inside an entry"},
      {"group line cut short", "Object\n0 0 0 TestCube.X 0 0 0 1\n* 0", 0, "l_stop.kvl, line "},
      {"empty file", "", 0, "l_stop.kvl, line "},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    EXPECT_EQ(Load("l_stop.kvl", k.text), -1);
    EXPECT_TRUE(Reported(std::string("Assets\\Levels\\") + k.report)) << reports;
    EXPECT_EQ(g().waypoints.size(), k.waypoints);
    EXPECT_EQ(g().preparedWaypoints, 0u);
    int index = 0;
    float progress = 0.0f;
    math::Vec3 point{9, 9, 9};
    g().UpdatePath(&index, &progress, 20.0f, 50.0f, &point, nullptr, nullptr, nullptr);
    EXPECT_EQ(progress, 0.0f);
    EXPECT_EQ(point, (math::Vec3{0, 0, 0}));
  }
}

// --- Keywords and numbers out of place ------------------------------------------------------------------

TEST_F(LevelFile, EveryWayALevelCanBeBadIsReportedWithItsLineAndALevelThatCannotBePlayedIsRefused) {
  // The outcome: the load's result (-1: refused), the waypoints kept and the (c, a) of the events kept.
  using Events = std::vector<std::pair<int, int>>;
  struct Case {
    const char* text;
    std::vector<const char*> reports;
    int result;
    size_t waypoints;
    Events events;
  };
  // clang-format off
  const Case cases[] = {
      {"Enemy\nSpeed\n0 0 0 0 0.5 50\nEnd\n",
       {"line 4: the track has 0 usable waypoint(s); it needs two or more, so the level cannot be played"},
       -1, 0, {{0, 50}}},
      {"Waypoint\n0 0 0\nEnd\n", {"line 3: the track has 1 usable waypoint(s)"}, -1, 1, {}},
      {"Waypoint\n5 0 0\n5 0 0\nEnd\n",
       {"line 3: the waypoint repeats the one before it; it is dropped and the segment between them is "
        "passed at once", "line 4: the track has 1 usable waypoint(s)"}, -1, 2, {}},
      {"Waypoint\n0 0 0\n3e38 0 3e38\n0 0 100\nEnd\n",
       {"line 3: the waypoint lies too far from the one before it to measure the segment between them; it is "
        "dropped"}, 6, 2, {}},
      // A word that is not a number ends the section; a later section may take it, or none can.
      {"Waypoint\n0 0 0\n0 0 100\nSpede\n0 0 0 0 0.5 80\nEnd\n",
       {"line 4: \"Spede\" is not a number and does not belong in the \"Waypoint\" section, which ends here",
        "line 4: \"Spede\" cannot come here; the level stops before \"End\""}, -1, 2, {}},
      {"Waypoint\n0 0 0\n0 0 100\nSpeed\n0 0 0 0 0.5 80\nEnd\n",
       {"line 4: \"Speed\" is not a number and does not belong in the \"Waypoint\" section"}, 6, 2,
       {{0, 80}}},
      {"Waypoint\n0 0 100\n0 0 300\nTerrain 5 5\nEnd\n",
       {"line 4: \"Terrain\" is not a number", "line 4: \"Terrain\" cannot come here"}, -1, 2, {}},
      {"Object\n0 0 0 TestCube.X 0 0 0 1\n* 0 0.0 0 Waypiont\n",
       {"line 3: \"Waypiont\" is not a number and does not belong in the scenery group section"}, -1, 0, {}},
      // A keyword inside an entry drops the entry and ends its section.
      {"Waypoint\n0 0 0\n0 0 100\n0 0\nEnemy\nSpeed\n0 0 0 0 0.5 70\nEnd\n",
       {"line 5: the entry is cut short by \"Enemy\" before its waypoint z; it is dropped and its section "
        "ends here"}, 6, 2, {{0, 70}}},
      {"Object\n0 0 0\nWaypoint\n0 0 0\n0 0 100\nEnd\n",
       {"line 3: the entry is cut short by \"Waypoint\" before its model file name"}, 6, 2, {}},
      {"Waypoint\n0 0 0\n0 0 100\nEnemy\nSpeed\n0 0 0 0 0.5 -50\nEnd\n",
       {"line 6: speed -50 is below 0 and would run the track backwards; read as 0"}, 6, 2, {{0, 0}}},
      // Reported at the line where the entry starts; the events are kept but never fire.
      {"Waypoint\n0 0 0\n0 0 100\n0 0 200\nEnemy\nSpeed\n0 0 0\n2 0.5 80\n0 0 0 -1 0.5 90\n"
       "0 0 0 1 0.5 60\nEnd\n",
       {"line 7: event waypoint 2 names no segment of the track (0 to 1); the event never fires",
        "line 9: event waypoint -1 names no segment of the track (0 to 1)"}, 6, 3,
       {{-1, 90}, {1, 60}, {2, 80}}},
  };
  // clang-format on
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    EXPECT_EQ(Load("l_bad.kvl", k.text), k.result);
    for (const char* report : k.reports) {
      EXPECT_TRUE(Reported(std::string("Assets\\Levels\\l_bad.kvl, ") + report)) << reports;
    }
    EXPECT_EQ(g().waypoints.size(), k.waypoints);
    Events events;
    for (const LevelEvent& e : g().levelEvents) events.emplace_back(e.c, e.a);
    EXPECT_EQ(events, k.events);
  }
}

TEST_F(LevelFile, MalformedNumbersReadAsTheirLeadingNumberAndAreReportedWithTheirLine) {
  EXPECT_EQ(Load("l_num.kvl", "Waypoint\n0 0 0\n12.5x 0 abc\nEnemy\nSpeed\n0 0 0 0 0.5 50.0\nEnd\n"), 6);
  ASSERT_EQ(g().waypoints.size(), 2u);
  EXPECT_EQ(g().waypoints[1].GetPosition(), (math::Vec3{12.5f, 0, 0}));
  EXPECT_TRUE(Reported("l_num.kvl, line 3: expected a number (waypoint x), found \"12.5x\"; read as 12.5"));
  EXPECT_TRUE(Reported("l_num.kvl, line 3: expected a number (waypoint z), found \"abc\"; read as 0"));
  EXPECT_TRUE(Reported("l_num.kvl, line 6: expected a whole number (speed), found \"50.0\"; read as 50"));
  ASSERT_EQ(g().levelEvents.size(), 1u);
  EXPECT_EQ(g().levelEvents[0].a, 50);

  // Numbers that would make no place: too large, or not finite.
  EXPECT_EQ(Load("l_num2.kvl", "Waypoint\n0 0 0\n1e60 nan 5\nEnemy\nSpeed\n0 0 0 0 0.5 99999999999\nEnd\n"),
            6);
  EXPECT_EQ(g().waypoints[1].GetPosition(), (math::Vec3{0, 0, 5}));
  EXPECT_TRUE(Reported("line 3: expected a number (waypoint x), found \"1e60\"; read as 0"));
  EXPECT_TRUE(Reported("line 3: expected a number (waypoint y), found \"nan\"; read as 0"));
  EXPECT_TRUE(Reported("line 6: expected a whole number (speed), found \"99999999999\"; read as 0"));
  EXPECT_EQ(g().levelEvents[0].a, 0);
}

TEST_F(LevelFile, GroupIndicesOutsideTheModelsAndSurplusTerrainLinesAreSkippedAndReported) {
  const int mode = Load("l_groups.kvl",
                        "Object\n"
                        "0 0 0 TestCube.X 0 0 0 1\n"
                        "0 0 50 TestCube.X 0 0 0 1\n"
                        "* 0 0.0 0 5 -1 1\n"
                        "Terrain\n"
                        "0 -50 0 TestCube.X 0 0 0 1\n"
                        "* 0 0.0 0 3\n"
                        "* 1 0.0 0\n"
                        "Waypoint\n0 0 0\n0 0 100\nEnd\n");
  EXPECT_EQ(mode, 6);
  ASSERT_EQ(g().sceneryGroups.size(), 1u);
  const std::vector<Model*>& m = g().sceneryModels;
  EXPECT_EQ(g().sceneryGroups[0].models, (std::vector<Model*>{m[0], m[1], m[2]}));
  EXPECT_TRUE(Reported("l_groups.kvl, line 4: scenery index 5 names no loaded model (2 loaded); skipped"))
      << reports;
  EXPECT_TRUE(Reported("l_groups.kvl, line 4: scenery index -1 names no loaded model"));
  EXPECT_TRUE(
      Reported("l_groups.kvl, line 7: terrain index 3 names no loaded model (1 terrain models loaded)"));
  EXPECT_TRUE(Reported("l_groups.kvl, line 8: terrain group line 2 has no scenery group to add to"));
}

TEST_F(LevelFile, AModelThatDoesNotLoadShiftsTheLaterIndices) {
  EXPECT_EQ(Load("l_missing.kvl",
                 "Object\n"
                 "0 0 0 TestCube.X 0 0 0 1\n"
                 "0 0 0 NoSuchModel.mdl 0 0 0 1\n"
                 "7 0 0 TestShip.mdl 0 0 0 1\n"
                 "* 0 0.0 1\n"
                 "Waypoint\n0 0 0\n0 0 100\nEnd\n"),
            6);
  ASSERT_EQ(g().sceneryModels.size(), 2u);
  ASSERT_EQ(g().sceneryGroups[0].models.size(), 1u);
  EXPECT_EQ(g().sceneryGroups[0].models[0]->position.x, 7.0f);
  EXPECT_TRUE(Reported("l_missing.kvl, line 3: the model \"NoSuchModel.mdl\" does not load")) << reports;
}

TEST_F(LevelFile, ADroppedWaypointLeavesEventsAndGroupsOnTheFilesSegments) {
  // Flown at one unit per frame: what comes up (a speed event's id, or 100 + a group's index) and the z of
  // the place there. Groups sit at the file's segments 2 and 3, progress 0.5.
  using Seen = std::vector<std::pair<int, float>>;
  const std::tuple<const char*, const char*, Seen> cases[] = {
      // Segment 1 has no length: what lies on it comes up where the corner leaves it.
      {"0 0 0\n0 0 100\n0 0 100\n0 0 300\n0 0 500\n", "0 0 0 2 0.5 1\n0 0 0 1 0.3 2\n0 0 0 3 0.5 3\n",
       Seen{{2, 150}, {1, 200}, {101, 200}, {3, 400}, {102, 400}}},
      // The last segment has no length: what lies on it comes up at the end of the track.
      {"0 0 0\n0 0 100\n0 0 200\n0 0 200\n", "0 0 0 1 0.5 1\n0 0 0 2 0.7 2\n",
       Seen{{1, 150}, {2, 200}, {101, 200}}},
  };
  for (const auto& [waypoints, events, expected] : cases) {
    SCOPED_TRACE(waypoints);
    ASSERT_EQ(Load("l_repeat.kvl", std::string("Object\n0 0 0 TestCube.X 0 0 0 1\n* 0 0.0 0\n* 2 0.5 0\n"
                                               "* 3 0.5 0\nWaypoint\n") +
                                       waypoints + "Enemy\nSpeed\n" + events + "End\n"),
              6);
    Seen seen;
    int index = 0;
    float progress = 0.0f;
    math::Vec3 point{};
    for (int frame = 0; frame < 1000; ++frame) {
      LevelEvent e;
      while (g().NextEvent(index, progress, &e)) seen.emplace_back(e.a, point.z);
      const int group = g().currentGroup;
      const float z = point.z;
      g().UpdatePath(&index, &progress, 20.0f, 50.0f, &point, nullptr, nullptr, nullptr);
      if (g().currentGroup != group) seen.emplace_back(100 + g().currentGroup, z);
    }
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
      EXPECT_EQ(seen[i].first, expected[i].first);
      EXPECT_NEAR(seen[i].second, expected[i].second, 1.01f) << "what came up: " << seen[i].first;
    }
  }
}

// --- Around the reading ---------------------------------------------------------------------------------

TEST_F(LevelFile, LoadingLeavesTitleModeSwitchesLightZeroOffAndPreloadsTheShotAndPowerUpMeshes) {
  g().titleMode = true;
  h.services.Device()->LightEnable(0, true);
  ASSERT_TRUE(h.log().LightEnabled(0));
  EXPECT_EQ(LoadWritten("no_such_level.kvl"), 0);  // all of it happens before the file is opened
  EXPECT_FALSE(g().titleMode);
  EXPECT_FALSE(h.log().LightEnabled(0));
  EXPECT_TRUE(g().entityModels.empty());  // loaded and released at once
  for (const char* mesh : {"Bullet.X", "Poison.X", "Polaris.X", "Magic.X", "Powerup_Beam.X",
                           "Powerup_Spread.X", "Powerup_Bomb.X"}) {
    EXPECT_GE(g().FindMesh((std::string("Assets\\Art\\") + mesh).c_str()), 0) << mesh;
  }
  EXPECT_FALSE(Reported("model file")) << reports;  // every preload file is there
}

TEST_F(LevelFile, ALoadReplacesThePreviousLevelAndClearingTheSceneResetsTheRail) {
  ASSERT_EQ(Load("l_first.kvl",
                 "Object\n0 0 0 TestCube.X 0 0 0 1\n0 0 0 TestCube.X 0 0 0 1\n* 0 0.0 0 1\n"
                 "Waypoint\n0 0 0\n0 0 100\n0 0 200\nCamera\n0 0 0 0 0.0 0\n0 0 0 1 0.5 2\nEnd\n"),
            7);
  g().lastEvent = 0;
  g().inCorner = true;
  g().currentGroup = 1;
  ASSERT_EQ(Load("l_second.kvl", "Object\n0 0 0 TestCube.X 0 0 0 1\nWaypoint\n5 0 0\n5 0 100\nEnd\n"), 6);
  EXPECT_EQ(g().sceneryModels.size(), 1u);
  EXPECT_TRUE(g().sceneryGroups.empty());
  EXPECT_TRUE(g().visibleScenery.empty());
  EXPECT_TRUE(g().levelEvents.empty());
  EXPECT_EQ(g().waypoints.size(), 2u);
  EXPECT_EQ(g().lastEvent, -1);
  EXPECT_FALSE(g().inCorner);
  EXPECT_EQ(g().currentGroup, 0);

  g().ClearScene();
  EXPECT_TRUE(g().waypoints.empty());
  EXPECT_EQ(g().preparedWaypoints, 0u);
  EXPECT_TRUE(g().sceneryModels.empty());
}

// --- Handing out events ---------------------------------------------------------------------------------

class LevelEvents : public ::testing::Test {
 protected:
  LevelEvents() {
    g_graphics = nullptr;
    graphics = std::make_unique<Graphics>();
  }
  ~LevelEvents() override {
    graphics.reset();
    g_graphics = nullptr;
  }
  Graphics& g() { return *graphics; }

  // The speeds (field a) handed out by one frame's calls at this place.
  std::vector<int> Frame(int waypoint, float progress) {
    std::vector<int> out;
    LevelEvent e;
    while (g().NextEvent(waypoint, progress, &e)) out.push_back(e.kind == 1 ? -1 : e.a);
    return out;
  }

  std::unique_ptr<Graphics> graphics;
};

TEST_F(LevelEvents, EventsComeOutInOrderAndAllThatAreDueInOneFrame) {
  for (const auto& [c, d, a] :
       std::vector<std::tuple<int, float, int>>{{0, 0.1f, 1}, {0, 0.2f, 2}, {0, 0.6f, 3}, {1, 0.3f, 4}}) {
    EXPECT_TRUE(g().AddEvent(kGameSpeed, a, 0, c, d, 0, 0, 0));
  }
  EXPECT_EQ(Frame(0, 0.05f), std::vector<int>{});
  EXPECT_EQ(Frame(0, 0.25f), (std::vector<int>{1, 2}));
  EXPECT_EQ(g().lastEvent, 1);
  EXPECT_EQ(Frame(0, 0.25f), std::vector<int>{});
  EXPECT_EQ(Frame(0, 0.6f), (std::vector<int>{3}));  // at its progress exactly
  EXPECT_EQ(Frame(1, 0.2f), std::vector<int>{});
  EXPECT_EQ(Frame(1, 0.5f), (std::vector<int>{4}));
}

TEST_F(LevelEvents, AnEventPassedOverWhileALaterOneFiresNeverComesOut) {
  g().AddEvent(kGameSpeed, 1, 0, 0, 0.99f, 0, 0, 0);  // inside the corner that leaves segment 0
  g().AddEvent(kGameSpeed, 2, 0, 1, 0.1f, 0, 0, 0);
  g().AddEvent(kGameSpeed, 3, 0, 1, 0.4f, 0, 0, 0);
  EXPECT_EQ(Frame(0, 0.95f), std::vector<int>{});
  EXPECT_EQ(Frame(1, 0.2f), (std::vector<int>{2}));
  EXPECT_EQ(Frame(0, 1.0f), std::vector<int>{});
  EXPECT_EQ(Frame(1, 1.0f), (std::vector<int>{3}));
  EXPECT_EQ(Frame(0, 1.0f), std::vector<int>{});
}

TEST_F(LevelEvents, AFinishedCameraTransitionComesOutFirstAndOnlyOnce) {
  g().AddEvent(kGameSpeed, 7, 0, 0, 0.0f, 0, 0, 0);
  g().camera.transitionDone = true;
  LevelEvent e(4, 11, 12, 13, 0.5f, 1, 2, 3);
  ASSERT_TRUE(g().NextEvent(0, 0.5f, &e));
  EXPECT_EQ(e.kind, kCameraDone);
  EXPECT_EQ(e.a, 11);  // the other fields are left as they were
  EXPECT_EQ(e.c, 13);
  EXPECT_FALSE(g().camera.transitionDone);
  EXPECT_EQ(g().lastEvent, -1);
  EXPECT_EQ(Frame(0, 0.5f), (std::vector<int>{7}));
}

// --- The shipped levels -------------------------------------------------------------------------------

// A shipped zone and the bosses it brings, in the order met.
struct ShippedZone {
  const char* file;
  std::vector<int> bosses;
};
void PrintTo(const ShippedZone& zone, std::ostream* out) {
  *out << zone.file;
}

class ShippedLevel : public LevelFile, public ::testing::WithParamInterface<ShippedZone> {};
INSTANTIATE_TEST_SUITE_P(Zones, ShippedLevel,
                         ::testing::Values(ShippedZone{"l1z1.kvl", {kPsychoFrontId}},
                                           ShippedZone{"l1z2.kvl",
                                                       {kPhantomId, kPsychoSideId, kPsychoRearId}}));

TEST_P(ShippedLevel, LoadsCleanlyAndFliesInTwoToFourMinutesRaisingEveryEventAndGroup) {
  const int mode = LoadWritten(GetParam().file);
  ASSERT_GE(mode, 5);
  EXPECT_LE(mode, 7);
  EXPECT_EQ(reports, "");  // no model missing, no number or index out of order
  EXPECT_TRUE(h.services.MessageBoxes().empty());

  EXPECT_GE(g().waypoints.size(), 20u);
  EXPECT_EQ(g().preparedWaypoints, g().waypoints.size());
  ASSERT_GE(g().sceneryModels.size(), 50u);
  for (const Model* model : g().sceneryModels) EXPECT_FALSE(model->parts.empty());
  ASSERT_GE(g().sceneryGroups.size(), 8u);
  for (const SceneryGroup& group : g().sceneryGroups) EXPECT_FALSE(group.models.empty());
  EXPECT_FALSE(g().visibleScenery.empty());

  // Curves in both planes: the path turns sideways and climbs and falls.
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (const Waypoint& w : g().waypoints) {
    minX = std::min(minX, w.GetPosition().x);
    maxX = std::max(maxX, w.GetPosition().x);
    minY = std::min(minY, w.GetPosition().y);
    maxY = std::max(maxY, w.GetPosition().y);
  }
  EXPECT_GT(maxX - minX, 200.0f);
  EXPECT_GT(maxY - minY, 100.0f);

  // All three views and an orbit; speed events; every enemy type and formation through the level (the
  // Rotate formation comes with its boss). Each boss comes after a script step (its warning), and no view
  // change (which clears every enemy) comes between it and its stop.
  const auto isBoss = [](const LevelEvent& e) {
    return e.kind == kEnemySpawn && e.a >= kPhantomId && e.a <= kPsychoFrontId;
  };
  std::set<int> views;
  std::vector<int> bosses;
  std::set<int> types, formations;
  int speeds = 0, spawns = 0, steps = 0, stepsBeforeBoss = 0;
  bool bossBeforeStop = false;
  for (const LevelEvent& e : g().levelEvents) {
    if (e.kind == kEnemySpawn) {
      ++spawns;
      if (!isBoss(e)) types.insert(e.a);
      formations.insert(e.b);
    }
    if (isBoss(e)) {
      bosses.push_back(e.a);
      EXPECT_GT(steps, stepsBeforeBoss) << "no script step before boss " << e.a;
      stepsBeforeBoss = steps;
      bossBeforeStop = true;
    }
    if (e.kind == kCameraView) {
      views.insert(e.a >= kViewOrbit ? kViewOrbit : e.a);
      EXPECT_FALSE(bossBeforeStop) << "a view change at " << e.c << ", " << e.d << " would clear the boss";
    }
    if (e.kind == kGameSpeed) ++speeds;
    if (e.kind == kGameSpeed && e.a == 0) bossBeforeStop = false;
    if (e.kind == kScriptStep) ++steps;
  }
  views.insert(mode == kModeChase ? kViewChase : mode == kModeSide ? kViewSide : kViewTop);
  EXPECT_EQ(views, (std::set<int>{kViewChase, kViewSide, kViewTop, kViewOrbit}));
  EXPECT_EQ(bosses, GetParam().bosses);
  EXPECT_EQ(types, (std::set<int>{0, 1, 2, 3, 4, 5, 10, 11, 12, 13}));
  for (int formation = 4; formation <= 21; ++formation) EXPECT_TRUE(formations.count(formation)) << formation;
  EXPECT_FALSE(bossBeforeStop) << "the last boss does not stop the rail";
  EXPECT_GE(speeds, 2);
  EXPECT_GE(spawns, 30);

  // The flight: every event and scenery group comes up.
  const size_t events = g().levelEvents.size();
  const int lastSegment = static_cast<int>(g().waypoints.size()) - 2;
  int index = 0;
  float progress = 0.0f;
  float speed = 50.0f;
  int boss = -1;
  size_t handedOut = 0;
  int frames = 0;
  constexpr float kFrameMs = 20.0f;
  while (frames < 5 * 60 * 50 && !(index == lastSegment && progress == 1.0f)) {
    LevelEvent e;
    while (g().NextEvent(index, progress, &e)) {
      ++handedOut;
      if (isBoss(e)) boss = e.a;
      if (e.kind == kGameSpeed) speed = static_cast<float>(e.a);
      // A stop for a boss: the flight goes on as after its death, at the speed the death sets.
      if (e.kind == kGameSpeed && e.a == 0) {
        speed = boss == kPhantomId || boss == kPsychoFrontId ? 5.0f : 50.0f;
      }
    }
    math::Vec3 point, side, up, forward;
    g().UpdatePath(&index, &progress, kFrameMs, speed, &point, &side, &up, &forward);
    ASSERT_TRUE(std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z));
    ++frames;
  }
  const float seconds = static_cast<float>(frames) * kFrameMs / 1000.0f;
  EXPECT_GE(seconds, 120.0f);
  EXPECT_LE(seconds, 240.0f);    // the boss stops included
  EXPECT_EQ(handedOut, events);  // none is keyed inside a corner or past its segment
  EXPECT_EQ(g().currentGroup, static_cast<int>(g().sceneryGroups.size()) - 1);
}

}  // namespace
