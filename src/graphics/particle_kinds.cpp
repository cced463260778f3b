// Births, updates and finishing rules of the ten particle kinds. Random draws happen in the order the
// formulas name them; the game's generator makes them reproducible under a seed.
#include "graphics/particle_kinds.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kTwoThirds = 0.6666667f;
constexpr float kBeamSpacing = 3.0f;
constexpr float kWarpDistance = 1200.0f;
constexpr float kWarpSpeed = 2000.0f;
constexpr int kWarpRebirthsPerUpdate = 10;

ParticleColour operator-(const ParticleColour& a, const ParticleColour& b) {
  return {a.r - b.r, a.g - b.g, a.b - b.b, a.a - b.a};
}
ParticleColour operator*(const ParticleColour& c, float s) {
  return {c.r * s, c.g * s, c.b * s, c.a * s};
}
ParticleColour& operator+=(ParticleColour& c, const ParticleColour& d) {
  c.r += d.r;
  c.g += d.g;
  c.b += d.b;
  c.a += d.a;
  return c;
}

// The change per second that takes `from` to `to` over a lifetime; none for a lifetime of 0, which ends at
// once anyway.
ParticleColour RateOver(const ParticleColour& from, const ParticleColour& to, float lifetime) {
  if (!(lifetime > 0.0f)) return {};
  return (to - from) * (1.0f / lifetime);
}

void Births(ParticleSystem& system, int count) {
  for (int i = 0; i < count; ++i) system.AddParticle();
}

}  // namespace

// ---- Kinds 0 and 1 ----

ExhaustParticles::ExhaustParticles(const math::Vec3* pointIn, float offsetIn, const math::Vec3* directionIn,
                                   ParticleColour a, ParticleColour b, float size, int count)
    : ExhaustParticles(kExhaustParticles, 5.0f, 1.0f, 0.2f, pointIn, offsetIn, directionIn, a, b, size,
                       count) {}

ExhaustParticles::ExhaustParticles(int kindIn, float spreadIn, float pushIn, float lifeSpreadIn,
                                   const math::Vec3* pointIn, float offsetIn, const math::Vec3* directionIn,
                                   ParticleColour a, ParticleColour b, float size, int count)
    : ParticleSystem(kindIn, 512, size, false),
      direction(directionIn),
      point(pointIn),
      colourA(a),
      colourB(b),
      offset(offsetIn),
      spread(spreadIn),
      push(pushIn),
      lifeSpread(lifeSpreadIn) {
  Births(*this, count);
  FitCapacity();
}

void ExhaustParticles::InitParticle(Particle& p) {
  const math::Vec3 d = *direction;
  p.alive = true;
  p.age = 0.0f;
  p.position = *point - d * offset;
  p.velocity = spread * RandomDirection() - push * d;
  p.lifetime = 0.1f + lifeSpread * RandomUnitDraw();
  p.colour = colourA;
  p.colourRate = RateOver(colourA, colourB, p.lifetime);
}

void ExhaustParticles::Update(float dt) {
  UpdateSpray(dt);
}

ThrustParticles::ThrustParticles(const math::Vec3* pointIn, float offsetIn, const math::Vec3* directionIn,
                                 ParticleColour a, ParticleColour b, float size, int count)
    : ExhaustParticles(kThrustParticles, 20.0f, 51.0f, 0.3f, pointIn, offsetIn, directionIn, a, b, size,
                       count) {}

// ---- Kind 2 ----

SmallSprayParticles::SmallSprayParticles(const math::Vec3* pointIn, float offsetIn,
                                         const math::Vec3* directionIn, int count)
    : ParticleSystem(kSmallSprayParticles, 64, 10.0f, false),
      direction(directionIn),
      point(pointIn),
      offset(offsetIn) {
  Births(*this, count);
  FitCapacity();
}

