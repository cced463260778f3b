// Builds the Engine on the headless backend and runs it frame by frame at a fixed frame time.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/engine.h"
#include "app/entry.h"
#include "app/timer.h"
#include "graphics/graphics.h"
#include "platform/headless/headless_services.h"
#include "platform/headless/recording_device.h"

class EngineHarness {
 public:
  // Files resolve below the folder that holds the built Assets folder (KV_ASSETS_DIR), or below root.
  explicit EngineHarness(uint32_t frameMs = 20, std::filesystem::path root = GameFolder())
      : services(std::move(root)), frameMs_(frameMs) {
    ResetGlobals();
    services.SetTick(1000);
    engine_ = std::make_unique<Engine>(services);
    g_mainEngine = engine_.get();
  }

  // The folder the game runs from in tests: the parent of KV_ASSETS_DIR, else the working directory.
  static std::filesystem::path GameFolder() {
    const char* assets = std::getenv("KV_ASSETS_DIR");
    if (assets == nullptr || *assets == '\0') return std::filesystem::current_path();
    return std::filesystem::path(assets).parent_path();
  }
  ~EngineHarness() {
    g_mainEngine = nullptr;
    engine_.reset();
    ResetGlobals();
  }

  static void ResetGlobals() {
    g_engine = nullptr;
    g_mainEngine = nullptr;
    g_graphics = nullptr;
    g_gameSpeed = 50.0f;
    Timer::ResetForTests();
  }

  Engine& engine() { return *engine_; }
  Graphics& graphics() { return *engine_->graphics; }
  // What the recording device saw: states, draws, constants, locks; readable after the device is gone.
  const plat::headless::GpuLog& log() const { return *services.DeviceLog(); }
  // Deletes the engine as the program's exit does.
  void DestroyEngine() {
    g_mainEngine = nullptr;
    engine_.reset();
  }

  // One turn of the event loop: the clock moves, one frame runs, then at most one event is handled.
  // False once the quit event has been taken.
  bool Step() {
    services.AdvanceTicks(frameMs_);
    engine_->Frame();
    plat::Event event;
    if (!services.PollEvent(event)) return true;
    if (event.kind == plat::EventKind::Quit) return false;
    HandleWindowEvent(event);
    return true;
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Step();
  }
  // Holds a key down for one frame, then lets it go for one frame.
  void Tap(int key) {
    services.SetKey(key, true);
    Step();
    services.SetKey(key, false);
    Step();
  }
  void SetFrameMs(uint32_t ms) { frameMs_ = ms; }

  int state() const { return engine_->state; }
  int previousState() const { return engine_->previousState; }

  plat::HeadlessServices services;

 private:
  uint32_t frameMs_;
  std::unique_ptr<Engine> engine_;
};
