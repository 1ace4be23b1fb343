#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# Builds the fuzz targets with clang (libFuzzer + ASan + UBSan) and runs the
# settings reader's target for a bounded time. A crash, a failed property, a
# hang (-timeout) or a memory blow-up (-rss_limit_mb) fails the script and
# leaves the input under the build folder's findings/.
# Usage: scripts/fuzz.sh [seconds, default 90]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-90}"
build="${TWINSCAN_FUZZ_BUILD:-build-fuzz}"

# clang and libFuzzer's runtime: install them when a trivial target cannot link.
probe='extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }'
if ! echo "$probe" | clang++ -fsanitize=fuzzer -x c++ - -o /dev/null 2>/dev/null; then
  apt-get update >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    clang libclang-rt-dev >/dev/null
fi

# The "fuzz" preset; TWINSCAN_FUZZ_BUILD names another folder than its build-fuzz/.
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target twinscan_preferences_fuzz

# New inputs go to the first folder; the committed seeds stay as they are.
mkdir -p "$build/corpus" "$build/findings"
"$build/fuzz/twinscan_preferences_fuzz" "$build/corpus" fuzz/corpus/preferences \
  -dict=fuzz/preferences.dict -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/findings/"
