// A recorded playthrough replayed on the native backend with the keys, seed and frame time of its stream:
// the run's dump must equal the stored one (the same game the test replays headless). Prints the frame time
// (median, 99th percentile, worst) and the CPU time per frame of the whole game, of each zone's play and of
// the splashes, menu and end screens, with the peak memory, against the frame-cost targets.
// --shots DIR saves the picture of each state, zone, life and boss change the dump records and of each boss's
// first appearance, as BMP files named by frame.
// Usage: playthrough_bench [win|lose] [--shots DIR]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/engine.h"
#include "app/entry.h"
#include "bench_support.h"
#include "harness/autopilot.h"
#include "harness/bmp_writer.h"
#include "harness/engine_harness.h"
#include "harness/key_stream.h"
#include "harness/playthrough_run.h"
#include "platform/native/gl_device.h"
#include "platform/native/native_services.h"
#include "platform/window.h"

namespace {

namespace fs = std::filesystem;
using playthrough::StateName;

constexpr int kShotDelayFrames = 75;       // screens slide in: the picture is taken a moment after the change
constexpr int kBossShotDelayFrames = 100;  // a boss comes into view from beyond the screen

struct Frame {
  double ms;
  double cpuMs;
  int part;  // index into kParts
  int state;
};
const char* const kParts[] = {"splashes, menu and end screens", "zone 1 play", "zone 2 play"};

// The part of the game a frame belongs to: play (with the level start, pause and console) by the display's
// zone, else the screens around it.
int PartOf(int state) {
  const int zone = playthrough::Run::Zone();
  return state >= kLevelStart && state <= kConsole && (zone == 1 || zone == 2) ? zone : 0;
}

struct Figures {
  size_t frames = 0;
  double median = 0, p99 = 0, worst = 0, cpu = 0;
  size_t worstAt = 0;
};

Figures Measure(const std::vector<Frame>& frames, int part) {
  std::vector<double> ms;
  Figures f;
  double cpu = 0.0;
  for (size_t i = 0; i < frames.size(); ++i) {
    if (part >= 0 && frames[i].part != part) continue;
    ms.push_back(frames[i].ms);
    cpu += frames[i].cpuMs;
    if (frames[i].ms > f.worst) f.worst = frames[i].ms, f.worstAt = i;
  }
  f.frames = ms.size();
  if (ms.empty()) return f;
  f.median = bench::Percentile(ms, 0.5);
  f.p99 = bench::Percentile(ms, 0.99);
  f.cpu = cpu / static_cast<double>(ms.size());
  return f;
}

// A picture due at a frame, taken only if the game is still in the state it was asked in.
struct Shot {
  int due;
  int state;
  std::string name;
};

class Shots {
 public:
  explicit Shots(fs::path folder) : folder_(std::move(folder)) {}
  bool On() const { return !folder_.empty(); }
  void Ask(int frame, int delay, int state, const std::string& what) {
    if (!On()) return;
    char name[96];
    std::snprintf(name, sizeof name, "%05d-%s.bmp", frame + delay, what.c_str());
    due_.push_back({frame + delay, state, name});
  }
  // Takes the pictures due at this frame from the back buffer.
  void Take(int frame, int state, plat::gpu::Device& device) {
    for (auto it = due_.begin(); it != due_.end();) {
      if (it->due != frame) {
        ++it;
        continue;
      }
      std::vector<uint32_t> pixels;
      int width = 0, height = 0;
      if (it->state == state) {
        if (plat::ReadBackBufferPixels(device, pixels, &width, &height) &&
            bmp::Write((folder_ / it->name).string(), pixels, width, height)) {
          ++taken;
        } else {
          std::fprintf(stderr, "playthrough_bench: %s could not be saved\n", it->name.c_str());
        }
      }
      it = due_.erase(it);
    }
  }
  int taken = 0;

 private:
  fs::path folder_;
  std::vector<Shot> due_;
};

void Print(const char* what, const Figures& f, const std::vector<Frame>& frames) {
  if (f.frames == 0) return;
  std::printf(
      "%-30s %6zu frames: median %6.2f ms, 99th percentile %6.2f ms, worst %7.2f ms (frame %zu, %s), "
      "CPU %6.2f ms a frame\n",
      what, f.frames, f.median, f.p99, f.worst, f.worstAt, StateName(frames[f.worstAt].state), f.cpu);
}

int Usage() {
  std::fprintf(stderr, "usage: playthrough_bench [win|lose] [--shots DIR]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string name = "win";
  fs::path shotFolder;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--shots") == 0 && i + 1 < argc) {
      shotFolder = fs::absolute(argv[++i]);
    } else if (std::strcmp(argv[i], "win") == 0 || std::strcmp(argv[i], "lose") == 0) {
      name = argv[i];
    } else {
      return Usage();
    }
  }
  keystream::KeyStream stream;
  std::string error;
  const std::string streamFile = std::string(KV_PLAYTHROUGH_DIR) + "/" + name + ".keys";
  if (!keystream::Read(streamFile, stream, error)) {
    std::fprintf(stderr, "playthrough_bench: %s\n", error.c_str());
    return 1;
  }
  const std::string expected = playthrough::ReadFile(std::string(KV_PLAYTHROUGH_DIR) + "/" + name + ".dump");
  if (!shotFolder.empty()) {
    std::error_code made;
    fs::create_directories(shotFolder, made);
    if (!fs::is_directory(shotFolder)) {
      std::fprintf(stderr, "playthrough_bench: %s is not a folder\n", shotFolder.string().c_str());
      return 1;
    }
  }

