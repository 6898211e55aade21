# Sourced by the benchmark scripts: configures BUILD in Release with the benchmarks (Ninja when
# the folder is new and ninja is there) and builds the targets named, or everything.
#
#   release_build ROOT BUILD JOBS [TARGET ...]
release_build() {
  local root="$1" build="$2" jobs="$3"
  shift 3
  local gen=() targets=() t
  if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null; then gen=(-G Ninja); fi
  for t in "$@"; do targets+=(--target "$t"); done
  cmake -S "$root" -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DTOLVEX_BUILD_BENCHMARKS=ON -DTOLVEX_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" "${targets[@]}" -j"$jobs" >/dev/null
}
