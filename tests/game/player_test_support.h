// Shared set-up for the player ship's tests: the engine on the headless backend (its graphics object loads
// the built KV01.mdl and Ret.X), a player made as a level load makes it, and the game clock stepped by hand.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>

#include "app/engine.h"
#include "app/game_state.h"
#include "app/timer.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/mesh.h"
#include "graphics/model.h"
#include "harness/engine_harness.h"

namespace playertest {

// Something that touches the ship and deals the given contact damage.
class Toucher : public Entity {
 public:
  explicit Toucher(int contactDamage) { SetDamage(contactDamage); }
};

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(EngineHarness::GameFolder()); }
  void TearDown() override {
    player.reset();
    harness.reset();
  }

  // Builds the engine over the given game folder and a fresh player in the top view.
  void Start(const std::filesystem::path& root) {
    player.reset();
    harness.reset();
    harness = std::make_unique<EngineHarness>(20, root);
    harness->ClearTitleScene();
    engine().state = kTopView;
    player = std::make_unique<Player>(&engine(), &engine().previousState);
  }

  Engine& engine() { return harness->engine(); }
  Graphics& graphics() { return harness->graphics(); }

  // Moves the headless tick on by ms and runs one frame of the game clock.
  void Tick(uint32_t ms) {
    harness->services.AdvanceTicks(ms);
    Timer().Tick();
  }
  // n frames of the given length, each followed by step().
  template <class Step>
  void EachFrame(int n, Step step, uint32_t ms = 20) {
    for (int i = 0; i < n; ++i) {
      Tick(ms);
      step();
    }
  }
  // Frames each followed by Player::Update, or by Player::UpdateMovement only.
  void UpdateFrames(int n, uint32_t ms = 20) {
    EachFrame(
        n, [this] { player->Update(); }, ms);
  }
  void MoveFrames(int n, uint32_t ms = 20) {
    EachFrame(
        n, [this] { player->UpdateMovement(); }, ms);
  }
  // Moves the game clock to at least the given time (ms), in steps of at most 100 ms.
  void AdvanceTo(int timeMs) {
    while (Timer().GetTimeMs() < timeMs) {
      const int left = timeMs - Timer().GetTimeMs();
      Tick(static_cast<uint32_t>(left < 100 ? left : 100));
    }
  }

  // The alpha the ship model's first part hands to the renderer.
  float ModelAlpha() const {
    Model* model = player->GetModel();
    if (model == nullptr || model->parts.empty() || model->parts[0]->mesh == nullptr ||
        model->parts[0]->mesh->materials.empty()) {
      return -1.0f;
    }
    return model->parts[0]->mesh->materials[0].diffuse.a;
  }

  std::unique_ptr<EngineHarness> harness;
  std::unique_ptr<Player> player;
};

}  // namespace playertest
