// The PsychoRear: a body shielded by two rolling generators that send orbiting minions, with a hatch that
// opens on a 12-second cycle to push out a gun that aims, fires and withdraws.
#include <algorithm>

#include "app/engine.h"
#include "enemies/boss_support.h"
#include "enemies/bosses.h"
#include "enemies/enemy_manager.h"

namespace {

// Generator.
constexpr int kMinionTimer = 0;
constexpr int kMinionPeriodMs = 5000;
constexpr int kMinionEnemy = 1, kMinionFormation = 3;
constexpr float kMinionCap = 6.0f;
constexpr int kShellBreaksBelow = 50001;
constexpr float kGeneratorRoll = 0.314f, kShellTumble = 0.628f, kShellDrift = 100.0f;

// Body: part 1 the gun, parts 2 and 3 the hatches.
constexpr int kCycleTimer = 0;
constexpr int kMinionCount = 9;  // scratchF
constexpr int kRemovalMs = 10000;
constexpr float kHatchRate = 0.43611112f, kHatchOpen = 1.57f;
constexpr float kGunRate = 9.0f, kGunReach = 18.0f;
constexpr float kGunTurn = 0.3488889f;
constexpr int kShotGapMs = 100;

}  // namespace

void ShieldGenBehavior(Enemy* enemy) {
  Enemy& generator = *enemy;
  Model& model = *generator.GetModel();
  const float dt = boss::FrameSeconds();
  model.Roll(kGeneratorRoll * dt);

  if (boss::Elapsed(generator, kMinionTimer) >= kMinionPeriodMs) {
    generator.scratch[kMinionTimer] = -1;
    EnemyManager* manager = g_engine != nullptr ? g_engine->enemyManager : nullptr;
    Enemy* body = manager != nullptr ? manager->FindEnemyByType(kPsychoRearId) : nullptr;
    if (body != nullptr && body->scratchF[kMinionCount] < kMinionCap) {
      const math::Vec3 at = boss::LockPointOf(model, 0) + model.zAxis * 50.0f - model.yAxis * 20.0f;
      if (manager->SpawnEnemy(kMinionEnemy, kMinionFormation, at.x, at.y, at.z))
        body->scratchF[kMinionCount] += 1.0f;
    }
  }

  ObjectPart& shell = *model.parts[1];
  if (generator.health < kShellBreaksBelow) shell.detached = true;
  if (shell.detached) {
    shell.MoveForward(kShellDrift * dt);
    shell.RotateX(kShellTumble * dt);
    shell.RotateY(-kShellTumble * dt);
    shell.RotateZ(kShellTumble * dt);
  }

  if (generator.health <= 0) {
    generator.PayScore();
    boss::Explode(boss::Jittered(boss::LockPointOf(model, 0)), 30.0f, 200);
    generator.remove = true;
  }
}

void PsychoRearBehavior(Enemy* enemy) {
  Enemy& body = *enemy;
  Model& model = *body.GetModel();
  if (boss::Dying(body)) {
    if (boss::ExplosionDue(body)) boss::Explode(boss::Jittered(boss::LockPointOf(model, 0)), 30.0f, 200);
    if (boss::Elapsed(body, kCycleTimer) >= kRemovalMs) body.remove = true;
    return;
  }

  const float dt = boss::FrameSeconds();
  const float a = kHatchRate * dt, e = kGunRate * dt;
  ObjectPart& gun = *model.parts[1];
  ObjectPart& upper = *model.parts[2];
  ObjectPart& lower = *model.parts[3];
  float& hatch = body.scratchF[0];
  float& reach = body.scratchF[1];
  float& sinceShot = body.scratchF[2];
  const int t = boss::Elapsed(body, kCycleTimer);
  if (t > 3000 && t <= 5000) {
    if (hatch + a <= kHatchOpen) {
      hatch += a;
      upper.RotateX(-a);
      lower.RotateX(a);
    }
    const float step = std::min(e, kGunReach - reach);
    if (step > 0.0f) {
      gun.MoveForward(step);
      reach += step;  // the last step stops at the reach
    }
  } else if (t > 5000 && t <= 8000) {
    if (const math::Vec3* player = boss::PlayerPosition()) {
      const math::Vec3 axis = math::Vec3Cross(gun.worldPosition - *player, gun.worldZAxis);
      gun.RotateAboutWorldAxis(axis.x, axis.y, axis.z, kGunTurn * dt);
    }
  } else if (t > 8000 && t <= 10000) {
    sinceShot += static_cast<float>(boss::FrameMs());
    if (sinceShot >= kShotGapMs) {
      sinceShot = 0.0f;
      boss::FireBullet(boss::LockPointOf(model, 1), boss::WorldAxes(gun), 100.0f,
                       {0.0f, 0.4980392f, 1.0f, 1.0f}, 15.0f);
    }
  } else if (t > 10000 && t <= 12000) {
    const math::Vec3 axis = math::Vec3Cross(model.zAxis, gun.worldZAxis);
    gun.RotateAboutWorldAxis(axis.x, axis.y, axis.z, -kGunTurn * dt);
    const float close = std::min(a, hatch);
    if (close > 0.0f) {
      hatch -= close;
      upper.RotateX(close);
      lower.RotateX(-close);
    }
    const float back = std::min(e, reach);
    if (back > 0.0f) {
      reach -= back;
      gun.MoveForward(-back);
    }
  } else if (t > 12000) {
    sinceShot = 0.0f;
    body.scratch[kCycleTimer] = -1;
  }

  // A generator that is going no longer shields the body.
  for (Enemy** link : {&body.linkA, &body.linkB}) {
    if (*link != nullptr && (*link)->remove) boss::Unlink(*link);
  }
  if (body.health <= 0) boss::StartDying(body, kCycleTimer, boss::kCruiseRail);
}
