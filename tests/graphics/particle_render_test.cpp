// Particle systems on the recording device: the locks and draws of the vertex ring frame by frame (the clamp
// of a batch larger than the buffer included), a lock that fails, colour packing, what each effect request
// makes and with which texture, a missing texture, and the warp tunnel the engine starts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/engine.h"
#include "game/player.h"
#include "graphics/particle_kinds.h"
#include "graphics_test_support.h"
#include "harness/engine_harness.h"
#include "math/random.h"

namespace {

namespace gpu = plat::gpu;
using gfxtest::GraphicsHarness;

// Particles i = 0, 1, ... at (i, 0, 0), the first `alive` of them alive, over a buffer of the given shape.
class RingSystem : public ParticleSystem {
 public:
  RingSystem(unsigned capacityIn, unsigned batchIn, int alive, int dead)
      : ParticleSystem(kGlowParticles, capacityIn, batchIn, 1.0f, true) {
    for (int i = 0; i < alive + dead; ++i) {
      Particle p;
      p.alive = i < alive;
      p.position = {static_cast<float>(i), 0, 0};
      p.colour = {1.0f, 0.5f, 0.0f, 1.0f};
      particles.push_back(p);
    }
  }
  void InitParticle(Particle&) override {}
  void Update(float) override {}
};

struct Lock {
  unsigned firstVertex, vertices;
  char mode;  // 'D' discard, 'N' no-overwrite
  bool operator==(const Lock&) const = default;
};
struct Draw {
  unsigned start, count;
  bool operator==(const Draw&) const = default;
};

TEST(ParticleRing, LocksAndDrawsFrameByFrame) {
  GraphicsHarness h;
  ASSERT_TRUE(h.initialised);
  struct Frame {
    std::vector<Lock> locks;
    std::vector<Draw> draws;
  };
  struct Case {
    const char* what;
    unsigned capacity, batch;
    int alive, dead;
    Frame first, second;
  };
  const Case cases[] = {
      {"only dead particles: one empty batch", 2048, 512, 0, 5,
       {{{0, 512, 'D'}}, {}}, {{{512, 512, 'N'}}, {}}},
      {"exactly one batch, then an empty lock", 2048, 512, 512, 0,
       {{{0, 512, 'D'}, {512, 512, 'N'}}, {{0, 512}}},
       {{{1024, 512, 'N'}, {1536, 512, 'N'}}, {{1024, 512}}}},
      {"past the capacity the ring wraps with a discard", 1024, 512, 1100, 3,
       {{{0, 512, 'D'}, {512, 512, 'N'}, {0, 512, 'D'}}, {{0, 512}, {512, 512}, {0, 76}}},
       {{{512, 512, 'N'}, {0, 512, 'D'}, {512, 512, 'N'}}, {{512, 512}, {0, 512}, {512, 76}}}},
      {"a batch larger than the buffer locks what the buffer holds", 4, 512, 1, 0,
       {{{0, 4, 'D'}}, {{0, 1}}}, {{{0, 4, 'D'}}, {{0, 1}}}},
      {"and wraps when its particles fill it", 4, 512, 6, 0,
       {{{0, 4, 'D'}, {0, 4, 'D'}}, {{0, 4}, {0, 2}}}, {{{0, 4, 'D'}, {0, 4, 'D'}}, {{0, 4}, {0, 2}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RingSystem s(c.capacity, c.batch, c.alive, c.dead);
    ASSERT_TRUE(s.Init(h.graphics->device.get(), nullptr));
    for (const Frame& expected : {c.first, c.second}) {
      const size_t locksBefore = h.log().Locks().size(), drawsBefore = h.log().Draws().size();
      s.Render();
      std::vector<Lock> locks;
      for (size_t i = locksBefore; i < h.log().Locks().size(); ++i) {
        const auto& l = h.log().Locks()[i];
        EXPECT_TRUE(l.ok);
        locks.push_back({l.offset / 16, l.size / 16, l.mode == gpu::LockMode::Discard ? 'D' : 'N'});
      }
      std::vector<Draw> draws;
      for (size_t i = drawsBefore; i < h.log().Draws().size(); ++i) {
        const auto& d = h.log().Draws()[i];
        EXPECT_EQ(d.primitive, gpu::Primitive::PointList);
        EXPECT_EQ(d.state.fvf, kPointFvf);
        EXPECT_EQ(d.state.streamStride, 16u);
        draws.push_back({d.startVertex, d.primitiveCount});
      }
      EXPECT_EQ(locks, expected.locks);
      EXPECT_EQ(draws, expected.draws);
    }
  }
  EXPECT_EQ(h.log().FailedLocks(), 0);
  for (const std::string& e : h.log().Events()) EXPECT_NE(e.rfind("Error", 0), 0u) << e;
}

TEST(ParticleRing, WritesPositionsAndPackedColoursAndSkipsTheFrameWhenTheLockFails) {
  GraphicsHarness h;
  ASSERT_TRUE(h.initialised);
  RingSystem s(2048, 512, 3, 1);
  ASSERT_TRUE(s.Init(h.graphics->device.get(), nullptr));
  s.pointSize = 12.5f;
  s.SetPointSize();
  EXPECT_EQ(h.log().State().GetF(gpu::RenderState::PointSize), 12.5f);
  s.Render();
  PointVertex written[3];
  std::memcpy(written, s.vertexBuffer->Lock(0, sizeof written, gpu::LockMode::Normal), sizeof written);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(written[i].x, static_cast<float>(i));
    EXPECT_EQ(written[i].colour, 0xFFFF8000u);  // (1, 0.5, 0, 1): 0.5 * 255 + 0.5 = 128
  }

  // The buffer is still locked: the system draws nothing this frame and writes nowhere.
  const size_t draws = h.log().Draws().size();
  const unsigned base = s.baseVertex;
  s.Render();
  EXPECT_EQ(h.log().Draws().size(), draws);
  EXPECT_EQ(s.baseVertex, base);
  s.vertexBuffer->Unlock();
  s.Render();
  EXPECT_EQ(h.log().Draws().size(), draws + 1);
}

TEST(ParticleColours, PackToArgbWithClampsAndUnpackByteByByte) {
  const struct {
    ParticleColour colour;
    gpu::Argb argb;
  } cases[] = {
      {{1, 1, 1, 1}, 0xFFFFFFFF},      {{2, -1, 0.5f, 1.5f}, 0xFFFF0080},
      {{0.2f, 0.0f, 0.0f, 0.0f}, 0x00330000},  // 0.2 * 255 + 0.5 = 51.5: 51
      {{NAN, 0.1f, 0.0f, NAN}, 0x00001A00},
  };
  for (const auto& c : cases) EXPECT_EQ(ColourToArgb(c.colour), c.argb);
  const ParticleColour back = ArgbToColour(0x80FF0033);
  EXPECT_FLOAT_EQ(back.a, 128.0f / 255.0f);
  EXPECT_FLOAT_EQ(back.r, 1.0f);
  EXPECT_FLOAT_EQ(back.g, 0.0f);
  EXPECT_FLOAT_EQ(back.b, 0.2f);
}

class SpawnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.initialised);
    owner = h.AddModel(h.graphics->entityModels);
    desc.owner = owner;
    desc.vecA = &a;
    desc.vecB = &b;
    desc.vecC = &c;
    desc.vecD = &d;
    desc.vecE = &e;
    desc.size = 15.0f;
    desc.count = 20;
    desc.duration = 0.75f;
    desc.colourA = {1, 0, 0, 1};
    desc.colourB = {0, 0, 1, 0.5f};
    desc.pointSize = 4.0f;
  }
  Graphics& g() { return *h.graphics; }

