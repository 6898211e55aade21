#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
build="$root/build-test"
rm -rf "$build"
"$root/scripts/build.sh" "$build" -DTOLVEX_WERROR=ON -DTOLVEX_BUILD_TESTS=ON
cd "$build"
ctest --output-on-failure -j "$(nproc)"
