// Base of every shot and pick-up held in the engine's object lists.
#pragma once

#include "game/entity.h"

class Projectile : public Entity {
 public:
  // Moves the object one frame; fast makes the player's shots fly three times as fast.
  virtual void Update(bool fast);
};
