// Pins the vector, matrix and quaternion functions to hand-worked values.
#include "math/math3d.h"

#include <gtest/gtest.h>

#include <cmath>

namespace math {
namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTol = 1e-5f;

void ExpectVec3(Vec3 v, float x, float y, float z, float tol = kTol) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

void ExpectQuat(Quat q, float x, float y, float z, float w, float tol = kTol) {
  EXPECT_NEAR(q.x, x, tol);
  EXPECT_NEAR(q.y, y, tol);
  EXPECT_NEAR(q.z, z, tol);
  EXPECT_NEAR(q.w, w, tol);
}

void ExpectMatrix(const Matrix& m, const float (&e)[4][4], float tol = kTol) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(m.m[i][j], e[i][j], tol) << "at [" << i << "][" << j << "]";
}

void ExpectMatrix(const Matrix& m, const Matrix& e, float tol = kTol) {
  ExpectMatrix(m, e.m, tol);
}

Matrix FromRows(const float (&v)[4][4]) {
  Matrix m;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m.m[i][j] = v[i][j];
  return m;
}

constexpr float kIdentity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
// 120 degrees about (1, 1, 1) carries x to y, y to z and z to x.
constexpr float kCycleXYZ[4][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}};

TEST(Vec3Test, CrossDotLengthNormalizeAndOperators) {
  ExpectVec3(Vec3Cross({1, 0, 0}, {0, 1, 0}), 0, 0, 1);
  ExpectVec3(Vec3Cross({1, 2, 3}, {4, 5, 6}), -3, 6, -3);
  EXPECT_FLOAT_EQ(Vec3Dot({1, 2, 3}, {4, 5, 6}), 32.0f);
  EXPECT_FLOAT_EQ(Vec3LengthSq({3, 4, 12}), 169.0f);
  EXPECT_FLOAT_EQ(Vec3Length({3, 4, 12}), 13.0f);
  ExpectVec3(Vec3{1, 2, 3} + Vec3{4, 5, 6} - Vec3{0, 1, 0}, 5, 6, 9);
  ExpectVec3(-(2.0f * Vec3{1, -2, 3}) / 4.0f, -0.5f, 1, -1.5f);
  ExpectVec3(Vec3Normalize({3, 4, 12}), 3.0f / 13, 4.0f / 13, 12.0f / 13);
  EXPECT_EQ(Vec3Normalize({0, 0, 0}), (Vec3{0, 0, 0}));  // zero stays finite
}

TEST(MatrixTest, SimpleConstructions) {
  ExpectMatrix(MatrixIdentity(), kIdentity);
  ExpectMatrix(MatrixScaling(2, 3, 4), {{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 1}});
  ExpectMatrix(MatrixTranslation(5, 6, 7), {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {5, 6, 7, 1}});
  ExpectMatrix(BuildAxisMatrix({1, 2, 3}, {4, 5, 6}, {7, 8, 9}),
               {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {0, 0, 0, 1}});
  ExpectMatrix(MatrixTranspose(MatrixTranslation(5, 6, 7)),
               {{1, 0, 0, 5}, {0, 1, 0, 6}, {0, 0, 1, 7}, {0, 0, 0, 1}});
  // Sprite transform: scale about the origin, then translate.
  const Matrix t = MatrixTransformation2D({2, 3}, {100, 50});
  ExpectMatrix(t, {{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 1, 0}, {100, 50, 0, 1}});
  ExpectVec3(Vec3TransformCoord({1, 1, 0}, t), 102, 53, 0);
}

