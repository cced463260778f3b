// The player's weapons: the primary gun by level, the four secondary weapons, the super shot, rapid fire
// and the Ray Cannon's charge hum. Level 4 exists only inside one super-shot or rapid-fire call.
#include "app/engine.h"
#include "app/game_state.h"
#include "app/sound_system.h"
#include "app/timer.h"
#include "enemies/enemy_manager.h"
#include "game/helper.h"
#include "game/player.h"
#include "game/projectile.h"
#include "graphics/model.h"
#include "math/random.h"

namespace {

constexpr float kRadiansPerDegree = 0.017453277f;
constexpr ParticleColour kWhite{1.0f, 1.0f, 1.0f, 1.0f};
constexpr ParticleColour kSpreadBlue{0.0f, 0.498f, 1.0f, 1.0f};
constexpr ParticleColour kOrange{1.0f, 0.502f, 0.0f, 1.0f};
constexpr ParticleColour kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr int kChargeStartMs = 1251;
constexpr int kRayCooldownMs = 1501;
constexpr int kRayHoldMs = 251;
constexpr int kRapidFireMs = 1000;

// Turns a shot about an axis by degrees.
void Turn(Projectile* shot, const math::Vec3& axis, float degrees) {
  shot->Rotate(axis.x, axis.y, axis.z, degrees * kRadiansPerDegree);
}
void Pitch(Projectile* shot, float degrees) {
  if (Model* m = shot->GetModel()) m->Pitch(degrees * kRadiansPerDegree);
}
void Yaw(Projectile* shot, float degrees) {
  if (Model* m = shot->GetModel()) m->Yaw(degrees * kRadiansPerDegree);
}

// The axis a view spreads shots about: the ship's up axis from above, its right axis from the side.
const math::Vec3* SpreadAxis(int state, const ShotAxes& axes) {
  if (state == kTopView) return &axes.up;
  if (state == kSideView || state == kRailView) return &axes.right;
  return nullptr;
}

// Sets a level for the length of one call and puts the old one back afterwards.
class RaiseLevel {
 public:
  RaiseLevel(int& level, int raised) : level_(level), saved_(level) { level_ = raised; }
  ~RaiseLevel() { level_ = saved_; }
  RaiseLevel(const RaiseLevel&) = delete;
  RaiseLevel& operator=(const RaiseLevel&) = delete;

 private:
  int& level_;
  int saved_;
};

}  // namespace

void Player::PlayShotSound(int slot) {
  if (engine != nullptr) engine->PlaySound(engine->GetSound(slot), 0, 0, 0, 0, 0, 0, false);
}

void Player::FireHelpers(std::vector<Projectile*>& shots) {
  for (int i = 0; i < helperCount && i < 4; ++i) {
    Helper* helper = helpers[i];
    if (helper != nullptr && helper->GetModel() != nullptr && helper->GetModel()->visible) {
      helper->Fire(primaryLevel, shots);
    }
  }
}

std::vector<Projectile*> Player::FirePrimary(int, bool held) {
  static constexpr int kCooldownMs[4] = {401, 251, 121, 401};
  std::vector<Projectile*> shots;
  FireHelpers(shots);
  if (primaryLevel < 1 || primaryLevel > 4 || model == nullptr) return shots;
  const int now = Timer().GetTimeMs();
  if (held && now - lastPrimaryShot < kCooldownMs[primaryLevel - 1]) return shots;
  if (primaryLevel == 4) {
    if (bombs <= 0) return shots;
    --bombs;
  }
  PlayShotSound(kSoundBeamGun);
  lastPrimaryShot = now;

  const ShotAxes axes = AxesOf(*this);
  const math::Vec3 at = SpawnPoint(*this);
  Projectile* shot = nullptr;
  int spread = 0;
  if (primaryLevel == 4) {
    shot = new Bomb(1000, at, axes, 300.0f, kWhite, 10.0f, 50.0f);
  } else {
    shot = new Bullet(1000, at, axes, 300.0f, kWhite, 15.0f, false, 30);
    if (primaryLevel == 2) spread = math::Random() % 3 - 1;
    if (primaryLevel == 3) spread = math::Random() % 4 - 2;
  }
  const int state = State();
  if (const math::Vec3* axis = SpreadAxis(state, axes)) Turn(shot, *axis, static_cast<float>(spread));
  // The chase view also rolls the shot about its course.
  if (state == kRailView) Turn(shot, axes.forward, static_cast<float>(math::Random() % 360));
  shots.push_back(shot);
  return shots;
}

