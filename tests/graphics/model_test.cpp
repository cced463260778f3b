// Model and part transforms against hand-worked values: pushes, rebuilds, detached parts, scale, orbit,
// orientation, alpha through the shared mesh record, and ownership of parts and particle systems.
#include "graphics/model.h"

#include <gtest/gtest.h>

#include <cmath>

#include "graphics/mesh.h"
#include "graphics/particle_system.h"

namespace {

constexpr float kHalfPi = 1.57079633f;
constexpr float kTol = 1e-5f;

void ExpectVec(math::Vec3 v, float x, float y, float z, float tol = kTol) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

void ExpectMatrixNear(const math::Matrix& a, const math::Matrix& b) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], kTol) << "at [" << i << "][" << j << "]";
}

Mesh MeshWithMaterials(int count) {
  Mesh mesh;
  for (int i = 0; i < count; ++i) {
    plat::gpu::Material material;
    material.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    mesh.materials.push_back(material);
  }
  return mesh;
}

// A part as the reader makes it: lock points and spheres appended, then the offset set.
ObjectPart* AddPart(Model& model, Mesh* mesh, math::Vec3 offset, math::Vec3 lockPoint,
                    math::Vec3 sphereCentre) {
  auto* part = new ObjectPart(mesh);
  part->lockPoints.push_back(LockPoint{lockPoint, {}, "Gun"});
  CollisionSphere sphere;
  sphere.radius = 2.0f;
  sphere.localCentre = sphereCentre;
  part->spheres.push_back(sphere);
  part->SetOffset(offset.x, offset.y, offset.z);
  model.parts.push_back(part);
  return part;
}

class ModelTest : public ::testing::Test {
 protected:
  Mesh mesh_ = MeshWithMaterials(1);
};

// A part offset (0,0,10), the model turned 90 degrees about +Y and placed at (5,0,0). A left-handed quarter
// turn about +Y carries x to -z and z to x, so the lock point (1,0,0) goes (1,0,10) -> (10,0,-1) ->
// (15,0,-1).
TEST_F(ModelTest, LockPointAndSphereGoThroughOffsetThenModelRotationThenPosition) {
  for (int useQuaternion = 0; useQuaternion < 2; ++useQuaternion) {
    Model model;
    ObjectPart* part = AddPart(model, &mesh_, {0, 0, 10}, {1, 0, 0}, {0, 2, 0});
    if (useQuaternion)
      model.SetRotation(0, std::sin(kHalfPi / 2), 0, std::cos(kHalfPi / 2));
    else
      model.RotateAboutAxis(0, 1, 0, kHalfPi);
    model.SetPosition(5, 0, 0);

    ExpectVec(part->lockPoints[0].worldPosition, 15, 0, -1);
    ExpectVec(part->spheres[0].worldCentre, 15, 2, 0);  // (0,2,10) -> (10,2,0) -> (15,2,0)
    EXPECT_FLOAT_EQ(part->spheres[0].radius, 2.0f);
    ExpectVec(model.xAxis, 0, 0, -1);
    ExpectVec(model.yAxis, 0, 1, 0);
    ExpectVec(model.zAxis, 1, 0, 0);
    ExpectVec(part->worldZAxis, 1, 0, 0);
    ExpectVec(part->worldXAxis, 0, 0, -1);
    // The part's world position adds the offset without the model's rotation.
    ExpectVec(part->worldPosition, 5, 0, 10);
    ExpectVec(part->modelPosition, 5, 0, 0);
    // The part is drawn with local x modelWorld: its origin lands at (10,0,0) + (5,0,0).
    ExpectVec(math::Vec3TransformCoord({0, 0, 0}, part->Final()), 15, 0, 0);
  }
}

