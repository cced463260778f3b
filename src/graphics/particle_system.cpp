// The common base of the particle kinds: the vertex buffer, births, the spray update and the batched draw
// over the vertex ring; colour packing and the random draws of the kinds.
#include "graphics/particle_system.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "graphics/model.h"
#include "math/random.h"
#include "platform/window.h"

namespace gpu = plat::gpu;

ParticleSystem::ParticleSystem(int k, unsigned cap, unsigned b, float size, bool once)
    : kind(k), pointSize(size), oneShot(once), capacity(cap), batch(b) {}

void ParticleSystem::FitCapacity(int later) {
  constexpr size_t kMostVertices = 1 << 16;
  const size_t most = particles.size() + static_cast<size_t>(std::max(later, 0));
  capacity = static_cast<unsigned>(std::clamp<size_t>(most, 1, kMostVertices));
}

ParticleSystem::~ParticleSystem() = default;

bool ParticleSystem::Init(gpu::Device* d, gpu::Texture* t, plat::Dialogs* dialogs) {
  device = d;
  constexpr uint32_t kUsage = gpu::usage::Dynamic | gpu::usage::Points | gpu::usage::WriteOnly;
  if (device != nullptr)
    vertexBuffer = device->CreateVertexBuffer(capacity * sizeof(PointVertex), kUsage, kPointFvf);
  if (vertexBuffer == nullptr) {
    std::fprintf(stderr, "ParticleSystem: CreateVertexBuffer() - FAILED\n");
    if (dialogs != nullptr) dialogs->ShowMessage("CreateVertexBuffer() - FAILED", "ParticleSystem");
    return false;
  }
  texture = t;
  return true;
}

void ParticleSystem::ResetAll() {
  for (Particle& p : particles) InitParticle(p);
}

void ParticleSystem::AddParticle() {
  Particle p;
  InitParticle(p);
  particles.push_back(p);
}

void ParticleSystem::RemoveDead() {
  particles.remove_if([](const Particle& p) { return !p.alive; });
}

void ParticleSystem::SetPointSize() {
  if (device != nullptr) device->SetRenderStateF(gpu::RenderState::PointSize, pointSize);
}

void ParticleSystem::UpdateSpray(float dt) {
  for (Particle& p : particles) {
    if (!p.alive) {
      InitParticle(p);  // born again at once, not moved in this update
      continue;
    }
    p.position = p.position + p.velocity * dt;
    p.age += dt;
    p.colour.r += p.colourRate.r * dt;
    p.colour.g += p.colourRate.g * dt;
    p.colour.b += p.colourRate.b * dt;
    p.colour.a += p.colourRate.a * dt;
    if (p.age > p.lifetime) p.alive = false;
  }
}

PointVertex* ParticleSystem::LockBatch(unsigned* room) {
  // A batch never reaches past the buffer's end, whatever the kind's batch and capacity.
  *room = std::min(batch, capacity - baseVertex);
  const gpu::LockMode mode = baseVertex == 0 ? gpu::LockMode::Discard : gpu::LockMode::NoOverwrite;
  return static_cast<PointVertex*>(
      vertexBuffer->Lock(baseVertex * sizeof(PointVertex), *room * sizeof(PointVertex), mode));
}

void ParticleSystem::Render() {
  if (particles.empty() || device == nullptr || vertexBuffer == nullptr || capacity == 0 || batch == 0)
    return;
  device->SetTexture(texture);
  device->SetFVF(kPointFvf);
  device->SetStreamSource(vertexBuffer.get(), 0, sizeof(PointVertex));

  if (baseVertex >= capacity) baseVertex = 0;
  unsigned room = 0;
  PointVertex* vertices = LockBatch(&room);
  if (vertices == nullptr) return;  // skip the system this frame
  unsigned n = 0;
  for (const Particle& p : particles) {
    if (!p.alive) continue;
    vertices[n] = PointVertex{p.position.x, p.position.y, p.position.z, ColourToArgb(p.colour)};
    if (++n < room) continue;
    vertexBuffer->Unlock();
    device->DrawPrimitive(gpu::Primitive::PointList, baseVertex, n);
    baseVertex += batch;
    if (baseVertex >= capacity) baseVertex = 0;
    vertices = LockBatch(&room);
    if (vertices == nullptr) return;
    n = 0;
  }
  vertexBuffer->Unlock();
  if (n > 0) device->DrawPrimitive(gpu::Primitive::PointList, baseVertex, n);
  // A whole batch is passed over even when fewer were drawn: the next frame starts on a fresh one.
  baseVertex += batch;
}

