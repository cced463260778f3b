// Particle systems on the recording device: the vertex ring's locks and draws frame by frame (the clamp of a
// batch larger than the buffer included), a lock that fails, colour packing, what each effect request makes
// and with which texture, a missing texture, the warp tunnel the engine starts, which pictures are drawn by
// formula and which beams the particle pass draws a pile at a time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <list>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/engine.h"
#include "game/player.h"
#include "graphics/beam_piles.h"
#include "graphics/particle_discs.h"
#include "graphics/particle_kinds.h"
#include "graphics_test_support.h"
#include "harness/engine_harness.h"
#include "math/random.h"

namespace {

namespace gpu = plat::gpu;
using gfxtest::GraphicsHarness;

// Particles at (i, 0, 0), the first `alive` of them alive, over a buffer of the given shape.
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

// One frame's locks ("first vertex+vertices", D discard or N no-overwrite), then its draws ("start:count").
std::string RenderTrace(RingSystem& s, const plat::headless::GpuLog& log) {
  const size_t locks = log.Locks().size(), draws = log.Draws().size();
  s.Render();
  std::string trace;
  for (size_t i = locks; i < log.Locks().size(); ++i) {
    const auto& l = log.Locks()[i];
    trace += std::to_string(l.offset / 16) + "+" + std::to_string(l.size / 16) +
             (l.mode == gpu::LockMode::Discard ? "D " : "N ") + (l.ok ? "" : "FAILED ");
  }
  trace += "|";
  for (size_t i = draws; i < log.Draws().size(); ++i) {
    const auto& d = log.Draws()[i];
    const bool points = d.primitive == gpu::Primitive::PointList && d.state.fvf == kPointFvf;
    trace +=
        " " + std::to_string(d.startVertex) + ":" + std::to_string(d.primitiveCount) + (points ? "" : "?");
  }
  return trace;
}

TEST(ParticleRing, LocksDrawsAndWritesFrameByFrameAndSkipsAFrameWhoseLockFails) {
  GraphicsHarness h;
  ASSERT_TRUE(h.initialised);
  const struct {
    const char* what;
    unsigned capacity, batch;
    int alive, dead;
    std::string first, second;
  } cases[] = {
      {"only dead particles: one empty batch", 2048, 512, 0, 5, "0+512D |", "512+512N |"},
      {"exactly one batch, then an empty lock", 2048, 512, 512, 0, "0+512D 512+512N | 0:512",
       "1024+512N 1536+512N | 1024:512"},
      {"past the capacity the ring wraps with a discard", 1024, 512, 1100, 3,
       "0+512D 512+512N 0+512D | 0:512 512:512 0:76", "512+512N 0+512D 512+512N | 512:512 0:512 512:76"},
      {"a batch larger than the buffer locks what the buffer holds", 4, 512, 1, 0, "0+4D | 0:1",
       "0+4D | 0:1"},
      {"and wraps when its particles fill it", 4, 512, 6, 0, "0+4D 0+4D | 0:4 0:2", "0+4D 0+4D | 0:4 0:2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RingSystem s(c.capacity, c.batch, c.alive, c.dead);
    ASSERT_TRUE(s.Init(h.graphics->device.get(), nullptr));
    EXPECT_EQ(RenderTrace(s, h.log()), c.first);
    EXPECT_EQ(RenderTrace(s, h.log()), c.second);
  }
  for (const std::string& e : h.log().Events()) EXPECT_NE(e.rfind("Error", 0), 0u) << e;

  // Positions and packed colours are written; a frame whose lock fails draws nothing and writes nowhere.
  RingSystem s(2048, 512, 3, 1);
  ASSERT_TRUE(s.Init(h.graphics->device.get(), nullptr));
  s.Render();
  PointVertex written[3];
  std::memcpy(written, s.vertexBuffer->Lock(0, sizeof written, gpu::LockMode::Normal), sizeof written);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(written[i].x, static_cast<float>(i));
    EXPECT_EQ(written[i].colour, 0xFFFF8000u);  // (1, 0.5, 0, 1): 0.5 * 255 + 0.5 = 128
  }
  // The buffer is still locked.
  EXPECT_EQ(RenderTrace(s, h.log()), "512+512N FAILED |");
  s.vertexBuffer->Unlock();
  EXPECT_EQ(RenderTrace(s, h.log()), "512+512N | 512:3");

  const struct {
    ParticleColour colour;
    gpu::Argb argb;
  } colours[] = {{{1, 1, 1, 1}, 0xFFFFFFFF},
                 {{2, -1, 0.5f, 1.5f}, 0xFFFF0080},
                 {{0.2f, 0, 0, 0}, 0x00330000},  // 51.5: 51
                 {{NAN, 0.1f, 0, NAN}, 0x00001A00}};
  for (const auto& c : colours) EXPECT_EQ(ColourToArgb(c.colour), c.argb);
}

class SpawnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.initialised);
    owner = h.AddModel(h.graphics->entityModels);
    desc = {owner, &a, &b, &c, &d, &e, 15.0f, 0, 20, 0.75f, {1, 0, 0, 1}, {0, 0, 1, 0.5f}, 4.0f};
  }
  Graphics& g() { return *h.graphics; }

  GraphicsHarness h;
  Model* owner = nullptr;
  math::Vec3 a{1, 2, 3}, b{0, 0, 50}, c{0, 0, 1}, d{1, 0, 0}, e{0, 1, 0};
  ParticleEffectDesc desc;
};

