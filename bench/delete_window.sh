#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# The window while "Delete Checked" removes 200,000 files: 400,000 small files
# in 200,000 identical pairs (1,000 sizes), a careful check ticks one of each
# pair, then Delete Checked deletes them, each verified against its twin.
# Reports the delete's time, the window thread's longest stall and the peak
# memory of the whole run. PAIRS=249500 makes 499,802 entries, near the
# window's cap of 499,999 (the memory target is 300 MB there).
#
# Usage: bench/delete_window.sh [WORK_DIR]
#   WORK_DIR  where the tree is built (default: a temporary folder)
#   BUILD     the build folder (default build-bench, configured RelWithDebInfo)
#   PAIRS     identical pairs (default 200000)
set -euo pipefail

# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
bench_build twinscan-window-bench
BENCH="$BUILD/tests/app/twinscan-window-bench"
bench_work_dir "${1:-}"
PAIRS=${PAIRS:-200000}

rm -rf "$WORK/pairs"
python3 - "$WORK/pairs" "$PAIRS" <<'PY'
import os, sys
root, pairs = sys.argv[1], int(sys.argv[2])
for i in range(pairs):
    size = 64 + i % 1000
    content = i.to_bytes(8, "little") * (size // 8) + b"x" * (size % 8)
    for copy in (0, 1):
        folder = os.path.join(root, "c%d" % copy, "d%03d" % (i % 400))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%07d" % i), "wb") as f:
            f.write(content)
PY
entries=$(find "$WORK/pairs" -mindepth 1 | wc -l)  # also warms the inode cache
report=$(QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BENCH" "$WORK/pairs" --check careful --delete)
echo "$report"
echo
echo "entries=$entries"
sed -n 's/^peak_rss_mb=//p' <<<"$report" |
  awk '{ printf "peak_rss_mb %10s  target <= 300: %s\n", $1, $1 <= 300 ? "met" : "MISSED" }'
