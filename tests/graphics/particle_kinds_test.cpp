// The particle kinds on the game's generator seeded to 1: what each is built with, the first birth's lifetime
// (which pins the order of the draws), the timelines of births, deaths and finishing, and the rules that
// would otherwise divide by zero or never end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/particle_kinds.h"
#include "math/random.h"

namespace {

using Make = std::function<std::unique_ptr<ParticleSystem>()>;
const math::Vec3 kO{0, 0, 0}, kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};
const ParticleColour kWhite{1, 1, 1, 1}, kClear{1, 0, 0, 0};

int Alive(const ParticleSystem& s) {
  int n = 0;
  for (const Particle& p : s.particles) n += p.alive;
  return n;
}

// Seed 1 draws u = 0.0041, 0.8467, 0.6334, 0.65, 0.9169: a direction takes the first three, so a kind that
// draws a lifetime after its direction gets 0.65.
TEST(ParticleKinds, EachKindsFirstParticlesAndFirstLifetime) {
  const struct {
    Make make;
    size_t particles;
    float firstLifetime;
  } cases[] = {
      {[] { return std::make_unique<ExhaustParticles>(&kO, 0.f, &kZ, kWhite, kClear, 5.f, 128); }, 128, .23f},
      {[] { return std::make_unique<ThrustParticles>(&kO, 0.f, &kZ, kWhite, kClear, 10.f, 128); }, 128,
       .295f},
      {[] { return std::make_unique<SmallSprayParticles>(&kO, 2.f, &kZ, 16); }, 16, .23f},
      {[] { return std::make_unique<GlowParticles>(&kO, kWhite, 7.f); }, 1, 0},
      {[] { return std::make_unique<ExplosionParticles>(kO, .75f, 0xFFFF8000, 0, 15.f, 20); }, 10, .36f},
      {[] { return std::make_unique<ConvergeParticles>(&kO, .8f, 64); }, 64, .77507f},
      {[] { return std::make_unique<BeamParticles>(&kO, &kZ, 4.f, 0xFFFFFFFF, 100); }, 100, 0},
      {[] { return std::make_unique<StreakParticles>(kO, kZ, 5.f, 0xFFFFFFFF, 400, 1.f); }, 400, 1},
      {[] { return std::make_unique<WarpParticles>(&kO, &kX, &kY, &kZ, 80.f, 10.f, 4096); }, 205, 1.2013318f},
      {[] {
         return std::make_unique<ChargeRingParticles>(&kO, &kX, &kY, &kZ, 1.f, 10.f, kWhite, kClear, 15);
       },
       30, .1160053f},
  };
  for (int kind = 0; kind < 10; ++kind) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    const auto& c = cases[kind];
    math::SeedRandom(1);
    const std::unique_ptr<ParticleSystem> s = c.make();
    EXPECT_EQ(s->kind, kind);
    EXPECT_FALSE(s->IsFinished());
    ASSERT_EQ(s->particles.size(), c.particles);
    EXPECT_EQ(Alive(*s), static_cast<int>(c.particles));
    EXPECT_NEAR(s->particles.front().lifetime, c.firstLifetime, 1e-5f);
  }
}

TEST(ParticleKinds, ExplosionOfTwentyOverThreeQuartersOfASecond) {
  math::SeedRandom(1);
  ExplosionParticles s(kO, 0.75f, 0xFFFF8000, 0x00FFFF00, 15.0f, 20);
  for (int update = 1; update <= 13; ++update) {
    SCOPED_TRACE("update " + std::to_string(update));
    std::vector<bool> deadBefore;
    for (const Particle& p : s.particles) deadBefore.push_back(!p.alive);
    s.Update(0.0625f);  // 1.25 births' worth a frame: one each
    EXPECT_EQ(s.particles.size(), static_cast<size_t>(std::min(10 + update, 20)));
    auto p = s.particles.begin();
    // From 0.45 s (0.6 of the duration) on, the dead stay dead.
    for (size_t i = 0; i < deadBefore.size(); ++i, ++p)
      EXPECT_FALSE(s.elapsed >= 0.45f && deadBefore[i] && p->alive);
    for (const Particle& q : s.particles) EXPECT_TRUE(q.lifetime >= 0.1f && q.lifetime < 0.5f);
    EXPECT_EQ(s.IsFinished(), update == 13);  // 0.8125 s is the first elapsed time past 0.75 s
  }
  // At two thirds of the duration or less every lifetime is exactly 0.1.
  ExplosionParticles brief(kO, 0.12f, 0xFFFFFFFF, 0, 15.0f, 8);
  brief.Update(0.01f);
  for (const Particle& p : brief.particles) EXPECT_EQ(p.lifetime, 0.1f);
}

TEST(ParticleKinds, WarpBundlesElevenBirthsAndReBirthsTenDeadParticlesAnUpdate) {
  math::SeedRandom(1);
  WarpParticles s(&kO, &kX, &kY, &kZ, 80.0f, 10.0f, 4096);
  std::vector<math::Vec3> heading;
  for (const Particle& p : s.particles) heading.push_back(math::Vec3Normalize(p.velocity));
  for (size_t i = 1; i <= 10; ++i) EXPECT_NEAR(math::Vec3Dot(heading[0], heading[i]), 1.0f, 1e-6f);
  EXPECT_LT(math::Vec3Dot(heading[0], heading[11]), 0.99999f);

  for (Particle& p : s.particles) p.alive = false;
  s.Update(0.001f);
  ASSERT_EQ(s.particles.size(), 206u);
  int index = 0;
  for (const Particle& p : s.particles) {
    EXPECT_EQ(p.alive, index < 10 || index == 205) << index;
    ++index;
  }
}

