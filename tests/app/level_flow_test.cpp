// Level flow and the play views' controls, on the headless backend with the built first level.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <utility>

#include "app/game_state.h"
#include "game/player.h"
#include "game/projectile.h"
#include "graphics/graphics.h"
#include "graphics/graphics_test_support.h"
#include "graphics/level_event.h"
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

// A small object placed on the ship that counts the hits it is told of; with contact damage it hurts the
// ship as an enemy shot does.
struct ShipToucher : Projectile {
  ShipToucher(const Player& ship, int contactDamage, int* hits) : hits(hits) {
    LoadModel("bullet", false);
    SetDamage(contactDamage);
    SetPosition(ship.position.x, ship.position.y, ship.position.z);
  }
  void OnCollision(Entity*, int) override { ++*hits; }
  int* hits;
};

// Game seconds from now until the state leaves the level-start state, frame by frame, up to a limit.
float SecondsInLevelStart(EngineHarness& h, float frameSeconds, float limit) {
  float seconds = 0.0f;
  while (h.state() == kLevelStart && seconds < limit) {
    h.Step();
    seconds += frameSeconds;
  }
  return seconds;
}

// What is put in a game file's place: a pipe no one writes to, a folder, a gigabyte of nothing (a hole).
enum class Trap { None, Pipe, Folder, Huge };

// Plays into the first level, from a scratch game folder with `trap` in place of `file`, on a thread of its
// own; false when that takes over half a minute (a game waiting on the pipe is then set free by a writer
// that opens and closes it). Also what the game said, its state and how far the peak memory rose, in MiB.
bool PlayWithTrap(const char* file, Trap trap, std::string& said, int& state, long& peakGrowth) {
  gfxtest::ScratchGameFolder folder;
  const std::filesystem::path path = folder.Root() / file;
  if (trap != Trap::None) std::filesystem::remove(path);
  if (trap == Trap::Pipe) ::mkfifo(path.c_str(), 0600);
  if (trap == Trap::Folder) std::filesystem::create_directory(path);
  if (trap == Trap::Huge) {
    std::ofstream(path).close();
    std::filesystem::resize_file(path, uintmax_t{1} << 30);
  }
  rusage before{}, after{};
  ::getrusage(RUSAGE_SELF, &before);
  std::future<void> done = std::async(std::launch::async, [&] {
    testing::internal::CaptureStderr();
    EngineHarness h(20, folder.Root());
    for (int i = 0; i < 3; ++i) h.Tap(key::Enter);  // the splashes, then a new game
    h.Frames(50);
    state = h.state();
    said = testing::internal::GetCapturedStderr();
  });
  const bool prompt = done.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer >= 0) ::close(writer);
  }
  ::getrusage(RUSAGE_SELF, &after);
  peakGrowth = (after.ru_maxrss - before.ru_maxrss) / 1024;
  return prompt;
}

TEST(LevelFlow, ScriptNameDropsTheLastFourCharacters) {
  const std::pair<const char*, const char*> rows[] = {
      {"l1z1.kvl", "l1z1"}, {"x.y\\lvl", "x.y"}, {"level.k", "lev"}, {"abcd", ""}, {"ab", ""}, {"", ""}};
  for (const auto& [level, base] : rows) {
    EXPECT_EQ(Engine::ScriptFileName(level), std::string("Assets\\Levels\\") + base + "Events.txt") << level;
  }
}

TEST(LevelFlow, AGameLoadsTheFirstLevelWithAFreshShipThatAClearRemoves) {
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

  h.engine().ClearLevel();
  EXPECT_TRUE(h.engine().players.empty());
  EXPECT_TRUE(h.graphics().titleMode);
}

