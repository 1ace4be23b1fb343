#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Times twinscan-cli's `--list candidates` written as text and as JSON lines
# (`--format json`) on a tree of ENTRIES entries in 1,000 folders, warm cache,
# each listing to a file: one untimed run of each first, then RUNS rounds
# running the two in turn. Reports the medians of wall and CPU (user and
# system) seconds and their ratios; CPU time moves less when the machine is
# busy.
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
RUNS=${RUNS:-5}
bench_cli
bench_work_dir "$@"
bench_entries_tree "$ENTRIES"

# Wall and CPU seconds of one run, its listing written to $WORK/listing.
seconds() {
  /usr/bin/time -f '%e %U %S' -o "$WORK/time.out" "$CLI" --list candidates "$@" "$tree" >"$WORK/listing"
  awk '{ printf "%s %.2f", $1, $2 + $3 }' "$WORK/time.out"
}

seconds >/dev/null
text_lines=$(wc -l <"$WORK/listing")
seconds --format json >/dev/null
json_lines=$(wc -l <"$WORK/listing")
[[ $text_lines -eq $json_lines ]] || { echo "text has $text_lines lines, JSON $json_lines" >&2; exit 1; }
text_s=() json_s=() text_cpu=() json_cpu=()
for ((round = 0; round < RUNS; round++)); do
  read -r s cpu <<<"$(seconds)"
  text_s+=("$s") text_cpu+=("$cpu")
  read -r s cpu <<<"$(seconds --format json)"
  json_s+=("$s") json_cpu+=("$cpu")
done
text_m=$(median "${text_s[@]}")
json_m=$(median "${json_s[@]}")
text_c=$(median "${text_cpu[@]}")
json_c=$(median "${json_cpu[@]}")

echo "entries=$ENTRIES candidates=$text_lines runs=$RUNS load=$(cut -d' ' -f1-3 /proc/loadavg)"
echo "text_s=${text_s[*]}"
echo "json_s=${json_s[*]}"
echo "text_cpu_s=${text_cpu[*]}"
echo "json_cpu_s=${json_cpu[*]}"
awk -v t="$text_m" -v j="$json_m" -v tc="$text_c" -v jc="$json_c" 'BEGIN {
  printf "text_median_s=%.2f json_median_s=%.2f ratio=%.2f (target at most 1.10)\n", t, j, j / t
  printf "text_cpu_median_s=%.2f json_cpu_median_s=%.2f ratio=%.2f\n", tc, jc, jc / tc
}'
