// The first level fought whole on the native backend by the tests' autopilot (steering at enemies and
// power-ups, both guns firing, god mode) at 20 ms of game time a frame: prints the frame time and the CPU
// time per frame of the whole level and of its busiest two seconds (the most CPU), with the peak memory,
// against the frame-cost targets.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/game_state.h"
#include "app/timer.h"
#include "bench_support.h"
#include "harness/autopilot.h"
#include "math/random.h"
#include "platform/native/native_services.h"

namespace {

constexpr uint32_t kFrameMs = 20;
constexpr int kMaxFrames = 4 * 60 * 50;
constexpr size_t kWindow = 100;  // two seconds of game time
constexpr uint32_t kSeed = 3;

struct Frame {
  double ms;
  double cpuMs;
  size_t enemies;
  size_t shots;
};

void Report(const char* what, const std::vector<Frame>& frames, size_t from, size_t to) {
  std::vector<double> ms;
  double cpu = 0.0;
  for (size_t i = from; i < to; ++i) {
    ms.push_back(frames[i].ms);
    cpu += frames[i].cpuMs;
  }
  const double cpuPerFrame = cpu / static_cast<double>(to - from);
  const double median = bench::Percentile(ms, 0.5), p99 = bench::Percentile(ms, 0.99);
  std::printf("%s: %zu frames: median %.2f ms, 99th percentile %.2f ms, CPU %.2f ms a frame\n", what,
              to - from, median, p99, cpuPerFrame);
  std::printf("%s against the targets (median <= 8, p99 <= 16, CPU <= 10): %s %s %s\n", what,
              median <= 8.0 ? "met" : "MISSED", p99 <= 16.0 ? "met" : "MISSED",
              cpuPerFrame <= 10.0 ? "met" : "MISSED");
}

}  // namespace

int main() {
  if (!std::filesystem::exists("Assets")) std::filesystem::current_path(KV_GAME_DIR);
  std::string error;
  std::unique_ptr<plat::Services> native = plat::CreateNativeServices(plat::NativeConfig{}, &error);
  if (!native) {
    std::fprintf(stderr, "fight_bench: no window: %s\n", error.c_str());
    return 1;
  }
  plat::HeadlessServices script;
  bench::ScriptedNative services(*native, script);
  Timer::ResetForTests();
  script.SetTick(1000);

  std::vector<Frame> frames;
  {
    Engine engine(services);
    math::SeedRandom(kSeed);
    engine.SetState(kGameStart);
    if (engine.players.empty()) {
      std::fprintf(stderr, "fight_bench: the first level could not be started\n");
      return 1;
    }
    engine.players[0]->godmode = true;
    for (int frame = 0; frame < kMaxFrames && !autopilot::AtEnd(engine); ++frame) {
      autopilot::SetKeys(engine, script, frame);
      script.AdvanceTicks(kFrameMs);
      const double cpu0 = bench::CpuSeconds();
      const auto t0 = std::chrono::steady_clock::now();
      engine.Frame();
      const auto t1 = std::chrono::steady_clock::now();
      frames.push_back({std::chrono::duration<double, std::milli>(t1 - t0).count(),
                        (bench::CpuSeconds() - cpu0) * 1000.0, engine.enemyManager->Members().size(),
                        engine.objects.size() + engine.enemyObjects.size()});
    }
    std::printf("fight_bench: %zu frames to the end of the level, score %d\n", frames.size(), engine.score);
  }
  g_engine = nullptr;
  if (frames.size() < kWindow) return 1;

  size_t busiest = 0;
  double cpu = 0.0, best = -1.0;
  for (size_t i = 0; i < frames.size(); ++i) {
    cpu += frames[i].cpuMs;
    if (i >= kWindow) cpu -= frames[i - kWindow].cpuMs;
    if (i + 1 >= kWindow && cpu > best) best = cpu, busiest = i + 1 - kWindow;
  }
  Report("whole level", frames, 0, frames.size());
  std::printf("busiest two seconds from frame %zu (%zu enemies, %zu shots and drops at its start)\n", busiest,
              frames[busiest].enemies, frames[busiest].shots);
  Report("busiest fight", frames, busiest, busiest + kWindow);
  std::printf("peak memory %.1f MiB (target <= 120): %s\n", bench::PeakMemoryMiB(),
              bench::PeakMemoryMiB() <= 120.0 ? "met" : "MISSED");
  return 0;
}