TEST_F(SpawnTest, EachRequestMakesItsSystemsWithTheirTextureOrNothing) {
  // Each buffer holds the most particles its system ever has: the count of 20, one glow, a tenth of the
  // count per explosion emitter, and the 54 a charge ring of 0.75 s is born with.
  const struct {
    int kind;
    bool attached;
    size_t attachedSystems, freeSystems;  // nothing made: 0 and 0
    char texture;                         // '1' or '3'
    uint32_t vertices;                    // in each system's buffer
  } cases[] = {{0, true, 1, 0, '3', 20},  {1, true, 1, 0, '3', 20},  {2, true, 1, 0, '3', 20},
               {3, true, 1, 0, '3', 1},   {5, true, 1, 0, '3', 20},  {6, true, 2, 0, '1', 20},
               {8, true, 1, 0, '1', 20},  {9, true, 1, 0, '3', 54},  {4, true, 0, 0, 0, 0},
               {7, true, 0, 0, 0, 0},     {-1, true, 0, 0, 0, 0},    {4, false, 0, 10, '1', 2},
               {7, false, 0, 1, '1', 20}, {8, false, 0, 1, '1', 20}, {0, false, 0, 0, 0, 0},
               {10, false, 0, 0, 0, 0}};
  for (const auto& k : cases) {
    SCOPED_TRACE("kind " + std::to_string(k.kind) + (k.attached ? " attached" : " free"));
    desc.kind = k.kind;
    desc.attached = k.attached;
    EXPECT_EQ(g().SpawnParticleSystem(&desc), k.attachedSystems + k.freeSystems > 0);
    ASSERT_EQ(owner->particleSystems.size(), k.attachedSystems);
    ASSERT_EQ(g().freeParticleSystems.size(), k.freeSystems);
    for (auto* list : {&owner->particleSystems, &g().freeParticleSystems}) {
      for (ParticleSystem* s : *list) {
        EXPECT_EQ(s->kind, k.kind);
        EXPECT_EQ(s->texture->Name(), std::string("Assets\\Art\\Texture") + k.texture + ".dds");
        EXPECT_EQ(s->vertexBuffer != nullptr ? s->vertexBuffer->SizeBytes() : 0u,
                  k.vertices * sizeof(PointVertex));
        delete s;
      }
      list->clear();
    }
  }
  // Without its owner, or a vector its kind reads, a request makes nothing.
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
  EXPECT_EQ(ColourToArgb(owner->particleSystems[0]->particles.front().colour), ColourToArgb(desc.colourB));
  EXPECT_EQ(ColourToArgb(owner->particleSystems[1]->particles.front().colour), ColourToArgb(desc.colourA));

  // Each emitter starts where the one before was placed, at most size / 4 away per axis, with a tenth of the
  // count. A size below 1 leaves no room for offsets and divides by nothing.
  desc.kind = kExplosionParticles;
  desc.attached = false;
  for (float size : {15.0f, 0.5f, 0.0f}) {
    SCOPED_TRACE(size);
    desc.size = size;
    ASSERT_TRUE(g().SpawnParticleSystem(&desc));
    ASSERT_EQ(g().freeParticleSystems.size(), 10u);
    math::Vec3 previous = a;
    for (ParticleSystem* s : g().freeParticleSystems) {
      EXPECT_EQ(s->total, 2);
      const math::Vec3 step = s->origin - previous;
      for (float v : {step.x, step.y, step.z}) EXPECT_LE(std::fabs(v), size / 4.0f + 1e-5f);
      previous = s->origin;
      delete s;
    }
    g().freeParticleSystems.clear();
  }
}

