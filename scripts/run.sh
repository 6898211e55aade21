#!/usr/bin/env bash
# The main job: installs what is missing, builds tolvex, and generates the bundled sample
# project with the bundled template package into out/sample-site.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" -DTOLVEX_BUILD_TESTS=OFF
# Keep this run's settings and working folder inside out/ unless the caller chose others.
export TOLVEX_CONFIG_DIR="${TOLVEX_CONFIG_DIR:-$root/out/config}"
export XDG_DOCUMENTS_DIR="${XDG_DOCUMENTS_DIR:-$root/out/documents}"
mkdir -p "$TOLVEX_CONFIG_DIR" "$XDG_DOCUMENTS_DIR"
"$root/build/bin/tolvex" --version
"$root/build/bin/tolvex" generate "$root/build/share/tolvex/samples/sample.tvp" \
  --destination "$root/out/sample-site" --overwrite=all --yes "$@"
echo "The sample site is in $root/out/sample-site (PHP 8 with mysqli; the sample database is" \
  "share/tolvex/samples/sample_db.sql). To see it served: scripts/serve-sample.sh"
