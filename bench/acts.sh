#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# The cost of acting with certainty: twinscan-cli --link, --reflink and
# --delete on the peers tree (bench/check_tree.py --layout peers: 20,000
# files, some 6,400 of them copies to act on) in a loop-mounted XFS image
# with shared blocks, against
#   jdupes -r -z -q -L       hard links
#   jdupes -r -z -q -B       shared blocks (FIDEDUPERANGE)
#   jdupes -r -z -q -d -N    deletes, the first file of each set kept
#   cat + rm                 the floor of a verified delete: each ticked file
#                            and its staying copy read once (cat), then the
#                            ticked files removed (rm); the pairs are those
#                            twinscan-cli --delete --dry-run names
# -z: empty files count as copies, as they do for twinscan-cli. Each command
# runs on a fresh copy of the tree (cp --reflink=never: no blocks shared
# beforehand), warm cache (every file read once first); the best wall time of
# RUNS counts. Targets: each act at most 1.0x jdupes, the delete at most
# 1.2x the cat + rm floor (a miss prints FAIL).
#
# Usage: bench/acts.sh [WORK_DIR]   (as root: it mounts a loop device)
#   WORK_DIR  where the image goes (default: a temporary folder)
#   CLI       a twinscan-cli to use instead of building one
#   BUILD     the build folder (default build-bench, RelWithDebInfo)
#   RUNS      timed runs of each command (default 3)
#   FILES, BYTES, SEED   the peers tree (default 20000 files, 1300000000 bytes, seed 1)
set -euo pipefail

# shellcheck source=bench/common.sh
source "$(dirname "$0")/common.sh"
RUNS=${RUNS:-3}
FILES=${FILES:-20000}
BYTES=${BYTES:-1300000000}
SEED=${SEED:-1}
[[ $(id -u) -eq 0 ]] || { echo "acts.sh mounts a loop device: run it as root" >&2; exit 1; }
command -v jdupes >/dev/null || { echo "jdupes is missing (apt-get install jdupes)" >&2; exit 1; }
if [[ -z ${CLI:-} ]]; then
  bench_build twinscan-cli
  CLI="$BUILD/cli/twinscan-cli"
fi
bench_work_dir "${1:-}"

image="$WORK/xfs.img"
mnt="$WORK/mnt"
mkdir -p "$mnt"
truncate -s $((BYTES * 3 + 512 * 1024 * 1024)) "$image"
mkfs.xfs -q -f -m reflink=1 "$image"
mount -o loop "$image" "$mnt"
trap 'umount "$mnt" 2>/dev/null || true; [[ -z ${1:-} ]] && rm -rf "$WORK"' EXIT
python3 "$(dirname "$0")/check_tree.py" "$mnt/source" --layout peers --files "$FILES" \
  --bytes "$BYTES" --seed "$SEED" >/dev/null

# A fresh copy of the tree at $mnt/peers, every file of it read once.
fresh() {
  rm -rf "$mnt/peers"
  cp -a --reflink=never "$mnt/source" "$mnt/peers"
  sync
  find "$mnt/peers" -type f -exec cat {} + >/dev/null
}

# Best wall time in seconds of RUNS runs of "$@" (each on a fresh tree).
best() {
  local times=()
  for _ in $(seq 1 "$RUNS"); do
    fresh
    /usr/bin/time -f %e -o "$WORK/time" "$@" >/dev/null 2>&1 || true
    times+=("$(tail -1 "$WORK/time")")
  done
  printf '%s\n' "${times[@]}" | sort -g | head -1
}

# The floor of a verified delete: the pairs of the dry run, read, then the
# ticked files removed.
floor() {
  "$CLI" --delete --dry-run -0 "$mnt/peers" >"$WORK/pairs" 2>/dev/null || true
  python3 - "$WORK/pairs" "$WORK/read" "$WORK/targets" <<'EOF'
import sys
records = [r.split(b"\t") for r in open(sys.argv[1], "rb").read().split(b"\0") if r]
done = [r for r in records if r[1] == b"done"]
open(sys.argv[2], "wb").write(b"".join(r[2] + b"\0" + r[3] + b"\0" for r in done))
open(sys.argv[3], "wb").write(b"".join(r[2] + b"\0" for r in done))
EOF
  echo "$(tr -cd '\0' <"$WORK/targets" | wc -c) ticked files with a verified copy" >&2
  local times=()
  for _ in $(seq 1 "$RUNS"); do
    fresh
    /usr/bin/time -f %e -o "$WORK/time" sh -c \
      'xargs -0 -a "$1" cat >/dev/null && xargs -0 -a "$2" rm -f' floor "$WORK/read" "$WORK/targets"
    times+=("$(tail -1 "$WORK/time")")
  done
  printf '%s\n' "${times[@]}" | sort -g | head -1
}

# "name twinscan-seconds other-seconds ratio PASS|FAIL" against `limit`.
report() {
  awk -v n="$1" -v a="$2" -v b="$3" -v limit="$4" \
    'BEGIN { r = a / b; printf "%-28s %8.2f s %8.2f s %6.2fx  %s\n", n, a, b, r, (r <= limit ? "PASS" : "FAIL") }'
}

fresh
"$CLI" --link --dry-run "$mnt/peers" 2>&1 >/dev/null | tail -1
echo "act                        twinscan     other    ratio"
report "--link vs jdupes -L" "$(best "$CLI" --link "$mnt/peers")" \
  "$(best jdupes -r -z -q -L "$mnt/peers")" 1.0
report "--reflink vs jdupes -B" "$(best "$CLI" --reflink "$mnt/peers")" \
  "$(best jdupes -r -z -q -B "$mnt/peers")" 1.0
delete=$(best "$CLI" --delete "$mnt/peers")
report "--delete vs jdupes -d -N" "$delete" "$(best jdupes -r -z -q -d -N "$mnt/peers")" 1.0
fresh
report "--delete vs cat + rm" "$delete" "$(floor)" 1.2
