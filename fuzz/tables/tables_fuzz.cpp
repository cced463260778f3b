// Fuzz target: the two enemy tables on arbitrary bytes (the same input as either table), then a spawn of
// every formation read, without graphics, and a clear.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/fuzz_support.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  EnemyManager manager(&text, &text);
  for (size_t i = 0; i < manager.behaviorTypes.size(); ++i) {
    const BehaviorType& formation = manager.behaviorTypes[i];
    fuzz::Check(formation.memberCount <= 0
                    ? formation.offsets.empty()
                    : formation.offsets.size() == static_cast<size_t>(formation.memberCount),
                "a formation's offsets do not match its member count");
    const bool spawned = manager.SpawnEnemy(0, static_cast<int>(i), 1.0f, 2.0f, 3.0f);
    fuzz::Check(
        spawned || manager.enemyTypes.empty() || formation.behavior == nullptr ||
            (manager.enemyTypes[0].typeId >= kPhantomId && manager.enemyTypes[0].typeId <= kPsychoFrontId),
        "a formation of the table did not spawn");
  }
  for (size_t i = 0; i < manager.enemyTypes.size(); ++i) {
    fuzz::Check(manager.enemyTypes[i].typeId == static_cast<int>(i), "an enemy type id is not its index");
  }
  manager.Clear();
  fuzz::Check(manager.count == 0 && manager.GetGroups().empty(), "a clear left enemies");
  return 0;
}
