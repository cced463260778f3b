// The enemy manager: reading the two enemy tables, spawning formations in the rail frame, the per-frame
// update of every formation, clearing, and the target queries, which walk every sphere in storage order.
#include "enemies/enemy_manager.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <sstream>

#include "app/timer.h"
#include "enemies/enemy.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "graphics/text_tokens.h"
#include "math/random.h"
#include "math/saturating.h"
#include "platform/files.h"

namespace {

// A table file is read whole: at most this many bytes (the game's own take under 1 KiB).
constexpr uintmax_t kMaxTableFileBytes = uintmax_t{1} << 20;

// Reports of one table file: each on stderr with the file and line, at most ten a file, then their count.
class TableReport {
 public:
  explicit TableReport(const char* file) : file_(file) {}
  ~TableReport() {
    if (count_ > kListed) std::fprintf(stderr, "Enemies: %s: %d problems in all\n", file_, count_);
  }
  void At(int line, const std::string& message) {
    if (++count_ <= kListed) std::fprintf(stderr, "Enemies: %s, line %d: %s\n", file_, line, message.c_str());
  }

 private:
  static constexpr int kListed = 10;
  const char* file_;
  int count_ = 0;
};

// Number fields of a record, read by the leading-number rule; a token that is not cleanly a number is
// reported. False when the file ends first.
class RecordReader {
 public:
  RecordReader(std::istream& in, TableReport& report) : tokens_(in), report_(report) {}

  bool Word(std::string& out) { return tokens_.Next(out); }
  bool Integer(const char* what, int& out) {
    std::string token;
    if (!tokens_.Next(token)) return false;
    std::string malformed;
    out = IntegerField(token, what, malformed);
    if (!malformed.empty()) report_.At(tokens_.Line(), malformed);
    return true;
  }
  bool Real(const char* what, float& out) {
    std::string token;
    if (!tokens_.Next(token)) return false;
    std::string malformed;
    out = RealField(token, what, malformed);
    if (!malformed.empty()) report_.At(tokens_.Line(), malformed);
    return true;
  }
  int Line() const { return tokens_.Line(); }

 private:
  TokenReader tokens_;
  TableReport& report_;
};

void ReadBehaviorTypes(std::istream& in, std::vector<BehaviorType>& out) {
  TableReport report(EnemyManager::kTypesFile);
  RecordReader reader(in, report);
  BehaviorType record;
  while (reader.Integer("a member count", record.memberCount)) {
    const int line = reader.Line();
    std::string name;
    bool whole = reader.Integer("a delay step", record.delayStepMs) && reader.Word(name);
    record.behavior = whole ? FindBehavior(name.c_str()) : nullptr;
    if (whole && record.behavior == nullptr) {
      // The record keeps its place, so later records keep their ids, but spawns nothing.
      report.At(reader.Line(), "no behaviour is named " + Quoted(name) + "; the formation spawns nothing");
    }
    record.offsets.clear();
    for (int i = 0; whole && i < record.memberCount; ++i) {
      math::Vec3 offset;
      whole = reader.Real("an offset", offset.x) && reader.Real("an offset", offset.y) &&
              reader.Real("an offset", offset.z);
      if (whole) record.offsets.push_back(offset);
    }
    if (!whole) {
      report.At(line, "the formation that starts here is cut short by the end of the file; it is left out");
      return;
    }
    out.push_back(record);
  }
}

void ReadEnemyTypes(std::istream& in, std::vector<EnemyType>& out) {
  TableReport report(EnemyManager::kEnemiesFile);
  RecordReader reader(in, report);
  std::string name;
  while (reader.Word(name)) {
    const int line = reader.Line();
    EnemyType record;
    record.typeId = static_cast<int>(out.size());
    if (!(reader.Real("a speed", record.speed) && reader.Integer("a health", record.health) &&
          reader.Integer("a score", record.score))) {
      report.At(line, "the enemy " + Quoted(name) + " is cut short by the end of the file; it is left out");
      return;
    }
    out.push_back(record);
  }
}

// The model of an ordinary enemy type; the boss types are made by their own spawners.
const char* EnemyModel(int typeId) {
  switch (typeId) {
    case 1:
      return "Polaris";
    case 2:
      return "Poison";
    case 3:
      return "Psycho";
    case 4:
      return "Dread";
    case 5:
      return "Dirt";
    case 10:
      return "MediumMeteor00";
    case 11:
      return "MediumMeteor01";
    case 12:
      return "LargeMeteor00";
    case 13:
      return "LargeMeteor01";
    default:
      return "Magic";
  }
}

constexpr int64_t kMaxDelayMs = 1'000'000'000;

bool IsBoss(int typeId) {
  return typeId >= kPhantomId && typeId <= kPsychoFrontId;
}

}  // namespace

