// The boss spawners, the check of each boss model's parts, lock points and spheres, and the helpers the
// boss behaviours share.
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>

#include "app/engine.h"
#include "app/timer.h"
#include "enemies/boss_support.h"
#include "enemies/bosses.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "math/random.h"

namespace {

constexpr int kPhantomHealth = 300000;
constexpr int kCannonHealth = 150000;
constexpr int kRearHealth = 10000;
constexpr int kGeneratorHealth = 200000;
constexpr int kPartHealth = 50000;  // each PsychoSide target and each PsychoFront plate
constexpr int kFrontHealth = 50000;
constexpr float kCannonHeight = 100.0f;
constexpr float kFirstGenerator = 32.0f, kSecondGenerator = 42.0f;

// What one part of a boss model must hold for the behaviours to read.
struct PartNeeds {
  int part;
  int lockPoints;
  int spheres;
};

// True when the enemy's model has every part, lock point and sphere listed; else says on stderr which
// model lacks what.
bool ModelFits(const Enemy& enemy, const char* name, std::initializer_list<PartNeeds> needs) {
  const Model* model = enemy.GetModel();
  std::string lack;
  if (model == nullptr) {
    lack = "cannot be loaded";
  } else {
    for (const PartNeeds& need : needs) {
      if (static_cast<size_t>(need.part) >= model->parts.size()) {
        lack = "has no part " + std::to_string(need.part);
        break;
      }
      const ObjectPart& part = *model->parts[static_cast<size_t>(need.part)];
      if (part.lockPoints.size() < static_cast<size_t>(need.lockPoints)) {
        lack = "needs " + std::to_string(need.lockPoints) + " lock point(s) on part " +
               std::to_string(need.part);
        break;
      }
      if (part.spheres.size() < static_cast<size_t>(need.spheres)) {
        lack = "needs a collision sphere on part " + std::to_string(need.part);
        break;
      }
    }
  }
  if (lack.empty()) return true;
  std::fprintf(stderr, "Bosses: the model \"%s.mdl\" %s; the boss is not made\n", name, lack.c_str());
  return false;
}

// One object of a boss: still, without contact damage, facing back along the rail like a formation member.
std::unique_ptr<Enemy> MakePart(const EnemyManager& manager, const char* model, int typeId, int health,
                                int score, const math::Vec3& at) {
  auto enemy = std::make_unique<Enemy>();
  enemy->typeId = typeId;  // -1 for the separate parts: no type rule matches them
  enemy->health = health;
  enemy->score = score;
  enemy->LoadModel(model, false);
  math::Vec3 right = -manager.side, up = manager.up, back = -manager.forward;
  enemy->SetOrientation(right, up, back);
  enemy->SetPosition(at.x, at.y, at.z);
  return enemy;
}

void Link(Enemy& body, Enemy& first, Enemy& second) {
  body.linkA = &first;
  body.linkB = &second;
  first.linkA = &body;
  second.linkA = &body;
}

constexpr int kNoType = -1;
constexpr int kBodyScore = 5000, kPhantomScore = 1000, kPartScore = 100;

}  // namespace

void EnemyManager::AppendBossGroup(Enemy* member, Behavior behavior) {
  auto group = std::make_unique<EnemyGroup>();
  group->members.push_back(member);
  group->behavior = behavior;
  groups.push_back(std::move(group));
}

int EnemyManager::SpawnBoss(int typeId, float x, float y, float z) {
  switch (typeId) {
    case kPhantomId:
      return SpawnPhantom(x, y, z);
    case kPsychoRearId:
      return SpawnPsychoRear(x, y, z);
    case kPsychoSideId:
      return SpawnPsychoSide(x, y, z);
    case kPsychoFrontId:
      return SpawnPsychoFront(x, y, z);
    default:
      return 0;
  }
}

