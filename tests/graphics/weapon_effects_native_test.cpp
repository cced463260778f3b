// Each weapon's effect and the warp tunnel in a play frame of the first level on the OpenGL device (SDL's
// offscreen driver): fired through the ship's own fire calls on a fixed clock, read back, and compared in a
// region ahead of the ship with the same frame drawn without the shots. KV_SHOTS_DIR keeps each frame as PNG.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/game_state.h"
#include "app/timer.h"
#include "enemies/enemy.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "game/projectile.h"
#include "graphics/camera.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "math/random.h"
#include "native_test_support.h"
#include "platform/native/gl_device.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

constexpr int kWidth = 800, kHeight = 600;
constexpr uint32_t kFrameMs = 20;

class FixedClock : public plat::Clock {
 public:
  uint32_t TickCountMs() override { return now; }
  int64_t UnixTimeSeconds() override { return 0; }
  uint32_t now = 1000;
};

enum FireCall { kPrimary, kWeapon, kSuper, kWarp };

// The effect is looked for within `margin` pixels of the line on screen from the spawn point to `aim` (along
// the ship's right, up and forward axes), where an enemy waits when `target` is set; `colour` is 0..1.
struct Case {
  const char* name;
  int view, code, level, fire, framesAfter;
  math::Vec3 aim;
  bool target;
  math::Vec3 colour;
  int margin, minPixels;
};

const Case kCases[] = {
    {"primary_level1", kTopView, 1, 1, kPrimary, 15, {0, 0, 300}, false, {1, 1, 1}, 40, 100},
    {"primary_level4_bomb", kTopView, 1, 1, kSuper, 70, {0, 0, 300}, false, {0, 0.08f, 0}, 40, 1000},
    {"ray_cannon", kTopView, 2, 1, kWeapon, 30, {0, 0, 300}, false, {0, 1, 1}, 40, 3000},
    {"spread_shot", kTopView, 3, 2, kWeapon, 35, {0, 0, 300}, false, {0, 0.5f, 1}, 60, 300},
    {"missile_poison", kRailView, 4, 1, kWeapon, 140, {0, 0, 800}, false, {1, 1, 0}, 60, 300},
    {"railgun", kTopView, 5, 1, kWeapon, 3, {0, 0, 500}, false, {1, 1, 0}, 40, 1000},
    {"railgun_level4_target", kTopView, 5, 1, kSuper, 3, {120, 0, 150}, true, {1, 0, 0}, 40, 800},
    {"warp", kRailView, 1, 1, kWarp, 12, {0, 0, 1200}, false, {0.78f, 1, 1}, 800, 300},
};

// Distance of a pixel from a colour, on the 0..255 scale.
float Distance(uint32_t argb, const math::Vec3& c) {
  const math::Vec3 p{float((argb >> 16) & 0xFF), float((argb >> 8) & 0xFF), float(argb & 0xFF)};
  return math::Vec3Length(p - 255.0f * c);
}

// Screen position of a world point in the last frame drawn.
math::Vec3 OnScreen(const Graphics& g, const math::Vec3& at) {
  const math::Vec3 p = math::Vec3TransformCoord(at, g.viewProj);
  return {(p.x + 1.0f) * 0.5f * kWidth, (1.0f - p.y) * 0.5f * kHeight, 0.0f};
}

// Distance on screen from a pixel to the segment a-b.
float FromSegment(float x, float y, const math::Vec3& a, const math::Vec3& b) {
  const math::Vec3 ab = b - a, ap = math::Vec3{x, y, 0.0f} - a;
  const float length2 = math::Vec3Dot(ab, ab);
  const float t = length2 > 0.0f ? std::clamp(math::Vec3Dot(ap, ab) / length2, 0.0f, 1.0f) : 0.0f;
  return math::Vec3Length(ap - t * ab);
}

void SavePng(const std::string& file, const std::vector<uint32_t>& argb) {
  std::vector<uint8_t> rgb;
  for (uint32_t p : argb) rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
  EXPECT_NE(stbi_write_png(file.c_str(), kWidth, kHeight, 3, rgb.data(), kWidth * 3), 0) << file;
}

