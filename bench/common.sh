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

# Installs the Debian packages given, as root; without root it names the
# apt-get line to run and stops.
bench_install() {
  (($# > 0)) || return 0
  if [[ $(id -u) -ne 0 ]]; then
    echo "missing: $*; run: sudo apt-get install -y $*" >&2
    exit 1
  fi
  echo "installing $*"
  apt-get install -y "$@" >/dev/null || { apt-get update >/dev/null && apt-get install -y "$@" >/dev/null; }
}

# The median of the numbers given (the lower middle one for an even count).
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Sets CLI to twinscan-cli in $BUILD (default build), or stops when it is not built.
bench_cli() {
  BUILD=${BUILD:-build}
  CLI="$BUILD/cli/twinscan-cli"
  [[ -x "$CLI" ]] || { echo "missing $CLI (build the twinscan-cli target)" >&2; exit 1; }
}

# Sets tree to a tree of $1 entries in $WORK (check_tree.py's "entries"
# layout), made once and reused.
bench_entries_tree() {
  tree="$WORK/tree$1"
  if [[ ! -f "$tree.ready" ]]; then
    rm -rf "$tree"
    python3 "$(dirname "${BASH_SOURCE[0]}")/check_tree.py" "$tree" --layout entries --entries "$1" >/dev/null
    touch "$tree.ready"
  fi
}
