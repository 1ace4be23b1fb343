# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# shellcheck shell=bash
# Helpers the bench scripts source.

# Builds TARGET... in a RelWithDebInfo build folder, $BUILD or build-bench
# at the top of the checkout, and sets BUILD to it.
bench_build() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  BUILD=${BUILD:-$root/build-bench}
  cmake -S "$root" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD" -j2 --target "$@" >/dev/null
}

# Sets WORK to the folder given (created, kept) or, with none, to a temporary
# folder removed when the script exits.
bench_work_dir() {
  if [[ $# -ge 1 && -n $1 ]]; then
    WORK=$1
    mkdir -p "$WORK"
  else
    WORK=$(mktemp -d)
    trap 'rm -rf "$WORK"' EXIT
  fi
}

# The median of the numbers given (the lower middle one for an even count).
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
