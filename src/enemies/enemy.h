// An enemy as the player's weapons see it: its health and the flag a chaining rail shot leaves on it.
#pragma once

#include "game/entity.h"

class Enemy : public Entity {
 public:
  int health = 0;
  bool chainHit = false;  // set by a chaining rail shot's hit; never cleared
};
