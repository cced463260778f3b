#!/usr/bin/env bash
# Configures and builds one build folder: build.sh <folder> [extra CMake arguments].
# Warnings are errors when KV_WERROR=1 (the test command sets it) or under CI (CI=true).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$1"
shift
werror=OFF
if [ "${KV_WERROR:-}" = 1 ] || [ "${CI:-}" = true ]; then werror=ON; fi
cmake -S . -B "$dir" -G Ninja -DKV_WERROR="$werror" "$@" >/dev/null
cmake --build "$dir"
