#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Formats every tracked .h and .cpp file with clang-format (.clang-format).
# Usage: scripts/format.sh          rewrite the files in place
#        scripts/format.sh --check  change nothing; fail on any file that differs
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$repo/scripts/packages.sh"
require_packages clang-format git
cd "$repo"

case "${1:-}" in
  --check) mode=(--dry-run --Werror) ;;
  "") mode=(-i) ;;
  *)
    echo "usage: scripts/format.sh [--check]" >&2
    exit 2
    ;;
esac
git ls-files -z -- '*.h' '*.cpp' | xargs -0 -P "$(nproc)" -n 50 clang-format "${mode[@]}" || {
  echo "format: files differ from .clang-format (run scripts/format.sh)" >&2
  exit 1
}
