#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Times twinscan-cli's `--list candidates` written as text and as JSON lines
# (`--format json`) on a tree of ENTRIES entries in 1,000 folders, warm cache,
# each listing to a file: one untimed run of each first, then RUNS rounds
# running the two in turn. Reports the medians and their ratio.
#
# Usage: bench/cli_formats.sh [WORK_DIR]
#   WORK_DIR  where the tree is built (kept and reused); a temporary folder,
#             removed afterwards, when omitted
#   ENTRIES   entries of the tree (default 499999, the most the window keeps)
#   BUILD     the build folder holding cli/twinscan-cli (default build)
#   RUNS      rounds (default 5)
set -euo pipefail
# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"

ENTRIES=${ENTRIES:-499999}
BUILD=${BUILD:-build}
RUNS=${RUNS:-5}
CLI="$BUILD/cli/twinscan-cli"
[[ -x "$CLI" ]] || { echo "missing $CLI (build the twinscan-cli target)" >&2; exit 1; }

bench_work_dir "$@"
tree="$WORK/tree$ENTRIES"
if [[ ! -f "$tree.ready" ]]; then
  rm -rf "$tree"
  python3 "$(dirname "$0")/check_tree.py" "$tree" --layout entries --entries "$ENTRIES" >/dev/null
  touch "$tree.ready"
fi

# Seconds of one run, its listing written to $WORK/listing.
seconds() {
  local start end
  start=$(date +%s%N)
  "$CLI" --list candidates "$@" "$tree" >"$WORK/listing"
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}

seconds >/dev/null
text_lines=$(wc -l <"$WORK/listing")
seconds --format json >/dev/null
json_lines=$(wc -l <"$WORK/listing")
[[ $text_lines -eq $json_lines ]] || { echo "text has $text_lines lines, JSON $json_lines" >&2; exit 1; }
text_s=() json_s=()
for ((round = 0; round < RUNS; round++)); do
  text_s+=("$(seconds)")
  json_s+=("$(seconds --format json)")
done
text_m=$(median "${text_s[@]}")
json_m=$(median "${json_s[@]}")

echo "entries=$ENTRIES candidates=$text_lines runs=$RUNS load=$(cut -d' ' -f1-3 /proc/loadavg)"
echo "text_s=${text_s[*]}"
echo "json_s=${json_s[*]}"
awk -v t="$text_m" -v j="$json_m" 'BEGIN {
  printf "text_median_s=%.2f json_median_s=%.2f ratio=%.2f (target at most 1.10)\n", t, j, j / t
}'
