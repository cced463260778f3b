// The view camera: axes and the view matrix.
#include "graphics/camera.h"

void Camera::SetAxes(const math::Vec3& newLook, const math::Vec3& newUp, const math::Vec3& newRight) {
  look = math::Vec3Normalize(newLook);
  up = math::Vec3Normalize(newUp);
  right = math::Vec3Normalize(newRight);
}

math::Matrix Camera::GetViewMatrix() {
  look = math::Vec3Normalize(look);
  up = math::Vec3Normalize(math::Vec3Cross(look, right));
  right = math::Vec3Normalize(math::Vec3Cross(up, look));
  math::Matrix v = math::MatrixIdentity();
  const math::Vec3 axes[3] = {right, up, look};
  for (int c = 0; c < 3; ++c) {
    v.m[0][c] = axes[c].x;
    v.m[1][c] = axes[c].y;
    v.m[2][c] = axes[c].z;
  }
  v.m[3][0] = -math::Vec3Dot(right, eye);
  v.m[3][1] = -math::Vec3Dot(up, eye);
  v.m[3][2] = -math::Vec3Dot(look, eye);
  return v;
}
