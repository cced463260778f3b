// The millisecond tick counter the frame clock and the key hold times read.
#pragma once

#include <cstdint>

namespace plat {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds from an arbitrary origin; wraps modulo 2^32 like the counter the game was written for.
  virtual uint32_t TickCountMs() = 0;
  // Wall-clock seconds, used only to seed the random generator once.
  virtual int64_t UnixTimeSeconds() = 0;
};

}  // namespace plat
