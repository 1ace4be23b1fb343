#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Times twinscan-cli against the established duplicate finders on one tree,
# warm cache, in one run, and checks that twinscan-cli finds the same sets as
# jdupes.
#
# Part "peers": a tree of files of many sizes with exact copies, same-size
# near-copies and empty files (bench/check_tree.py --layout peers). Timed:
#   twinscan-cli --mode careful --list groups   sets of identical files
#   twinscan-cli --mode careful                 ticked files (the check engine)
#   twinscan-cli --mode fast                    ticked files (the check engine)
#   jdupes -r -z                                -z: empty files are duplicates
#   fdupes -r                                   counts empty files by default
#   rdfind -ignoreempty false -dryrun true      results file into the output folder
#   rmlint -T df --size 0 --without-fiemap -o fdupes:FILE
#                                               duplicate files only, empty ones
#                                               too, no extent ordering (below)
#   find -printf '%s %p\n'                      the walk alone
# Every finder is told to count empty files, so all do the same job and their
# sets compare: one set of all empty files, as twinscan-cli reports it. The
# twinscan-cli sets must equal jdupes' (compared as sets of sets), and the
# careful check must tick every member of a set but one; the other finders'
# sets are compared with jdupes' and reported only. rmlint orders its reads by
# disk extents on a disk that reports itself rotational (as virtual disks
# often do), asking for the extents with a sync of every file; with the tree in
# the page cache that only adds waits, so it is turned off, as on an SSD.
#
# Part "walk": a tree of ENTRIES entries, many of them empty or tiny files in
# nested folders (check_tree.py --layout entries). `twinscan-cli --list
# candidates` walks, groups and prints the candidates without running a
# check; it is timed against `find -printf '%s %p\n'`, and its list must equal
# the files whose size another file shares.
#
# Each command runs RUNS times, in turns, after one untimed read of the tree;
# the best wall time counts, peak RSS (GNU time %M) is the largest seen. A
# mismatch exits 1; targets missed only print FAIL.
#
# Usage: bench/peers.sh [WORK_DIR]
#   WORK_DIR  where trees and outputs go (trees are kept and reused while the
#             parameters stay); a temporary folder, removed afterwards, when
#             omitted
#   PART      peers, walk or all (default all)
#   CLI       a twinscan-cli to use instead of building one
#   BUILD     the build folder (default build-bench, RelWithDebInfo)
#   RUNS      timed runs of each command (default 3)
#   FILES, BYTES, COPIES, NEAR, EMPTY, SEED
#             the peers tree (default 20000 files, 1300000000 bytes, 0.30
#             copies, 0.10 near-copies, 0.02 empty files, seed 1)
#   ENTRIES   entries of the walk tree (default 499999)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$ROOT/bench/common.sh"
PART=${PART:-all}
RUNS=${RUNS:-3}
FILES=${FILES:-20000}
BYTES=${BYTES:-1300000000}
COPIES=${COPIES:-0.30}
NEAR=${NEAR:-0.10}
EMPTY=${EMPTY:-0.02}
SEED=${SEED:-1}
ENTRIES=${ENTRIES:-499999}
case $PART in peers | walk | all) ;; *)
  echo "PART must be peers, walk or all" >&2
  exit 2
  ;;
esac

# Missing tools are installed as root; otherwise the command is printed.
packages=()
[[ -x /usr/bin/time ]] || packages+=(time)
if [[ $PART != walk ]]; then
  for tool in jdupes fdupes rdfind rmlint; do command -v "$tool" >/dev/null || packages+=("$tool"); done
fi
bench_install "${packages[@]}"

if [[ -z ${CLI:-} ]]; then
  BUILD=${BUILD:-$ROOT/build-bench}
  log=$(mktemp)
  { cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
    cmake --build "$BUILD" -j2 --target twinscan-cli; } >"$log" 2>&1 ||
    { tail -n 40 "$log" >&2; rm -f "$log"; echo "building twinscan-cli failed" >&2; exit 1; }
  rm -f "$log"
  CLI=$BUILD/cli/twinscan-cli
