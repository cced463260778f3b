// The heads-up display in play (icons, health bar, dash meter) and the level script's steps as timelines:
// chained talk lines by speaker, queued triggers, banners, and the zone steps with and without their level.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <system_error>

#include "app/game_state.h"
#include "app/sound_system.h"
#include "frontend/hud.h"
#include "game/player.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "graphics/sprite.h"
#include "harness/engine_harness.h"
#include "harness/play_support.h"

namespace fs = std::filesystem;

namespace {

int ShownIcons(const Hud& hud, int first, int state) {
  int n = 0;
  for (int i = first; i < first + Hud::kIconCount; ++i)
    n += hud.elements[static_cast<size_t>(i)].group == state;
  return n;
}

uint32_t SpriteAlpha(const MenuElement& e) {
  return e.sprite->colour >> 24;
}

void UseScript(Hud& hud, const std::string& text) {
  std::istringstream in(text);
  hud.ClearScriptEvents();
  hud.events = ReadScriptEvents(in, "test").events;
}

TEST(HudTest, IconsHealthBarAndDashMeterFollowThePlayer) {
  EngineHarness h;
  EnterPlay(h);
  ASSERT_NE(g_hud, nullptr);
  Player* player = h.engine().GetPlayer();
  const struct {
    int lives, bombs, lifeIcons, bombIcons;
  } cases[] = {{7, 3, 5, 3}, {0, 0, 0, 0}, {2, 6, 2, 5}};
  for (const auto& c : cases) {
    player->SetLives(c.lives);
    player->SetBombs(c.bombs);
    h.Step();
    EXPECT_EQ(ShownIcons(*g_hud, Hud::kFirstLife, h.state()), c.lifeIcons) << c.lives;
    EXPECT_EQ(ShownIcons(*g_hud, Hud::kFirstBomb, h.state()), c.bombIcons) << c.bombs;
  }

  // Health 5 drives the bar up at 20 a second to 160 and no further; health 1 brings it down toward 32.
  MenuElement& bar = g_hud->elements[Hud::kHealthBar];
  player->SetHealth(5);
  bar.scaleY = 150.0f;
  h.Frames(30);  // 0.6 s
  EXPECT_FLOAT_EQ(bar.scaleY, 160.0f);
  player->SetHealth(1);
  h.Frames(50);
  EXPECT_NEAR(bar.scaleY, 140.0f, 0.01f);
  EXPECT_EQ(bar.group, h.state());

  // The dash word's opacity is the charge; the underline shows only at a full charge.
  player->DashLeft();
  h.Frames(25);
  EXPECT_NEAR(SpriteAlpha(g_hud->elements[Hud::kDash]), 127u, 3u);
  EXPECT_EQ(SpriteAlpha(g_hud->elements[Hud::kDashUnderline]), 0u);
  h.Frames(26);
  EXPECT_EQ(SpriteAlpha(g_hud->elements[Hud::kDash]), 255u);
  EXPECT_EQ(SpriteAlpha(g_hud->elements[Hud::kDashUnderline]), 255u);
}

TEST(HudTest, WithoutAPlayerTheBarFallsToOneNotZero) {
  EngineHarness h;
  Hud hud;
  hud.elements[Hud::kHealthBar].scaleY = 3.0f;
  for (int i = 0; i < 3; ++i) hud.Update(0.1f, 0, 0, kTopView);
  EXPECT_FLOAT_EQ(hud.elements[Hud::kHealthBar].scaleY, 1.0f);
}

TEST(HudTest, TalkLinesChainBySpeakerAndQueuedTriggersRunWhenTheChainEnds) {
  EngineHarness h;
  h.engine().state = kTopView;
  Hud hud;
  UseScript(hud,
            "6\n1 2 R\na1\na2\na3\n#\n1 2 R\nb1\n\n\n#\n0 1 P\nc1\n\n\n#\n0 1 S\nd1\n\n\n#\n"
            "0 0 t\n-\n-\n-\n#\n0 1 Q\ne1\n\n\n#\n");
  hud.NextScriptEvent(true);
  hud.NextScriptEvent(true);  // arrives during the chain: queued
  EXPECT_EQ(hud.queuedTriggers, 1);

  // Frames of 0.125 s. "" means the lines are hidden. A line that follows another shows its text at once and
  // its box from the next frame on.
  const struct {
    int frame;
    const char* line1;
    bool box;
    float portraitX;
    int queued;
  } timeline[] = {
      {1, "a1", true, 158, 1},  {15, "a1", true, 158, 1},  {16, "b1", false, 158, 1},  // the same speaker
      {17, "b1", true, 158, 1}, {31, "b1", true, 158, 1},  {32, "", false, 158, 1},
      {35, "", false, 158, 1},  {36, "c1", false, 508, 1},  // another speaker: half a second hidden
      {37, "c1", true, 508, 1}, {43, "c1", true, 508, 1},  {44, "d1", false, 158, 0},  // chain 0: the queued
      {45, "d1", true, 158, 0}, {51, "d1", true, 158, 0},  {52, "", false, 158, 0},    // trigger is spent
      {60, "", false, 158, 0},
  };
  int frame = 0;
  for (const auto& t : timeline) {
    for (; frame < t.frame; ++frame) hud.Update(0.125f, 3, 3, kTopView);
    SCOPED_TRACE(t.frame);
    const bool shown = *t.line1 != '\0';
    EXPECT_EQ(hud.talkLines[0]->IsVisible(), shown);
    for (int e : {Hud::kTalkFrame, Hud::kTalkBack, Hud::kPortrait})
      EXPECT_EQ(hud.elements[static_cast<size_t>(e)].group, t.box ? kTopView : 0);
    if (shown) {
      EXPECT_EQ(hud.talkLines[0]->text, t.line1);
    }
    EXPECT_FLOAT_EQ(hud.elements[Hud::kPortrait].pos.x, t.portraitX);
    EXPECT_EQ(hud.queuedTriggers, t.queued);
  }
  EXPECT_FALSE(hud.talkShown);
  // 'P' speaks from the right with its own cell; 'S' has the cell two rows taller.
  EXPECT_EQ(hud.talkLines[1]->x, static_cast<int>(0.36f * static_cast<float>(h.graphics().GetWidth())));
  EXPECT_EQ(hud.elements[Hud::kPortrait].sprite->sourceRect.bottom, 258);

  // 't' shows nothing; the last event, then a trigger past the end, which runs nothing.
  hud.NextScriptEvent(true);
  EXPECT_FALSE(hud.talkShown);
  hud.NextScriptEvent(true);
  EXPECT_EQ(hud.talkLines[0]->text, "e1");
  hud.NextScriptEvent(true);
  EXPECT_EQ(hud.nextEvent, 6);

  // A count above the events given: the missing ones are empty lines that show for no time.
  UseScript(hud, "3\n0 0 t\n-\n-\n-\n#\n");
  for (int step = 0; step < 3; ++step) hud.NextScriptEvent(true);
  EXPECT_EQ(hud.nextEvent, 3);
  hud.Update(0.125f, 3, 3, kTopView);
  EXPECT_FALSE(hud.talkShown || hud.talkLines[0]->IsVisible());
}

TEST(HudTest, AWarningPulsesForItsTimeAndAChainedBannerFollows) {
  EngineHarness h;
  h.engine().state = kTopView;
  Hud hud;
  UseScript(hud, "2\n1 3 W\n-\n-\n-\n#\n0 2 X\n-\n-\n-\n#\n");
  hud.NextScriptEvent(true);
  EXPECT_TRUE(hud.warningShown);
  EXPECT_NE(h.services.Sounds().PlayingStream(), plat::StreamId{});
  float highest = 0.0f;
  int frame = 0;
  for (; frame < 24; ++frame) {
    hud.Update(0.125f, 3, 3, kTopView);
    highest = std::max(highest, hud.elements[Hud::kWarningLeft].alpha);
    EXPECT_EQ(hud.elements[Hud::kDangerRight].group, frame < 23 ? kTopView : 0) << frame;
  }
  EXPECT_GT(highest, 1.0f);  // past opaque: the sprite's alpha byte wraps, so the banner pulses
  EXPECT_FLOAT_EQ(hud.elements[Hud::kWarningLeft].shownAlpha, 0.5f);
  // The chain ran the banner at once; it stands for its two seconds.
  EXPECT_TRUE(hud.completeShown);
  for (; frame < 38; ++frame) hud.Update(0.125f, 3, 3, kTopView);
  EXPECT_EQ(hud.elements[Hud::kComplete].group, kTopView);
  hud.Update(0.125f, 3, 3, kTopView);
  EXPECT_EQ(hud.elements[Hud::kComplete].group, 0);
}

// A game folder whose levels folder holds only the first level and its script.
class ZoneStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path built = EngineHarness::GameFolder() / "Assets";
    root_ = fs::temp_directory_path() / ("kv_zone_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "Assets" / "Levels");
    for (const fs::directory_entry& entry : fs::directory_iterator(built)) {
      if (entry.path().filename() != "Levels")
        fs::create_directory_symlink(entry.path(), root_ / "Assets" / entry.path().filename());
    }
    for (const char* file : {"l1z1.kvl", "l1z1Events.txt"})
      fs::copy_file(built / "Levels" / file, root_ / "Assets" / "Levels" / file);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path root_;
};

TEST_F(ZoneStepTest, ShipEffectWarpThenStepOneReloadsTheZoneAndStepTwoWithoutItsLevelGoesToTheMenu) {
  EngineHarness h(20, root_);
  EnterPlay(h);
  const size_t scriptLength = g_hud->events.size();
  ASSERT_GT(scriptLength, 1u);

  // 'F' adds the ship's stream; 'w' leaves only that one on the ship, starts the warp tunnel and the flash.
  Model* ship = h.engine().GetPlayer()->GetModel();
  const size_t effects = ship->particleSystems.size();
  UseScript(*g_hud, "2\n0 0 F\n-\n-\n-\n#\n0 0 w\n-\n-\n-\n#\n");
  g_hud->NextScriptEvent(true);
  EXPECT_EQ(ship->particleSystems.size(), effects + 1);
  g_hud->NextScriptEvent(true);
  EXPECT_EQ(ship->particleSystems.size(), 1u);
  EXPECT_EQ(std::count_if(h.graphics().freeParticleSystems.begin(), h.graphics().freeParticleSystems.end(),
                          [](const ParticleSystem* p) { return p->kind == kWarpParticles; }),
            1);
  EXPECT_FLOAT_EQ(g_hud->elements[Hud::kFlash].alpha, 1.0f);

  // '1' reloads the level from inside the step, which replaces the script being run.
  UseScript(*g_hud, "1\n0 0 1\n-\n-\n-\n#\n");
  g_hud->queuedTriggers = 2;
  g_hud->NextScriptEvent(true);
  EXPECT_EQ(g_hud->events.size(), scriptLength);
  EXPECT_EQ(g_hud->nextEvent, 0);
  EXPECT_EQ(g_hud->queuedTriggers, 0);
  EXPECT_EQ(g_hud->zone, 1);
  EXPECT_EQ(h.state(), kTopView);
  h.Frames(3);

  // '2' with no "l1z2.kvl": a message, the menu, and the display goes with the next frame.
  h.engine().AddScore(500);
  UseScript(*g_hud, "2\n1 0.1 R\nJump!\n\n\n#\n0 0 2\n-\n-\n-\n#\n");
  g_hud->NextScriptEvent(true);
  h.Frames(30);  // the line, half a second hidden, then the step inside the display's update
  EXPECT_EQ(g_hud->zone, 2);
  ASSERT_FALSE(h.services.MessageBoxes().empty());
  EXPECT_NE(h.services.MessageBoxes().back().find("l1z2.kvl"), std::string::npos);
  EXPECT_EQ(h.state(), kMainMenu);
  EXPECT_TRUE(h.engine().players.empty());
  h.Step();
  EXPECT_EQ(g_hud, nullptr);
  EXPECT_EQ(h.state(), kMainMenu);
}

}  // namespace