void SmallSprayParticles::InitParticle(Particle& p) {
  const math::Vec3 d = *direction;
  p.alive = true;
  p.age = 0.0f;
  p.position = *point - d * offset;
  p.velocity = 20.0f * RandomDirection() - d;
  p.lifetime = 0.1f + 0.2f * RandomUnitDraw();
  p.colour = ParticleColour{1.0f, 1.0f, 0.0f, 1.0f};
  p.colourRate = ParticleColour{-1.0f / p.lifetime, 0.0f, 0.0f, -1.0f / p.lifetime};
}

void SmallSprayParticles::Update(float dt) {
  UpdateSpray(dt);
}

// ---- Kind 3 ----

GlowParticles::GlowParticles(const math::Vec3* pointIn, ParticleColour colourIn, float size)
    : ParticleSystem(kGlowParticles, 512, size, true), point(pointIn), colour(colourIn) {
  AddParticle();
  FitCapacity();
}

void GlowParticles::InitParticle(Particle& p) {
  p.alive = true;
  p.age = 0.0f;
  if (point != nullptr) p.position = *point;
  p.colour = colour;
}

void GlowParticles::Update(float) {
  if (point == nullptr) return;
  for (Particle& p : particles) p.position = *point;
}

// ---- Kind 4 ----

ExplosionParticles::ExplosionParticles(math::Vec3 originIn, float durationIn, plat::gpu::Argb a,
                                       plat::gpu::Argb b, float speedIn, int count)
    : ParticleSystem(kExplosionParticles, 512, 10.0f, true),
      duration(durationIn),
      emitted(count / 2),
      colourA(ArgbToColour(a)),
      colourB(ArgbToColour(b)),
      speed(speedIn) {
  origin = originIn;
  rate = static_cast<float>(count);
  total = count;
  Births(*this, count / 2);
  FitCapacity(total - emitted);
}

void ExplosionParticles::InitParticle(Particle& p) {
  p.alive = true;
  p.age = 0.0f;
  p.position = origin;
  p.velocity = speed * RandomDirection();
  const float t = duration * kTwoThirds;
  p.lifetime = t > 0.1f ? 0.1f + RandomUnitDraw() * (t - 0.1f) : 0.1f;
  p.colour = colourA;
  p.baseColour = colourA;
  p.colourRate = RateOver(colourA, colourB, p.lifetime);
}

void ExplosionParticles::Update(float dt) {
  elapsed += dt;
  if (emitted < total) {
    int n = std::max(IntegerPart(dt * rate), 1);
    n = std::min(n, total - emitted);
    emitted += n;
    Births(*this, n);
  }
  const bool rebirths = elapsed < duration * 0.6f;
  for (Particle& p : particles) {
    if (p.alive) {
      p.position = p.position + p.velocity * dt;
      p.age += dt;
      p.baseColour += p.colourRate * dt;
      p.colour = p.baseColour;
      if (p.age > p.lifetime) p.alive = false;
    } else if (rebirths) {
      InitParticle(p);
    }
  }
  if (elapsed > duration) finished = true;
}

// ---- Kind 5 ----

ConvergeParticles::ConvergeParticles(const math::Vec3* pointIn, float durationIn, int count)
    : ParticleSystem(kConvergeParticles, 512, 30.5f, true), point(pointIn), duration(durationIn) {
  Births(*this, count);
  FitCapacity();
}

void ConvergeParticles::InitParticle(Particle& p) {
  p.alive = true;
  p.age = 0.0f;
  const math::Vec3 direction = RandomDirection();
  p.velocity = direction * (20.0f + 10.0f * RandomUnitDraw());
  p.lifetime = 0.5f + 0.3f * RandomUnitDraw();
  p.position = *point + p.velocity * p.lifetime;
  p.colour = ParticleColour{0.0f, 0.0f, 1.0f, 1.0f};
  p.colourRate = ParticleColour{1.0f / p.lifetime, 1.0f / p.lifetime, 0.0f, 0.0f};
}