int EnemyManager::SpawnPhantom(float x, float y, float z) {
  auto body = MakePart(*this, "Phantom", kPhantomId, kPhantomHealth, kPhantomScore, {x, y, z});
  auto first = MakePart(*this, "BeamCannon", kNoType, kCannonHealth, kPartScore, {x, y + kCannonHeight, z});
  auto second = MakePart(*this, "BeamCannon", kNoType, kCannonHealth, kPartScore, {x, y - kCannonHeight, z});
  if (!ModelFits(*body, "Phantom", {{0, 1, 1}}) || !ModelFits(*first, "BeamCannon", {{0, 1, 1}}) ||
      !ModelFits(*second, "BeamCannon", {{0, 1, 1}})) {
    return 0;
  }
  body->scratchF[0] = y;
  second->scratch[3] = 1;  // its first cycle runs 3000 ms ahead
  Link(*body, *first, *second);
  AppendBossGroup(first.release(), BeamCannonBehavior);
  AppendBossGroup(second.release(), BeamCannonBehavior);
  AppendBossGroup(body.release(), PhantomBehavior);
  return 3;
}

int EnemyManager::SpawnPsychoRear(float x, float y, float z) {
  auto body = MakePart(*this, "PsychoRear", kPsychoRearId, kRearHealth, kBodyScore, {x, y, z});
  // The hull, the gun with its muzzle, and the two hatches.
  if (!ModelFits(*body, "PsychoRear", {{0, 1, 1}, {1, 1, 0}, {2, 0, 0}, {3, 0, 0}})) return 0;
  const Model& shape = *body->GetModel();
  auto first = MakePart(*this, "ShieldGen", kNoType, kGeneratorHealth, kPartScore,
                        shape.position - shape.zAxis * kFirstGenerator);
  auto second = MakePart(*this, "ShieldGen", kNoType, kGeneratorHealth, kPartScore,
                         shape.position - shape.zAxis * kSecondGenerator);
  if (!ModelFits(*first, "ShieldGen", {{0, 1, 1}, {1, 0, 0}}) ||
      !ModelFits(*second, "ShieldGen", {{0, 1, 1}, {1, 0, 0}})) {
    return 0;
  }
  second->GetModel()->Roll(3.14f);  // the twin on the other side
  Link(*body, *first, *second);
  AppendBossGroup(first.release(), ShieldGenBehavior);
  AppendBossGroup(second.release(), ShieldGenBehavior);
  AppendBossGroup(body.release(), PsychoRearBehavior);
  return 3;
}

int EnemyManager::SpawnPsychoSide(float x, float y, float z) {
  auto body = MakePart(*this, "PsychoSide", kPsychoSideId, 1, kBodyScore, {x, y, z});
  // Targets 0 to 4 with their eyes and spheres, covers 5 to 9, missile pods 10 and 11 with four tubes each.
  if (!ModelFits(*body, "PsychoSide",
                 {{0, 1, 1},
                  {1, 1, 1},
                  {2, 1, 1},
                  {3, 1, 1},
                  {4, 1, 1},
                  {5, 0, 0},
                  {6, 0, 0},
                  {7, 0, 0},
                  {8, 0, 0},
                  {9, 0, 0},
                  {10, 4, 0},
                  {11, 4, 0}})) {
    return 0;
  }
  for (int i = 0; i < 5; ++i) body->scratch[i] = kPartHealth;
  AppendBossGroup(body.release(), PsychoSideBehavior);
  return 1;
}

int EnemyManager::SpawnPsychoFront(float x, float y, float z) {
  auto body = MakePart(*this, "PsychoFront", kPsychoFrontId, kFrontHealth, kBodyScore, {x, y, z});
  // The base, the core, the two guns with their muzzles, and plates 4 to 8 that take the hits.
  if (!ModelFits(*body, "PsychoFront",
                 {{0, 1, 1},
                  {1, 1, 1},
                  {2, 1, 0},
                  {3, 1, 0},
                  {4, 0, 1},
                  {5, 0, 1},
                  {6, 0, 1},
                  {7, 0, 1},
                  {8, 0, 1}})) {
    return 0;
  }
  for (int i = 0; i < 5; ++i) body->scratch[i] = kPartHealth;
  AppendBossGroup(body.release(), PsychoFrontBehavior);
  return 1;
}

