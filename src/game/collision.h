// The once-per-frame collision pass: which pairs of objects are tested, and the sphere and ray tests that
// decide a hit. What a hit does is left to the objects' own handlers.
#pragma once

#include <concepts>
#include <ranges>
#include <span>

#include "math/math3d.h"

class Entity;

// A list of pointers to game objects, such as the engine's player and object lists.
template <class List>
concept EntityPointerList = std::ranges::input_range<const List> &&
    std::convertible_to<std::ranges::range_value_t<const List>, Entity*>;

class CollisionSystem {
 public:
  // The whole pass. Each player meets every enemy, then every enemy-side object (enemy shots and dropped
  // pick-ups); then every enemy meets every player-side object (the player's shots). No other pairs, each
  // list in its order. enemies: the enemy manager's members, group by group and each group's members in
  // order; empty until the enemy manager exists. Dead objects are still tested; objects without a model
  // are skipped.
  template <EntityPointerList PlayerList, EntityPointerList ObjectList>
  void Update(const PlayerList& players, std::span<Entity* const> enemies, const ObjectList& objects,
              const ObjectList& enemyObjects) {
    for (Entity* player : players) {
      for (Entity* enemy : enemies) TestPair(player, enemy);
      for (Entity* object : enemyObjects) TestPair(player, object);
    }
    for (Entity* enemy : enemies) {
      for (Entity* object : objects) TestPair(enemy, object);
    }
  }

  // Tests one ordered pair: sphere pairs in part and sphere order, then a as a ray, then b as a ray. The
  // first hit calls a's handler, then b's, each with its own touched part (0 for a ray side); true then.
  bool TestPair(Entity* a, Entity* b);
};

// Whether sphere sphereA of part partA of a's model touches sphere sphereB of part partB of b's: the
// squared centre distance is at most the squared radius sum and not exactly 0. False for any index a
// model lacks.
bool SpheresOverlap(const Entity& a, const Entity& b, int partA, int partB, int sphereA, int sphereB);

// Whether the segment from start to start + segment, thickened by thickness, enters the sphere: the first
// crossing of the surface lies ahead of the start and no further than the segment's length. A segment
// that starts inside the sphere does not hit it.
bool SegmentHitsSphere(const math::Vec3& start, const math::Vec3& segment, float thickness,
                       const math::Vec3& centre, float radius);

// Distance along the ray (origin, unit direction) to its first crossing of the sphere's surface, negative
// when that crossing lies behind the origin; -1 when the line misses the sphere.
float RaySphereDistance(const math::Vec3& origin, const math::Vec3& direction, const math::Vec3& centre,
                        float radius);
