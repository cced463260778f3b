// The projectile base and the shots that fly as bodies: bullets, bombs, poison clouds and missiles.
#include "game/projectile.h"

#include "app/engine.h"
#include "app/game_state.h"
#include "app/timer.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "math/random.h"

namespace {

constexpr float kRadiansPerDegree = 0.017453277f;
constexpr int kBulletLifeMs = 5000;
constexpr int kBombFuseMs = 750;
constexpr int kBombLifeMs = 3000;
constexpr float kBlastGrowth = 150.0f;
constexpr int kPoisonLifeMs = 250;
constexpr float kPoisonGrowth = 50.0f;
constexpr float kMissileTopSpeed = 300.0f;
constexpr float kDriftDecay = 50.0f;
constexpr int kHomingDelayMs = 500;

float Speedup(bool fast) {
  return fast ? 3.0f : 1.0f;
}
int CurrentState() {
  return g_engine != nullptr ? g_engine->state : 0;
}

// Loads the model, takes the axes and the place.
void Place(Entity& shot, const char* model, const ShotAxes& axes, const math::Vec3& position, bool visible) {
  shot.LoadModel(model, false);
  ShotAxes copy = axes;
  shot.SetOrientation(copy.right, copy.up, copy.forward);
  shot.SetPosition(position.x, position.y, position.z);
  if (shot.GetModel() != nullptr) shot.GetModel()->visible = visible;
}

// One particle glued to the model's position (kind 3).
void AttachGlow(Model* model, ParticleColour colour, float size) {
  if (model == nullptr || g_graphics == nullptr) return;
  ParticleEffectDesc desc;
  desc.owner = model;
  desc.attached = true;
  desc.kind = kGlowParticles;
  desc.vecA = &model->position;
  desc.colourA = colour;
  desc.pointSize = size;
  g_graphics->SpawnParticleSystem(&desc);
}

// The first collision sphere of part 0, null when the model has none.
CollisionSphere* FirstSphere(Model* model) {
  if (model == nullptr || model->parts.empty() || model->parts[0] == nullptr) return nullptr;
  std::vector<CollisionSphere>& spheres = model->parts[0]->spheres;
  return spheres.empty() ? nullptr : &spheres[0];
}

// Drift toward 0 by decay, stopping at 0; within half a unit it stays.
void DecayDrift(float& drift, float decay) {
  if (drift > 0.5f) {
    drift = drift - decay > 0.0f ? drift - decay : 0.0f;
  } else if (drift < -0.5f) {
    drift = drift + decay < 0.0f ? drift + decay : 0.0f;
  }
}

}  // namespace

void Projectile::Update(bool) {}

math::Vec3 SpawnPoint(const Entity& ship) {
  const Model* model = ship.GetModel();
  if (model == nullptr) return ship.position;
  return model->position - 3.5f * model->yAxis + 13.0f * model->zAxis;
}

