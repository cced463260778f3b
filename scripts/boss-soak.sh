#!/usr/bin/env bash
# Plays each boss fight for minutes in the real game and prints its memory: the Release build as the start
# command builds it, with its own clock, window and event loop, under Xvfb with OpenAL's null output, on two
# cores (LP_NUM_THREADS=2) as the benchmarks run. Keys go in through the X server (xdotool), as a player's
# would. Each fight is a level of its own, made from bosses.kvl in a scratch copy of the Assets: that boss
# alone, the rail running at 500 to it and stopping there. The ship holds its gun down and takes every hit
# (god mode would spare it the sparks of each contact); before its three lives can run out (37.5 s at the
# least) the console reloads the level, so the fight goes on with a new ship. Printed: the resident memory
# once a minute, then the peak and final memory and the growth after the first minute, against the targets.
#   boss-soak.sh [--minutes N] [boss...]   (default 5 minutes each; phantom psychorear psychoside psychofront)
# KV_SOAK_CPUS names the two cores to run on (0,1 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=5
reload=30  # seconds
bosses=()
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes="$2"; shift 2 ;;
    phantom | psychorear | psychoside | psychofront) bosses+=("$1"); shift ;;
    *) echo "usage: $0 [--minutes N] [phantom|psychorear|psychoside|psychofront...]" >&2; exit 2 ;;
  esac
done
[ ${#bosses[@]} -eq 0 ] && bosses=(phantom psychorear psychoside psychofront)
for tool in Xvfb xdotool taskset; do
  if ! command -v "$tool" >/dev/null; then
    echo "boss-soak: $tool is missing (apt-get install xvfb xdotool util-linux)" >&2
    exit 2
  fi
done

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release -DKV_TESTS=OFF -DKV_BENCH=OFF >/dev/null
game="$(pwd)/build/game/ridov"
scratch="$(mktemp -d)"
xvfb=""
ridov=""
finish() {
  [ -n "$ridov" ] && kill "$ridov" 2>/dev/null && wait "$ridov" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$scratch"
}
trap finish EXIT
cp -r build/game/Assets "$scratch/Assets"

# One level a boss: the Enemy entry of that type (6 to 9 in order) and its stop, the only other Speed entry
# sending the rail on at 500 from the start.
enemyType=6
for boss in phantom psychorear psychoside psychofront; do
  awk -v type="$enemyType" '
    /^[A-Za-z]/ { section = $1; print; if (section == "Speed") print "0 0 0 0 0.0 500"; next }
    section == "Enemy" { if ($6 == type) { print; stop = ++enemy } else ++enemy; next }
    section == "Speed" { if ($6 == 0 && ++stops == stop) print; next }
    { print }' build/game/Assets/Levels/bosses.kvl >"$scratch/Assets/Levels/$boss.kvl"
  enemyType=$((enemyType + 1))
done

export ALSOFT_DRIVERS=null KV_NO_DIALOGS=1 LP_NUM_THREADS=2
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$scratch/display")"

# Keys at a typist's pace.
press() { xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"; sleep 0.15; }
type_text() {
  local c i
  for ((i = 0; i < ${#1}; i++)); do
    c="${1:i:1}"
    case "$c" in
      "(") xdotool keydown shift; press 9; xdotool keyup shift ;;
      ")") xdotool keydown shift; press 0; xdotool keyup shift ;;
      .) press period ;;
      *) press "$c" ;;
    esac
  done
}
mib() { awk -v key="$1:" '$1 == key { printf "%.1f", $2 / 1024 }' "/proc/$ridov/status"; }
larger() { awk -v a="$1" -v b="$2" 'BEGIN { print (a > b ? a : b) }'; }

status=0
for boss in "${bosses[@]}"; do
  rm -f "$scratch/HighScores.txt"
  (cd "$scratch" && exec taskset -c "${KV_SOAK_CPUS:-0,1}" "$game") >"$scratch/log" 2>&1 &
  ridov=$!
  sleep 3
  xdotool mousemove 400 300
  # Both splash screens, the menu's Start, and the first level's opening flight.
  press Return; sleep 1; press Return; sleep 2; press Return; sleep 10
  press grave; sleep 1; type_text "loadlevel($boss.kvl)"; press Return; sleep 4
  xdotool keydown d
  start=$SECONDS
  next=$reload
  minute=1
  atMinute1=""
  mostAfter=0
  most=0
  while [ $((SECONDS - start)) -lt $((minutes * 60)) ]; do
    sleep 5
    if ! kill -0 "$ridov" 2>/dev/null; then
      echo "$boss: the game ended after $((SECONDS - start)) s" >&2
      sed 's/^/    /' "$scratch/log" >&2
      status=1
      break
    fi
    elapsed=$((SECONDS - start))
    rss=$(mib VmRSS)
    most=$(larger "$rss" "$most")
    if [ "$elapsed" -ge $((minute * 60)) ]; then
      echo "$boss: minute $minute: $rss MiB"
      [ "$minute" -eq 1 ] && atMinute1=$rss
      minute=$((minute + 1))
    fi
    [ -n "$atMinute1" ] && mostAfter=$(larger "$rss" "$mostAfter")
    if [ "$elapsed" -ge "$next" ]; then
      # The console recalls the last line; loading the level closes it.
      xdotool keyup d
      press grave; press Up; press Return; sleep 4
      xdotool keydown d
      next=$((next + reload))
    fi
  done
  kill -0 "$ridov" 2>/dev/null || continue
  xdotool keyup d
  # The kernel's high-water mark can lag the resident size it last read.
  peak=$(larger "$(mib VmHWM)" "$most")
  final=$(mib VmRSS)
  growth=$(awk -v a="$mostAfter" -v b="${atMinute1:-0}" 'BEGIN { d = a - b; printf "%.1f", (d > 0 ? d : 0) }')
  kill "$ridov" && wait "$ridov" || true
  ridov=""
  verdict=$(awk -v p="$peak" -v g="$growth" 'BEGIN { print ((p <= 170 && g <= 4) ? "met" : "MISSED") }')
  echo "$boss: peak $peak MiB, final $final MiB, growth after the first minute $growth MiB" \
    "(targets: peak <= 170 MiB, growth <= 4 MiB): $verdict"
  [ "$verdict" = met ] || status=1
done
exit $status
