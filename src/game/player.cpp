// The player's ship: set-up, the per-frame update (respawn, hit flash and its alpha pulse), hits, weapon
// pick-ups and the dash. Movement and placement are in player_movement.cpp.
#include "game/player.h"

#include <algorithm>
#include <string>

#include "app/engine.h"
#include "app/game_state.h"
#include "app/sound_system.h"
#include "app/timer.h"
#include "game/helper.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "math/random.h"
#include "math/saturating.h"

namespace {
constexpr float kAlphaRate = 1.55f;
constexpr float kMinAlpha = 0.25f;
constexpr float kReticleAlpha = 0.8f;
constexpr float kHitTint = 0.75f;
constexpr float kContactDamagePerSecond = 10000.0f;
constexpr int kEngineParts = 4;  // model parts 1 to 4 carry the engines

// A free burst of orange sparks turning to transparent yellow (kind 4) at a place.
void Burst(const math::Vec3& at, int count, float size) {
  if (g_graphics == nullptr) return;
  const ParticleEffectDesc desc =
      ExplosionEffect(&at, size, count, 0.75f, {1.0f, 0.502f, 0.0f, 1.0f}, {1.0f, 1.0f, 0.0f, 0.0f});
  g_graphics->SpawnParticleSystem(&desc);
}

// Up to 5 units either way.
float Jitter() {
  return static_cast<float>(math::Random() % 500 - 250) * 0.02f;
}
}  // namespace

Player::Player(Engine* owner, int* previous) : engine(owner), previousState(previous) {
  Init();
  chargeHum = 0.0f;
}

Player::~Player() {
  // The graphics object deletes flagged models in its next update; the ship model goes with ~Entity.
  ReleaseReticles();
  ReleaseHelpers();
}

void Player::ReleaseHelpers() {
  for (Helper*& helper : helpers) {
    delete helper;  // hands its model back
    helper = nullptr;
  }
}

void Player::HideHelpers() {
  for (Helper* helper : helpers) {
    if (helper != nullptr && helper->GetModel() != nullptr) helper->GetModel()->visible = false;
  }
  helperCount = 0;
}

void Player::ReleaseReticles() {
  for (Model*& reticle : reticles) {
    if (reticle != nullptr) reticle->unload = true;
    reticle = nullptr;
  }
}

void Player::Init() {
  LoadModel("KV01", true);  // blended, so that the ship's alpha shows
  if (model != nullptr && g_graphics != nullptr) AttachExhausts(*g_graphics, model);

  weaponCode = kBeamGun;
  weaponLevel = 1;
  primaryLevel = 1;
  velocity = {};
  lastWeaponShot = 0;
  lastPrimaryShot = 0;

  ReleaseReticles();
  for (Model*& reticle : reticles) {
    if (g_graphics == nullptr) continue;
    Model* loaded = nullptr;
    if (g_graphics->LoadModel(&loaded, "Ret.X", 0.0f, 0.0f, 0.0f, true, false)) {
      reticle = loaded;
      reticle->SetAlpha(kReticleAlpha);
    }
  }

  flashing = false;
  flashTime = 0;
  health = kMaxHealth;
  shipDead = false;
  alpha = 1.0f;
  alphaRate = -kAlphaRate;
  cameraYawSource = 0.0f;
  cameraPitchSource = 0.0f;
  rapidFireLeft = 0;
  roll = 0;
  ReleaseHelpers();
  for (Helper*& helper : helpers) helper = new Helper();
  HideHelpers();

  offset = {};
  dashLeft = 0;
  dashing = false;
  dashDirection[0] = dashDirection[1] = 0;
  lastDashStart = 0;
  bombs = kStartBombs;
  lives = kStartLives;

  // A model without part 0 or without the lock point has no ray origin.
  rayLockPoint = -1;
  if (model != nullptr && !model->parts.empty()) {
    const std::vector<LockPoint>& points = model->parts[0]->lockPoints;
    for (size_t i = 0; i < points.size(); ++i) {
      if (points[i].name == "RayLockpoint") rayLockPoint = static_cast<int>(i);
    }
  }
}

int Player::State() const {
  return engine != nullptr ? engine->state : 0;
}

