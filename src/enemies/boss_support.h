// What the boss behaviours share: their clocks, the dying sequence, the boss explosion and its places, the
// charge ring, and the shots they hand to the engine's enemy-side list.
#pragma once

#include "enemies/enemy.h"
#include "game/projectile.h"
#include "graphics/model.h"
#include "math/math3d.h"

namespace boss {

// Scratch entries every boss body keeps in the same place.
constexpr int kFrameCounter = 8;
constexpr int kDyingFlag = 9;
constexpr float kCrawlRail = 5.0f;    // rail speed after the Phantom's or the PsychoFront's death
constexpr float kCruiseRail = 50.0f;  // after the PsychoRear's or the PsychoSide's

int Now();
float FrameSeconds();
int FrameMs();

// A start/last-seen pair of scratch entries: an unset start (-1) takes the time now; returns the ms since
// the start.
int Elapsed(Enemy& enemy, int start);
bool Dying(const Enemy& enemy);
// A body whose life the player's fire has taken: pays its score, sets the dying flag, restarts the main
// timer so that it counts from the death, and sets the rail speed.
void StartDying(Enemy& enemy, int timer, float railSpeed);
// Counts one dying frame; true on every hundredth, when a boss explosion is due.
bool ExplosionDue(Enemy& enemy);

// A free orange-to-yellow explosion of two seconds.
void Explode(const math::Vec3& at, float size, int count);
// The place plus a random offset of -5 to 5 per axis.
math::Vec3 Jittered(const math::Vec3& at);
// A random point at the distance of the first collision sphere's radius of part 0 from the model's position.
math::Vec3 OnHull(const Model& model);

// Takes a part out of its body's link, both ways.
void Unlink(Enemy*& link);

// The first player's model position; null without one.
const math::Vec3* PlayerPosition();
// The first lock point of a part (checked when the boss was made).
const math::Vec3& LockPointOf(const Model& model, int part, int index = 0);
ShotAxes WorldAxes(const ObjectPart& part);

// A charge ring of three seconds, red to dark, attached to the model, around a point on three axes.
void ChargeRing(Model* owner, const math::Vec3* at, const math::Vec3* z, const math::Vec3* x,
                const math::Vec3* y, float size, int count);
// Hands an enemy shot to the engine's enemy-side list (deleted when there is no engine).
void Fire(Projectile* shot);
// An enemy bullet: damage 1, not splitting, hit counter 30.
void FireBullet(const math::Vec3& at, const ShotAxes& axes, float speed, ParticleColour colour, float size);

}  // namespace boss
