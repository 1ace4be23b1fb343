#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# The cost of certainty: "Delete Checked" of the copies a careful check ticks
# in the peers tree (bench/check_tree.py --layout peers), each file read again
# with an identical file that stays right before its unlink, against reading
# the deleted files' bytes once. Warm cache; one run per tree (the delete
# removes the copies, so each run builds the tree anew).
#
# Usage: bench/delete_cost.sh [WORK_DIR] [RUNS]
#   WORK_DIR  where the tree is built (default: a temporary folder)
#   RUNS      runs, each on a fresh tree (default 3)
#   BUILD     the build folder (default build-bench, configured RelWithDebInfo)
#   FILES     files in the tree (default 20000)
#   BYTES     their total size (default 1300000000)
set -euo pipefail

# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
bench_build twinscan-delete-bench
DELETE="$BUILD/bench/twinscan-delete-bench"
bench_work_dir "${1:-}"
RUNS=${2:-3}
FILES=${FILES:-20000}
BYTES=${BYTES:-1300000000}

for run in $(seq 1 "$RUNS"); do
  rm -rf "$WORK/peers"
  python3 "$(dirname "$0")/check_tree.py" "$WORK/peers" --layout peers --files "$FILES" --bytes "$BYTES" --seed "$run" >/dev/null
  # Warm the cache: every file read once before the timed steps.
  find "$WORK/peers" -type f -exec cat {} + >/dev/null
  echo "== run $run"
  "$DELETE" "$WORK/peers"
done