TEST(MatrixTest, RotationAxisIsLeftHandedAndNormalisesItsAxis) {
  const float a = 0.5f, c = std::cos(a), s = std::sin(a);
  const float aboutZ[4][4] = {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  ExpectMatrix(MatrixRotationAxis({0, 0, 1}, a), aboutZ);
  ExpectMatrix(MatrixRotationAxis({0, 0, 7}, a), aboutZ);  // length does not change the angle
  // About +X, +Y turns toward +Z; about +Y, +Z turns toward +X.
  ExpectVec3(Vec3TransformNormal({0, 1, 0}, MatrixRotationAxis({1, 0, 0}, kPi / 2)), 0, 0, 1);
  ExpectVec3(Vec3TransformNormal({0, 0, 1}, MatrixRotationAxis({0, 1, 0}, kPi / 2)), 1, 0, 0);
  ExpectMatrix(MatrixRotationAxis({2, 2, 2}, 2 * kPi / 3), kCycleXYZ);
  // A zero axis neither turns nor shrinks.
  ExpectMatrix(MatrixRotationAxis({0, 0, 0}, 1.0f), kIdentity);
}

TEST(MatrixTest, PerspectiveFovLH) {
  const Matrix p = MatrixPerspectiveFovLH(0.7853982f, 800.0f / 600.0f, 1.0f, 1500.0f);
  ExpectMatrix(p, {{1.8106602f, 0, 0, 0},
                   {0, 2.4142137f, 0, 0},
                   {0, 0, 1500.0f / 1499.0f, 1},
                   {0, 0, -1500.0f / 1499.0f, 0}});
  // Depth runs 0 at the near plane to 1 at the far plane after the divide by w.
  EXPECT_NEAR(Vec3TransformCoord({0, 0, 1}, p).z, 0.0f, kTol);
  EXPECT_NEAR(Vec3TransformCoord({0, 0, 1500}, p).z, 1.0f, kTol);
  // The eye point has w = 0 and comes back undivided, still finite.
  ExpectVec3(Vec3TransformCoord({0, 0, 0}, p), 0, 0, -1500.0f / 1499.0f);
}

TEST(MatrixTest, TransformCoordMovesWhileTransformNormalIgnoresTranslation) {
  const Matrix m = MatrixMultiply(MatrixScaling(2, 3, 4), MatrixTranslation(10, 20, 30));
  ExpectVec3(Vec3TransformCoord({1, 1, 1}, m), 12, 23, 34);
  ExpectVec3(Vec3TransformNormal({1, 1, 1}, m), 2, 3, 4);  // scale kept, not renormalised
}

TEST(MatrixTest, MultiplyAppliesLeftOperandFirst) {
  const Matrix t = MatrixTranslation(10, 0, 0);
  const Matrix r = MatrixRotationAxis({0, 0, 1}, kPi / 2);
  // Move out to x = 10, then turn about Z: the point lands on +Y.
  ExpectVec3(Vec3TransformCoord({1, 0, 0}, MatrixMultiply(t, r)), 0, 11, 0);
  ExpectVec3(Vec3TransformCoord({1, 0, 0}, MatrixMultiply(r, t)), 10, 1, 0);  // turn first, then move

  const Matrix a = FromRows({{1, 2, 3, 4}, {5, 6, 7, 8}, {2, 0, 1, 3}, {4, 1, 0, 2}});
  const Matrix b = FromRows({{0, 1, 0, 2}, {1, 0, 3, 0}, {2, 1, 0, 1}, {0, 3, 1, 0}});
  ExpectMatrix(MatrixMultiply(a, b), {{8, 16, 10, 5}, {20, 36, 26, 17}, {2, 12, 3, 5}, {1, 10, 5, 8}});
}

TEST(MatrixTest, InverseOfRigidGeneralAndSingularMatrices) {
  // Rigid: (R x T)^-1 = T^-1 x R^T; R cycles the axes, so R^T cycles them back.
  Matrix inv;
  const Matrix rigid = MatrixMultiply(MatrixRotationAxis({1, 1, 1}, 2 * kPi / 3), MatrixTranslation(1, 2, 3));
  ASSERT_TRUE(MatrixInverse(rigid, &inv));
  ExpectMatrix(inv, {{0, 0, 1, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {-2, -3, -1, 1}});

  // Dense, so every 2x2 minor the inverse is built from is non-zero.
  const Matrix m = FromRows({{2, 1, 3, 2}, {4, 3, 1, 3}, {1, 5, 2, 3}, {3, 1, 4, 5}});
  ASSERT_TRUE(MatrixInverse(m, &inv));
  ExpectMatrix(inv, {{13.f / 54, 8.f / 27, -7.f / 36, -17.f / 108},
                     {5.f / 54, 1.f / 27, 7.f / 36, -19.f / 108},
                     {29.f / 54, -5.f / 27, 1.f / 36, -13.f / 108},
                     {-16.f / 27, -1.f / 27, 1.f / 18, 23.f / 54}});
  ExpectMatrix(MatrixMultiply(m, inv), kIdentity);

  // Singular (row 3 = row 1 + row 2, and the zero matrix): false, output untouched.
  Matrix singular = m;
  for (int j = 0; j < 4; ++j) singular.m[2][j] = m.m[0][j] + m.m[1][j];
  Matrix out = MatrixScaling(7, 7, 7);
  EXPECT_FALSE(MatrixInverse(singular, &out));
  EXPECT_FALSE(MatrixInverse(Matrix{}, &out));
  ExpectMatrix(out, MatrixScaling(7, 7, 7), 0.0f);
}

TEST(QuaternionTest, MatrixOfQuaternionUsesItAsGiven) {
  const float s = std::sin(0.25f), c = std::cos(0.25f);  // half of 0.5 rad about Z
  ExpectMatrix(MatrixRotationQuaternion({0, 0, s, c}), MatrixRotationAxis({0, 0, 1}, 0.5f));
  ExpectMatrix(MatrixRotationQuaternion({0.5f, 0.5f, 0.5f, 0.5f}), kCycleXYZ);
  // Not normalised: (2, 0, 0, 0) would be 180 degrees about X if it were.
  ExpectMatrix(MatrixRotationQuaternion({2, 0, 0, 0}),
               {{1, 0, 0, 0}, {0, -7, 0, 0}, {0, 0, -7, 0}, {0, 0, 0, 1}});
}

TEST(QuaternionTest, QuaternionOfMatrixCoversEveryBranch) {
  ExpectQuat(QuaternionRotationMatrix(MatrixIdentity()), 0, 0, 0, 1);
  const float h = std::sqrt(0.5f);
  ExpectQuat(QuaternionRotationMatrix(MatrixRotationAxis({0, 0, 1}, kPi / 2)), 0, 0, h, h);
  // Negative or zero trace: built from the largest diagonal element.
  ExpectQuat(QuaternionRotationMatrix(MatrixScaling(1, -1, -1)), 1, 0, 0, 0);
  ExpectQuat(QuaternionRotationMatrix(MatrixScaling(-1, 1, -1)), 0, 1, 0, 0);
  ExpectQuat(QuaternionRotationMatrix(MatrixScaling(-1, -1, 1)), 0, 0, 1, 0);
  ExpectQuat(QuaternionRotationMatrix(FromRows(kCycleXYZ)), 0.5f, 0.5f, 0.5f, 0.5f);
}

TEST(QuaternionTest, RoundTripThroughMatrix) {
  struct Case {
    Vec3 axis;
    float angle;
  };
  // Positive trace, then negative traces led by each diagonal element in turn.
  const Case cases[] = {{{1, -2, 3}, 0.3f},
                        {{1, 1, 0}, kPi},
                        {{1, 0.3f, 0.2f}, 2.8f},
                        {{0.2f, -1, 0.3f}, 2.8f},
                        {{0.3f, 0.2f, 1}, 2.8f}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "axis " << k.axis.x << "," << k.axis.y << "," << k.axis.z << " angle "
                                    << k.angle);
    const Matrix m = MatrixRotationAxis(k.axis, k.angle);
    const Quat q = QuaternionRotationMatrix(m);
    ExpectMatrix(MatrixRotationQuaternion(q), m);
    // The quaternion is +-(n sin(a/2), cos(a/2)).
    const Vec3 n = Vec3Normalize(k.axis) * std::sin(k.angle / 2);
    const float sign = (q.x * n.x + q.y * n.y + q.z * n.z + q.w * std::cos(k.angle / 2)) < 0 ? -1.0f : 1.0f;
    ExpectQuat(q, sign * n.x, sign * n.y, sign * n.z, sign * std::cos(k.angle / 2));
  }
}

TEST(QuaternionTest, SlerpEndPointsMidpointAndShortArc) {
  const Quat a{0, 0, 0, 1};
  const float h = std::sqrt(0.5f);
  const Quat b{0, 0, h, h};  // 90 degrees about Z
  ExpectQuat(QuaternionSlerp(a, b, 0.0f), 0, 0, 0, 1);
  ExpectQuat(QuaternionSlerp(a, b, 1.0f), 0, 0, h, h);
  ExpectQuat(QuaternionSlerp(a, b, 0.5f), 0, 0, 0.38268343f, 0.92387953f);  // 45 degrees
  // b on the far hemisphere: the short arc ends at -b, the same rotation.
  const Quat negB{0, 0, -h, -h};
  ExpectQuat(QuaternionSlerp(a, negB, 1.0f), 0, 0, h, h);
  ExpectQuat(QuaternionSlerp(a, negB, 0.5f), 0, 0, 0.38268343f, 0.92387953f);
  // Close but apart (dot 0.995) is still spherical: the halfway point has unit length.
  ExpectQuat(QuaternionSlerp(a, {0.09987492f, 0, 0, 0.995f}, 0.5f), 0.05f, 0, 0, 0.99874922f);
  // Nearly equal (dot 0.9995): plain linear weights, and the result is not renormalised.
  ExpectQuat(QuaternionSlerp(a, {0.6f, 0, 0, 0.9995f}, 0.5f), 0.3f, 0, 0, 0.99975f, 1e-6f);
  // A dot above 1 (non-unit input) also stays linear instead of taking acos of it.
  ExpectQuat(QuaternionSlerp(a, {0, 0, 0, 2}, 0.25f), 0, 0, 0, 1.25f);
}

}  // namespace
}  // namespace math
