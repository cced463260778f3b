// The slide and fade of a screen element, frame by frame, in the cases where it snaps, steps or stays.
#include <gtest/gtest.h>

#include <cmath>

#include "app/game_state.h"
#include "frontend/menu_element.h"
#include "graphics/sprite.h"
#include "harness/engine_harness.h"

namespace {

class MenuElementTest : public ::testing::Test {
 protected:
  // An element shown in the main menu, 100 pixels apart at speed 1 (100 pixels and 1 opacity a second).
  void Make(const math::Vec3& shown, const math::Vec3& hidden, bool instantHide = false) {
    element.Init("Assets\\Art\\Paused.dds", kMainMenu, shown, hidden, {1, 1, 0}, 1.0f, 1.0f, 0.0f, 0,
                 instantHide, false);
  }
  EngineHarness harness;
  MenuElement element;
};

TEST_F(MenuElementTest, ItSlidesInSnapsWithinFivePixelsAndOnlyThenReportsArrival) {
  Make({100, 0, 0}, {0, 0, 0});
  ASSERT_NE(element.sprite, nullptr);
  harness.engine().state = kMainMenu;
  // Steps of 10 (the frame is cut to 0.1 s) onto the shown place; only the call after that reports.
  const float expected[] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
  for (float x : expected) {
    EXPECT_FALSE(element.Update(0.5f));
    EXPECT_NEAR(element.pos.x, x, 1e-4f);
  }
  EXPECT_FLOAT_EQ(element.alpha, 1.0f);  // 0.1 a frame, then the snap within 0.05
  EXPECT_TRUE(element.Update(0.0f));

  // 4.9 pixels away snaps, 5.0 takes a step; an opacity 0.04 away snaps, 0.05 away steps.
  element.pos = {95.1f, 0, 0};
  element.alpha = 0.96f;
  element.Update(0.0f);
  EXPECT_FLOAT_EQ(element.pos.x, 100.0f);
  EXPECT_FLOAT_EQ(element.alpha, 1.0f);
  element.pos = {95.0f, 0, 0};
  element.alpha = 0.95f;
  element.Update(0.01f);
  EXPECT_FLOAT_EQ(element.pos.x, 96.0f);
  EXPECT_FLOAT_EQ(element.alpha, 0.96f);
}

TEST_F(MenuElementTest, PausedNothingMovesAndInstantHideLeavesInOneFrame) {
  Make({100, 0, 0}, {0, 0, 0}, true);
  harness.engine().state = kMainMenu;
  for (int i = 0; i < 12; ++i) element.Update(0.1f);
  ASSERT_TRUE(element.Update(0.1f));
  harness.engine().state = kPaused;
  element.pos = {50, 0, 0};
  EXPECT_FALSE(element.Update(0.1f));
  EXPECT_FLOAT_EQ(element.pos.x, 50.0f);
  harness.engine().state = kTopView;
  EXPECT_FALSE(element.Update(0.01f));
  EXPECT_FLOAT_EQ(element.pos.x, 0.0f);
  EXPECT_FLOAT_EQ(element.alpha, 0.0f);
}

TEST_F(MenuElementTest, AnElementWhoseTwoPlacesAgreeOnlyFades) {
  Make({40, 30, 0}, {40, 30, 0});
  harness.engine().state = kMainMenu;
  EXPECT_TRUE(element.Update(0.1f));  // already in place: arrived at once, fading in
  EXPECT_FLOAT_EQ(element.alpha, 0.1f);
  EXPECT_FLOAT_EQ(element.pos.y, 30.0f);
}

}  // namespace
