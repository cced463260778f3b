// The console commands in the headless engine, opened from play: what each prints and what it changes.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "app/game_state.h"
#include "console_test_support.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "game/powerup.h"
#include "graphics/graphics.h"
#include "graphics/sprite.h"
#include "harness/engine_harness.h"
#include "harness/play_support.h"
#include "platform/keyboard.h"

namespace {

struct ConsoleInPlay : ::testing::Test {
  EngineHarness h;
  void SetUp() override {
    EnterPlay(h);
    h.Tap(plat::key::Grave);
    ASSERT_EQ(h.state(), kConsole);
  }
  std::string Cmd(const std::string& line) { return Printed(h.engine().console, line); }
  Player& Ship() { return *h.engine().players.at(0); }
  static uint32_t Wireframe() { return static_cast<uint32_t>(plat::gpu::Fill::Wireframe); }
  uint32_t Fill() { return h.graphics().device->GetRenderState(plat::gpu::RenderState::FillMode); }
};

TEST_F(ConsoleInPlay, MessagesAndToggles) {
  // clang-format off
  const std::pair<const char*, const char*> rows[] = {
      {"help()", "Listing of all functions:\nquit\nwireframe\ncw\nloadlevel\nvariables\nhelp\nss\nsp\npos\n"
                 "collision\ncinematic\nlockpoints\naddhelper\nwatch\nunwatch\ngodmode\n"},
      {"variables(any)", "Listing of all variables:\ntrack\necount\nfps\nscore\nspeed\n"},
      {"cw(1)", "Incorrect Usage: chageweapon(TYPE = 1...5, RANK = 1...3)"},
      {"loadlevel()", "Incorrect Usage: loadlevel(FILENAME)"},
      {"ss(1,2)", "Incorrect Usage: ss(POSITION, ENEMYID, BEHAVIORID)"},
      {"sp(100)", "Incorrect Usage: sp(POSITION, TYPE)"}, {"watch()", "Usage: watch(<NAME OF VARIABLE>)"},
      {"unwatch(a,b)", "Usage: unwatch(<NAME OF VARIABLE>)"}, {"watch(Fps)", "Variable not found"},
      {"unwatch(score)", ""}, {"watch(fps)", "Watching Variable"}, {"collision()", ""}, {"lockpoints()", ""},
      {"godmode()", "God mode on."}, {"wireframe()", "Wireframe on"},
      {"pos(1)", "x:0.000000\ny:0.000000\nz:0.000000\n"}};
  // clang-format on
  for (const auto& [line, printed] : rows) EXPECT_EQ(Cmd(line), printed) << line;
  EXPECT_EQ(h.engine().console.watches.size(), 1u);
  EXPECT_TRUE(h.graphics().showSpheres && h.graphics().showLockPoints && Ship().godmode);
  h.graphics().straightforwardFrame = true;  // a frame through the composite
  h.Step();  // the scene draws in wireframe, the screen quads (sprites, text, composite) solid
  int wire = 0, solidScreen = 0, screen = 0;
  for (const auto& draw : h.log().PreviousDraws()) {
    const bool wireframe = draw.state.Get(plat::gpu::RenderState::FillMode) == Wireframe();
    const bool onScreen =
        draw.kind == plat::headless::DrawRecord::Kind::Draw && (draw.state.fvf & plat::gpu::fvf::XYZRHW);
    wire += wireframe;
    screen += onScreen;
    solidScreen += onScreen && !wireframe;
  }
  EXPECT_GT(wire, 0);
  EXPECT_GT(screen, 0);
  EXPECT_EQ(solidScreen, screen);
  EXPECT_EQ(Fill(), Wireframe());
  EXPECT_EQ(Cmd("wireframe()"), "Wireframe off");
  EXPECT_EQ(Fill(), static_cast<uint32_t>(plat::gpu::Fill::Solid));
  EXPECT_EQ(Cmd("godmode()"), "God mode off.");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Cmd("addhelper()"), "Added a Helper");
  EXPECT_EQ(Ship().GetHelperCount(), Player::kMaxHelpers);
  EXPECT_EQ(Cmd("cinematic()"), "");
  EXPECT_EQ(h.state(), kLevelStart);
  EXPECT_FALSE(h.engine().console.inputLabel->IsVisible());
  EXPECT_EQ(Cmd("quit()"), "");
  EXPECT_FALSE(h.Step());  // one more frame runs, then the quit is taken
}

TEST_F(ConsoleInPlay, ChangeWeaponTakesOnlyCodesOneToFive) {
  const int start = Ship().GetWeaponLevel();
  const struct {
    const char *line, *printed;
    int code, level;
  } rows[] = {// clang-format off
      {"cw(7,2)", "", kBeamGun, start}, {"cw(0,2)", "", kBeamGun, start}, {"cw(-1,3)", "", kBeamGun, start},
      {"cw(3,2)", "Weapon Changed: Spread Shot", kSpreadShot, 2},
      {"cw(4,1)", "Weapon Changed: Missles", kMissiles, 1},
      {"cw(2,3)", "Weapon Changed: Ray Cannon", kRayCannon, 3},
      {"cw(5,1)", "Weapon Changed: Railgun", kRailgun, 1}, {"cw(9,1)", "", kRailgun, 1},
      {"cw(1,2)", "Weapon Changed: Beam Gun", kRailgun, 2}};  // the primary gains a level
  // clang-format on
  for (const auto& row : rows) {
    EXPECT_EQ(Cmd(row.line), row.printed) << row.line;
    EXPECT_EQ(Ship().GetWeaponCode(), row.code) << row.line;
    EXPECT_EQ(Ship().GetWeaponLevel(), row.level) << row.line;
  }
  EXPECT_EQ(Ship().GetPrimaryLevel(), 2);
}