ParticleEffectDesc ExhaustEffect(Model* owner, ObjectPart* part, int count) {
  ParticleEffectDesc desc;
  desc.owner = owner;
  desc.attached = true;
  desc.kind = kExhaustParticles;
  desc.vecA = &part->lockPoints[0].worldPosition;
  desc.vecC = &part->worldZAxis;
  desc.count = count;
  desc.colourA = {1.0f, 1.0f, 0.0f, 1.0f};
  desc.colourB = {1.0f, 0.0f, 0.0f, 0.0f};
  desc.pointSize = 5.0f;
  return desc;
}

ParticleEffectDesc ExplosionEffect(const math::Vec3* at, float size, int count, float duration,
                                   ParticleColour from, ParticleColour to) {
  ParticleEffectDesc desc;
  desc.kind = kExplosionParticles;
  desc.vecA = at;
  desc.size = size;
  desc.count = count;
  desc.duration = duration;
  desc.colourA = from;
  desc.colourB = to;
  return desc;
}

ParticleEffectDesc ChargeRingEffect(Model* owner, const math::Vec3* at, const math::Vec3* z,
                                    const math::Vec3* x, const math::Vec3* y, float size, int count,
                                    float duration) {
  ParticleEffectDesc ring;
  ring.owner = owner;
  ring.attached = true;
  ring.kind = kChargeRingParticles;
  ring.vecA = at;
  ring.vecC = z;
  ring.vecD = x;
  ring.vecE = y;
  ring.size = size;
  ring.count = count;
  ring.duration = duration;
  ring.colourA = {1.0f, 0.0f, 0.0f, 1.0f};
  ring.colourB = {0.0f, 0.0f, 0.0f, 0.4980392f};
  return ring;
}

ParticleEffectDesc ShipTrailEffect(Model* ship, int kind) {
  ParticleEffectDesc trail;
  trail.owner = ship;
  trail.attached = true;
  trail.kind = kind;
  trail.vecA = &ship->parts[0]->lockPoints[0].worldPosition;
  trail.vecC = &ship->zAxis;
  trail.count = 128;
  trail.colourA = {0.0f, 1.0f, 1.0f, 1.0f};
  trail.colourB = {0.0f, 0.0f, 1.0f, 0.0f};
  trail.pointSize = 10.0f;
  return trail;
}

ParticleEffectDesc AppearEffect(Model* owner) {
  ParticleEffectDesc desc;
  desc.owner = owner;
  desc.attached = true;
  desc.kind = kConvergeParticles;
  desc.vecA = &owner->position;
  desc.count = 64;
  desc.duration = 0.8f;
  return desc;
}

gpu::Argb ColourToArgb(const ParticleColour& c) {
  auto byte = [](float v) -> uint32_t {
    if (v >= 1.0f) return 255;
    if (!(v > 0.0f)) return 0;  // NaN too
    return static_cast<uint32_t>(v * 255.0f + 0.5f);
  };
  return byte(c.a) << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

ParticleColour ArgbToColour(gpu::Argb argb) {
  constexpr float kByte = 1.0f / 255.0f;
  auto channel = [&](int shift) { return static_cast<float>((argb >> shift) & 0xFFu) * kByte; };
  return ParticleColour{channel(16), channel(8), channel(0), channel(24)};
}

float RandomUnitDraw() {
  return static_cast<float>(math::Random() % 10000) * 0.0001f;
}

void RandomVectorInRange(math::Vec3* out, const math::Vec3* min, const math::Vec3* max) {
  auto component = [](float lo, float hi) { return lo < hi ? lo + RandomUnitDraw() * (hi - lo) : lo; };
  out->x = component(min->x, max->x);
  out->y = component(min->y, max->y);
  out->z = component(min->z, max->z);
}

math::Vec3 RandomDirection() {
  static constexpr math::Vec3 kMin{-1.0f, -1.0f, -1.0f};
  static constexpr math::Vec3 kMax{1.0f, 1.0f, 1.0f};
  math::Vec3 v;
  RandomVectorInRange(&v, &kMin, &kMax);
  return math::Vec3Normalize(v);
}

int IntegerPart(float v) {
  if (std::isnan(v)) return 0;
  constexpr float kLimit = 2147483520.0f;  // the largest float below 2^31
  return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}
