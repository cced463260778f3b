// Renders a level frame of a generated scene on the native backend (about 5,000 lit textured triangles in
// five models, 40 sprites, 20 text labels, 800 by 600) and prints frames per second, milliseconds per frame
// (median and 99th percentile), peak memory and the heap allocations made per frame.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/sprite.h"
#include "platform/native/native_services.h"

namespace {

std::atomic<long> g_allocations{0};

constexpr int kWarmUpFrames = 30;
constexpr int kMeasuredFrames = 600;

bool BuildScene(Graphics& g) {
  g.titleMode = false;
  g.camera.SetEye({0.0f, 0.0f, -90.0f});
  g.camera.SetAxes({0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f});
  for (int i = 0; i < 5; ++i) {
    Model* rock = nullptr;
    const float x = -36.0f + 18.0f * static_cast<float>(i);
    if (!g.LoadModel(&rock, "BenchRock.X", x, (i % 2 == 0) ? 8.0f : -8.0f, 0.0f, false, false)) return false;
  }
  const char* pictures[2] = {"Assets\\Art\\Paused.dds", "Assets\\Art\\hud_score.bmp"};
  const plat::gpu::Argb black = 0xFF000000;
  for (int i = 0; i < 40; ++i) {
    Sprite* sprite = nullptr;
    const float x = 0.02f + 0.12f * static_cast<float>(i % 8);
    const float y = 0.05f + 0.18f * static_cast<float>(i / 8);
    if (!g.CreateSprite(&sprite, pictures[i % 2], x, y, 0.4f, 0.4f, nullptr, 0.8f, i % 2 ? &black : nullptr, i % 4)) {
      return false;
    }
  }
  for (int i = 0; i < 20; ++i) {
    TextLabel* label = nullptr;
    const std::string text = "Label " + std::to_string(i) + ": 0123456789";
    g.CreateTextLabel(&label, 0.02f + 0.5f * static_cast<float>(i % 2), 0.04f * static_cast<float>(i / 2) + 0.5f,
                      text.c_str(), 0xFFFFFF00);
  }
  return true;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

int main() {
  // The game runs from the folder that holds Assets.
  if (!std::filesystem::exists("Assets")) std::filesystem::current_path(KV_GAME_DIR);
  std::string error;
  std::unique_ptr<plat::Services> services = plat::CreateNativeServices(plat::NativeConfig{}, &error);
  if (!services) {
    std::fprintf(stderr, "render_bench: no window: %s\n", error.c_str());
    return 1;
  }
  {
    Graphics graphics;
    if (!graphics.Init(*services, 800, 600, false) || !BuildScene(graphics)) {
      std::fprintf(stderr, "render_bench: the scene could not be set up\n");
      return 1;
    }
    for (int i = 0; i < kWarmUpFrames; ++i) graphics.Render();

    std::vector<double> ms;
    ms.reserve(kMeasuredFrames);
    const long allocationsBefore = g_allocations.load();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kMeasuredFrames; ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      for (Model* rock : graphics.entityModels) rock->Yaw(0.01f);
      graphics.Render();
      const auto t1 = std::chrono::steady_clock::now();
      ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long allocations = g_allocations.load() - allocationsBefore;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("scene: %zu models of BenchRock.X (1,000 triangles each), %zu sprites, %zu text labels, 800x600, level frame\n",
                graphics.entityModels.size(), graphics.sprites.size(), graphics.textLabels.size());
    std::printf("frames: %d\n", kMeasuredFrames);
    std::printf("frames per second: %.1f\n", kMeasuredFrames / seconds);
    std::printf("ms per frame: median %.3f, 99th percentile %.3f\n", Percentile(ms, 0.5), Percentile(ms, 0.99));
    std::printf("peak memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::printf("heap allocations per frame: %.2f\n", static_cast<double>(allocations) / kMeasuredFrames);
    graphics.Shutdown();
  }
  return 0;
}
