// Positioned, oriented and scaled instances of model files, made of parts with lock points and collision
// spheres. Every operation recomputes at once everything that depends on what it changed.
#pragma once

#include <string>
#include <vector>

#include "math/math3d.h"

struct Mesh;
class ParticleSystem;

struct LockPoint {
  math::Vec3 localPosition;  // in the part's frame, from the model file
  math::Vec3 worldPosition;  // localPosition placed by the part's final matrix
  std::string name;
};

struct CollisionSphere {
  float radius = 0.0f;
  math::Vec3 worldCentre;
  math::Vec3 localCentre;
  bool flagA = false;
  bool flagB = false;
};

class ObjectPart {
 public:
  explicit ObjectPart(Mesh* mesh);

  void SetOffset(float x, float y, float z);
  void SetLocalOffset(float x, float y, float z);
  void MoveForward(float distance);
  void RotateAboutAxis(float ax, float ay, float az, float angle);
  void RotateX(float angle);
  void RotateY(float angle);
  void RotateZ(float angle);
  void RotateAboutWorldAxis(float ax, float ay, float az, float angle);

  // The part's final matrix: local x modelWorld.
  math::Matrix Final() const;
  // Re-places the lock points and sphere centres by the final matrix.
  void PlaceAttachments();

  Mesh* mesh;
  float hitFlash = 0.0f;
  bool detached = false;
  math::Vec3 xAxis{1, 0, 0}, yAxis{0, 1, 0}, zAxis{0, 0, 1};
  math::Vec3 worldXAxis{1, 0, 0}, worldYAxis{0, 1, 0}, worldZAxis{0, 0, 1};
  math::Vec3 offset;
  math::Vec3 modelPosition;
  math::Vec3 worldPosition;
  math::Matrix rotation = math::MatrixIdentity();
  math::Matrix modelRotation = math::MatrixIdentity();
  math::Matrix modelWorld = math::MatrixIdentity();
  math::Matrix translation = math::MatrixIdentity();
  math::Matrix local = math::MatrixIdentity();
  std::vector<LockPoint> lockPoints;
  std::vector<CollisionSphere> spheres;
};

class Model {
 public:
  Model() = default;
  ~Model();
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;

  void SetPosition(float x, float y, float z);
  void Translate(float dx, float dy, float dz);
  void MoveAlongX(float distance);
  void MoveAlongY(float distance);
  void MoveAlongZ(float distance);
  void SetRotation(float qx, float qy, float qz, float qw);
  void SetOrientation(math::Vec3* right, math::Vec3* up, math::Vec3* forward);
  void RotateAboutAxis(float ax, float ay, float az, float angle);
  void RotateAboutAxisV(const math::Vec3* axis, float angle);
  void Pitch(float angle);
  void Yaw(float angle);
  void Roll(float angle);
  void OrbitAbout(float cx, float cy, float cz, float ax, float ay, float az, float angle);
  void OrbitAboutV(const math::Vec3* centre, const math::Vec3* axis, float angle);
  void SetScale(float sx, float sy, float sz);
  void SetAlpha(float a);

  std::vector<ObjectPart*> parts;                // owned
  std::vector<ParticleSystem*> particleSystems;  // owned
  bool unload = false;
  bool visible = true;
  bool drawParticles = true;
  math::Vec3 xAxis{1, 0, 0}, yAxis{0, 1, 0}, zAxis{0, 0, 1};
  math::Vec3 position;
  math::Matrix rotation = math::MatrixIdentity();
  math::Matrix translation = math::MatrixIdentity();
  math::Matrix world = math::MatrixIdentity();

 private:
  void PushPosition();
  void PushRotation();
};
