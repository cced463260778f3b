#!/usr/bin/env bash
# Checks every tracked .cpp and .h file against the repository's .clang-format with clang-format 14 (installed
# through apt-get when missing) and fails listing the files that differ; `clang-format-14 -i FILE` fixes one.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format-14 >/dev/null; then
  echo "format-check: installing clang-format-14"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends clang-format-14
fi

# One run over all files; each place that differs is reported as "FILE:LINE:COLUMN: error: ...".
mapfile -t files < <(git ls-files '*.cpp' '*.h')
status=0
out="$(clang-format-14 --style=file --dry-run --Werror "${files[@]}" 2>&1)" || status=$?
if [ "$status" -ne 0 ]; then
  pattern='s/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p'
  mapfile -t differ < <(sed -n "$pattern" <<<"$out" | sort -u)
  if [ ${#differ[@]} -eq 0 ]; then
    echo "$out" >&2
    echo "format-check: clang-format-14 failed (exit $status)" >&2
  else
    echo "format-check: ${#differ[@]} of ${#files[@]} files differ from .clang-format:" >&2
    printf '  %s\n' "${differ[@]}" >&2
  fi
  exit 1
fi
echo "format-check: all ${#files[@]} .cpp and .h files are formatted"