EnemyManager::EnemyManager(const plat::FileSystem& files, uint32_t seed) {
  math::SeedRandom(seed);
  std::string why;
  std::unique_ptr<std::istream> types = files.OpenText(kTypesFile, kMaxTableFileBytes, &why);
  if (types == nullptr) {
    std::fprintf(stderr, "Enemies: %s cannot be opened (%s); no enemies will appear\n", kTypesFile,
                 why.c_str());
    return;
  }
  ReadBehaviorTypes(*types, behaviorTypes);
  std::unique_ptr<std::istream> enemies = files.OpenText(kEnemiesFile, kMaxTableFileBytes, &why);
  if (enemies == nullptr) {
    std::fprintf(stderr, "Enemies: %s cannot be opened (%s); no enemies will appear\n", kEnemiesFile,
                 why.c_str());
    return;
  }
  ReadEnemyTypes(*enemies, enemyTypes);
}

EnemyManager::EnemyManager(const std::string* typesText, const std::string* enemiesText) {
  if (typesText == nullptr) return;
  std::istringstream types(*typesText);
  ReadBehaviorTypes(types, behaviorTypes);
  if (enemiesText == nullptr) return;
  std::istringstream enemies(*enemiesText);
  ReadEnemyTypes(enemies, enemyTypes);
}

EnemyManager::~EnemyManager() {
  Clear();
}

std::vector<Entity*> EnemyManager::Members() const {
  std::vector<Entity*> all;
  for (const auto& group : groups) all.insert(all.end(), group->members.begin(), group->members.end());
  return all;
}

void EnemyManager::SetAxes(float ux, float uy, float uz, float sx, float sy, float sz, float fx, float fy,
                           float fz) {
  up = {ux, uy, uz};
  side = {sx, sy, sz};
  forward = {fx, fy, fz};
}

bool EnemyManager::SpawnEnemy(int enemyId, int behaviorId, float x, float y, float z) {
  if (enemyId < 0 || behaviorId < 0 || static_cast<size_t>(enemyId) >= enemyTypes.size() ||
      static_cast<size_t>(behaviorId) >= behaviorTypes.size()) {
    return false;
  }
  const BehaviorType& formation = behaviorTypes[behaviorId];
  const EnemyType& kind = enemyTypes[enemyId];
  auto group = std::make_unique<EnemyGroup>();
  group->behavior = formation.behavior;
  if (formation.memberCount <= 0) {
    groups.push_back(std::move(group));  // erased by the next update
    return true;
  }
  if (IsBoss(kind.typeId)) {
    // One boss whatever the formation: its behaviour and offsets are not used.
    const int made = SpawnBoss(kind.typeId, x, y, z);
    count = math::SaturatingAdd(count, made);
    return made > 0;
  }
  if (formation.behavior == nullptr) return false;

  const math::Vec3 at{x, y, z};
  for (int i = 0; i < formation.memberCount; ++i) {
    auto* enemy = new Enemy();
    group->members.push_back(enemy);
    count = math::SaturatingAdd(count, 1);
    enemy->typeId = kind.typeId;
    enemy->LoadModel(EnemyModel(kind.typeId), false);
    enemy->speed = kind.speed;
    enemy->health = kind.health;
    enemy->score = kind.score;
    enemy->remove = false;
    enemy->scratch[5] = math::Random() % 1000;
    enemy->SetDamage(1);
    // Held well inside int, so that the behaviours' lifetimes (delay + some seconds) cannot overflow.
    enemy->spawnDelayMs =
        static_cast<int>(std::clamp<int64_t>(int64_t{i} * formation.delayStepMs, -kMaxDelayMs, kMaxDelayMs));
    math::Vec3 right = -side, upAxis = up, back = -forward;
    enemy->SetOrientation(right, upAxis, back);
    const math::Vec3& offset = formation.offsets[i];
    const math::Vec3 place = at + side * offset.x + up * offset.y + forward * offset.z;
    enemy->SetPosition(place.x, place.y, place.z);

    Model* model = enemy->GetModel();
    if (model == nullptr || g_graphics == nullptr) continue;
    if (kind.typeId == 2) {
      ParticleEffectDesc spray;
      spray.owner = model;
      spray.attached = true;
      spray.kind = kSmallSprayParticles;
      spray.vecA = &model->position;
      spray.vecC = &model->zAxis;
      spray.size = 2.0f;
      spray.count = 64;
      g_graphics->SpawnParticleSystem(&spray);
    }
    const ParticleEffectDesc glow = AppearEffect(model);
    g_graphics->SpawnParticleSystem(&glow);
  }
  groups.push_back(std::move(group));
  return true;
}

