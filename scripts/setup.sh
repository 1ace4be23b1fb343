#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Installs the Debian packages Twinscan needs (when missing), then configures
# and builds it in build/ (the "default" preset of CMakePresets.json).
# Sourced by run.sh and test.sh. TWINSCAN_WERROR=ON makes warnings errors.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TWINSCAN_BUILD_DIR:-$repo/build}"
source "$repo/scripts/packages.sh"
require_packages "${build_packages[@]}"

# Another folder (TWINSCAN_BUILD_DIR) or build type (TWINSCAN_BUILD_TYPE)
# replaces the preset's.
options=()
[ -z "${TWINSCAN_BUILD_DIR:-}" ] || options+=(-B "$build")
[ -z "${TWINSCAN_BUILD_TYPE:-}" ] || options+=(-DCMAKE_BUILD_TYPE="$TWINSCAN_BUILD_TYPE")
(cd "$repo" && cmake --preset default "${options[@]}" >/dev/null)
cmake --build "$build" -j "$(nproc)"
