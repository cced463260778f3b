// The PsychoSide: five targets that charge in turn and fire a beam (a bullet once destroyed), covers that
// withdraw from destroyed targets, and two missile pods that slide out and launch every second.
#include "enemies/boss_support.h"
#include "enemies/bosses.h"
#include "math/random.h"

namespace {

constexpr int kTargets = 5;
constexpr int kFirstCover = 5, kUpperPod = 10, kLowerPod = 11;
constexpr int kChargeTimer = 5, kMissileTimer = 7;  // scratch
constexpr int kSeen = 5;                            // scratchF: last time seen per target, after the starts
constexpr int kRemovalMs = 10000, kPodsOutMs = 4000;
constexpr int kChargePeriodMs = 1500, kChargeMs = 3000, kMissilePeriodMs = 1000;
constexpr float kPodSpeed = 100.0f, kCoverSpeed = 50.0f;

bool Alive(const Enemy& body, int target) {
  return body.scratch[target] > 0;
}

// Starts a charge on a target with none pending. At most two are ever pending (a charge every 1.5 s, each
// freed after 3 s), so a free one is always found.
void StartCharge(Enemy& body, Model& model, int now) {
  bool anyFree = false;
  for (int i = 0; i < kTargets; ++i) anyFree = anyFree || body.scratchF[i] == 0.0f;
  if (!anyFree) return;
  int i = math::Random() % kTargets;
  while (body.scratchF[i] != 0.0f) i = math::Random() % kTargets;
  body.scratchF[i] = body.scratchF[kSeen + i] = static_cast<float>(now);
  if (Alive(body, i)) {
    boss::ChargeRing(&model, &boss::LockPointOf(model, i), &model.zAxis, &model.xAxis, &model.yAxis, 15.0f,
                     20);
  }
}

void LaunchMissile(Model& model, int pod, float pitch) {
  const ObjectPart& part = *model.parts[pod];
  auto* missile = new Missile(1, boss::LockPointOf(model, pod, math::Random() % 4), boss::WorldAxes(part),
                              0.0f, 0.0f, true, true);
  if (missile->GetModel() != nullptr) missile->GetModel()->Pitch(pitch);
  boss::Fire(missile);
}

}  // namespace

void PsychoSideBehavior(Enemy* enemy) {
  Enemy& body = *enemy;
  Model& model = *body.GetModel();
  const float dt = boss::FrameSeconds();
  const int now = boss::Now();
  for (int i = 0; i < kTargets; ++i) body.StepHitFlash(i, Alive(body, i));

  if (boss::Dying(body)) {
    model.parts[kUpperPod]->MoveForward(-kPodSpeed * dt);
    model.parts[kLowerPod]->MoveForward(-kPodSpeed * dt);
    for (int i = 0; i < kTargets; ++i) model.parts[kFirstCover + i]->MoveForward(-kCoverSpeed * dt);
    if (boss::Elapsed(body, kChargeTimer) >= kRemovalMs) body.remove = true;
    return;
  }
  if (body.GetAgeMs() < kPodsOutMs) {
    model.parts[kUpperPod]->MoveForward(kPodSpeed * dt);
    model.parts[kLowerPod]->MoveForward(kPodSpeed * dt);
  }
  int destroyed = 0;
  for (int i = 0; i < kTargets; ++i) {
    if (Alive(body, i)) continue;
    ++destroyed;
    model.parts[kFirstCover + i]->MoveForward(-kCoverSpeed * dt);
  }
  // The call that starts the dying still runs the charges and the missiles; the timer it restarts keeps a
  // new charge from starting.
  if (destroyed == kTargets) boss::StartDying(body, kChargeTimer, boss::kCruiseRail);

  if (boss::Elapsed(body, kChargeTimer) >= kChargePeriodMs) {
    body.scratch[kChargeTimer] = -1;
    StartCharge(body, model, now);
  }
  for (int i = 0; i < kTargets; ++i) {
    if (body.scratchF[i] == 0.0f) continue;
    body.scratchF[kSeen + i] = static_cast<float>(now);
    if (static_cast<float>(now) - body.scratchF[i] < static_cast<float>(kChargeMs)) continue;
    const math::Vec3& eye = boss::LockPointOf(model, i);
    if (Alive(body, i)) {
      boss::Fire(
          new RayShot(1, body, &eye, 30, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 1.0f, 1.0f, 1.0f}, nullptr, -1));
    } else {
      boss::FireBullet(eye, boss::WorldAxes(*model.parts[i]), 100.0f, {1.0f, 0.0f, 0.0f, 1.0f}, 15.0f);
    }
    body.scratchF[i] = body.scratchF[kSeen + i] = 0.0f;
  }
  if (boss::Elapsed(body, kMissileTimer) >= kMissilePeriodMs) {
    body.scratch[kMissileTimer] = -1;
    LaunchMissile(model, kUpperPod, -1.57f);
    LaunchMissile(model, kLowerPod, 1.57f);
  }
}
