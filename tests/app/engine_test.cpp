// The engine on the headless backend: states, splash clocks, pause and console, speed key, fps, score digits.
#include <gtest/gtest.h>

#include <array>

#include "app/game_state.h"
#include "game/projectile.h"
#include "harness/engine_harness.h"
#include "harness/play_support.h"
#include "math/random.h"
#include "platform/keyboard.h"

namespace {

namespace key = plat::key;

// Runs frames until the state changes or the limit is reached; returns the frames run.
int FramesUntilStateChanges(EngineHarness& h, int limit) {
  const int start = h.state();
  for (int i = 1; i <= limit; ++i) {
    h.Step();
    if (h.state() != start) return i;
  }
  return -1;
}

void Focus(EngineHarness& h, plat::EventKind kind) {
  h.services.PushEvent({kind});
  h.Step();
}

TEST(EngineStates, EachSplashLastsFiveSecondsOfGameTime) {
  EngineHarness h(20);
  EXPECT_EQ(h.state(), kFirstSplash);
  EXPECT_EQ(h.previousState(), 0);
  EXPECT_EQ(g_engine, &h.engine());
  EXPECT_NE(h.engine().input, nullptr);
  // 5000 ms at 20 ms a frame: the 250th frame reaches the limit.
  EXPECT_EQ(FramesUntilStateChanges(h, 1000), 250);
  EXPECT_EQ(h.state(), kSecondSplash);
  EXPECT_EQ(FramesUntilStateChanges(h, 1000), 250);
  EXPECT_EQ(h.state(), kMainMenu);
  EXPECT_EQ(h.previousState(), kSecondSplash);
  h.engine().SetState(kMainMenu);  // entering the current state again records it
  EXPECT_EQ(h.previousState(), kMainMenu);
}

TEST(EngineStates, SplashClockCountsClampedGameTimeNotWallTime) {
  EngineHarness h(250);  // every frame is clamped to 100 ms
  EXPECT_EQ(FramesUntilStateChanges(h, 1000), 50);
}

TEST(EngineStates, EnterSkipsEachSplash) {
  EngineHarness h;
  h.services.SetKey(key::Enter, true);
  h.Step();
  EXPECT_EQ(h.state(), kSecondSplash);
  h.Step();  // still held: not pressed again
  EXPECT_EQ(h.state(), kSecondSplash);
  h.services.SetKey(key::Enter, false);
  h.Step();
  h.services.SetKey(key::Enter, true);
  h.Step();
  EXPECT_EQ(h.state(), kMainMenu);
}

TEST(EngineStates, MenuStartPlaysAndEscapeClearsTheLevelBackToTheMenu) {
  EngineHarness h;
  EnterPlay(h);
  EXPECT_EQ(h.previousState(), kGameStart);
  h.engine().score = 1234;
  h.engine().objects.push_back(new Projectile);
  h.Tap(key::Escape);
  EXPECT_EQ(h.state(), kMainMenu);
  EXPECT_EQ(h.engine().score, 0);
  EXPECT_TRUE(h.engine().objects.empty());
}

TEST(EngineFocus, LosingAndRegainingTheFocusPausesWithoutAKeyboardAndResumes) {
  EngineHarness h;
  EnterPlay(h);
  const int opened = h.services.KeyboardsOpened();
  Focus(h, plat::EventKind::FocusLost);
  EXPECT_EQ(h.state(), kPaused);
  EXPECT_EQ(h.previousState(), kTopView);
  EXPECT_EQ(h.engine().input, nullptr);
  Focus(h, plat::EventKind::FocusLost);  // a second loss keeps the pause's return state
  EXPECT_EQ(h.state(), kPaused);

  // No keyboard while paused: nothing answers the keys.
  h.services.SetKey(key::Pause, true);
  h.services.SetKey(key::NumpadPlus, true);
  h.Frames(3);
  EXPECT_EQ(h.state(), kPaused);
  EXPECT_EQ(g_gameSpeed, 50.0f);
  h.services.ReleaseAllKeys();

  h.services.SetKey(key::Grave, true);
  Focus(h, plat::EventKind::FocusGained);
  EXPECT_EQ(h.state(), kTopView);
  EXPECT_EQ(h.previousState(), kPaused);
  ASSERT_NE(h.engine().input, nullptr);
  EXPECT_EQ(h.services.KeyboardsOpened(), opened + 1);
  EXPECT_EQ(h.services.OpenKeyboardCount(), 1);
  h.Step();  // the fresh keyboard sees the held grave as newly pressed
  EXPECT_EQ(h.state(), kConsole);
}

TEST(EngineFocus, FocusGainWithoutAPriorLossRestoresNothing) {
  EngineHarness h;
  Focus(h, plat::EventKind::FocusGained);
  EXPECT_EQ(h.state(), kFirstSplash);  // not state 0, which would freeze the game
  h.Step();
  EXPECT_EQ(h.state(), kFirstSplash);
}

TEST(EngineFocus, EventsBeforeTheEngineExistsDoNothing) {
  EngineHarness::ResetGlobals();
  HandleWindowEvent({plat::EventKind::FocusLost});
  HandleWindowEvent({plat::EventKind::FocusGained});
  EXPECT_EQ(g_engine, nullptr);
  EXPECT_EQ(g_mainEngine, nullptr);
}

TEST(EngineFocus, LosingTheFocusInTheConsoleReturnsToTheConsole) {
  EngineHarness h;
  EnterPlay(h);
  h.Tap(key::Grave);
  ASSERT_EQ(h.state(), kConsole);
  EXPECT_EQ(h.previousState(), kTopView);
  Focus(h, plat::EventKind::FocusLost);
  EXPECT_EQ(h.state(), kPaused);
  EXPECT_EQ(h.previousState(), kConsole);
  Focus(h, plat::EventKind::FocusGained);
  EXPECT_EQ(h.state(), kConsole);
  EXPECT_EQ(h.previousState(), kPaused);
  // Closing the console now resumes play instead of bouncing into the pause.
  h.Tap(key::Grave);
  EXPECT_EQ(h.state(), kTopView);
  h.Tap(key::Grave);
  EXPECT_EQ(h.state(), kConsole);
  h.Tap(key::Grave);
  EXPECT_EQ(h.state(), kTopView);
  EXPECT_EQ(h.previousState(), kConsole);
}

TEST(EngineLoop, QuitStillGetsOneMoreFrameAndEventsDrainOnePerFrame) {
  EngineHarness h;
  h.services.PushEvent({plat::EventKind::FocusLost});
  h.services.PushEvent({plat::EventKind::FocusGained});
  h.services.PostQuit(7);
  EXPECT_TRUE(h.Step());
  EXPECT_EQ(h.state(), kPaused);
  EXPECT_TRUE(h.Step());
  EXPECT_EQ(h.state(), kFirstSplash);
  EXPECT_FALSE(h.Step());
  EXPECT_EQ(h.services.PendingEvents(), 0u);
}

TEST(EngineLoop, RunGameReturnsTheQuitCodeAndRefusesASecondEngine) {
  EngineHarness::ResetGlobals();
  {
    LinkedGameFolder folder(EngineHarness::GameFolder() / "Assets");  // the high scores are written at exit
    plat::HeadlessServices services(folder.Root());
    services.PostQuit(3);
    EXPECT_EQ(RunGame(services), 3);
    EXPECT_EQ(g_mainEngine, nullptr);
  }
  // A second engine while one exists: the message is shown and the program ends non-zero.
  EngineHarness h;
  plat::HeadlessServices other;
  EXPECT_EQ(RunGame(other), 1);
  ASSERT_EQ(other.MessageBoxes().size(), 1u);
  EXPECT_NE(other.MessageBoxes()[0].find("Two instances of Engine Class found"), std::string::npos);
  EXPECT_EQ(g_engine, &h.engine());
}

TEST(EngineFrame, SpeedKeyRunsTheRailFastWhileHeld) {
  EngineHarness h;
  h.services.SetKey(key::NumpadPlus, true);
  h.Step();
  EXPECT_EQ(g_gameSpeed, 500.0f);
  g_gameSpeed = 120.0f;  // as a level event would
  h.Step();
  EXPECT_EQ(g_gameSpeed, 120.0f);
  h.services.SetKey(key::NumpadPlus, false);
  h.Step();
  EXPECT_EQ(g_gameSpeed, 50.0f);
}

TEST(EngineFrame, FpsIsFramesTimesFourAtEachRefresh) {
  EngineHarness h(100);
  h.Frames(2);
  EXPECT_EQ(h.engine().fps, 0);
  h.Step();  // 300 ms counted over three frames
  EXPECT_EQ(h.engine().fps, 12);
  EXPECT_EQ(h.engine().fpsMs, 0);
  EXPECT_EQ(h.engine().frameCount, 0);
  h.SetFrameMs(10);
  h.Frames(24);
  EXPECT_EQ(h.engine().fps, 12);
  h.Step();  // the 25th frame reaches 250 ms
  EXPECT_EQ(h.engine().fps, 100);
}

TEST(EngineFrame, PurgeDeletesDeadObjectsAndAppendsPendingOnes) {
  EngineHarness h;
  Engine& e = h.engine();
  auto* a = new Projectile;
  auto* b = new Projectile;
  auto* c = new Projectile;
  e.objects = {a, b, c};
  b->dead = true;
  auto* later = new Projectile;
  e.AddObject(later);
  h.Step();
  EXPECT_EQ(e.objects, (std::vector<Projectile*>{a, c, later}));
  EXPECT_TRUE(e.pendingObjects.empty());
}

TEST(EngineScore, DigitsRunFromOnesToMillionsAndShowTheLowestSeven) {
  auto cell = [](int d) { return DigitRect{d * 20, 40, d * 20 + 20, 0}; };
  const auto zero = Engine::ScoreDigitRects(0);
  EXPECT_EQ(zero[0], cell(0));
  for (int k = 1; k < 7; ++k) EXPECT_EQ(zero[k], cell(10)) << k;  // blank cell
  const auto big = Engine::ScoreDigitRects(12345678);
  const int expected[7] = {8, 7, 6, 5, 4, 3, 2};
  for (int k = 0; k < 7; ++k) EXPECT_EQ(big[k], cell(expected[k])) << k;
  const auto negative = Engine::ScoreDigitRects(-5);  // no bogus cell
  EXPECT_EQ(negative[0], cell(5));
  EXPECT_EQ(negative[1], cell(10));
  EXPECT_FLOAT_EQ(Engine::ScoreDigitX(0), 0.97f);
  EXPECT_FLOAT_EQ(Engine::ScoreDigitX(6), 0.82f);
}

TEST(EngineScore, DisplayFollowsTheScoreInTheSameFrame) {
  EngineHarness h;
  h.engine().AddScore(40);
  h.engine().AddScore(2);
  h.Step();
  EXPECT_EQ(h.engine().score, 42);
  EXPECT_EQ(h.engine().scoreDigitRects[0], (DigitRect{40, 40, 60, 0}));
  EXPECT_EQ(h.engine().scoreDigitRects[1], (DigitRect{80, 40, 100, 0}));
}

TEST(EngineShutdown, ListedObjectsAreDeletedWithTheEngine) {
  // Run under AddressSanitizer, a leak here fails the suite.
  EngineHarness h;
  EnterPlay(h);
  h.engine().objects.push_back(new Projectile);
  h.engine().enemyObjects.push_back(new Projectile);
  h.engine().AddObject(new Projectile);
}

// The generator is seeded from the clock's seconds when the engine is made, so a run on a scripted clock
// repeats itself even where the title scene's particles draw on it at every frame time.
TEST(EngineSeed, TheClocksSecondsSeedTheGeneratorSoARunRepeatsAtAnyFrameTime) {
  auto drawsAfterTitleScene = [](int64_t unixTime) {
    EngineHarness h(40, EngineHarness::GameFolder(), unixTime);
    h.Frames(150);
    return std::array<int, 3>{math::Random(), math::Random(), math::Random()};
  };
  const auto first = drawsAfterTitleScene(5);
  EXPECT_EQ(drawsAfterTitleScene(5), first);
  EXPECT_NE(drawsAfterTitleScene(6), first);
}

}  // namespace