TEST_F(ConsoleInPlay, SpawnsOnlyWhatTheTablesAndTypeWordsName) {
  EnemyManager& enemies = *h.engine().enemyManager;
  const int live = enemies.count;
  const std::string invalid = "Invalid ids: ENEMYID must be 0 to " +
                              std::to_string(enemies.enemyTypes.size() - 1) + ", BEHAVIORID 0 to " +
                              std::to_string(enemies.behaviorTypes.size() - 1);
  for (const char* line : {"ss(100,99,0)", "ss(100,-1,0)", "ss(100,0,999)", "ss(100,0,-5)"}) {
    EXPECT_EQ(Cmd(line), invalid) << line;
  }
  EXPECT_EQ(enemies.count, live);
  EXPECT_EQ(Cmd("ss(100,0,0)"), "Enemy Spawned");
  EXPECT_EQ(enemies.count, live + 1);

  std::vector<Projectile*>& objects = h.engine().enemyObjects;
  const size_t before = objects.size();
  EXPECT_EQ(Cmd("sp(100,Beam)"), "Invalid type");
  const std::pair<const char*, int> words[] = {{"beam", 3}, {"health", 0},       {"bomb", 1},   {"spread", 4},
                                               {"rail", 5}, {"flamethrower", 6}, {"missile", 2}};
  for (const auto& [word, type] : words) {
    EXPECT_EQ(Cmd(std::string("sp(100,") + word + ")"), "Powerup Spawned") << word;
    auto* p = dynamic_cast<PowerUp*>(objects.back());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->type, type) << word;
  }
  EXPECT_EQ(objects.size(), before + 7);
}

TEST_F(ConsoleInPlay, CountersSetToAnEndOfIntStayThereWhenTheGameMovesThem) {
  EnemyManager& enemies = *h.engine().enemyManager;
  const auto newest = [&] { return enemies.GetGroups().back()->members.at(0); };
  // Lines typed, then what moves the counter past the end it was set to.
  const struct {
    std::vector<std::string> lines;
    std::function<void()> then;
    std::function<int()> counter;
    int stays;
  } rows[] = {
      {{"ss(100,0,0)", "score = 2147483647"},
       [&] { Enemy::Die(newest(), 0, 1000); },
       [&] { return h.engine().score; },
       INT_MAX},
      {{"score = -2147483648"},
       [&] { h.engine().AddScore(-100); },
       [&] { return h.engine().score; },
       INT_MIN},
      {{"ecount = 2147483647", "ss(100,0,0)"}, [] {}, [&] { return enemies.count; }, INT_MAX},
      {{"ss(100,0,0)", "ecount = -2147483648"},
       [&] { newest()->remove = true, enemies.Update(); },
       [&] { return enemies.count; },
       INT_MIN},
      {{"cw(3,2147483647)"},
       [&] { Ship().PickUpWeapon(kSpreadShot); },
       [&] { return Ship().GetWeaponLevel(); },
       INT_MAX},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.lines.back());
    for (const std::string& line : row.lines) Cmd(line);
    row.then();
    EXPECT_EQ(row.counter(), row.stays);
  }
}

TEST_F(ConsoleInPlay, LoadLevelRefusesWhatItCannotReadAndKeepsTheWeaponsOfWhatItLoads) {
  Cmd("cw(3,2)");
  Player* ship = &Ship();
  const size_t waypoints = h.graphics().waypoints.size(), boxes = h.services.MessageBoxes().size();
  for (const char* name : {"nothere.kvl", "", "..", "l1z"}) {  // "" and ".." name folders
    EXPECT_EQ(Cmd(std::string("loadlevel( ") + name + " )"),
              std::string("Level \"") + name + "\" cannot be read.");
    EXPECT_EQ(h.state(), kConsole);  // the same level, ship and scene go on
    EXPECT_EQ(&Ship(), ship);
  }
  EXPECT_EQ(h.graphics().waypoints.size(), waypoints);
  EXPECT_EQ(h.services.MessageBoxes().size(), boxes);

  Ship().offset = math::Vec3{5.0f, 5.0f, 0.0f};
  EXPECT_EQ(Cmd("loadlevel(l1z1.kvl)"), "Level Loaded");
  EXPECT_EQ(h.state(), kTopView);
  EXPECT_EQ(Ship().offset.x, 0.0f);  // a fresh ship with the old weapons
  EXPECT_EQ(std::pair(Ship().GetWeaponCode(), Ship().GetWeaponLevel()), std::pair(int(kSpreadShot), 2));
  EXPECT_FALSE(h.engine().console.background->IsVisible());
  h.Tap(plat::key::Grave);
  EXPECT_EQ(h.engine().console.LineText(0), "Level Loaded");
}

}  // namespace
