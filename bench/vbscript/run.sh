#!/usr/bin/env bash
# Compares the script engine with CPython 3 and Lua 5.4 on the same workloads.
#
#   bench/vbscript/run.sh [workload ...]
#
# Installs python3 and lua5.4 from Debian when they are missing, builds
# bench_vbscript in Release, runs every workload (or the ones named) in the
# three languages, keeps the best of $RUNS runs (default 3), checks that the
# three print the same checksum, and prints a table with the ratio of the
# engine's time to CPython's. Times are process CPU milliseconds measured inside
# each interpreter around compiling and running the workload (start-up excluded).
#
# Environment: BUILD_DIR (default <repo>/build-vsbench), RUNS, JOBS (default 3).
# Exit status: 0 when every workload ran and the checksums agree, 1 otherwise.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-$root/build-vsbench}"
runs="${RUNS:-3}"
jobs="${JOBS:-3}"
workdir="$here/workloads"

all_workloads=(string_concat string_builder int_loop float_loop proc_calls method_calls
               host_property_reads dictionary arrays)
if [ $# -gt 0 ]; then workloads=("$@"); else workloads=("${all_workloads[@]}"); fi

# The Debian interpreters, by full path, so that a python3 earlier on PATH
# (a virtual environment, pyenv) does not take their place.
python=/usr/bin/python3
lua=/usr/bin/lua5.4

install_missing() {
  local pkgs=()
  [ -x "$python" ] || pkgs+=(python3)
  [ -x "$lua" ] || pkgs+=(lua5.4)
  [ ${#pkgs[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "installing ${pkgs[*]} ..." >&2
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${pkgs[@]}" >/dev/null
}

build_runner() {
  . "$root/bench/release_build.sh"
  release_build "$root" "$build" "$jobs" bench_vbscript
}

# run_one <lang> <workload>: runs it $runs times; sets best_ms and checksum, or
# returns 1 after printing the failure.
run_one() {
  local lang="$1" name="$2" cmd out err status ms i
  case "$lang" in
    vbs) cmd=("$build/bench/vbscript/bench_vbscript" "$workdir/$name.vbs") ;;
    py) cmd=("$python" "$here/harness.py" "$workdir/$name.py") ;;
    lua) cmd=("$lua" "$here/harness.lua" "$workdir/$name.lua") ;;
  esac
  best_ms=""
  checksum=""
  err="$(mktemp)"
  for ((i = 0; i < runs; i++)); do
    status=0
    out="$("${cmd[@]}" 2>"$err")" || status=$?
    if [ $status -ne 0 ]; then
      echo "$name.$lang failed (exit status $status):" >&2
      sed 's/^/    /' "$err" >&2
      rm -f "$err"
      return 1
    fi
    ms="$(printf '%s\n' "$out" | sed -n 's/^elapsed_ms: //p' | tail -n 1)"
    checksum="$(printf '%s\n' "$out" | grep -v '^elapsed_ms: ' || true)"
    if [ -z "$best_ms" ] || awk -v a="$ms" -v b="$best_ms" 'BEGIN { exit !(a < b) }'; then best_ms="$ms"; fi
  done
  rm -f "$err"
}

install_missing
build_runner

echo "$("$python" --version 2>&1), $("$lua" -v 2>&1 | head -n 1 | cut -d' ' -f1-2), best of $runs, CPU ms"
printf '%-20s %10s %10s %10s %9s  %s\n' workload VBScript Python Lua VBS/Py checksum
failed=0
slower=()
for name in "${workloads[@]}"; do
  declare -A ms=() sums=()
  ok=1
  for lang in vbs py lua; do
    if [ ! -f "$workdir/$name.$lang" ]; then
      echo "$name: missing $workdir/$name.$lang" >&2
      ok=0
      ms[$lang]="-"
      continue
    fi
    if run_one "$lang" "$name"; then
      ms[$lang]="$best_ms"
      sums[$lang]="$checksum"
    else
      ms[$lang]="FAIL"
      ok=0
    fi
  done
  note="${sums[py]:-}"
  for lang in vbs lua; do
    if [ -n "${sums[$lang]:-}" ] && [ -n "${sums[py]:-}" ] && [ "${sums[$lang]}" != "${sums[py]}" ]; then
      note="MISMATCH: $lang printed '${sums[$lang]}', py printed '${sums[py]}'"
      ok=0
    fi
  done
  ratio="-"
  if [[ "${ms[vbs]}" =~ ^[0-9.]+$ && "${ms[py]}" =~ ^[0-9.]+$ ]]; then
    ratio="$(awk -v a="${ms[vbs]}" -v b="${ms[py]}" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')"
    if awk -v r="$ratio" 'BEGIN { exit !(r > 1.0) }'; then slower+=("$name ($ratio x)"); fi
  fi
  printf '%-20s %10s %10s %10s %9s  %s\n' "$name" "${ms[vbs]}" "${ms[py]}" "${ms[lua]}" "$ratio" "$note"
  [ $ok -eq 1 ] || failed=1
  unset ms sums
done

if [ ${#slower[@]} -eq 0 ]; then
  echo "target met: the engine is no slower than CPython on any workload that ran"
else
  echo "slower than CPython: ${slower[*]}"
fi
exit $failed