TEST_F(ModelTest, SetPositionAndMovesPlaceEveryLockPointAndSphereOfEveryPart) {
  Model model;
  ObjectPart* a = AddPart(model, &mesh_, {1, 0, 0}, {0, 0, 2}, {0, 1, 0});
  ObjectPart* b = AddPart(model, &mesh_, {-1, 0, 0}, {0, 3, 0}, {0, 0, -4});
  b->lockPoints.push_back(LockPoint{{1, 1, 1}, {}, "Second"});
  b->PlaceAttachments();

  model.SetPosition(10, 20, 30);
  ExpectVec(a->lockPoints[0].worldPosition, 11, 20, 32);
  ExpectVec(a->spheres[0].worldCentre, 11, 21, 30);
  ExpectVec(b->lockPoints[0].worldPosition, 9, 23, 30);
  ExpectVec(b->lockPoints[1].worldPosition, 10, 21, 31);
  ExpectVec(b->spheres[0].worldCentre, 9, 20, 26);
  ExpectVec(b->worldPosition, 9, 20, 30);

  model.Translate(1, -2, 3);
  ExpectVec(model.position, 11, 18, 33);
  ExpectVec(a->lockPoints[0].worldPosition, 12, 18, 35);

  // Moves run along the model's own axes: after a quarter turn about +Y, forward is +X and right is -Z.
  model.RotateAboutAxis(0, 1, 0, kHalfPi);
  model.SetPosition(0, 0, 0);
  model.MoveAlongZ(4);
  ExpectVec(model.position, 4, 0, 0);
  model.MoveAlongX(2);
  ExpectVec(model.position, 4, 0, -2);
  model.MoveAlongY(-1);
  ExpectVec(model.position, 4, -1, -2);
  // a: (0,0,2) + (1,0,0) = (1,0,2) turned to (2,0,-1), plus (4,-1,-2).
  ExpectVec(a->lockPoints[0].worldPosition, 6, -1, -3);
  // Moving leaves the axes alone.
  ExpectVec(model.zAxis, 1, 0, 0);
}

TEST_F(ModelTest, ModelWithoutPartsUpdatesOnlyItsOwnFields) {
  Model model;
  model.SetPosition(1, 2, 3);
  model.Yaw(kHalfPi);
  model.MoveAlongZ(1);
  model.SetAlpha(0.5f);
  model.SetScale(2, 2, 2);
  ExpectVec(model.position, 2, 2, 3);
  ExpectVec(math::Vec3TransformCoord({1, 0, 0}, model.world), 4, 2, 3);
}

// Pitch, Yaw and Roll turn about the model's current axes. After Yaw(90) the model's right axis is world -Z;
// Pitch(90) about it carries the model's up to forward and forward to -up: forward (1,0,0) becomes (0,-1,0).
TEST_F(ModelTest, PitchYawRollComposeInTheModelsFrame) {
  Model model;
  ObjectPart* part = AddPart(model, &mesh_, {0, 0, 0}, {0, 0, 5}, {0, 0, 0});
  model.Yaw(kHalfPi);
  model.Pitch(kHalfPi);
  ExpectVec(model.xAxis, 0, 0, -1);
  ExpectVec(model.yAxis, 1, 0, 0);
  ExpectVec(model.zAxis, 0, -1, 0);
  ExpectVec(part->lockPoints[0].worldPosition, 0, -5, 0);
  // Roll about the new forward (world -Y) by 90 degrees carries right (0,0,-1) to up's old place.
  model.Roll(kHalfPi);
  ExpectVec(model.zAxis, 0, -1, 0);
  ExpectVec(model.xAxis, 1, 0, 0);
  ExpectVec(model.yAxis, 0, 0, 1);

  // In general a sequence in the model's frame is the local turns applied last-first.
  Model general;
  general.Yaw(0.3f);
  general.Pitch(-0.7f);
  general.Roll(1.1f);
  const math::Matrix expected =
      math::MatrixMultiply(math::MatrixRotationAxis({0, 0, 1}, 1.1f),
                           math::MatrixMultiply(math::MatrixRotationAxis({1, 0, 0}, -0.7f),
                                                math::MatrixRotationAxis({0, 1, 0}, 0.3f)));
  ExpectMatrixNear(general.rotation, expected);

  // The axis of a turn is normalised first.
  Model a, b;
  a.RotateAboutAxis(0, 5, 0, 0.4f);
  math::Vec3 axis{0, 0.5f, 0};
  b.RotateAboutAxisV(&axis, 0.4f);
  ExpectMatrixNear(a.rotation, b.rotation);
  ExpectMatrixNear(a.rotation, math::MatrixRotationAxis({0, 1, 0}, 0.4f));
}

TEST_F(ModelTest, SetScaleReplacesTheRotationWithoutPushing) {
  Model model;
  ObjectPart* part = AddPart(model, &mesh_, {0, 0, 1}, {1, 0, 0}, {0, 0, 0});
  model.SetPosition(10, 0, 0);
  model.SetScale(2, 3, 4);
  // No push: the axes and the parts keep the placement of the last push.
  ExpectVec(model.xAxis, 1, 0, 0);
  ExpectVec(part->lockPoints[0].worldPosition, 11, 0, 1);
  ExpectVec(math::Vec3TransformCoord({1, 1, 1}, model.world), 12, 3, 4);
  // The next push shows the scale: (1,0,1) scaled to (2,0,4), plus (10,0,0).
  model.Translate(0, 0, 0);
  ExpectVec(part->lockPoints[0].worldPosition, 12, 0, 4);
}

