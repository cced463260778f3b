// Frame clock: statics shared by every Timer object.
#include "app/timer.h"

#include "platform/clock.h"

plat::Clock* Timer::clock = nullptr;
bool Timer::started = false;
uint32_t Timer::lastTick = 0;
int Timer::frameMs = 0;
float Timer::frameSeconds = 0.0f;
int Timer::totalMs = 0;

namespace {
constexpr uint32_t kMaxFrameMs = 100;
}

Timer::Timer() {
  if (started || clock == nullptr) return;
  lastTick = clock->TickCountMs();
  started = true;
}

void Timer::Tick() {
  if (clock == nullptr) return;
  const uint32_t now = clock->TickCountMs();
  // Unsigned arithmetic: a wrap of the 32-bit counter still gives the true small difference.
  const uint32_t delta = now - lastTick;
  frameMs = static_cast<int>(delta < kMaxFrameMs ? delta : kMaxFrameMs);
  lastTick = now;
  totalMs += frameMs;
  frameSeconds = static_cast<float>(frameMs) * 0.001f;
}

void Timer::SetClock(plat::Clock* c) {
  clock = c;
}

void Timer::ResetForTests() {
  clock = nullptr;
  started = false;
  lastTick = 0;
  frameMs = 0;
  frameSeconds = 0.0f;
  totalMs = 0;
}
