// The PsychoFront: a chain of five armour plates over a core that aims and fans out missiles once bare,
// and twin guns that sweep and fire bullet pairs, then charge and fire beams after every twentieth pair.
#include "enemies/boss_support.h"
#include "enemies/bosses.h"

namespace {

constexpr int kCore = 1, kLeftGun = 2, kRightGun = 3, kFirstPlate = 4;
constexpr int kPlates = 5;
constexpr int kFlashingParts[] = {1, 4, 5, 6, 7, 8};
constexpr int kCoreTimer = 5;  // scratch
// scratchF entries.
constexpr int kGunStart = 0, kGunSeen = 1, kLeftAngle = 2, kRightAngle = 3, kSweepClosing = 4,
              kLaserPhase = 5, kPairs = 6, kSinceBeam = 7;
constexpr int kRemovalMs = 10000, kCoreAimMs = 3000;
constexpr float kCoreTurn = 0.3488889f, kPlateDrift = 50.0f;
constexpr float kFanYaws[] = {0.0f, 0.5235988f, 1.0471976f, -0.5235988f, -1.0471976f};
constexpr int kPairGapMs = 750, kPairsBeforeBeams = 20;
constexpr float kSweepRate = 0.2616667f, kSweepLimit = 0.95944446f, kReturnRate = 0.5233333f;
constexpr float kAimDeadZone = 0.05f;
constexpr int kBeamGapMs = 100;

// The gun timer in game ms, held in floats; 0 is unset.
int GunTime(Enemy& body, int now) {
  if (body.scratchF[kGunStart] == 0.0f) body.scratchF[kGunStart] = static_cast<float>(now);
  body.scratchF[kGunSeen] = static_cast<float>(now);
  return static_cast<int>(body.scratchF[kGunSeen] - body.scratchF[kGunStart]);
}

void FireMissileFan(Model& model) {
  const ObjectPart& core = *model.parts[kCore];
  for (float yaw : kFanYaws) {
    auto* missile =
        new Missile(1, boss::LockPointOf(model, kCore), boss::WorldAxes(core), 0.0f, 0.0f, true, true);
    if (missile->GetModel() != nullptr) missile->GetModel()->Yaw(yaw);
    boss::Fire(missile);
  }
}

// The gun phase: a pair of bullets every 750 ms while the guns sweep open and closed; the twentieth pair
// charges the guns and starts the laser phase.
void GunPhase(Enemy& body, Model& model, int now, float dt) {
  if (GunTime(body, now) >= kPairGapMs) {
    body.scratchF[kGunStart] = 0.0f;
    body.scratchF[kPairs] += 1.0f;
    if (body.scratchF[kPairs] >= kPairsBeforeBeams) {
      for (int g : {kLeftGun, kRightGun}) {
        ObjectPart& gun = *model.parts[g];
        boss::ChargeRing(&model, &boss::LockPointOf(model, g), &gun.worldZAxis, &gun.worldXAxis,
                         &gun.worldYAxis, 15.0f, 20);
      }
      body.scratchF[kPairs] = 0.0f;
      body.scratchF[kLaserPhase] = 1.0f;
    }
    for (int g : {kLeftGun, kRightGun}) {
      boss::FireBullet(boss::LockPointOf(model, g), boss::WorldAxes(*model.parts[g]), 50.0f,
                       {255.0f, 0.0f, 0.0f, 1.0f}, 20.0f);
    }
  }

  const float s = kSweepRate * dt;
  float& left = body.scratchF[kLeftAngle];
  float& right = body.scratchF[kRightAngle];
  if (body.scratchF[kSweepClosing] == 0.0f) {
    if (left + s < kSweepLimit) {
      left += s;
      right += s;
      model.parts[kLeftGun]->RotateY(-s);
      model.parts[kRightGun]->RotateY(s);
    } else {
      body.scratchF[kSweepClosing] = 1.0f;
    }
  } else if (left - s > 0.0f) {
    left -= s;
    right -= s;
    model.parts[kLeftGun]->RotateY(s);
    model.parts[kRightGun]->RotateY(-s);
  } else {
    body.scratchF[kSweepClosing] = 0.0f;
  }
}

// Turns one gun about its own Y axis toward the player within its sweep; sign is -1 for the left gun, whose
// angle grows by turning the negative way, and 1 for the right one.
void AimGun(ObjectPart& gun, const math::Vec3& muzzle, float& angle, float sign, float s) {
  const math::Vec3* player = boss::PlayerPosition();
  if (player == nullptr) return;
  const float e = math::Vec3Dot(*player - muzzle, gun.worldXAxis) * sign;
  if (e > kAimDeadZone && angle + s <= kSweepLimit) {
    angle += s;
    gun.RotateY(sign * s);
  }
  if (e < -kAimDeadZone && angle - s >= 0.0f) {
    angle -= s;
    gun.RotateY(-sign * s);
  }
}

// The laser phase: aim for 3 s, beams every 100 ms for 2 s, a pause, the guns turn back, and the pairs
// resume.
void LaserPhase(Enemy& body, Model& model, int now, float dt) {
  ObjectPart& left = *model.parts[kLeftGun];
  ObjectPart& right = *model.parts[kRightGun];
  const int t = GunTime(body, now);
  if (t <= 3000) {
    const float s = kSweepRate * dt;
    AimGun(left, boss::LockPointOf(model, kLeftGun), body.scratchF[kLeftAngle], -1.0f, s);
    AimGun(right, boss::LockPointOf(model, kRightGun), body.scratchF[kRightAngle], 1.0f, s);
  } else if (t <= 5000) {
    body.scratchF[kSinceBeam] += static_cast<float>(boss::FrameMs());
    if (body.scratchF[kSinceBeam] >= kBeamGapMs) {
      body.scratchF[kSinceBeam] = 0.0f;
      for (int g : {kLeftGun, kRightGun}) {
        boss::Fire(new RayShot(1, body, &boss::LockPointOf(model, g), 30, {255.0f, 255.0f, 255.0f, 255.0f},
                               {255.0f, 0.0f, 0.0f, 255.0f}, &model.parts[g]->worldZAxis, 0));
      }
    }
  } else if (t > 5500 && t <= 7500) {
    const float s = kReturnRate * dt;
    if (body.scratchF[kLeftAngle] - s > 0.0f) {
      body.scratchF[kLeftAngle] -= s;
      left.RotateY(s);
    }
    if (body.scratchF[kRightAngle] - s > 0.0f) {
      body.scratchF[kRightAngle] -= s;
      right.RotateY(-s);
    }
  } else if (t > 7500) {
    body.scratchF[kLeftAngle] = 0.0f;
    body.scratchF[kLaserPhase] = 0.0f;
  }
}

}  // namespace