namespace boss {

int Now() {
  return Timer().GetTimeMs();
}
float FrameSeconds() {
  return Timer().GetFrameSeconds();
}
int FrameMs() {
  return Timer().GetFrameMs();
}

int Elapsed(Enemy& enemy, int start) {
  const int now = Now();
  if (enemy.scratch[start] == -1) enemy.scratch[start] = now;
  enemy.scratch[start + 1] = now;
  return now - enemy.scratch[start];
}

bool Dying(const Enemy& enemy) {
  return enemy.scratch[kDyingFlag] == 1;
}

void StartDying(Enemy& enemy, int timer, float railSpeed) {
  enemy.PayScore();
  enemy.scratch[kDyingFlag] = 1;
  enemy.scratch[timer] = enemy.scratch[timer + 1] = Now();
  g_gameSpeed = railSpeed;
}

bool ExplosionDue(Enemy& enemy) {
  if (++enemy.scratch[kFrameCounter] < 100) return false;
  enemy.scratch[kFrameCounter] = 0;
  return true;
}

void Explode(const math::Vec3& at, float size, int count) {
  if (g_graphics == nullptr) return;
  const ParticleEffectDesc blast =
      ExplosionEffect(&at, size, count, 2.0f, {1.0f, 0.5019608f, 0.0f, 1.0f}, {1.0f, 1.0f, 0.0f, 0.0f});
  g_graphics->SpawnParticleSystem(&blast);
}

namespace {
// One draw of -250 to 249.
float Spread() {
  return static_cast<float>(math::Random() % 500 - 250);
}
}  // namespace

math::Vec3 Jittered(const math::Vec3& at) {
  // Drawn in the order x, y, z.
  const float x = Spread() * 0.02f;
  const float y = Spread() * 0.02f;
  const float z = Spread() * 0.02f;
  return at + math::Vec3{x, y, z};
}

math::Vec3 OnHull(const Model& model) {
  const float x = Spread();
  const float y = Spread();
  const float z = Spread();
  const float radius = model.parts[0]->spheres[0].radius;
  return model.position + math::Vec3Normalize({x, y, z}) * radius;
}

void Unlink(Enemy*& link) {
  link->linkA = nullptr;
  link = nullptr;
}

const math::Vec3* PlayerPosition() {
  if (g_engine == nullptr || g_engine->players.empty() || g_engine->players[0]->GetModel() == nullptr) {
    return nullptr;
  }
  return &g_engine->players[0]->GetModel()->position;
}

const math::Vec3& LockPointOf(const Model& model, int part, int index) {
  return model.parts[static_cast<size_t>(part)]->lockPoints[static_cast<size_t>(index)].worldPosition;
}

ShotAxes WorldAxes(const ObjectPart& part) {
  return {part.worldXAxis, part.worldYAxis, part.worldZAxis};
}

void ChargeRing(Model* owner, const math::Vec3* at, const math::Vec3* z, const math::Vec3* x,
                const math::Vec3* y, float size, int count) {
  if (g_graphics == nullptr) return;
  const ParticleEffectDesc ring = ChargeRingEffect(owner, at, z, x, y, size, count, 3.0f);
  g_graphics->SpawnParticleSystem(&ring);
}

void Fire(Projectile* shot) {
  if (g_engine == nullptr) {
    delete shot;
    return;
  }
  g_engine->enemyObjects.push_back(shot);
}

void FireBullet(const math::Vec3& at, const ShotAxes& axes, float speed, ParticleColour colour, float size) {
  Fire(new Bullet(1, at, axes, speed, colour, size, false, Bullet::kArmedCounter));
}

}  // namespace boss
