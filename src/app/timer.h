// The game's one clock: frame time (clamped to 100 ms) and total game time, shared by every Timer.
#pragma once

#include <cstdint>

namespace plat {
class Clock;
}

class Timer {
 public:
  // The first construction in the program starts the clock; later ones do nothing.
  Timer();

  // Advances the clock by the time since the previous tick, at most 100 ms. Once per frame.
  void Tick();

  int GetFrameMs() const { return frameMs; }
  float GetFrameSeconds() const { return frameSeconds; }
  int GetTimeMs() const { return totalMs; }

  // The tick source; the engine sets it before its first Timer. Tests reset the statics.
  static void SetClock(plat::Clock* clock);
  static void ResetForTests();

 private:
  static plat::Clock* clock;
  static bool started;
  static uint32_t lastTick;
  static int frameMs;
  static float frameSeconds;
  static int totalMs;
};
