#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Fails when a tracked source, script or build file lacks the license line
# in its first lines, or when LICENSE is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f LICENSE ] || { echo "LICENSE is missing" >&2; exit 1; }
missing=0
while IFS= read -r -d '' f; do
  if ! head -n 3 "$f" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later'; then
    echo "no SPDX-License-Identifier line: $f" >&2
    missing=1
  fi
done < <(git ls-files -z -- '*.cpp' '*.h' '*.sh' '*.py' '*.cmake' 'CMakeLists.txt' '*/CMakeLists.txt' \
  '*.desktop' '*.1.in' '.ci/run' '.ci/package' 'debian/rules' 'packaging/twinscan-launch.in')
exit "$missing"