int EnemyGroup::Update() {
  if (members.empty()) {
    finished = true;
    return 0;
  }
  int removed = 0;
  for (size_t i = 0; i < members.size();) {
    Enemy* enemy = members[i];
    // The part-based bosses blink their own parts.
    if (enemy->typeId != kPsychoSideId && enemy->typeId != kPsychoFrontId) enemy->StepHitFlash(0, true);
    if (enemy->remove) {
      delete enemy;
      members.erase(members.begin() + static_cast<std::ptrdiff_t>(i));
      ++removed;
    } else {
      ++i;
    }
  }
  // By index: a behaviour may spawn new groups, never members of this one.
  if (behavior != nullptr) {
    for (size_t i = 0; i < members.size(); ++i) behavior(members[i]);
  }
  return removed;
}

void EnemyManager::Update() {
  if (startDelayMs > 0) {
    startDelayMs -= Timer().GetFrameMs();
    return;
  }
  // The size is read afresh each step: groups spawned during the pass run in it too. Groups are held by
  // pointer, so appending never moves the one running.
  for (size_t i = 0; i < groups.size(); ++i) count = math::SaturatingAdd(count, -groups[i]->Update());
  std::erase_if(groups, [](const std::unique_ptr<EnemyGroup>& group) { return group->finished; });
}

void EnemyManager::Clear() {
  count = 0;
  for (auto& group : groups) {
    for (Enemy* enemy : group->members) delete enemy;
  }
  groups.clear();
}

Enemy* EnemyManager::FindEnemyByType(int typeId) const {
  for (const auto& group : groups) {
    for (Enemy* enemy : group->members) {
      if (enemy->typeId == typeId) return enemy;
    }
  }
  return nullptr;
}

const math::Vec3* EnemyManager::FindNearestTarget(float x, float y, float z, double* distance) const {
  double best = -1.0;
  const math::Vec3* result = nullptr;
  for (const auto& group : groups) {
    for (const Enemy* enemy : group->members) {
      const Model* model = enemy->GetModel();
      if (model == nullptr) continue;
      for (const ObjectPart* part : model->parts) {
        for (const CollisionSphere& sphere : part->spheres) {
          const float dx = x - sphere.worldCentre.x, dy = y - sphere.worldCentre.y,
                      dz = z - sphere.worldCentre.z;
          const double d =
              static_cast<double>(dx * dx) + static_cast<double>(dy * dy) + static_cast<double>(dz * dz);
          if (d < best || best < -0.5) {
            best = d;
            result = &sphere.worldCentre;
          }
        }
      }
    }
  }
  if (distance != nullptr) *distance = best;
  return result;
}

const math::Vec3* EnemyManager::PickRandomTarget() const {
  if (groups.empty()) return nullptr;
  std::vector<const math::Vec3*> eligible;
  for (const auto& group : groups) {
    for (const Enemy* enemy : group->members) {
      const Model* model = enemy->GetModel();
      if (model == nullptr || enemy->chainHit || enemy->health <= 0) continue;
      for (const ObjectPart* part : model->parts) {
        for (const CollisionSphere& sphere : part->spheres) eligible.push_back(&sphere.worldCentre);
      }
    }
  }
  if (eligible.empty()) return nullptr;
  return eligible[static_cast<size_t>(math::Random()) % eligible.size()];
}
