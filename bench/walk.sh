#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Times the walk against find(1) on trees of 499,999 entries in 1,000 folders
# (the most the window keeps) and, with --big, 2,000,000 entries in the same
# folders. Warm cache: one untimed run of each program first, then RUNS rounds
# that run find, the walk on one thread and the walk on its default threads
# in turn; each is reported as the median of its rounds and as a ratio to
# find's median.
#
# Usage: bench/walk.sh [--big] [WORK_DIR]
#   WORK_DIR  where the trees are built (kept and reused); a temporary folder,
#             removed afterwards, when omitted
#   BUILD     the build folder holding bench/twinscan-walk-bench (default build)
#   RUNS      rounds per tree (default 5)
#   THREADS   threads of the parallel walk (default: what a scan uses here)
set -euo pipefail
# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"

BUILD=${BUILD:-build}
RUNS=${RUNS:-5}
BENCH="$BUILD/bench/twinscan-walk-bench"
[[ -x "$BENCH" ]] || { echo "missing $BENCH (build the twinscan-walk-bench target)" >&2; exit 1; }

sizes=(499999)
if [[ ${1:-} == --big ]]; then
  sizes+=(2000000)
  shift
fi
bench_work_dir "$@"
# A walk of a missing folder tells the default threads.
THREADS=${THREADS:-$({ "$BENCH" "$WORK/missing" || true; } | sed -n 's/^threads=//p')}

# Wall time of one run of "$@" in seconds, output discarded.
run_seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "threads=$THREADS runs=$RUNS load=$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s %-14s %9s %7s %8s %9s\n' entries program seconds ratio cpu_s rss_mb
for entries in "${sizes[@]}"; do
  tree="$WORK/tree$entries"
  if [[ ! -f "$tree.ready" ]]; then
    rm -rf "$tree"
    python3 "$(dirname "$0")/check_tree.py" "$tree" --layout entries --entries "$entries" >/dev/null
    touch "$tree.ready"
  fi
  actual=$(find "$tree" -mindepth 1 | wc -l)
  [[ $actual -eq $entries ]] || { echo "$tree holds $actual entries, not $entries" >&2; exit 1; }
  capacity=$((entries + 1))  # the walk fills one entry less than its table holds

  find_tree() { find "$tree" -printf '%s %p\n'; }
  find_tree >/dev/null
  "$BENCH" "$tree" 1 "$capacity" >/dev/null
  find_s=() one_s=() many_s=()
  for ((round = 0; round < RUNS; round++)); do
    find_s+=("$(run_seconds find_tree)")
    one_s+=("$(run_seconds "$BENCH" "$tree" 1 "$capacity")")
    many_s+=("$(run_seconds "$BENCH" "$tree" "$THREADS" "$capacity")")
  done
  find_m=$(median "${find_s[@]}")
  printf '%-10s %-14s %9s %7s\n' "$entries" find "$find_m" 1.00
  for threads in 1 "$THREADS"; do
    if [[ $threads == 1 ]]; then times=("${one_s[@]}"); else times=("${many_s[@]}"); fi
    report=$("$BENCH" "$tree" "$threads" "$capacity")
    [[ $(sed -n 's/^entries=//p' <<<"$report") -eq $entries ]] || { echo "walk lost entries" >&2; exit 1; }
    m=$(median "${times[@]}")
    printf '%-10s %-14s %9s %7s %8s %9s\n' "$entries" "walk, $threads thr" "$m" "$(ratio "$m" "$find_m")" \
      "$(sed -n 's/^cpu_seconds=//p' <<<"$report")" "$(sed -n 's/^peak_rss_mb=//p' <<<"$report")"
  done
done
