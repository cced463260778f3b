// The level sky's single pass of both skies against the two skies drawn one after the other, on the OpenGL
// device, with nothing in front of them: looking toward each face of the outer cube, across its edges and
// corners, under a colour added or not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "app/engine.h"
#include "app/game_state.h"
#include "graphics/graphics.h"
#include "native_test_support.h"
#include "platform/native/gl_device.h"

namespace {

constexpr int kPixels = 800 * 600;

class SkyLayersPixels : public gfxtest::NativeServicesTest {
 protected:
  void SetUp() override {
    NativeServicesTest::SetUp();
    if (IsSkipped()) return;
    engine_ = std::make_unique<Engine>(*services_);
    engine_->SetState(kGameStart);  // the first level and its two skies
    SwapModelLists();               // only the skies: no model covers any of them
    Graphics& g = *engine_->graphics;
    ASSERT_NE(g.outerSkybox, nullptr);
    ASSERT_NE(g.skyLayers, nullptr);
    // The outer cube turned well away from the inner one, held still between the pictures compared.
    g.outerSkybox->rotation = math::MatrixRotationAxis(math::Vec3Normalize(math::Vec3{1, 2, 3}), 0.7f);
    g.outerSkybox->spinStep = 0.0f;
    g.innerSkybox->spinStep = 0.0f;
  }
  void TearDown() override {
    if (engine_ != nullptr) SwapModelLists();  // back for the engine to release
    engine_.reset();
    NativeServicesTest::TearDown();
  }

  std::vector<uint32_t> Draw(bool straightforward) {
    Graphics& g = *engine_->graphics;
    g.straightforwardFrame = straightforward;
    g.Render();
    std::vector<uint32_t> pixels;
    EXPECT_TRUE(plat::ReadBackBufferPixels(*g.device, pixels, nullptr, nullptr));
    return pixels;
  }

  void SwapModelLists() {
    Graphics& g = *engine_->graphics;
    std::swap(g.visibleScenery, models_[0]);
    std::swap(g.entityModels, models_[1]);
    std::swap(g.blendedModels, models_[2]);
  }

  std::unique_ptr<Engine> engine_;
  std::vector<Model*> models_[3];
};

TEST_F(SkyLayersPixels, BothSkiesInOnePassLookAsDrawnOneAfterTheOther) {
  Graphics& g = *engine_->graphics;
  const float s = 0.70710678f;
  const struct {
    math::Vec3 look, up;
  } views[] = {
      {{1, 0, 0}, {0, 1, 0}},  {{-1, 0, 0}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}},
      {{0, -1, 0}, {0, 0, 1}}, {{0, 0, 1}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}},
      {{s, 0, s}, {0, 1, 0}},  {{0, s, -s}, {0, s, s}}, {{-s, -s, 0}, {0, 0, 1}},
  };
  // The second tint puts many of the stored colours exactly halfway between two steps.
  const float tints[][3] = {{0, 0, 0}, {0.3f, -0.2f, 0.05f}};
  int view = 0;
  for (const auto& v : views) {
    for (const auto& tint : tints) {
      SCOPED_TRACE(testing::Message() << "view " << view << " tint " << tint[0]);
      std::copy(tint, tint + 3, g.colorAdd);
      const math::Vec3 right = math::Vec3Cross(v.up, v.look);
      g.camera.SetAxes(v.look, v.up, right);
      const std::vector<uint32_t> usual = Draw(false);
      const std::vector<uint32_t> reference = Draw(true);
      ASSERT_EQ(usual.size(), reference.size());
      int differing = 0, largest = 0;
      for (size_t i = 0; i < usual.size(); ++i) {
        int step = 0;
        for (int shift : {16, 8, 0})
          step =
              std::max(step, std::abs(int((usual[i] >> shift) & 0xFF) - int((reference[i] >> shift) & 0xFF)));
        differing += step > 0;
        largest = std::max(largest, step);
      }
      // Only where a star's edge meets the outer texture's coordinates, worked out per pixel in the one pass
      // and interpolated across the face in the other, a pixel may differ, and by no more than two steps.
      EXPECT_LE(differing, kPixels / 3000);
      EXPECT_LE(largest, 2);
    }
    ++view;
  }
}

}  // namespace
