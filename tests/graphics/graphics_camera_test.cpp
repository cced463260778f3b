// The view camera's axes and its left-handed view matrix.
#include <gtest/gtest.h>

#include "graphics/camera.h"

namespace {

void ExpectNear(math::Vec3 actual, math::Vec3 expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-5f);
  EXPECT_NEAR(actual.y, expected.y, 1e-5f);
  EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

TEST(Camera, StartsBehindTheOriginLookingAlongZ) {
  Camera c;
  EXPECT_EQ(c.GetEye(), (math::Vec3{0, 0, -10}));
  EXPECT_EQ(c.GetLook(), (math::Vec3{0, 0, 1}));
  EXPECT_EQ(c.GetUp(), (math::Vec3{0, 1, 0}));
  EXPECT_EQ(c.GetRight(), (math::Vec3{1, 0, 0}));
  // The eye becomes the view-space origin; a point 10 ahead lies at view z 10.
  const math::Matrix v = c.GetViewMatrix();
  ExpectNear(math::Vec3TransformCoord({0, 0, -10}, v), {0, 0, 0});
  ExpectNear(math::Vec3TransformCoord({3, 4, 0}, v), {3, 4, 10});
}

TEST(Camera, ViewMatrixTakesTheAxesAsViewSpaceDirections) {
  Camera c;
  c.SetEye({1, 2, 3});
  // Looking along +X with up +Y: right is -Z in a left-handed frame.
  c.SetAxes({2, 0, 0}, {0, 3, 0}, {0, 0, -4});  // stored normalised
  ExpectNear(c.GetLook(), {1, 0, 0});
  ExpectNear(c.GetRight(), {0, 0, -1});
  const math::Matrix v = c.GetViewMatrix();
  ExpectNear(math::Vec3TransformCoord({6, 2, 3}, v), {0, 0, 5});   // 5 ahead
  ExpectNear(math::Vec3TransformCoord({1, 4, 3}, v), {0, 2, 0});   // 2 up
  ExpectNear(math::Vec3TransformCoord({1, 2, 0}, v), {3, 0, 0});   // 3 to the right
  EXPECT_EQ(v.m[0][3], 0.0f);
  EXPECT_EQ(v.m[3][3], 1.0f);
}

TEST(Camera, ViewMatrixReorthonormalisesTheAxesItKeeps) {
  Camera c;
  c.SetEye({0, 0, 0});
  // Up leaning toward the look direction: it is rebuilt from look x right.
  c.SetAxes({0, 0, 1}, {0, 1, 1}, {1, 0, 0});
  c.GetViewMatrix();
  ExpectNear(c.GetUp(), {0, 1, 0});
  ExpectNear(c.GetRight(), {1, 0, 0});
  ExpectNear(c.GetLook(), {0, 0, 1});
}

}  // namespace
