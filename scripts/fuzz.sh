#!/usr/bin/env bash
# Builds the file readers' fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs them side by side, as many at once as there are cores, for the given number of seconds
# each (default 60), with memory limits. Seeds: the built Assets folder's files of each kind and
# tests/data/bad-inputs. Fails on any finding. KV_ASSETGEN (CI sets it) names a generator another build has
# built, which then writes build-fuzz's Assets.
# Usage: fuzz.sh [seconds] [target...]   targets: dds bmp jpeg x mdl kvl sound tables script highscores (default all)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(dds bmp jpeg x mdl kvl sound tables script highscores)
for t in "${targets[@]}"; do
  case "$t" in dds | bmp | jpeg | x | mdl | kvl | sound | tables | script | highscores) ;; *) echo "fuzz.sh: unknown target $t" >&2 && exit 2 ;; esac
done

bash scripts/install-deps.sh
dir=build-fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_FUZZ=ON -DKV_TESTS=OFF -DKV_BENCH=OFF \
  -DKV_ASSETGEN="${KV_ASSETGEN:-}" >/dev/null
cmake --build "$dir" --target "${targets[@]/#/fuzz_}"

# The files of one kind: extensions matched without regard to case.
seed_patterns() {
  case "$1" in
    dds) echo "*.dds" ;;
    bmp) echo "*.bmp" ;;
    jpeg) echo "*.jpg *.jpeg" ;;
    x) echo "*.x" ;;
    mdl) echo "*.mdl" ;;
    kvl) echo "*.kvl" ;;
    sound) echo "*.wav *.mp3" ;;
    tables) echo "ai_*.txt" ;;
    script) echo "*Events.txt" ;;
    highscores) echo "HighScores*.txt" ;;
  esac
}

# Each target: a corpus of its own that keeps what earlier runs found, and a seed folder made afresh.
for t in "${targets[@]}"; do
  seeds="$dir/seeds/$t"
  rm -rf "$seeds" "$dir/findings/$t"
  mkdir -p "$seeds" "$dir/corpus/$t" "$dir/findings/$t" "$dir/logs"
  for pattern in $(seed_patterns "$t"); do
    find "$dir/game/Assets" tests/data/bad-inputs "fuzz/$t" -type f -iname "$pattern" -exec cp {} "$seeds/" \;
  done
done

# 1 GB of resident memory in all, no single allocation above 256 MB: a reader that tries more on a small
# input is a finding. Each input has 20 seconds. The targets' own messages are dropped (close_fd_mask).
# Inputs are kept short (longer seeds are cut): large pictures and long levels only slow the runs down, and
# the small seeds in fuzz/<target>/seeds hold every kind of record. Each model entry of a level is a file load.
# A target runs its seconds on a core of its own: more at once would share the cores, fuzz less each and
# spend an input's 20 seconds waiting.
slots=$(nproc)
pids=()
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$slots" ]; do wait -n || true; done
  case "$t" in
    kvl) max_len=640 ;;
    jpeg) max_len=1024 ;;
    *) max_len=4096 ;;
  esac
  "$dir/fuzz/fuzz_$t" "$dir/corpus/$t" "$dir/seeds/$t" -max_total_time="$seconds" -rss_limit_mb=1024 \
    -malloc_limit_mb=256 -timeout=20 -close_fd_mask=3 -artifact_prefix="$dir/findings/$t/" -max_len=$max_len \
    >"$dir/logs/$t.log" 2>&1 &
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  t="${targets[$i]}"
  if wait "${pids[$i]}"; then
    echo "fuzz $t: $(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$dir/logs/$t.log" | tail -1 || true)s, no finding"
  else
    status=1
    echo "fuzz $t: FINDING (log $dir/logs/$t.log; reproduce with $dir/fuzz/fuzz_$t <file>):"
    ls "$dir/findings/$t"
    grep -E 'ERROR|SUMMARY|==[0-9]+==|#[0-9]+ ' "$dir/logs/$t.log" | head -30 || true
  fi
done
for pid in "${pids[@]}"; do rm -rf /dev/shm/kv_fuzz_*_"$pid"; done  # left by a target stopped by a finding
exit $status
