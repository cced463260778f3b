// Real frames on the OpenGL device (SDL's offscreen driver), read back from the back buffer: the pause
// picture and the score digits where they belong, a lit and textured model, title-mode trails, and the
// skies through the shaders and the fixed-function path.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/game_state.h"
#include "frontend/hud.h"
#include "frontend/menu.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/sprite.h"
#include "harness/engine_harness.h"
#include "native_test_support.h"
#include "platform/image.h"
#include "platform/native/gl_device.h"
#include "platform/native/native_services.h"

namespace {

int Channel(uint32_t argb, int shift) {
  return static_cast<int>((argb >> shift) & 0xFF);
}
int Brightness(uint32_t argb) {
  return Channel(argb, 16) + Channel(argb, 8) + Channel(argb, 0);
}

struct Box {
  int left, top, right, bottom;  // right and bottom excluded
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Native services on the offscreen driver, run from the folder that holds the built Assets folder.
class NativeFrames : public gfxtest::NativeServicesTest {
 protected:
  void TearDown() override {
    engine_.reset();
    graphics_.reset();
    NativeServicesTest::TearDown();
  }

  void StartEngine() {
    engine_ = std::make_unique<Engine>(*services_);
    ASSERT_NE(engine_->graphics, nullptr);
  }
  void StartGraphics() {
    graphics_ = std::make_unique<Graphics>();
    ASSERT_TRUE(graphics_->Init(*services_, 800, 600, false));
  }
  Graphics& graphics() { return engine_ ? *engine_->graphics : *graphics_; }

  const std::vector<uint32_t>& ReadBack() {
    int w = 0, h = 0;
    EXPECT_TRUE(plat::ReadBackBufferPixels(*graphics().device, pixels_, &w, &h));
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    return pixels_;
  }
  uint32_t Pixel(int x, int y) const {
    return pixels_[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)];
  }
  // Lit pixels inside and outside a box of the last read-back.
  int LitInside(const Box& b) const {
    return CountLit([&](int x, int y) { return b.Contains(x, y); });
  }
  int LitOutside(const std::vector<Box>& boxes) const {
    return CountLit([&](int x, int y) {
      for (const Box& b : boxes) {
        if (b.Contains(x, y)) return false;
      }
      return true;
    });
  }
  template <typename Where>
  int CountLit(Where where) const {
    int n = 0;
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 800; ++x) n += where(x, y) && Brightness(Pixel(x, y)) > 60;
    }
    return n;
  }

  std::unique_ptr<Engine> engine_;
  std::unique_ptr<Graphics> graphics_;
  std::vector<uint32_t> pixels_;
};

TEST_F(NativeFrames, ShaderFilesCompileWithoutAWordOnMesa) {
  StartGraphics();
  struct File {
    const char *name, *entry, *profile;
  };
  for (const File& f : {File{"lighting.psh", "PS", "ps_2_0"}, File{"pixel.psh", "ps_main", "ps_1_1"},
                        File{"vertex.vsh", "vs_main", "vs_1_1"}, File{"lighting.vsh", "VS", "vs_1_1"}}) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(services_->files().ReadAll(std::string("Assets\\Shaders\\") + f.name, bytes, plat::kAnySize))
        << f.name;
    const plat::gpu::CompiledShader compiled = graphics().device->CompileShader(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), f.entry, f.profile);
    EXPECT_NE(compiled.shader, nullptr) << f.name;
    EXPECT_EQ(compiled.messages, "") << f.name;
  }
  EXPECT_TRUE(graphics().shadersOn);
}

TEST_F(NativeFrames, PausePictureAppearsAtItsPlaceOnlyWhilePaused) {
  StartEngine();
  // Nothing but the pause picture: the splash screen and the title scene go.
  delete g_menu;
  g_menu = nullptr;
  graphics().ClearScene();
  graphics().titleMode = false;  // a level frame: the composite replaces the back buffer
  engine_->Frame();
  ReadBack();
  EXPECT_EQ(LitOutside({}), 0);  // nothing on screen before the pause

  engine_->Pause();
  engine_->Frame();
  ReadBack();
  const Box picture{280, 240, 280 + 256, 240 + 128};
  EXPECT_GT(LitInside(picture), 500);
  EXPECT_EQ(LitOutside({picture}), 0);

  engine_->RestoreState();
  engine_->Frame();
  ReadBack();
  EXPECT_EQ(LitOutside({}), 0);
}

