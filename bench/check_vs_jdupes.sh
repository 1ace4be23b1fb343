#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Times the duplicate check against jdupes on one tree of copies and
# near-copies (same size, last byte differs), warm cache: the window (scan,
# then the fast and the careful check, with the window thread's stalls), the
# check alone (twinscan-check-bench fast and careful) and `jdupes -r -z`.
# Bytes read are the programs' read() totals (rchar of /proc/PID/io), and for
# twinscan also the comparison's own count.
#
# Usage: bench/check_vs_jdupes.sh [WORK_DIR]
#   WORK_DIR  where the tree is built (kept and reused); a temporary folder,
#             removed afterwards, when omitted
#   BUILD     the build folder (default build-bench, configured RelWithDebInfo)
#   FILES     files in the tree (default 20000, about 1.3 GB; 5000 when the
#             disk has less than 4 GB free)
set -euo pipefail

# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
bench_build twinscan-window-bench twinscan-check-bench
WINDOW="$BUILD/tests/app/twinscan-window-bench"
CHECK="$BUILD/bench/twinscan-check-bench"
command -v jdupes >/dev/null || { echo "jdupes is missing (apt-get install -y jdupes)" >&2; exit 1; }

bench_work_dir "$@"
TREE="$WORK/tree"

free_kb=$(df -Pk "$WORK" | awk 'NR == 2 { print $4 }')
if [[ -z ${FILES:-} ]]; then
  FILES=20000
  if ((free_kb < 4 * 1024 * 1024)); then
    FILES=5000
    echo "note: less than 4 GB free in $WORK, using the smaller tree of $FILES files"
  fi
fi
# Sizes 1 KiB..130 KiB: about 66 KB a file on average.
if [[ ! -f "$WORK/tree.ready" ]]; then
  rm -rf "$TREE"
  python3 "$(dirname "$0")/check_tree.py" "$TREE" --files "$FILES" --min-size 1024 \
    --max-size $((130 * 1024)) --seed 1 >"$WORK/tree.txt"
  touch "$WORK/tree.ready"
fi
echo "tree=$TREE $(cat "$WORK/tree.txt")"
find "$TREE" -type f -exec cat {} + >/dev/null  # warm the page cache

# Runs "$@" with stdout to a file; prints "seconds rchar peak_rss_kb".
measure() {
  local out=$1
  shift
  python3 - "$out" "$@" <<'EOF'
import os, sys, time
out, argv = sys.argv[1], sys.argv[2:]
start = time.monotonic()
pid = os.fork()
if pid == 0:
    fd = os.open(out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    os.dup2(fd, 1)
    os.execvp(argv[0], argv)
# Read the I/O totals of the ended child before it is reaped.
os.waitid(os.P_PID, pid, os.WEXITED | os.WNOWAIT)
elapsed = time.monotonic() - start
io = dict(line.split(": ") for line in open("/proc/%d/io" % pid).read().splitlines())
_, status, usage = os.wait4(pid, 0)
if status != 0:
    sys.exit("%s failed with status %d" % (argv[0], status))
print("%.3f %s %d" % (elapsed, io["rchar"], usage.ru_maxrss))
EOF
}
value() { sed -n "s/^$1=//p" "$2"; }

read -r window_s window_rchar window_rss < <(QT_QPA_PLATFORM=offscreen measure "$WORK/window.txt" \
  "$WINDOW" "$TREE" --check fast --check careful)
read -r fast_s fast_rchar fast_rss < <(measure "$WORK/fast.txt" "$CHECK" "$TREE" fast)
read -r careful_s careful_rchar careful_rss < <(measure "$WORK/careful.txt" "$CHECK" "$TREE" careful)
read -r jdupes_s jdupes_rchar jdupes_rss < <(measure "$WORK/jdupes.txt" jdupes -r -z "$TREE")
# jdupes prints sets of identical files separated by blank lines; every file of
# a set but one is a duplicate, as the careful check ticks them.
jdupes_files=$(grep -c . "$WORK/jdupes.txt" || true)
jdupes_sets=$(awk 'BEGIN { RS = "" } END { print NR }' "$WORK/jdupes.txt")

echo
echo "window: $(tr '\n' ' ' <"$WORK/window.txt")"
echo
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf "%-24s %9s %9s %14s %14s %8s %9s %9s\n" program seconds ratio bytes_read rchar \
  ticked stall_ms rss_mb
row() {  # NAME SECONDS BYTES RCHAR TICKED STALL RSS_KB
  printf "%-24s %9s %9s %14s %14s %8s %9s %9.1f\n" "$1" "$2" "$(ratio "$2" "$jdupes_s")" "$3" "$4" \
    "$5" "$6" "$(awk -v k="$7" 'BEGIN { print k / 1024 }')"
}
w=$WORK/window.txt
row "window fast check" "$(value check_fast_seconds "$w")" "$(value check_fast_bytes_read "$w")" \
  - "$(value check_fast_ticked "$w")" "$(value check_fast_stall_ms "$w")" "$window_rss"
row "window careful check" "$(value check_careful_seconds "$w")" \
  "$(value check_careful_bytes_read "$w")" - "$(value check_careful_ticked "$w")" \
  "$(value check_careful_stall_ms "$w")" "$window_rss"
row "window whole run (all)" "$window_s" - "$window_rchar" - - "$window_rss"
row "check-bench fast" "$(value seconds "$WORK/fast.txt")" "$(value bytes_read "$WORK/fast.txt")" \
  "$fast_rchar" "$(value ticked "$WORK/fast.txt")" - "$fast_rss"
row "check-bench fast (wall)" "$fast_s" - - - - "$fast_rss"
row "check-bench careful" "$(value seconds "$WORK/careful.txt")" \
  "$(value bytes_read "$WORK/careful.txt")" "$careful_rchar" "$(value ticked "$WORK/careful.txt")" \
  - "$careful_rss"
row "check-bench careful (wall)" "$careful_s" - - - - "$careful_rss"
row "jdupes -r -z" "$jdupes_s" - "$jdupes_rchar" "$((jdupes_files - jdupes_sets))" - "$jdupes_rss"
echo
echo "candidates=$(value candidates "$WORK/careful.txt") jdupes_sets=$jdupes_sets" \
  "jdupes_files_in_sets=$jdupes_files"
echo "(ticked for jdupes: files in its sets minus one per set; check-bench seconds are the"
echo " check alone, its wall time includes listing the tree)"
