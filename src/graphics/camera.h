// The view camera held by the graphics object: eye and axes, and the view matrix built from them.
#pragma once

#include "math/math3d.h"

class Camera {
 public:
  Camera() = default;

  math::Vec3 GetEye() const { return eye; }
  math::Vec3 GetLook() const { return look; }
  math::Vec3 GetUp() const { return up; }
  math::Vec3 GetRight() const { return right; }
  void SetEye(const math::Vec3& e) { eye = e; }
  // Stores each axis normalised.
  void SetAxes(const math::Vec3& newLook, const math::Vec3& newUp, const math::Vec3& newRight);
  // Re-orthonormalises the axes (the camera keeps them so) and returns the left-handed view matrix.
  math::Matrix GetViewMatrix();

 private:
  math::Vec3 right{1.0f, 0.0f, 0.0f};
  math::Vec3 up{0.0f, 1.0f, 0.0f};
  math::Vec3 look{0.0f, 0.0f, 1.0f};
  math::Vec3 eye{0.0f, 0.0f, -10.0f};
};