TEST(ParticleKinds, ChargeRingsAtTheirRateAndInstantOrPointRings) {
  math::SeedRandom(1);
  ChargeRingParticles ring(&kO, &kX, &kY, &kZ, 1.0f, 10.0f, kWhite, kClear, 15);
  ring.Update(0.1f);
  EXPECT_EQ(ring.particles.size(), 30u);  // rate 30 at construction, none later
  // A duration of 0 is born whole at once and finishes on its first update; a radius of 0 has no way to go
  // and no colour to change.
  ChargeRingParticles instant(&kO, &kX, &kY, &kZ, 0.0f, 10.0f, kWhite, kClear, 15);
  EXPECT_EQ(instant.particles.size(), 15u);
  instant.Update(0.016f);
  EXPECT_TRUE(instant.IsFinished());
  ChargeRingParticles point(&kO, &kX, &kY, &kZ, 1.0f, 0.0f, kWhite, kClear, 15);
  for (int i = 0; i < 3; ++i) point.Update(0.016f);
  for (const Particle& p : point.particles) EXPECT_TRUE(std::isfinite(p.colour.a) && p.colourRate.a == 0.0f);
}

TEST(ParticleKinds, BeamsAndStreaksLayTheirParticlesAlongTheLine) {
  const math::Vec3 ten{0, 0, 10}, eight{0, 0, 8};
  const struct {
    const char* what;
    Make make;
    std::vector<float> laid;  // units from the start of the alive particles
  } cases[] = {
      {"beam every 3 units, the surplus dead",
       [&] { return std::make_unique<BeamParticles>(&kO, &ten, 4, ~0u, 100); },
       {0, 3, 6, 9}},
      {"beam short of its end",
       [&] { return std::make_unique<BeamParticles>(&kO, &ten, 4, ~0u, 2); },
       {0, 3}},
      {"beam of no length", [&] { return std::make_unique<BeamParticles>(&kO, &kO, 4, ~0u, 5); }, {0}},
      {"streak every point size / 5",
       [&] { return std::make_unique<StreakParticles>(kO, eight, 5, ~0u, 20, 1.f); },
       {0, 1, 2, 3, 4, 5, 6, 7, 8}},
      {"streak of no length",
       [&] { return std::make_unique<StreakParticles>(kO, kO, 5, ~0u, 20, 1.f); },
       {0}},
      {"streak of no duration",
       [&] { return std::make_unique<StreakParticles>(kO, eight, 20, ~0u, 3, 0.f); },
       {0, 4, 8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::unique_ptr<ParticleSystem> s = c.make();
    s->Update(0.1f);
    std::vector<float> laid;
    for (const Particle& p : s->particles) {
      EXPECT_TRUE(std::isfinite(p.position.z) && std::isfinite(p.colour.a));
      if (p.alive) laid.push_back(math::Vec3Length(p.position));
    }
    EXPECT_THAT(laid, testing::Pointwise(testing::FloatNear(1e-5f), c.laid));
  }
}

TEST(ParticleKinds, StreakFadesFromItsOriginEnd) {
  StreakParticles s(kO, {0, 0, 8}, 5.0f, 0xFFFFFFFF, 9, 1.0f);
  s.Update(0.125f);
  // Alpha = 1 - max(0, 1 - t - 0.3) - T for the particle laid at t, T seconds on.
  EXPECT_NEAR(s.particles.front().colour.a, 0.175f, 1e-5f);
  EXPECT_NEAR(s.particles.back().colour.a, 0.875f, 1e-5f);
  for (int i = 0; i < 7; ++i) s.Update(0.125f);
  EXPECT_NEAR(s.particles.back().colour.a, 0.0f, 1e-5f);
  EXPECT_FALSE(s.IsFinished());  // 1.0 s is not past the duration
  s.Update(0.125f);
  EXPECT_TRUE(s.IsFinished());
}

TEST(ParticleKinds, ConvergersAndSpraysFollowTheirTrackedPoint) {
  math::Vec3 at{5, 0, 0};
  ConvergeParticles converge(&at, 0.8f, 4);
  ExhaustParticles exhaust(&at, 2.0f, &kZ, kWhite, kClear, 5.0f, 4);
  at = {5, 7, 0};
  const Particle before = converge.particles.front();
  converge.Update(0.05f);
  // A converging particle reaches the point at the end of its life, wherever the point has gone; a spray's
  // dead particle is born again behind the point, not moved in that update.
  const math::Vec3 arrival = at + before.velocity * before.lifetime;
  EXPECT_LT(math::Vec3Length(converge.particles.front().position - arrival), 1e-4f);
  exhaust.particles.front().alive = false;
  exhaust.Update(0.05f);
  EXPECT_EQ(exhaust.particles.front().position, (math::Vec3{5, 7, -2}));
}

}  // namespace
