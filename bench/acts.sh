#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Times twinscan-cli's acts on the ticked copies against jdupes on a
# loop-mounted XFS with shared blocks, and the verified delete against the
# least any careful delete must do.
#
# A sparse image file in WORK is formatted with `mkfs.xfs -m reflink=1` and
# loop-mounted (unmounted and removed at exit); a peers tree (check_tree.py
# --layout peers) is built on it once as the master. Every timed command runs
# on a fresh copy of the master (cp -a --reflink=never, then sync, untimed),
# with the copy in the page cache:
#   twinscan-cli --link        vs  jdupes -r -z -L   hard links
#   twinscan-cli --reflink     vs  jdupes -r -B      shared blocks
#   twinscan-cli --delete      vs  jdupes -r -z -d -N
#   floor: cat of each ticked file and its staying copy, then rm of the
#          ticked files (the ticked files and their staying copies are the
#          sets of `twinscan-cli --list groups` on the fresh copy, untimed:
#          the first path of a set stays, the others are ticked)
# jdupes gets -z where it removes or links, so it counts the empty files as
# twinscan-cli does (sharing blocks has nothing to do for them).
#
# After the first run of each command the copy is checked: every path left
# must read the bytes the master has at that path and no content may be gone;
# after --link every ticked path must remain as a hard link, after --delete
# none. twinscan-cli's results (done, kept-*, failed) are counted from its
# text output; freed_mb is the drop of the file system's used space. The best wall time of RUNS runs
# counts. Targets: each twinscan-cli act at most 1.0x its jdupes, the
# verified delete at most 1.2x the floor. A wrong result exits 1; targets
# missed only print FAIL.
#
# Needs root (loop mount; jdupes and xfsprogs are installed when missing).
# Usage: bench/acts.sh [WORK_DIR]
#   WORK_DIR  where the image goes (default: a temporary folder, removed)
#   CLI       a twinscan-cli to use instead of building one
#   BUILD     the build folder (default build-bench, RelWithDebInfo)
#   RUNS      timed runs of each command (default 3)
#   IMAGE_SIZE  the image's size (default 3G)
#   FILES, BYTES, COPIES, NEAR, EMPTY, SEED
#             the peers tree, as bench/peers.sh (default 20000 files,
#             1300000000 bytes, 0.30 copies, 0.10 near-copies, 0.02 empty)
#   ONLY      jdupes: time only the jdupes and floor lines (no twinscan-cli acts)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$ROOT/bench/common.sh"
RUNS=${RUNS:-3}
FILES=${FILES:-20000}
BYTES=${BYTES:-1300000000}
COPIES=${COPIES:-0.30}
NEAR=${NEAR:-0.10}
EMPTY=${EMPTY:-0.02}
SEED=${SEED:-1}
IMAGE_SIZE=${IMAGE_SIZE:-3G}
ONLY=${ONLY:-}

if [[ $(id -u) -ne 0 ]]; then
  echo "bench/acts.sh loop-mounts an image: run it as root" >&2
  exit 1
fi
packages=()
[[ -x /usr/bin/time ]] || packages+=(time)
command -v jdupes >/dev/null || packages+=(jdupes)
command -v mkfs.xfs >/dev/null || packages+=(xfsprogs)
bench_install "${packages[@]}"

if [[ $ONLY != jdupes ]]; then
  if [[ -z ${CLI:-} ]]; then
    bench_build twinscan-cli || { echo "building twinscan-cli failed" >&2; exit 1; }
    CLI=$BUILD/cli/twinscan-cli
  fi
  [[ -x $CLI ]] || { echo "no twinscan-cli at $CLI" >&2; exit 1; }
  CLI=$(realpath "$CLI")
fi
CLI_LIST=${CLI:-}
if [[ -z $CLI_LIST ]]; then
  # The floor needs the sets; any twinscan-cli lists them.
  bench_build twinscan-cli || { echo "building twinscan-cli failed" >&2; exit 1; }
  CLI_LIST=$(realpath "$BUILD/cli/twinscan-cli")
fi

