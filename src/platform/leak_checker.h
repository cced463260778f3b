// KV_LEAK_CHECKER is defined when the build runs AddressSanitizer's leak checker (under GCC or clang), for
// the few places where a system library keeps memory it never frees.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define KV_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_LEAK_CHECKER 1
#endif
#endif

#if defined(KV_LEAK_CHECKER)
#include <sanitizer/lsan_interface.h>
#endif
