// The build's address-sanitizer detection agrees with the runtime actually linked in, whichever compiler
// built it, so the leak guards around third-party libraries switch on wherever the leak checker runs; and the
// leak checker in a program with the native backend copes with the dynamic TLS blocks the GL driver makes.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "platform/native/gl_device.h"
#include "platform/sanitizer.h"

// Present only when the address sanitizer's runtime is part of the program.
extern "C" void __asan_init() __attribute__((weak));

TEST(SanitizerDetection, MatchesTheLinkedAddressSanitizer) {
  const bool linked = &__asan_init != nullptr;
  EXPECT_EQ(KV_ADDRESS_SANITIZER == 1, linked);
}

// A dynamic TLS block that starts 16 bytes past a page boundary, where an old glibc kept the block's bounds:
// the leak check neither crashes there (taking the test program with it) nor loses the heap block the TLS
// block alone holds.
TEST(SanitizerDetection, LeakCheckCopesWithATlsBlockStartingAPage) {
#if KV_ADDRESS_SANITIZER
  plat::KeepGlDriversLoaded();  // the native backend's part that sets the checker's options
  void* library = dlopen(KV_TLS_BLOCK_LIB, RTLD_NOW);
  ASSERT_NE(library, nullptr) << dlerror();
  auto slot = reinterpret_cast<void** (*)()>(dlsym(library, "HeldSlot"));
  ASSERT_NE(slot, nullptr);
  // Blocks of the TLS block's size (8 bytes, in 32-byte chunks) until the next one starts a page.
  static void* kept[1024];
  for (void*& block : kept) {
    block = std::malloc(8);
    if ((reinterpret_cast<uintptr_t>(block) + 32) % 4096 == 16) break;
  }
  void** held = slot();
  if (reinterpret_cast<uintptr_t>(held) % 4096 != 16)
    GTEST_SKIP() << "the allocator placed the block elsewhere";
  *held = std::malloc(64);
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#else
  GTEST_SKIP() << "no leak checker in this build";
#endif
}
