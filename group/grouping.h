// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/records.h"
#include "group/file_table.h"
#include "lists/row_texts.h"
#include "scan/scan_table.h"

// One row for "Files", produced by the grouping; the window adds it through
// AddListRow.
struct CandidateListRow {
  int ImageIndex = 0;
  std::int64_t Size = 0;
  std::string FullPath;
};

// Where the grouping is. Loading: copying and sorting the regular files;
// Grouping: marking unique sizes; Filling: adding the candidates (told with
// the number of rows to come); Filled: every row added (told with the
// number found); Done: the run is over.
enum class GroupingStage { Loading, Grouping, Filling, Filled, Done };

// Rows per batch: large enough that 500000 rows need few calls, small enough
// that adding one batch keeps the window thread free within milliseconds.
inline constexpr std::size_t kGroupingRowBatch = 2048;

// What the grouping reports, in order, on its worker thread; an
// implementation shows it on the window thread.
class GroupingSink {
 public:
  virtual ~GroupingSink() = default;
  virtual void stage(GroupingStage stage, int rows) = 0;
  virtual void progress(int percent) = 0;
  // The next candidates for "Files", in order, at most kGroupingRowBatch at a
  // time; every batch comes before the progress value that follows it.
  virtual void rows(std::vector<CandidateListRow> batch) = 0;
  // False for a sink without a list: no rows are then laid out or sent.
  virtual bool wantsRows() const = 0;
};

// The progress bar of one phase: reports only values above the last shown.
class ProgressReporter {
 public:
  explicit ProgressReporter(GroupingSink& sink) : sink_(sink) {}
  // Called before each value is shown (the fill sends its rows first).
  void beforeShow(std::function<void()> step) { beforeShow_ = std::move(step); }
  void resetPhase() {
    lastReported_ = 0;
    lastShown_ = 0;
  }
  void ReportProgress(std::int64_t percent);
  void returnToZero() {
    lastShown_ = -1;
    ReportProgress(0);
  }

 private:
  GroupingSink& sink_;
  std::function<void()> beforeShow_;
  std::int64_t lastReported_ = 0;
  std::int64_t lastShown_ = 0;
};

// What the grouping reads and writes besides its sink.
struct GroupingTables {
  // Read only: each candidate's path is built from its folder and name.
  const ScanTable& scan;
  FileTable& files;
  CandidateTable& candidates;
  std::atomic<bool>& FilesListFilled;
  // Regular files smaller than this are left out (0: none).
  std::int64_t minSize = 0;
};

// The whole grouping run: copy the regular files of the scan table, sort them
// by size, mark unique sizes, fill the candidate table and "Files" row by row,
// publish the count. `checkpoint` is called where a cancel is honoured (it
// throws StopRun to end the run); `cancel` is the same request as a flag for
// the sort. A cancelled run leaves CandidateCount equal to the rows stored.
void RunGrouping(GroupingTables tables, IconIndexer& icons, GroupingSink& sink,
                 const std::function<void()>& checkpoint, const std::atomic<bool>* cancel);