  GraphicsHarness h;
  Model* owner = nullptr;
  math::Vec3 a{1, 2, 3}, b{0, 0, 50}, c{0, 0, 1}, d{1, 0, 0}, e{0, 1, 0};
  ParticleEffectDesc desc;
};

TEST_F(SpawnTest, EachRequestMakesItsSystemsWithTheirTextureOrNothing) {
  struct Case {
    const char* what;
    int kind;
    bool attached;
    bool made;
    size_t attachedSystems, freeSystems;
    const char* texture;
  };
  const Case cases[] = {
      {"exhaust", kExhaustParticles, true, true, 1, 0, "Texture3.dds"},
      {"thrust", kThrustParticles, true, true, 1, 0, "Texture3.dds"},
      {"spray", kSmallSprayParticles, true, true, 1, 0, "Texture3.dds"},
      {"glow", kGlowParticles, true, true, 1, 0, "Texture3.dds"},
      {"converge", kConvergeParticles, true, true, 1, 0, "Texture3.dds"},
      {"beam: two systems", kBeamParticles, true, true, 2, 0, "Texture1.dds"},
      {"attached warp", kWarpParticles, true, true, 1, 0, "Texture1.dds"},
      {"charge ring", kChargeRingParticles, true, true, 1, 0, "Texture3.dds"},
      {"attached explosion", kExplosionParticles, true, false, 0, 0, nullptr},
      {"attached streak", kStreakParticles, true, false, 0, 0, nullptr},
      {"explosion: ten emitters", kExplosionParticles, false, true, 0, 10, "Texture1.dds"},
      {"streak", kStreakParticles, false, true, 0, 1, "Texture1.dds"},
      {"free warp", kWarpParticles, false, true, 0, 1, "Texture1.dds"},
      {"free exhaust", kExhaustParticles, false, false, 0, 0, nullptr},
      {"kind 10", 10, false, false, 0, 0, nullptr},
      {"kind -1", -1, true, false, 0, 0, nullptr},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    desc.kind = k.kind;
    desc.attached = k.attached;
    EXPECT_EQ(g().SpawnParticleSystem(&desc), k.made);
    ASSERT_EQ(owner->particleSystems.size(), k.attachedSystems);
    ASSERT_EQ(g().freeParticleSystems.size(), k.freeSystems);
    for (auto* list : {&owner->particleSystems, &g().freeParticleSystems}) {
      for (ParticleSystem* s : *list) {
        EXPECT_EQ(s->kind, k.kind);
        ASSERT_NE(s->texture, nullptr);
        EXPECT_EQ(s->texture->Name(), std::string("Assets\\Art\\") + k.texture);
        EXPECT_NE(s->vertexBuffer, nullptr);
        delete s;
      }
      list->clear();
    }
  }
  // Without its owner or a vector its kind reads, a request makes nothing.
  desc.kind = kExhaustParticles;
  desc.attached = true;
  desc.owner = nullptr;
  EXPECT_FALSE(g().SpawnParticleSystem(&desc));
  desc.owner = owner;
  desc.vecC = nullptr;
  EXPECT_FALSE(g().SpawnParticleSystem(&desc));
  EXPECT_TRUE(owner->particleSystems.empty());
}

