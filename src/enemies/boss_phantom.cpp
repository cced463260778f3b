// The Phantom: a bobbing body that fires aimed bullets and sends minion formations, flanked by two beam
// cannons that charge, tilt toward the player and fire their beams on a 9-second cycle.
#include "app/engine.h"
#include "app/sound_system.h"
#include "enemies/boss_support.h"
#include "enemies/bosses.h"
#include "enemies/enemy_manager.h"
#include "math/random.h"

namespace {

// Body scratch entries.
constexpr int kShotTimer = 0, kMinionTimer = 2, kBobDirection = 4, kCannonsLost = 5;
constexpr int kRemovalMs = 17000;
constexpr float kBobReach = 40.0f, kBobSpeed = 20.0f;
constexpr int kShotPeriodMs = 500, kMinionPeriodMs = 5000;
constexpr int kMinionEnemy = 2;  // formations 0, 1 and 2 by the cannons lost

// Cannon scratch entries.
constexpr int kCycleTimer = 0, kAheadFlag = 3, kBeamSoundFlag = 7, kChargeFlag = 9;
constexpr int kAheadMs = 3000, kChargeMs = 3000, kBeamMs = 6000, kBeamEndMs = 8000, kCycleMs = 9000;
constexpr float kTiltRate = 0.314f, kTiltLimit = 0.6f, kAimDeadZone = 0.05f;

void FireAimedBullet(const Model& model) {
  const float angle = static_cast<float>(math::Random() % 50 - 25) * 0.017444445f;
  const math::Vec3 dir = math::Vec3TransformNormal(model.zAxis, math::MatrixRotationAxis(model.xAxis, angle));
  const ShotAxes axes{model.xAxis, math::Vec3Cross(dir, model.xAxis), dir};
  boss::FireBullet(boss::LockPointOf(model, 0), axes, 100.0f, {255.0f, 0.0f, 0.0f, 255.0f}, 15.0f);
}

}  // namespace

void PhantomBehavior(Enemy* enemy) {
  Enemy& body = *enemy;
  Model& model = *body.GetModel();
  if (boss::Dying(body)) {
    if (boss::ExplosionDue(body)) boss::Explode(boss::OnHull(model), 50.0f, 600);
    if (boss::Elapsed(body, kShotTimer) >= kRemovalMs) body.remove = true;
    return;
  }

  const float dt = boss::FrameSeconds();
  const float home = body.scratchF[0];
  if (body.scratch[kBobDirection] == -1) {
    if (model.position.y < home + kBobReach) {
      body.MoveUp(kBobSpeed * dt);
    } else {
      body.scratch[kBobDirection] = 1;
    }
  } else if (model.position.y > home - kBobReach) {
    body.MoveUp(-kBobSpeed * dt);
  } else {
    body.scratch[kBobDirection] = -1;
  }

  if (boss::Elapsed(body, kShotTimer) >= kShotPeriodMs) {
    body.scratch[kShotTimer] = -1;
    FireAimedBullet(model);
  }
  if (boss::Elapsed(body, kMinionTimer) >= kMinionPeriodMs) {
    body.scratch[kMinionTimer] = -1;
    if (g_engine != nullptr && g_engine->enemyManager != nullptr) {
      const math::Vec3 at = model.position;
      g_engine->enemyManager->SpawnEnemy(kMinionEnemy, body.scratch[kCannonsLost] + 1, at.x, at.y, at.z);
    }
  }
  for (Enemy** link : {&body.linkA, &body.linkB}) {
    if (*link != nullptr && (*link)->remove) {
      ++body.scratch[kCannonsLost];
      boss::Unlink(*link);
    }
  }

  if (body.health <= 0) {
    boss::StartDying(body, kShotTimer, boss::kCrawlRail);
    // The cannons left vanish with the body, without exploding or paying.
    for (Enemy** link : {&body.linkA, &body.linkB}) {
      if (*link == nullptr) continue;
      (*link)->remove = true;
      boss::Unlink(*link);
    }
  }
}

void BeamCannonBehavior(Enemy* enemy) {
  Enemy& cannon = *enemy;
  Model& model = *cannon.GetModel();
  int t = boss::Elapsed(cannon, kCycleTimer);
  if (cannon.scratch[kAheadFlag] != -1) t += kAheadMs;

  if (t >= kChargeMs && cannon.scratch[kChargeFlag] == -1) {
    cannon.scratch[kChargeFlag] = 1;
    if (g_engine != nullptr) {
      g_engine->PlaySound(g_engine->GetSound(kSoundBigLaser), model.position.x, model.position.y,
                          model.position.z, 0.0f, 0.0f, 0.0f, true);
    }
    boss::ChargeRing(&model, &boss::LockPointOf(model, 0), &model.zAxis, &model.xAxis, &model.yAxis, 20.0f,
                     30);
  }

  if (t < kBeamMs) {
    if (const math::Vec3* player = boss::PlayerPosition()) {
      const float e = math::Vec3Dot(*player - model.position, model.yAxis);
      const float s = kTiltRate * boss::FrameSeconds();
      float& tilt = cannon.scratchF[0];
      if (e > kAimDeadZone && tilt + s < kTiltLimit) {
        tilt += s;
        model.Pitch(-s);
      }
      if (e < -kAimDeadZone && tilt - s > -kTiltLimit) {
        tilt -= s;
        model.Pitch(s);
      }
    }
  } else {
    if (cannon.scratch[kBeamSoundFlag] == -1) {
      cannon.scratch[kBeamSoundFlag] = 1;
      if (g_engine != nullptr) {
        g_engine->PlaySound(g_engine->GetSound(kSoundRayCannon), model.position.x, model.position.y,
                            model.position.z, 0.0f, 0.0f, 0.0f, true);
      }
    }
    if (t % 10 == 0 && t < kBeamEndMs) {
      boss::Fire(new RayShot(1, cannon, &model.position, 15, {1.0f, 1.0f, 1.0f, 1.0f},
                             {0.0f, 1.0f, 1.0f, 1.0f}, nullptr, -1));
    }
    if (t >= kCycleMs) {
      cannon.scratch[kChargeFlag] = cannon.scratch[kCycleTimer] = -1;
      cannon.scratch[kAheadFlag] = cannon.scratch[kBeamSoundFlag] = -1;
    }
  }

  if (cannon.health <= 0 || (cannon.linkA != nullptr && cannon.linkA->remove)) {
    if (cannon.health <= 0) cannon.PayScore();  // destroyed by the player's fire, not gone with its body
    boss::Explode(boss::OnHull(model), 50.0f, 200);
    cannon.remove = true;
  }
}
