// Usage: particle_bench [word]   (only the scenes whose description holds the word)
// Plays the heavy particle scenes (the warp tunnel, a fight frame) at a fixed frame time (16 ms of game time
// a frame) on the native backend at 800 by 600 and prints the median and 99th-percentile frame time, the CPU
// time per frame of all the process's threads, peak memory and the particles drawn, against the frame-cost
// targets.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "particle_scenes.h"
#include "platform/native/native_services.h"

namespace {

constexpr float kFrameSeconds = 0.016f;
constexpr int kWarmUpFrames = 30;
constexpr int kMeasuredFrames = 600;

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct Scene {
  const char* description;
  bool (*build)(Graphics&);
  void (*step)(Graphics&, float);
  int frames = kMeasuredFrames;
};

// Builds one scene on a fresh graphics object, plays it and prints its costs; false when it cannot be set up.
bool Measure(plat::Services& services, const Scene& scene) {
  Graphics graphics;
  if (!graphics.Init(services, 800, 600, false) || !scene.build(graphics)) {
    std::fprintf(stderr, "particle_bench: the scene could not be set up: %s\n", scene.description);
    return false;
  }
  for (int i = 0; i < kWarmUpFrames; ++i) {
    scene.step(graphics, kFrameSeconds);
    graphics.Render();
  }

  std::vector<double> ms, updateMs;
  ms.reserve(scene.frames);
  updateMs.reserve(scene.frames);
  long listed = 0, alive = 0;
  const double cpuBefore = CpuSeconds();
  for (int i = 0; i < scene.frames; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    scene.step(graphics, kFrameSeconds);
    updateMs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    graphics.Render();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    int l = 0, a = 0;
    CountSceneParticles(graphics, &l, &a);
    listed += l;
    alive += a;
  }
  const double cpuMs = (CpuSeconds() - cpuBefore) * 1000.0 / scene.frames;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double median = Percentile(ms, 0.5), p99 = Percentile(ms, 0.99);
  const double peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;

  std::printf("scene: %s, chase view, 800x600\n", scene.description);
  std::printf("particles per frame: %ld listed, %ld alive\n", listed / scene.frames, alive / scene.frames);
  std::printf("frames: %d\n", scene.frames);
  std::printf("ms per frame: median %.3f, 99th percentile %.3f\n", median, p99);
  std::printf("CPU ms per frame (all threads): %.3f\n", cpuMs);
  std::printf("particle update alone: median %.3f ms\n", Percentile(updateMs, 0.5));
  std::printf("peak memory: %.1f MiB\n", peakMiB);
  std::printf("targets (median <= 8, p99 <= 16, CPU <= 10, memory <= 120): %s %s %s %s\n\n",
              median <= 8.0 ? "met" : "MISSED", p99 <= 16.0 ? "met" : "MISSED",
              cpuMs <= 10.0 ? "met" : "MISSED", peakMiB <= 120.0 ? "met" : "MISSED");
  graphics.Shutdown();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // The game runs from the folder that holds Assets.
  if (!std::filesystem::exists("Assets")) std::filesystem::current_path(KV_GAME_DIR);
  std::string error;
  std::unique_ptr<plat::Services> services = plat::CreateNativeServices(plat::NativeConfig{}, &error);
  if (!services) {
    std::fprintf(stderr, "particle_bench: no window: %s\n", error.c_str());
    return 1;
  }
  const Scene scenes[] = {
      {"warp tunnel (4096 particles) and the ship's four exhausts", BuildWarpTunnelScene, StepParticleScene,
       kMeasuredFrames},
      {"fight frame: every weapon's effects at once (bullet and bomb glows, missile exhausts, a level-4 "
       "beam, "
       "rail streaks, poison bursts)",
       BuildFightScene, StepFightScene, kMeasuredFrames},
      {"boss cannon: 15 wide far ahead, a beam a frame", BuildPhantomCannonScene, StepCannonScene, 200},
      {"boss gun: 30 wide nearer, a beam a frame", BuildFrontGunsScene, StepCannonScene, 200},
  };
  bool ok = true;
  for (const Scene& scene : scenes) {
    if (argc > 1 && std::strstr(scene.description, argv[1]) == nullptr) continue;
    ok = Measure(*services, scene) && ok;
  }
  return ok ? 0 : 1;
}
