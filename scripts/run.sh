#!/usr/bin/env bash
# Builds Twinscan and starts it in the current directory, which is its start
# directory: the settings file "perferences.set" lives there.
set -euo pipefail
here="$(pwd)"
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/setup.sh"
cd "$here"
exec "$build/app/twinscan" "$@"
