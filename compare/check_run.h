#pragma once

#include <functional>

#include "core/records.h"

// The check run's effects on the window, issued on the check worker thread
// in order; an implementation carries them out on the window thread.
class CheckSink {
 public:
  virtual ~CheckSink() = default;
  virtual void untickAllFiles() = 0;      // untick every row of "Files"
  virtual void tickRow(int row) = 0;      // tick "Files" row `row` (1-based); skip a row it lacks
  virtual void progress(int percent) = 0; // set the progress bar
};

enum class CheckMode { Fast = 0, Careful = 1 };

// What a check run needs, captured on the window thread at its start.
struct CheckInput {
  int mode = 0;      // selected item of "DoubleFiles Check Mode"
  int listRows = 0;  // rows of "Files" when the run started
};

// The check run body, after the caller's start steps and before its end steps:
// untick all (clearing Matched of rows 1..listRows), then the fast or the
// careful check. `checkpoint` is called before each comparison and between
// block reads; it blocks while paused and throws StopRun when cancelled.
// Writes Matched of the candidate rows; reads their paths and bands.
void RunCheck(const CheckInput& input, CandidateTable& candidates, CheckSink& sink,
              const std::function<void()>& checkpoint);
