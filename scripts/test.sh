#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Builds Twinscan and runs every test (plain C++ and offscreen window tests)
# with the "default" test preset. `ctest --preset default -LE slow` in the
# source tree skips the slow ones.
set -euo pipefail
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/setup.sh"
cd "$repo"
# Shared blocks and links are tested on loop-mounted XFS and btrfs images.
require_packages xfsprogs btrfs-progs
ctest --preset default --test-dir "$build" -j "$(nproc)"
