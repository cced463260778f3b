#!/usr/bin/env bash
# Removes each file and each folder of the built Assets in turn, from a scratch copy, and plays the game
# headless into the first zone each time. Each removal passes when the run ends without a signal, a hang
# or a sanitizer report, and either exits 0 or refuses to start (exit 1) with a message naming what is
# missing.
#   asset-sweep.sh [--sample N] [--build FOLDER] [--frames N]
#   --sample N      every folder, and N files spread evenly over the whole list (the same ones each time)
#   --build FOLDER  the build folder to take the game and the probe from (default build-tests; build-sanitize
#                   runs it under AddressSanitizer and UndefinedBehaviorSanitizer)
#   --frames N      frames played after the menu, at 20 ms each (default 1500: half a minute)
set -euo pipefail
cd "$(dirname "$0")/.."
sample=0
build=build-tests
frames=1500
while [ $# -gt 0 ]; do
  case "$1" in
    --sample) sample="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --frames) frames="$2"; shift 2 ;;
    *) echo "usage: $0 [--sample N] [--build FOLDER] [--frames N]" >&2; exit 2 ;;
  esac
done
probe="$build/tests/reliability/kv_asset_probe"
if [ ! -x "$probe" ] || [ ! -d "$build/game/Assets" ]; then
  echo "asset-sweep: build $build first (scripts/test.sh builds build-tests)" >&2
  exit 2
fi
probe="$(cd "$(dirname "$probe")" && pwd)/$(basename "$probe")"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/game" "$scratch/aside"
cp -r "$build/game/Assets" "$scratch/game/Assets"
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null KV_NO_DIALOGS=1
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

# Folders first, then files, each list sorted so a sample is the same on every machine.
mapfile -t folders < <(cd "$scratch/game" && find Assets -mindepth 1 -type d | LC_ALL=C sort)
mapfile -t files < <(cd "$scratch/game" && find Assets -mindepth 1 -type f | LC_ALL=C sort)
if [ "$sample" -gt 0 ] && [ "$sample" -lt "${#files[@]}" ]; then
  picked=()
  for ((i = 0; i < sample; i++)); do picked+=("${files[i * ${#files[@]} / sample]}"); done
  files=("${picked[@]}")
fi

# The whole copy plays first: a sweep means nothing when the intact game fails.
tried=0
passed=0
refused=0
failed=()
check() {  # check <removed path or empty>: runs the probe and sorts the result
  local item="$1" log="$scratch/log" rc=0
  (cd "$scratch/game" && timeout 300 "$probe" . "$frames") >"$log" 2>&1 || rc=$?
  local why=""
  if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: .*Sanitizer' "$log"; then
    why="sanitizer report"
  elif [ "$rc" -eq 124 ]; then
    why="hung"
  elif [ "$rc" -gt 1 ]; then
    why="exit $rc"
  elif [ "$rc" -eq 1 ]; then
    # A refusal must name the missing item or, for a folder, something that was in it.
    local names="$scratch/names"
    { basename "$item"; [ -d "$scratch/aside/$(basename "$item")" ] &&
        find "$scratch/aside/$(basename "$item")" -mindepth 1 -printf '%f\n'; } >"$names" || true
    if [ -z "$item" ]; then
      why="the intact game refused to start"
    elif ! grep -qiwFf "$names" "$log"; then
      why="exit 1 without naming what is missing"
    else
      refused=$((refused + 1))
    fi
  fi
  tried=$((tried + 1))
  if [ -z "$why" ]; then
    passed=$((passed + 1))
  else
    failed+=("${item:-(nothing removed)}: $why")
    echo "FAIL ${item:-(nothing removed)}: $why" >&2
    sed 's/^/    /' "$log" | tail -20 >&2
  fi
}

check ""
for item in "${folders[@]}" "${files[@]}"; do
  [ -e "$scratch/game/$item" ] || continue
  mv "$scratch/game/$item" "$scratch/aside/$(basename "$item")"
  check "$item"
  mv "$scratch/aside/$(basename "$item")" "$scratch/game/$item"
  rm -f "$scratch/game/HighScores.txt"
done

echo "asset sweep ($build): $((tried - 1)) removals (${#folders[@]} folders, ${#files[@]} files) and the" \
  "intact game: $tried runs, passed $passed ($refused of them clear refusals to start), failed ${#failed[@]}"
for f in "${failed[@]}"; do echo "  failed: $f"; done
[ "${#failed[@]}" -eq 0 ]
