// The particle kinds on the game's generator seeded to 1: what each is built with, the first birth's lifetime
// (which pins the order of the draws), and the timelines of births, deaths and finishing; the rules that
// would otherwise divide by zero or never end.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/particle_kinds.h"
#include "math/random.h"

namespace {

const math::Vec3 kOrigin{0, 0, 0};
const math::Vec3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};
const ParticleColour kWhite{1, 1, 1, 1}, kClear{1, 0, 0, 0};

int Alive(const ParticleSystem& s) {
  int n = 0;
  for (const Particle& p : s.particles) n += p.alive;
  return n;
}

bool Finite(const Particle& p) {
  for (float v : {p.position.x, p.position.y, p.position.z, p.colour.r, p.colour.a, p.colourRate.a, p.lifetime})
    if (!std::isfinite(v)) return false;
  return true;
}

// Seed 1 draws 41, 18467, 6334, 26500, 19169: u = 0.0041, 0.8467, 0.6334, 0.65, 0.9169. A direction takes the
// first three, so a kind that draws its lifetime after a direction gets u = 0.65.
TEST(ParticleKinds, EachKindsBuffersSizeFirstParticlesAndFirstLifetime) {
  struct Case {
    int kind;
    std::function<std::unique_ptr<ParticleSystem>()> make;
    unsigned capacity, batch;
    float pointSize;
    bool oneShot;
    size_t particles;
    float firstLifetime;
  };
  const Case cases[] = {
      {0, [] { return std::make_unique<ExhaustParticles>(&kOrigin, 0.0f, &kZ, kWhite, kClear, 5.0f, 128); },
       2048, 512, 5.0f, false, 128, 0.23f},
      {1, [] { return std::make_unique<ThrustParticles>(&kOrigin, 0.0f, &kZ, kWhite, kClear, 10.0f, 128); },
       2048, 512, 10.0f, false, 128, 0.295f},
      {2, [] { return std::make_unique<SmallSprayParticles>(&kOrigin, 2.0f, &kZ, 16); }, 128, 64, 10.0f, false, 16,
       0.23f},
      {3, [] { return std::make_unique<GlowParticles>(&kOrigin, kWhite, 7.0f); }, 4, 512, 7.0f, true, 1, 0.0f},
      {4, [] { return std::make_unique<ExplosionParticles>(kOrigin, 0.75f, 0xFFFF8000, 0x00FFFF00, 15.0f, 20); },
       2048, 512, 10.0f, true, 10, 0.36f},
      {5, [] { return std::make_unique<ConvergeParticles>(&kOrigin, 0.8f, 64); }, 2048, 512, 30.5f, true, 64,
       0.77507f},
      {6, [] { return std::make_unique<BeamParticles>(&kOrigin, &kZ, 4.0f, 0xFFFFFFFF, 100); }, 2048, 512, 4.0f,
       true, 100, 0.0f},
      {7, [] { return std::make_unique<StreakParticles>(kOrigin, kZ, 5.0f, 0xFFFFFFFF, 400, 1.0f); }, 1024, 512,
       5.0f, true, 400, 1.0f},
      {8, [] { return std::make_unique<WarpParticles>(&kOrigin, &kX, &kY, &kZ, 80.0f, 10.0f, 4096); }, 4096, 512,
       10.0f, false, 205, 1.2013318f},
      {9, [] { return std::make_unique<ChargeRingParticles>(&kOrigin, &kX, &kY, &kZ, 1.0f, 10.0f, kWhite, kClear, 15); },
       2048, 512, 20.0f, true, 30, 0.1160053f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind));
    math::SeedRandom(1);
    const std::unique_ptr<ParticleSystem> s = c.make();
    EXPECT_EQ(s->kind, c.kind);
    EXPECT_EQ(s->capacity, c.capacity);
    EXPECT_EQ(s->batch, c.batch);
    EXPECT_FLOAT_EQ(s->pointSize, c.pointSize);
    EXPECT_EQ(s->oneShot, c.oneShot);
    EXPECT_EQ(s->baseVertex, 0u);
    EXPECT_FALSE(s->IsFinished());
    ASSERT_EQ(s->particles.size(), c.particles);
    EXPECT_EQ(Alive(*s), static_cast<int>(c.particles));
    EXPECT_NEAR(s->particles.front().lifetime, c.firstLifetime, 1e-5f);
  }
}

