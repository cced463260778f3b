// Collision pass and its sphere and ray tests: plain nested loops over every listed pair, first hit wins.
#include "game/collision.h"

#include <cmath>
#include <cstddef>

#include "game/entity.h"
#include "graphics/model.h"

namespace {

// The model part at index i, or null when the model has none there.
const ObjectPart* PartAt(const Model* model, size_t i) {
  if (model == nullptr || i >= model->parts.size()) return nullptr;
  return model->parts[i];
}

// Tests the ray of rayObject against every sphere of other's model; the index of the first part hit, or -1.
int FirstPartHitByRay(const Entity& rayObject, const Model& other) {
  for (size_t k = 0; k < other.parts.size(); ++k) {
    const ObjectPart* part = other.parts[k];
    if (part == nullptr) continue;
    for (const CollisionSphere& sphere : part->spheres) {
      if (SegmentHitsSphere(rayObject.rayStart, rayObject.raySegment, rayObject.rayThickness,
                            sphere.worldCentre, sphere.radius)) {
        return static_cast<int>(k);
      }
    }
  }
  return -1;
}

}  // namespace

bool CollisionSystem::TestPair(Entity* a, Entity* b) {
  if (a == nullptr || b == nullptr) return false;
  const Model* ma = a->GetModel();
  const Model* mb = b->GetModel();
  // Objects whose model file could not be read take no part in the pass.
  if (ma == nullptr || mb == nullptr) return false;

  for (size_t i = 0; i < ma->parts.size(); ++i) {
    const ObjectPart* partA = ma->parts[i];
    if (partA == nullptr) continue;
    for (size_t j = 0; j < partA->spheres.size(); ++j) {
      for (size_t k = 0; k < mb->parts.size(); ++k) {
        const ObjectPart* partB = mb->parts[k];
        if (partB == nullptr) continue;
        for (size_t l = 0; l < partB->spheres.size(); ++l) {
          if (SpheresOverlap(*a, *b, static_cast<int>(i), static_cast<int>(k), static_cast<int>(j),
                             static_cast<int>(l))) {
            a->OnCollision(b, static_cast<int>(i));
            b->OnCollision(a, static_cast<int>(k));
            return true;
          }
        }
      }
    }
  }

  if (a->isRay) {
    const int k = FirstPartHitByRay(*a, *mb);
    if (k >= 0) {
      a->OnCollision(b, 0);
      b->OnCollision(a, k);
      return true;
    }
  }

  if (b->isRay) {
    const int i = FirstPartHitByRay(*b, *ma);
    if (i >= 0) {
      a->OnCollision(b, i);
      b->OnCollision(a, 0);
      return true;
    }
  }
  return false;
}

bool SpheresOverlap(const Entity& a, const Entity& b, int partA, int partB, int sphereA, int sphereB) {
  if (partA < 0 || partB < 0 || sphereA < 0 || sphereB < 0) return false;
  const ObjectPart* pa = PartAt(a.GetModel(), static_cast<size_t>(partA));
  const ObjectPart* pb = PartAt(b.GetModel(), static_cast<size_t>(partB));
  if (pa == nullptr || pb == nullptr) return false;
  if (static_cast<size_t>(sphereA) >= pa->spheres.size() ||
      static_cast<size_t>(sphereB) >= pb->spheres.size()) {
    return false;
  }
  const CollisionSphere& sa = pa->spheres[static_cast<size_t>(sphereA)];
  const CollisionSphere& sb = pb->spheres[static_cast<size_t>(sphereB)];
  const float distanceSq = math::Vec3LengthSq(sa.worldCentre - sb.worldCentre);
  const float reach = sa.radius + sb.radius;
  // Exactly coincident centres do not count as touching.
  return distanceSq <= reach * reach && distanceSq != 0.0f;
}

bool SegmentHitsSphere(const math::Vec3& start, const math::Vec3& segment, float thickness,
                       const math::Vec3& centre, float radius) {
  const math::Vec3 direction = math::Vec3Normalize(segment);
  const float t = RaySphereDistance(start, direction, centre, radius + thickness);
  return t > 0.0f && t <= math::Vec3Length(segment);
}

float RaySphereDistance(const math::Vec3& origin, const math::Vec3& direction, const math::Vec3& centre,
                        float radius) {
  const math::Vec3 v = centre - origin;
  const float p = math::Vec3Dot(direction, v);
  const float q = math::Vec3Length(v);
  const float disc = radius * radius - (q * q - p * p);
  if (disc < 0.0f) return -1.0f;
  return p - std::sqrt(disc);
}
