# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Sourced by the scripts. The Debian packages a build needs:
# shellcheck shell=bash
build_packages=(cmake ninja-build g++ qt6-base-dev libgtest-dev libgl-dev)

# require_packages P... installs the Debian packages
# among P that are missing (as root, or through sudo; without either it names
# the apt-get line to give an administrator and fails).
require_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ "${#missing[@]}" -gt 0 ] || return 0
  echo "twinscan: installing missing Debian packages: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  elif command -v sudo >/dev/null 2>&1; then
    sudo apt-get update -qq
    sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  else
    echo "twinscan: not root and no sudo. Ask an administrator to run:" >&2
    echo "  apt-get install ${missing[*]}" >&2
    exit 1
  fi
}
