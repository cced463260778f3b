// Integer sums held within the range of int: counters the console can set to any value stop at its ends
// instead of overflowing.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

namespace math {

// a + b, or INT_MAX or INT_MIN when the sum lies beyond them.
constexpr int SaturatingAdd(int a, int b) {
  return static_cast<int>(std::clamp<int64_t>(int64_t{a} + b, INT_MIN, INT_MAX));
}

}  // namespace math
