// Game object base on the headless graphics: age on the game clock, placement through the model and
// without one, orientation buffer, model loading and hand-back.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numbers>

#include "game/entity.h"
#include "game/game_test_support.h"
#include "graphics/graphics.h"
#include "graphics/model.h"

namespace {

using gametest::GameObjectTest;

constexpr float kTol = 1e-5f;

void ExpectVec(math::Vec3 v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, kTol);
  EXPECT_NEAR(v.y, y, kTol);
  EXPECT_NEAR(v.z, z, kTol);
}

bool Contains(const std::vector<Model*>& list, const Model* model) {
  return std::find(list.begin(), list.end(), model) != list.end();
}

using EntityTest = GameObjectTest;

TEST_F(EntityTest, AgeFollowsTheGameClockWithFramesClampedTo100Ms) {
  Tick(250);  // the game clock now reads 100: spawn times are game time, not ticks
  Entity first;
  EXPECT_EQ(first.GetAgeMs(), 0);
  Tick(30);
  EXPECT_EQ(first.GetAgeMs(), 30);
  Entity second;
  EXPECT_EQ(second.GetAgeMs(), 0);
  Tick(500);  // a long stall counts as 100 ms
  EXPECT_EQ(first.GetAgeMs(), 130);
  EXPECT_EQ(second.GetAgeMs(), 100);
  services_->AdvanceTicks(40);  // wall time without a frame does not age anything
  EXPECT_EQ(first.GetAgeMs(), 130);
}

TEST_F(EntityTest, MovesFollowTheModelsOwnAxesAndCopyThePositionBack) {
  WriteModel("Probe", {{{0, 0, 2, 1}}});
  Entity e;
  e.LoadModel("Probe", false);
  Model* model = e.GetModel();
  ASSERT_NE(model, nullptr);

  e.SetPosition(1, 2, 3);
  ExpectVec(model->position, 1, 2, 3);
  ExpectVec(model->parts[0]->spheres[0].worldCentre, 1, 2, 5);

  // Unnormalised axes: the caller's vectors are normalised in place and become the model's axes.
  math::Vec3 right{0, 0, 2}, up{0, 3, 0}, forward{-4, 0, 0};
  e.SetOrientation(right, up, forward);
  ExpectVec(right, 0, 0, 1);
  ExpectVec(up, 0, 1, 0);
  ExpectVec(forward, -1, 0, 0);
  ExpectVec(model->xAxis, 0, 0, 1);
  ExpectVec(model->zAxis, -1, 0, 0);
  ExpectVec(model->parts[0]->spheres[0].worldCentre, -1, 2, 3);

  e.MoveForward(5);
  ExpectVec(e.position, -4, 2, 3);
  e.MoveRight(2);
  ExpectVec(e.position, -4, 2, 5);
  e.MoveUp(-1);
  ExpectVec(e.position, -4, 1, 5);
  ExpectVec(model->position, -4, 1, 5);

  // A quarter turn about +Y (left-handed) takes the forward axis from -X to +Z.
  e.Rotate(0, 1, 0, std::numbers::pi_v<float> / 2);
  ExpectVec(model->zAxis, 0, 0, 1);
  e.MoveForward(4);
  ExpectVec(e.position, -4, 1, 9);
}

TEST_F(EntityTest, GetOrientationSharesOneBufferThatTheNextCallOverwrites) {
  WriteModel("Probe", {{}});
  Entity turned, plain, bare;
  turned.LoadModel("Probe", false);
  plain.LoadModel("Probe", false);
  math::Vec3 right{0, 0, 1}, up{0, 1, 0}, forward{-1, 0, 0};
  turned.SetOrientation(right, up, forward);
  const float expectedTurned[9] = {0, 0, 1, 0, 1, 0, -1, 0, 0};
  const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  auto expectBuffer = [](const float* got, const float(&want)[9]) {
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(got[i], want[i], kTol) << i;
  };

  const float* first = turned.GetOrientation();
  expectBuffer(first, expectedTurned);
  EXPECT_EQ(plain.GetOrientation(), first);
  expectBuffer(first, identity);
  // Without a model the buffer comes back as the last call left it.
  turned.GetOrientation();
  EXPECT_EQ(bare.GetOrientation(), first);
  expectBuffer(first, expectedTurned);
}

