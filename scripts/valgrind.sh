#!/usr/bin/env bash
# Runs a headless test under valgrind memcheck and fails on any error, leaks included, whose stack reaches
# the project's own code (src/, tests/); errors wholly inside system libraries are counted but let pass.
#   valgrind.sh [test program] [gtest filter] [build folder]
#   defaults: the first zone's autopilot run from enemies_first_level_test, build-tests
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$(pwd)"
program="${1:-tests/enemies/enemies_first_level_test}"
filter="${2:-Zones/ZoneRun.*/0}"
build="${3:-build-tests}"
if ! command -v valgrind >/dev/null; then
  echo "valgrind.sh: valgrind is not installed (apt-get install valgrind)" >&2
  exit 2
fi
if [ ! -x "$build/$program" ]; then
  echo "valgrind.sh: build $build first (scripts/test.sh builds build-tests)" >&2
  exit 2
fi
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null KV_NO_DIALOGS=1 KV_ASSETS_DIR="$repo/$build/game/Assets"
rc=0
# Full paths in the stacks tell project frames from system ones.
(cd "$build/game" && valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite,indirect \
  --show-leak-kinds=definite,indirect --num-callers=40 --fullpath-after= --log-file="$log" \
  --suppressions="$repo/scripts/valgrind.supp" \
  "$repo/$build/$program" --gtest_filter="$filter") || rc=$?

# Each error is one block of "==pid==" lines ended by a bare "==pid==" line; a block is the project's when a
# frame lies below src/ or tests/ of this tree.
report="$(awk -v src="$repo/src/" -v tests="$repo/tests/" '
  /^==[0-9]+== *$/ { if (block != "" && error) { total++; if (ours) { own++; print block } } block = ""; error = 0; ours = 0; next }
  /^==[0-9]+== / {
    line = $0; sub(/^==[0-9]+== /, "", line)
    if (block == "" && line ~ /^(Invalid|Conditional jump|Use of uninitialised|Syscall param|Mismatched|Source and destination|Argument|.* are (definitely|indirectly) lost)/) error = 1
    if (index(line, src) || index(line, tests)) ours = 1
    block = block line "\n"
  }
  END { printf "SUMMARY %d %d\n", total, own }' "$log")"
summary="$(tail -1 <<<"$report")"
read -r _ total own <<<"$summary"
head -n -1 <<<"$report" | head -200
grep -E "ERROR SUMMARY|definitely lost:|indirectly lost:" "$log" | sed 's/^==[0-9]*== //'
echo "valgrind: $program ($filter): test exit $rc, $total errors, $own in project code"
[ "$rc" -eq 0 ] && [ "$own" -eq 0 ]