WORK_GIVEN=${1:-}
WORK=$(realpath -m "${WORK_GIVEN:-$(mktemp -d)}")
mkdir -p "$WORK"
MNT=$WORK/mnt
IMAGE=$WORK/acts.img
cleanup() {
  mountpoint -q "$MNT" && umount "$MNT"
  rm -f "$IMAGE"
  if [[ -z $WORK_GIVEN ]]; then rm -rf "$WORK"; fi
}
trap cleanup EXIT
mkdir -p "$MNT"
mountpoint -q "$MNT" && umount "$MNT"
rm -f "$IMAGE"
truncate -s "$IMAGE_SIZE" "$IMAGE"
mkfs.xfs -q -f -m reflink=1 "$IMAGE"
mount -o loop "$IMAGE" "$MNT"

OUT=$WORK/out
rm -rf "$OUT"
mkdir -p "$OUT"
MASTER=$MNT/master
COPY=$MNT/copy
python3 "$ROOT/bench/check_tree.py" "$MASTER" --layout peers --files "$FILES" --bytes "$BYTES" \
  --copies "$COPIES" --near "$NEAR" --empty "$EMPTY" --seed "$SEED" >"$OUT/tree.txt"
(cd "$MASTER" && find . -type f -print0 | sort -z | xargs -0 sha1sum) >"$OUT/master.sums"

fresh_copy() {
  rm -rf "$COPY"
  cp -a --reflink=never "$MASTER" "$COPY"
  sync
}

# The sets of the fresh copy: $OUT/pairs holds each ticked file after its
# staying copy, $OUT/ticked the ticked files (NUL-separated).
list_sets() {
  "$CLI_LIST" --list groups -0 "$COPY" >"$OUT/groups" 2>/dev/null
  python3 - "$OUT/groups" "$OUT/pairs" "$OUT/ticked" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
pairs, ticked = [], []
for block in data.split(b"\0\0"):
    paths = [p for p in block.split(b"\0") if p]
    for path in paths[1:]:
        pairs += [paths[0], path]
        ticked.append(path)
open(sys.argv[2], "wb").write(b"".join(p + b"\0" for p in pairs))
open(sys.argv[3], "wb").write(b"".join(p + b"\0" for p in ticked))
EOF
}

declare -A best freed
below() { [[ -z $2 ]] || awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# measure NAME COMMAND...: one run on a fresh copy, stdout to $OUT/NAME.out;
# twinscan-cli's status 4 (some ticked file kept) is counted, not fatal.
measure() {
  local name=$1 start end seconds used status=0
  shift
  used=$(df -B1 --output=used "$MNT" | tail -n 1)
  start=$(date +%s%N)
  "$@" >"$OUT/$name.out" 2>"$OUT/$name.err" || status=$?
  end=$(date +%s%N)
  sync
  freed[$name]=$((used - $(df -B1 --output=used "$MNT" | tail -n 1)))
  if ((status != 0 && status != 4)); then
    echo "$name failed ($status): $*" >&2
    tail -n 20 "$OUT/$name.err" >&2
    exit 1
  fi
  seconds=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')
  below "$seconds" "${best[$name]:-}" && best[$name]=$seconds
  return 0
}

# Every path left in the copy reads what the master holds there; $1: the
# paths that must be gone (ticked), must stay (kept) or either (any).
check_copy() {
  local name=$1 ticked=$2
  (cd "$COPY" && find . -type f -print0 | sort -z | xargs -0 sha1sum) >"$OUT/$name.sums"
  python3 - "$OUT/master.sums" "$OUT/$name.sums" "$OUT/ticked" "$COPY" "$ticked" "$name" <<'EOF'
import sys
master_sums, copy_sums, ticked_file, copy, ticked_rule, name = sys.argv[1:]
def sums(path):
    out = {}
    for line in open(path, "rb").read().splitlines():
        digest, _, p = line.partition(b"  ")
        out[p] = digest
    return out
master, left = sums(master_sums), sums(copy_sums)
prefix = copy.encode() + b"/"
ticked = {b"./" + p[len(prefix):] for p in open(ticked_file, "rb").read().split(b"\0") if p}
bad = [p for p, d in left.items() if master.get(p) != d]
if bad:
    sys.exit("MISMATCH: %s: %d paths read other bytes, e.g. %r" % (name, len(bad), bad[0]))
if set(master.values()) != set(left.values()):
    sys.exit("MISMATCH: %s: a content is gone from the tree" % name)
gone = set(master) - set(left)
if ticked_rule == "ticked" and gone != ticked:
    sys.exit("MISMATCH: %s: %d paths gone, %d ticked" % (name, len(gone), len(ticked)))
if ticked_rule == "kept" and gone:
    sys.exit("MISMATCH: %s: %d paths gone" % (name, len(gone)))
if name == "link_cli":
    import os
    alone = [p for p in ticked if os.stat(copy.encode() + p[1:]).st_nlink < 2]
    if alone:
        sys.exit("MISMATCH: %s: %d ticked files are no hard link, e.g. %r" % (name, len(alone), alone[0]))
EOF
}

results_of() {  # the twinscan-cli results of NAME's text output, counted
  awk -F '\t' '{ n[$2]++ } END { for (r in n) printf "%s%s=%d", sep, r, n[r]; sep = " " }' \
    "$OUT/$1.out"
}

names=()
[[ $ONLY == jdupes ]] || names+=(link_cli)
names+=(link_jdupes)
[[ $ONLY == jdupes ]] || names+=(reflink_cli)
names+=(reflink_jdupes)
[[ $ONLY == jdupes ]] || names+=(delete_cli)
names+=(delete_jdupes floor)

for ((run = 1; run <= RUNS; run++)); do
  for name in "${names[@]}"; do
    fresh_copy
    [[ -s $OUT/ticked ]] || list_sets
    case $name in
      link_cli) measure "$name" "$CLI" --link "$COPY" ;;
      link_jdupes) measure "$name" jdupes -q -r -z -L "$COPY" ;;
      reflink_cli) measure "$name" "$CLI" --reflink "$COPY" ;;
      reflink_jdupes) measure "$name" jdupes -q -r -B "$COPY" ;;
      delete_cli) measure "$name" "$CLI" --delete "$COPY" ;;
      delete_jdupes) measure "$name" jdupes -q -r -z -d -N "$COPY" ;;
      floor)
        list_sets
        # shellcheck disable=SC2016  # the inner shell expands $1 and $2
        measure "$name" bash -c 'xargs -0 cat <"$1" >/dev/null && xargs -0 rm -- <"$2"' floor \
          "$OUT/pairs" "$OUT/ticked"
        ;;
    esac
    if ((run == 1)); then
      case $name in
        link_cli | reflink_cli | reflink_jdupes) check_copy "$name" kept ;;
        delete_cli | floor) check_copy "$name" ticked ;;
        *) check_copy "$name" any ;;
      esac
    fi
  done
