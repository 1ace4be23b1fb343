// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <functional>
#include <vector>

#include "compare/check_engine.h"
#include "core/records.h"

// The sets of byte-identical rows among rows 1..count() of `candidates`, each
// holding at least two different files (hard links of one file count once).
// Within each band a row joins the first earlier set whose first row is
// identical to it or the same file. Rows of a set and the sets themselves are
// in candidate order. Bands are compared side by side by `limits.threads`
// engines; `progress` hears the share of rows done, in order. `checkpoint`,
// when set, runs before each file is looked at or read (it may throw StopRun;
// with several threads it must be safe to call from each).
std::vector<std::vector<int>> IdenticalSets(const CandidateTable& candidates,
                                            const std::function<void(int percent)>& progress,
                                            const EngineLimits& limits,
                                            const std::function<void()>& checkpoint = {});