TEST_F(NativeFrames, ScoreDigitsStandUprightInTheFortyRowsAboveTheirPlace) {
  StartEngine();
  engine_->SetState(kGameStart);  // game start: the digits show
  engine_->ClearLevel();          // only the digits on screen, in level mode
  delete g_hud;                   // and without the display's pictures
  g_hud = nullptr;
  graphics().titleMode = false;
  engine_->score = 1234567;
  engine_->Frame();
  ReadBack();

  // The atlas as loaded, to compare each drawn cell with.
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(services_->files().ReadAll("Assets\\Art\\hud_score.bmp", bytes, plat::kAnySize));
  plat::image::Image atlas;
  std::string error;
  ASSERT_TRUE(plat::image::Decode(bytes, atlas, &error)) << error;

  std::vector<Box> cells;
  for (int k = 0; k < 7; ++k) {
    const int digit = 7 - k;  // 1234567 read from the ones place
    const int left = static_cast<int>(800.0f * Engine::ScoreDigitX(k));
    const Box cell{left, 5, left + 20, 45};
    cells.push_back(cell);
    EXPECT_GT(LitInside(cell), 40) << "digit place " << k;
    // Upright: the atlas's top row of the cell is the cell's top row on screen.
    int mismatches = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 20; ++x) {
        const uint32_t texel = atlas.argb[static_cast<size_t>(y) * static_cast<size_t>(atlas.width) +
                                          static_cast<size_t>(digit * 20 + x)];
        const bool texelLit = Brightness(texel) > 200;
        const bool pixelLit = Brightness(Pixel(left + x, 5 + y)) > 200;
        mismatches += texelLit != pixelLit;
      }
    }
    EXPECT_LT(mismatches, 40) << "digit place " << k;  // edges may blur a little
  }
  EXPECT_EQ(LitOutside(cells), 0);

  // Zero shows one digit and six blank (transparent) cells.
  engine_->score = 0;
  engine_->Frame();
  ReadBack();
  EXPECT_GT(LitInside(cells[0]), 40);
  EXPECT_EQ(LitOutside({cells[0]}), 0);
}

