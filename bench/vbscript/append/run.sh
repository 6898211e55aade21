#!/usr/bin/env bash
# Appending to a field and to an array element against appending to a local:
#
#   bench/vbscript/append/run.sh
#
# Builds bench_vbscript in Release, runs local.vbs, field.vbs and element.vbs
# (300,000 one-character appends each) $RUNS times (default 3), and prints the
# best CPU time of each and its ratio to the local one (target: at most 2).
# Environment: BUILD_DIR (default <repo>/build-vsbench), RUNS, JOBS (default 3).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../../.." && pwd)"
build="${BUILD_DIR:-$root/build-vsbench}"
runs="${RUNS:-3}"
jobs="${JOBS:-3}"

. "$root/bench/release_build.sh"
release_build "$root" "$build" "$jobs" bench_vbscript

best() {
  local b="" ms i
  for ((i = 0; i < runs; i++)); do
    ms="$("$build/bench/vbscript/bench_vbscript" "$here/$1.vbs" | sed -n 's/^elapsed_ms: //p')"
    if [ -z "$b" ] || awk -v a="$ms" -v b="$b" 'BEGIN { exit !(a < b) }'; then b="$ms"; fi
  done
  printf '%s' "$b"
}

local_ms="$(best local)"
printf '%-8s %10s %8s\n' workload ms x_local
printf '%-8s %10s %8s\n' local "$local_ms" 1.00
for name in field element; do
  ms="$(best "$name")"
  printf '%-8s %10s %8s\n' "$name" "$ms" "$(awk -v a="$ms" -v b="$local_ms" 'BEGIN { printf "%.2f", a / b }')"
done
