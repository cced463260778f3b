// Graphics::SpawnParticleSystem: turns an effect request into the system or systems of its kind, with their
// texture, attached to the owner model or kept in the free list.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_discs.h"
#include "graphics/particle_kinds.h"
#include "math/random.h"
#include "platform/services.h"

namespace {

constexpr int kExplosionEmitters = 10;
constexpr float kBeamWidening = 5.0f;

// Whether the request holds every vector its kind reads.
bool HasVectors(const ParticleEffectDesc& d) {
  if (d.vecA == nullptr) return false;
  switch (d.kind) {
    case kExhaustParticles:
    case kThrustParticles:
    case kSmallSprayParticles:
      return d.vecC != nullptr;
    case kBeamParticles:
    case kStreakParticles:
      return d.vecB != nullptr;
    case kWarpParticles:
    case kChargeRingParticles:
      return d.vecC != nullptr && d.vecD != nullptr && d.vecE != nullptr;
    default:
      return true;
  }
}

// The one system of a request of kinds 0, 1, 2, 3, 5, 8 and 9; null for any other kind.
std::unique_ptr<ParticleSystem> MakeSingle(const ParticleEffectDesc& d) {
  switch (d.kind) {
    case kExhaustParticles:
      return std::make_unique<ExhaustParticles>(d.vecA, d.size, d.vecC, d.colourA, d.colourB, d.pointSize,
                                                d.count);
    case kThrustParticles:
      return std::make_unique<ThrustParticles>(d.vecA, d.size, d.vecC, d.colourA, d.colourB, d.pointSize,
                                               d.count);
    case kSmallSprayParticles:
      return std::make_unique<SmallSprayParticles>(d.vecA, d.size, d.vecC, d.count);
    case kGlowParticles:
      return std::make_unique<GlowParticles>(d.vecA, d.colourA, d.pointSize);
    case kConvergeParticles:
      return std::make_unique<ConvergeParticles>(d.vecA, d.duration, d.count);
    case kWarpParticles:
      return std::make_unique<WarpParticles>(d.vecA, d.vecD, d.vecE, d.vecC, d.size, d.pointSize, d.count);
    case kChargeRingParticles:
      return std::make_unique<ChargeRingParticles>(d.vecA, d.vecD, d.vecE, d.vecC, d.duration, d.size,
                                                   d.colourA, d.colourB, d.count);
    default:
      return nullptr;
  }
}

}  // namespace

bool Graphics::SpawnParticleSystem(const ParticleEffectDesc* desc) {
  if (desc == nullptr) return false;
  const ParticleEffectDesc& d = *desc;
  if (d.attached && d.owner == nullptr) return false;
  const bool offered =
      d.attached ? d.kind != kExplosionParticles && d.kind != kStreakParticles &&
                       d.kind >= kExhaustParticles && d.kind <= kChargeRingParticles
                 : d.kind == kExplosionParticles || d.kind == kStreakParticles || d.kind == kWarpParticles;
  if (!offered) return false;
  if (!HasVectors(d)) {
    std::fprintf(stderr, "Graphics: a particle effect of kind %d lacks a vector it needs; not shown\n",
                 d.kind);
    return false;
  }

  const char* texturePath = d.kind == kExplosionParticles || d.kind == kBeamParticles ||
                                    d.kind == kStreakParticles || d.kind == kWarpParticles
                                ? kSparkPicture
                                : kGlowPicture;
  // The texture from the scene cache, loaded when absent; null after the failure has been reported.
  auto texture = [&]() -> plat::gpu::Texture* {
    int index = FindTexture(texturePath);
    if (index < 0) index = LoadTexture(texturePath, nullptr);
    if (index < 0) {
      ReportLoadFailure(std::string(texturePath) + " for a particle effect",
                        "D3DXCreateTextureFromFile() - FAILED", "", "the effect is not shown");
      return nullptr;
    }
    return sceneTextures[static_cast<size_t>(index)].texture.get();
  };
  plat::Dialogs* dialogs = services != nullptr ? &services->dialogs() : nullptr;

  if (d.kind == kExplosionParticles) {
    // Ten emitters along a short random walk from the requested point; the texture comes first, so a missing
    // one makes nothing and draws nothing.
    plat::gpu::Texture* t = texture();
    if (t == nullptr) return false;
    const int modulus = IntegerPart(d.size);
    const int perEmitter = IntegerPart(static_cast<float>(d.count) * 0.1f);
    const plat::gpu::Argb a = ColourToArgb(d.colourA), b = ColourToArgb(d.colourB);
    math::Vec3 place = *d.vecA;
    static constexpr math::Vec3 kMin{-1.0f, -1.0f, -1.0f};
    static constexpr math::Vec3 kMax{1.0f, 1.0f, 1.0f};
    for (int i = 0; i < kExplosionEmitters; ++i) {
      math::Vec3 step;
      RandomVectorInRange(&step, &kMin, &kMax);
      // An explosion smaller than one unit has no room for the offsets.
      const int r = modulus >= 1 ? math::Random() % modulus : 0;
      const float k = static_cast<float>(r) - d.size * 0.5f;
      place = place + step * k * 0.5f;
      auto emitter = std::make_unique<ExplosionParticles>(place, d.duration, a, b, d.size, perEmitter);
      emitter->Init(device.get(), t, dialogs);
      freeParticleSystems.push_back(emitter.release());
    }
    return true;
  }

  std::vector<std::unique_ptr<ParticleSystem>> made;
  if (d.kind == kBeamParticles) {
    // The wide colour-B beam goes first, so it is drawn beneath the colour-A core.
    made.push_back(std::make_unique<BeamParticles>(d.vecA, d.vecB, d.pointSize + kBeamWidening,
                                                   ColourToArgb(d.colourB), d.count));
    made.push_back(
        std::make_unique<BeamParticles>(d.vecA, d.vecB, d.pointSize, ColourToArgb(d.colourA), d.count));
  } else if (d.kind == kStreakParticles) {
    made.push_back(std::make_unique<StreakParticles>(*d.vecA, *d.vecB, d.pointSize, ColourToArgb(d.colourA),
                                                     d.count, d.duration));
  } else {
    made.push_back(MakeSingle(d));
  }

  plat::gpu::Texture* t = texture();
  if (t == nullptr) return false;  // the systems made are discarded
  for (std::unique_ptr<ParticleSystem>& system : made) {
    system->Init(device.get(), t, dialogs);  // without a buffer it is kept and draws nothing
    if (d.attached) {
      d.owner->particleSystems.push_back(system.release());
    } else {
      // A free warp tracks its owner's data: it goes when that model goes.
      if (d.kind == kWarpParticles) system->trackedOwner = d.owner;
      freeParticleSystems.push_back(system.release());
    }
  }
  return true;
}
