// The shots that strike along a segment: the one-pass rail shot with its chain, and the growing ray beam.
#include "app/engine.h"
#include "app/timer.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/projectile.h"
#include "graphics/graphics.h"
#include "graphics/model.h"

namespace {
constexpr int kRayLifeMs = 1000;
constexpr float kRailReach = 300000.0f;
constexpr float kStreakLength = 500.0f;
constexpr float kBeamSpeed = 300.0f;

// Hidden model "Bullet" with the given axes at a place: only the rays' effects show.
void PlaceHidden(Entity& shot, const ShotAxes& axes, const math::Vec3& at) {
  shot.LoadModel("Bullet", false);
  ShotAxes copy = axes;
  shot.SetOrientation(copy.right, copy.up, copy.forward);
  shot.SetPosition(at.x, at.y, at.z);
  if (shot.GetModel() != nullptr) shot.GetModel()->visible = false;
}
}  // namespace

RailShot::RailShot(int damage_, const Entity& shooter, ParticleColour colour, int chainCount_,
                   const math::Vec3* target, bool fromSpawnPoint)
    : chainCount(chainCount_) {
  const ShotAxes axes = AxesOf(shooter);
  const math::Vec3 start = fromSpawnPoint                  ? SpawnPoint(shooter)
                           : shooter.GetModel() != nullptr ? shooter.GetModel()->position
                                                           : shooter.position;
  PlaceHidden(*this, axes, start);
  const math::Vec3 segment = target != nullptr ? *target - start : axes.forward * kRailReach;
  if (g_graphics != nullptr) {
    // The streak is laid once from copies of these two vectors.
    const math::Vec3 streak = target != nullptr ? segment : axes.forward * kStreakLength;
    ParticleEffectDesc desc;
    desc.kind = kStreakParticles;
    desc.count = 400;
    desc.duration = 1.0f;
    desc.colourA = colour;
    desc.pointSize = 5.0f;
    desc.vecA = &start;
    desc.vecB = &streak;
    g_graphics->SpawnParticleSystem(&desc);
  }
  const math::Vec3 end = start + segment;
  SetPosition(end.x, end.y, end.z);
  rayStart = start;
  raySegment = segment;
  rayThickness = 5.0f;
  isRay = true;
  SetDamage(damage_);
}

void RailShot::Update(bool) {
  // The ray takes part in the collision pass of the frame it was made in, and in no other.
  if (!firstUpdate) isRay = false;
  firstUpdate = false;
  if (GetAgeMs() > kRayLifeMs) dead = true;
}

void RailShot::OnCollision(Entity* other, int) {
  if (chainCount <= 0) return;
  // Only an enemy carries the flag that keeps the chain from picking it again.
  if (auto* enemy = dynamic_cast<Enemy*>(other)) enemy->chainHit = true;
  if (g_engine == nullptr || g_engine->enemyManager == nullptr) return;
  const math::Vec3* target = g_engine->enemyManager->PickRandomTarget();
  if (target == nullptr) return;
  --chainCount;
  g_engine->AddObject(new RailShot(damage, *this, {1.0f, 0.0f, 0.0f, 1.0f}, chainCount, target, false));
}

RayShot::RayShot(int damagePerSecond_, Entity& shooter_, const math::Vec3* fixed, int width,
                 ParticleColour colourA, ParticleColour colourB, const math::Vec3* direction_, int lockPoint_)
    : fixedOrigin(fixed != nullptr), damagePerSecond(damagePerSecond_), lockPoint(lockPoint_) {
  const math::Vec3 at = shooter_.GetModel() != nullptr ? shooter_.GetModel()->position : shooter_.position;
  PlaceHidden(*this, AxesOf(shooter_), at);
  if (fixedOrigin) {
    origin = *fixed;
    SetPosition(origin.x, origin.y, origin.z);
    direction = AxesOf(shooter_).forward;
  } else {
    shooter = shooter_.Handle();
    FollowShooter(shooter_);
  }
  if (direction_ != nullptr) direction = *direction_;

  if (model != nullptr && g_graphics != nullptr) {
    // The beam runs from the origin to the model, which sits at the beam's far end.
    ParticleEffectDesc desc;
    desc.owner = model;
    desc.attached = true;
    desc.kind = kBeamParticles;
    desc.count = 100;
    desc.pointSize = static_cast<float>(width);
    desc.vecA = &origin;
    desc.vecB = &model->position;
    desc.colourA = fixedOrigin ? ParticleColour{0.0f, 0.0f, 0.0f, 1.0f} : colourA;
    desc.colourB = fixedOrigin ? ParticleColour{1.0f, 0.0f, 0.0f, 1.0f} : colourB;
    g_graphics->SpawnParticleSystem(&desc);
  }
  rayThickness = static_cast<float>(width) * 0.2f;
  isRay = true;
}

void RayShot::FollowShooter(const Entity& from) {
  const Model* m = from.GetModel();
  if (m == nullptr) {
    origin = from.position;
    direction = {0.0f, 0.0f, 1.0f};
    return;
  }
  origin = m->position;
  if (lockPoint >= 0 && !m->parts.empty() &&
      static_cast<size_t>(lockPoint) < m->parts[0]->lockPoints.size()) {
    origin = m->parts[0]->lockPoints[static_cast<size_t>(lockPoint)].worldPosition;
  }
  direction = m->zAxis;
}

void RayShot::Update(bool fast) {
  const float dt = Timer().GetFrameSeconds();
  SetDamage(static_cast<int>(dt * static_cast<float>(damagePerSecond) + 1.0f));
  if (dead) return;
  length += fast ? dt * 3.0f : dt;
  // A shooter that is gone leaves the beam its last origin and direction.
  if (!fixedOrigin) {
    if (const Entity* from = shooter.Get()) FollowShooter(*from);
  }
  const math::Vec3 segment = direction * kBeamSpeed * length;
  const math::Vec3 end = origin + segment;
  SetPosition(end.x, end.y, end.z);
  rayStart = origin;
  raySegment = segment;
  if (GetAgeMs() > kRayLifeMs) dead = true;
}
