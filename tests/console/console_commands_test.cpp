// The console commands in the headless engine, opened from play: what each prints and what it changes.
#include <gtest/gtest.h>

#include "app/game_state.h"
#include "console/console.h"
#include "console_test_support.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "game/powerup.h"
#include "graphics/graphics.h"
#include "graphics/sprite.h"
#include "harness/engine_harness.h"
#include "harness/play_support.h"
#include "platform/keyboard.h"

namespace {

using Lines = std::vector<std::string>;

// In play with the console open.
struct ConsoleInPlay : ::testing::Test {
  EngineHarness h;
  void SetUp() override {
    EnterPlay(h);
    h.Tap(plat::key::Grave);
    ASSERT_EQ(h.state(), kConsole);
  }
  Lines Cmd(const std::string& line) { return Printed(h.engine().console, line); }
  Player& Ship() { return *h.engine().players.at(0); }
  uint32_t Fill() { return h.graphics().device->GetRenderState(plat::gpu::RenderState::FillMode); }
};

TEST_F(ConsoleInPlay, ListingsAndUsages) {
  const struct {
    const char* line;
    Lines printed;
  } rows[] = {
      {"help()",
       {"Listing of all functions:", "quit", "wireframe", "cw", "loadlevel", "variables", "help", "ss", "sp",
        "pos", "collision", "cinematic", "lockpoints", "addhelper", "watch", "unwatch", "godmode", ""}},
      {"variables(any)", {"Listing of all variables:", "track", "ecount", "fps", "score", "speed", ""}},
      {"cw(1)", {"Incorrect Usage: chageweapon(TYPE = 1...5, RANK = 1...3)"}},
      {"loadlevel()", {"Incorrect Usage: loadlevel(FILENAME)"}},
      {"ss(1,2)", {"Incorrect Usage: ss(POSITION, ENEMYID, BEHAVIORID)"}},
      {"sp(100)", {"Incorrect Usage: sp(POSITION, TYPE)"}},
      {"watch()", {"Usage: watch(<NAME OF VARIABLE>)"}},
      {"unwatch(a,b)", {"Usage: unwatch(<NAME OF VARIABLE>)"}},
      {"watch(Fps)", {"Variable not found"}},
      {"unwatch(score)", {}},
      {"watch(fps)", {"Watching Variable"}},
      {"collision()", {}},
      {"lockpoints()", {}},
      {"addhelper()", {"Added a Helper"}},
      {"help", {"Variable \"help\" not found."}},
  };
  for (const auto& row : rows) EXPECT_EQ(Cmd(row.line), row.printed) << row.line;
  EXPECT_EQ(h.engine().console.watches.size(), 1u);
  EXPECT_TRUE(h.graphics().showSpheres);
  EXPECT_TRUE(h.graphics().showLockPoints);
  EXPECT_FALSE(h.graphics().showWaypoints);
  EXPECT_EQ(Cmd("track = 1"), Lines{"track = True"});
  EXPECT_TRUE(h.graphics().showWaypoints);
  EXPECT_EQ(h.state(), kConsole);
}

TEST_F(ConsoleInPlay, TogglesAnswerWithTheNewState) {
  EXPECT_EQ(Fill(), static_cast<uint32_t>(plat::gpu::Fill::Solid));
  EXPECT_EQ(Cmd("wireframe()"), Lines{"Wireframe on"});
  h.Step();  // the frame draws: the composite and the sprites leave the scene's fill mode as they found it
  EXPECT_EQ(Fill(), static_cast<uint32_t>(plat::gpu::Fill::Wireframe));
  EXPECT_EQ(Cmd("wireframe()"), Lines{"Wireframe off"});
  EXPECT_EQ(Fill(), static_cast<uint32_t>(plat::gpu::Fill::Solid));

  EXPECT_EQ(Cmd("godmode()"), Lines{"God mode on."});
  EXPECT_TRUE(Ship().godmode);
  EXPECT_EQ(Cmd("godmode()"), Lines{"God mode off."});
  EXPECT_FALSE(Ship().godmode);

  for (int i = 0; i < 5; ++i) EXPECT_EQ(Cmd("addhelper()"), Lines{"Added a Helper"});
  EXPECT_EQ(Ship().GetHelperCount(), Player::kMaxHelpers);

  Ship().offset = math::Vec3{1.0f, -2.5f, 3.0f};
  EXPECT_EQ(Cmd("pos()"), (Lines{"x:1.000000", "y:-2.500000", "z:3.000000", ""}));
}

TEST_F(ConsoleInPlay, ChangeWeaponTakesOnlyCodesOneToFive) {
  const int start = Ship().GetWeaponLevel();
  const struct {
    const char* line;
    Lines printed;
    int code, level;
  } rows[] = {
      {"cw(7,2)", {}, kBeamGun, start},
      {"cw(0,2)", {}, kBeamGun, start},
      {"cw(-1,3)", {}, kBeamGun, start},
      {"cw(3,2)", {"Weapon Changed: Spread Shot"}, kSpreadShot, 2},
      {"cw(4,1)", {"Weapon Changed: Missles"}, kMissiles, 1},
      {"cw(2,3)", {"Weapon Changed: Ray Cannon"}, kRayCannon, 3},
      {"cw(5,1)", {"Weapon Changed: Railgun"}, kRailgun, 1},
      {"cw(9,1)", {}, kRailgun, 1},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Cmd(row.line), row.printed) << row.line;
    EXPECT_EQ(Ship().GetWeaponCode(), row.code) << row.line;
    EXPECT_EQ(Ship().GetWeaponLevel(), row.level) << row.line;
  }
  const int bombs = Ship().GetBombs();
  EXPECT_EQ(Cmd("cw(1,2)"), Lines{"Weapon Changed: Beam Gun"});
  EXPECT_EQ(Ship().GetBombs(), bombs + 1);  // the primary's pick-up: a level and a bomb
  EXPECT_EQ(Ship().GetPrimaryLevel(), 2);
}

