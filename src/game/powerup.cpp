// Power-ups (placeholder until the power-ups land).
#include "game/powerup.h"

PowerUp::PowerUp(int type_, const math::Vec3& at, const math::Vec3&, const math::Vec3&, const math::Vec3&)
    : type(type_) {
  position = at;
}
void PowerUp::Update(bool) {}
void PowerUp::OnCollision(Entity*, int) {}
const char* PowerUp::ModelName(int) { return nullptr; }
