#!/usr/bin/env bash
# Builds and starts the game exactly as the README's start command does, lets it run for a few seconds, then
# asks it to quit (SDL turns SIGTERM into a quit event) and checks that it ran, said nothing and exited 0.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-6}"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
export KV_NO_DIALOGS=1  # a message box would wait for a click; its text still reaches the log

bash scripts/play.sh >"$log" 2>&1 &
play=$!
# The build comes first; the game counts as started once its process exists.
for _ in $(seq 1 1800); do
  pgrep -x ridov >/dev/null && break
  kill -0 "$play" 2>/dev/null || break
  sleep 0.5
done
if ! pgrep -x ridov >/dev/null; then
  cat "$log"
  echo "start-check: the game did not start" >&2
  exit 1
fi
sleep "$seconds"
if ! pgrep -x ridov >/dev/null; then
  cat "$log"
  echo "start-check: the game ended by itself within $seconds s" >&2
  exit 1
fi
pkill -TERM -x ridov
status=0
wait "$play" || status=$?
# Whatever is left once the build's and the scripts' own lines are taken out came from the game.
said=$(grep -v -E '^(\[[0-9]+/[0-9]+\]|ninja: |install-deps: |No display found: running the game under Xvfb\.)' "$log" || true)
if [ "$status" -ne 0 ] || [ -n "$said" ]; then
  cat "$log"
  echo "start-check: the game exited with status $status and said the above" >&2
  exit 1
fi
echo "start-check: the game built as a player builds it, ran $seconds s and exited cleanly"
