// The menu on the headless engine: the highlight and the selection, the splash backdrop, the high-score
// screen's labels and the title scene, with and without its ship.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/game_state.h"
#include "frontend/high_scores.h"
#include "frontend/menu.h"
#include "graphics/graphics_test_support.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "graphics/sprite.h"
#include "harness/engine_harness.h"
#include "platform/keyboard.h"

namespace {

namespace key = plat::key;

void SkipSplashes(EngineHarness& h) {
  h.Tap(key::Enter);
  h.Tap(key::Enter);
  ASSERT_EQ(h.state(), kMainMenu);
}

// The entries whose highlight bar is shown.
std::vector<int> Highlighted(const Menu& m) {
  std::vector<int> on;
  for (int i = Menu::kStart; i <= Menu::kQuit; ++i) {
    if (m.elements[static_cast<size_t>(Menu::kFirstHighlight + i)].group == kMainMenu) on.push_back(i);
  }
  return on;
}

TEST(Menu, TheHighlightWaitsForTheBarsAndTheSelectionStepsOverOptionsAndStopsAtTheEnds) {
  EngineHarness h;
  SkipSplashes(h);
  const Menu& m = *g_menu;
  const MenuElement& bar = m.elements[Menu::kStartBar];
  int sliding = 0;
  for (; !(bar.pos == bar.shownPos) && sliding < 200; ++sliding) {
    EXPECT_TRUE(Highlighted(m).empty()) << "frame " << sliding;
    h.services.SetKey(key::Down, sliding == 3);  // a key while the bars slide moves no bar in
    h.Step();
  }
  EXPECT_GT(sliding, 10);
  h.services.SetKey(key::Down, false);
  h.Step();
  h.Tap(key::Up);
  ASSERT_EQ(Highlighted(m), std::vector<int>{Menu::kStart});

  const struct {
    int key, selection;
  } steps[] = {{key::Down, Menu::kHighScores}, {key::Down, Menu::kQuit}, {key::Down, Menu::kQuit},
               {key::Up, Menu::kHighScores},   {key::Up, Menu::kStart},  {key::Up, Menu::kStart}};
  for (const auto& s : steps) {
    h.Tap(s.key);
    EXPECT_EQ(m.selection, s.selection);
    EXPECT_EQ(Highlighted(m), std::vector<int>{s.selection});
  }
}

TEST(Menu, TheSplashBackdropStaysThroughTheSplashesAndFadesInTheMenu) {
  EngineHarness h;
  const MenuElement& backdrop = g_menu->elements[Menu::kSplashBackdrop];
  EXPECT_FLOAT_EQ(backdrop.alpha, 0.9f);  // shown at once
  h.Tap(key::Enter);
  h.Frames(8);
  EXPECT_EQ(backdrop.group, kSecondSplash);
  EXPECT_FLOAT_EQ(backdrop.alpha, 1.0f);
  h.Tap(key::Enter);
  ASSERT_EQ(h.state(), kMainMenu);
  h.Frames(23);  // 25 frames of 20 ms in the menu
  EXPECT_NEAR(backdrop.alpha, 1.0f - 0.7f * 0.5f, 1e-4f);
}

TEST(Menu, TheHighScoreScreenShowsTheTableBesideItsEmptyNamesOnlyThere) {
  EngineHarness h;
  // Names read from a file may be long or hold what name entry does not type: the screen shows their start.
  g_highScores->entries.push_back({1000, std::string(100000, 'W')});
  g_highScores->entries.push_back({950, "lower.case1"});
  g_highScores->Add(900, "ACE");
  g_highScores->Add(80, "");
  SkipSplashes(h);
  h.Tap(key::Down);
  h.Tap(key::Enter);
  ASSERT_EQ(h.state(), kHighScoreScreen);
  const Menu& m = *g_menu;
  const char* names[] = {"WWWWWWWWWW", "lower.case", "ACE", "", ""};
  const char* scores[] = {"1000", "950", "900", "80", "0"};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_TRUE(m.nameLabels[i]->IsVisible() && m.scoreLabels[i]->IsVisible());
    EXPECT_EQ(m.nameLabels[i]->text, names[i]);
    EXPECT_EQ(m.scoreLabels[i]->text, scores[i]);
  }
  h.Tap(key::Enter);
  ASSERT_EQ(h.state(), kMainMenu);
  for (const TextLabel* label : m.nameLabels) EXPECT_FALSE(label->IsVisible());
}

TEST(Menu, TheTitleModelKeepsAheadOfTheTurningShip) {
  EngineHarness h;
  const Menu& m = *g_menu;
  ASSERT_NE(m.ship, nullptr);
  ASSERT_NE(m.titleModel, nullptr);
  EXPECT_EQ(h.graphics().entityModels.at(0), m.ship);
  const math::Vec3 startZ = m.ship->zAxis;
  h.Frames(50);  // one second: a turn of 0.05 radians
  EXPECT_NEAR(math::Vec3Dot(startZ, m.ship->zAxis), std::cos(0.05f), 1e-4f);
  const math::Vec3 expected = m.ship->position - m.ship->zAxis * 800.0f + m.ship->xAxis * 30.0f;
  EXPECT_NEAR(math::Vec3Length(m.titleModel->position - expected), 0.0f, 1e-3f);
  EXPECT_NEAR(math::Vec3Dot(m.titleModel->zAxis, m.ship->zAxis), 1.0f, 1e-5f);
  bool tunnel = false;
  for (const ParticleSystem* s : h.graphics().freeParticleSystems) tunnel |= s->kind == kWarpParticles;
  EXPECT_TRUE(tunnel);
}

TEST(Menu, WithoutItsShipTheTitleSceneStandsWithoutTunnelOrTurn) {
  gfxtest::ScratchGameFolder game({"Art/KV01.mdl"});
  EngineHarness h(20, game.Root());
  const Menu& m = *g_menu;
  EXPECT_EQ(m.ship, nullptr);
  ASSERT_NE(m.titleModel, nullptr);
  EXPECT_EQ(h.graphics().entityModels.at(0), m.titleModel);  // the first model is not a ship
  EXPECT_TRUE(h.graphics().freeParticleSystems.empty());
  const math::Vec3 at = m.titleModel->position;
  SkipSplashes(h);
  h.Frames(20);
  EXPECT_TRUE(m.titleModel->position == at);
}

}  // namespace
