// Particle effects on the OpenGL device (SDL's offscreen driver), read back from the back buffer: a glow is a
// soft disc in its colour held to the 64-pixel cap, the warp tunnel fills the view with pale cyan streaks,
// beams piled up as a boss's cannons pile them look the same whether the sprites' clear fragments are
// skipped or blended, and the particles of the bosses' fights, beams drawn a pile at a time and sprites by
// their pictures' formulas, look as drawn sprite by sprite reading the pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "graphics/beam_piles.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_discs.h"
#include "graphics/particle_system.h"
#include "harness/autopilot.h"
#include "math/random.h"
#include "native_test_support.h"
#include "platform/native/gl_device.h"

namespace {

int Channel(uint32_t argb, int shift) {
  return static_cast<int>((argb >> shift) & 0xFF);
}

using ParticleFrames = gfxtest::NativeServicesTest;

TEST_F(ParticleFrames, GlowDiscAndWarpTunnel) {
  Graphics g;
  ASSERT_TRUE(g.Init(*services_, 800, 600, false));
  g.titleMode = false;
  g.camera.SetEye({0, 0, 0});
  g.camera.SetAxes({0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  std::vector<uint32_t> pixels;
  auto frame = [&] {
    g.Render();
    int w = 0, h = 0;
    ASSERT_TRUE(plat::ReadBackBufferPixels(*g.device, pixels, &w, &h));
    ASSERT_EQ(w * h, 800 * 600);
  };
  auto pixel = [&](int x, int y) { return pixels[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)]; };

  Model* holder = nullptr;
  ASSERT_TRUE(g.LoadModel(&holder, "Ret.X", 0, 0, 100, false, false));
  holder->visible = false;  // only its particles show
  // 20 x 600 / 100 = 120 pixels across: held to 64.
  ParticleEffectDesc glow{holder, &holder->position};
  glow.kind = kGlowParticles;
  glow.colourA = {1, 0, 0, 1};
  glow.pointSize = 20.0f;
  glow.attached = true;
  ASSERT_TRUE(g.SpawnParticleSystem(&glow));
  frame();
  EXPECT_GT(Channel(pixel(400, 300), 16), 200);
  EXPECT_EQ(pixel(400, 300) & 0xFFFF, 0u);
  int lit = 0;  // along the middle row, fading toward the rim
  for (int x = 300; x < 500; ++x) lit += Channel(pixel(x, 300), 16) > 8;
  EXPECT_GT(lit, 30);
  EXPECT_LE(lit, 64);
  EXPECT_LT(Channel(pixel(420, 300), 16), 255);
  holder->drawParticles = false;

  const math::Vec3 ring{0, 0, 60}, ahead{0, 0, 1}, u{1, 0, 0}, w{0, 1, 0};
  ParticleEffectDesc warp{nullptr, &ring, nullptr, &ahead, &u, &w, 80.0f, kWarpParticles, 4096};
  warp.pointSize = 10.0f;
  math::SeedRandom(5);
  ASSERT_TRUE(g.SpawnParticleSystem(&warp));
  for (int i = 0; i < 30; ++i) g.Update(1.0f / 60.0f);
  frame();
  // Every lit pixel is the streaks' (200, 255, 255) faded over black.
  int bright = 0, offColour = 0;
  for (uint32_t p : pixels) {
    const int r = Channel(p, 16), gr = Channel(p, 8), b = Channel(p, 0);
    if (r + gr + b < 30) continue;
    offColour += gr < r || std::abs(gr - b) > 3;
    bright += gr > 128;
  }
  EXPECT_GT(bright, 500);
  EXPECT_EQ(offColour, 0);
}

// Cannons at rest fire a beam every frame that grows for a second, so tens of beams lie one over another,
// each a wide beam beneath a core: over the level sky, with a ship in front of one of them so that depth
// hides part of the pile, the picture is the same to the bit with clear fragments skipped and blended.
TEST_F(ParticleFrames, PiledBeamsLookTheSameWithClearFragmentsSkipped) {
  Graphics g;
  ASSERT_TRUE(g.Init(*services_, 800, 600, false));
  g.titleMode = false;
  ASSERT_TRUE(g.SetSkybox(0));
  ASSERT_NE(g.outerSkybox, nullptr);
  g.outerSkybox->spinStep = 0.0f;  // both pictures under the same turn of the stars
  g.camera.SetEye({0, 20, -80});
  g.camera.SetAxes({0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  Model* ship = nullptr;
  ASSERT_TRUE(g.LoadModel(&ship, "KV01.mdl", 12, 12, 20, false, false));

  struct Cannon {
    math::Vec3 at, aim;
    float width;
    ParticleColour core, wide;
  };
  const Cannon cannons[] = {{{-40, 30, 220}, {20, 0, 0}, 15, {0, 0, 0, 1}, {1, 0, 0, 1}},
                            {{30, 10, 160}, {-10, 10, 0}, 30, {1, 1, 1, 1}, {0, 1, 1, 1}}};
  std::list<math::Vec3> origins;  // the beams track their start points
  for (int beam = 0; beam < 40; ++beam) {
    for (const Cannon& c : cannons) {
      const math::Vec3 along = math::Vec3Normalize(c.aim - c.at) * (7.5f * static_cast<float>(40 - beam));
      const math::Vec3 end = c.at + along;
      Model* holder = nullptr;
      ASSERT_TRUE(g.LoadModel(&holder, "Bullet.mdl", end.x, end.y, end.z, false, false));
      holder->visible = false;
      ParticleEffectDesc desc{holder, &origins.emplace_back(c.at), &holder->position};
      desc.kind = kBeamParticles;
      desc.count = 100;
      desc.pointSize = c.width;
      desc.colourA = c.core;
      desc.colourB = c.wide;
      desc.attached = true;
      ASSERT_TRUE(g.SpawnParticleSystem(&desc));
    }
  }
  g.Update(0.02f);
  // The beams drawn sprite by sprite, each reading its picture.
  const std::unique_ptr<BeamPiles> piles = std::move(g.beamPiles);
  const std::unique_ptr<ParticleDiscs> discs = std::move(g.particleDiscs);

  auto frame = [&](bool skipped) {
    EXPECT_TRUE(plat::SetClearSpriteFragmentsSkipped(*g.device, skipped));
    g.Render();
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    EXPECT_TRUE(plat::ReadBackBufferPixels(*g.device, pixels, &w, &h));
    EXPECT_EQ(w * h, 800 * 600);
    return pixels;
  };
  const std::vector<uint32_t> usual = frame(true);
  const std::vector<uint32_t> plain = frame(false);
  ASSERT_EQ(usual.size(), plain.size());
  // The beams show: red, and cyan about white cores, over much of the picture.
  const auto count = [&](auto test) { return std::count_if(plain.begin(), plain.end(), test); };
  EXPECT_GT(count([](uint32_t p) { return Channel(p, 16) > 150 && Channel(p, 8) < 60; }), 3000);
  EXPECT_GT(count([](uint32_t p) { return Channel(p, 8) > 150 && Channel(p, 16) < Channel(p, 8) - 40; }),
            400);
  EXPECT_GT(
      count([](uint32_t p) { return Channel(p, 16) > 240 && Channel(p, 8) > 240 && Channel(p, 0) > 240; }),
      3000);
  size_t differing = 0, first = usual.size();
  for (size_t i = 0; i < usual.size(); ++i) {
    if (usual[i] == plain[i]) continue;
    ++differing;
    first = std::min(first, i);
  }
  EXPECT_EQ(differing, 0u) << "first at x " << first % 800 << ", y " << first / 800;
}

// A particle system of a recorded frame as the particle pass met it, with the model it went with (-1 for a
// free one), and drawn again as it was.
struct FrozenSystem {
  int kind;
  float pointSize;
  int model;
  std::string picture;
  std::list<Particle> particles;
};
class Frozen : public ParticleSystem {
 public:
  explicit Frozen(const FrozenSystem& s) : ParticleSystem(s.kind, 4096, 512, s.pointSize, true) {
    particles = s.particles;
  }
  void InitParticle(Particle&) override {}
  void Update(float) override {}
};
struct FightFrame {
  size_t particles = 0;
  math::Vec3 eye, look, up, right;
  std::vector<FrozenSystem> systems;
};

// Each system the particle pass meets, in its order, with the number of its model (-1 for a free one).
template <class Visit>
void EachSystem(const Graphics& g, Visit visit) {
  for (const ParticleSystem* s : g.freeParticleSystems) visit(*s, -1);
  int model = 0;
  for (const std::vector<Model*>* list : {&g.entityModels, &g.blendedModels}) {
    for (const Model* m : *list) {
      if (!m->drawParticles) continue;
      for (const ParticleSystem* s : m->particleSystems) visit(*s, model);
      ++model;
    }
  }
}

// The fight benchmark's fight with the four bosses on the headless engine (its seed, frame time, god mode
// and autopilot; a boss standing after 25 s is brought down): for each boss the frame with the most
// particles.
std::map<int, FightFrame> RecordBossFights() {
  std::map<int, FightFrame> busiest;
  EngineHarness h(20);
  Engine& e = h.engine();
  math::SeedRandom(3);
  if (!e.LoadLevel("bosses.kvl") || e.players.empty()) return busiest;
  e.players[0]->godmode = true;
  const Graphics& g = *e.graphics;
  for (int frame = 0; frame < 20000 && !autopilot::AtEnd(e); ++frame) {
    autopilot::SetKeys(e, h.services, frame);
    Enemy* boss = autopilot::BossInPlay(*e.enemyManager);
    if (boss != nullptr && boss->GetAgeMs() > 25000) {
      boss->health = 0;
      if (boss->typeId == kPsychoSideId) std::fill(boss->scratch, boss->scratch + 5, 0);
    }
    h.Step();
    if ((boss = autopilot::BossInPlay(*e.enemyManager)) == nullptr) continue;
    size_t particles = 0;
    EachSystem(g, [&](const ParticleSystem& s, int) {
      for (const Particle& p : s.particles) particles += p.alive;
    });
    FightFrame& kept = busiest[boss->typeId];
    if (particles <= kept.particles) continue;
    const Camera& c = g.camera;
    kept = {particles, c.GetEye(), c.GetLook(), c.GetUp(), c.GetRight(), {}};
    EachSystem(g, [&](const ParticleSystem& s, int model) {
      kept.systems.push_back({s.kind, s.pointSize, model, s.texture->Name(), s.particles});
    });
  }
  return busiest;
}

// Each boss's frame with the most particles drawn again over the level's sky: beams a pile at a time and
// sprites by their pictures' formulas, and sprite by sprite reading the pictures as before. At most 1% of
// the pixels may differ by more than 8 steps of a colour channel (where tens of faint rims lie one over
// another, the sprites' 8-bit blends round each layer's share), and the two must differ somewhere.
TEST_F(ParticleFrames, TheBossFightsParticlesLookAsDrawnSpriteBySprite) {
  const std::map<int, FightFrame> fights = RecordBossFights();
  ASSERT_EQ(fights.size(), 4u);
  Graphics g;
  ASSERT_TRUE(g.Init(*services_, 800, 600, false));
  ASSERT_NE(g.beamPiles, nullptr);
  g.titleMode = false;
  for (const auto& [boss, fight] : fights) {
    SCOPED_TRACE(testing::Message() << "boss " << boss << ", " << fight.particles << " particles");
    g.ClearScene();
    ASSERT_TRUE(g.SetSkybox(0));
    g.outerSkybox->spinStep = 0.0f;
    g.camera.SetEye(fight.eye);
    g.camera.SetAxes(fight.look, fight.up, fight.right);
    std::map<int, Model*> models;
    for (const FrozenSystem& copy : fight.systems) {
      int texture = g.FindTexture(copy.picture.c_str());
      if (texture < 0) texture = g.LoadTexture(copy.picture.c_str(), nullptr);
      ASSERT_GE(texture, 0);
      auto* system = new Frozen(copy);
      system->Init(g.device.get(), g.sceneTextures[static_cast<size_t>(texture)].texture.get());
      Model*& holder = models[copy.model];
      if (copy.model >= 0 && holder == nullptr) {
        ASSERT_TRUE(g.LoadModel(&holder, "Bullet.mdl", 0, 0, 0, false, false));
        holder->visible = false;
      }
      (copy.model < 0 ? g.freeParticleSystems : holder->particleSystems).push_back(system);
    }
    auto frame = [&](bool asBefore) {
      std::unique_ptr<BeamPiles> piles;
      std::unique_ptr<ParticleDiscs> discs;
      if (asBefore) std::swap(piles, g.beamPiles), std::swap(discs, g.particleDiscs);
      g.Render();
      if (asBefore) std::swap(piles, g.beamPiles), std::swap(discs, g.particleDiscs);
      std::vector<uint32_t> pixels;
      int w = 0, h = 0;
      EXPECT_TRUE(plat::ReadBackBufferPixels(*g.device, pixels, &w, &h));
      EXPECT_EQ(w * h, 800 * 600);
      return pixels;
    };
    const std::vector<uint32_t> before = frame(true), now = frame(false);
    ASSERT_EQ(before.size(), now.size());
    size_t differing = 0, beyond = 0;
    for (size_t i = 0; i < before.size(); ++i) {
      int step = 0;
      for (int shift : {16, 8, 0})
        step = std::max(step, std::abs(Channel(before[i], shift) - Channel(now[i], shift)));
      differing += step > 0;
      beyond += step > 8;
    }
    EXPECT_LE(beyond, before.size() / 100);
    EXPECT_GT(differing, 0u);
  }
}

}  // namespace
