// The enemy manager's target queries: they walk every sphere of every member in storage order.
#include "enemies/enemy_manager.h"

#include "enemies/enemy.h"
#include "graphics/model.h"
#include "math/random.h"

const math::Vec3* EnemyManager::FindNearestTarget(float x, float y, float z, double* distance) const {
  double best = -1.0;
  const math::Vec3* result = nullptr;
  for (const EnemyGroup& group : groups) {
    for (const Enemy* enemy : group.members) {
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
  for (const EnemyGroup& group : groups) {
    for (const Enemy* enemy : group.members) {
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
