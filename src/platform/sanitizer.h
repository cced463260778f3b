// Whether the leak checker of the address sanitizer runs in this build (GCC and clang say so differently),
// and a scope that keeps it from reporting what a third-party library loses and nobody can free.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define KV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ADDRESS_SANITIZER 1
#endif
#endif
#if !defined(KV_ADDRESS_SANITIZER)
#define KV_ADDRESS_SANITIZER 0
#endif

#if KV_ADDRESS_SANITIZER
#include <sanitizer/lsan_interface.h>
#endif

namespace plat {

// Allocations made while one exists are never reported as leaks. Only for losses inside libraries.
class ForeignLeakScope {
 public:
#if KV_ADDRESS_SANITIZER
  ForeignLeakScope() {
    __lsan_disable();
  }
  ~ForeignLeakScope() {
    __lsan_enable();
  }
#else
  ForeignLeakScope() = default;
#endif
  ForeignLeakScope(const ForeignLeakScope&) = delete;
  ForeignLeakScope& operator=(const ForeignLeakScope&) = delete;
};

}  // namespace plat