TEST_F(ConsoleInPlay, SpawnsOnlyWhatTheTablesAndTypeWordsName) {
  EnemyManager& enemies = *h.engine().enemyManager;
  const int live = enemies.count;
  const size_t objects = h.engine().enemyObjects.size();
  const std::string invalid = "Invalid ids: ENEMYID must be 0 to " +
                              std::to_string(enemies.enemyTypes.size() - 1) + ", BEHAVIORID 0 to " +
                              std::to_string(enemies.behaviorTypes.size() - 1);
  for (const char* line : {"ss(100,99,0)", "ss(100,-1,0)", "ss(100,0,999)", "ss(100,0,-5)"}) {
    EXPECT_EQ(Cmd(line), Lines{invalid}) << line;
  }
  EXPECT_EQ(enemies.count, live);
  EXPECT_EQ(Cmd("ss(100,0,0)"), Lines{"Enemy Spawned"});
  EXPECT_EQ(enemies.count, live + 1);

  EXPECT_EQ(Cmd("sp(100,Beam)"), Lines{"Invalid type"});
  EXPECT_EQ(h.engine().enemyObjects.size(), objects);
  const struct {
    const char* word;
    int type;
  } words[] = {{"beam", 3}, {"health", 0},       {"bomb", 1},   {"spread", 4},
               {"rail", 5}, {"flamethrower", 6}, {"missile", 2}};
  for (const auto& w : words) {
    EXPECT_EQ(Cmd(std::string("sp(100,") + w.word + ")"), Lines{"Powerup Spawned"}) << w.word;
    auto* p = dynamic_cast<PowerUp*>(h.engine().enemyObjects.back());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->type, w.type) << w.word;
  }
  EXPECT_EQ(h.engine().enemyObjects.size(), objects + 7);
}

TEST_F(ConsoleInPlay, LoadLevelKeepsTheWeaponsAndClosesTheConsole) {
  Cmd("cw(3,2)");
  Ship().offset = math::Vec3{5.0f, 5.0f, 0.0f};
  EXPECT_EQ(Cmd("loadlevel(l1z1.kvl)"), Lines{"Level Loaded"});
  EXPECT_NE(h.state(), kConsole);
  EXPECT_EQ(Ship().offset.x, 0.0f);  // a fresh ship with the old weapons
  EXPECT_EQ(Ship().GetWeaponCode(), kSpreadShot);
  EXPECT_EQ(Ship().GetWeaponLevel(), 2);
  EXPECT_FALSE(h.engine().console.background->IsVisible());
  h.Tap(plat::key::Grave);
  ASSERT_EQ(h.state(), kConsole);
  EXPECT_EQ(h.engine().console.LineText(0), "Level Loaded");
}

TEST_F(ConsoleInPlay, LoadLevelRefusesAFileItCannotReadAndKeepsThePlay) {
  Player* ship = &Ship();
  const size_t waypoints = h.graphics().waypoints.size();
  const size_t boxes = h.services.MessageBoxes().size();
  const struct {
    const char* line;
    const char* printed;
  } rows[] = {
      {"loadlevel(nothere.kvl)", "Level \"nothere.kvl\" cannot be read."},
      {"loadlevel( )", "Level \"\" cannot be read."},  // the levels folder itself
      {"loadlevel(..)", "Level \"..\" cannot be read."},
      {"loadlevel(l1z)", "Level \"l1z\" cannot be read."},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Cmd(row.line), Lines{row.printed}) << row.line;
    EXPECT_EQ(h.state(), kConsole) << row.line;
    EXPECT_EQ(&Ship(), ship) << row.line;
  }
  EXPECT_EQ(h.graphics().waypoints.size(), waypoints);
  EXPECT_EQ(h.services.MessageBoxes().size(), boxes);
  h.Tap(plat::key::Grave);
  h.Frames(10);  // the level goes on
  EXPECT_EQ(h.state(), kTopView);
}

TEST_F(ConsoleInPlay, CinematicLeavesTheConsoleAndQuitEndsTheLoop) {
  EXPECT_EQ(Cmd("cinematic()"), Lines{});
  EXPECT_EQ(h.state(), kLevelStart);
  EXPECT_FALSE(h.engine().console.inputLabel->IsVisible());
  EXPECT_EQ(Cmd("quit()"), Lines{});
  EXPECT_FALSE(h.Step());  // one more frame runs, then the quit is taken
}

}  // namespace
