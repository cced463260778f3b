// Every shot in the game: the Projectile base and its six shot classes (bullets, bombs, poison clouds,
// missiles, rail shots and ray beams). Each moves and ages itself once per frame and ends by its dead flag.
#pragma once

#include "game/entity.h"
#include "graphics/particle_system.h"
#include "math/math3d.h"

class Projectile : public Entity {
 public:
  // Moves the object one frame; fast makes the player's shots fly three times as fast.
  virtual void Update(bool fast);
};

// The three axes a shot takes as its model's right, up and forward axes.
struct ShotAxes {
  math::Vec3 right, up, forward;
};

// A glowing shot on a hidden model. It cannot end on a hit until its hit counter reaches 30; a splitting
// bullet then breaks into four children.
class Bullet : public Projectile {
 public:
  static constexpr int kArmedCounter = 30;
  static constexpr int kChildCounter = 27;

  Bullet(int damage, const math::Vec3& position, const ShotAxes& axes, float speed, ParticleColour colour,
         float size, bool splits, int hitCounter);
  void Update(bool fast) override;
  void OnCollision(Entity* other, int part) override;

  float speed;
  bool splits;
  ParticleColour colour;
  float size;
  int hitCounter;
};

// A visible ball that blasts from 750 ms (or on a hit): its first sphere grows 150 units a second until it
// ends at 3000 ms.
class Bomb : public Projectile {
 public:
  Bomb(int damage, const math::Vec3& position, const ShotAxes& axes, float speed, ParticleColour colour,
       float size, float blastSpeed);
  void Update(bool fast) override;
  void OnCollision(Entity* other, int part) override;

  float speed;
  float blastSpeed;
  bool blasting = false;
  float blastRadius = 1.0f;
};

// A damaging cloud that grows for 250 ms and passes through what it touches.
class Poison : public Projectile {
 public:
  Poison(int damagePerSecond, const math::Vec3& position);
  void Update(bool fast) override;
  // The cloud's burst at a place, free in the world: a yellow-to-red explosion of 500 particles.
  static ParticleEffectDesc CloudEffect(const math::Vec3& at);

  int damagePerSecond;
};

// An accelerating missile that drifts sideways, may home in and bursts into a poison cloud.
class Missile : public Projectile {
 public:
  static constexpr int kPlayerLifeMs = 2500;
  static constexpr int kEnemyLifeMs = 5000;

  Missile(int damage, const math::Vec3& position, const ShotAxes& axes, float verticalSpeed,
          float sidewaysSpeed, bool homing, bool enemys);
  void Update(bool fast) override;
  void OnCollision(Entity* other, int part) override;

  float speed = 120.0f;
  float acceleration = 250.0f;
  float sidewaysSpeed;
  float verticalSpeed;
  bool homing;
  bool enemys;
};

// An instant ray that takes part in exactly one collision pass; from chain count 1 up, each hit sends a new
// shot on to a random target.
class RailShot : public Projectile {
 public:
  // From the shooter's position (or its spawn point) to target, or 300000 units along its forward axis
  // without one. The shooter is read only here.
  RailShot(int damage, const Entity& shooter, ParticleColour colour, int chainCount, const math::Vec3* target,
           bool fromSpawnPoint);
  void Update(bool fast) override;
  void OnCollision(Entity* other, int part) override;

  int chainCount;
  bool firstUpdate = true;
};

// A beam growing 300 units a second from its origin. A beam with a fixed origin stays where it was made and
// never reads its shooter again; otherwise it follows the shooter through a handle and keeps its last
// origin and direction once the shooter is gone.
class RayShot : public Projectile {
 public:
  RayShot(int damagePerSecond, Entity& shooter, const math::Vec3* fixedOrigin, int width,
          ParticleColour colourA, ParticleColour colourB, const math::Vec3* direction, int lockPoint);
  void Update(bool fast) override;

  bool fixedOrigin;
  float length = 0.0f;
  EntityHandle shooter;  // empty for a fixed-origin beam
  math::Vec3 origin;     // tracked by the beam's particles
  math::Vec3 direction;
  int damagePerSecond;
  int lockPoint;

 private:
  // Origin and direction from the shooter: its lock point of part 0 (or its position) and forward axis.
  void FollowShooter(const Entity& from);
};

// The spawn point of a ship's shots: 3.5 below and 13 ahead of its model's position along its own axes.
math::Vec3 SpawnPoint(const Entity& ship);
// A model's right, up and forward axes (the world axes without a model).
ShotAxes AxesOf(const Entity& entity);
