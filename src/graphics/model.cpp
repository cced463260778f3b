// Models and object parts: placement of parts, lock points and collision spheres. Every operation
// recomputes at once, without allocating, everything that depends on what it changed.
#include "graphics/model.h"

#include "graphics/mesh.h"
#include "graphics/particle_system.h"

namespace {

constexpr math::Vec3 kUnitX{1, 0, 0}, kUnitY{0, 1, 0}, kUnitZ{0, 0, 1};

math::Matrix Translation(math::Vec3 v) {
  return math::MatrixTranslation(v.x, v.y, v.z);
}

// The part's axes in the world: the unit axes turned by its rotation, then by the model's.
void UpdateWorldAxes(ObjectPart& part) {
  const math::Matrix toWorld = math::MatrixMultiply(part.rotation, part.modelRotation);
  part.worldZAxis = math::Vec3TransformNormal(kUnitZ, toWorld);
  part.worldYAxis = math::Vec3TransformNormal(kUnitY, toWorld);
  part.worldXAxis = math::Vec3TransformNormal(kUnitX, toWorld);
}

// After the offset changed: the axes stay as they are.
void RebuildOffset(ObjectPart& part) {
  part.translation = Translation(part.offset);
  part.local = math::MatrixMultiply(part.rotation, part.translation);
  part.worldPosition = part.offset + part.modelPosition;
  part.PlaceAttachments();
}

// After the rotation changed: new axes in the model's frame and in the world.
void RebuildRotation(ObjectPart& part) {
  part.local = math::MatrixMultiply(part.rotation, part.translation);
  part.zAxis = math::Vec3TransformNormal(kUnitZ, part.local);
  part.yAxis = math::Vec3TransformNormal(kUnitY, part.local);
  part.xAxis = math::Vec3TransformNormal(kUnitX, part.local);
  UpdateWorldAxes(part);
  part.PlaceAttachments();
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// ObjectPart

ObjectPart::ObjectPart(Mesh* partMesh) : mesh(partMesh) {}

math::Matrix ObjectPart::Final() const {
  return math::MatrixMultiply(local, modelWorld);
}

void ObjectPart::PlaceAttachments() {
  const math::Matrix f = Final();
  for (LockPoint& point : lockPoints) point.worldPosition = math::Vec3TransformCoord(point.localPosition, f);
  for (CollisionSphere& sphere : spheres)
    sphere.worldCentre = math::Vec3TransformCoord(sphere.localCentre, f);
}

void ObjectPart::SetOffset(float x, float y, float z) {
  offset = {x, y, z};
  RebuildOffset(*this);
}

void ObjectPart::SetLocalOffset(float x, float y, float z) {
  SetOffset(x, y, z);
}

void ObjectPart::MoveForward(float distance) {
  offset = offset + distance * zAxis;
  RebuildOffset(*this);
}

void ObjectPart::RotateAboutAxis(float ax, float ay, float az, float angle) {
  rotation = math::MatrixMultiply(rotation, math::MatrixRotationAxis({ax, ay, az}, angle));
  RebuildRotation(*this);
}

void ObjectPart::RotateX(float angle) {
  RotateAboutAxis(xAxis.x, xAxis.y, xAxis.z, angle);
}
void ObjectPart::RotateY(float angle) {
  RotateAboutAxis(yAxis.x, yAxis.y, yAxis.z, angle);
}
void ObjectPart::RotateZ(float angle) {
  RotateAboutAxis(zAxis.x, zAxis.y, zAxis.z, angle);
}

void ObjectPart::RotateAboutWorldAxis(float ax, float ay, float az, float angle) {
  math::Vec3 axis{ax, ay, az};
  math::Matrix inverse;
  // A singular model rotation (a zero scale) has no inverse: the axis is then used as given.
  if (math::MatrixInverse(modelRotation, &inverse)) axis = math::Vec3TransformNormal(axis, inverse);
  RotateAboutAxis(axis.x, axis.y, axis.z, angle);
}

// ---------------------------------------------------------------------------------------------------------
// Model

Model::~Model() {
  for (ObjectPart* part : parts) delete part;
  for (ParticleSystem* system : particleSystems) delete system;
}

void Model::SetPosition(float x, float y, float z) {
  position = {x, y, z};
  PushPosition();
}

void Model::Translate(float dx, float dy, float dz) {
  position = position + math::Vec3{dx, dy, dz};
  PushPosition();
}

void Model::MoveAlongX(float distance) {
  position = position + distance * xAxis;
  PushPosition();
}

void Model::MoveAlongY(float distance) {
  position = position + distance * yAxis;
  PushPosition();
}

void Model::MoveAlongZ(float distance) {
  position = position + distance * zAxis;
  PushPosition();
}

void Model::SetRotation(float qx, float qy, float qz, float qw) {
  rotation = math::MatrixRotationQuaternion({qx, qy, qz, qw});
  PushRotation();
}

void Model::SetOrientation(math::Vec3* right, math::Vec3* up, math::Vec3* forward) {
  *right = math::Vec3Normalize(*right);
  *up = math::Vec3Normalize(*up);
  *forward = math::Vec3Normalize(*forward);
  rotation = math::BuildAxisMatrix(*right, *up, *forward);
  PushRotation();
}

void Model::RotateAboutAxis(float ax, float ay, float az, float angle) {
  const math::Vec3 axis = math::Vec3Normalize({ax, ay, az});
  rotation = math::MatrixMultiply(rotation, math::MatrixRotationAxis(axis, angle));
  PushRotation();
}

void Model::RotateAboutAxisV(const math::Vec3* axis, float angle) {
  RotateAboutAxis(axis->x, axis->y, axis->z, angle);
}

void Model::Pitch(float angle) {
  RotateAboutAxis(xAxis.x, xAxis.y, xAxis.z, angle);
}
void Model::Yaw(float angle) {
  RotateAboutAxis(yAxis.x, yAxis.y, yAxis.z, angle);
}
void Model::Roll(float angle) {
  RotateAboutAxis(zAxis.x, zAxis.y, zAxis.z, angle);
}

void Model::OrbitAbout(float cx, float cy, float cz, float ax, float ay, float az, float angle) {
  const math::Vec3 centre{cx, cy, cz};
  const math::Matrix turn = math::MatrixRotationAxis({ax, ay, az}, angle);
  const math::Vec3 p = math::Vec3TransformCoord(position - centre, turn) + centre;
  SetPosition(p.x, p.y, p.z);
}

void Model::OrbitAboutV(const math::Vec3* centre, const math::Vec3* axis, float angle) {
  OrbitAbout(centre->x, centre->y, centre->z, axis->x, axis->y, axis->z, angle);
}

void Model::SetScale(float sx, float sy, float sz) {
  // The scale takes the rotation's place; the parts see it at the model's next push.
  rotation = math::MatrixScaling(sx, sy, sz);
  world = math::MatrixMultiply(rotation, translation);
}

void Model::SetAlpha(float a) {
  if (!(a >= 0.0f)) a = 0.0f;  // also turns NaN into 0
  if (a > 1.0f) a = 1.0f;
  for (ObjectPart* part : parts) {
    if (part->mesh == nullptr || part->mesh->materials.empty()) continue;
    part->mesh->materials[0].diffuse.a = a;
  }
}

void Model::PushPosition() {
  translation = Translation(position);
  world = math::MatrixMultiply(rotation, translation);
  for (ObjectPart* part : parts) {
    if (part->detached) continue;
    part->modelWorld = world;
    part->modelPosition = position;
    part->worldPosition = part->offset + position;
    part->PlaceAttachments();
  }
}

void Model::PushRotation() {
  world = math::MatrixMultiply(rotation, translation);
  zAxis = math::Vec3TransformNormal(kUnitZ, world);
  yAxis = math::Vec3TransformNormal(kUnitY, world);
  xAxis = math::Vec3TransformNormal(kUnitX, world);
  for (ObjectPart* part : parts) {
    if (part->detached) continue;
    part->modelWorld = world;
    part->modelRotation = rotation;
    UpdateWorldAxes(*part);
    part->PlaceAttachments();
  }
}
