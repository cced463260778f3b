// State of the game's pseudo-random generator declared in random.h.
#include "math/random.h"

namespace math {
namespace {
uint32_t g_state = 1;
}  // namespace

void SeedRandom(uint32_t seed) {
  g_state = seed;
}

int Random() {
  g_state = g_state * 214013u + 2531011u;  // unsigned, so it wraps modulo 2^32
  return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

}  // namespace math
