// Builds the Engine on the headless backend and runs it frame by frame at a fixed frame time.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/entry.h"
#include "app/timer.h"
#include "frontend/menu.h"
#include "graphics/graphics.h"
#include "platform/headless/headless_services.h"
#include "platform/headless/recording_device.h"

// A game folder of its own (removed with it) whose Assets folder is a link to the built one: the game's
// files read as usual while the files it writes (the high-score table) stay out of the shared folder.
class LinkedGameFolder {
 public:
  explicit LinkedGameFolder(const std::filesystem::path& assets) {
    root_ = std::filesystem::temp_directory_path() /
            ("kv_game_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    std::filesystem::create_directory_symlink(std::filesystem::absolute(assets), root_ / "Assets");
  }
  ~LinkedGameFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);  // removes the link, not what it points to
  }
  LinkedGameFolder(const LinkedGameFolder&) = delete;
  LinkedGameFolder& operator=(const LinkedGameFolder&) = delete;
  const std::filesystem::path& Root() const { return root_; }

 private:
  static inline int counter_ = 0;
  std::filesystem::path root_;
};

class EngineHarness {
  // On the shared game folder the harness runs in a linked folder of its own; first, as services use it.
  std::unique_ptr<LinkedGameFolder> linked_;

 public:
  // Files resolve below the folder that holds the built Assets folder (KV_ASSETS_DIR), or below root. The
  // engine seeds the game's generator with the clock's seconds, unixTime.
  explicit EngineHarness(uint32_t frameMs = 20, std::filesystem::path root = GameFolder(),
                         int64_t unixTime = 0)
      : linked_(root == GameFolder() ? std::make_unique<LinkedGameFolder>(root / "Assets") : nullptr),
        services(linked_ != nullptr ? linked_->Root() : std::move(root)),
        frameMs_(frameMs) {
    ResetGlobals();
    services.SetTick(1000);
    services.SetUnixTime(unixTime);
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
  // Removes the menu with its splash pictures and the title scene (ship, title model, warp tunnel), for tests
  // that look at the scene or the screen on their own.
  void ClearTitleScene() {
    delete g_menu;
    g_menu = nullptr;
    engine_->graphics->ClearScene();
  }
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

  // A key going down or up at a time in milliseconds from now.
  struct KeyChange {
    uint32_t ms;
    int key;
    bool down;
  };
  // Runs frames while the changes (in time order) arrive between them: each reaches the keyboard before the
  // first frame that starts at or after its time. Stops after the frame that reads the last.
  void PlayKeyChanges(const std::vector<KeyChange>& changes) {
    uint32_t now = 0;
    for (size_t next = 0; next < changes.size();) {
      now += frameMs_;
      for (; next < changes.size() && changes[next].ms <= now; ++next)
        services.QueueKey(changes[next].key, changes[next].down);
      Step();
    }
  }

  int state() const { return engine_->state; }
  int previousState() const { return engine_->previousState; }

  plat::HeadlessServices services;

 private:
  uint32_t frameMs_;
  std::unique_ptr<Engine> engine_;
};
