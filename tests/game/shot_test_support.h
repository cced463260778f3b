// Shared set-up for the weapon and shot tests: the player's test engine, the shots a test keeps, and enemies
// in the enemy manager for the weapons that aim.
#pragma once

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/projectile.h"
#include "player_test_support.h"

namespace playertest {

inline long YawDegrees(const Entity& shot) {
  const math::Vec3 z = shot.GetModel()->zAxis;
  return std::lround(std::atan2(z.x, z.z) / 0.017453277f);
}

// A shot's class and the arguments it was made with; the heading only where the test view fixes it.
inline std::string Describe(const Projectile* p, bool yaw) {
  char text[96] = "?";
  if (auto* b = dynamic_cast<const Bullet*>(p)) {
    std::snprintf(text, sizeof text, "Bullet %d v%g s%g %s c%d g%g", b->GetDamage(), b->speed, b->size,
                  b->splits ? "split" : "whole", b->hitCounter, b->colour.g);
  } else if (auto* bomb = dynamic_cast<const Bomb*>(p)) {
    std::snprintf(text, sizeof text, "Bomb %d v%g blast%g", bomb->GetDamage(), bomb->speed, bomb->blastSpeed);
  } else if (auto* m = dynamic_cast<const Missile*>(p)) {
    std::snprintf(text, sizeof text, "Missile %d (%g,%g) %s", m->GetDamage(), m->sidewaysSpeed,
                  m->verticalSpeed, m->homing ? "homing" : "straight");
  } else if (auto* r = dynamic_cast<const RailShot*>(p)) {
    std::snprintf(text, sizeof text, "RailShot %d chain%d", r->GetDamage(), r->chainCount);
  } else if (auto* ray = dynamic_cast<const RayShot*>(p)) {
    std::snprintf(text, sizeof text, "RayShot %d/s wide%g", ray->damagePerSecond, ray->rayThickness);
  }
  return yaw ? std::string(text) + " yaw" + std::to_string(YawDegrees(*p)) : text;
}

class ShotTest : public PlayerTest {
 protected:
  // Keeps the shots (the test owns them) and returns how many there were.
  size_t Keep(std::vector<Projectile*> made) {
    for (Projectile* p : made) shots.emplace_back(p);
    return made.size();
  }
  std::vector<std::string> Plays() {
    return harness->services.Sounds().Lines({plat::headless::SoundCall::Play});
  }
  void Arm(int code, int level) {
    player->SetWeaponCode(code);
    player->SetWeaponLevel(level);
  }
  // An enemy with one sphere of radius 3 at a place, in the enemy manager's one group.
  Enemy* AddEnemy(const math::Vec3& at = {0, 0, 100}) {
    enemies.push_back(std::make_unique<Enemy>());
    Enemy* enemy = enemies.back().get();
    enemy->LoadModel("Bullet", false);
    enemy->SetPosition(at.x, at.y, at.z);
    enemy->health = 100;
    engine().enemyManager->groups.resize(1);
    engine().enemyManager->groups[0].members.push_back(enemy);
    engine().enemyManager->count += 1;
    return enemy;
  }
  // Shots and enemies go before the engine whose graphics object holds their models.
  void ClearShots() {
    shots.clear();
    engine().enemyManager->groups.clear();
    engine().enemyManager->count = 0;
    enemies.clear();
  }
  void Restart() {
    ClearShots();
    Start(EngineHarness::GameFolder());
  }
  void TearDown() override {
    ClearShots();
    PlayerTest::TearDown();
  }

  std::vector<std::unique_ptr<Projectile>> shots;
  std::vector<std::unique_ptr<Enemy>> enemies;
};

}  // namespace playertest