void ConvergeParticles::Update(float dt) {
  elapsed += dt;
  for (Particle& p : particles) {
    if (p.alive) {
      // Reaches the point at the end of its life, and follows the point as it moves.
      p.position = *point + p.velocity * (p.lifetime - p.age);
      p.age += dt;
      p.colour += p.colourRate * dt;
      if (p.age > p.lifetime) p.alive = false;
    } else if (elapsed < duration) {
      InitParticle(p);
    }
  }
  if (elapsed > duration) finished = true;
}

// ---- Kind 6 ----

BeamParticles::BeamParticles(const math::Vec3* startIn, const math::Vec3* endIn, float size,
                             plat::gpu::Argb colourIn, int countIn)
    : ParticleSystem(kBeamParticles, 512, size, true),
      start(startIn),
      end(endIn),
      count(countIn),
      colour(colourIn) {
  Births(*this, count);
  FitCapacity();
}

void BeamParticles::InitParticle(Particle& p) {
  p.alive = true;
  p.age = 0.0f;
  p.position = *start;
  p.colour = ArgbToColour(colour);
}

void BeamParticles::Update(float) {
  const math::Vec3 from = *start;
  const math::Vec3 d = *end - from;
  const float length = math::Vec3Length(d);
  // A beam of no length shows one particle at its start.
  const float step = length > 0.0f ? kBeamSpacing / length : 2.0f;
  float t = 0.0f;
  math::Vec3 place = from;
  bool laying = true;
  for (Particle& p : particles) {
    if (!laying) {
      p.alive = false;
      continue;
    }
    t += step;
    p.position = place;
    p.alive = true;
    place = from + d * t;
    laying = t <= 1.0f;
  }
}

// ---- Kind 7 ----

StreakParticles::StreakParticles(math::Vec3 originIn, math::Vec3 directionIn, float size,
                                 plat::gpu::Argb colourIn, int countIn, float durationIn)
    : ParticleSystem(kStreakParticles, 512, size, true),
      streakOrigin(originIn),
      direction(directionIn),
      duration(durationIn),
      count(countIn),
      colour(colourIn) {
  origin = originIn;
  Births(*this, count);
  FitCapacity();
}

void StreakParticles::InitParticle(Particle& p) {
  p.alive = true;
  p.age = 0.0f;
  p.position = streakOrigin;
  p.lifetime = duration;
  p.colour = ArgbToColour(colour);
  // A streak of no duration is gone after its first update: it needs no fading.
  p.colourRate = ParticleColour{0.0f, 0.0f, 0.0f, duration > 0.0f ? -1.0f / duration : 0.0f};
}

void StreakParticles::Update(float dt) {
  if (!laid) {
    laid = true;
    const float length = math::Vec3Length(direction);
    // A streak of no length is one particle at its origin.
    const float step = length > 0.0f ? pointSize * 0.2f / length : 2.0f;
    float t = 0.0f;
    bool laying = true;
    for (Particle& p : particles) {
      if (!laying) {
        p.alive = false;
        continue;
      }
      p.position = streakOrigin + direction * t;
      p.alive = true;
      p.lifetime = std::max(std::min(t * duration + 0.3f, duration), 0.0f);
      t += step;
      laying = t <= 1.0f;
    }
  }
  const ParticleColour base = ArgbToColour(colour);
  for (Particle& p : particles) {
    p.age += dt;
    p.lifetime -= dt;
    p.colour = base;
    p.colour += p.colourRate * (duration - p.lifetime);
  }
  elapsed += dt;
  if (elapsed > duration) finished = true;
}

// ---- Kind 8 ----

WarpParticles::WarpParticles(const math::Vec3* pointIn, const math::Vec3* u, const math::Vec3* w,
                             const math::Vec3* directionIn, float radiusIn, float size, int count)
    : ParticleSystem(kWarpParticles, 512, size, false),
      point(pointIn),
      ringU(u),
      ringW(w),
      direction(directionIn),
      radius(radiusIn),
      colour{200.0f / 255.0f, 1.0f, 1.0f, 0.0f} {
  total = count;
  rate = static_cast<float>(count) * 0.05f;
  for (int i = 0; static_cast<float>(i) < rate; ++i) AddParticle();
  emitted = IntegerPart(rate);
  FitCapacity(total - emitted);
}

