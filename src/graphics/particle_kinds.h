// The ten particle kinds: how each is born, moves on and finishes. Pointer arguments are tracked (read again
// at every birth and update); vectors passed by value are copies taken at construction.
#pragma once

#include "graphics/particle_system.h"

// Kind 0: an endless spray blown back from a point, fading from colour A to colour B.
class ExhaustParticles : public ParticleSystem {
 public:
  ExhaustParticles(const math::Vec3* point, float offset, const math::Vec3* direction, ParticleColour colourA,
                   ParticleColour colourB, float pointSize, int count);
  void InitParticle(Particle& p) override;
  void Update(float dt) override;

 protected:
  // spread: the random part of the velocity; push: how hard the direction blows; lifeSpread: the random part
  // of the lifetime.
  ExhaustParticles(int kind, float spread, float push, float lifeSpread, const math::Vec3* point,
                   float offset, const math::Vec3* direction, ParticleColour colourA, ParticleColour colourB,
                   float pointSize, int count);

 private:
  const math::Vec3* direction;
  const math::Vec3* point;
  ParticleColour colourA, colourB;
  float offset;
  float spread, push, lifeSpread;
};

// Kind 1: the same, stronger and longer.
class ThrustParticles : public ExhaustParticles {
 public:
  ThrustParticles(const math::Vec3* point, float offset, const math::Vec3* direction, ParticleColour colourA,
                  ParticleColour colourB, float pointSize, int count);
};

// Kind 2: a small yellow spray whose red and alpha run out over its life.
class SmallSprayParticles : public ParticleSystem {
 public:
  SmallSprayParticles(const math::Vec3* point, float offset, const math::Vec3* direction, int count);
  void InitParticle(Particle& p) override;
  void Update(float dt) override;

 private:
  const math::Vec3* direction;
  const math::Vec3* point;
  float offset;
};

// Kind 3: one particle glued to a point; lives as long as its model.
class GlowParticles : public ParticleSystem {
 public:
  GlowParticles(const math::Vec3* point, ParticleColour colour, float pointSize);
  void InitParticle(Particle& p) override;
  void Update(float dt) override;

 private:
  const math::Vec3* point;
  ParticleColour colour;
};

// Kind 4: a one-shot burst from a fixed point, half at once and the rest over the first frames.
class ExplosionParticles : public ParticleSystem {
 public:
  ExplosionParticles(math::Vec3 origin, float duration, plat::gpu::Argb colourA, plat::gpu::Argb colourB,
                     float speed, int count);
  void InitParticle(Particle& p) override;
  void Update(float dt) override;

  float elapsed = 0.0f;
  float duration;
  int emitted;

 private:
  ParticleColour colourA, colourB;
  float speed;
};

// Kind 5: particles rushing in onto a point, blue turning white.
class ConvergeParticles : public ParticleSystem {
 public:
  ConvergeParticles(const math::Vec3* point, float duration, int count);
  void InitParticle(Particle& p) override;
  void Update(float dt) override;

  float elapsed = 0.0f;

 private:
  const math::Vec3* point;
  float duration;
};

// Kind 6: particles laid every 3 units from the start toward the end, anew every update.
class BeamParticles : public ParticleSystem {
 public:
  BeamParticles(const math::Vec3* start, const math::Vec3* end, float pointSize, plat::gpu::Argb colour,
                int count);
  void InitParticle(Particle& p) override;
  void Update(float dt) override;

 private:
  const math::Vec3* start;
  const math::Vec3* end;
  int count;
  plat::gpu::Argb colour;
};

// Kind 7: a one-shot streak laid once along a direction, fading from its origin end.
class StreakParticles : public ParticleSystem {
 public:
  StreakParticles(math::Vec3 origin, math::Vec3 direction, float pointSize, plat::gpu::Argb colour, int count,
                  float duration);
  void InitParticle(Particle& p) override;
  void Update(float dt) override;

  float elapsed = 0.0f;

 private:
  math::Vec3 streakOrigin;
  math::Vec3 direction;
  float duration;
  int count;
  bool laid = false;
  plat::gpu::Argb colour;
};

// Kind 8: an endless tunnel of streaks flying from far ahead past a ring around the point.
class WarpParticles : public ParticleSystem {
 public:
  WarpParticles(const math::Vec3* point, const math::Vec3* ringU, const math::Vec3* ringW,
                const math::Vec3* direction, float radius, float pointSize, int count);
  void InitParticle(Particle& p) override;
  void Update(float dt) override;

  int emitted;

 private:
  const math::Vec3* point;
  const math::Vec3* ringU;
  const math::Vec3* ringW;
  const math::Vec3* direction;
  float radius;
  float groupAngle = 0.0f;
  int groupCounter = 100;  // above 10: the next birth starts a new bundle
  ParticleColour colour;
};

// Kind 9: a one-shot ring of particles drawn in toward a centre point.
class ChargeRingParticles : public ParticleSystem {
 public:
  ChargeRingParticles(const math::Vec3* point, const math::Vec3* ringU, const math::Vec3* ringW,
                      const math::Vec3* centreDirection, float duration, float radius, ParticleColour colourA,
                      ParticleColour colourB, int count);
  void InitParticle(Particle& p) override;
  void Update(float dt) override;

  float elapsed = 0.0f;
  int emitted;

 private:
  const math::Vec3* point;
  const math::Vec3* centreDirection;
  const math::Vec3* ringU;
  const math::Vec3* ringW;
  float duration;
  ParticleColour colourA, colourB;
  float radius;
};
