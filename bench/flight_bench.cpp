// Plays a scripted flight through the first level at a fixed frame time (16 ms of game time a frame) and
// prints the frame time: on the native backend (the whole frame, rendering included) and on the headless
// backend (the game logic with the recording device in place of the renderer).
#include <sys/resource.h>

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
#include "game/player.h"
#include "platform/headless/headless_services.h"
#include "platform/keyboard.h"
#include "platform/native/native_services.h"

namespace {

constexpr uint32_t kFrameMs = 16;
constexpr int kFrames = 4000;  // about a minute of game time

// The native window, device and files with the headless clock and keyboard, so the flight is the same on
// both backends whatever the machine's speed.
class ScriptedNative final : public plat::Services {
 public:
  ScriptedNative(plat::Services& native, plat::HeadlessServices& script) : native_(native), script_(script) {}
  plat::Window& window() override { return native_.window(); }
  plat::Dialogs& dialogs() override { return native_.dialogs(); }
  plat::Clock& clock() override { return script_.clock(); }
  plat::Keyboards& keyboards() override { return script_.keyboards(); }
  plat::FileSystem& files() override { return native_.files(); }
  plat::gpu::DeviceFactory& gpu() override { return native_.gpu(); }
  plat::Audio& audio() override { return native_.audio(); }

 private:
  plat::Services& native_;
  plat::HeadlessServices& script_;
};

// Weaves the ship about: a pattern of held direction keys that changes every half second.
void ScriptKeys(plat::HeadlessServices& keys, int frame) {
  static const int kPattern[][2] = {{plat::key::Left, plat::key::Up},
                                    {plat::key::Right, plat::key::Up},
                                    {plat::key::Right, plat::key::Down},
                                    {plat::key::Left, plat::key::Down}};
  keys.ReleaseAllKeys();
  const auto& held = kPattern[(frame / 30) % 4];
  keys.SetKey(held[0], true);
  keys.SetKey(held[1], true);
  keys.SetKey(plat::key::D, frame % 8 < 4);
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

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
      ScriptKeys(script, frame);
      script.AdvanceTicks(kFrameMs);
      const auto t0 = std::chrono::steady_clock::now();
      engine.Frame();
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
      if (!engine.players.empty()) segment = engine.players[0]->railSegment;
    }
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%s: %zu frames of %u ms game time, reached waypoint %d\n", name, ms.size(), kFrameMs, segment);
  std::printf("%s: ms per frame: median %.3f, 99th percentile %.3f; peak memory %.1f MB\n", name,
              Percentile(ms, 0.5), Percentile(ms, 0.99), static_cast<double>(usage.ru_maxrss) / 1024.0);
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
  ScriptedNative services(*native, script);
  if (!Fly("native", services, script)) {
    std::fprintf(stderr, "flight_bench: the level could not be started natively\n");
    return 1;
  }
  return 0;
}
