// An enemy's damage rules, its death (score, explosion, sound, drop) and its carry along with the camera.
#include "enemies/enemy.h"

#include <algorithm>

#include "app/engine.h"
#include "app/sound_system.h"
#include "app/timer.h"
#include "enemies/enemy_manager.h"
#include "game/powerup.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "math/random.h"

namespace {

constexpr int kHitFlashMs = 1000;

// The armour chain of the PsychoFront: the part hit, the scratch entry that must be spent first (-1 none),
// and the scratch entry it wears down (-1: the body's health).
struct ArmourLink {
  int part;
  int guard;
  int target;
};
constexpr ArmourLink kFrontArmour[] = {{8, -1, 4}, {7, 4, 3}, {6, 3, 2}, {5, 2, 1}, {4, 1, 0}, {1, 0, -1}};

}  // namespace

Enemy::Enemy() {
  std::fill(std::begin(scratch), std::end(scratch), -1);
}

Enemy::~Enemy() {
  for (Enemy* other : {linkA, linkB}) {
    if (other == nullptr) continue;
    if (other->linkA == this) other->linkA = nullptr;
    if (other->linkB == this) other->linkB = nullptr;
  }
}

void Enemy::StepHitFlash(int slot, bool lit) {
  if (model == nullptr || slot < 0 || slot >= kSlots || static_cast<size_t>(slot) >= model->parts.size()) {
    return;
  }
  ObjectPart& part = *model->parts[static_cast<size_t>(slot)];
  if (!lit || hitFlashMs[slot] <= 0) {
    part.hitFlash = 0.0f;
    return;
  }
  const float step = Timer().GetFrameSeconds() * 4.0f;
  if (flashPhase[slot] == 0) {
    part.hitFlash += step;
    if (part.hitFlash >= 1.0f) {
      part.hitFlash = 1.0f;
      flashPhase[slot] = 1;
    }
  } else {
    part.hitFlash -= step;
    if (part.hitFlash <= 0.0f) {
      part.hitFlash = 0.0f;
      flashPhase[slot] = 0;
    }
  }
  hitFlashMs[slot] -= Timer().GetFrameMs();
}

void Enemy::OnCollision(Entity* other, int part) {
  if (g_engine != nullptr && g_engine->enemyManager != nullptr && g_engine->enemyManager->startDelayMs > 0)
    return;
  const int damage = other != nullptr ? other->GetDamage() : 0;
  switch (typeId) {
    case kPsychoSideId:
      if (part >= 0 && part <= 4) {
        scratch[part] -= damage;
        hitFlashMs[part] = kHitFlashMs;
      }
      break;
    case kPsychoRearId:
      if (linkA == nullptr && linkB == nullptr) health -= damage;
      break;
    case kPsychoFrontId:
      for (const ArmourLink& link : kFrontArmour) {
        if (link.part != part) continue;
        if (link.guard >= 0 && scratch[link.guard] > 0) break;
        (link.target >= 0 ? scratch[link.target] : health) -= damage;
        hitFlashMs[part] = kHitFlashMs;
        break;
      }
      break;
    default:
      health -= damage;
      hitFlashMs[0] = kHitFlashMs;
      break;
  }
}

void Enemy::Die(Enemy* enemy, int timeoutMs, int dropOneIn) {
  if (timeoutMs != 0 && enemy->GetAgeMs() >= timeoutMs) {
    enemy->remove = true;
    return;
  }
  Model* model = enemy->GetModel();
  const math::Vec3 at = model != nullptr ? model->position : enemy->position;
  if (g_engine != nullptr) {
    enemy->PayScore();
    if (g_graphics != nullptr) {
      const ParticleEffectDesc blast = ExplosionEffect(&at, 40.0f, 200, 0.5f, {0, 1, 0, 1}, {0, 0, 0, 0});
      g_graphics->SpawnParticleSystem(&blast);
    }
    g_engine->PlaySound(g_engine->GetSound(kSoundExplode), at.x, at.y, at.z, 0.0f, 0.0f, 0.0f, true);

    if (math::Random() % std::max(dropOneIn, 1) == 0) {
      const int type = math::Random() % PowerUp::kTypes;
      math::Vec3 right{1, 0, 0}, up{0, 1, 0}, forward{0, 0, 1};
      if (g_graphics != nullptr) {
        right = -g_graphics->camera.GetRight();
        up = g_graphics->camera.GetUp();
        forward = -g_graphics->camera.GetLook();
      }
      auto* drop = new PowerUp(type, at, right, up, forward);
      g_engine->enemyObjects.push_back(drop);
      if (g_graphics != nullptr && drop->GetModel() != nullptr) {
        const ParticleEffectDesc glow = AppearEffect(drop->GetModel());
        g_graphics->SpawnParticleSystem(&glow);
      }
    }
  }
  enemy->remove = true;
}

void Enemy::PayScore() const {
  if (g_engine != nullptr) g_engine->AddScore(score);
}

void Enemy::MoveWithCamera(Enemy* enemy) {
  Model* model = enemy->GetModel();
  if (model == nullptr || g_engine == nullptr) return;
  const math::Vec3 step = g_engine->forward * (Timer().GetFrameSeconds() * g_gameSpeed);
  model->SetPosition(model->position.x + step.x, model->position.y + step.y, model->position.z + step.z);
}
