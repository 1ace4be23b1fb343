#!/usr/bin/env bash
# Installs the Debian packages Twinscan needs (when missing), then configures
# and builds it in build/. Sourced by run.sh and test.sh.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TWINSCAN_BUILD_DIR:-$repo/build}"
packages=(cmake ninja-build g++ qt6-base-dev libgtest-dev libgl-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "twinscan: installing missing Debian packages: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  elif command -v sudo >/dev/null 2>&1; then
    sudo apt-get update -qq
    sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  else
    echo "twinscan: not root and no sudo. Ask an administrator to run:" >&2
    echo "  apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${TWINSCAN_BUILD_TYPE:-RelWithDebInfo}" \
  -DTWINSCAN_WERROR="${TWINSCAN_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j "$(nproc)"