TEST(LevelFlow, AReloadKeepsTheShipsWeaponsAndANewGameStartsWithTheDefaults) {
  EngineHarness h;
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  p->SetWeaponCode(3);
  p->SetWeaponLevel(2);
  p->SetPrimaryLevel(3);
  ASSERT_TRUE(h.engine().LoadLevel("l1z1.kvl"));
  ASSERT_EQ(h.engine().players.size(), 1u);
  p = h.engine().players[0];
  EXPECT_EQ(p->GetWeaponCode(), 3);
  EXPECT_EQ(p->GetWeaponLevel(), 2);
  EXPECT_EQ(p->GetPrimaryLevel(), 3);

  h.Tap(key::Escape);  // the game ends: no ship is left to hand its weapons on
  h.Tap(key::Enter);
  ASSERT_EQ(h.state(), kTopView);
  p = h.engine().players[0];
  EXPECT_EQ(p->GetWeaponCode(), 1);
  EXPECT_EQ(p->GetWeaponLevel(), 0);
  EXPECT_EQ(p->GetPrimaryLevel(), 1);
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
    EXPECT_EQ(h.state(), kMainMenu);
    EXPECT_TRUE(h.engine().players.empty());
    bool named = false;
    for (const std::string& box : h.services.MessageBoxes()) named |= box.find(file) != std::string::npos;
    EXPECT_TRUE(named);
    h.Frames(3);  // the menu runs on without a track
    EXPECT_EQ(h.state(), kMainMenu);
  }
}

TEST(LevelFlow, AGameFileThatWouldBlockOrIsHugeIsRefusedAtOnceNamedAndTheGameGoesOn) {
  const struct {
    const char* file;  // below the game folder
    Trap trap;
    const char* said;
  } cases[] = {
      {"", Trap::None, ""},  // first, to set the peak memory of an untouched game
      {"Assets/Sounds/Intro.mp3", Trap::Pipe, "Intro.mp3: cannot open the sound: a pipe, not a regular file"},
      {"Assets/Sounds/Enter.wav", Trap::Pipe, "Enter.wav: cannot load the sound: a pipe, not a regular file"},
      {"Assets/Levels/l1z1Events.txt", Trap::Pipe, "l1z1Events.txt: cannot read the file: a pipe, not a"},
      {"Assets/Levels/l1z1Events.txt", Trap::Folder, "l1z1Events.txt: cannot read the file: a folder, not"},
      {"Assets/Levels/l1z1Events.txt", Trap::Huge,
       "l1z1Events.txt: cannot read the file: larger than 4194304"},
      {"Assets/Art/KV01.mdl", Trap::Huge, "KV01.mdl: cannot be opened: larger than 1048576 bytes"},
      {"Assets/Art/Sky.dds", Trap::Huge, "Sky.dds\": larger than 67108864 bytes"},
      {"Assets/Art/Ret.X", Trap::Huge, "Ret.X: larger than 16777216 bytes"},
      {"Assets/Enemies/ai_types.txt", Trap::Huge, "ai_types.txt cannot be opened (larger than 1048576 bytes"},
      {"Assets/Levels/l1z1.kvl", Trap::Huge, "l1z1.kvl cannot be opened: larger than 4194304 bytes"},
      {"HighScores.txt", Trap::Huge, "HighScores.txt: cannot read the file: larger than 1048576 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file + std::string(" ") + std::to_string(static_cast<int>(c.trap)));
    std::string said;
    int state = 0;
    long peakGrowth = 0;
    EXPECT_TRUE(PlayWithTrap(c.file, c.trap, said, state, peakGrowth));
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    // Without its level the game goes back to the menu.
    EXPECT_EQ(state, std::string(c.file) == "Assets/Levels/l1z1.kvl" ? kMainMenu : kTopView);
    EXPECT_TRUE(c.trap == Trap::None || peakGrowth < 128) << peakGrowth << " MiB";
  }
}

TEST(LevelFlow, EventsDueTogetherAreDispatchedInOrderAndTheSpeedHoldsUntilTheSpeedKey) {
  EngineHarness h;
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  h.graphics().AddEvent(kGameSpeed, 120, 0, p->railSegment, p->railProgress, 0, 0, 0);
  h.graphics().AddEvent(kGameSpeed, 80, 0, p->railSegment, p->railProgress, 0, 0, 0);
  h.Step();
  EXPECT_EQ(g_gameSpeed, 80.0f);
  h.Frames(3);
  EXPECT_EQ(g_gameSpeed, 80.0f);
  h.Tap(key::NumpadPlus);
  EXPECT_EQ(g_gameSpeed, 50.0f);
}

TEST(LevelFlow, CameraEventsTurnTheViewThroughTheLevelStartStateAndEnterTheViewOfTheCameraMode) {
  EngineHarness h(50);
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  const Camera& camera = h.graphics().camera;
  // From the top view: the view asked for, the play state and camera mode it ends in, and how long the
  // turn takes (a view outside 0 to 2 orbits the ship once and keeps the mode).
  const struct {
    int view, state, mode;
    float seconds;
  } steps[] = {{2, kTopView, 5, 2.0f},
               {3, kTopView, 5, 10.0f},
               {0, kRailView, 7, 2.0f},
               {-1, kRailView, 7, 10.0f},
               {1, kSideView, 6, 2.0f}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.view);
    ASSERT_TRUE(h.graphics().AddEvent(kCameraView, step.view, 0, p->railSegment, p->railProgress, 0, 0, 0));
    h.Step();
    ASSERT_EQ(h.state(), kLevelStart);
    EXPECT_TRUE(camera.InTransition());
    // The turn ends in a frame; the event it raises changes the state in the next.
    EXPECT_NEAR(SecondsInLevelStart(h, 0.05f, 12.0f), step.seconds + 0.05f, 0.06f);
    EXPECT_EQ(h.state(), step.state);
    EXPECT_EQ(camera.GetMode(), step.mode);
    EXPECT_FALSE(camera.InTransition());
  }
}

