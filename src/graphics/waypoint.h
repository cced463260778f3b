// A point of the level's rail path; for now only its position, which the path overlay draws.
#pragma once

#include "math/math3d.h"

class Waypoint {
 public:
  Waypoint(float x, float y, float z) : position{x, y, z} {}
  math::Vec3 GetPosition() const { return position; }

 private:
  math::Vec3 position;
};
