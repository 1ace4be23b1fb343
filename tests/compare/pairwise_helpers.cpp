// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "compare/pairwise_reference.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/compare_files.h"

namespace {

// Each row with the row after it, over the rows the list had at the start
// (the list cannot change during a check); the earlier row of an identical
// pair is ticked. Progress is sent only when its value changes, which keeps
// the sequence of values the bar shows.
void FastCheck(const CheckInput& input, const CandidateTable& candidates, CheckSink& sink,
               const std::function<void()>& checkpoint) {
  const int rows = input.listRows;
  int shown = -1;
  const auto show = [&](int percent) {
    if (percent == shown) return;
    sink.progress(percent);
    shown = percent;
  };
  for (int r = 1; r < rows; ++r) {
    if (rows > 2) {
      show(static_cast<int>(static_cast<std::int64_t>(r - 1) * 100 / (rows - 2)));
    }
    // A list row without a candidate behind it is never identical.
    if (r + 1 > candidates.count()) continue;
    checkpoint();
    if (CompareFiles(candidates.row(r).FullPath, candidates.row(r + 1).FullPath, checkpoint) ==
        CompareVerdict::Identical) {
      sink.tickRow(r);
    }
  }
  show(100);
}

// Every row of a band with every later row of it; a later row found
// identical is marked Matched and ticked, and is not compared again. Rows the
// list lacks are compared but never ticked. The bar only rises, from the 0
// the caller set before the run.
void CarefulCheck(const CheckInput& input, CandidateTable& candidates, CheckSink& sink,
                  const std::function<void()>& checkpoint) {
  const std::vector<RowRange> bands = Bands(candidates);
  const auto bandCount = static_cast<std::int64_t>(bands.size());
  int shown = 0;
  for (std::int64_t b = 1; b <= bandCount; ++b) {
    const int percent = static_cast<int>(b * 100 / bandCount);
    if (percent > shown) {
      sink.progress(percent);
      shown = percent;
    }
    const RowRange band = bands[static_cast<std::size_t>(b - 1)];
    for (int k = band.first; k <= band.last; ++k) {
      for (int l = k + 1; l <= band.last; ++l) {
        CandidateRow& later = candidates.row(l);
        if (later.Matched != 0) continue;
        checkpoint();
        if (CompareFiles(candidates.row(k).FullPath, later.FullPath, checkpoint) ==
            CompareVerdict::Identical) {
          later.Matched = 1;
          if (l <= input.listRows) sink.tickRow(l);
        }
      }
    }
  }
  sink.progress(0);
}

}  // namespace

void RunCheckPairwise(const CheckInput& input, CandidateTable& candidates, CheckSink& sink,
                      const std::function<void()>& checkpoint) {
  const std::function<void()> step = checkpoint ? checkpoint : [] {};

  // Untick all: the worker clears Matched itself, as the owner of the flags
  // during the run.
  sink.untickAllFiles();
  const int cleared = std::min(input.listRows, candidates.count());
  for (int r = 1; r <= cleared; ++r) candidates.row(r).Matched = 0;

  switch (input.mode) {
    case static_cast<int>(CheckMode::Fast):
      FastCheck(input, candidates, sink, step);
      break;
    case static_cast<int>(CheckMode::Careful):
      CarefulCheck(input, candidates, sink, step);
      break;
    default:
      break;
  }
}
