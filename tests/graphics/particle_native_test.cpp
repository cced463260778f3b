// Particle effects on the OpenGL device (SDL's offscreen driver), read back from the back buffer: a glow is a
// soft disc in its colour held to the 64-pixel cap, and the warp tunnel fills the view with pale cyan
// streaks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "math/random.h"
#include "native_test_support.h"
#include "platform/native/gl_device.h"

namespace {

int Channel(uint32_t argb, int shift) {
  return static_cast<int>((argb >> shift) & 0xFF);
}

using ParticleFrames = gfxtest::NativeServicesTest;

TEST_F(ParticleFrames, GlowDiscAndWarpTunnel) {
  Graphics g;
  ASSERT_TRUE(g.Init(*services_, 800, 600, false));
  g.titleMode = false;
  g.camera.SetEye({0, 0, 0});
  g.camera.SetAxes({0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  std::vector<uint32_t> pixels;
  auto frame = [&] {
    g.Render();
    int w = 0, h = 0;
    ASSERT_TRUE(plat::ReadBackBufferPixels(*g.device, pixels, &w, &h));
    ASSERT_EQ(w * h, 800 * 600);
  };
  auto pixel = [&](int x, int y) { return pixels[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)]; };

  Model* holder = nullptr;
  ASSERT_TRUE(g.LoadModel(&holder, "Ret.X", 0, 0, 100, false, false));
  holder->visible = false;  // only its particles show
  // 20 x 600 / 100 = 120 pixels across: held to 64.
  ParticleEffectDesc glow{holder, &holder->position};
  glow.kind = kGlowParticles;
  glow.colourA = {1, 0, 0, 1};
  glow.pointSize = 20.0f;
  glow.attached = true;
  ASSERT_TRUE(g.SpawnParticleSystem(&glow));
  frame();
  EXPECT_GT(Channel(pixel(400, 300), 16), 200);
  EXPECT_EQ(pixel(400, 300) & 0xFFFF, 0u);
  int lit = 0;  // along the middle row, fading toward the rim
  for (int x = 300; x < 500; ++x) lit += Channel(pixel(x, 300), 16) > 8;
  EXPECT_GT(lit, 30);
  EXPECT_LE(lit, 64);
  EXPECT_LT(Channel(pixel(420, 300), 16), 255);
  holder->drawParticles = false;

  const math::Vec3 ring{0, 0, 60}, ahead{0, 0, 1}, u{1, 0, 0}, w{0, 1, 0};
  ParticleEffectDesc warp{nullptr, &ring, nullptr, &ahead, &u, &w, 80.0f, kWarpParticles, 4096};
  warp.pointSize = 10.0f;
  math::SeedRandom(5);
  ASSERT_TRUE(g.SpawnParticleSystem(&warp));
  for (int i = 0; i < 30; ++i) g.Update(1.0f / 60.0f);
  frame();
  // Every lit pixel is the streaks' (200, 255, 255) faded over black.
  int bright = 0, offColour = 0;
  for (uint32_t p : pixels) {
    const int r = Channel(p, 16), gr = Channel(p, 8), b = Channel(p, 0);
    if (r + gr + b < 30) continue;
    offColour += gr < r || std::abs(gr - b) > 3;
    bright += gr > 128;
  }
  EXPECT_GT(bright, 500);
  EXPECT_EQ(offColour, 0);
}

}  // namespace
