#!/usr/bin/env bash
# Kills a process that saves the high-score table over and over (SIGKILL after a random short delay), then
# checks the file it leaves: the one table or the other, never a damaged one. The temporary files killed
# saves leave are cleared by the next save: at the end at most the last one's is left.
#   kill-save-loop.sh [rounds] [build folder]   (defaults: 200, build-tests)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-200}"
build="${2:-build-tests}"
saver="$build/tests/reliability/kv_save_loop"
if [ ! -x "$saver" ]; then
  echo "kill-save-loop: build $build first (scripts/test.sh builds build-tests)" >&2
  exit 2
fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

kills=0
checks=0
damaged=0
for ((round = 0; round < rounds; round++)); do
  "$saver" "$scratch" &
  pid=$!
  # The first round waits for the first table; then any moment of a save may be hit.
  while [ "$round" -eq 0 ] && [ ! -f "$scratch/HighScores.txt" ] && kill -0 "$pid" 2>/dev/null; do sleep 0.001; done
  sleep "0.$(printf '%03d' $((RANDOM % 50)))"
  if kill -KILL "$pid" 2>/dev/null; then kills=$((kills + 1)); fi
  wait "$pid" 2>/dev/null || true
  checks=$((checks + 1))
  if ! "$saver" "$scratch" --check; then
    damaged=$((damaged + 1))
    echo "round $round: the table was damaged" >&2
  fi
done
left="$(find "$scratch" -maxdepth 1 -name 'HighScores.txt.tmp.*' | wc -l)"
echo "kill-save loop: $kills kills, $checks checks, $damaged damaged tables, $left temporary files left"
[ "$damaged" -eq 0 ] && [ "$left" -le 1 ]
