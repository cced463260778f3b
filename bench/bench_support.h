// What the benchmarks share: the scripted flight's keys, the native services driven by a scripted clock and
// keyboard, percentiles, and the process's own accounting of CPU time and peak memory.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <vector>

#include "platform/headless/headless_services.h"
#include "platform/keyboard.h"
#include "platform/services.h"

namespace bench {

// The frame-cost targets: frame time, CPU time per frame of the whole process, peak memory, the game logic
// alone, and the start to the first frame.
struct Targets {
  double medianMs = 8.0, p99Ms = 16.0, cpuMs = 10.0, peakMiB = 120.0, logicMs = 0.3, startSeconds = 0.5;
};

// The native window, device and files with the headless clock and keyboard, so a flight is the same on
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

// Weaves the ship about: a pattern of held direction keys that changes every half second; with fire set the
// primary gun's key is tapped too.
inline void ScriptKeys(plat::HeadlessServices& keys, int frame, bool fire = true) {
  static const int kPattern[][2] = {{plat::key::Left, plat::key::Up},
                                    {plat::key::Right, plat::key::Up},
                                    {plat::key::Right, plat::key::Down},
                                    {plat::key::Left, plat::key::Down}};
  keys.ReleaseAllKeys();
  const auto& held = kPattern[(frame / 30) % 4];
  keys.SetKey(held[0], true);
  keys.SetKey(held[1], true);
  keys.SetKey(plat::key::D, fire && frame % 8 < 4);
}

inline double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

// User and system time of every thread of the process so far (the rasteriser's threads included).
inline double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The largest resident size the process has had, in MiB.
inline double PeakMemoryMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace bench
