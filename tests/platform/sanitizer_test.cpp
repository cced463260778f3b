// The build's address-sanitizer detection agrees with the runtime actually linked in, whichever compiler
// built it, so the leak guards around third-party libraries switch on wherever the leak checker runs.
#include <gtest/gtest.h>

#include "platform/sanitizer.h"

// Present only when the address sanitizer's runtime is part of the program.
extern "C" void __asan_init() __attribute__((weak));

TEST(SanitizerDetection, MatchesTheLinkedAddressSanitizer) {
  const bool linked = &__asan_init != nullptr;
  EXPECT_EQ(KV_ADDRESS_SANITIZER == 1, linked);
}