std::vector<Projectile*> Player::FireWeapon(int holdTimeMs) {
  std::vector<Projectile*> shots;
  FireHelpers(shots);
  if (weaponLevel < 1 || weaponLevel > 4 || model == nullptr) return shots;
  switch (weaponCode) {
    case kRayCannon:
      FireRayCannon(holdTimeMs, shots);
      break;
    case kSpreadShot:
      FireSpreadShot(shots);
      break;
    case kMissiles:
      FireMissiles(shots);
      break;
    case kRailgun:
      FireRailgun(shots);
      break;
    default:
      break;
  }
  return shots;
}

void Player::FireRayCannon(int holdTimeMs, std::vector<Projectile*>& shots) {
  struct Beam {
    int damagePerSecond, width;
    ParticleColour colourB;
  };
  static constexpr Beam kBeams[4] = {{10000, 15, {0.0f, 1.0f, 1.0f, 1.0f}},
                                     {12500, 30, {0.0f, 1.0f, 0.0f, 1.0f}},
                                     {15000, 60, kOrange},
                                     {100000, 200, kOrange}};
  const Timer timer;
  const int since = timer.GetTimeMs() - lastWeaponShot;
  SoundSlot* hum = engine != nullptr ? engine->GetSound(kSoundBigLaser) : nullptr;
  SoundSystem* sound = engine != nullptr ? engine->sound : nullptr;
  if (weaponLevel <= 3 && since >= kChargeStartMs) {
    if (sound != nullptr && !sound->IsPlaying(hum)) PlayShotSound(kSoundBigLaser);
    chargeHum += timer.GetFrameSeconds() * 4.0f * 0.667f;
    if (sound != nullptr) sound->SetVolume(hum, static_cast<int>(chargeHum * 128.0f + 50.0f));
  }
  if (since < kRayCooldownMs || holdTimeMs < kRayHoldMs) return;
  if (weaponLevel == 4 && bombs <= 0) return;
  if (weaponLevel <= 3) StopChargeSound();
  PlayShotSound(kSoundRayCannon);
  const Beam& beam = kBeams[weaponLevel - 1];
  shots.push_back(new RayShot(beam.damagePerSecond, *this, nullptr, beam.width, kWhite, beam.colourB, nullptr,
                              rayLockPoint));
  lastWeaponShot = timer.GetTimeMs();
  if (weaponLevel == 4) --bombs;
}

void Player::FireSpreadShot(std::vector<Projectile*>& shots) {
  const int now = Timer().GetTimeMs();
  const int since = now - lastWeaponShot;
  if (weaponLevel == 4 ? since <= 10 : since < 301) return;
  PlayShotSound(kSoundSpreadShot);
  lastWeaponShot = now;

  const ShotAxes axes = AxesOf(*this);
  const math::Vec3 at = SpawnPoint(*this);
  const int state = State();
  const bool splitting = weaponLevel == 3;
  auto bullet = [&](float speed) {
    auto* b = new Bullet(1000, at, axes, speed, kSpreadBlue, splitting ? 10.0f : 15.0f, splitting, 30);
    shots.push_back(b);
    return b;
  };
  const math::Vec3* axis = state == kRailView ? nullptr : SpreadAxis(state, axes);

  if (weaponLevel == 1) {
    if (state == kRailView) {
      for (float roll : {180.0f, 300.0f, 420.0f}) {
        Bullet* b = bullet(200.0f);
        Pitch(b, 3.0f);
        Turn(b, axes.forward, roll);
      }
      bullet(200.0f);
      return;
    }
    for (float degrees : {3.0f, -3.0f, 0.0f}) {
      Bullet* b = bullet(200.0f);
      if (axis != nullptr && degrees != 0.0f) Turn(b, *axis, degrees);
    }
  } else if (weaponLevel <= 3) {
    if (state == kRailView) {
      Pitch(bullet(200.0f), 3.0f);
      Pitch(bullet(200.0f), -3.0f);
      Yaw(bullet(200.0f), 3.0f);
      Yaw(bullet(200.0f), -3.0f);
      bullet(200.0f);
      return;
    }
    for (float degrees : {3.0f, -3.0f, 6.0f, -6.0f, 0.0f}) {
      Bullet* b = bullet(200.0f);
      if (axis != nullptr && degrees != 0.0f) Turn(b, *axis, degrees);
    }
  } else if (state == kRailView) {
    for (int i = 0; i < 3; ++i) {
      Bullet* b = bullet(600.0f);
      Pitch(b, static_cast<float>(math::Random() % 60 - 30));
      Turn(b, axes.forward, static_cast<float>(math::Random() % 360));
    }
  } else if (axis != nullptr) {
    Turn(bullet(200.0f), *axis, static_cast<float>(math::Random() % 90 - 45));
  }
}

