// Power-ups: their models, the drift toward the ship, their lifetime and the effect each type gives player 0.
#include "game/powerup.h"

#include "app/engine.h"
#include "app/timer.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"

namespace {

constexpr float kDriftSpeed = 20.0f;  // units per second

enum PowerUpType : int {
  kHealthPowerUp = 0,
  kBombPowerUp = 1,
  kMissilePowerUp = 2,
  kBeamPowerUp = 3,
  kSpreadPowerUp = 4,
  kRailPowerUp = 5,
  kHelperPowerUp = 6,
};

// Player 0, or null while the engine has no player.
Player* FirstPlayer() {
  if (g_engine == nullptr || g_engine->players.empty()) return nullptr;
  return g_engine->GetPlayer();
}

}  // namespace

PowerUp::PowerUp(int type_, const math::Vec3& position, const math::Vec3& right, const math::Vec3& up,
                 const math::Vec3& forward)
    : type(type_) {
  if (const char* name = ModelName(type)) LoadModel(name, false);
  math::Vec3 x = right, y = up, z = forward;
  SetOrientation(x, y, z);
  SetPosition(position.x, position.y, position.z);
  if (model != nullptr && g_graphics != nullptr) {
    const ParticleEffectDesc glow = AppearEffect(model);
    g_graphics->SpawnParticleSystem(&glow);
  }
}

void PowerUp::Update(bool) {
  const Player* player = FirstPlayer();
  const Model* ship = player != nullptr ? player->GetModel() : nullptr;
  if (model != nullptr && ship != nullptr) {
    const math::Vec3 d = ship->position - model->position;
    const float distance = math::Vec3Length(d);
    // Already at the ship: there is no direction to go.
    if (distance > 0.0f) {
      const math::Vec3 step = d * (kDriftSpeed * Timer().GetFrameSeconds() / distance);
      model->Translate(step.x, step.y, step.z);
    }
  }
  if (GetAgeMs() > kLifeMs) dead = true;
}

void PowerUp::OnCollision(Entity*, int) {
  // Once only: a second touch in the same pass gives nothing more. A power-up whose time ran out in this
  // frame is still there to be taken.
  if (used) return;
  used = true;
  dead = true;
  Player* player = FirstPlayer();
  if (player == nullptr) return;
  switch (type) {
    case kHealthPowerUp:
      player->SetHealth(Player::kMaxHealth);
      break;
    case kBombPowerUp:
      player->PickUpWeapon(kBeamGun);
      break;
    case kMissilePowerUp:
      player->PickUpWeapon(kMissiles);
      break;
    case kBeamPowerUp:
      player->PickUpWeapon(kRayCannon);
      break;
    case kSpreadPowerUp:
      player->PickUpWeapon(kSpreadShot);
      break;
    case kRailPowerUp:
      player->PickUpWeapon(kRailgun);
      break;
    case kHelperPowerUp:
      player->AddHelper();
      break;
    default:
      break;
  }
}

const char* PowerUp::ModelName(int type) {
  static constexpr const char* kNames[kTypes] = {"powerup_health",      "powerup_bomb",   "powerup_missile",
                                                 "powerup_beam",        "powerup_spread", "powerup_rail",
                                                 "powerup_flamethrower"};
  return type >= 0 && type < kTypes ? kNames[type] : nullptr;
}
