#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Times twinscan-cli's walk and grouping (`--list candidates`, no comparison)
# against find(1) on a tree of ENTRIES entries in 1,000 folders, warm cache:
# one untimed run of each first, then RUNS rounds running find and
# twinscan-cli in turn. Reports the medians, their ratio, twinscan-cli's
# peak resident memory and that peak per entry beyond the paths' own bytes.
#
# Usage: bench/cli_big.sh [WORK_DIR]
#   WORK_DIR  where the tree is built (kept and reused); a temporary folder,
#             removed afterwards, when omitted
#   ENTRIES   entries of the tree (default 2000000)
#   BUILD     the build folder holding cli/twinscan-cli (default build)
#   RUNS      rounds (default 3)
set -euo pipefail
# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"

ENTRIES=${ENTRIES:-2000000}
RUNS=${RUNS:-3}
bench_cli
bench_work_dir "$@"
bench_entries_tree "$ENTRIES"

# Seconds and peak resident KiB of one run, output discarded.
timed() { /usr/bin/time -f '%e %M' -o "$WORK/time.out" "$@" >/dev/null && cat "$WORK/time.out"; }

find_tree() { find "$tree" -printf '%s %p\n'; }
listed=$(find "$tree" -mindepth 1 -printf '%p\n' | awk '{ n++; bytes += length($0) + 1 } END { print n, bytes }')
read -r actual path_bytes <<<"$listed"
[[ $actual -eq $ENTRIES ]] || { echo "$tree holds $actual entries, not $ENTRIES" >&2; exit 1; }
candidates=$("$CLI" --list candidates "$tree" | wc -l)

find_tree >/dev/null
find_s=() cli_s=() cli_kb=()
for ((round = 0; round < RUNS; round++)); do
  read -r s _ <<<"$(timed find "$tree" -printf '%s %p\n')"
  find_s+=("$s")
  read -r s kb <<<"$(timed "$CLI" --list candidates "$tree")"
  cli_s+=("$s")
  cli_kb+=("$kb")
done
find_m=$(median "${find_s[@]}")
cli_m=$(median "${cli_s[@]}")
peak_kb=$(printf '%s\n' "${cli_kb[@]}" | sort -g | tail -1)

echo "entries=$ENTRIES candidates=$candidates runs=$RUNS load=$(cut -d' ' -f1-3 /proc/loadavg)"
echo "find_s=${find_s[*]}"
echo "cli_s=${cli_s[*]}"
awk -v f="$find_m" -v c="$cli_m" -v kb="$peak_kb" -v n="$ENTRIES" -v p="$path_bytes" 'BEGIN {
  printf "find_median_s=%.2f cli_median_s=%.2f ratio=%.2f (target at most 1.00)\n", f, c, c / f
  printf "cli_peak_rss=%d KiB = %.1f MB (target under 600 MB)\n", kb, kb * 1024 / 1e6
  printf "bytes_per_entry_beyond_paths=%.0f (paths %.1f MB)\n", (kb * 1024 - p) / n, p / 1e6
}'