TEST(ParticleSpawn, MissingTextureMakesNothingAndIsReportedOnce) {
  gfxtest::ScratchGameFolder folder({"Art/Texture1.dds"});
  GraphicsHarness h(folder.Root());
  ASSERT_TRUE(h.initialised);
  const math::Vec3 at{0, 0, 0};
  const ParticleEffectDesc desc{.vecA = &at, .size = 15.0f, .kind = kExplosionParticles, .count = 20};
  math::SeedRandom(3);
  EXPECT_FALSE(h.graphics->SpawnParticleSystem(&desc));
  const int next = math::Random();
  math::SeedRandom(3);
  EXPECT_EQ(next, math::Random());  // no emitter was placed
  EXPECT_FALSE(h.graphics->SpawnParticleSystem(&desc));
  EXPECT_TRUE(h.graphics->freeParticleSystems.empty());
  EXPECT_EQ(h.services.MessageBoxes(),
            (std::vector<std::string>{"Sprite: D3DXCreateTextureFromFile() - FAILED",
                                      ": D3DXCreateTextureFromFile() - FAILED"}));
}

// One tunnel, tracking `owner`, whose first particle starts 1200 units ahead of the ring's centre.
void ExpectTunnel(const Graphics& g, const Model* owner, math::Vec3 centre, math::Vec3 ahead) {
  ASSERT_EQ(g.freeParticleSystems.size(), 1u);
  const ParticleSystem& s = *g.freeParticleSystems[0];
  EXPECT_EQ(s.kind, kWarpParticles);
  EXPECT_EQ(s.trackedOwner, owner);
  EXPECT_LT(math::Vec3Length(s.particles.front().position - (centre + ahead * 1200.0f)), 1e-3f);
}

TEST(WarpEffect, OneTunnelAtTheShipsEngineOrItsModelInTheTitleSceneAndInPlay) {
  EngineHarness h;
  Graphics& g = h.graphics();
  h.ClearTitleScene();
  h.engine().StartWarpEffect(true);  // no title ship: the black sky only
  EXPECT_TRUE(g.innerSkybox != nullptr && g.outerSkybox == nullptr);
  EXPECT_TRUE(g.freeParticleSystems.empty());

  Model* ship = nullptr;
  ASSERT_TRUE(g.LoadModel(&ship, "KV01.mdl", 0, 0, 0, false, false));
  ship->Yaw(0.5f);
  h.engine().StartWarpEffect(true);
  h.engine().StartWarpEffect(true);
  ExpectTunnel(g, ship, ship->parts[1]->lockPoints[0].worldPosition, ship->parts[1]->worldZAxis);

  // A title model without a second part lends its position and axes.
  g.ClearScene();
  ASSERT_TRUE(g.LoadModel(&ship, "Ret.X", 10, 20, 30, false, false));
  ship->Yaw(-0.3f);
  h.engine().StartWarpEffect(true);
  ExpectTunnel(g, ship, ship->position, ship->zAxis);

  // In play it rings player 0's engine along the rail, and goes when the ship's model goes.
  ASSERT_TRUE(h.engine().LoadLevel("l1z1.kvl"));
  h.engine().forward = math::Vec3Normalize({0, 1, 1});
  ship = h.engine().players[0]->GetModel();
  h.engine().StartWarpEffect(false);
  ExpectTunnel(g, ship, ship->parts[1]->lockPoints[0].worldPosition, h.engine().forward);
  delete h.engine().players[0];
  h.engine().players.clear();
  g.Update(0.01f);
  EXPECT_TRUE(g.freeParticleSystems.empty());
}

