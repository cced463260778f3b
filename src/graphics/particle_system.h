// Particle systems: the point particle, the effect request, the common base that draws a system's particles
// as point sprites through a ring of batches over its dynamic vertex buffer, and the random helpers of the
// kinds.
#pragma once

#include <list>
#include <memory>

#include "math/math3d.h"
#include "platform/gpu.h"

namespace plat {
class Dialogs;
}
class Model;
class ObjectPart;

using ParticleColour = plat::gpu::ColorF;  // RGBA, each channel nominally 0..1

// The kind numbers callers put in ParticleEffectDesc::kind.
enum ParticleKind : int {
  kExhaustParticles = 0,
  kThrustParticles = 1,
  kSmallSprayParticles = 2,
  kGlowParticles = 3,
  kExplosionParticles = 4,
  kConvergeParticles = 5,
  kBeamParticles = 6,
  kStreakParticles = 7,
  kWarpParticles = 8,
  kChargeRingParticles = 9,
};

struct Particle {
  math::Vec3 position;
  math::Vec3 velocity;  // units per second
  math::Vec3 drift;     // extra velocity (charge rings)
  float lifetime = 0.0f;
  float age = 0.0f;
  ParticleColour colour;
  ParticleColour baseColour;  // running colour of an explosion
  ParticleColour colourRate;  // per second
  bool alive = false;
};

// What a caller asks Graphics::SpawnParticleSystem for. The vectors a kind tracks are read again at every
// birth and update, so they must outlive the system: point them at data of the model or object that owns it.
struct ParticleEffectDesc {
  Model* owner = nullptr;            // the model an attached system joins
  const math::Vec3* vecA = nullptr;  // the effect's point
  const math::Vec3* vecB = nullptr;  // second point or direction (beams, streaks)
  const math::Vec3* vecC = nullptr;  // direction (sprays, warp, charge rings)
  const math::Vec3* vecD = nullptr;  // first ring axis (warp, charge rings)
  const math::Vec3* vecE = nullptr;  // second ring axis (warp, charge rings)
  float size = 0.0f;                 // distance, radius or speed, by kind
  int kind = kExhaustParticles;
  int count = 0;
  float duration = 0.0f;  // seconds
  ParticleColour colourA{};
  ParticleColour colourB{};
  float pointSize = 0.0f;
  bool attached = false;  // true: joins owner's list; false: a free system of the graphics object
};

// An engine exhaust: `count` yellow-to-red particles blown from the first lock point of `part` along the
// part's forward axis, attached to `owner`. The part must have a lock point.
ParticleEffectDesc ExhaustEffect(Model* owner, ObjectPart* part, int count);
// A free explosion (kind 4) of count particles spread over size units at a place, fading from `from` to
// `to` over duration seconds. The place is copied when the effect is spawned.
ParticleEffectDesc ExplosionEffect(const math::Vec3* at, float size, int count, float duration,
                                   ParticleColour from, ParticleColour to);
// A red charge ring closing on a point (kind 9) about the axes z (the ring's normal), x and y, attached to
// owner, fading to a dark, half-clear red over duration seconds.
ParticleEffectDesc ChargeRingEffect(Model* owner, const math::Vec3* at, const math::Vec3* z,
                                    const math::Vec3* x, const math::Vec3* y, float size, int count,
                                    float duration);
// A ship's cyan-to-blue trail from the first lock point of its first part along its forward axis, of the
// given kind (0 exhaust, 1 thrust), attached to it. The part must have a lock point.
ParticleEffectDesc ShipTrailEffect(Model* ship, int kind);
// The glow of an object coming into play: 64 particles converging on the owner's position for 0.8 s,
// attached to it. Enemies show it when they appear and power-ups when they drop.
ParticleEffectDesc AppearEffect(Model* owner);

// One drawn vertex: position and an ARGB colour (16 bytes).
struct PointVertex {
  float x, y, z;
  plat::gpu::Argb colour;
};
static_assert(sizeof(PointVertex) == 16);
constexpr uint32_t kPointFvf = plat::gpu::fvf::XYZ | plat::gpu::fvf::Diffuse;

class ParticleSystem {
 public:
  virtual ~ParticleSystem();
  ParticleSystem(const ParticleSystem&) = delete;
  ParticleSystem& operator=(const ParticleSystem&) = delete;

  // Keeps the device, makes the vertex buffer of capacity vertices and keeps the texture (the scene-texture
  // cache's). False after reporting through dialogs (when given) when the buffer cannot be made; the system
  // then draws nothing.
  virtual bool Init(plat::gpu::Device* device, plat::gpu::Texture* texture, plat::Dialogs* dialogs = nullptr);
  virtual void ResetAll();
  // Fills p as a newborn particle of the kind.
  virtual void InitParticle(Particle& p) = 0;
  virtual void AddParticle();
  virtual void Update(float dt) = 0;  // dt in seconds
  virtual void SetPointSize();
  // Draws the alive particles as point sprites in batches over the vertex ring.
  virtual void Render();
  virtual void PostRender() {}
  virtual void RemoveDead();

  bool IsFinished() const { return oneShot && finished; }

  int kind;
  plat::gpu::Device* device = nullptr;  // not owned
  math::Vec3 origin;
  float pointSize;
  float rate = 0.0f;
  plat::gpu::Texture* texture = nullptr;  // the scene-texture cache's
  std::unique_ptr<plat::gpu::VertexBuffer> vertexBuffer;
  std::list<Particle> particles;  // in birth order
  int total = 0;
  bool oneShot;
  bool finished = false;
  unsigned capacity;  // vertices in the buffer
  unsigned baseVertex = 0;
  unsigned batch;  // vertices per lock and per draw
  // The model whose data a free system tracks: the graphics object drops the system with that model.
  Model* trackedOwner = nullptr;

 protected:
  ParticleSystem(int kind, unsigned capacity, unsigned batch, float pointSize, bool oneShot);
  // A kind whose constructor sizes the buffer with FitCapacity once it has made its first births.
  ParticleSystem(int kind, unsigned batch, float pointSize, bool oneShot)
      : ParticleSystem(kind, 0, batch, pointSize, oneShot) {}
  // Sizes the vertex buffer to the most particles the system ever holds: those born so far and `later`
  // births still to come (at least one vertex, and at most 65,536: more are drawn in turns through the ring).
  void FitCapacity(int later = 0);
  // The update of the endless sprays: moves, ages and fades the alive particles and re-births the dead.
  void UpdateSpray(float dt);

 private:
  // Locks the batch at baseVertex, clamped to the vertices left in the buffer; null when the lock fails.
  PointVertex* LockBatch(unsigned* room);
};

// ARGB of a colour: each channel 1 or more gives 255, 0 or less (or NaN) gives 0.
plat::gpu::Argb ColourToArgb(const ParticleColour& c);
// The colour of an ARGB word, each byte times 1/255.
ParticleColour ArgbToColour(plat::gpu::Argb argb);
// Each component min + u * (max - min) with a fresh draw u where min < max, else min.
void RandomVectorInRange(math::Vec3* out, const math::Vec3* min, const math::Vec3* max);
// A draw u = (rand mod 10000) * 0.0001: 0 to 0.9999.
float RandomUnitDraw();
// A random direction: three draws in -1..1, normalised.
math::Vec3 RandomDirection();
// The integer part of v, 0 for NaN and clamped to the int range.
int IntegerPart(float v);