done
rm -rf "$COPY"

ticked=$(tr -cd '\0' <"$OUT/ticked" | wc -c)
echo "image=$IMAGE_SIZE xfs reflink=1 tree: $(cat "$OUT/tree.txt")"
echo "ticked=$ticked (files the careful check ticks, from --list groups)"
printf "%-34s %8s %9s %9s  %s\n" command seconds ratio freed_mb results
row() {  # NAME LABEL BASE
  local r=-
  [[ -n ${3:-} ]] && r="$(ratio "${best[$1]}" "${best[$3]}")"
  printf "%-34s %8s %9s %9s  %s\n" "$2" "${best[$1]}" "$r" \
    "$(awk -v b="${freed[$1]}" 'BEGIN { printf "%.1f", b / 1048576 }')" \
    "$([[ $1 == *_cli ]] && results_of "$1")"
}
[[ $ONLY == jdupes ]] || row link_cli "twinscan-cli --link" link_jdupes
row link_jdupes "jdupes -r -z -L"
[[ $ONLY == jdupes ]] || row reflink_cli "twinscan-cli --reflink" reflink_jdupes
row reflink_jdupes "jdupes -r -B"
[[ $ONLY == jdupes ]] || row delete_cli "twinscan-cli --delete" delete_jdupes
row delete_jdupes "jdupes -r -z -d -N"
row floor "cat + rm (floor)"
echo "runs=$RUNS (best wall time; ratio: to jdupes; freed: the last run's)"
target() {  # NAME VALUE MAX
  local verdict=FAIL
  awk -v v="$2" -v m="$3" 'BEGIN { exit !(v <= m) }' && verdict=PASS
  echo "target_$1=$2 max=$3 $verdict"
}
if [[ $ONLY != jdupes ]]; then
  target link_vs_jdupes "$(ratio "${best[link_cli]}" "${best[link_jdupes]}")" 1.00
  target reflink_vs_jdupes "$(ratio "${best[reflink_cli]}" "${best[reflink_jdupes]}")" 1.00
  target delete_vs_jdupes "$(ratio "${best[delete_cli]}" "${best[delete_jdupes]}")" 1.00
  target delete_vs_floor "$(ratio "${best[delete_cli]}" "${best[floor]}")" 1.20
fi