// What the particle pass draws in turn, seen from 100 units behind the origin: beams along line A (y 20) or
// line B (y -20) of a length in particles, a beam along A in other colours (W), one along A not laid yet
// (u, drawn as made), and glows on line A (a) or between the lines (f). A pile is written as its line with
// its beams' lengths; a system drawn sprite by sprite by its letter. A pile drawn is one band of triangles
// by the piles' program; in wireframe, where the band would show its edges, its beams are drawn as sprites.
TEST(BeamPlan, BeamsAlongOneLinePileUpWithoutChangingWhatOverlapsThem) {
  GraphicsHarness h;
  ASSERT_TRUE(h.initialised);
  Graphics& g = *h.graphics;
  g.camera.SetEye({0, 0, -100});
  g.camera.SetAxes({0, 0, 1}, {0, 1, 0}, {1, 0, 0});
  beams::View view{g.camera.GetViewMatrix(), {}, 800.0f, 600.0f};
  view.viewProj = math::MatrixMultiply(view.view, g.device->GetTransform(gpu::TransformKind::Projection));
  const struct {
    const char* drawn;
    const char* plan;
  } cases[] = {
      {"A100 A98 A96", "A(100,98,96)"},
      {"A100 f A98", "f A(100,98)"},
      {"A100 a A98", "A(100) a A(98)"},
      {"A100 B100 A98 B98", "A(100,98) B(100,98)"},
      {"A98 A100", "A(98) A(100)"},
      {"A100 u A98", "A(100) u u A(98)"},
      {"A100 W100 A98", "A(100) W(100) A(98)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.drawn);
    std::list<math::Vec3> places;  // the effects track them
    std::map<const ParticleSystem*, char> names;
    std::vector<ParticleSystem*> systems;
    std::istringstream drawn(c.drawn);
    for (std::string item; drawn >> item;) {
      Model* holder = h.AddModel(g.entityModels);
      const math::Vec3 start =
          item[0] == 'f' ? math::Vec3{} : math::Vec3{-40, item[0] == 'B' ? -20.0f : 20.0f, 0};
      // A particle every 3 units up to the length, and a unit to spare.
      const int discs = item.size() > 1 ? std::stoi(item.substr(1)) : 100;
      ParticleEffectDesc desc{holder, &places.emplace_back(start)};
      desc.vecB = &places.emplace_back(start + math::Vec3{3.0f * static_cast<float>(discs) - 2.0f, 0, 0});
      desc.kind = item[0] == 'a' || item[0] == 'f' ? kGlowParticles : kBeamParticles;
      desc.count = 100;
      desc.pointSize = 10.0f;
      desc.colourA = item[0] == 'W' ? ParticleColour{1, 1, 1, 1} : ParticleColour{0, 0, 0, 1};
      desc.colourB = {1, 0, 0, 1};
      desc.attached = true;
      ASSERT_TRUE(g.SpawnParticleSystem(&desc));
      for (ParticleSystem* s : holder->particleSystems) {
        if (item[0] != 'u') s->Update(0.02f);
        names[s] = item[0];
        systems.push_back(s);
      }
    }
    const beams::Plan plan = beams::PlanParticles(systems, view);
    std::string made;
    for (const beams::Step& step : plan.steps) {
      made += made.empty() ? "" : " ";
      if (step.system != nullptr) {
        made += names[step.system];
        continue;
      }
      const beams::Pile& pile = plan.piles[static_cast<size_t>(step.pile)];
      made += names[pile.beams.front().layers[0]] + std::string("(");
      for (const beams::Beam& beam : pile.beams)
        made += std::to_string(beam.discs) + (&beam == &pile.beams.back() ? ")" : ",");
    }
    EXPECT_EQ(made, c.plan);
    for (auto fill : {gpu::Fill::Solid, gpu::Fill::Wireframe}) {
      if (&c != &cases[0]) break;
      g.device->SetRenderState(gpu::RenderState::FillMode, static_cast<uint32_t>(fill));
      g.Render();
      std::map<std::string, int> drawn;  // by pixel program
      for (const auto& d : h.log().PreviousDraws()) {
        if (d.primitive == gpu::Primitive::PointList || d.state.pixelShader == "beam piles pixel")
          ++drawn[d.state.pixelShader];
      }
      EXPECT_EQ(drawn, (fill == gpu::Fill::Solid
                            ? std::map<std::string, int>{{"beam piles pixel", 1}}
                            : std::map<std::string, int>{{"Assets\\Art\\Texture1.dds by formula", 6}}));
    }
    g.ClearScene();
  }
}

// A picture is drawn by formula only where its file holds the disc: with the other picture copied over it,
// its sprites read it again, and with the spark's gone so do the beams, drawn sprite by sprite.
TEST(ParticleDiscs, APictureIsDrawnByItsFormulaOnlyWhereItsFileHoldsIt) {
  const struct {
    const char *copied, *over;
    bool spark, glow;
  } cases[] = {{nullptr, nullptr, true, true},
               {"Texture3.dds", "Texture1.dds", false, true},
               {"Texture1.dds", "Texture3.dds", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.over != nullptr ? c.over : "as shipped");
    gfxtest::ScratchGameFolder folder;
    if (c.copied != nullptr) {
      const std::filesystem::path art = folder.Root() / "Assets" / "Art";
      std::filesystem::copy_file(art / c.copied, art / c.over,
                                 std::filesystem::copy_options::overwrite_existing);
    }
    GraphicsHarness h(folder.Root());
    ASSERT_TRUE(h.initialised);
    Graphics& g = *h.graphics;
    for (auto [picture, drawn] : {std::pair{kSparkPicture, c.spark}, std::pair{kGlowPicture, c.glow}}) {
      const int texture = g.LoadTexture(picture, nullptr);
      ASSERT_GE(texture, 0);
      const bool byFormula =
          g.particleDiscs != nullptr &&
          g.particleDiscs->For(g.sceneTextures[static_cast<size_t>(texture)].texture.get());
      EXPECT_EQ(byFormula, drawn) << picture;
    }
    EXPECT_EQ(g.beamPiles != nullptr, c.spark);
  }
}

}  // namespace