void Player::FireMissiles(std::vector<Projectile*>& shots) {
  struct Drift {
    float sideways, vertical;
  };
  const int now = Timer().GetTimeMs();
  if (now - lastWeaponShot < (weaponLevel == 4 ? 101 : 751)) return;
  PlayShotSound(weaponLevel == 4 ? kSoundMissileBomb : kSoundMissile);
  lastWeaponShot = now;

  const int state = State();
  std::vector<Drift> drifts;
  if (weaponLevel <= 2) {
    drifts = {{0, 0}};
  } else if (weaponLevel == 4) {
    drifts = {{50, 0}, {-50, 0}, {0, -50}, {0, 50}};
  } else if (state == kSideView) {
    drifts = {{0, -50}, {0, 50}};
  } else if (state == kTopView || state == kRailView) {
    drifts = {{50, 0}, {-50, 0}};
  }
  const ShotAxes axes = AxesOf(*this);
  const math::Vec3 at = SpawnPoint(*this);
  for (const Drift& d : drifts)
    shots.push_back(new Missile(500, at, axes, d.vertical, d.sideways, weaponLevel > 1, false));
}

void Player::FireRailgun(std::vector<Projectile*>& shots) {
  static constexpr int kCooldownMs[4] = {901, 901, 451, 451};
  static constexpr ParticleColour kColours[4] = {{1.0f, 1.0f, 0.0f, 1.0f}, kOrange, kRed, kRed};
  const int now = Timer().GetTimeMs();
  if (now - lastWeaponShot < kCooldownMs[weaponLevel - 1]) return;
  PlayShotSound(kSoundRailGun);
  lastWeaponShot = now;
  if (weaponLevel < 4) {
    shots.push_back(new RailShot(5000, *this, kColours[weaponLevel - 1], 0, nullptr, true));
    return;
  }
  // The level-4 shot chains through the enemies and costs a bomb, but only when it has a target to fire at.
  EnemyManager* enemies = engine != nullptr ? engine->enemyManager : nullptr;
  const math::Vec3* target = enemies != nullptr ? enemies->PickRandomTarget() : nullptr;
  if (target == nullptr || bombs <= 0) return;
  --bombs;
  shots.push_back(new RailShot(25000, *this, kRed, enemies->count, target, true));
}

std::vector<Projectile*> Player::FireSuper(int) {
  if (bombs <= 0) return {};
  switch (weaponCode) {
    case kBeamGun: {
      RaiseLevel raised(primaryLevel, 4);
      return FirePrimary(0, true);
    }
    case kRayCannon:
    case kRailgun: {
      RaiseLevel raised(weaponLevel, 4);
      return FireWeapon(10000);
    }
    case kSpreadShot:
    case kMissiles:
      if (rapidFireLeft < 1) {
        --bombs;
        rapidFireLeft = kRapidFireMs;
      }
      return {};
    default:
      return {};
  }
}

std::vector<Projectile*> Player::UpdateRapidFire() {
  if (rapidFireLeft <= 0) return {};
  // The second fires whatever weapon is current: after a pick-up, level-4 Ray Cannon or Railgun shots, each
  // paid with a bomb while there are any.
  rapidFireLeft -= Timer().GetFrameMs();
  RaiseLevel raised(weaponLevel, 4);
  return FireWeapon(100000);
}
