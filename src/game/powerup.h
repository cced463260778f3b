// Power-ups dropped by dying enemies: they drift toward the ship and give player 0 their effect on contact.
#pragma once

#include "game/projectile.h"
#include "math/math3d.h"

class PowerUp : public Projectile {
 public:
  static constexpr int kTypes = 7;
  static constexpr int kLifeMs = 15000;

  // type 0 health, 1 primary level and bomb, 2 missiles, 3 ray cannon, 4 spread shot, 5 railgun, 6 helper.
  PowerUp(int type, const math::Vec3& position, const math::Vec3& right, const math::Vec3& up,
          const math::Vec3& forward);
  void Update(bool fast) override;
  void OnCollision(Entity* other, int part) override;
  // The model of a type, without ".mdl"; null outside 0 to 6.
  static const char* ModelName(int type);

  int type;

 private:
  bool used = false;  // its effect has been given
};
