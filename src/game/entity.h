// Common base of every object that takes part in play: its model, position, age, contact damage, dead flag
// and the ray the collision tests use.
#pragma once

#include <memory>
#include <string>

#include "math/math3d.h"

class Model;
class Entity;

// A reference to an entity that reports "gone" (null) once the entity has been destroyed.
class EntityHandle {
 public:
  EntityHandle() = default;
  Entity* Get() const { return slot ? *slot : nullptr; }

 private:
  friend class Entity;
  explicit EntityHandle(std::shared_ptr<Entity*> s) : slot(std::move(s)) {}
  std::shared_ptr<Entity*> slot;
};

class Entity {
 public:
  Entity();
  // Hands the model back to the graphics object (its unload flag). Virtual: the engine's lists delete
  // shots, pick-ups and enemies through base pointers.
  virtual ~Entity();
  Entity(const Entity&) = delete;
  Entity& operator=(const Entity&) = delete;

  // Called by the collision tests when this object touches another; part is this object's touched model
  // part (0 when this object took part as a ray).
  virtual void OnCollision(Entity* other, int part);

  Model* GetModel() const { return model; }

  // The model operations below do nothing without a model.
  // Normalises the caller's three vectors in place and makes them the model's X, Y and Z axes; without a
  // model the vectors are left as they are.
  void SetOrientation(math::Vec3& right, math::Vec3& up, math::Vec3& forward);
  // Places the model; the stored position takes the value even without a model.
  void SetPosition(float x, float y, float z);
  void Rotate(float ax, float ay, float az, float angle);
  // Moves along the model's own Y, X and Z axes, then copies the model's position back.
  void MoveUp(float distance);
  void MoveRight(float distance);
  void MoveForward(float distance);

  // Game time since construction: follows the game clock, not wall time.
  int GetAgeMs() const;
  // A handle that turns null when this entity is destroyed.
  EntityHandle Handle();
  int GetDamage() const { return damage; }
  void SetDamage(int d) { damage = d; }

  // The model's X, Y and Z axes in one 9-float buffer shared by every entity: the next call overwrites it.
  // Without a model the buffer is returned unchanged.
  const float* GetOrientation() const;

  // Flags the current model for unloading and loads name + ".mdl" at the origin, in the blended list
  // when blended is set. A file that cannot be read leaves the entity without a model.
  void LoadModel(const std::string& name, bool blended);

  math::Vec3 rayStart;
  float rayThickness = 0.0f;
  math::Vec3 raySegment;  // from the ray start to its end; its length is the ray's reach
  bool isRay = false;
  math::Vec3 position;
  bool dead = false;

 protected:
  Model* model = nullptr;  // owned by the graphics object
  int spawnTimeMs = 0;
  int damage = 0;

 private:
  static inline float orientation[9] = {};
  std::shared_ptr<Entity*> handleSlot;  // made by the first Handle(); cleared by the destructor
};
