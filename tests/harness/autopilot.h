// An autopilot for whole-level runs: each frame it steers the ship at the nearest power-up in view, else at
// the nearest live enemy in view, and keeps both guns firing; a run may end a boss's fight that it cannot.
// Used by the level tests and the benchmarks.
#pragma once

#include <algorithm>
#include <cmath>

#include "app/engine.h"
#include "app/game_state.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "game/powerup.h"
#include "graphics/camera.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "platform/headless/headless_services.h"

namespace autopilot {

// Whether a point lies inside the camera's 45-degree, 4:3 view.
inline bool OnScreen(const Camera& camera, const math::Vec3& p) {
  constexpr float kTanHalfFov = 0.41421356f;
  constexpr float kAspect = 4.0f / 3.0f;
  const math::Vec3 d = p - camera.GetEye();
  const float z = math::Vec3Dot(d, camera.GetLook());
  if (z < 1.0f) return false;
  return std::fabs(math::Vec3Dot(d, camera.GetRight())) < z * kTanHalfFov * kAspect &&
         std::fabs(math::Vec3Dot(d, camera.GetUp())) < z * kTanHalfFov;
}

// The nearest power-up in view, else the nearest live enemy in view; null when there is neither.
inline const Entity* Target(const Engine& e, const math::Vec3& from) {
  const Entity* best = nullptr;
  float bestDistance = 0.0f;
  auto consider = [&](const Entity* candidate) {
    const Model* model = candidate->GetModel();
    if (model == nullptr || !model->visible || !OnScreen(e.graphics->camera, model->position)) return;
    const float distance = math::Vec3Length(model->position - from);
    if (best == nullptr || distance < bestDistance) best = candidate, bestDistance = distance;
  };
  for (const Projectile* object : e.enemyObjects) {
    if (dynamic_cast<const PowerUp*>(object) != nullptr) consider(object);
  }
  if (best != nullptr) return best;
  for (const auto& group : e.enemyManager->GetGroups()) {
    for (const Enemy* enemy : group->members) {
      if (enemy->health > 0) consider(enemy);
    }
  }
  return best;
}

// Sets the keys for one frame: the view's two steering axes toward the target, the primary gun held, the
// secondary pressed anew every 20 frames (the Ray Cannon fires on each new press).
inline void SetKeys(const Engine& e, plat::HeadlessServices& keys, int frame) {
  bool left = false, right = false, up = false, down = false;
  if (!e.players.empty() && e.players[0]->GetModel() != nullptr) {
    const math::Vec3 ship = e.players[0]->GetModel()->position;
    if (const Entity* target = Target(e, ship)) {
      const math::Vec3 d = target->GetModel()->position - ship;
      const float lateral = math::Vec3Dot(d, e.side), vertical = math::Vec3Dot(d, e.up);
      if (e.state != kSideView) left = lateral<-3.0f, right = lateral> 3.0f;
      if (e.state != kTopView) down = vertical<-3.0f, up = vertical> 3.0f;
    }
  }
  keys.SetKey(e.keyLeft, left);
  keys.SetKey(e.keyRight, right);
  keys.SetKey(e.keyUp, up);
  keys.SetKey(e.keyDown, down);
  keys.SetKey(e.keyFire, true);
  keys.SetKey(e.keySecondary, frame % 20 < 15);
}

// The body of the boss in play (the first of the four boss types found), or null.
inline Enemy* BossInPlay(EnemyManager& enemies) {
  for (int type = kPhantomId; type <= kPsychoFrontId; ++type) {
    if (Enemy* body = enemies.FindEnemyByType(type)) return body;
  }
  return nullptr;
}

// Ends a boss's fight as the last hits would: the parts linked to it destroyed, its health gone and, for
// the PsychoSide, its five targets.
inline void BringDown(Enemy& boss) {
  for (Enemy* part : {boss.linkA, boss.linkB}) {
    if (part != nullptr) part->health = 0;
  }
  boss.health = 0;
  if (boss.typeId == kPsychoSideId) std::fill(boss.scratch, boss.scratch + 5, 0);
}

// Whether player 0 has reached the end of the track.
inline bool AtEnd(const Engine& e) {
  if (e.players.empty()) return false;
  const Player* p = e.players[0];
  return p->railSegment == static_cast<int>(e.graphics->waypoints.size()) - 2 && p->railProgress >= 1.0f;
}

}  // namespace autopilot
