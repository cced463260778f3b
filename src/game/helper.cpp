// The helper ship: its model, its approach to its station and its gun.
#include "game/helper.h"

#include "app/timer.h"
#include "game/projectile.h"
#include "graphics/model.h"

namespace {
constexpr float kApproachRate = 20.0f;  // share of the remaining gap closed per second
}  // namespace

Helper::Helper() {
  LoadModel("Helper", false);
}

void Helper::MoveToward(float x, float y, float z) {
  if (model == nullptr) return;
  const float k = kApproachRate * Timer().GetFrameSeconds();
  const math::Vec3 at = model->position;
  model->SetPosition(at.x + (x - at.x) * k, at.y + (y - at.y) * k, at.z + (z - at.z) * k);
}

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
