// The fifteen formation behaviours and the steps they share: the fire timer, the enemy bullet, the hidden
// start, the top-view roll and the end rule. Every step that reads model data checks it first.
#include "enemies/behaviors.h"

#include "app/engine.h"
#include "app/game_state.h"
#include "app/timer.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "game/projectile.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"

namespace {

constexpr int kFirePeriodMs = 2000;  // plus the member's jitter
constexpr int kTriplePeriodMs = 3000;
constexpr int kDropOneIn = 10;
constexpr int kMinionDropOneIn = 1000;
constexpr float kQuarterTurn = 1.57f;
constexpr float kThirtyDegrees = 0.5235988f;

float Dt() {
  return Timer().GetFrameSeconds();
}
int Now() {
  return Timer().GetTimeMs();
}
int View() {
  return g_engine != nullptr ? g_engine->state : 0;
}

// The first player's model, or null when there is no player (or it has no model).
const Model* PlayerModel() {
  if (g_engine == nullptr || g_engine->players.empty() || g_engine->players[0] == nullptr) return nullptr;
  return g_engine->players[0]->GetModel();
}

// The first lock point of the model's first part, or null when the model has none.
const LockPoint* Gun(const Model& model) {
  if (model.parts.empty() || model.parts[0] == nullptr || model.parts[0]->lockPoints.empty()) return nullptr;
  return &model.parts[0]->lockPoints[0];
}
// Where an enemy's gun fires from: its first lock point, or the model's position without one.
const math::Vec3& GunPosition(const Model& model) {
  const LockPoint* gun = Gun(model);
  return gun != nullptr ? gun->worldPosition : model.position;
}

void AddEnemyShot(Projectile* shot) {
  if (g_engine != nullptr) {
    g_engine->enemyObjects.push_back(shot);
  } else {
    delete shot;
  }
}

// The red enemy bullet along the enemy's own axes. Returned so that callers may turn it.
Bullet* FireBullet(const Enemy& enemy, const math::Vec3& from) {
  if (g_engine == nullptr) return nullptr;
  auto* bullet = new Bullet(1, from, AxesOf(enemy), 75.0f, {1.0f, 0.0f, 0.0f, 1.0f}, 15.0f, false,
                            Bullet::kArmedCounter);
  AddEnemyShot(bullet);
  return bullet;
}

// Starts on the first call (scratch 0 and 1), fires periodMs after the start and restarts on the next call.
bool FireTimer(Enemy& enemy, int periodMs) {
  const int now = Now();
  if (enemy.scratch[0] == -1) enemy.scratch[0] = now;
  enemy.scratch[1] = now;
  if (now - enemy.scratch[0] < periodMs) return false;
  enemy.scratch[0] = -1;
  return true;
}
int FirePeriod(const Enemy& enemy) {
  return kFirePeriodMs + enemy.scratch[5];
}

// Turns the model's forward axis toward the point at rate radians a second. Already aimed (a zero axis)
// or without a point, no turn.
void TurnToward(Enemy& enemy, const Model& model, const Model* target, float rate) {
  if (target == nullptr) return;
  const math::Vec3 axis = math::Vec3Cross(model.position - target->position, model.zAxis);
  if (math::Vec3LengthSq(axis) == 0.0f) return;
  enemy.Rotate(axis.x, axis.y, axis.z, Dt() * rate);
}

// Keeps the model hidden while hidden is true; on the first call past that it shows the model with the
// appear glow and sets the shown flag. True once shown.
bool HiddenStart(Enemy& enemy, Model& model, int shownSlot, bool hidden) {
  if (hidden) {
    model.visible = false;
    return false;
  }
  if (enemy.scratch[shownSlot] != 1) {
    if (g_graphics != nullptr) {
      const ParticleEffectDesc glow = AppearEffect(&model);
      g_graphics->SpawnParticleSystem(&glow);
    }
    model.visible = true;
    enemy.scratch[shownSlot] = 1;
  }
  return true;
}

// Turrets lie on their side in the top view: one roll on the first call.
void TopViewRoll(Enemy& enemy, Model& model, int flagSlot) {
  if (enemy.scratch[flagSlot] != -1) return;
  enemy.scratch[flagSlot] = 1;
  if (View() == kTopView) model.Roll(kQuarterTurn);
}

// A kill once the health is gone, a silent removal once the member's lifetime is over.
void EndRule(Enemy& enemy, int lifetimeMs) {
  const int timeout = enemy.spawnDelayMs + lifetimeMs;
  if (enemy.health <= 0 || enemy.GetAgeMs() >= timeout) Enemy::Die(&enemy, timeout, kDropOneIn);
}

void LoopBehavior(Enemy* enemy, float firstTurn, float loopRate) {
  if (Model* model = enemy->GetModel()) {
    if (enemy->scratch[0] == -1) {
      enemy->scratch[0] = 1;
      if (View() == kSideView) model->Pitch(firstTurn);
      if (View() == kTopView) model->Yaw(firstTurn);
    }
    const int age = enemy->GetAgeMs(), delay = enemy->spawnDelayMs;
    if (HiddenStart(*enemy, *model, 1, age < delay)) {
      if (age >= delay + 3000 && age < delay + 7000) {
        const float angle = loopRate * Dt();
        if (View() == kSideView) enemy->Rotate(model->xAxis.x, model->xAxis.y, model->xAxis.z, angle);
        if (View() == kTopView) enemy->Rotate(model->yAxis.x, model->yAxis.y, model->yAxis.z, angle);
      }
      enemy->MoveForward(50.0f * Dt());
    }
    Enemy::MoveWithCamera(enemy);
  }
  EndRule(*enemy, 15000);
}

// sign is 1 for the up/left hook, -1 for the down/right one.
void HookBehavior(Enemy* enemy, float sign) {
  if (Model* model = enemy->GetModel()) {
    const int age = enemy->GetAgeMs(), delay = enemy->spawnDelayMs;
    const float dt = Dt();
    if (HiddenStart(*enemy, *model, 2, age <= delay)) {
      if (age <= delay + 1000) {
        enemy->scratchF[0] = 1.0f;
        enemy->MoveForward(30.0f * dt);
      } else {
        if (FireTimer(*enemy, FirePeriod(*enemy))) FireBullet(*enemy, model->position);
        enemy->MoveForward(dt * enemy->scratchF[0] * 30.0f);
        const float sideways = sign * dt * enemy->scratchF[1];
        if (View() == kSideView) enemy->MoveUp(sideways);
        if (View() == kTopView) enemy->MoveRight(sideways);
        enemy->scratchF[0] -= 0.1f * dt;
        enemy->scratchF[1] += 10.0f * dt;
      }
    }
    Enemy::MoveWithCamera(enemy);
  }
  EndRule(*enemy, 15000);
}

void WaveBehavior(Enemy* enemy, float sign) {
  if (Model* model = enemy->GetModel()) {
    const float dt = Dt();
    if (HiddenStart(*enemy, *model, 3, enemy->GetAgeMs() < enemy->spawnDelayMs)) {
      if (FireTimer(*enemy, FirePeriod(*enemy))) FireBullet(*enemy, model->position);
      float& forwardSpeed = enemy->scratchF[0];
      if (forwardSpeed > 20.0f) {
        enemy->scratch[2] = -1;
      } else if (forwardSpeed < -20.0f) {
        enemy->scratch[2] = 1;
      }
      const int view = View();
      if (view == kSideView) enemy->MoveUp(sign * 20.0f * dt);
      if (view == kTopView) enemy->MoveRight(sign * 20.0f * dt);
      if (view == kTopView || view == kSideView) enemy->MoveForward(dt * forwardSpeed);
      forwardSpeed += (enemy->scratch[2] == 1 ? 20.0f : -20.0f) * dt;
    }
    Enemy::MoveWithCamera(enemy);
  }
  EndRule(*enemy, 15000);
}

// yawSign is 1 for the right-hand turn, -1 for the left.
void RailBasicBehavior(Enemy* enemy, float yawSign) {
  Model* model = enemy->GetModel();
  const int age = enemy->GetAgeMs();
  const float dt = Dt();
  if (model != nullptr) {
    if (age <= 5000) {
      if (g_engine != nullptr && g_engine->enemyManager != nullptr) {
        const EnemyManager& rail = *g_engine->enemyManager;
        math::Vec3 right = rail.side, up = rail.up, forward = rail.forward;
        enemy->SetOrientation(right, up, forward);
      }
      enemy->MoveForward(2.0f * g_gameSpeed * dt);
    } else if (age < 6001) {
      model->Pitch(3.14f * dt);
      enemy->scratch[0] = 1;
    } else if (enemy->scratch[0] != 0) {
      enemy->scratch[0] = 0;
      FireBullet(*enemy, model->position);
      enemy->MoveForward(-(g_gameSpeed * dt));
    } else {
      if (enemy->scratchF[0] < 0.785f) {
        model->Yaw(yawSign * 1.57f * dt);
        enemy->scratchF[0] += 1.57f * dt;
      }
      enemy->MoveForward(g_gameSpeed * dt);
    }
  }
  if (enemy->health <= 0 || age >= 15000) Enemy::Die(enemy, 15000, kDropOneIn);
}

}  // namespace

