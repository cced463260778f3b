// Shared set-up for the game object tests: a Graphics on the headless backend over a scratch Assets folder
// with one small mesh, model files written per test, the game clock on the headless tick, and an entity
// that records the collisions reported to it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/timer.h"
#include "assetgen/xfile.h"
#include "game/entity.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "platform/headless/headless_services.h"

namespace gametest {

// One collision sphere of a test model: local centre and radius.
struct Sphere {
  float x, y, z, radius;
};
// The spheres of each part of a test model, in part order.
using Parts = std::vector<std::vector<Sphere>>;

class GameObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    root_ = std::filesystem::temp_directory_path() / ("kv_game_" + std::to_string(::getpid()) + "_" + test);
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "Assets" / "Art");
    WriteArt("Ball.X", TriangleMesh());

    Timer::ResetForTests();
    g_graphics = nullptr;
    services_ = std::make_unique<plat::HeadlessServices>(root_);
    services_->SetTick(1000);
    plat::gpu::Caps caps;
    caps.pixelShaderMajor = 1;  // no shader files: these tests never draw
    services_->SetCaps(caps);
    Timer::SetClock(&services_->clock());
    Timer start;  // the game clock starts at the current tick
    graphics_ = std::make_unique<Graphics>();
    ASSERT_TRUE(graphics_->Init(*services_, 800, 600, true));
  }

  void TearDown() override {
    graphics_.reset();
    services_.reset();
    Timer::ResetForTests();
    g_graphics = nullptr;
    std::filesystem::remove_all(root_);
  }

  void WriteArt(const std::string& name, const std::string& text) {
    std::ofstream out(root_ / "Assets" / "Art" / name, std::ios::binary);
    out << text;
  }

  // Writes name.mdl: one part per entry of parts, each on the Ball mesh with the given spheres.
  void WriteModel(const std::string& name, const Parts& parts) {
    std::string text;
    for (const std::vector<Sphere>& spheres : parts) {
      text += "Object\nBall.X 0 0 0\nLockPoints\nCollision\n";
      for (const Sphere& s : spheres) {
        text += std::to_string(s.x) + " " + std::to_string(s.y) + " " + std::to_string(s.z) + " " +
                std::to_string(s.radius) + " 0 0\n";
      }
    }
    WriteArt(name + ".mdl", text);
  }

  // Advances the headless tick by ms and runs one frame of the game clock.
  void Tick(uint32_t ms) {
    services_->AdvanceTicks(ms);
    Timer().Tick();
  }

  static std::string TriangleMesh() {
    namespace xfile = assetgen::xfile;
    xfile::Mesh mesh;
    mesh.name = "Ball";
    mesh.positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    mesh.faces = {{0, 1, 2}};
    mesh.normals = {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}};
    mesh.uvs = {{0, 1}, {0, 0}, {1, 1}};
    mesh.materials = {xfile::Material{}};
    return xfile::Write({xfile::Frame{"BallFrame", xfile::Identity(), {mesh}, {}}});
  }

  std::filesystem::path root_;
  std::unique_ptr<plat::HeadlessServices> services_;
  std::unique_ptr<Graphics> graphics_;
};

// Appends "<name> hit by <other> part <n>" to a shared log for every collision it is told of.
class SpyEntity : public Entity {
 public:
  SpyEntity(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}

  void OnCollision(Entity* other, int part) override {
    const auto* spy = dynamic_cast<const SpyEntity*>(other);
    log_->push_back(name_ + " hit by " + (spy != nullptr ? spy->name_ : "?") + " part " +
                    std::to_string(part));
  }

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

}  // namespace gametest
