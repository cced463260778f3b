#!/usr/bin/env bash
# Installs what the game needs, builds it and starts it from the folder that holds its Assets.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release -DKV_TESTS=OFF -DKV_BENCH=OFF
cd build/game
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running the game under Xvfb." >&2
  exec xvfb-run -a -s "-screen 0 800x600x24" ./ridov
fi
exec ./ridov
