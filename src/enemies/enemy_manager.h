// The enemies in play, by formation: the two enemy tables, the rail frame spawning orients by, the
// per-frame update of every formation, and the target queries of the player's homing and chaining weapons.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "enemies/behaviors.h"
#include "math/math3d.h"

class Enemy;
class Entity;
namespace plat {
class FileSystem;
}

// One formation: its members in order, owned, and the behaviour that runs them.
struct EnemyGroup {
  // Blinks hit members, deletes removed ones, then runs the behaviour on every member. An empty group is
  // flagged finished instead. Returns the number of members deleted.
  int Update();

  std::vector<Enemy*> members;
  Behavior behavior = nullptr;
  bool finished = false;
};

// One record of the formation table: member count, delay step, one offset per member along the rail's
// side, up and forward axes, and the behaviour.
struct BehaviorType {
  int memberCount = 0;
  int delayStepMs = 0;
  std::vector<math::Vec3> offsets;
  Behavior behavior = nullptr;
};

// One record of the enemy table.
struct EnemyType {
  int typeId = 0;
  float speed = 0.0f;
  int health = 0;
  int score = 0;
};

class EnemyManager {
 public:
  static constexpr const char* kTypesFile = "Assets\\Enemies\\ai_types.txt";
  static constexpr const char* kEnemiesFile = "Assets\\Enemies\\ai_enemies.txt";

  // Seeds the game's generator (the engine passes the wall clock's seconds), then reads both tables from the
  // game folder. A missing types table leaves both empty; a missing enemies table leaves that one empty.
  EnemyManager(const plat::FileSystem& files, uint32_t seed);
  // Tables given as text (tests and fuzzing); a null types text reads as a missing file.
  EnemyManager(const std::string* typesText, const std::string* enemiesText);
  ~EnemyManager();
  EnemyManager(const EnemyManager&) = delete;
  EnemyManager& operator=(const EnemyManager&) = delete;

  // Groups are held by pointer so that a group spawned during the update pass never moves the one whose
  // behaviour is running.
  std::vector<std::unique_ptr<EnemyGroup>>& GetGroups() { return groups; }
  // Every member of every group, group by group, for the collision pass.
  std::vector<Entity*> Members() const;

  // Up first, then side, then forward.
  void SetAxes(float ux, float uy, float uz, float sx, float sy, float sz, float fx, float fy, float fz);
  // A formation of a behaviour record's size and shape, every member of one enemy kind, around the spawn
  // point in the rail frame; enemy ids of the bosses start one boss instead, whatever the formation's size.
  // Ids outside the tables, and a boss whose model is unfit, spawn nothing and return false.
  bool SpawnEnemy(int enemyId, int behaviorId, float x, float y, float z);
  void Update();
  // Deletes every enemy and group.
  void Clear();

  // The first enemy of a type, in group and member order; null when none.
  Enemy* FindEnemyByType(int typeId) const;
  // The nearest collision-sphere centre of any enemy to the point; writes its squared distance (-1 when
  // there is no enemy) and returns null when there is none. Ties keep the first sphere found.
  const math::Vec3* FindNearestTarget(float x, float y, float z, double* distance) const;
  // A random collision-sphere centre of an enemy with health left that no chaining shot has hit; null
  // when there is none.
  const math::Vec3* PickRandomTarget() const;

  int startDelayMs = 0;  // while above 0 the update only counts it down and enemies ignore hits
  int count = 0;         // live enemies; the console may set it, and it stops at the ends of int
  math::Vec3 side{1.0f, 0.0f, 0.0f}, up{0.0f, 1.0f, 0.0f}, forward{0.0f, 0.0f, 1.0f};
  std::vector<BehaviorType> behaviorTypes;
  std::vector<EnemyType> enemyTypes;

 private:
  // The spawner of a boss type id; 0 for any other id.
  int SpawnBoss(int typeId, float x, float y, float z);
  // The boss spawners: each builds its boss at the spawn point and appends one group per object, parts
  // first, body last. A boss model lacking a part, lock point or sphere its behaviours read is reported on
  // stderr and nothing is made. Each returns the number of enemies made (0 when refused), which SpawnEnemy
  // adds to the count.
  int SpawnPhantom(float x, float y, float z);
  int SpawnPsychoRear(float x, float y, float z);
  int SpawnPsychoSide(float x, float y, float z);
  int SpawnPsychoFront(float x, float y, float z);
  void AppendBossGroup(Enemy* member, Behavior behavior);

  std::vector<std::unique_ptr<EnemyGroup>> groups;
};
