// The game's single pseudo-random generator: values 0..32767 from one global,
// single-threaded state (state = state * 214013 + 2531011, value = bits 16..30).
#pragma once

#include <cstdint>

namespace math {

// Restarts the sequence; the state is 1 before any call, as in the C library.
void SeedRandom(uint32_t seed);
// Next value of the sequence, 0 to 32767.
int Random();

}  // namespace math
