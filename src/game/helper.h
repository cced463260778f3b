// A helper ship beside the player: it flies to its station on the ship and fires a standard bullet of its
// own with each primary shot.
#pragma once

#include <vector>

#include "game/entity.h"

class Projectile;

class Helper : public Entity {
 public:
  // Loads the "Helper" model; it shows until its owner hides it.
  Helper();

  // Closes 20 x dt of the gap between the model and the target each frame: an exponential approach that
  // overshoots when a frame is longer than 50 ms.
  void MoveToward(float x, float y, float z);
  // At primary level 1, 2 or 3, once its cool-down (401, 251, 121 ms) since its own last shot has passed:
  // one standard bullet from its model's first lock point of part 0, along its axes, appended to shots.
  void Fire(int primaryLevel, std::vector<Projectile*>& shots);

  int lastShot = 0;
};
