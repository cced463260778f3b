// Native tests skip on a machine that has no offscreen window or OpenGL context, except where the test
// command asks for them (KV_REQUIRE_NATIVE=1, as scripts/test.sh does): there a missing one is a failure,
// so a broken start-up cannot hide behind a skip.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#define KV_NATIVE_UNAVAILABLE(reason)                                  \
  do {                                                                 \
    if (std::getenv("KV_REQUIRE_NATIVE") != nullptr) FAIL() << reason; \
    GTEST_SKIP() << reason;                                            \
  } while (0)