void PsychoFrontBehavior(Enemy* enemy) {
  Enemy& body = *enemy;
  Model& model = *body.GetModel();
  const float dt = boss::FrameSeconds();
  const int now = boss::Now();
  for (int part : kFlashingParts) body.StepHitFlash(part, true);

  if (boss::Dying(body)) {
    if (boss::ExplosionDue(body)) boss::Explode(boss::Jittered(boss::LockPointOf(model, kCore)), 30.0f, 200);
    if (boss::Elapsed(body, kCoreTimer) >= kRemovalMs) body.remove = true;
    return;
  }
  for (int k = 0; k < kPlates; ++k) {
    if (body.scratch[k] <= 0) model.parts[kFirstPlate + k]->MoveForward(kPlateDrift * dt);
  }

  if (body.scratch[0] <= 0) {  // the core is bare
    const int t = boss::Elapsed(body, kCoreTimer);
    ObjectPart& core = *model.parts[kCore];
    if (t < kCoreAimMs) {
      if (const math::Vec3* player = boss::PlayerPosition()) {
        const math::Vec3 axis = math::Vec3Cross(boss::LockPointOf(model, kCore) - *player, core.worldZAxis);
        core.RotateAboutWorldAxis(axis.x, axis.y, axis.z, kCoreTurn * dt);
      }
    } else if (t > kCoreAimMs) {
      FireMissileFan(model);
      body.scratch[kCoreTimer] = -1;
    }
  }

  if (body.scratchF[kLaserPhase] == 0.0f) {
    GunPhase(body, model, now, dt);
  } else {
    LaserPhase(body, model, now, dt);
  }
  if (body.health <= 0) boss::StartDying(body, kCoreTimer, boss::kCrawlRail);
}
