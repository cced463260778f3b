// The enemies in play, by formation, and the target queries of the player's homing and chaining weapons.
#pragma once

#include <vector>

#include "math/math3d.h"

class Enemy;

// One formation: its members in order.
struct EnemyGroup {
  std::vector<Enemy*> members;
  bool finished = false;
};

class EnemyManager {
 public:
  // The nearest collision-sphere centre of any enemy to the point; writes its squared distance (-1 when
  // there is no enemy) and returns null when there is none. Ties keep the first sphere found.
  const math::Vec3* FindNearestTarget(float x, float y, float z, double* distance) const;
  // A random collision-sphere centre of an enemy with health left that no chaining shot has hit; null
  // when there is none.
  const math::Vec3* PickRandomTarget() const;

  int count = 0;  // live enemies
  std::vector<EnemyGroup> groups;
};
