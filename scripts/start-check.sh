#!/usr/bin/env bash
# Builds and starts the game exactly as the README's start command does, lets it run for a few seconds, then
# asks it to quit (SDL turns SIGTERM into a quit event) and checks that it ran, said nothing and exited 0.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-6}"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
export KV_NO_DIALOGS=1  # a message box would wait for a click; its text still reaches the log

# In a session of its own, so only this game is looked for and stopped, whatever else runs on the machine.
setsid bash scripts/play.sh >"$log" 2>&1 &
play=$!
game() { pgrep -s "$play" -x ridov; }
# The build comes first; the game counts as started once its process exists.
for _ in $(seq 1 1800); do
  game >/dev/null && break
  kill -0 "$play" 2>/dev/null || break
  sleep 0.5
done
if ! game >/dev/null; then
  cat "$log"
  echo "start-check: the game did not start" >&2
  exit 1
fi
sleep "$seconds"
if ! game >/dev/null; then
  cat "$log"
  echo "start-check: the game ended by itself within $seconds s" >&2
  exit 1
fi
kill -TERM "$(game)"
status=0
wait "$play" || status=$?
# Whatever is left once the build's and the scripts' own lines are taken out came from the game. Without a
# sound card the sound libraries complain in their own words and the game says once that it runs silent.
said=$(grep -v -E '^(\[[0-9]+/[0-9]+\]|ninja: |install-deps: |No display found: running the game under Xvfb\.)' "$log" |
  grep -v -E '^(ALSA lib |AL lib: |sound: .*the game runs silent$)' || true)
if [ "$status" -ne 0 ] || [ -n "$said" ]; then
  cat "$log"
  echo "start-check: the game exited with status $status and said the above" >&2
  exit 1
fi
echo "start-check: the game built as a player builds it, ran $seconds s and exited cleanly"