TEST(ParticleKinds, ExplosionOfTwentyOverThreeQuartersOfASecond) {
  math::SeedRandom(1);
  ExplosionParticles s(kOrigin, 0.75f, 0xFFFF8000, 0x00FFFF00, 15.0f, 20);
  constexpr float kDt = 0.0625f;  // 1.25 births' worth a frame: one each
  int aliveBefore = Alive(s);
  for (int update = 1; update <= 13; ++update) {
    SCOPED_TRACE("update " + std::to_string(update));
    std::vector<bool> deadBefore;
    for (const Particle& p : s.particles) deadBefore.push_back(!p.alive);
    s.Update(kDt);
    EXPECT_EQ(s.particles.size(), static_cast<size_t>(std::min(10 + update, 20)));
    // From 0.45 s (0.6 of the duration) on, the dead stay dead; only new births add to the living.
    if (s.elapsed >= 0.45f) {
      auto p = s.particles.begin();
      for (size_t i = 0; i < deadBefore.size(); ++i, ++p) EXPECT_FALSE(deadBefore[i] && p->alive);
      EXPECT_LE(Alive(s), aliveBefore + static_cast<int>(s.particles.size() - deadBefore.size()));
    }
    aliveBefore = Alive(s);
    EXPECT_EQ(s.IsFinished(), update == 13);  // 0.8125 s is the first elapsed time past 0.75 s
    for (const Particle& p : s.particles) {
      EXPECT_GE(p.lifetime, 0.1f);
      EXPECT_LT(p.lifetime, 0.5f);  // 0.1 + u * (2/3 * 0.75 - 0.1)
    }
  }

  // At two thirds of the duration or less every lifetime is exactly 0.1.
  ExplosionParticles brief(kOrigin, 0.12f, 0xFFFFFFFF, 0, 15.0f, 8);
  brief.Update(0.01f);
  for (const Particle& p : brief.particles) EXPECT_EQ(p.lifetime, 0.1f);
}

TEST(ParticleKinds, WarpBundlesElevenBirthsAndRebornsTenADeadParticlesPerUpdate) {
  math::SeedRandom(1);
  WarpParticles s(&kOrigin, &kX, &kY, &kZ, 80.0f, 10.0f, 4096);
  EXPECT_EQ(s.emitted, 204);
  // Births 0-10 head for one point of the ring, birth 11 for another.
  std::vector<math::Vec3> headings;
  for (const Particle& p : s.particles) headings.push_back(math::Vec3Normalize(p.velocity));
  for (int i = 1; i <= 10; ++i) EXPECT_NEAR(math::Vec3Dot(headings[0], headings[static_cast<size_t>(i)]), 1.0f, 1e-6f);
  EXPECT_LT(math::Vec3Dot(headings[0], headings[11]), 0.99999f);

  for (Particle& p : s.particles) p.alive = false;
  s.Update(0.001f);
  EXPECT_EQ(Alive(s), 11);  // ten re-born, one new
  EXPECT_EQ(s.particles.size(), 206u);
  int index = 0;
  for (const Particle& p : s.particles) {
    EXPECT_EQ(p.alive, index < 10 || index == 205) << index;
    ++index;
  }
  // Alpha 10 * age^2 / lifetime with the age before the update: 0 for the newborn.
  Particle& first = s.particles.front();
  first.age = 0.2f;
  s.Update(0.001f);
  EXPECT_NEAR(first.colour.a, 10.0f * 0.04f / first.lifetime, 1e-6f);
  EXPECT_EQ(s.emitted, 206);
}

TEST(ParticleKinds, ChargeRingRateAndInstantOrPointRings) {
  math::SeedRandom(1);
  ChargeRingParticles ring(&kOrigin, &kX, &kY, &kZ, 1.0f, 10.0f, kWhite, kClear, 15);
  ring.Update(0.1f);
  EXPECT_EQ(ring.particles.size(), 30u);  // rate 30 at construction, none later
  for (const Particle& p : ring.particles) EXPECT_NEAR(math::Vec3Length(p.drift) * p.lifetime, 10.0f, 1e-3f);

  // A duration of 0 is born whole at once and finishes on its first update; a radius of 0 has nowhere to go
  // and no colour to change.
  ChargeRingParticles instant(&kOrigin, &kX, &kY, &kZ, 0.0f, 10.0f, kWhite, kClear, 15);
  EXPECT_EQ(instant.particles.size(), 15u);
  instant.Update(0.016f);
  EXPECT_TRUE(instant.IsFinished());
  ChargeRingParticles point(&kOrigin, &kX, &kY, &kZ, 1.0f, 0.0f, kWhite, kClear, 15);
  for (int i = 0; i < 3; ++i) point.Update(0.016f);
  for (const Particle& p : point.particles) {
    EXPECT_TRUE(Finite(p));
    EXPECT_EQ(p.colourRate.a, 0.0f);
  }
}

