// The heavy particle scenes: the warp tunnel the level script sends the ship into, and a fight frame with
// every weapon's effects at once.
#include "particle_scenes.h"

#include <list>
#include <vector>

#include "game/player.h"
#include "game/projectile.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "math/random.h"

namespace {

constexpr float kFrameSeconds = 0.016f;
constexpr int kFillFrames = 4000;  // one new tunnel particle a frame after the first 205
// The rail frame the tunnel follows: straight ahead along +Z.
const math::Vec3 kForward{0, 0, 1}, kSide{1, 0, 0}, kUp{0, 1, 0};

constexpr int kFightRenewFrames = 12;

// The chase view's sky and camera, and the ship at the origin with its four exhausts; null when the ship
// cannot be set up.
Model* ShipInChaseView(Graphics& g, int sky) {
  g.titleMode = false;
  if (!g.SetSkybox(sky)) return nullptr;
  g.camera.SetEye({0.0f, 20.0f, -80.0f});
  g.camera.SetAxes(kForward, kUp, kSide);
  Model* ship = nullptr;
  if (!g.LoadModel(&ship, "KV01.mdl", 0.0f, 0.0f, 0.0f, true, false) || ship->parts.size() < 5)
    return nullptr;
  math::SeedRandom(1);
  if (Player::AttachExhausts(g, ship) != 4) return nullptr;
  return ship;
}

// A shot's model at a place, with its kind-3 glow.
Model* GlowingShot(Graphics& g, const char* file, const math::Vec3& at, ParticleColour colour, float size) {
  Model* shot = nullptr;
  if (!g.LoadModel(&shot, file, at.x, at.y, at.z, false, false)) return nullptr;
  ParticleEffectDesc glow;
  glow.owner = shot;
  glow.attached = true;
  glow.kind = kGlowParticles;
  glow.vecA = &shot->position;
  glow.colourA = colour;
  glow.pointSize = size;
  return g.SpawnParticleSystem(&glow) ? shot : nullptr;
}

// The fight's beam origin, streak start and cloud place: the effects copy or track them.
const math::Vec3 kBeamOrigin{0.0f, -1.0f, 12.0f};
const math::Vec3 kStreakStart{0.0f, -3.5f, 13.0f};
const math::Vec3 kStreak{0.0f, 0.0f, 500.0f};
const math::Vec3 kCloud{30.0f, 10.0f, 250.0f};
int fightFrame = 0;

}  // namespace

bool BuildFightScene(Graphics& g) {
  if (ShipInChaseView(g, 0) == nullptr) return false;
  for (int i = 0; i < 40; ++i) {
    const math::Vec3 at{static_cast<float>(i % 5 - 2) * 8.0f, static_cast<float>(i % 3) * 5.0f - 8.0f,
                        40.0f + 12.0f * static_cast<float>(i)};
    const ParticleColour colour =
        i % 2 == 0 ? ParticleColour{1, 1, 1, 1} : ParticleColour{0.0f, 0.498f, 1, 1};
    if (GlowingShot(g, "Bullet.mdl", at, colour, 15.0f) == nullptr) return false;
  }
  for (int i = 0; i < 4; ++i) {
    if (GlowingShot(g, "Bomb.mdl", {0.0f, -3.5f, 60.0f + 60.0f * static_cast<float>(i)}, {1, 1, 1, 1},
                    10.0f) == nullptr) {
      return false;
    }
  }
  for (int i = 0; i < 8; ++i) {
    Model* missile = nullptr;
    const float x = static_cast<float>(i % 4) * 20.0f - 30.0f;
    if (!g.LoadModel(&missile, "Missile.mdl", x, static_cast<float>(i / 4) * 15.0f, 80.0f + 10.0f * x, false,
                     false) ||
        missile->parts.empty() || missile->parts[0]->lockPoints.empty()) {
      return false;
    }
    const ParticleEffectDesc exhaust = ExhaustEffect(missile, missile->parts[0], 64);
    if (!g.SpawnParticleSystem(&exhaust)) return false;
  }
  // The level-4 beam: 200 wide from the ship's ray lock point to its far end 300 units ahead.
  Model* beamEnd = nullptr;
  if (!g.LoadModel(&beamEnd, "Bullet.mdl", 0.0f, -1.0f, 312.0f, false, false)) return false;
  beamEnd->visible = false;
  ParticleEffectDesc beam;
  beam.owner = beamEnd;
  beam.attached = true;
  beam.kind = kBeamParticles;
  beam.count = 100;
  beam.pointSize = 200.0f;
  beam.vecA = &kBeamOrigin;
  beam.vecB = &beamEnd->position;
  beam.colourA = {1, 1, 1, 1};
  beam.colourB = {1.0f, 0.502f, 0.0f, 1.0f};
  if (!g.SpawnParticleSystem(&beam)) return false;
  fightFrame = 0;
  for (int i = 0; i < 120; ++i) StepFightScene(g, kFrameSeconds);
  return true;
}

