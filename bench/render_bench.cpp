// The frame cost of each play view: flies the first level headless with scripted keys, takes the scene of a
// chosen frame of each view (camera, drawn scenery, ship, sky), renders it again and again on the native
// backend at 800 by 600 and prints the frame time, the CPU time per frame of the whole process and its peak
// memory, with the game logic alone and the start to the first frame, against the targets.
// --scan renders every eighth frame of the flight instead and names the heaviest frame of each view;
// --frames N measures N frames a scene (300 by default).
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/game_state.h"
#include "app/timer.h"
#include "bench_support.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/sprite.h"
#include "platform/native/gl_device.h"
#include "platform/native/native_services.h"

// Under callgrind (--instr-atstart=no) only the measured frames of each scene are counted, one dump a frame;
// each frame is then waited for (by reading the back buffer), so its rasterising is counted with it.
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define RUNNING_ON_VALGRIND 0
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#define CALLGRIND_DUMP_STATS_AT(name)
#endif

namespace {

constexpr uint32_t kFrameMs = 16;
constexpr float kFrameSeconds = 0.016f;
constexpr int kMaxFlightFrames = 20000;
constexpr int kWarmUpFrames = 20;
constexpr int kMeasuredFrames = 300;
constexpr int kScanStep = 8;
constexpr int kScanFrames = 2;
constexpr int kScanFinalists = 8;
constexpr int kScanRounds = 5;
constexpr int kScanRoundFrames = 10;

// The heaviest frame of each view in the scripted flight of the shipped level: --scan's candidates (whose
// costs lie within the noise of a busy machine) ranked by callgrind's count of instructions per frame.
struct Scene {
  const char* view;
  int state;
  int frame;
};
constexpr Scene kScenes[] = {{"top", kTopView, 2360}, {"side", kSideView, 3120}, {"chase", kRailView, 7304}};

// What a frame draws that the flight has moved: the camera, the scenery group, the game's models, the turn
// of the outer sky and the screen pictures (the display slides its own in and out by view).
struct Snapshot {
  struct Part {
    math::Matrix local, modelWorld;
    float hitFlash = 0.0f;
  };
  struct Pose {
    bool visible = true;
    std::vector<Part> parts;
  };
  int frame = 0, state = 0, segment = 0;
  float progress = 0.0f;
  math::Vec3 eye, look, up, right;
  int group = 0;
  std::vector<Pose> models;  // entity models, then blended models
  math::Matrix outerSky = math::MatrixIdentity();
  float colorAdd[3] = {};
  std::vector<std::pair<std::string, Sprite>> sprites;  // by texture name: the flight ran on another device
};

std::vector<Model*> GameModels(const Graphics& g) {
  std::vector<Model*> all = g.entityModels;
  all.insert(all.end(), g.blendedModels.begin(), g.blendedModels.end());
  return all;
}

Snapshot Take(const Engine& engine, int frame) {
  const Graphics& g = *engine.graphics;
  Snapshot s;
  s.frame = frame;
  s.state = engine.state;
  s.segment = engine.players.empty() ? 0 : engine.players[0]->railSegment;
  s.progress = engine.players.empty() ? 0.0f : engine.players[0]->railProgress;
  s.eye = g.camera.GetEye();
  s.look = g.camera.GetLook();
  s.up = g.camera.GetUp();
  s.right = g.camera.GetRight();
  s.group = g.currentGroup;
  for (Model* model : GameModels(g)) {
    Snapshot::Pose pose;
    pose.visible = model->visible;
    for (ObjectPart* part : model->parts) {
      if (part != nullptr) pose.parts.push_back({part->local, part->modelWorld, part->hitFlash});
    }
    s.models.push_back(std::move(pose));
  }
  if (g.outerSkybox != nullptr) s.outerSky = g.outerSkybox->rotation;
  std::copy(std::begin(g.colorAdd), std::end(g.colorAdd), s.colorAdd);
  for (const Sprite* sprite : g.sprites) {
    if (sprite->texture != nullptr) s.sprites.emplace_back(sprite->texture->Name(), *sprite);
  }
  return s;
}

// False when the scene's models do not match those of the graphics object.
bool Apply(const Snapshot& s, Graphics& g) {
  const std::vector<Model*> models = GameModels(g);
  if (models.size() != s.models.size()) return false;
  // The display makes its pictures anew with each life and deletes passing ones: each picture takes the
  // state of the one with its texture and rank among those in the scene, and any left over is hidden.
  std::vector<bool> taken(s.sprites.size(), false);
  for (Sprite* sprite : g.sprites) {
    sprite->visible = false;
    for (size_t i = 0; i < s.sprites.size() && sprite->texture != nullptr; ++i) {
      if (!taken[i] && s.sprites[i].first == sprite->texture->Name()) {
        plat::gpu::Texture* texture = sprite->texture;
        *sprite = s.sprites[i].second;
        sprite->texture = texture;
        taken[i] = true;
        break;
      }
    }
  }
  for (size_t m = 0; m < models.size(); ++m) {
    models[m]->visible = s.models[m].visible;
    size_t k = 0;
    for (ObjectPart* part : models[m]->parts) {
      if (part == nullptr) continue;
      if (k >= s.models[m].parts.size()) return false;
      part->local = s.models[m].parts[k].local;
      part->modelWorld = s.models[m].parts[k].modelWorld;
      part->hitFlash = s.models[m].parts[k].hitFlash;
      ++k;
    }
  }
  g.camera.SetEye(s.eye);
  g.camera.SetAxes(s.look, s.up, s.right);
  g.currentGroup = s.group;
  g.RebuildVisibleSet();
  if (g.outerSkybox != nullptr) g.outerSkybox->rotation = s.outerSky;
  std::copy(std::begin(s.colorAdd), std::end(s.colorAdd), g.colorAdd);
  return true;
}

void ResetGame() {
  g_engine = nullptr;
  g_gameSpeed = 50.0f;
  Timer::ResetForTests();
}

// Starts the first level without its enemies: the scenes measure the level's own models (the fights have
// fight_bench), and an enemy left out of a replayed frame would leave the models unmatched.
void StartLevelWithoutEnemies(Engine& engine) {
  engine.SetState(kGameStart);
  std::erase_if(engine.graphics->levelEvents, [](const LevelEvent& e) { return e.kind == kEnemySpawn; });
}

// Flies the level headless from the game start to the end of the track; visit sees the engine after each
// frame. The game logic's time per frame lands in logicMs.
bool FlyHeadless(const std::function<void(int, const Engine&)>& visit, std::vector<double>* logicMs) {
  ResetGame();
  plat::HeadlessServices services;
  services.SetTick(1000);
  Engine engine(services);
  StartLevelWithoutEnemies(engine);
  if (engine.players.empty()) return false;
  const int lastSegment = static_cast<int>(engine.graphics->waypoints.size()) - 2;
  for (int frame = 0; frame < kMaxFlightFrames && !engine.players.empty(); ++frame) {
    // No shots: a snapshot replays the level's own models, and the shots' effects have particle_bench.
    bench::ScriptKeys(services, frame, false);
    services.AdvanceTicks(kFrameMs);
    const auto t0 = std::chrono::steady_clock::now();
    engine.Frame();
    if (logicMs != nullptr)
      logicMs->push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    visit(frame, engine);
    if (!engine.players.empty() && engine.players[0]->railSegment >= lastSegment &&
        engine.players[0]->railProgress >= 1.0f)
      break;
  }
  ResetGame();
  return true;
}

struct Figures {
  double medianMs = 0, p99Ms = 0, cpuMs = 0;
};

// Draws the scene `frames` times as the game's frame does (graphics update, then render). With a label, each
// frame is counted by callgrind under it.
Figures Measure(Graphics& g, int frames, const char* label = nullptr) {
  std::vector<double> ms;
  ms.reserve(static_cast<size_t>(frames));
  const bool counted = label != nullptr && RUNNING_ON_VALGRIND;
  if (counted) CALLGRIND_START_INSTRUMENTATION;
  const double cpuBefore = bench::CpuSeconds();
  for (int i = 0; i < frames; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    g.Update(kFrameSeconds);
    g.Render();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    if (RUNNING_ON_VALGRIND) plat::FinishDrawing(*g.device);  // the frame's drawing counted in its dump
    if (counted) CALLGRIND_DUMP_STATS_AT(label);
  }
  if (counted) CALLGRIND_STOP_INSTRUMENTATION;
  Figures f;
  f.medianMs = bench::Percentile(ms, 0.5);
  f.p99Ms = bench::Percentile(ms, 0.99);
  f.cpuMs = (bench::CpuSeconds() - cpuBefore) * 1000.0 / frames;
  return f;
}

// Seconds since the process started, from the kernel's record of its start (10 ms resolution).
double SecondsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return -1.0;
  // Field 22 (starttime) is the 20th after the command name.
  const char* p = text.c_str() + close + 2;
  for (int field = 3; field < 22 && p != nullptr; ++field) {
    p = std::strchr(p, ' ');
    if (p != nullptr) ++p;
  }
  if (p == nullptr) return -1.0;
  const double started = std::strtod(p, nullptr) / static_cast<double>(sysconf(_SC_CLK_TCK));
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9 - started;
}

