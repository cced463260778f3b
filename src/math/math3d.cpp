// Vector, matrix and quaternion functions declared in math3d.h.
#include "math/math3d.h"

#include <cmath>

namespace math {

float Vec3Length(Vec3 v) {
  return std::sqrt(Vec3LengthSq(v));
}

Vec3 Vec3Normalize(Vec3 v) {
  const float len = Vec3Length(v);
  if (len == 0.0f) return {};
  return v / len;
}

Vec3 Vec3TransformCoord(Vec3 v, const Matrix& m) {
  const auto& a = m.m;
  const Vec3 p{v.x * a[0][0] + v.y * a[1][0] + v.z * a[2][0] + a[3][0],
               v.x * a[0][1] + v.y * a[1][1] + v.z * a[2][1] + a[3][1],
               v.x * a[0][2] + v.y * a[1][2] + v.z * a[2][2] + a[3][2]};
  const float w = v.x * a[0][3] + v.y * a[1][3] + v.z * a[2][3] + a[3][3];
  // A point at w = 0 has no finite place; keep it finite rather than produce inf/NaN.
  return w == 0.0f ? p : p / w;
}

Vec3 Vec3TransformNormal(Vec3 v, const Matrix& m) {
  const auto& a = m.m;
  return {v.x * a[0][0] + v.y * a[1][0] + v.z * a[2][0], v.x * a[0][1] + v.y * a[1][1] + v.z * a[2][1],
          v.x * a[0][2] + v.y * a[1][2] + v.z * a[2][2]};
}

Matrix MatrixIdentity() {
  return MatrixScaling(1.0f, 1.0f, 1.0f);
}

Matrix MatrixMultiply(const Matrix& a, const Matrix& b) {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] =
          a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
  return r;
}

bool MatrixInverse(const Matrix& m, Matrix* out) {
  const auto& a = m.m;
  // 2x2 minors of the top two rows (s) and the bottom two rows (c).
  const float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
  const float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  const float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
  const float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  const float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
  const float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  const float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
  const float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
  const float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  const float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
  const float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  const float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
  const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  if (det == 0.0f || !std::isfinite(det)) return false;

  const float k = 1.0f / det;
  Matrix r;
  r.m[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k;
  r.m[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k;
  r.m[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k;
  r.m[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k;
  r.m[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k;
  r.m[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k;
  r.m[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k;
  r.m[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k;
  r.m[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k;
  r.m[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k;
  r.m[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k;
  r.m[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k;
  r.m[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k;
  r.m[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k;
  r.m[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k;
  r.m[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k;
  *out = r;
  return true;
}

Matrix MatrixTranspose(const Matrix& m) {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.m[i][j] = m.m[j][i];
  return r;
}

Matrix MatrixScaling(float sx, float sy, float sz) {
  Matrix r;
  r.m[0][0] = sx;
  r.m[1][1] = sy;
  r.m[2][2] = sz;
  r.m[3][3] = 1.0f;
  return r;
}

Matrix MatrixTranslation(float x, float y, float z) {
  Matrix r = MatrixIdentity();
  r.m[3][0] = x;
  r.m[3][1] = y;
  r.m[3][2] = z;
  return r;
}

Matrix MatrixRotationAxis(Vec3 axis, float angle) {
  const Vec3 n = Vec3Normalize(axis);
  if (n == Vec3{}) return MatrixIdentity();
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  return BuildAxisMatrix({t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y},
                         {t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x},
                         {t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c});
}

Matrix MatrixRotationQuaternion(Quat q) {
  const float x = q.x, y = q.y, z = q.z, w = q.w;
  return BuildAxisMatrix({1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + z * w), 2.0f * (x * z - y * w)},
                         {2.0f * (x * y - z * w), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + x * w)},
                         {2.0f * (x * z + y * w), 2.0f * (y * z - x * w), 1.0f - 2.0f * (x * x + y * y)});
}

Matrix BuildAxisMatrix(Vec3 a, Vec3 b, Vec3 c) {
  Matrix r;
  const Vec3 rows[3] = {a, b, c};
  for (int i = 0; i < 3; ++i) {
    r.m[i][0] = rows[i].x;
    r.m[i][1] = rows[i].y;
    r.m[i][2] = rows[i].z;
  }
  r.m[3][3] = 1.0f;
  return r;
}

Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf) {
  const float yScale = 1.0f / std::tan(fovY * 0.5f);
  Matrix r;
  r.m[0][0] = yScale / aspect;
  r.m[1][1] = yScale;
  r.m[2][2] = zf / (zf - zn);
  r.m[2][3] = 1.0f;
  r.m[3][2] = -zn * zf / (zf - zn);
  return r;
}

Matrix MatrixTransformation2D(Vec2 scaling, Vec2 translation) {
  Matrix r = MatrixScaling(scaling.x, scaling.y, 1.0f);
  r.m[3][0] = translation.x;
  r.m[3][1] = translation.y;
  return r;
}

Quat QuaternionRotationMatrix(const Matrix& m) {
  const auto& a = m.m;
  const float trace = a[0][0] + a[1][1] + a[2][2];
  if (trace > 0.0f) {
    const float s = 2.0f * std::sqrt(trace + 1.0f);  // s = 4w
    return {(a[1][2] - a[2][1]) / s, (a[2][0] - a[0][2]) / s, (a[0][1] - a[1][0]) / s, 0.25f * s};
  }
  // Build from the largest diagonal element so the divisor stays well away from zero.
  if (a[0][0] >= a[1][1] && a[0][0] >= a[2][2]) {
    const float s = 2.0f * std::sqrt(1.0f + a[0][0] - a[1][1] - a[2][2]);  // s = 4x
    return {0.25f * s, (a[0][1] + a[1][0]) / s, (a[0][2] + a[2][0]) / s, (a[1][2] - a[2][1]) / s};
  }
  if (a[1][1] >= a[2][2]) {
    const float s = 2.0f * std::sqrt(1.0f + a[1][1] - a[0][0] - a[2][2]);  // s = 4y
    return {(a[0][1] + a[1][0]) / s, 0.25f * s, (a[1][2] + a[2][1]) / s, (a[2][0] - a[0][2]) / s};
  }
  const float s = 2.0f * std::sqrt(1.0f + a[2][2] - a[0][0] - a[1][1]);  // s = 4z
  return {(a[0][2] + a[2][0]) / s, (a[1][2] + a[2][1]) / s, 0.25f * s, (a[0][1] - a[1][0]) / s};
}

Quat QuaternionSlerp(Quat a, Quat b, float t) {
  float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
  float sign = 1.0f;
  if (dot < 0.0f) {
    sign = -1.0f;
    dot = -dot;
  }
  float wa = 1.0f - t, wb = t;
  // Nearly equal (or non-unit with dot >= 1): sin(theta) would vanish, so keep linear weights.
  if (1.0f - dot > 0.001f) {
    const float theta = std::acos(dot);
    const float sinTheta = std::sin(theta);
    wa = std::sin(wa * theta) / sinTheta;
    wb = std::sin(wb * theta) / sinTheta;
  }
  wb *= sign;
  return {wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w};
}

}  // namespace math