void WarpParticles::InitParticle(Particle& p) {
  const math::Vec3 at = *point;
  p.alive = true;
  p.age = 0.0f;
  p.colour = colour;
  p.position = at + *direction * kWarpDistance;
  const float f = 0.85f + 0.3f * RandomUnitDraw();
  // Eleven births in a row share an angle: their streaks fly as one bundle.
  if (groupCounter > 10) {
    groupCounter = 1;
    groupAngle = kTwoPi * RandomUnitDraw();
  } else {
    ++groupCounter;
  }
  const math::Vec3 ring =
      at + *ringU * (radius * std::cos(groupAngle)) + *ringW * (radius * std::sin(groupAngle));
  const math::Vec3 toRing = ring - p.position;
  p.velocity = math::Vec3Normalize(toRing) * (kWarpSpeed * f);
  p.lifetime = (math::Vec3Length(toRing) + kWarpDistance) * 0.0005f;
}

void WarpParticles::Update(float dt) {
  int rebirths = 0;
  for (Particle& p : particles) {
    if (p.alive) {
      p.position = p.position + p.velocity * dt;
      p.colour.a = 10.0f * p.age * p.age / p.lifetime;
      p.age += dt;
      if (p.age > p.lifetime) p.alive = false;
    } else if (rebirths < kWarpRebirthsPerUpdate) {
      ++rebirths;
      InitParticle(p);
    }
  }
  if (emitted < total) {
    ++emitted;
    AddParticle();
  }
}

// ---- Kind 9 ----

ChargeRingParticles::ChargeRingParticles(const math::Vec3* pointIn, const math::Vec3* u, const math::Vec3* w,
                                         const math::Vec3* centreDirectionIn, float durationIn,
                                         float radiusIn, ParticleColour a, ParticleColour b, int count)
    : ParticleSystem(kChargeRingParticles, 512, 20.0f, true),
      point(pointIn),
      centreDirection(centreDirectionIn),
      ringU(u),
      ringW(w),
      duration(durationIn),
      colourA(a),
      colourB(b),
      radius(radiusIn) {
  total = count;
  // A ring of no duration is born whole at once.
  rate = duration > 0.0f ? static_cast<float>(count) / (duration * 0.5f) : static_cast<float>(count);
  for (int i = 0; static_cast<float>(i) < rate; ++i) AddParticle();
  emitted = IntegerPart(rate);
  FitCapacity(total - emitted);
}

void ChargeRingParticles::InitParticle(Particle& p) {
  p.alive = true;
  p.age = 0.0f;
  const float angle = kTwoPi * RandomUnitDraw();
  const math::Vec3 n = *centreDirection;
  const math::Vec3 centre = *point + n * radius;
  p.position = centre + *ringU * (radius * std::cos(angle)) + *ringW * (radius * std::sin(angle));
  const float s = 10.0f + 90.0f * RandomUnitDraw();
  const math::Vec3 inward = centre - p.position;
  p.velocity = math::Vec3Normalize(inward) * (s * (1.0f + RandomUnitDraw()));
  p.lifetime = math::Vec3Length(inward) / s;
  p.drift = -n * s;
  p.colour = colourA;
  p.colourRate = RateOver(colourA, colourB, p.lifetime);
}

void ChargeRingParticles::Update(float dt) {
  for (Particle& p : particles) {
    if (p.alive) {
      p.position = p.position + (p.velocity + p.drift) * dt;
      p.age += dt;
      p.colour += p.colourRate * dt;
      if (p.age > p.lifetime) p.alive = false;
    } else {
      InitParticle(p);
    }
  }
  if (emitted < total) {
    ++emitted;
    AddParticle();
  }
  elapsed += dt;
  if (elapsed > duration) finished = true;
}