  // A game folder of its own, so that the high-score table starts empty as in the test and the shared one
  // is left alone.
  if (!fs::exists("Assets")) fs::current_path(KV_GAME_DIR);
  LinkedGameFolder game(fs::current_path() / "Assets");
  const fs::path previousFolder = fs::current_path();
  fs::current_path(game.Root());
  std::unique_ptr<plat::Services> native = plat::CreateNativeServices(plat::NativeConfig{}, &error);
  if (!native) {
    std::fprintf(stderr, "playthrough_bench: no window: %s\n", error.c_str());
    return 1;
  }
  const char* threads = std::getenv("LP_NUM_THREADS");
  std::printf(
      "playthrough_bench: the %s stream, %d frames of %u ms, seed %u, on the native backend at 800x600, "
      "LP_NUM_THREADS=%s\n",
      name.c_str(), stream.frames, stream.frameMs, stream.seed, threads != nullptr ? threads : "unset");

  plat::HeadlessServices script;
  bench::ScriptedNative services(*native, script);
  EngineHarness::ResetGlobals();
  script.SetTick(1000);
  script.SetUnixTime(stream.seed);
  Shots shots(shotFolder);
  std::vector<Frame> frames;
  frames.reserve(static_cast<size_t>(stream.frames));
  std::string dump;
  {
    Engine engine(services);
    g_mainEngine = &engine;
    // One turn of the game's loop, the frame timed: the clock, the frame, at most one window event.
    auto step = [&] {
      script.AdvanceTicks(stream.frameMs);
      const double cpu0 = bench::CpuSeconds();
      const auto t0 = std::chrono::steady_clock::now();
      engine.Frame();
      const auto t1 = std::chrono::steady_clock::now();
      frames.push_back({std::chrono::duration<double, std::milli>(t1 - t0).count(),
                        (bench::CpuSeconds() - cpu0) * 1000.0, PartOf(engine.state), engine.state});
      plat::Event event;
      if (!native->window().PollEvent(event)) return true;
      if (event.kind == plat::EventKind::Quit) return false;
      HandleWindowEvent(event);
      return true;
    };
    playthrough::Run run(engine, script, stream, step);
    keystream::Player player(stream);
    EntityHandle seen;
    for (int frame = 0; frame < stream.frames && !run.quit; ++frame) {
      if (run.Frame(frame, player.KeysAt(frame))) {
        const int lives = engine.players.empty() ? -1 : engine.players[0]->GetLives();
        const std::string what = std::string(StateName(engine.state)) + "-zone" +
                                 std::to_string(playthrough::Run::Zone()) + "-lives" + std::to_string(lives) +
                                 "-bosses" + std::to_string(run.bossesKilled);
        shots.Ask(frame, kShotDelayFrames, engine.state, what);
      }
      if (Enemy* boss = autopilot::BossInPlay(*engine.enemyManager); boss != nullptr && seen.Get() != boss) {
        seen = boss->Handle();
        shots.Ask(frame, kBossShotDelayFrames, engine.state,
                  "boss" + std::to_string(boss->typeId) + "-appears");
      }
      if (shots.On()) shots.Take(frame, engine.state, *engine.graphics->device);
    }
    dump = run.Dump();
    g_mainEngine = nullptr;
  }
  EngineHarness::ResetGlobals();
  native.reset();
  fs::current_path(previousFolder);

  const Figures whole = Measure(frames, -1);
  Print("whole game", whole, frames);
  bench::Targets targets;
  targets.peakMiB = 150.0;  // the whole game holds its menus, both zones and every boss in turn
  std::string missed;
  for (int part = 0; part < 3; ++part) Print(kParts[part], Measure(frames, part), frames);
  const double peak = bench::PeakMemoryMiB();
  std::printf("peak memory %.1f MiB\n", peak);
  if (whole.median > targets.medianMs) missed += " median";
  if (whole.p99 > targets.p99Ms) missed += " p99";
  if (whole.cpu > targets.cpuMs) missed += " CPU";
  if (peak > targets.peakMiB) missed += " peak-memory";
  std::printf(
      "targets over the whole game (median <= %.0f ms, 99th percentile <= %.0f ms, CPU <= %.0f ms a "
      "frame, peak <= %.0f MiB): %s%s\n",
      targets.medianMs, targets.p99Ms, targets.cpuMs, targets.peakMiB,
      missed.empty() ? "all met" : "missed:", missed.c_str());
  if (shots.On()) std::printf("%d pictures in %s\n", shots.taken, shotFolder.string().c_str());

  const std::string difference = playthrough::FirstDifference(expected, dump);
  if (!difference.empty()) {
    std::fprintf(stderr, "playthrough_bench: not the stored game: %s\nthe run's dump:\n%s",
                 difference.c_str(), dump.c_str());
    return 1;
  }
  std::printf("the run's dump equals the stored %s.dump\n", name.c_str());
  return 0;
}