// Where the particles of a line-laying kind lie after its first update, in units from the start.
std::vector<float> Laid(const ParticleSystem& s) {
  std::vector<float> out;
  for (const Particle& p : s.particles) {
    EXPECT_TRUE(Finite(p));
    if (p.alive) out.push_back(math::Vec3Length(p.position));
  }
  return out;
}

TEST(ParticleKinds, BeamsAndStreaksLayTheirParticlesAlongTheLine) {
  const math::Vec3 ten{0, 0, 10}, eight{0, 0, 8}, none{0, 0, 0};
  struct Case {
    const char* what;
    std::function<std::unique_ptr<ParticleSystem>()> make;
    std::vector<float> laid;
  };
  const Case cases[] = {
      {"beam every 3 units, the surplus dead", [&] { return std::make_unique<BeamParticles>(&kOrigin, &ten, 4, 0xFFFFFFFF, 100); },
       {0, 3, 6, 9}},
      {"beam short of its end", [&] { return std::make_unique<BeamParticles>(&kOrigin, &ten, 4, 0xFFFFFFFF, 2); }, {0, 3}},
      {"beam of no length", [&] { return std::make_unique<BeamParticles>(&kOrigin, &kOrigin, 4, 0xFFFFFFFF, 5); }, {0}},
      {"streak every point size / 5", [&] { return std::make_unique<StreakParticles>(kOrigin, eight, 5, 0xFFFFFFFF, 20, 1.0f); },
       {0, 1, 2, 3, 4, 5, 6, 7, 8}},
      {"streak of no length", [&] { return std::make_unique<StreakParticles>(kOrigin, none, 5, 0xFFFFFFFF, 20, 1.0f); }, {0}},
      {"streak of no duration", [&] { return std::make_unique<StreakParticles>(kOrigin, eight, 20, 0xFFFFFFFF, 3, 0.0f); },
       {0, 4, 8}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::unique_ptr<ParticleSystem> s = c.make();
    s->Update(0.1f);
    const std::vector<float> laid = Laid(*s);
    ASSERT_EQ(laid.size(), c.laid.size());
    for (size_t i = 0; i < laid.size(); ++i) EXPECT_NEAR(laid[i], c.laid[i], 1e-5f);
  }
}

TEST(ParticleKinds, StreakFadesFromItsOriginEnd) {
  StreakParticles s(kOrigin, {0, 0, 8}, 5.0f, 0xFFFFFFFF, 9, 1.0f);
  s.Update(0.125f);
  // Alpha = 1 - max(0, 1 - t - 0.3) - T for the particle laid at t, T seconds on.
  EXPECT_NEAR(s.particles.front().colour.a, 0.175f, 1e-5f);
  EXPECT_NEAR(s.particles.back().colour.a, 0.875f, 1e-5f);
  s.Update(0.125f);
  EXPECT_NEAR(s.particles.back().colour.a, 0.75f, 1e-5f);
  for (int i = 0; i < 6; ++i) s.Update(0.125f);
  EXPECT_FALSE(s.IsFinished());  // 1.0 s is not past the duration
  s.Update(0.125f);
  EXPECT_TRUE(s.IsFinished());
}

TEST(ParticleKinds, SpraysConvergersAndGlowsFollowTheirTrackedPoint) {
  math::Vec3 at{5, 0, 0};
  ConvergeParticles converge(&at, 0.8f, 4);
  GlowParticles glow(&at, kWhite, 3.0f);
  ExhaustParticles exhaust(&at, 2.0f, &kZ, kWhite, kClear, 5.0f, 4);
  for (const Particle& p : exhaust.particles) EXPECT_EQ(p.position, (math::Vec3{5, 0, -2}));
  at = {5, 7, 0};
  const Particle before = converge.particles.front();
  converge.Update(0.05f);
  glow.Update(0.05f);
  EXPECT_EQ(glow.particles.front().position, at);
  EXPECT_NEAR(math::Vec3Length(converge.particles.front().position - (at + before.velocity * before.lifetime)), 0.0f,
              1e-4f);
  // A spray's dead particle is born again at the point, not moved in that update.
  exhaust.particles.front().alive = false;
  exhaust.Update(0.05f);
  EXPECT_TRUE(exhaust.particles.front().alive);
  EXPECT_EQ(exhaust.particles.front().position, (math::Vec3{5, 7, -2}));
  EXPECT_EQ(exhaust.particles.front().age, 0.0f);
}

}  // namespace
