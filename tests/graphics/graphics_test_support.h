// Shared set-up for the graphics object's tests: a Graphics on the headless backend, a copy of the built
// Assets folder with files left out, scene building helpers and event-order matching.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/mesh.h"
#include "graphics/model.h"
#include "harness/engine_harness.h"
#include "platform/headless/headless_services.h"
#include "platform/headless/recording_device.h"

namespace gfxtest {

// A scratch game folder holding a copy of the built Assets folder without the named files.
class ScratchGameFolder {
 public:
  explicit ScratchGameFolder(const std::vector<std::string>& omit = {}) {
    const std::filesystem::path source = EngineHarness::GameFolder() / "Assets";
    root_ = std::filesystem::temp_directory_path() /
            ("kv_gfx_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::filesystem::create_directories(root_);
    std::filesystem::copy(source, root_ / "Assets", std::filesystem::copy_options::recursive);
    for (const std::string& name : omit) std::filesystem::remove(root_ / "Assets" / name);
  }
  ~ScratchGameFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  const std::filesystem::path& Root() const { return root_; }

 private:
  static inline int counter_ = 0;
  std::filesystem::path root_;
};

// A Graphics made on the headless services; Init is the caller's choice.
class GraphicsHarness {
 public:
  explicit GraphicsHarness(std::filesystem::path root = EngineHarness::GameFolder(), bool init = true)
      : services(std::move(root)) {
    g_graphics = nullptr;
    graphics = std::make_unique<Graphics>();
    if (init) initialised = graphics->Init(services, 800, 600, false);
  }
  ~GraphicsHarness() {
    graphics.reset();
    g_graphics = nullptr;
  }

  const plat::headless::GpuLog& log() const { return *services.DeviceLog(); }

  // A one-part model of a cached mesh, appended to the given list of the graphics object.
  Model* AddModel(std::vector<Model*>& list, const char* meshPath = "Assets\\Art\\TestCube.X") {
    int index = graphics->FindMesh(meshPath);
    if (index < 0) index = graphics->LoadMesh(meshPath);
    EXPECT_GE(index, 0) << meshPath;
    auto* model = new Model();
    if (index >= 0) model->parts.push_back(new ObjectPart(graphics->meshes[static_cast<size_t>(index)]));
    list.push_back(model);
    return model;
  }

  // Renders one frame; the frame's log moves to the Previous* lists at presentation.
  bool Frame() { return graphics->Render(); }

  plat::HeadlessServices services;
  std::unique_ptr<Graphics> graphics;
  bool initialised = false;
};

// Index of the first event at or after `from` equal to `text`, or -1.
inline int FindEvent(const std::vector<std::string>& events, const std::string& text, int from = 0) {
  for (size_t i = static_cast<size_t>(std::max(from, 0)); i < events.size(); ++i) {
    if (events[i] == text) return static_cast<int>(i);
  }
  return -1;
}

// Checks that `expected` occurs in `events` in this order (other events may lie between).
inline ::testing::AssertionResult InOrder(const std::vector<std::string>& events,
                                          const std::vector<std::string>& expected) {
  int at = 0;
  for (const std::string& e : expected) {
    const int found = FindEvent(events, e, at);
    if (found < 0) return ::testing::AssertionFailure() << "\"" << e << "\" missing after event " << at;
    at = found + 1;
  }
  return ::testing::AssertionSuccess();
}

inline int CountEvents(const std::vector<std::string>& events, const std::string& text) {
  return static_cast<int>(std::count(events.begin(), events.end(), text));
}

// Draw records only (markers dropped).
inline std::vector<const plat::headless::DrawRecord*> DrawsOf(
    const std::vector<plat::headless::DrawRecord>& all) {
  std::vector<const plat::headless::DrawRecord*> draws;
  for (const auto& d : all) {
    if (d.kind == plat::headless::DrawRecord::Kind::Draw) draws.push_back(&d);
  }
  return draws;
}

}  // namespace gfxtest