TEST(LevelFlow, TheShipMeetsEnemySideObjectsInEveryFrameEvenPausedOrInTheConsole) {
  EngineHarness h;
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  g_gameSpeed = 0.0f;  // the ship stays where the objects are
  int enemySideHits = 0, ownShotHits = 0;
  h.engine().enemyObjects.push_back(new ShipToucher(*p, 0, &enemySideHits));
  h.engine().objects.push_back(new ShipToucher(*p, 0, &ownShotHits));
  h.Frames(3);
  EXPECT_EQ(enemySideHits, 3);

  h.services.PushEvent({plat::EventKind::FocusLost});
  h.Step();
  ASSERT_EQ(h.state(), kPaused);
  h.Frames(3);
  EXPECT_EQ(enemySideHits, 7);

  h.services.PushEvent({plat::EventKind::FocusGained});
  h.Step();
  h.Tap(key::Grave);
  ASSERT_EQ(h.state(), kConsole);
  h.Frames(3);
  EXPECT_EQ(enemySideHits, 13);
  EXPECT_EQ(ownShotHits, 0);  // the ship never meets its own shots
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
  EXPECT_EQ(h.state(), kGameOver);
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

  h.engine().SetState(kSideView);
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
  h.engine().SetState(kRailView);
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
  h.engine().SetState(kRailView);
  h.Frames(60);  // past the dash cool-down
  h.Tap(key::Right);
  h.Frames(5);  // 100 ms and more after the release: too slow
  h.services.SetKey(key::Right, true);
  h.Step();
  EXPECT_FALSE(p->IsDashing());
  h.services.ReleaseAllKeys();

  h.engine().SetState(kSideView);
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

TEST(PlayControls, ADeadShipStillAnswersEscapeAndGraveButNotTheFlightKeys) {
  EngineHarness h;
  Player* p = StartGame(h);
  ASSERT_NE(p, nullptr);
  h.engine().SetState(kRailView);
  h.Frames(60);  // past the dash cool-down
  // The last point of health taken by an enemy shot.
  p->SetHealth(1);
  int hits = 0;
  h.engine().enemyObjects.push_back(new ShipToucher(*p, 1, &hits));
  h.Step();
  ASSERT_EQ(hits, 1);
  ASSERT_FALSE(p->IsAlive());

  p->velocity = {};
  h.services.SetKey(key::Up, true);
  h.services.SetKey(key::Q, true);
  h.Frames(3);
  h.services.ReleaseAllKeys();
  EXPECT_EQ(p->velocity.y, 0.0f);
  EXPECT_FALSE(p->IsDashing());
  ASSERT_FALSE(p->IsAlive());

  h.Tap(key::Grave);
  EXPECT_EQ(h.state(), kConsole);
  h.Tap(key::Grave);
  EXPECT_EQ(h.state(), kRailView);
  h.Tap(key::Escape);
  EXPECT_EQ(h.state(), kMainMenu);
  EXPECT_TRUE(h.engine().players.empty());
}

}  // namespace
