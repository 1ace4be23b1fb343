#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Builds Twinscan and starts it in the current directory, which is its start
# directory: the settings file "perferences.set" lives there.
set -euo pipefail
here="$(pwd)"
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/setup.sh"
cd "$here"
exec "$build/app/twinscan" "$@"
