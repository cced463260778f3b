// Particle effects on the OpenGL device (SDL's offscreen driver), read back from the back buffer: a glow is a
// soft disc in its colour no wider than the 64-pixel cap, and the warp tunnel fills the view with cyan streaks.
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

int Channel(uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

class ParticleFrames : public gfxtest::NativeServicesTest {
 protected:
  void SetUp() override {
    NativeServicesTest::SetUp();
    if (IsSkipped()) return;
    graphics_ = std::make_unique<Graphics>();
    ASSERT_TRUE(graphics_->Init(*services_, 800, 600, false));
    graphics_->titleMode = false;
    graphics_->camera.SetEye({0, 0, 0});
    graphics_->camera.SetAxes({0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  }
  void TearDown() override {
    graphics_.reset();
    NativeServicesTest::TearDown();
  }
  void Render() {
    ASSERT_TRUE(graphics_->Render());
    int w = 0, h = 0;
    ASSERT_TRUE(plat::ReadBackBufferPixels(*graphics_->device, pixels_, &w, &h));
    ASSERT_EQ(w, 800);
    ASSERT_EQ(h, 600);
  }
  uint32_t Pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)]; }

  std::unique_ptr<Graphics> graphics_;
  std::vector<uint32_t> pixels_;
};

TEST_F(ParticleFrames, GlowIsASoftRedDiscNoWiderThanTheCap) {
  Model* holder = nullptr;
  ASSERT_TRUE(graphics_->LoadModel(&holder, "Ret.X", 0, 0, 100, false, false));
  holder->visible = false;  // only its particles show
  ParticleEffectDesc desc;
  desc.owner = holder;
  desc.attached = true;
  desc.kind = kGlowParticles;
  desc.vecA = &holder->position;
  desc.colourA = {1, 0, 0, 1};
  desc.pointSize = 20.0f;  // 120 pixels at 100 units: held to 64
  ASSERT_TRUE(graphics_->SpawnParticleSystem(&desc));
  Render();

  const uint32_t centre = Pixel(400, 300);
  EXPECT_GT(Channel(centre, 16), 200);
  EXPECT_LT(Channel(centre, 8), 10);
  EXPECT_LT(Channel(centre, 0), 10);
  // Red along the middle row, fading toward the rim, and nothing past 32 pixels either side.
  int lit = 0;
  for (int x = 300; x < 500; ++x) lit += Channel(Pixel(x, 300), 16) > 8;
  EXPECT_GT(lit, 30);
  EXPECT_LE(lit, 64);
  EXPECT_LT(Channel(Pixel(420, 300), 16), Channel(centre, 16));
  EXPECT_EQ(Pixel(400, 250) & 0xFFFFFF, 0u);
}

TEST_F(ParticleFrames, WarpTunnelStreaksRushPastTheEye) {
  const math::Vec3 ring{0, 0, 60}, ahead{0, 0, 1}, u{1, 0, 0}, w{0, 1, 0};
  ParticleEffectDesc desc;
  desc.kind = kWarpParticles;
  desc.count = 4096;
  desc.vecA = &ring;
  desc.vecC = &ahead;
  desc.vecD = &u;
  desc.vecE = &w;
  desc.size = 80.0f;
  desc.pointSize = 10.0f;
  math::SeedRandom(5);
  ASSERT_TRUE(graphics_->SpawnParticleSystem(&desc));
  for (int frame = 0; frame < 30; ++frame) graphics_->Update(1.0f / 60.0f);
  Render();

  // Every lit pixel is the streaks' pale cyan (200, 255, 255) faded over black.
  int bright = 0, offColour = 0;
  for (uint32_t p : pixels_) {
    const int r = Channel(p, 16), g = Channel(p, 8), b = Channel(p, 0);
    if (r + g + b < 30) continue;
    offColour += g < r || std::abs(g - b) > 3;
    bright += g > 128;
  }
  EXPECT_GT(bright, 500);
  EXPECT_EQ(offColour, 0);
}

}  // namespace
