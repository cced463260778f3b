// Builds the Engine on the headless backend and runs it frame by frame at a fixed frame time.
#pragma once

#include <memory>

#include "app/engine.h"
#include "app/entry.h"
#include "app/timer.h"
#include "platform/headless/headless_services.h"

class EngineHarness {
 public:
  explicit EngineHarness(uint32_t frameMs = 20) : frameMs_(frameMs) {
    ResetGlobals();
    services.SetTick(1000);
    engine_ = std::make_unique<Engine>(services);
    g_mainEngine = engine_.get();
  }
  ~EngineHarness() {
    g_mainEngine = nullptr;
    engine_.reset();
    ResetGlobals();
  }

  static void ResetGlobals() {
    g_engine = nullptr;
    g_mainEngine = nullptr;
    g_gameSpeed = 50.0f;
    Timer::ResetForTests();
  }

  Engine& engine() { return *engine_; }

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