TEST_F(NativeFrames, LitTexturedModelAppearsInALevelFrameAndFlashesRed) {
  StartGraphics();
  Graphics& g = graphics();
  g.titleMode = false;
  g.camera.SetEye({0, 0, -40});
  g.camera.SetAxes({0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  Model* ship = nullptr;
  ASSERT_TRUE(g.LoadModel(&ship, "TestShip.mdl", 0, 0, 0, false, false));
  ASSERT_NE(ship, nullptr);
  ASSERT_FALSE(ship->parts.empty());
  g.Render();
  ReadBack();

  const Box middle{200, 150, 600, 450};
  const int lit = LitInside(middle);
  EXPECT_GT(lit, 2000);
  EXPECT_EQ(LitOutside({middle}), 0);
  // Textured and lit: the ship's pixels are not one flat colour.
  int lo = 765, hi = 0;
  long red = 0, green = 0;
  for (int y = middle.top; y < middle.bottom; ++y) {
    for (int x = middle.left; x < middle.right; ++x) {
      const int b = Brightness(Pixel(x, y));
      if (b <= 60) continue;
      lo = std::min(lo, b);
      hi = std::max(hi, b);
      red += Channel(Pixel(x, y), 16);
      green += Channel(Pixel(x, y), 8);
    }
  }
  EXPECT_GT(hi - lo, 60);

  for (ObjectPart* part : ship->parts) part->hitFlash = 1.0f;
  g.Render();
  ReadBack();
  long flashRed = 0, flashGreen = 0;
  for (int y = middle.top; y < middle.bottom; ++y) {
    for (int x = middle.left; x < middle.right; ++x) {
      if (Brightness(Pixel(x, y)) <= 60) continue;
      flashRed += Channel(Pixel(x, y), 16);
      flashGreen += Channel(Pixel(x, y), 8);
    }
  }
  EXPECT_GT(flashRed * green, red * flashGreen);  // redder relative to green
}

TEST_F(NativeFrames, TitleModeTrailsFadeOverSuccessiveFrames) {
  StartGraphics();
  Graphics& g = graphics();
  // An opaque black backdrop over the whole screen, as the title scene's sky is: where the off-screen
  // target stays transparent, the blended composite leaves the back buffer as it was.
  plat::image::Image black{8, 8, std::vector<uint32_t>(64, 0xFF000000)};
  g.spriteTextures.push_back(TextureEntry{g.device->CreateTexture({black}, "backdrop"), "backdrop"});
  Sprite* backdrop = nullptr;
  ASSERT_TRUE(g.CreateSprite(&backdrop, "backdrop", 0, 0, 100, 75, nullptr, 1, nullptr, 10));
  Sprite* sprite = nullptr;
  ASSERT_TRUE(g.CreateSprite(&sprite, "Assets\\Art\\Paused.dds", 0.35f, 0.4f, 1, 1, nullptr, 1, nullptr, 1));
  g.EnterTitleMode();
  const Box picture{280, 240, 536, 368};

  // The first title frame shows a faint copy only: 50/255 of the picture over the cleared back buffer.
  g.Render();
  ReadBack();
  int faintest = 0;
  for (int y = picture.top; y < picture.bottom; ++y) {
    for (int x = picture.left; x < picture.right; ++x) faintest = std::max(faintest, Brightness(Pixel(x, y)));
  }
  EXPECT_GT(faintest, 0);
  EXPECT_LE(faintest, 765 * 50 / 255 + 3);

  // Find the brightest pixel of the picture once it has built up.
  for (int i = 0; i < 60; ++i) g.Render();
  ReadBack();
  int bx = 0, by = 0, best = 0;
  for (int y = picture.top; y < picture.bottom; ++y) {
    for (int x = picture.left; x < picture.right; ++x) {
      if (Brightness(Pixel(x, y)) > best) {
        best = Brightness(Pixel(x, y));
        bx = x;
        by = y;
      }
    }
  }
  ASSERT_GT(best, 400);

  // Each frame without the picture moves the pixel 50/255 of the way toward black.
  sprite->SetVisible(false);
  int previous = best;
  for (int frame = 1; frame <= 6; ++frame) {
    g.Render();
    ReadBack();
    const int now = Brightness(Pixel(bx, by));
    EXPECT_LT(now, previous) << "frame " << frame;
    EXPECT_GT(now, 0) << "frame " << frame;
    EXPECT_NEAR(now, previous * (1.0 - 50.0 / 255.0), 6.0) << "frame " << frame;
    previous = now;
  }
}

// Pixels that differ between two read-backs.
int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  int n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
  return n;
}

// Pictures on whole pixels are drawn without their clear margins, texel for pixel as before: the options
// screen's panel shown on the right, and the options and high-score panels put away beside the screen (only
// their clear margins reach into it, and nothing of them may show).
TEST_F(NativeFrames, PicturesWithoutTheirClearMarginsShowTexelForPixel) {
  StartGraphics();
  Graphics& g = graphics();
  g.titleMode = false;
  const plat::gpu::Argb magenta = 0xFFFF00FF;
  const struct {
    const char* file;
    float x, y;
  } pictures[] = {{"opt Options.bmp", 400, 0}, {"opt Filler.bmp", -401, 0}, {"hs Scores.bmp", 200, -601}};
  for (const auto& p : pictures) {
    Sprite* sprite = nullptr;
    const std::string file = std::string("Assets\\Art\\Menu Art\\") + p.file;
    ASSERT_TRUE(g.CreateSprite(&sprite, file.c_str(), p.x / 800, p.y / 600, 1, 1, nullptr, 1, &magenta, 1));
  }
  g.Render();
  ReadBack();
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(services_->files().ReadAll("Assets\\Art\\Menu Art\\opt Options.bmp", bytes, plat::kAnySize));
  plat::image::Image panel;
  ASSERT_TRUE(plat::image::Decode(bytes, panel, nullptr));
  plat::image::ApplyColourKey(panel, magenta);
  int differing = 0, shown = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const uint32_t texel =
          x < 400 ? 0u : panel.argb[static_cast<size_t>(y) * 512 + static_cast<size_t>(x - 400)];
      const uint32_t expected = (texel >> 24) == 0xFF ? texel & 0xFFFFFF : 0u;
      differing += (Pixel(x, y) & 0xFFFFFF) != expected;
      shown += expected != 0;
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(shown, 100000);
}

TEST_F(NativeFrames, LevelFrameShowsBothSkiesAndTheShip) {
  StartEngine();
  engine_->SetState(kGameStart);  // the first level with its sky and a fresh ship
  ASSERT_EQ(engine_->players.size(), 1u);
  Graphics& g = graphics();
  ASSERT_NE(g.innerSkybox, nullptr);
  ASSERT_NE(g.outerSkybox, nullptr);
  g.outerSkybox->spinStep = 0.0f;  // hold the sky still between the frames compared
  Model* ship = engine_->players[0]->GetModel();
  ASSERT_NE(ship, nullptr);
  // A chase view of the ship with the horizon in sight.
  const math::Vec3 at = ship->position;
  g.camera.SetEye({at.x, at.y + 40.0f, at.z - 150.0f});
  g.camera.SetAxes({0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f});

  g.Render();
  const std::vector<uint32_t> full = ReadBack();
  g.outerSkybox.reset();
  g.Render();
  const std::vector<uint32_t> innerOnly = ReadBack();
  g.innerSkybox.reset();
  g.Render();
  const std::vector<uint32_t> noSky = ReadBack();
  ship->visible = false;
  g.Render();
  const std::vector<uint32_t> noShip = ReadBack();

  EXPECT_GT(Differing(full, innerOnly), 200) << "the outer sky's stars";
  EXPECT_GT(Differing(innerOnly, noSky), 20000) << "the inner sky";
  EXPECT_GT(Differing(noSky, noShip), 200) << "the ship";
}

TEST_F(NativeFrames, LevelSkyShowsTheVioletNebulaAndStarsWithAndWithoutShaders) {
  StartGraphics();
  Graphics& g = graphics();
  g.titleMode = false;
  g.camera.SetEye({0, 0, 0});  // looking along +Z: the middle of the +Z faces fills the screen
  g.camera.SetAxes({0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  ASSERT_TRUE(g.SetSkybox(0));
  // Mean colour of the screen's middle 200 x 200 pixels, and the number of star pixels on the screen.
  auto middle = [&](int channel) {
    double sum = 0;
    for (int y = 200; y < 400; ++y) {
      for (int x = 300; x < 500; ++x) sum += Channel(Pixel(x, y), channel);
    }
    return sum / 40000.0;
  };
  auto stars = [&] {
    int n = 0;
    for (uint32_t p : pixels_) n += Channel(p, 16) > 200 && Channel(p, 8) > 200 && Channel(p, 0) > 200;
    return n;
  };
  double shaded[3] = {};
  for (bool shaders : {true, false}) {
    SCOPED_TRACE(shaders ? "shaders" : "fixed function");
    g.shadersOn = shaders;
    g.Render();
    ReadBack();
    const double r = middle(16), gr = middle(8), b = middle(0);
    EXPECT_GT(b, r);
    EXPECT_GT(r, gr);
    EXPECT_GT(b, 40.0);
    EXPECT_GT(stars(), 50);
    if (shaders) {
      shaded[0] = r, shaded[1] = gr, shaded[2] = b;
    } else {
      EXPECT_NEAR(r, shaded[0], 3.0);
      EXPECT_NEAR(gr, shaded[1], 3.0);
      EXPECT_NEAR(b, shaded[2], 3.0);
    }
  }
}

}  // namespace
