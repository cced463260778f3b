// The skies on the OpenGL device (SDL's offscreen driver), read back from the back buffer: the level sky's
// violet middle with the stars blended over it, through the sky shaders and through the fixed-function path
// that title mode and a game without shaders use.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/graphics.h"
#include "harness/engine_harness.h"
#include "native_test_support.h"
#include "platform/native/gl_device.h"
#include "platform/native/native_services.h"

namespace {

int Channel(uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

struct Colour {
  double r = 0, g = 0, b = 0;
};

class NativeSkies : public gfxtest::NativeServicesTest {
 protected:
  void SetUp() override {
    NativeServicesTest::SetUp();
    if (IsSkipped()) return;
    graphics_ = std::make_unique<Graphics>();
    ASSERT_TRUE(graphics_->Init(*services_, 800, 600, false));
    // Looking along +Z from the origin: the middle of the +Z faces fills the screen.
    graphics_->camera.SetEye({0, 0, 0});
    graphics_->camera.SetAxes({0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  }
  void TearDown() override {
    graphics_.reset();
    NativeServicesTest::TearDown();
  }

  void ReadBack() {
    int w = 0, h = 0;
    ASSERT_TRUE(plat::ReadBackBufferPixels(*graphics_->device, pixels_, &w, &h));
    ASSERT_EQ(w, 800);
    ASSERT_EQ(h, 600);
  }
  // Mean colour of the screen's middle 200 x 200 pixels.
  Colour Middle() const {
    Colour sum;
    for (int y = 200; y < 400; ++y) {
      for (int x = 300; x < 500; ++x) {
        const uint32_t p = pixels_[size_t(y) * 800 + size_t(x)];
        sum.r += Channel(p, 16);
        sum.g += Channel(p, 8);
        sum.b += Channel(p, 0);
      }
    }
    return {sum.r / 40000.0, sum.g / 40000.0, sum.b / 40000.0};
  }
  // Pixels of the whole screen whose three channels are all above 200: the stars.
  int Bright() const {
    int n = 0;
    for (uint32_t p : pixels_) n += Channel(p, 16) > 200 && Channel(p, 8) > 200 && Channel(p, 0) > 200;
    return n;
  }
  void ExpectVioletSky(const Colour& c) const {
    EXPECT_GT(c.b, c.r);
    EXPECT_GT(c.r, c.g);
    EXPECT_GT(c.b, 40.0);
  }

  std::unique_ptr<Graphics> graphics_;
  std::vector<uint32_t> pixels_;
};

TEST_F(NativeSkies, LevelSkyShowsTheNebulaWithStarsOverIt) {
  graphics_->titleMode = false;
  ASSERT_TRUE(graphics_->SetSkybox(0));
  graphics_->Render();
  ReadBack();
  const Colour shaded = Middle();
  ExpectVioletSky(shaded);
  EXPECT_GT(Bright(), 50);

  // The fixed-function path draws the same sky.
  graphics_->shadersOn = false;
  graphics_->Render();
  ReadBack();
  const Colour fixed = Middle();
  ExpectVioletSky(fixed);
  EXPECT_NEAR(fixed.r, shaded.r, 3.0);
  EXPECT_NEAR(fixed.g, shaded.g, 3.0);
  EXPECT_NEAR(fixed.b, shaded.b, 3.0);
  EXPECT_GT(Bright(), 50);
}

TEST_F(NativeSkies, TitleModeDrawsTheSkyWithoutShaders) {
  ASSERT_TRUE(graphics_->SetSkybox(0));
  graphics_->EnterTitleMode();
  // The title composite blends each frame in at 50/255: after many frames the sky has built up.
  for (int frame = 0; frame < 80; ++frame) graphics_->Render();
  ReadBack();
  ExpectVioletSky(Middle());
  EXPECT_GT(Bright(), 50);
}

TEST_F(NativeSkies, NoSkyAfterTheSceneIsCleared) {
  graphics_->titleMode = false;
  ASSERT_TRUE(graphics_->SetSkybox(0));
  graphics_->Render();
  ASSERT_TRUE(graphics_->ClearScene());
  graphics_->Render();
  ReadBack();
  const Colour c = Middle();
  EXPECT_EQ(c.r + c.g + c.b, 0.0);
}

}  // namespace