const char* ViewName(int state) {
  for (const Scene& scene : kScenes) {
    if (scene.state == state) return scene.view;
  }
  return nullptr;
}

// Renders every kScanStep-th frame of the flight in a play view, then the heaviest few again, in turn over
// several rounds, each keeping its least cost (what other processes add to a round is not the frame's), and
// prints the heaviest frame of each view.
int Scan(Engine& engine, const std::vector<Snapshot>& snapshots) {
  Graphics& g = *engine.graphics;
  struct Cost {
    const Snapshot* snapshot;
    double cpuMs;
  };
  std::vector<Cost> costs;
  for (const Snapshot& s : snapshots) {
    if (!Apply(s, g)) {
      std::fprintf(stderr, "render_bench: flight frame %d's models do not match the level's\n", s.frame);
      return 1;
    }
    g.Render();
    costs.push_back({&s, Measure(g, kScanFrames).cpuMs});
  }
  for (const Scene& scene : kScenes) {
    std::vector<Cost> view;
    for (const Cost& c : costs) {
      if (c.snapshot->state == scene.state) view.push_back(c);
    }
    std::sort(view.begin(), view.end(), [](const Cost& a, const Cost& b) { return a.cpuMs > b.cpuMs; });
    view.resize(std::min<size_t>(view.size(), kScanFinalists));
    for (Cost& c : view) c.cpuMs = 1e9;
    for (int round = 0; round < kScanRounds; ++round) {
      for (Cost& c : view) {
        Apply(*c.snapshot, g);
        Measure(g, kScanFrames);
        c.cpuMs = std::min(c.cpuMs, Measure(g, kScanRoundFrames).cpuMs);
      }
    }
    Cost heaviest{nullptr, 0.0};
    for (const Cost& c : view) {
      std::printf("%s: frame %d (waypoint %d, progress %.2f): CPU %.2f ms per frame\n", scene.view,
                  c.snapshot->frame, c.snapshot->segment, c.snapshot->progress, c.cpuMs);
      if (c.cpuMs > heaviest.cpuMs) heaviest = c;
    }
    if (heaviest.snapshot != nullptr)
      std::printf("%s: heaviest frame %d\n", scene.view, heaviest.snapshot->frame);
  }
  return 0;
}

