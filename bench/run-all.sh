#!/usr/bin/env bash
# Runs the benchmarks of the large-project work in one go and prints each figure beside
# the reference measured in the same run:
#   - opening and saving a project of 1,000 tables x 20 fields (bench_projectfile: Load
#     against libxml2's streaming walk of the same file, peak memory of a load, memory the
#     loaded model holds per field, Save against a buffered write, fsync and rename);
#   - generating a project of 250 tables x 20 fields with the sample package, first and
#     later run, against writing the same files through temporary file, fsync and rename;
#   - the script engine: appends to a field and an array element against a local, the
#     bundled StringBuilder, and the comparison with CPython and Lua.
#
#   bench/run-all.sh [BUILD_DIR]
#
# BUILD_DIR (default <repo>/build-bench) is configured in Release with the benchmarks and
# built first. Environment: RUNS (repetitions of the timed scripts, default 5), JOBS
# (build jobs, default the number of cores).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-bench}"
runs="${RUNS:-5}"
jobs="${JOBS:-$(nproc)}"

. "$root/bench/release_build.sh"
release_build "$root" "$build" "$jobs"
build="$(cd "$build" && pwd)"

section() { printf '\n== %s\n' "$1"; }

section "project files: 1,000 tables x 20 fields"
"$build/bench/projectfile/bench_projectfile" --benchmark_repetitions=1 2>&1 |
  grep -E '^BM_|ERROR' || true

section "generation: 250 tables x 20 fields, sample package"
"$root/bench/generator/run.sh" "$build" "$runs"

section "script engine: appends to a field and an array element against a local"
BUILD_DIR="$build" RUNS="$runs" JOBS="$jobs" "$root/bench/vbscript/append/run.sh"

section "script engine: the bundled StringBuilder, 10 MB one character at a time"
BUILD_DIR="$build" RUNS="$runs" JOBS="$jobs" "$root/bench/vbscript/string_builder/run.sh"

section "script engine: against CPython and Lua"
BUILD_DIR="$build" RUNS="$runs" JOBS="$jobs" "$root/bench/vbscript/run.sh"