void StepFightScene(Graphics& g, float seconds) {
  if (fightFrame++ % kFightRenewFrames == 0) {
    ParticleEffectDesc streak;
    streak.kind = kStreakParticles;
    streak.count = 400;
    streak.duration = 1.0f;
    streak.colourA = {1.0f, 0.0f, 0.0f, 1.0f};
    streak.pointSize = 5.0f;
    streak.vecA = &kStreakStart;
    streak.vecB = &kStreak;
    g.SpawnParticleSystem(&streak);
    const ParticleEffectDesc cloud = Poison::CloudEffect(kCloud);
    g.SpawnParticleSystem(&cloud);
  }
  g.Update(seconds);
}

namespace {

// A boss cannon at rest firing a growing beam every frame, as the bosses' cannons do: each beam starts at the
// cannon, grows at 300 units a second toward the ship and goes after a second, so about sixty beams lie
// along one line, each drawn as a wide red system beneath a black core.
constexpr float kBeamGrowth = 300.0f;
constexpr float kBeamLife = 1.0f;
struct CannonBeam {
  math::Vec3 origin;
  math::Vec3 direction;
  float age = 0.0f;
  Model* end = nullptr;
};
struct Cannon {
  math::Vec3 at;
  float width;
};
std::list<CannonBeam> cannonBeams;
std::vector<Cannon> cannons;

bool FireCannons(Graphics& g) {
  for (const Cannon& cannon : cannons) {
    CannonBeam& beam = cannonBeams.emplace_back();
    beam.origin = cannon.at;
    beam.direction = math::Vec3Normalize(math::Vec3{0.0f, 0.0f, 0.0f} - cannon.at);
    if (!g.LoadModel(&beam.end, "Bullet.mdl", cannon.at.x, cannon.at.y, cannon.at.z, false, false))
      return false;
    beam.end->visible = false;
    ParticleEffectDesc desc;
    desc.owner = beam.end;
    desc.attached = true;
    desc.kind = kBeamParticles;
    desc.count = 100;
    desc.pointSize = cannon.width;
    desc.vecA = &beam.origin;
    desc.vecB = &beam.end->position;
    desc.colourA = {0.0f, 0.0f, 0.0f, 1.0f};
    desc.colourB = {1.0f, 0.0f, 0.0f, 1.0f};
    if (!g.SpawnParticleSystem(&desc)) return false;
  }
  return true;
}

bool BuildCannonScene(Graphics& g, std::vector<Cannon> at) {
  if (ShipInChaseView(g, 0) == nullptr) return false;
  cannonBeams.clear();
  cannons = std::move(at);
  for (int i = 0; i < 90; ++i) StepCannonScene(g, kFrameSeconds);
  return !cannonBeams.empty();
}

}  // namespace

bool BuildPhantomCannonScene(Graphics& g) {
  return BuildCannonScene(g, {{{-40.0f, 30.0f, 220.0f}, 15.0f}});
}

bool BuildFrontGunsScene(Graphics& g) {
  return BuildCannonScene(g, {{{30.0f, 10.0f, 160.0f}, 30.0f}});
}

void StepCannonScene(Graphics& g, float seconds) {
  for (auto it = cannonBeams.begin(); it != cannonBeams.end();) {
    it->age += seconds;
    if (it->age > kBeamLife) {
      g.ReleaseModel(it->end);
      it = cannonBeams.erase(it);
      continue;
    }
    const math::Vec3 end = it->origin + it->direction * (kBeamGrowth * it->age);
    it->end->position = end;
    ++it;
  }
  FireCannons(g);
  g.Update(seconds);
}

bool BuildWarpTunnelScene(Graphics& g) {
  Model* ship = ShipInChaseView(g, 2);
  if (ship == nullptr) return false;
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
  for (const Model* m : g.entityModels) count(m->particleSystems);
}
