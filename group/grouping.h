#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "core/records.h"
#include "group/file_table.h"
#include "lists/row_texts.h"
#include "scan/scan_table.h"

// One row for "Files", produced by the grouping; the window adds it through
// AddListRow.
struct CandidateListRow {
  int ImageIndex = 0;
  std::string FileName;
  std::int64_t Size = 0;
  std::string FullPath;
};

// The grouping's effects on the window, issued on the grouping worker thread
// in this order; an implementation carries them out on the window thread.
class GroupingSink {
 public:
  virtual ~GroupingSink() = default;
  virtual void status(const std::string& text) = 0;
  virtual void progress(int percent) = 0;
  virtual void activityLabel(const std::string& text) = 0;  // Label2 of the progress window
  // How many rows the fill will add, told just before it begins.
  virtual void expectRows(int /*rows*/) {}
  virtual void beginFill() = 0;                   // clear "Files", begin its batch update
  virtual void addRow(CandidateListRow row) = 0;  // append through AddListRow
  // False for a sink without a list: its rows are then neither laid out nor sent.
  virtual bool wantsRows() const { return true; }
  virtual void endFill() = 0;  // end the batch update
  virtual void showFilesPage() = 0;
  virtual void unlockRunControls() = 0;
};

// The progress bar of one phase: reports only values above the last shown.
class ProgressReporter {
 public:
  explicit ProgressReporter(GroupingSink& sink) : sink_(sink) {}
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
  std::int64_t lastReported_ = 0;
  std::int64_t lastShown_ = 0;
};

// What the grouping reads and writes besides its sink.
struct GroupingTables {
  // Read, and each candidate's path moved out of it (nothing needs the scan's
  // paths after the grouping, and the moves save a copy of every path).
  ScanTable& scan;
  FileTable& files;
  CandidateTable& candidates;
  std::atomic<bool>& FilesListFilled;
};

// The whole grouping run: copy the regular files of the scan table, sort them
// by size, mark unique sizes, fill the candidate table and "Files" row by row,
// publish the count. `checkpoint` is called where a cancel is honoured (it
// throws StopRun to end the run); `cancel` is the same request as a flag for
// the sort. A cancelled run leaves CandidateCount equal to the rows stored.
void RunGrouping(GroupingTables tables, IconIndexer& icons, GroupingSink& sink,
                 const std::function<void()>& checkpoint, const std::atomic<bool>* cancel);