TEST_F(SpawnTest, BeamsWideColourBFirstAndExplosionEmittersWalkFromThePoint) {
  desc.kind = kBeamParticles;
  desc.attached = true;
  ASSERT_TRUE(g().SpawnParticleSystem(&desc));
  ASSERT_EQ(owner->particleSystems.size(), 2u);
  EXPECT_EQ(owner->particleSystems[0]->pointSize, 9.0f);
  EXPECT_EQ(ColourToArgb(owner->particleSystems[0]->particles.front().colour), ColourToArgb(desc.colourB));
  EXPECT_EQ(owner->particleSystems[1]->pointSize, 4.0f);
  EXPECT_EQ(ColourToArgb(owner->particleSystems[1]->particles.front().colour), ColourToArgb(desc.colourA));

  // Each emitter starts where the one before it was placed, at most size / 4 units away per axis; it gets
  // a tenth of the count. A size below 1 leaves no room for offsets and divides by nothing.
  desc.kind = kExplosionParticles;
  desc.attached = false;
  for (float size : {15.0f, 0.5f, 0.0f}) {
    SCOPED_TRACE(size);
    desc.size = size;
    g().freeParticleSystems.clear();
    math::SeedRandom(7);
    ASSERT_TRUE(g().SpawnParticleSystem(&desc));
    ASSERT_EQ(g().freeParticleSystems.size(), 10u);
    math::Vec3 previous = a;
    for (ParticleSystem* s : g().freeParticleSystems) {
      EXPECT_EQ(s->total, 2);
      const math::Vec3 step = s->origin - previous;
      for (float v : {step.x, step.y, step.z}) EXPECT_LE(std::fabs(v), size / 4.0f + 1e-5f);
      if (size == 0.0f) {
        EXPECT_EQ(s->origin, a);
      }
      previous = s->origin;
      delete s;
    }
  }
  g().freeParticleSystems.clear();
}