// The last frame drawn again and read back. Without the shots, their models and particles and the free
// particle systems are left out, and the shots stay hidden: the case's last drawing.
std::vector<uint32_t> Redraw(Engine& e, bool withShots) {
  Graphics& g = *e.graphics;
  std::vector<ParticleSystem*> free;
  if (!withShots) {
    std::swap(free, g.freeParticleSystems);
    for (Projectile* p : e.objects) {
      if (Model* m = p->GetModel()) m->visible = m->drawParticles = false;
    }
  }
  g.Render();
  if (!withShots) std::swap(free, g.freeParticleSystems);
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  EXPECT_TRUE(plat::ReadBackBufferPixels(*g.device, pixels, &w, &h));
  EXPECT_EQ(w * h, kWidth * kHeight);
  return pixels;
}

using WeaponEffects = gfxtest::NativeServicesTest;

TEST_F(WeaponEffects, EachWeaponsEffectShowsAheadOfTheShip) {
  const char* dir = std::getenv("KV_SHOTS_DIR");
  FixedClock clock;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EngineHarness::ResetGlobals();
    auto engine = std::make_unique<Engine>(*services_);
    Timer::ResetForTests();  // the game's time runs on the fixed clock from here
    Timer::SetClock(&clock);
    auto step = [&] {
      clock.now += kFrameMs;
      engine->Frame();
    };
    math::SeedRandom(7);
    engine->SetState(kGameStart);  // the top view
    if (c.view == kRailView) {
      engine->graphics->camera.SetMode(kModeChase);
      engine->SetState(kRailView);
    }
    Player& player = *engine->GetPlayer();
    player.SetWeaponCode(c.code);
    player.SetWeaponLevel(c.level);
    for (int i = 0; i < 25; ++i) step();  // half a second: the start-up exhaust has burnt out
    const Model& ship = *player.GetModel();
    const math::Vec3 from = SpawnPoint(player);
    const math::Vec3 to = from + c.aim.x * ship.xAxis + c.aim.y * ship.yAxis + c.aim.z * ship.zAxis;
    if (c.target) {  // the enemy manager owns it from here
      auto* enemy = new Enemy();
      enemy->LoadModel("Bullet", false);
      enemy->SetPosition(to.x, to.y, to.z);
      enemy->health = 100;
      auto group = std::make_unique<EnemyGroup>();
      group->members.push_back(enemy);
      engine->enemyManager->GetGroups().push_back(std::move(group));
      engine->enemyManager->count = 1;
    }
    // The key is held from the first frame until the weapon fires, the shots joining the live list.
    bool fired = false;
    for (int held = 0; held < 200 * int(kFrameMs) && !fired; held += kFrameMs) {
      step();
      if (c.fire == kWarp) engine->StartWarpEffect(false);
      const auto made = c.fire == kPrimary  ? player.FirePrimary(held, false)
                        : c.fire == kWeapon ? player.FireWeapon(held)
                        : c.fire == kSuper  ? player.FireSuper(held)
                                            : std::vector<Projectile*>{};
      engine->objects.insert(engine->objects.end(), made.begin(), made.end());
      fired = c.fire == kWarp || !made.empty();
    }
    ASSERT_TRUE(fired);
    for (int i = 0; i < c.framesAfter; ++i) step();
    const std::vector<uint32_t> shot = Redraw(*engine, true), none = Redraw(*engine, false);
    if (dir != nullptr) SavePng(std::string(dir) + "/" + c.name + ".png", shot);
    // The region: within the margin of the line from the spawn point to the aim on screen.
    const math::Vec3 a = OnScreen(*engine->graphics, from), b = OnScreen(*engine->graphics, to);
    int inside = 0, outside = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const size_t i = size_t(y) * kWidth + size_t(x);
        // The shots brought the pixel at least 60 closer to their colour.
        const bool gain = Distance(shot[i], c.colour) + 60.0f < Distance(none[i], c.colour);
        (FromSegment(float(x), float(y), a, b) <= c.margin ? inside : outside) += gain;
      }
    }
    EXPECT_GE(inside, c.minPixels);
    EXPECT_LE(outside * 10, inside) << "the effect is not where it should be";
  }
}

}  // namespace