fi
[[ -x $CLI ]] || { echo "no twinscan-cli at $CLI" >&2; exit 1; }
CLI=$(realpath "$CLI")

if [[ $# -ge 1 ]]; then
  WORK=$(realpath -m "$1")
  mkdir -p "$WORK"
else
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
fi
if [[ $PART != walk && ! -f $WORK/peers.ready ]]; then
  free_bytes=$(($(df -Pk "$WORK" | awk 'NR == 2 { print $4 }') * 1024))
  if ((free_bytes < BYTES + (1 << 30))); then
    echo "$WORK has $free_bytes bytes free, the tree needs $BYTES and 1 GiB to spare" >&2
    exit 1
  fi
fi
OUT=$WORK/out        # every command's output
SCRATCH=$WORK/cwd    # the commands' working folder, which must stay empty
rm -rf "$OUT" "$SCRATCH"
mkdir -p "$OUT" "$SCRATCH"

# Builds tree $1 with check_tree.py arguments $2..., unless the tree there was
# built with the same arguments by the same generator.
make_tree() {
  local tree=$1 stamp
  shift
  stamp="$* $(sha1sum <"$ROOT/bench/check_tree.py" | cut -c1-12)"
  if [[ ! -f "$tree.ready" || $(cat "$tree.ready") != "$stamp" ]]; then
    rm -rf "$tree" "$tree.ready"
    python3 "$ROOT/bench/check_tree.py" "$tree" "$@" >"$tree.txt"
    echo "$stamp" >"$tree.ready"
  fi
  sync  # no dirty pages left for a finder that syncs files to pay for
}

declare -A best peak cpu
# True when $1 is below $2 or $2 is empty.
below() { [[ -z $2 ]] || awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# measure NAME COMMAND...: one run in SCRATCH, stdout to $OUT/NAME.out;
# keeps NAME's best wall time, its least CPU time (user + system, which
# other load on the machine disturbs less) and its largest peak RSS (kB).
measure() {
  local name=$1 start end seconds rss user system total
  shift
  start=$(date +%s%N)
  if ! (cd "$SCRATCH" && /usr/bin/time -f "%M %U %S" -o "$OUT/$name.time" "$@" \
    >"$OUT/$name.out" 2>"$OUT/$name.err"); then
    echo "$name failed: $*" >&2
    cat "$OUT/$name.err" >&2
    exit 1
  fi
  end=$(date +%s%N)
  seconds=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')
  read -r rss user system < <(tail -n 1 "$OUT/$name.time")
  below "$seconds" "${best[$name]:-}" && best[$name]=$seconds
  total=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
  below "$total" "${cpu[$name]:-}" && cpu[$name]=$total
  ((rss > ${peak[$name]:-0})) && peak[$name]=$rss
  return 0
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# Sets in a listing of sets separated by empty lines, and the files in them.
sets_of() { awk 'BEGIN { RS = "" } END { print NR }' "$1"; }
files_of() { grep -c . "$1" || true; }

# The commands' working folder must hold nothing and the tree must be as before.
check_left_alone() {
  local tree=$1 before=$2
  if [[ -n $(ls -A "$SCRATCH") ]]; then
    echo "MISMATCH: a command left files in its working folder:" >&2
    ls -A "$SCRATCH" >&2
    exit 1
  fi
  [[ $(find "$tree" | wc -l) -eq $before ]] || { echo "MISMATCH: the tree changed" >&2; exit 1; }
}

targets=()
target() {  # NAME VALUE MAX
  local verdict=FAIL
  awk -v v="$2" -v m="$3" 'BEGIN { exit !(v <= m) }' && verdict=PASS
  targets+=("target_$1=$2 max=$3 $verdict")
}

print_row() {  # NAME SECONDS RATIO CPU_SECONDS RSS_KB [SETS]
  printf "%-42s %8s %7s %6s %8s" "$1" "$2" "$3" "$4" "$(mb "$5")"
  [[ $# -lt 6 ]] || printf " %11s" "$6"
  echo
}

if [[ $PART != walk ]]; then
  TREE=$WORK/peers
  make_tree "$TREE" --layout peers --files "$FILES" --bytes "$BYTES" --copies "$COPIES" \
    --near "$NEAR" --empty "$EMPTY" --seed "$SEED"
  entries_before=$(find "$TREE" | wc -l)
  find "$TREE" -type f -exec cat {} + >/dev/null  # warm the page cache, untimed

  names=(careful_groups careful_ticked fast_ticked jdupes fdupes rdfind rmlint find)
  for ((run = 1; run <= RUNS; run++)); do
    measure careful_groups "$CLI" --mode careful --list groups "$TREE"
    measure careful_ticked "$CLI" --mode careful "$TREE"
    measure fast_ticked "$CLI" --mode fast "$TREE"
    measure jdupes jdupes -r -z "$TREE"
    measure fdupes fdupes -r "$TREE"
    measure rdfind rdfind -ignoreempty false -dryrun true -outputname "$OUT/rdfind.results" "$TREE"
    measure rmlint rmlint -T df --size 0 --without-fiemap -o fdupes:"$OUT/rmlint.sets" "$TREE"
    measure find find "$TREE" -printf '%s %p\n'
  done
  check_left_alone "$TREE" "$entries_before"

  # rdfind's results file, one duplicate a line with the set's number (negative
  # for all but the first) in field 2, into the layout of the others.
  awk '!/^#/ { id = $2 < 0 ? -$2 : $2; path = $0
               for (i = 0; i < 7; i++) sub(/^[^ ]+ /, "", path)
               sets[id] = sets[id] path "\n" }
       END { for (id in sets) printf "%s\n", sets[id] }' "$OUT/rdfind.results" >"$OUT/rdfind.sets"
  cp "$OUT/careful_groups.out" "$OUT/careful_groups.sets"
  cp "$OUT/jdupes.out" "$OUT/jdupes.sets"
  cp "$OUT/fdupes.out" "$OUT/fdupes.sets"

  echo "tree=$TREE $(cat "$TREE.txt")"
  printf "%-42s %8s %7s %6s %8s %11s\n" command seconds x_jdupes cpu_s peak_mb sets/files
  jdupes_s=${best[jdupes]}
  for name in "${names[@]}"; do
    case $name in
      careful_groups) label="twinscan-cli --mode careful --list groups" ;;
      careful_ticked) label="twinscan-cli --mode careful" ;;
      fast_ticked) label="twinscan-cli --mode fast" ;;
      jdupes) label="jdupes -r -z" ;;
      fdupes) label="fdupes -r" ;;
      rdfind) label="rdfind -dryrun true" ;;
      rmlint) label="rmlint -T df" ;;
      find) label="find -printf '%s %p\n'" ;;
    esac
    if [[ -f $OUT/$name.sets ]]; then
      counts="$(sets_of "$OUT/$name.sets")/$(files_of "$OUT/$name.sets")"
    elif [[ $name == *_ticked ]]; then
      counts="$(files_of "$OUT/$name.out") ticked"
    else
      counts=-
    fi
    print_row "$label" "${best[$name]}" "$(ratio "${best[$name]}" "$jdupes_s")" "${cpu[$name]}" \
      "${peak[$name]}" "$counts"
  done

  status=0
  for name in fdupes rdfind rmlint; do
    python3 "$ROOT/bench/same_sets.py" "$OUT/jdupes.sets" "$OUT/$name.sets" --name "${name}_vs_jdupes" \
      2>"$OUT/$name.diff" || echo "note: $name's sets differ from jdupes' (see $OUT/$name.diff)"
  done
  python3 "$ROOT/bench/same_sets.py" "$OUT/jdupes.sets" "$OUT/careful_groups.sets" \
    --name twinscan_vs_jdupes || status=1
  # Without hard links the careful check ticks all members of a set but one.
  expected_ticked=$(($(files_of "$OUT/jdupes.sets") - $(sets_of "$OUT/jdupes.sets")))
  careful_ticked=$(files_of "$OUT/careful_ticked.out")
  echo "careful_ticked=$careful_ticked expected_ticked=$expected_ticked"
  if ((careful_ticked != expected_ticked)); then
    echo "MISMATCH: twinscan-cli --mode careful ticked $careful_ticked files, jdupes' sets" \
      "call for $expected_ticked" >&2
    status=1
  fi
  if ((status != 0)); then
    echo "MISMATCH: twinscan-cli and jdupes disagree; outputs in $OUT" >&2
    exit 1
  fi
  echo "runs=$RUNS jdupes_seconds=$jdupes_s careful_groups_seconds=${best[careful_groups]}" \
    "careful_seconds=${best[careful_ticked]} fast_seconds=${best[fast_ticked]}"
  target careful_groups_vs_jdupes "$(ratio "${best[careful_groups]}" "$jdupes_s")" 0.50
  target careful_vs_jdupes "$(ratio "${best[careful_ticked]}" "$jdupes_s")" 0.50
  target fast_vs_careful "$(ratio "${best[fast_ticked]}" "${best[careful_ticked]}")" 1.00
  echo
