// The engine's use of the graphics object: start-up failure, the pause picture, the score digits, the
// frame's update and render, missing screen art, and shut-down.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "app/game_state.h"
#include "graphics/graphics.h"
#include "graphics/sprite.h"
#include "graphics_test_support.h"
#include "harness/play_support.h"
#include "platform/keyboard.h"

namespace {

using gfxtest::ScratchGameFolder;
namespace key = plat::key;

bool AllDigits(Engine& e, bool visible) {
  for (Sprite* d : e.scoreDigits) {
    if (d == nullptr || d->IsVisible() != visible) return false;
  }
  return true;
}

TEST(EngineGraphics, StartsInTitleModeDrawingEveryFrameWithTheScreenSpritesPlaced) {
  EngineHarness h;
  Engine& e = h.engine();
  EXPECT_EQ(g_graphics, &h.graphics());
  EXPECT_TRUE(h.graphics().titleMode);
  EXPECT_EQ(h.graphics().GetWidth(), 800);
  EXPECT_TRUE(h.services.MessageBoxes().empty());
  h.Frames(3);
  EXPECT_EQ(h.log().FramesPresented(), 3);

  ASSERT_NE(e.pauseSprite, nullptr);
  EXPECT_EQ(e.pauseSprite->position.x, 280.0f);
  EXPECT_EQ(e.pauseSprite->position.y, 240.0f);
  EXPECT_EQ(e.pauseSprite->layer, 1);
  EXPECT_TRUE(e.pauseSprite->UsesWholeTexture());
  for (int k = 0; k < Engine::kScoreDigits; ++k) {
    Sprite* d = e.scoreDigits[static_cast<size_t>(k)];
    ASSERT_NE(d, nullptr);
    EXPECT_FLOAT_EQ(d->position.x, 800.0f * Engine::ScoreDigitX(k));
    EXPECT_FLOAT_EQ(d->position.y, 45.0f);
    EXPECT_FALSE(d->UsesWholeTexture());
    EXPECT_EQ(d->texture, e.scoreDigits[0]->texture);  // one atlas
  }
  EXPECT_FLOAT_EQ(e.scoreDigits[0]->position.x, 776.0f);
  EXPECT_FLOAT_EQ(e.scoreDigits[6]->position.x, 656.0f);
  const auto loaded = [&](const char* file) {
    return std::count_if(h.graphics().spriteTextures.begin(), h.graphics().spriteTextures.end(),
                         [&](const TextureEntry& t) { return t.fileName == file; });
  };
  EXPECT_EQ(loaded("Assets\\Art\\Paused.dds"), 1);
  EXPECT_EQ(loaded("Assets\\Art\\hud_score.bmp"), 1);

  // The digit sprites show the score's cells, lowest digit first.
  e.score = 1234560;
  h.Step();
  const int digits[7] = {0, 6, 5, 4, 3, 2, 1};
  for (int k = 0; k < 7; ++k) {
    const plat::sprite::Rect& r = e.scoreDigits[static_cast<size_t>(k)]->sourceRect;
    EXPECT_EQ(r.left, digits[k] * 20);
    EXPECT_EQ(r.right, digits[k] * 20 + 20);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.bottom, 0);
  }
  e.score = 7;
  h.Step();
  EXPECT_EQ(e.scoreDigits[0]->sourceRect.left, 140);
  EXPECT_EQ(e.scoreDigits[1]->sourceRect.left, 200);  // the blank cell
  EXPECT_EQ(e.scoreDigits[6]->sourceRect.right, 220);
}

TEST(EngineGraphics, PlayRendersInLevelModeWithTheScoreDigitsShownAndTheMenuReturnsToTitleMode) {
  EngineHarness h;
  Engine& e = h.engine();
  EXPECT_TRUE(AllDigits(e, false));
  EnterPlay(h);
  EXPECT_FALSE(h.graphics().titleMode);
  EXPECT_TRUE(AllDigits(e, true));
  h.Tap(key::Escape);
  ASSERT_EQ(h.state(), kMainMenu);
  EXPECT_TRUE(h.graphics().titleMode);
  EXPECT_TRUE(AllDigits(e, false));
}

