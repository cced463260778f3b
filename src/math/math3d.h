// Vectors, 4x4 matrices and quaternions for the whole game: single precision,
// row vectors (p' = p x M, translation in m[3][0..2]), left-handed, A x B applies A first.
#pragma once

namespace math {

struct Vec2 {
  float x = 0.0f, y = 0.0f;
};

struct Vec3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct Vec4 {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
};

// Stored x, y, z, w; (0, 0, 0, 1) is no rotation.
struct Quat {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
};

// m[row][col]; a default Matrix is all zeros, MatrixIdentity() gives the identity.
struct Matrix {
  float m[4][4] = {};
};

constexpr Vec3 operator+(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr Vec3 operator-(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr Vec3 operator-(Vec3 a) {
  return {-a.x, -a.y, -a.z};
}
constexpr Vec3 operator*(Vec3 a, float s) {
  return {a.x * s, a.y * s, a.z * s};
}
constexpr Vec3 operator*(float s, Vec3 a) {
  return a * s;
}
constexpr Vec3 operator/(Vec3 a, float s) {
  return {a.x / s, a.y / s, a.z / s};
}
constexpr bool operator==(Vec3 a, Vec3 b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

constexpr float Vec3Dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
constexpr float Vec3LengthSq(Vec3 v) {
  return Vec3Dot(v, v);
}
constexpr Vec3 Vec3Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Vec3Length(Vec3 v);
// v / |v|; the zero vector stays zero instead of becoming NaN.
Vec3 Vec3Normalize(Vec3 v);
// (x, y, z, 1) x M, divided by the resulting w (left undivided when w is 0).
Vec3 Vec3TransformCoord(Vec3 v, const Matrix& m);
// (x, y, z, 0) x M: the upper 3x3 only, no translation and no renormalisation.
Vec3 Vec3TransformNormal(Vec3 v, const Matrix& m);

Matrix MatrixIdentity();
// A x B: transforms by A first, then by B.
Matrix MatrixMultiply(const Matrix& a, const Matrix& b);
// General inverse. Returns false and leaves *out untouched when m is singular.
bool MatrixInverse(const Matrix& m, Matrix* out);
Matrix MatrixTranspose(const Matrix& m);
Matrix MatrixScaling(float sx, float sy, float sz);
Matrix MatrixTranslation(float x, float y, float z);
// Left-handed rotation by angle radians about axis (normalised here, so its length
// does not matter). A zero axis gives the identity: no turn and no shrink.
Matrix MatrixRotationAxis(Vec3 axis, float angle);
// Rotation matrix of q, used as given: a non-unit q scales and shears.
Matrix MatrixRotationQuaternion(Quat q);
// Rows a, b, c (fourth column 0) and (0, 0, 0, 1).
Matrix BuildAxisMatrix(Vec3 a, Vec3 b, Vec3 c);
// Left-handed perspective projection with clip-space depth running 0 (zn) to 1 (zf).
Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf);
// Scale about the origin, then translate, in the x-y plane.
Matrix MatrixTransformation2D(Vec2 scaling, Vec2 translation);

// Quaternion of the rotation in m's upper 3x3 (trace method); its sign is arbitrary.
Quat QuaternionRotationMatrix(const Matrix& m);
// Spherical interpolation along the shorter arc (b negated when the 4-D dot is
// negative), with linear weights when a and b are nearly equal. Not renormalised.
Quat QuaternionSlerp(Quat a, Quat b, float t);

}  // namespace math