void SimpleLine(Enemy* enemy) {
  if (Model* model = enemy->GetModel()) {
    if (FireTimer(*enemy, FirePeriod(*enemy))) FireBullet(*enemy, model->position);
    enemy->MoveForward(g_gameSpeed * Dt() * -0.5f);
  }
  EndRule(*enemy, 15000);
}

void TripleShot(Enemy* enemy) {
  if (Model* model = enemy->GetModel()) {
    TopViewRoll(*enemy, *model, 2);
    if (FireTimer(*enemy, kTriplePeriodMs)) {
      const math::Vec3 from = GunPosition(*model);
      for (float pitch : {0.0f, kThirtyDegrees, -kThirtyDegrees}) {
        Bullet* bullet = FireBullet(*enemy, from);
        if (bullet != nullptr && bullet->GetModel() != nullptr && pitch != 0.0f) {
          bullet->GetModel()->Pitch(pitch);
        }
      }
    }
    const float dt = Dt();
    enemy->MoveForward(10.0f * dt);
    model->Roll(1.0466667f * dt);
    Enemy::MoveWithCamera(enemy);
  }
  // The silent removal counts from spawn, not from the member's delay.
  if (enemy->health <= 0 || enemy->GetAgeMs() >= enemy->spawnDelayMs + 40000) {
    Enemy::Die(enemy, 40000, kDropOneIn);
  }
}

