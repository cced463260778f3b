// The warp tunnel scene: what the player sees when the level script sends the ship to warp.
#include "particle_scenes.h"

#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "math/random.h"

namespace {

constexpr float kFrameSeconds = 0.016f;
constexpr int kFillFrames = 4000;  // one new tunnel particle a frame after the first 205
// The rail frame the tunnel follows: straight ahead along +Z.
const math::Vec3 kForward{0, 0, 1}, kSide{1, 0, 0}, kUp{0, 1, 0};

}  // namespace

bool BuildWarpTunnelScene(Graphics& g) {
  g.titleMode = false;
  if (!g.SetSkybox(2)) return false;
  g.camera.SetEye({0.0f, 20.0f, -80.0f});
  g.camera.SetAxes(kForward, kUp, kSide);
  Model* ship = nullptr;
  if (!g.LoadModel(&ship, "KV01.mdl", 0.0f, 0.0f, 0.0f, true, false) || ship->parts.size() < 5) return false;
  math::SeedRandom(1);
  if (Player::AttachExhausts(g, ship) != 4) return false;
  ParticleEffectDesc warp;
  warp.owner = ship;
  warp.kind = kWarpParticles;
  warp.count = 4096;
  warp.vecA = &ship->parts[1]->lockPoints[0].worldPosition;
  warp.vecC = &kForward;
  warp.vecD = &kSide;
  warp.vecE = &kUp;
  warp.size = 800.0f;
  warp.pointSize = 15.0f;
  if (!g.SpawnParticleSystem(&warp)) return false;
  for (int i = 0; i < kFillFrames; ++i) g.Update(kFrameSeconds);
  return true;
}

void StepParticleScene(Graphics& g, float seconds) {
  g.Update(seconds);
}

void CountSceneParticles(const Graphics& g, int* listed, int* alive) {
  *listed = *alive = 0;
  auto count = [&](const std::vector<ParticleSystem*>& systems) {
    for (const ParticleSystem* s : systems) {
      for (const Particle& p : s->particles) {
        ++*listed;
        *alive += p.alive;
      }
    }
  };
  count(g.freeParticleSystems);
  for (const Model* m : g.blendedModels) count(m->particleSystems);
}
