#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Runs clang-tidy (the checks in .clang-tidy) over the plain libraries (the
# folders without Qt) with the compile commands of the default build, one
# process per core. Any finding fails the script.
# Usage: scripts/tidy.sh [FILE.cpp...]   (default: every .cpp of the plain libraries)
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$repo/scripts/packages.sh"
# The compile commands come from configuring, which needs the build's packages.
require_packages "${build_packages[@]}" clang-tidy git
cd "$repo"

folders=(core scan group compare lists settings output session)
build="${TWINSCAN_BUILD_DIR:-$repo/build}"
# Configuring keeps the compile commands current (an existing build keeps
# its options); nothing has to be built, as the plain libraries have no
# generated headers.
if [ -f "$build/CMakeCache.txt" ]; then
  cmake "$build" >/dev/null
elif [ -n "${TWINSCAN_BUILD_DIR:-}" ]; then
  cmake --preset default -B "$build" >/dev/null
else
  cmake --preset default >/dev/null
fi

if [ "$#" -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files -- "${folders[@]/%//*.cpp}")
fi
# Each file's findings are printed together; -Wno-unknown-warning-option
# because the compile commands hold GCC's warning options.
printf '%s\0' "${files[@]}" |
  xargs -0 -P "$(nproc)" -n 1 sh -c '
    out=$(clang-tidy -p "$0" --quiet --warnings-as-errors="*" \
          --extra-arg=-Wno-unknown-warning-option "$1" 2>&1) && exit 0
    printf "%s\n" "$out" >&2
    exit 1' "$build" || {
  echo "tidy: clang-tidy reported findings (above)" >&2
  exit 1
}
echo "tidy: ${#files[@]} files clean"
