// Common base of every object that takes part in play.
#pragma once

class Entity {
 public:
  Entity();
  // Objects are deleted through base pointers by the lists that own them.
  virtual ~Entity() = default;

  // Called by the collision tests when this object touches another; part is this object's model part.
  virtual void OnCollision(Entity* other, int part);

  int GetAgeMs() const;
  int GetDamage() const { return damage; }
  void SetDamage(int d) { damage = d; }

  bool dead = false;

 protected:
  int spawnTimeMs = 0;
  int damage = 0;
};
