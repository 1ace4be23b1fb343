#!/usr/bin/env bash
# Compares the walk with find(1) on a tree of exactly 499,999 entries (the most
# a walk keeps). Warm cache: each program runs once before it is timed, then
# the best of three runs counts.
#
# Usage: bench/walk_vs_find.sh [WORK_DIR]
#   WORK_DIR  where the tree is built (kept and reused); a temporary folder,
#             removed afterwards, when omitted
#   BUILD     the build folder holding bench/twinscan-walk-bench (default build)
set -euo pipefail

BUILD=${BUILD:-build}
BENCH="$BUILD/bench/twinscan-walk-bench"
[[ -x "$BENCH" ]] || { echo "missing $BENCH (build the twinscan-walk-bench target)" >&2; exit 1; }
ENTRIES=499999

if [[ $# -ge 1 ]]; then
  WORK=$1
  mkdir -p "$WORK"
else
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
fi
TREE="$WORK/tree"

# 200 folders of 4 subfolders each, files spread over the subfolders.
if [[ ! -f "$WORK/tree.ready" ]]; then
  rm -rf "$TREE"
  python3 "$(dirname "$0")/check_tree.py" "$TREE" --layout entries --entries "$ENTRIES" >/dev/null
  touch "$WORK/tree.ready"
fi
actual=$(find "$TREE" -mindepth 1 | wc -l)
[[ $actual -eq $ENTRIES ]] || { echo "tree holds $actual entries, not $ENTRIES" >&2; exit 1; }

# Wall time of one run of "$@" in seconds, output discarded.
run_seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}

best_of_3() {
  "$@" >/dev/null  # warm-up
  local best="" t
  for _ in 1 2 3; do
    t=$(run_seconds "$@")
    if [[ -z $best ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

find_tree() { find "$TREE" -printf '%s %p\n'; }

find_s=$(best_of_3 find_tree)
walk_s=$(best_of_3 "$BENCH" "$TREE")
report=$("$BENCH" "$TREE")
result=$(sed -n 's/^result=//p' <<<"$report")
count=$(sed -n 's/^entries=//p' <<<"$report")
peak=$(sed -n 's/^peak_rss_mb=//p' <<<"$report")

echo "tree=$TREE"
echo "entries=$count result=$result"
echo "find_seconds=$find_s"
echo "walk_seconds=$walk_s"
echo "ratio=$(awk -v w="$walk_s" -v f="$find_s" 'BEGIN { printf "%.2f", w / f }')"
echo "walk_peak_rss_mb=$peak"
