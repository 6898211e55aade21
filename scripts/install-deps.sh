#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running tolvex need.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libxml2-dev libzip-dev libmariadb-dev libpcre2-dev libcli11-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  mariadb-server mariadb-client
  zip unzip
  php-cli php-mysql
  locales
  # The fuzz smoke run of scripts/test.sh: clang, and its libFuzzer and sanitizer runtimes
  # (only recommended by clang's packages, and this script installs no recommendations).
  clang libclang-rt-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
