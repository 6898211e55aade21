#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test; then builds again with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs every test once more, so that a
# read of freed memory or undefined behaviour fails the run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

build="$root/build-test"
rm -rf "$build"
"$root/scripts/build.sh" "$build" -DTOLVEX_WERROR=ON -DTOLVEX_BUILD_TESTS=ON
(cd "$build" && ctest --output-on-failure -j "$(nproc)")

asan="$root/build-asan"
rm -rf "$asan"
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
# Without -Werror: the sanitizers' instrumentation makes the compiler warn falsely (the build above
# holds the code to no warnings).
"$root/scripts/build.sh" "$asan" -DTOLVEX_BUILD_TESTS=ON \
  -DCMAKE_CXX_FLAGS="$sanitizers" -DCMAKE_C_FLAGS="$sanitizers" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
(cd "$asan" && ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}" \
  ctest --output-on-failure -j "$(nproc)")

# A minute of the XML fuzz target (libFuzzer, with AddressSanitizer and UBSan) from its seed
# corpus: the readers must agree and never expand an entity. A crash, a broken promise, a
# hang or memory beyond the limits fails the run, leaving the input in build-fuzz-smoke.
fuzz="$root/build-fuzz-smoke"
rm -rf "$fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOLVEX_BUILD_FUZZERS=ON -DTOLVEX_BUILD_TESTS=OFF
cmake --build "$fuzz" -j "$(nproc)" --target fuzz_xml_reader
mkdir -p "$fuzz/corpus"
cp "$root"/fuzz/xml/corpus/* "$fuzz/corpus/"
"$fuzz/fuzz/xml/fuzz_xml_reader" -dict="$root/fuzz/xml/xml.dict" -max_len=8192 -timeout=30 \
  -rss_limit_mb=2048 -malloc_limit_mb=512 -max_total_time=60 -artifact_prefix="$fuzz/" "$fuzz/corpus"
