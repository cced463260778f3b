// Game object base: binds a model to a game object and forwards placement to it.
#include "game/entity.h"

#include "app/timer.h"
#include "graphics/graphics.h"
#include "graphics/model.h"

Entity::Entity() : spawnTimeMs(Timer().GetTimeMs()) {}

Entity::~Entity() {
  if (handleSlot) *handleSlot = nullptr;
  if (model != nullptr) model->unload = true;
}

void Entity::OnCollision(Entity*, int) {}

void Entity::SetOrientation(math::Vec3& right, math::Vec3& up, math::Vec3& forward) {
  if (model != nullptr) model->SetOrientation(&right, &up, &forward);
}

void Entity::SetPosition(float x, float y, float z) {
  if (model != nullptr) model->SetPosition(x, y, z);
  position = {x, y, z};
}

void Entity::Rotate(float ax, float ay, float az, float angle) {
  if (model != nullptr) model->RotateAboutAxis(ax, ay, az, angle);
}

void Entity::MoveUp(float distance) {
  if (model == nullptr) return;
  model->MoveAlongY(distance);
  position = model->position;
}

void Entity::MoveRight(float distance) {
  if (model == nullptr) return;
  model->MoveAlongX(distance);
  position = model->position;
}

void Entity::MoveForward(float distance) {
  if (model == nullptr) return;
  model->MoveAlongZ(distance);
  position = model->position;
}

int Entity::GetAgeMs() const {
  return Timer().GetTimeMs() - spawnTimeMs;
}

EntityHandle Entity::Handle() {
  if (!handleSlot) handleSlot = std::make_shared<Entity*>(this);
  return EntityHandle(handleSlot);
}

const float* Entity::GetOrientation() const {
  if (model != nullptr) {
    const math::Vec3 axes[3] = {model->xAxis, model->yAxis, model->zAxis};
    for (int i = 0; i < 3; ++i) {
      orientation[3 * i] = axes[i].x;
      orientation[3 * i + 1] = axes[i].y;
      orientation[3 * i + 2] = axes[i].z;
    }
  }
  return orientation;
}

void Entity::LoadModel(const std::string& name, bool blended) {
  if (model != nullptr) {
    model->unload = true;
    model = nullptr;
  }
  if (g_graphics == nullptr) return;
  const std::string file = name + ".mdl";
  Model* loaded = nullptr;
  if (!g_graphics->LoadModel(&loaded, file.c_str(), 0.0f, 0.0f, 0.0f, blended, false) || loaded == nullptr)
    return;
  loaded->unload = false;
  model = loaded;
}
