#!/usr/bin/env bash
# Installs what the build and the tests need, builds everything and runs every test.
# With --sanitize the suite is built and run with AddressSanitizer and UndefinedBehaviorSanitizer; there
# KV_ASSETGEN (CI sets it) names a generator another build has built, which then writes the build's Assets.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
dir=build-tests
args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  args=(-DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BENCH=OFF -DKV_ASSETGEN="${KV_ASSETGEN:-}")
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
export KV_WERROR=1
bash scripts/build.sh "$dir" "${args[@]}"
# No display and no sound card are needed: native tests use SDL's offscreen driver and OpenAL's null device.
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}"
export ALSOFT_DRIVERS="${ALSOFT_DRIVERS:-null}"
export KV_NO_DIALOGS=1
export KV_REQUIRE_NATIVE=1
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
