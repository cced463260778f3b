// Plays a scripted flight through the first level at a fixed frame time (16 ms of game time a frame) and
// prints the frame time: on the native backend (the whole frame, rendering included) and on the headless
// backend (the game logic with the recording device in place of the renderer).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/entry.h"
#include "app/timer.h"
#include "bench_support.h"
#include "game/player.h"
#include "platform/headless/headless_services.h"
#include "platform/native/native_services.h"

namespace {

constexpr uint32_t kFrameMs = 16;
constexpr int kFrames = 4000;  // about a minute of game time

// Flies the level on the given services; false when the game cannot start.
bool Fly(const char* name, plat::Services& services, plat::HeadlessServices& script) {
  g_engine = nullptr;
  Timer::ResetForTests();
  script.SetTick(1000);
  std::vector<double> ms;
  ms.reserve(kFrames);
  int segment = 0;
  {
    Engine engine(services);
    engine.SetState(11);  // game start: the first level
    if (engine.players.empty()) return false;
    for (int frame = 0; frame < kFrames && !engine.players.empty(); ++frame) {
      bench::ScriptKeys(script, frame);
      script.AdvanceTicks(kFrameMs);
      const auto t0 = std::chrono::steady_clock::now();
      engine.Frame();
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
      if (!engine.players.empty()) segment = engine.players[0]->railSegment;
    }
  }
  std::printf("%s: %zu frames of %u ms game time, reached waypoint %d\n", name, ms.size(), kFrameMs, segment);
  std::printf("%s: ms per frame: median %.3f, 99th percentile %.3f; peak memory %.1f MiB\n", name,
              bench::Percentile(ms, 0.5), bench::Percentile(ms, 0.99), bench::PeakMemoryMiB());
  g_engine = nullptr;
  return true;
}

}  // namespace

int main() {
  // The game runs from the folder that holds Assets.
  if (!std::filesystem::exists("Assets")) std::filesystem::current_path(KV_GAME_DIR);

  plat::HeadlessServices headless;
  if (!Fly("headless", headless, headless)) {
    std::fprintf(stderr, "flight_bench: the level could not be started headless\n");
    return 1;
  }

  std::string error;
  std::unique_ptr<plat::Services> native = plat::CreateNativeServices(plat::NativeConfig{}, &error);
  if (!native) {
    std::fprintf(stderr, "flight_bench: no window: %s\n", error.c_str());
    return 1;
  }
  plat::HeadlessServices script;
  bench::ScriptedNative services(*native, script);
  if (!Fly("native", services, script)) {
    std::fprintf(stderr, "flight_bench: the level could not be started natively\n");
    return 1;
  }
  return 0;
}
