// The helper ship's gun.
#include "game/helper.h"

#include "app/timer.h"
#include "game/projectile.h"
#include "graphics/model.h"

void Helper::Fire(int primaryLevel, std::vector<Projectile*>& shots) {
  static constexpr int kCooldownMs[3] = {401, 251, 121};
  if (primaryLevel < 1 || primaryLevel > 3 || model == nullptr) return;
  const int now = Timer().GetTimeMs();
  if (now - lastShot < kCooldownMs[primaryLevel - 1]) return;
  // The gun is the first lock point of part 0; a model without one fires from its position.
  math::Vec3 at = model->position;
  if (!model->parts.empty() && !model->parts[0]->lockPoints.empty())
    at = model->parts[0]->lockPoints[0].worldPosition;
  lastShot = now;
  shots.push_back(new Bullet(1000, at, AxesOf(*this), 300.0f, {1.0f, 1.0f, 1.0f, 1.0f}, 15.0f, false, 30));
}