fi

if [[ $PART != peers ]]; then
  TREE=$WORK/entries
  make_tree "$TREE" --layout entries --entries "$ENTRIES"
  actual=$(find "$TREE" -mindepth 1 | wc -l)
  [[ $actual -eq $ENTRIES ]] || { echo "tree holds $actual entries, not $ENTRIES" >&2; exit 1; }
  find "$TREE" -printf '%s %p\n' >/dev/null  # warm the inode and directory caches, untimed

  for ((run = 1; run <= RUNS; run++)); do
    measure walk_candidates "$CLI" --list candidates "$TREE"
    measure walk_find find "$TREE" -printf '%s %p\n'
  done
  check_left_alone "$TREE" $((ENTRIES + 1))

  # The candidates are the regular files whose size another file has.
  find "$TREE" -type f -printf '%s\t%p\n' >"$OUT/walk_files.txt"
  python3 - "$OUT/walk_files.txt" "$OUT/walk_candidates.out" <<'EOF' || exit 1
import collections, sys
files = open(sys.argv[1], "rb").read().splitlines()
listed = open(sys.argv[2], "rb").read().splitlines()
sizes = collections.Counter(line.split(b"\t", 1)[0] for line in files)
expected = sorted(line for line in files if sizes[line.split(b"\t", 1)[0]] > 1)
print("candidates=%d expected_candidates=%d" % (len(listed), len(expected)))
if sorted(listed) != expected:
    sys.exit("MISMATCH: twinscan-cli --list candidates differs from the files of shared sizes")
EOF

  echo "tree=$TREE $(cat "$TREE.txt")"
  printf "%-42s %8s %7s %6s %8s\n" command seconds x_find cpu_s peak_mb
  print_row "find -printf '%s %p\n'" "${best[walk_find]}" 1.00 "${cpu[walk_find]}" \
    "${peak[walk_find]}"
  print_row "twinscan-cli --list candidates" "${best[walk_candidates]}" \
    "$(ratio "${best[walk_candidates]}" "${best[walk_find]}")" "${cpu[walk_candidates]}" \
    "${peak[walk_candidates]}"
  echo "runs=$RUNS find_seconds=${best[walk_find]} walk_grouping_seconds=${best[walk_candidates]}" \
    "cli_peak_rss_mb=$(mb "${peak[walk_candidates]}")"
  target walk_grouping_vs_find "$(ratio "${best[walk_candidates]}" "${best[walk_find]}")" 1.50
  target cli_peak_rss_mb "$(mb "${peak[walk_candidates]}")" 150
  echo
fi

printf "%s\n" "${targets[@]}"
