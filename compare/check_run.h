// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <functional>
#include <vector>

#include "compare/check_engine.h"
#include "core/records.h"

// Rows first..last of a table (1-based, inclusive).
struct RowRange {
  int first = 0;
  int last = 0;
};

// The bands of rows 1..count(): a row whose Band flag differs from the
// previous row's starts a new band. In row order; as many as there are.
std::vector<RowRange> Bands(const CandidateTable& candidates);

// The check run's effects on the window, issued on the check worker thread
// in order; an implementation carries them out on the window thread.
class CheckSink {
 public:
  virtual ~CheckSink() = default;
  virtual void untickAllFiles() = 0;       // untick every row of "Files"
  virtual void tickRow(int row) = 0;       // tick "Files" row `row` (1-based); skip a row it lacks
  virtual void progress(int percent) = 0;  // set the progress bar
  // Ticks `rows` in their order; a sink that can apply many ticks at once
  // (the window, in one repaint) overrides it.
  virtual void tickRows(const std::vector<int>& rows) {
    for (const int row : rows) tickRow(row);
  }
  // The identity each of these rows' files had while the check read it to
  // the end and found it a copy (or the copy a tick rests on); sent before the
  // ticks it belongs to. Delete Checked requires the file unchanged since.
  virtual void filesRead(const std::vector<RowIdentity>& /*rows*/) {}
  // The careful check's classes of identical rows of one band (each holding
  // two different files, in row order), band by band in row order.
  virtual void identicalSets(const std::vector<std::vector<int>>& /*sets*/) {}
};

enum class CheckMode { Fast = 0, Careful = 1 };

// What a check run needs, captured on the window thread at its start.
struct CheckInput {
  int mode = 0;      // selected item of "DoubleFiles Check Mode"
  int listRows = 0;  // rows of "Files" when the run started
};

// The check run body, after the caller's start steps and before its end steps:
// untick all (clearing Matched of rows 1..listRows), then the fast or the
// careful check. The fast check ticks a row identical to the row after it;
// the careful check ticks a row identical to an earlier row of its band and
// sets its Matched. Both find the identical files with the content engine, so
// each byte is read at most once. `checkpoint` is called before each file is
// looked at and before each block read; it blocks while paused and throws
// StopRun when cancelled. Ticks of a careful band are sent when the band is
// done, in row order, as one batch; fast ticks when the rows of one size are
// done, batched up to each change of the progress bar.
void RunCheck(const CheckInput& input, CandidateTable& candidates, CheckSink& sink,
              const std::function<void()>& checkpoint);

// The same with other bounds for the engine (tests use small ones).
void RunCheck(const CheckInput& input, CandidateTable& candidates, CheckSink& sink,
              const std::function<void()>& checkpoint, const EngineLimits& limits);