ShotAxes AxesOf(const Entity& entity) {
  const Model* model = entity.GetModel();
  if (model == nullptr) return {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  return {model->xAxis, model->yAxis, model->zAxis};
}

Bullet::Bullet(int damage, const math::Vec3& position, const ShotAxes& axes, float speed_,
               ParticleColour colour_, float size_, bool splits_, int hitCounter_)
    : speed(speed_), splits(splits_), colour(colour_), size(size_), hitCounter(hitCounter_) {
  Place(*this, "Bullet", axes, position, false);  // only its glow shows
  AttachGlow(model, colour, size);
  SetDamage(damage);
}

void Bullet::Update(bool fast) {
  ++hitCounter;
  MoveForward(speed * Timer().GetFrameSeconds() * Speedup(fast));
  if (GetAgeMs() > kBulletLifeMs) dead = true;
}

void Bullet::OnCollision(Entity*, int) {
  if (hitCounter < kArmedCounter) return;
  dead = true;
  if (!splits || model == nullptr) return;
  const int state = CurrentState();
  for (int k = 0; k < 4; ++k) {
    const float angle = static_cast<float>(90 * k + math::Random() % 90 + 45) * kRadiansPerDegree;
    auto* child =
        new Bullet(static_cast<int>(static_cast<float>(damage) * 0.25f), model->position, AxesOf(*this),
                   speed * 0.6666667f, colour, size * 2.0f / 3.0f, false, kChildCounter);
    if (Model* m = child->GetModel()) {
      if (state == kTopView || state == kRailView) m->RotateAboutAxisV(&m->yAxis, angle);
      if (state == kSideView) m->RotateAboutAxisV(&m->xAxis, angle);
      if (state == kRailView) m->RotateAboutAxisV(&m->xAxis, k % 2 == 0 ? angle : -angle);
    }
    if (g_engine != nullptr) {
      g_engine->AddObject(child);
    } else {
      delete child;
    }
  }
}

Bomb::Bomb(int damage, const math::Vec3& position, const ShotAxes& axes, float speed_, ParticleColour colour,
           float size, float blastSpeed_)
    : speed(speed_), blastSpeed(blastSpeed_) {
  Place(*this, "Bomb", axes, position, true);
  AttachGlow(model, colour, size);
  SetDamage(damage);
}

void Bomb::Update(bool fast) {
  const float dt = Timer().GetFrameSeconds();
  MoveForward(speed * dt * Speedup(fast));
  if (model != nullptr) model->SetScale(blastRadius, blastRadius, blastRadius);
  if (blasting) {
    blastRadius += kBlastGrowth * dt;
    // A model without a sphere has nothing to blast with; the bomb still grows and ends.
    if (CollisionSphere* sphere = FirstSphere(model)) sphere->radius = blastRadius;
  }
  const int age = GetAgeMs();
  if (age > kBombFuseMs) {
    blasting = true;
    speed = blastSpeed;
  }
  if (age > kBombLifeMs) dead = true;
}

void Bomb::OnCollision(Entity*, int) {
  blasting = true;
  speed = blastSpeed;
}

Poison::Poison(int damagePerSecond_, const math::Vec3& at) : damagePerSecond(damagePerSecond_) {
  Place(*this, "Poison", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, at, false);
  if (g_graphics != nullptr) {
    const ParticleEffectDesc desc = CloudEffect(at);
    g_graphics->SpawnParticleSystem(&desc);
  }
  if (CollisionSphere* sphere = FirstSphere(model)) sphere->radius = 10.0f;
}

ParticleEffectDesc Poison::CloudEffect(const math::Vec3& at) {
  return ExplosionEffect(&at, 50.0f, 500, 0.75f, {1.0f, 1.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 0.0f});
}

void Poison::Update(bool) {
  const float dt = Timer().GetFrameSeconds();
  SetDamage(static_cast<int>(dt * static_cast<float>(damagePerSecond)));
  if (CollisionSphere* sphere = FirstSphere(model)) sphere->radius += kPoisonGrowth * dt;
  if (GetAgeMs() > kPoisonLifeMs) dead = true;
}

Missile::Missile(int damage, const math::Vec3& position, const ShotAxes& axes, float verticalSpeed_,
                 float sidewaysSpeed_, bool homing_, bool enemys_)
    : sidewaysSpeed(sidewaysSpeed_), verticalSpeed(verticalSpeed_), homing(homing_), enemys(enemys_) {
  Place(*this, "Missile", axes, position, true);
  SetDamage(damage);
  // The exhaust blows from the tail (the first lock point of part 0) along the part's forward axis.
  if (model == nullptr || g_graphics == nullptr || model->parts.empty() ||
      model->parts[0]->lockPoints.empty()) {
    return;
  }
  const ParticleEffectDesc desc = ExhaustEffect(model, model->parts[0], 64);
  g_graphics->SpawnParticleSystem(&desc);
}

void Missile::Update(bool fast) {
  const float dt = Timer().GetFrameSeconds();
  MoveForward(dt * (enemys ? 75.0f : speed));
  MoveRight(dt * sidewaysSpeed * Speedup(fast));
  MoveUp(dt * verticalSpeed);
  speed += dt * acceleration;
  DecayDrift(sidewaysSpeed, kDriftDecay * dt);
  DecayDrift(verticalSpeed, kDriftDecay * dt);
  const int age = GetAgeMs();
  if (age > (enemys ? kEnemyLifeMs : kPlayerLifeMs)) OnCollision(this, 0);
  if (speed > kMissileTopSpeed) speed = kMissileTopSpeed;

  if (model == nullptr || g_engine == nullptr) return;
  if (!enemys && !(homing && age > kHomingDelayMs)) return;
  const math::Vec3* target = nullptr;
  if (enemys) {
    if (!g_engine->players.empty() && g_engine->GetPlayer()->GetModel() != nullptr) {
      target = &g_engine->GetPlayer()->GetModel()->position;
    }
  } else if (g_engine->enemyManager != nullptr) {
    double distance = 0.0;
    const math::Vec3& p = model->position;
    target = g_engine->enemyManager->FindNearestTarget(p.x, p.y, p.z, &distance);
  }
  if (target == nullptr) return;
  // A target straight ahead gives a zero axis: no turn.
  const math::Vec3 axis = math::Vec3Cross(model->position - *target, model->zAxis);
  model->RotateAboutAxisV(&axis, dt * (enemys ? 0.30543238f : 6.283180f));
}

void Missile::OnCollision(Entity*, int) {
  dead = true;
  const math::Vec3 at = model != nullptr ? model->position : position;
  if (g_engine != nullptr) g_engine->AddObject(new Poison(6000, at));
}