TEST(EngineGraphics, WhilePausedThePausePictureShowsAndUpdateFreezes) {
  EngineHarness h;
  Engine& e = h.engine();
  Graphics& g = h.graphics();
  EXPECT_FALSE(e.pauseSprite->IsVisible());
  const size_t titleModels = g.entityModels.size();  // the title scene's ship and title model
  auto* model = new Model();
  model->unload = true;
  g.entityModels.push_back(model);
  h.services.PushEvent({plat::EventKind::FocusLost});
  h.Step();  // the frame runs before the focus event is taken
  ASSERT_EQ(h.state(), kPaused);
  EXPECT_EQ(g.entityModels.size(), titleModels);
  EXPECT_TRUE(e.pauseSprite->IsVisible());

  model = new Model();
  model->unload = true;
  g.entityModels.push_back(model);
  h.Step();
  // Drawn in the frame: its texture is bound for a sprite draw into the off-screen target.
  bool drawn = false;
  for (const auto* d : gfxtest::DrawsOf(h.log().PreviousDraws())) {
    drawn |= d->state.texture == "Assets\\Art\\Paused.dds";
  }
  EXPECT_TRUE(drawn);
  h.Step();
  EXPECT_EQ(g.entityModels.size(), titleModels + 1);  // paused: no model removal
  h.services.PushEvent({plat::EventKind::FocusGained});
  h.Step();
  EXPECT_NE(h.state(), kPaused);
  EXPECT_FALSE(e.pauseSprite->IsVisible());
  h.Step();
  EXPECT_EQ(g.entityModels.size(), titleModels);
}

TEST(EngineGraphics, FailedGraphicsStopsTheStartWithTheMessage) {
  ScratchGameFolder folder({"Shaders/lighting.vsh"});
  EngineHarness::ResetGlobals();
  plat::HeadlessServices services(folder.Root());
  EXPECT_THROW(Engine engine(services), std::runtime_error);
  EXPECT_EQ(g_engine, nullptr);
  EXPECT_EQ(g_graphics, nullptr);
  ASSERT_FALSE(services.MessageBoxes().empty());
  EXPECT_EQ(services.MessageBoxes().back(), ": D3DXCompileShaderFromFile() - FAILED");
  // Nothing made on the device outlives the failed start.
  EXPECT_EQ(services.DeviceLog()->TotalLive(), 0);
  EXPECT_EQ(services.OpenKeyboardCount(), 0);
}

TEST(EngineGraphics, EntryEndsTheProgramWhenTheGraphicsFail) {
  ScratchGameFolder folder({"Shaders/vertex.vsh"});
  EngineHarness::ResetGlobals();
  plat::HeadlessServices services(folder.Root());
  EXPECT_EQ(RunGame(services), 1);
  EXPECT_EQ(g_mainEngine, nullptr);
}

TEST(EngineGraphics, MissingScreenArtIsReportedOnceAndNeverCrashes) {
  ScratchGameFolder folder({"Art/Paused.dds", "Art/hud_score.bmp"});
  EngineHarness h(20, folder.Root());
  Engine& e = h.engine();
  EXPECT_EQ(e.pauseSprite, nullptr);
  for (Sprite* d : e.scoreDigits) EXPECT_EQ(d, nullptr);
  // One box per file, although the atlas was asked for seven times.
  EXPECT_EQ(h.services.MessageBoxes(),
            (std::vector<std::string>{"Sprite: D3DXCreateTextureFromFile() - FAILED",
                                      "Sprite: D3DXCreateTextureFromFile() - FAILED"}));
  h.services.PushEvent({plat::EventKind::FocusLost});
  h.Frames(2);
  h.services.PushEvent({plat::EventKind::FocusGained});
  h.Frames(2);
  EnterPlay(h);
  e.score = 42;
  h.Frames(2);
  EXPECT_EQ(h.services.MessageBoxes().size(), 2u);
}

TEST(EngineGraphics, ShutdownReleasesTheDeviceAndEverythingOnIt) {
  EngineHarness h;
  h.Frames(2);
  EXPECT_GT(h.log().TotalLive(), 0);
  h.DestroyEngine();
  EXPECT_EQ(g_graphics, nullptr);
  EXPECT_EQ(h.log().Device(), nullptr);
  EXPECT_EQ(h.log().TotalLive(), 0);
  EXPECT_EQ(h.services.OpenKeyboardCount(), 0);
}

}  // namespace