TEST_F(ModelTest, SetScaleThenSetRotationOrSetOrientationLosesTheScale) {
  Model model;
  ObjectPart* part = AddPart(model, &mesh_, {0, 0, 0}, {1, 0, 0}, {0, 0, 0});
  model.SetScale(2, 2, 2);
  model.SetRotation(0, 0, 0, 1);
  ExpectMatrixNear(model.rotation, math::MatrixIdentity());
  ExpectVec(model.xAxis, 1, 0, 0);
  ExpectVec(part->lockPoints[0].worldPosition, 1, 0, 0);

  model.SetScale(3, 3, 3);
  math::Vec3 right{1, 0, 0}, up{0, 1, 0}, forward{0, 0, 1};
  model.SetOrientation(&right, &up, &forward);
  ExpectVec(model.xAxis, 1, 0, 0);
  ExpectVec(part->lockPoints[0].worldPosition, 1, 0, 0);
}

TEST_F(ModelTest, SetScaleThenRotateAboutAxisScalesTheAxes) {
  Model model;
  ObjectPart* part = AddPart(model, &mesh_, {0, 0, 0}, {0, 0, 1}, {0, 0, 0});
  model.SetScale(2, 2, 2);
  model.RotateAboutAxis(0, 1, 0, kHalfPi);
  ExpectVec(model.xAxis, 0, 0, -2);
  ExpectVec(model.zAxis, 2, 0, 0);
  ExpectVec(part->lockPoints[0].worldPosition, 2, 0, 0);
  // The part's world axes come from the part and model rotations, so they carry the scale too.
  ExpectVec(part->worldZAxis, 2, 0, 0);
  // Moving along a scaled axis goes twice as far.
  model.MoveAlongZ(1);
  ExpectVec(model.position, 2, 0, 0);
}

TEST_F(ModelTest, SetOrientationNormalisesTheCallersVectors) {
  Model model;
  ObjectPart* part = AddPart(model, &mesh_, {0, 0, 10}, {1, 0, 0}, {0, 0, 0});
  math::Vec3 right{0, 0, -2}, up{0, 5, 0}, forward{7, 0, 0};
  model.SetOrientation(&right, &up, &forward);
  ExpectVec(right, 0, 0, -1);
  ExpectVec(up, 0, 1, 0);
  ExpectVec(forward, 1, 0, 0);
  ExpectVec(model.xAxis, 0, 0, -1);
  ExpectVec(model.yAxis, 0, 1, 0);
  ExpectVec(model.zAxis, 1, 0, 0);
  // The same frame as a quarter turn about +Y: (1,0,10) ends at (10,0,-1).
  ExpectVec(part->lockPoints[0].worldPosition, 10, 0, -1);

  math::Vec3 r2{3, 4, 0}, u2{-4, 3, 0}, f2{0, 0, 0.5f};
  model.SetOrientation(&r2, &u2, &f2);
  ExpectVec(r2, 0.6f, 0.8f, 0);
  ExpectVec(u2, -0.8f, 0.6f, 0);
  ExpectVec(f2, 0, 0, 1);
  ExpectVec(model.xAxis, 0.6f, 0.8f, 0);
}

TEST_F(ModelTest, OrbitAboutMovesThePositionAndKeepsTheOrientation) {
  Model model;
  ObjectPart* part = AddPart(model, &mesh_, {0, 0, 0}, {0, 0, 1}, {0, 0, 0});
  model.Yaw(kHalfPi);
  model.SetPosition(10, 0, 0);
  const math::Matrix rotationBefore = model.rotation;

  // A quarter turn about a non-unit +Y axis through the origin carries (10,0,0) to (0,0,-10).
  model.OrbitAbout(0, 0, 0, 0, 2, 0, kHalfPi);
  ExpectVec(model.position, 0, 0, -10);
  ExpectMatrixNear(model.rotation, rotationBefore);
  ExpectVec(part->lockPoints[0].worldPosition, 1, 0, -10);

  // About a centre off the origin: (0,0,-10) relative to (0,0,-5) is (0,0,-5); a quarter turn back about +Y
  // carries it to (5,0,0), so the model ends at (5,0,-5).
  const math::Vec3 centre{0, 0, -5}, axis{0, 1, 0};
  model.OrbitAboutV(&centre, &axis, -kHalfPi);
  ExpectVec(model.position, 5, 0, -5);

  model.SetPosition(3, 4, 5);
  model.OrbitAbout(7, 7, 7, 0, 1, 0, 0.0f);
  ExpectVec(model.position, 3, 4, 5);
  model.OrbitAbout(3, 4, 5, 1, 1, 0, 2.0f);
  ExpectVec(model.position, 3, 4, 5);
  model.OrbitAbout(0, 0, 0, 0, 0, 0, 1.0f);  // a zero axis turns nothing
  ExpectVec(model.position, 3, 4, 5);
  ExpectMatrixNear(model.rotation, rotationBefore);
}