TEST_F(EntityTest, LoadModelPlacesANewModelInTheChosenListAtTheOrigin) {
  WriteModel("Probe", {{{0, 0, 0, 1}}});
  Entity plain, blended;
  plain.SetPosition(7, 8, 9);  // the stored position stays; the new model starts at the origin
  plain.LoadModel("Probe", false);
  blended.LoadModel("Probe", true);
  ASSERT_NE(plain.GetModel(), nullptr);
  ASSERT_NE(blended.GetModel(), nullptr);
  EXPECT_TRUE(Contains(graphics_->entityModels, plain.GetModel()));
  EXPECT_TRUE(Contains(graphics_->blendedModels, blended.GetModel()));
  EXPECT_FALSE(Contains(graphics_->sceneryModels, plain.GetModel()));
  ExpectVec(plain.GetModel()->position, 0, 0, 0);
  ExpectVec(plain.position, 7, 8, 9);
  EXPECT_TRUE(plain.GetModel()->visible);
  EXPECT_FALSE(plain.GetModel()->unload);
}

TEST_F(EntityTest, WithoutAModelOnlyTheStoredPositionChanges) {
  WriteModel("Probe", {{}});
  Entity e;
  e.LoadModel("Probe", false);
  Model* old = e.GetModel();
  ASSERT_NE(old, nullptr);
  ::testing::internal::CaptureStderr();
  e.LoadModel("Nowhere", false);  // a missing file still hands the old model back
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("Nowhere.mdl"), std::string::npos) << errors;
  EXPECT_EQ(e.GetModel(), nullptr);
  EXPECT_TRUE(old->unload);
  e.SetPosition(1, 2, 3);
  e.MoveForward(5);
  e.MoveRight(5);
  e.MoveUp(5);
  e.Rotate(0, 1, 0, 1.0f);
  math::Vec3 right{0, 0, 2}, up{0, 1, 0}, forward{-1, 0, 0};
  e.SetOrientation(right, up, forward);
  ExpectVec(right, 0, 0, 2);  // nothing to orient, nothing normalised
  ExpectVec(e.position, 1, 2, 3);

  Graphics* graphics = g_graphics;  // without a graphics object no model is made
  g_graphics = nullptr;
  Entity bare;
  bare.LoadModel("Probe", false);
  g_graphics = graphics;
  EXPECT_EQ(bare.GetModel(), nullptr);
}

// Adds a member of its own and reports its destruction, so a deletion through the base is visible.
class Derived : public Entity {
 public:
  explicit Derived(bool* destroyed)
      : destroyed_(destroyed), name_(std::make_unique<std::string>("payload")) {}
  ~Derived() override { *destroyed_ = true; }

 private:
  bool* destroyed_;
  std::unique_ptr<std::string> name_;
};

TEST_F(EntityTest, ASecondModelAndADeletionThroughTheBaseHandTheModelsBack) {
  WriteModel("Probe", {{}});
  WriteModel("Other", {{}, {}});
  bool destroyed = false;
  Entity* e = new Derived(&destroyed);
  e->LoadModel("Probe", false);
  Model* first = e->GetModel();
  ASSERT_NE(first, nullptr);
  e->LoadModel("Other", false);
  Model* second = e->GetModel();
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, first);
  EXPECT_EQ(second->parts.size(), 2u);
  EXPECT_TRUE(first->unload);
  EXPECT_FALSE(second->unload);
  graphics_->Update(0.0f);
  EXPECT_FALSE(Contains(graphics_->entityModels, first));
  EXPECT_TRUE(Contains(graphics_->entityModels, second));

  delete e;
  EXPECT_TRUE(destroyed);
  EXPECT_TRUE(second->unload);
  graphics_->Update(0.0f);
  EXPECT_FALSE(Contains(graphics_->entityModels, second));
}

}  // namespace
