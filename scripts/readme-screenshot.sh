#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Makes the README's picture, docs/screenshots/window.png: the window on an X
# server (Xvfb) after a real scan and a fast check of a sample tree made here,
# with copies and near-copies (same size, one byte apart).
# Usage: scripts/readme-screenshot.sh [OUTPUT.png]
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TWINSCAN_BUILD_DIR:-$repo/build}"
out="${1:-$repo/docs/screenshots/window.png}"

if ! command -v Xvfb >/dev/null 2>&1; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "readme-screenshot: Xvfb is missing; run: apt-get install xvfb" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xvfb >/dev/null
fi

[ -f "$build/CMakeCache.txt" ] ||
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target twinscan-screenshot

# A fixed place, so that the folder field in the picture reads the same each time.
work=/tmp/twinscan-readme
rm -rf "$work"
mkdir -p "$work"
xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# A file of `size` bytes of random content.
make_file() { head -c "$2" /dev/urandom >"$1"; }
# A copy of `from` whose last byte differs: a near-copy of the same size.
near_copy() {
  cp "$1" "$2"
  local size
  size=$(stat -c %s "$2")
  tail -c 1 "$1" | LC_ALL=C tr '\000-\377' '\001-\377\000' |
    dd of="$2" bs=1 seek=$((size - 1)) conv=notrunc status=none
}

tree="$work/Pictures"
mkdir -p "$tree/2023 Holiday" "$tree/Backup" "$tree/Phone" "$tree/Edited"
make_file "$tree/2023 Holiday/beach.jpg" 248113
make_file "$tree/2023 Holiday/harbour.jpg" 301552
make_file "$tree/2023 Holiday/sunset.jpg" 187640
make_file "$tree/Phone/IMG_2041.jpg" 95310
make_file "$tree/notes.txt" 1432
cp "$tree/2023 Holiday/beach.jpg" "$tree/Backup/beach.jpg"
cp "$tree/2023 Holiday/beach.jpg" "$tree/Phone/IMG_2040.jpg"
cp "$tree/2023 Holiday/harbour.jpg" "$tree/Backup/harbour.jpg"
near_copy "$tree/2023 Holiday/sunset.jpg" "$tree/Edited/sunset.jpg"
cp "$tree/2023 Holiday/sunset.jpg" "$tree/Backup/sunset.jpg"
cp "$tree/Phone/IMG_2041.jpg" "$tree/Backup/IMG_2041.jpg"
near_copy "$tree/notes.txt" "$tree/Backup/notes.txt"

# The window starts in a folder of its own with an empty home, so no settings
# or window placement of the user's play a part. Its settings file gives the
# columns of both lists room for the paths; the rest are the defaults.
mkdir -p "$work/start" "$work/home"
{
  echo "$tree"
  for _ in 1 2; do printf '%s\n' 3 FileName 140 Size 70 Path 360; done
  printf '%s\n' 12632256 8421504 16777215 0 0 0
} | sed 's/$/\r/' >"$work/start/perferences.set"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || {
  cat "$work/xvfb.log" >&2
  exit 1
}

(cd "$work/start" &&
  env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u WAYLAND_DISPLAY HOME="$work/home" \
    DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb \
    "$build/tests/app/twinscan-screenshot" "$tree" "$work/shot" fast 960x540)
mkdir -p "$(dirname "$out")"
cp "$work/shot-files.png" "$out"
echo "wrote $out"
