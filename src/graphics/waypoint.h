// A point of the level's rail path and the frame of the segment that starts there; the frame is filled when
// the path is prepared (every waypoint but the last).
#pragma once

#include <cmath>

#include "math/math3d.h"

// Whether a waypoint at `to` makes a segment with one at `from`: their distance is above 0 and finite.
inline bool MakesSegment(const math::Vec3& from, const math::Vec3& to) {
  const float length = math::Vec3Length(to - from);
  return length > 0.0f && std::isfinite(length);
}

class Waypoint {
 public:
  // Sets the position only; the segment fields stay zero until the path is prepared.
  Waypoint(float x, float y, float z) : position{x, y, z} {}

  math::Vec3 GetPosition() const { return position; }
  math::Vec3 GetSide() const { return side; }
  math::Vec3 GetUp() const { return up; }
  math::Vec3 GetDirection() const { return direction; }
  float GetLength() const { return length; }

  void SetSide(const math::Vec3& v) { side = v; }
  void SetUp(const math::Vec3& v) { up = v; }
  // Stores the direction to the next waypoint and its Euclidean length.
  void SetDirection(const math::Vec3& v) {
    direction = v;
    length = math::Vec3Length(v);
  }

 private:
  math::Vec3 position;
  math::Vec3 side;
  math::Vec3 up;
  math::Vec3 direction;
  float length = 0.0f;
};