void RotateCannon(Enemy* enemy) {
  if (Model* model = enemy->GetModel()) {
    TopViewRoll(*enemy, *model, 2);
    const int now = Now();
    if (enemy->scratch[1] == -1) {
      // A cross of four homing missiles along the first part's axes (the model's without a part).
      ShotAxes axes = AxesOf(*enemy);
      if (!model->parts.empty() && model->parts[0] != nullptr) {
        const ObjectPart& part = *model->parts[0];
        axes = {part.worldXAxis, part.worldYAxis, part.worldZAxis};
      }
      const math::Vec3 from = GunPosition(*model);
      for (float pitch : {0.0f, 1.57f, 3.14f, 4.71f}) {
        auto* missile = new Missile(1, from, axes, 0.0f, 0.0f, true, true);
        if (missile->GetModel() != nullptr) missile->GetModel()->Pitch(pitch);
        AddEnemyShot(missile);
      }
      enemy->scratch[0] = now;
    }
    enemy->scratch[1] = now;
    const int t = now - enemy->scratch[0];
    if (t >= 1000 && t < 2000) model->Pitch(0.785f * Dt());
    if (t >= 3000) enemy->scratch[1] = -1;
  }
  EndRule(*enemy, 30000);
}

void LaserFollow(Enemy* enemy) {
  if (Model* model = enemy->GetModel()) {
    TopViewRoll(*enemy, *model, 2);
    const int now = Now();
    if (enemy->scratch[1] == -1) enemy->scratch[0] = now;
    enemy->scratch[1] = now;
    const int t = now - enemy->scratch[0];
    if (t < 2000) {
      TurnToward(*enemy, *model, PlayerModel(), 0.6977778f);
    } else if (enemy->scratch[3] == -1) {
      enemy->scratch[3] = 1;
      if (g_graphics != nullptr) {
        const ParticleEffectDesc charge = ChargeRingEffect(model, &GunPosition(*model), &model->zAxis,
                                                           &model->xAxis, &model->yAxis, 15.0f, 15, 1.0f);
        g_graphics->SpawnParticleSystem(&charge);
      }
    } else if (t > 3000) {
      const math::Vec3 from = GunPosition(*model);
      AddEnemyShot(
          new RayShot(1, *enemy, &from, 15, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 1.0f, 1.0f, 1.0f}, nullptr, -1));
      enemy->scratch[1] = -1;
      enemy->scratch[3] = -1;
    }
  }
  EndRule(*enemy, 15000);
}

