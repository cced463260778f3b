// Level flow and the play views' controls, on the headless backend with the built first level.
#include <gtest/gtest.h>

#include <fstream>

#include "game/player.h"
#include "game/projectile.h"
#include "graphics/graphics.h"
#include "graphics/graphics_test_support.h"
#include "harness/engine_harness.h"
#include "harness/play_support.h"
#include "platform/keyboard.h"

namespace {

namespace key = plat::key;

// Enters the first level from the first splash; returns its ship.
Player* StartGame(EngineHarness& h) {
  EnterPlay(h);
  return h.engine().players.size() == 1 ? h.engine().players[0] : nullptr;
}

// An object that counts its updates.
struct CountingShot : Projectile {
  explicit CountingShot(int* updates) : updates(updates) {}
  void Update(bool) override { ++*updates; }
  int* updates;
};

TEST(LevelFlow, ScriptNameDropsOnlyARealExtension) {
  EXPECT_EQ(Engine::ScriptFileName("l1z1.kvl"), "Assets\\Levels\\l1z1Events.txt");
  EXPECT_EQ(Engine::ScriptFileName("ab"), "Assets\\Levels\\abEvents.txt");
  EXPECT_EQ(Engine::ScriptFileName("x.y\\lvl"), "Assets\\Levels\\x.y\\lvlEvents.txt");
}

TEST(LevelFlow, AGameLoadsTheFirstLevelWithAFreshShipThatAReloadKeepsAndAClearRemoves) {
  EngineHarness h;
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetWeaponCode(), 1);
  EXPECT_EQ(p->GetWeaponLevel(), 0);
  EXPECT_EQ(p->GetPrimaryLevel(), 1);
  EXPECT_EQ(h.engine().scriptFile, "Assets\\Levels\\l1z1Events.txt");
  EXPECT_FALSE(h.graphics().titleMode);
  EXPECT_NE(h.graphics().innerSkybox, nullptr);
  EXPECT_GE(h.graphics().waypoints.size(), 2u);

  // The ship moves along the rail with the game speed.
  const int segment = p->railSegment;
  const float progress = p->railProgress;
  h.Frames(10);
  EXPECT_TRUE(p->railSegment > segment || p->railProgress > progress);

  p->SetWeaponCode(3);
  p->SetPrimaryLevel(2);
  ASSERT_TRUE(h.engine().LoadLevel("l1z1.kvl"));
  EXPECT_EQ(h.engine().players[0]->GetWeaponCode(), 3);
  EXPECT_EQ(h.engine().players[0]->GetPrimaryLevel(), 2);
  h.engine().ClearLevel();
  EXPECT_TRUE(h.engine().players.empty());
  EXPECT_TRUE(h.graphics().titleMode);
}

TEST(LevelFlow, ALevelThatCannotBeLoadedOrPlayedReturnsToTheMenu) {
  gfxtest::ScratchGameFolder folder;
  {
    std::ofstream out(folder.Root() / "Assets" / "Levels" / "onepoint.kvl");
    out << "Waypoint\n0 0 0\nEnd\n";  // read to its end, but a track needs two waypoints
  }
  for (const char* file : {"nosuchlevel.kvl", "onepoint.kvl"}) {
    SCOPED_TRACE(file);
    EngineHarness h(20, folder.Root());
    ASSERT_NE(StartGame(h), nullptr);
    EXPECT_FALSE(h.engine().LoadLevel(file));
    EXPECT_EQ(h.state(), 6);
    EXPECT_TRUE(h.engine().players.empty());
    bool named = false;
    for (const std::string& box : h.services.MessageBoxes()) named |= box.find(file) != std::string::npos;
    EXPECT_TRUE(named);
    h.Frames(3);  // the menu runs on without a track
    EXPECT_EQ(h.state(), 6);
  }
}

TEST(LevelFlow, EventsDueTogetherAreDispatchedInOrderAndTheSpeedHoldsUntilTheSpeedKey) {
  EngineHarness h;
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  h.graphics().AddEvent(3, 120, 0, p->railSegment, p->railProgress, 0, 0, 0);
  h.graphics().AddEvent(3, 80, 0, p->railSegment, p->railProgress, 0, 0, 0);
  h.Step();
  EXPECT_EQ(g_gameSpeed, 80.0f);
  h.Frames(3);
  EXPECT_EQ(g_gameSpeed, 80.0f);
  h.Tap(key::NumpadPlus);
  EXPECT_EQ(g_gameSpeed, 50.0f);
}

TEST(LevelFlow, AnObjectAddedInAFrameIsFirstUpdatedInTheNext) {
  EngineHarness h;
  ASSERT_NE(StartGame(h), nullptr);
  int updates = 0;
  h.engine().AddObject(new CountingShot(&updates));
  h.Step();
  EXPECT_EQ(updates, 0);
  ASSERT_EQ(h.engine().objects.size(), 1u);
  h.Step();
  EXPECT_EQ(updates, 1);
}

TEST(LevelFlow, LosingTheLastLifeEndsTheGame) {
  EngineHarness h;
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  p->SetLives(-1);
  h.Step();
  EXPECT_EQ(h.state(), 18);
  EXPECT_EQ(p->GetLives(), 0);
}

TEST(PlayControls, UpDrivesForwardInTheTopViewAndRightInTheSideView) {
  EngineHarness h;
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  h.services.SetKey(key::Up, true);
  h.Frames(5);
  EXPECT_GT(p->velocity.z, 0.0f);
  h.services.ReleaseAllKeys();

  h.engine().SetState(14);
  p->velocity = {};
  h.services.SetKey(key::Right, true);
  h.Frames(5);
  EXPECT_GT(p->velocity.z, 0.0f);
  EXPECT_EQ(p->velocity.y, 0.0f);
}

TEST(PlayControls, BothKeysOfAnAxisAccelerateBothWaysAndSkipTheBrake) {
  EngineHarness h(20);
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  h.engine().SetState(15);
  p->velocity = {0.0f, 5.0f, 0.0f};
  h.services.SetKey(key::Up, true);
  h.services.SetKey(key::Down, true);
  h.Step();
  // Down pushes against the motion (three steps of 40 a second), then up with it (one step); no brake.
  EXPECT_NEAR(p->velocity.y, 5.0f - 3 * 40 * 0.02f + 40 * 0.02f, 1e-4f);
}

TEST(PlayControls, ADoubleTapDashesOnlyWithTheViewsDashKeysAndWithin100Ms) {
  EngineHarness h(20);
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  h.engine().SetState(15);
  h.Frames(60);  // past the dash cool-down
  h.Tap(key::Right);
  h.Frames(5);  // 100 ms and more after the release: too slow
  h.services.SetKey(key::Right, true);
  h.Step();
  EXPECT_FALSE(p->IsDashing());
  h.services.ReleaseAllKeys();

  h.engine().SetState(14);
  h.Frames(60);
  h.Tap(key::Left);
  h.services.SetKey(key::Left, true);
  h.Step();
  EXPECT_FALSE(p->IsDashing());  // left does not dash in the side view
  h.services.ReleaseAllKeys();
  h.Step();
  h.Tap(key::Up);
  h.services.SetKey(key::Up, true);
  h.Step();
  EXPECT_TRUE(p->IsDashing());
}

TEST(PlayControls, ADeadShipStillAnswersEscape) {
  EngineHarness h;
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  p->SetHealth(0);
  h.Tap(key::Escape);
  EXPECT_EQ(h.state(), 6);
  EXPECT_TRUE(h.engine().players.empty());
}

}  // namespace
