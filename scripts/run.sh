#!/usr/bin/env bash
# Installs what is missing, builds tolvex and runs it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" -DTOLVEX_BUILD_TESTS=OFF
"$root/build/bin/tolvex" --version