int Bench(Engine& engine, const std::vector<Snapshot>& snapshots, const std::vector<double>& logicMs,
          double startSeconds, int frames) {
  Graphics& g = *engine.graphics;
  const bench::Targets targets;
  std::string missed;
  auto check = [&missed](bool met, const std::string& what) {
    if (!met) missed += (missed.empty() ? "" : ", ") + what;
  };
  for (const Scene& scene : kScenes) {
    const auto found = std::find_if(snapshots.begin(), snapshots.end(),
                                    [&](const Snapshot& s) { return s.frame == scene.frame; });
    if (found == snapshots.end() || found->state != scene.state) {
      std::fprintf(stderr,
                   "render_bench: flight frame %d is no longer in the %s view: run render_bench --scan\n",
                   scene.frame, scene.view);
      return 1;
    }
    if (!Apply(*found, g)) {
      std::fprintf(stderr, "render_bench: the %s scene's models do not match the level's\n", scene.view);
      return 1;
    }
    Measure(g, kWarmUpFrames);
    const Figures f = Measure(g, frames, scene.view);
    std::printf(
        "%-5s view (flight frame %d, waypoint %d): frame median %.2f ms, 99th percentile %.2f ms; "
        "CPU %.2f ms per frame\n",
        scene.view, scene.frame, found->segment, f.medianMs, f.p99Ms, f.cpuMs);
    const std::string view = scene.view;
    check(f.medianMs <= targets.medianMs, view + " median");
    check(f.p99Ms <= targets.p99Ms, view + " 99th percentile");
    check(f.cpuMs <= targets.cpuMs, view + " CPU");
  }
  const double peak = bench::PeakMemoryMiB();
  const double logicMedian = bench::Percentile(logicMs, 0.5);
  std::printf(
      "peak memory %.1f MiB; game logic alone (headless) median %.3f ms, 99th percentile %.3f ms; "
      "start to first frame %.2f s\n",
      peak, logicMedian, bench::Percentile(logicMs, 0.99), startSeconds);
  check(peak <= targets.peakMiB, "peak memory");
  check(logicMedian <= targets.logicMs, "game logic");
  check(startSeconds >= 0.0 && startSeconds <= targets.startSeconds, "start to first frame");
  std::printf(
      "targets (median <= %.0f ms, 99th percentile <= %.0f ms, CPU <= %.0f ms per frame, peak <= %.0f MiB, "
      "logic <= %.1f ms, start <= %.1f s): %s%s\n",
      targets.medianMs, targets.p99Ms, targets.cpuMs, targets.peakMiB, targets.logicMs, targets.startSeconds,
      missed.empty() ? "all met" : "missed: ", missed.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool scan = false;
  int frames = kMeasuredFrames;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--scan") == 0) {
      scan = true;
    } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
      frames = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: render_bench [--scan] [--frames N]\n");
      return 2;
    }
  }
  // The game runs from the folder that holds Assets.
  if (!std::filesystem::exists("Assets")) std::filesystem::current_path(KV_GAME_DIR);
  const char* threads = std::getenv("LP_NUM_THREADS");
  std::printf("render_bench: 800x600 on the native backend, LP_NUM_THREADS=%s\n",
              threads != nullptr ? threads : "unset");

  std::string error;
  std::unique_ptr<plat::Services> native = plat::CreateNativeServices(plat::NativeConfig{}, &error);
  if (!native) {
    std::fprintf(stderr, "render_bench: no window: %s\n", error.c_str());
    return 1;
  }
  // As the game starts: the engine, then its first frame.
  double startSeconds = -1.0;
  {
    ResetGame();
    Engine first(*native);
    first.Frame();
    startSeconds = SecondsSinceProcessStart();
  }

  std::vector<Snapshot> snapshots;
  std::vector<double> logicMs;
  const bool flown = FlyHeadless(
      [&](int frame, const Engine& engine) {
        const bool wanted = scan ? frame % kScanStep == 0 && ViewName(engine.state) != nullptr
                                 : std::any_of(std::begin(kScenes), std::end(kScenes),
                                               [frame](const Scene& s) { return s.frame == frame; });
        if (wanted) snapshots.push_back(Take(engine, frame));
      },
      &logicMs);
  if (!flown) {
    std::fprintf(stderr, "render_bench: the level could not be started headless\n");
    return 1;
  }

  plat::HeadlessServices script;
  script.SetTick(1000);
  bench::ScriptedNative services(*native, script);
  ResetGame();
  int result = 0;
  {
    Engine engine(services);
    StartLevelWithoutEnemies(engine);
    if (engine.players.empty()) {
      std::fprintf(stderr, "render_bench: the level could not be started natively\n");
      return 1;
    }
    // The ship stays where the scene puts it: the player object does not run.
    result = scan ? Scan(engine, snapshots) : Bench(engine, snapshots, logicMs, startSeconds, frames);
  }
  ResetGame();
  return result;
}
