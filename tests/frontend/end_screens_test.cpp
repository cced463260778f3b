// The screens that end a game, on the headless engine: name entry by typed keys, Continue into the current
// zone and Quit, and a whole run from the first splash to a name on the high-score screen read again by a
// second run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/game_state.h"
#include "frontend/high_scores.h"
#include "frontend/hud.h"
#include "frontend/menu.h"
#include "game/player.h"
#include "graphics/graphics_test_support.h"
#include "graphics/sprite.h"
#include "harness/play_support.h"
#include "platform/keyboard.h"

namespace {

namespace key = plat::key;

// Ends the game at once by taking the ship's last life.
void LoseTheShip(EngineHarness& h) {
  h.engine().players.at(0)->SetLives(-1);
  h.Step();
}

void TypeKeys(EngineHarness& h, std::initializer_list<int> keys, bool shift = false) {
  h.services.SetKey(key::LShift, shift);
  for (int k : keys) h.Tap(k);
  h.services.SetKey(key::LShift, false);
}

TEST(EndScreens, NameEntryKeepsTenCapitalsOrDigitsAndBackspaceEmptiesIt) {
  EngineHarness h;
  EnterPlay(h);
  h.engine().score = 500;
  LoseTheShip(h);
  ASSERT_EQ(h.state(), kNameEntry);  // 500 beats the empty table
  Hud& screens = *g_hud;
  EXPECT_EQ(g_gameSpeed, 0.0f);
  TypeKeys(h, {key::A, key::B, key::C, key::D, key::E, key::F, key::G, key::H, key::I, key::J, key::K});
  EXPECT_EQ(screens.playerName, "ABCDEFGHIJ");
  EXPECT_TRUE(screens.nameLabel->IsVisible());
  EXPECT_EQ(screens.nameLabel->text, "ABCDEFGHIJ");
  h.Tap(key::Backspace);
  EXPECT_EQ(screens.playerName, "");
  // Keys that go down between the same two frames all join, in the order they went down.
  h.PlayKeyChanges({{1, key::K7, true}, {2, key::Z, true}, {3, key::K7, false}, {4, key::Z, false}});
  EXPECT_EQ(screens.playerName, "7Z");
  h.Tap(key::Backspace);
  // Keys whose characters a name cannot hold (they would become control codes) are refused.
  TypeKeys(h, {key::K9, key::K0}, true);
  TypeKeys(h, {key::Minus, key::Comma, key::Period, key::Equals, key::Space, key::Tab, key::Z, key::K7});
  EXPECT_EQ(screens.playerName, "Z7");
  LoseTheShip(h);  // a hit on the end screen ends nothing again
  EXPECT_EQ(h.state(), kNameEntry);
  EXPECT_EQ(screens.playerName, "Z7");
  h.Tap(key::Enter);
  EXPECT_EQ(h.state(), kGameOver);
  EXPECT_EQ(h.engine().score, 0);
  EXPECT_STREQ(g_highScores->GetName(0), "Z7");
  EXPECT_EQ(g_highScores->GetScore(0), 500);
}

TEST(EndScreens, ContinueReloadsTheCurrentZoneWithTheScoreAtZeroAndQuitLeavesForTheHighScores) {
  EngineHarness h(20);
  EnterPlay(h);
  for (int zone : {1, 2}) {
    SCOPED_TRACE(zone);
    g_hud->zone = zone;
    LoseTheShip(h);  // score 0: no high score
    ASSERT_EQ(h.state(), kGameOver);
    Hud& screens = *g_hud;
    h.Tap(key::Up);
    h.Tap(key::Up);
    EXPECT_TRUE(screens.continueSelected);
    EXPECT_TRUE(screens.elements[Hud::kEndSelect].shownPos == screens.elements[Hud::kContinue].shownPos);
    h.engine().score = 1234;
    h.Tap(key::Enter);
    EXPECT_TRUE(h.state() == kTopView || h.state() == kSideView || h.state() == kRailView) << h.state();
    EXPECT_EQ(h.engine().score, 0);
    EXPECT_EQ(g_gameSpeed, 50.0f);
    EXPECT_EQ(h.engine().scriptFile, "Assets\\Levels\\l1z" + std::to_string(zone) + "Events.txt");
  }
  LoseTheShip(h);
  h.Tap(key::Down);
  EXPECT_FALSE(g_hud->continueSelected);
  h.Tap(key::Enter);
  EXPECT_EQ(h.state(), kHighScoreScreen);
  EXPECT_TRUE(h.engine().players.empty());
  EXPECT_EQ(g_hud, nullptr);
  EXPECT_NE(g_menu, nullptr);
}

// The game from its first splash: the menu, the first level until every life is lost to the enemies' fire,
// a name, the high-score screen, Quit; then a second run of the game finds the name in its table.
TEST(EndScreens, AWholeGameEndsWithItsNameInTheTableThatTheNextRunReads) {
  LinkedGameFolder game(EngineHarness::GameFolder() / "Assets");
  {
    EngineHarness h(20, game.Root());
    for (int frame = 0; frame < 600 && h.state() != kMainMenu; ++frame) h.Step();
    ASSERT_EQ(h.state(), kMainMenu);
    h.Tap(key::Enter);
    ASSERT_EQ(h.state(), kTopView);
    h.services.SetKey(h.engine().keyFire, true);  // firing straight ahead, never dodging
    for (int frame = 0; frame < 50 * 60 * 20 && h.state() != kNameEntry && h.state() != kGameOver; ++frame)
      h.Step();
    h.services.SetKey(h.engine().keyFire, false);
    const int score = h.engine().score;
    ASSERT_GT(score, 0);
    ASSERT_EQ(h.state(), kNameEntry);
    TypeKeys(h, {key::A, key::C, key::E});
    h.Tap(key::Enter);
    ASSERT_EQ(h.state(), kGameOver);
    h.Tap(key::Down);
    h.Tap(key::Enter);  // Quit
    ASSERT_EQ(h.state(), kHighScoreScreen);
    EXPECT_EQ(g_menu->nameLabels[0]->text, "ACE");
    EXPECT_EQ(g_menu->scoreLabels[0]->text, std::to_string(score));
    h.Tap(key::Enter);
    h.Tap(key::Down);
    h.Tap(key::Down);
    h.services.SetKey(key::Enter, true);
    EXPECT_FALSE(h.Step());  // Quit: the program ends
  }
  std::string saved;
  std::ifstream(game.Root() / "HighScores.txt") >> saved;
  EXPECT_EQ(saved, "ACE");
  EngineHarness again(20, game.Root());
  EXPECT_STREQ(g_highScores->GetName(0), "ACE");
}

}  // namespace
