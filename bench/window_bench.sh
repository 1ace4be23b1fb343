#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Times a scan in the window on a tree of exactly 499,999 entries (the most a
# walk keeps): one folder holding 499,998 sparse files whose sizes come in
# pairs, so every file is a candidate and "Files" gets 499,998 rows. Reports
# the fill time and the window thread's longest stalls against the targets.
# No check runs here: the pairs are identical and would read 60 GB of zeros.
#
# Usage: bench/window_bench.sh [WORK_DIR]
#   WORK_DIR  where the tree is built (kept and reused); a temporary folder,
#             removed afterwards, when omitted
#   BUILD     the build folder (default build-bench, configured RelWithDebInfo)
set -euo pipefail

# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
bench_build twinscan-window-bench
BENCH="$BUILD/tests/app/twinscan-window-bench"
FILES=499998
ENTRIES=$((FILES + 1))

bench_work_dir "$@"
TREE="$WORK/tree"

if [[ ! -f "$WORK/tree.ready" ]]; then
  rm -rf "$TREE"
  python3 - "$TREE" "$FILES" <<'EOF'
import os, sys
root, files = sys.argv[1], int(sys.argv[2])
folder = os.path.join(root, "all")
os.makedirs(folder)
kinds = ["txt", "jpg", "dat", "pdf", "mp3", "png", "doc", "bin"]
for i in range(files):
    # Sparse: a length and no blocks. Size 1 + i // 2 gives every file one partner.
    path = os.path.join(folder, "file_%06d.%s" % (i, kinds[i % len(kinds)]))
    with open(path, "wb") as out:
        os.truncate(out.fileno(), 1 + i // 2)
EOF
  touch "$WORK/tree.ready"
fi
actual=$(find "$TREE" -mindepth 1 | wc -l)  # also warms the inode cache
[[ $actual -eq $ENTRIES ]] || { echo "tree holds $actual entries, not $ENTRIES" >&2; exit 1; }

report=$(QT_QPA_PLATFORM=offscreen "$BENCH" "$TREE" 2>/dev/null)
echo "$report"
value() { sed -n "s/^$1=//p" <<<"$report"; }

verdict() {  # NAME VALUE LIMIT STRETCH
  awk -v n="$1" -v v="$2" -v l="$3" -v s="$4" 'BEGIN {
    r = v <= s ? "met (stretch met)" : (v <= l ? "met (stretch missed)" : "MISSED");
    printf "%-28s %10s  target <= %s, stretch <= %s: %s\n", n, v, l, s, r }'
}
echo
echo "entries=$actual rows=$(value files_rows) (expected $FILES)"
verdict "fill_seconds" "$(value fill_seconds)" 3 2
verdict "walk_stall_ms" "$(value walk_stall_ms)" 100 50
verdict "grouping_fill_stall_ms" "$(value grouping_fill_stall_ms)" 100 50