void Player::Update() {
  const Timer timer;
  const float dt = timer.GetFrameSeconds();
  const int frameMs = timer.GetFrameMs();
  SetDamage(static_cast<int>(dt * kContactDamagePerSecond));

  if (shipDead) {
    respawnTime += frameMs;
    if (model != nullptr) {
      model->visible = false;
      model->drawParticles = false;
    }
    if (respawnTime > kRespawnMs) {
      // Back again; the flash that began with the fatal hit runs on from here.
      shipDead = false;
      if (model != nullptr) {
        model->visible = true;
        model->drawParticles = true;
      }
      alpha = kMinAlpha;
      alphaRate = kAlphaRate;
    }
  } else {
    UpdateMovement();
  }

  if (flashing && !shipDead) {
    flashTime += frameMs;
    alpha += alphaRate * dt;
    if (alpha < kMinAlpha) {
      alpha = kMinAlpha;
      alphaRate = -alphaRate;
    }
    if (alpha > 1.0f) {
      alpha = 1.0f;
      alphaRate = -alphaRate;
    }
    if (g_graphics != nullptr) {
      if (flashTime < kTintFadeMs) {
        g_graphics->colorAdd[0] -= dt;
      } else if (flashTime > kTintFadeMs) {
        g_graphics->colorAdd[0] = 0.0f;
      }
    }
    if (flashTime > kFlashMs) {
      alpha = 1.0f;
      flashing = false;
      if (g_graphics != nullptr) g_graphics->colorAdd[0] = 0.0f;
    }
  }

  if (model != nullptr) model->SetAlpha(alpha);
}

void Player::OnCollision(Entity* other, int) {
  // Power-ups deal no damage and are not hits.
  if (godmode || other == nullptr || other->GetDamage() == 0) return;
  // Sparks fly at the ship on every contact, flash or not.
  math::Vec3 at = model != nullptr ? model->position : position;
  at.x += Jitter();
  at.y += Jitter();
  at.z += Jitter();
  Burst(at, 20, 15.0f);

  // The flash and the dash make the ship untouchable.
  if (flashing || dashing) return;
  alpha = 1.0f;
  alphaRate = -kAlphaRate;
  flashing = true;
  flashTime = 0;
  if (g_graphics != nullptr) g_graphics->colorAdd[0] = kHitTint;

  health -= 1;  // one per hit, whatever the other object's damage
  if (health <= 0) {
    shipDead = true;
    weaponCode = kBeamGun;
    weaponLevel = 1;
    primaryLevel = 1;
    lives -= 1;
    offset = {};
    health = kMaxHealth;
    respawnTime = 0;
    HideHelpers();
    Burst(at, 150, 50.0f);
  }
}

void Player::PickUpWeapon(int code) {
  if (code == kBeamGun) {
    if (primaryLevel != 3) ++primaryLevel;
    ++bombs;
  } else if (code == weaponCode) {
    // The console may have set any level: the step stops at the end of int.
    if (weaponLevel != 3) weaponLevel = math::SaturatingAdd(weaponLevel, 1);
  } else {
    weaponCode = code;
    weaponLevel = 1;
  }
}

void Player::SetHealth(int h) {
  health = std::min(h, kMaxHealth);
}

void Player::DashRight() {
  StartDash(1, 0);
}
void Player::DashLeft() {
  StartDash(-1, 0);
}
void Player::DashUp() {
  StartDash(0, 1);
}
void Player::DashDown() {
  StartDash(0, -1);
}

void Player::StartDash(int dx, int dy) {
  const int now = Timer().GetTimeMs();
  if (dashing || now - lastDashStart < kDashCooldownMs) return;
  dashing = true;
  dashLeft = kDashMs;
  dashDirection[0] = dx;
  dashDirection[1] = dy;
  lastDashStart = now;
}

void Player::AddHelper() {
  if (helperCount >= kMaxHelpers) return;
  Helper* helper = helpers[helperCount];
  if (helper != nullptr) {
    const math::Vec3 at = model != nullptr ? model->position : position;
    helper->SetPosition(at.x, at.y, at.z);
    if (helper->GetModel() != nullptr) helper->GetModel()->visible = true;
  }
  ++helperCount;
}

float Player::GetDashCharge() const {
  const int since = Timer().GetTimeMs() - lastDashStart;
  return std::clamp(static_cast<float>(since) / static_cast<float>(kDashCooldownMs), 0.0f, 1.0f);
}

void Player::StopChargeSound() {
  if (engine != nullptr && engine->sound != nullptr) engine->sound->Stop(engine->GetSound(kSoundBigLaser));
  chargeHum = 0.0f;
}

const LockPoint* Player::FindLockPoint(const char* name) const {
  if (model == nullptr || model->parts.empty() || name == nullptr) return nullptr;
  const LockPoint* found = nullptr;
  for (const LockPoint& point : model->parts[0]->lockPoints) {
    if (point.name == name) found = &point;
  }
  return found;
}

int Player::AttachExhausts(Graphics& graphics, Model* ship) {
  int attached = 0;
  for (size_t i = 1; i <= kEngineParts && i < ship->parts.size(); ++i) {
    ObjectPart* part = ship->parts[i];
    if (part == nullptr || part->lockPoints.empty()) continue;
    const ParticleEffectDesc desc = ExhaustEffect(ship, part, 128);
    if (graphics.SpawnParticleSystem(&desc)) ++attached;
  }
  return attached;
}

std::string Player::HelperStationName(int state, int index) {
  const char* prefix = state == kTopView    ? "HelperTop"
                       : state == kSideView ? "HelperSide"
                       : state == kRailView ? "HelperRail"
                                            : "";
  return prefix + std::to_string(index);
}