void LoopUpLeft(Enemy* enemy) {
  LoopBehavior(enemy, kQuarterTurn, -kQuarterTurn);
}
void LoopDownRight(Enemy* enemy) {
  LoopBehavior(enemy, -kQuarterTurn, 90.0f * 0.017444444f);
}

void HookUpLeft(Enemy* enemy) {
  HookBehavior(enemy, 1.0f);
}
void HookDownRight(Enemy* enemy) {
  HookBehavior(enemy, -1.0f);
}

void Follow(Enemy* enemy) {
  const int now = Now();
  if (enemy->scratch[0] == -1) enemy->scratch[0] = now;
  enemy->scratch[1] = now;
  if (Model* model = enemy->GetModel()) {
    TurnToward(*enemy, *model, PlayerModel(), 2.6166668f);
    enemy->MoveForward(Dt() * enemy->speed);
  }
  // A follower that outlives its clock explodes without paying.
  if (enemy->scratch[1] - enemy->scratch[0] >= 10000) {
    enemy->score = 0;
    enemy->health = 0;
  }
  if (enemy->health <= 0 || enemy->GetAgeMs() >= 10000) Enemy::Die(enemy, 0, kDropOneIn);
}

void Rotate(Enemy* enemy) {
  Model* model = enemy->GetModel();
  const float dt = Dt();
  if (model != nullptr && FireTimer(*enemy, FirePeriod(*enemy))) {
    // The bullet is tilted toward the player.
    Bullet* bullet = FireBullet(*enemy, model->position);
    const Model* shot = bullet != nullptr ? bullet->GetModel() : nullptr;
    if (const Model* player = PlayerModel(); shot != nullptr && player != nullptr) {
      const math::Vec3 axis = math::Vec3Cross(shot->position - player->position, shot->zAxis);
      if (math::Vec3LengthSq(axis) != 0.0f) bullet->Rotate(axis.x, axis.y, axis.z, kThirtyDegrees);
    }
  }
  Enemy* boss = nullptr;
  if (g_engine != nullptr && g_engine->enemyManager != nullptr) {
    boss = g_engine->enemyManager->FindEnemyByType(kPsychoRearId);
  }
  if (boss == nullptr) {
    enemy->remove = true;
  } else if (const Model* body = boss->GetModel(); model != nullptr && body != nullptr) {
    model->OrbitAboutV(&body->position, &body->zAxis, 0.5233334f * dt);
  }
  const int age = enemy->GetAgeMs();
  if (age >= 18000) enemy->MoveForward(50.0f * dt);
  if (enemy->health <= 0 || age >= 25000) {
    if (boss != nullptr) boss->scratchF[9] -= 1.0f;
    Enemy::Die(enemy, 0, kMinionDropOneIn);
  }
}

void WaveUpLeft(Enemy* enemy) {
  WaveBehavior(enemy, 1.0f);
}
void WaveDownRight(Enemy* enemy) {
  WaveBehavior(enemy, -1.0f);
}

void RailBasicLeft(Enemy* enemy) {
  RailBasicBehavior(enemy, -1.0f);
}
void RailBasicRight(Enemy* enemy) {
  RailBasicBehavior(enemy, 1.0f);
}

void Asteroid(Enemy* enemy) {
  if (Model* model = enemy->GetModel()) {
    enemy->MoveForward(-0.5f * g_gameSpeed * Dt());
    // An angle per call, growing slowly: the roll speeds up with the frame rate as well as with time.
    model->Roll(enemy->scratchF[0]);
    enemy->scratchF[0] = enemy->scratchF[0] > 6.28f ? 0.0f : enemy->scratchF[0] + 0.00017444445f * Dt();
  }
  if (enemy->health <= 0 || enemy->GetAgeMs() >= 15000) Enemy::Die(enemy, 15000, kDropOneIn);
}
