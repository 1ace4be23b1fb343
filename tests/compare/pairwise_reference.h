// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <functional>

#include "compare/check_run.h"

// The check as pairs of CompareFiles calls: fast compares each row with the
// next one, careful every row of a band with every later unmatched row. Slow
// (k(k-1)/2 comparisons per band), but plainly right; tests hold the engine
// to its answers.
void RunCheckPairwise(const CheckInput& input, CandidateTable& candidates, CheckSink& sink,
                      const std::function<void()>& checkpoint);