TEST(ParticleSpawn, MissingTextureMakesNothingAndIsReportedOnce) {
  gfxtest::ScratchGameFolder folder({"Art/Texture1.dds"});
  GraphicsHarness h(folder.Root());
  ASSERT_TRUE(h.initialised);
  const math::Vec3 at{0, 0, 0};
  ParticleEffectDesc desc;
  desc.kind = kExplosionParticles;
  desc.vecA = &at;
  desc.size = 15.0f;
  desc.count = 20;
  math::SeedRandom(3);
  EXPECT_FALSE(h.graphics->SpawnParticleSystem(&desc));
  const int next = math::Random();
  math::SeedRandom(3);
  EXPECT_EQ(next, math::Random());  // no emitter was placed
  EXPECT_FALSE(h.graphics->SpawnParticleSystem(&desc));
  EXPECT_TRUE(h.graphics->freeParticleSystems.empty());
  EXPECT_EQ(h.services.MessageBoxes(), (std::vector<std::string>{"Sprite: D3DXCreateTextureFromFile() - FAILED",
                                                                  ": D3DXCreateTextureFromFile() - FAILED"}));
}

// The warp tunnel starts 1200 units ahead of its ring point along its direction.
void ExpectTunnel(const Graphics& g, const Model* owner, math::Vec3 ring, math::Vec3 ahead) {
  int tunnels = 0;
  for (const ParticleSystem* s : g.freeParticleSystems) {
    if (s->kind != kWarpParticles) continue;
    ++tunnels;
    EXPECT_EQ(s->trackedOwner, owner);
    const math::Vec3 start = ring + ahead * 1200.0f;
    EXPECT_LT(math::Vec3Length(s->particles.front().position - start), 1e-3f);
  }
  EXPECT_EQ(tunnels, 1);
}

TEST(WarpEffect, OneTunnelAtTheShipsEngineOrItsModelInTheTitleSceneAndInPlay) {
  EngineHarness h;
  Graphics& g = h.graphics();
  h.engine().StartWarpEffect(true);  // no title ship yet: the black sky only
  EXPECT_NE(g.innerSkybox, nullptr);
  EXPECT_EQ(g.outerSkybox, nullptr);
  EXPECT_TRUE(g.freeParticleSystems.empty());

  Model* ship = nullptr;
  ASSERT_TRUE(g.LoadModel(&ship, "KV01.mdl", 0, 0, 0, false, false));
  ship->Yaw(0.5f);
  h.engine().StartWarpEffect(true);
  h.engine().StartWarpEffect(true);
  const ObjectPart& engine = *ship->parts[1];
  ExpectTunnel(g, ship, engine.lockPoints[0].worldPosition, engine.worldZAxis);

  // A title model without a second part lends its position and axes.
  g.ClearScene();
  Model* bare = nullptr;
  ASSERT_TRUE(g.LoadModel(&bare, "Ret.X", 10, 20, 30, false, false));
  bare->Yaw(-0.3f);
  h.engine().StartWarpEffect(true);
  ExpectTunnel(g, bare, bare->position, bare->zAxis);

  // In play it rings player 0's engine along the rail; it goes when the ship's model goes.
  ASSERT_TRUE(h.engine().LoadLevel("l1z1.kvl"));
  h.engine().forward = math::Vec3Normalize({0, 1, 1});
  Model* playerShip = h.engine().players[0]->GetModel();
  h.engine().StartWarpEffect(false);
  ExpectTunnel(g, playerShip, playerShip->parts[1]->lockPoints[0].worldPosition, h.engine().forward);
  delete h.engine().players[0];
  h.engine().players.clear();
  g.Update(0.01f);
  EXPECT_TRUE(g.freeParticleSystems.empty());
}

}  // namespace
