// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "group/grouping.h"

#include <stdexcept>
#include <utility>

#include "core/worker.h"
#include "group/unit_sort.h"

void ProgressReporter::ReportProgress(std::int64_t percent) {
  lastReported_ = percent;
  if (percent > lastShown_) {
    if (beforeShow_) beforeShow_();
    sink_.progress(static_cast<int>(percent));
    lastShown_ = percent;
  }
}

namespace {

// Publishes the rows that exist as the count when a run ends early, so a
// stopped fill never leaves CandidateCount above the stored rows.
class PublishStoredOnUnwind {
 public:
  explicit PublishStoredOnUnwind(CandidateTable& candidates) : candidates_(candidates) {}
  ~PublishStoredOnUnwind() {
    if (armed_) candidates_.CandidateCount.store(candidates_.size(), std::memory_order_release);
  }
  PublishStoredOnUnwind(const PublishStoredOnUnwind&) = delete;
  PublishStoredOnUnwind& operator=(const PublishStoredOnUnwind&) = delete;
  void disarm() { armed_ = false; }

 private:
  CandidateTable& candidates_;
  bool armed_ = true;
};

// Copies the regular files of the scan table, in table order. Directories,
// links, FIFOs, sockets and devices never become candidates.
void CopyRegularFiles(const ScanTable& scan, FileTable& files, std::int64_t minSize,
                      const std::function<void()>& checkpoint) {
  int regular = 0;
  for (int i = 1; i <= scan.size(); ++i) regular += scan.row(i).IsRegular;
  files.reserve(regular);
  for (int i = 1; i <= scan.size(); ++i) {
    const ScanEntry& entry = scan.row(i);
    if (entry.IsDirectory != 0) continue;
    checkpoint();
    if (entry.IsRegular != 1 || entry.Size < minSize) continue;
    files.append(FileRecord{i, 0, entry.Size});
  }
}

// Marks every record whose size differs from both neighbours (the sorted
// table puts equal sizes side by side).
void MarkUniqueSizes(FileTable& files, ProgressReporter& progress,
                     const std::function<void()>& checkpoint) {
  const int count = files.size();
  for (int i = 1; i <= count; ++i) {
    checkpoint();
    progress.ReportProgress(i * 100 / count);
    FileRecord& record = files.row(i);
    const bool samePrevious = i > 1 && files.row(i - 1).Size == record.Size;
    const bool sameNext = i < count && files.row(i + 1).Size == record.Size;
    record.UniqueSize = samePrevious || sameNext ? 0 : 1;
  }
}

}  // namespace

void RunGrouping(GroupingTables tables, IconIndexer& icons, GroupingSink& sink,
                 const std::function<void()>& checkpoint, const std::atomic<bool>* cancel) {
  const ScanTable& scan = tables.scan;
  FileTable& files = tables.files;
  CandidateTable& candidates = tables.candidates;

  files.clear();
  candidates.clear();
  candidates.CandidateCount.store(0, std::memory_order_release);
  PublishStoredOnUnwind guard(candidates);

  ProgressReporter progress(sink);
  sink.stage(GroupingStage::Loading, 0);
  progress.resetPhase();

  CopyRegularFiles(scan, files, tables.minSize, checkpoint);

  SortFileTableBySize(files, cancel);
  // The sort returns early on a cancel; a partly sorted table must not be
  // grouped, whether or not the checkpoint itself sees the request.
  checkpoint();
  if (cancel != nullptr && cancel->load(std::memory_order_acquire)) throw StopRun{};

  progress.resetPhase();
  sink.stage(GroupingStage::Grouping, 0);
  MarkUniqueSizes(files, progress, checkpoint);

  progress.resetPhase();
  int expected = 0;
  for (int j = 1; j <= files.size(); ++j) expected += files.row(j).UniqueSize == 1 ? 0 : 1;
  candidates.reserve(expected);
  sink.stage(GroupingStage::Filling, expected);
  candidates.CandidateCount.store(2, std::memory_order_release);

  const std::int64_t count = files.size();
  const bool wantsRows = sink.wantsRows();
  std::vector<CandidateListRow> batch;
  const auto flush = [&] {
    if (batch.empty()) return;
    sink.rows(std::exchange(batch, {}));
  };
  progress.beforeShow(flush);
  // Rows stored are always sent, also when a stop ends the fill.
  try {
    for (int j = 1; j <= files.size(); ++j) {
      checkpoint();
      progress.ReportProgress(static_cast<std::int64_t>(j) * 100 / count);
      const FileRecord& record = files.row(j);
      if (record.UniqueSize == 1) continue;

      const ScanEntry& entry = scan.row(record.ScanIndex);
      CandidateRow row;
      row.FullPath = scan.path(record.ScanIndex);
      row.Size = record.Size;
      if (candidates.size() == 0) {
        row.Band = 0;
      } else {
        const CandidateRow& previous = candidates.row(candidates.size());
        row.Band = previous.Size == row.Size ? previous.Band : (previous.Band == 0 ? 1 : 0);
      }
      row.Matched = 0;
      row.Checked = 0;
      row.Identity = entry.Identity;
      if (entry.Folder != 0) row.Folder = scan.folder(static_cast<int>(entry.Folder)).Identity;

      CandidateListRow listRow;
      if (wantsRows) {
        listRow.ImageIndex = icons.FileTypeIconIndex(IconTypeName(row.FileName()));
        listRow.Size = row.Size;
        listRow.FullPath = row.FullPath;
      }

      // The table has the scan table's capacity, so this only fails on a
      // misconfigured caller; never let the count run past the stored rows.
      if (!candidates.append(std::move(row))) throw std::length_error("candidate table is full");
      candidates.CandidateCount.fetch_add(1, std::memory_order_acq_rel);
      if (wantsRows) {
        batch.push_back(std::move(listRow));
        if (batch.size() >= kGroupingRowBatch) flush();
      }
    }
  } catch (...) {
    flush();
    throw;
  }
  flush();
  progress.beforeShow({});

  candidates.CandidateCount.fetch_sub(2, std::memory_order_acq_rel);
  guard.disarm();
  const int found = candidates.CandidateCount.load(std::memory_order_acquire);
  sink.stage(GroupingStage::Filled, found);
  tables.FilesListFilled.store(true, std::memory_order_release);
  progress.returnToZero();
  sink.stage(GroupingStage::Done, found);
}