TEST_F(ModelTest, DetachedPartStaysPutWhileTheModelMovesAndTurns) {
  Model model;
  ObjectPart* body = AddPart(model, &mesh_, {0, 0, 0}, {0, 0, 1}, {0, 0, 0});
  ObjectPart* shell = AddPart(model, &mesh_, {0, 0, 10}, {0, 1, 0}, {1, 0, 0});
  model.SetPosition(5, 0, 0);
  ExpectVec(shell->lockPoints[0].worldPosition, 5, 1, 10);

  shell->detached = true;
  model.SetPosition(100, 0, 0);
  model.Yaw(kHalfPi);
  ExpectVec(body->lockPoints[0].worldPosition, 101, 0, 0);
  ExpectVec(shell->lockPoints[0].worldPosition, 5, 1, 10);
  ExpectVec(shell->spheres[0].worldCentre, 6, 0, 10);
  ExpectVec(shell->worldZAxis, 0, 0, 1);
  ExpectVec(shell->modelPosition, 5, 0, 0);

  // Its own operations still work in the frame it kept.
  shell->MoveForward(2);
  ExpectVec(shell->lockPoints[0].worldPosition, 5, 1, 12);
  ExpectVec(shell->worldPosition, 5, 0, 12);

  // SetAlpha ignores the detached flag.
  Mesh shellMesh = MeshWithMaterials(1);
  shell->mesh = &shellMesh;
  model.SetAlpha(0.25f);
  EXPECT_FLOAT_EQ(shellMesh.materials[0].diffuse.a, 0.25f);
  shell->mesh = &mesh_;
}

// A quarter turn about the part's +Y makes its forward (1,0,0) in the model's frame; MoveForward follows it.
TEST_F(ModelTest, MoveForwardAfterAPartRotationFollowsTheTurnedAxis) {
  Model model;
  ObjectPart* part = AddPart(model, &mesh_, {0, 0, 10}, {0, 0, 1}, {0, 0, 0});
  model.SetPosition(5, 0, 0);
  part->RotateY(kHalfPi);
  ExpectVec(part->zAxis, 1, 0, 0);
  ExpectVec(part->xAxis, 0, 0, -1);
  ExpectVec(part->worldZAxis, 1, 0, 0);
  // The part turns about its own origin: (0,0,1) -> (1,0,0), plus offset and position.
  ExpectVec(part->lockPoints[0].worldPosition, 6, 0, 10);

  part->MoveForward(3);
  ExpectVec(part->offset, 3, 0, 10);
  ExpectVec(part->lockPoints[0].worldPosition, 9, 0, 10);
  ExpectVec(part->worldPosition, 8, 0, 10);

  // SetOffset and SetLocalOffset move the part and leave its axes.
  part->SetLocalOffset(0, 2, 0);
  ExpectVec(part->zAxis, 1, 0, 0);
  ExpectVec(part->lockPoints[0].worldPosition, 6, 2, 0);
  part->SetOffset(0, 0, 0);
  ExpectVec(part->zAxis, 1, 0, 0);

  // Turns use the part's current axes: RotateX now turns about the model's -Z.
  part->RotateX(kHalfPi);
  ExpectVec(part->zAxis, 0, -1, 0);
  ExpectVec(part->lockPoints[0].worldPosition, 5, -1, 0);
}

TEST_F(ModelTest, PartTurnsFollowTheModelsRotationIntoTheWorld) {
  Model model;
  ObjectPart* part = AddPart(model, &mesh_, {0, 0, 10}, {0, 0, 1}, {0, 0, 0});
  model.Yaw(kHalfPi);
  part->RotateY(kHalfPi);
  // Part forward in the model frame is +X; the model's turn carries it to world -Z.
  ExpectVec(part->zAxis, 1, 0, 0);
  ExpectVec(part->worldZAxis, 0, 0, -1);
  // (0,0,1) -> part turn (1,0,0) -> offset (1,0,10) -> model turn (10,0,-1).
  ExpectVec(part->lockPoints[0].worldPosition, 10, 0, -1);
  part->RotateAboutAxis(0, 3, 0, -kHalfPi);  // the axis length does not matter
  ExpectVec(part->zAxis, 0, 0, 1);
  // The part's world position adds its offset to the model's position without the model's turn.
  model.SetPosition(5, 0, 0);
  part->MoveForward(2);
  ExpectVec(part->worldPosition, 5, 0, 12);
  ExpectVec(part->lockPoints[0].worldPosition, 18, 0, 0);  // (0,0,13) turned to (13,0,0)
}

// World -Z is the yawed model's right axis, so turning about it in the world is RotateX in the model.
TEST_F(ModelTest, RotateAboutWorldAxisGoesThroughTheInverseModelRotation) {
  Model model;
  ObjectPart* part = AddPart(model, &mesh_, {0, 0, 0}, {0, 1, 0}, {0, 0, 0});
  model.Yaw(kHalfPi);
  part->RotateAboutWorldAxis(0, 0, -1, kHalfPi);
  // Model frame: (0,1,0) -> (0,0,1); model turn: (0,0,1) -> (1,0,0).
  ExpectVec(part->lockPoints[0].worldPosition, 1, 0, 0);
  ExpectVec(part->yAxis, 0, 0, 1);
  ExpectVec(part->worldYAxis, 1, 0, 0);

  // With a singular model rotation the axis is used as given.
  Model flat;
  ObjectPart* flatPart = AddPart(flat, &mesh_, {0, 0, 0}, {0, 0, 1}, {0, 0, 0});
  flat.SetScale(0, 1, 1);
  flat.RotateAboutAxis(0, 1, 0, 0.0f);  // pushes the singular matrix into the part
  flatPart->RotateAboutWorldAxis(0, 1, 0, kHalfPi);
  ExpectVec(flatPart->zAxis, 1, 0, 0);
  EXPECT_TRUE(std::isfinite(flatPart->lockPoints[0].worldPosition.x));
}

TEST_F(ModelTest, SetAlphaWritesTheFirstMaterialOfTheSharedMeshAndClamps) {
  Mesh shared = MeshWithMaterials(2);
  Mesh bare;  // no materials: skipped
  Model first, second;
  AddPart(first, &shared, {}, {}, {});
  AddPart(first, &bare, {}, {}, {});
  AddPart(second, &shared, {}, {}, {});

  first.SetAlpha(0.4f);
  EXPECT_FLOAT_EQ(second.parts[0]->mesh->materials[0].diffuse.a, 0.4f);
  EXPECT_FLOAT_EQ(shared.materials[1].diffuse.a, 1.0f);
  EXPECT_FLOAT_EQ(shared.materials[0].diffuse.r, 0.5f);
  EXPECT_TRUE(bare.materials.empty());

  second.SetAlpha(1.7f);
  EXPECT_FLOAT_EQ(shared.materials[0].diffuse.a, 1.0f);
  second.SetAlpha(-0.3f);
  EXPECT_FLOAT_EQ(shared.materials[0].diffuse.a, 0.0f);
  second.SetAlpha(std::nanf(""));
  EXPECT_FLOAT_EQ(shared.materials[0].diffuse.a, 0.0f);
}

class CountingSystem : public ParticleSystem {
 public:
  explicit CountingSystem(int* deleted)
      : ParticleSystem(kGlowParticles, 1, 1, 1.0f, true), deleted_(deleted) {}
  ~CountingSystem() override { ++*deleted_; }
  void InitParticle(Particle&) override {}
  void Update(float) override {}

 private:
  int* deleted_;
};

TEST_F(ModelTest, DeletingAModelDeletesItsParticleSystems) {
  int deleted = 0;
  {
    auto* model = new Model;
    AddPart(*model, &mesh_, {}, {}, {});
    model->particleSystems.push_back(new CountingSystem(&deleted));
    model->particleSystems.push_back(new CountingSystem(&deleted));
    delete model;  // the parts go too; the leak checker sees them
  }
  EXPECT_EQ(deleted, 2);
  EXPECT_TRUE(mesh_.materials.size() == 1);  // the mesh is not the model's
}

}  // namespace
