// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The session's shared steps: its life, its state, the ticks, the rebuild of
// "Files to delete", the columns and the saves.
#include "session/session.h"

#include <algorithm>
#include <utility>

#include "lists/row_texts.h"
#include "output/save_lists.h"
#include "session/texts.h"

Session::Session(SessionEvents& events, Dialogs& dialogs, WindowQueue& queue, IconIndexer& icons,
                 SessionConfig config)
    : events_(events),
      dialogs_(dialogs),
      queue_(queue),
      icons_(icons),
      config_(std::move(config)),
      scanTable_(config_.tableCapacity),
      fileTable_(config_.tableCapacity),
      candidates_(config_.tableCapacity),
      deleteTable_(config_.tableCapacity),
      ScanThread(queue),
      vgThreadAfterScan(queue),
      vgThreadCheckDouble(queue),
      DeleteThread(queue) {
  filesList_.keepTicksIn(&candidateTicks_);
}

Session::~Session() {
  stopWorkers();
}

void Session::stopWorkers() {
  DeleteThread.stopNow();
  vgThreadCheckDouble.stopNow();
  vgThreadAfterScan.stopNow();
  ScanThread.stopNow();
  DeleteThread.wait();
  vgThreadCheckDouble.wait();
  vgThreadAfterScan.wait();
  ScanThread.wait();
}

bool Session::scanRunActive() const {
  return scanTimerOn_ || ScanThread.busy() || phase_ == Phase::Walking || phase_ == Phase::Grouping;
}

bool Session::checkRunActive() const {
  return phase_ == Phase::Checking || phase_ == Phase::CheckPaused || vgThreadCheckDouble.busy();
}

bool Session::workersBusy() const {
  return ScanThread.busy() || vgThreadAfterScan.busy() || vgThreadCheckDouble.busy() ||
         DeleteThread.busy();
}

bool Session::ticked(int row) const {
  return row >= 1 && row <= candidates_.count() && candidates_.row(row).Checked == 1;
}

bool Session::refuseDuringRun() {
  if (refuseDuringDelete()) return true;
  if (!scanRunActive() && !checkRunActive()) return false;
  dialogs_.information(texts::kRunActive);
  return true;
}

bool Session::refuseDuringDelete() {
  if (phase_ != Phase::Deleting) return false;
  dialogs_.information(texts::kDeleteActive);
  return true;
}

EngineLimits Session::engineLimits() const {
  EngineLimits limits = config_.limits;
  if (limits.threads <= 0) limits.threads = DefaultThreads();
  // The session hears of every unreadable file, for its report.
  limits.unreadable = &unreadable_;
  return limits;
}

void Session::UnreadableRows::unreadable(int row, int error) {
  const std::lock_guard lock(mutex_);
  rows_.emplace_back(row, error);
}

std::vector<std::pair<int, int>> Session::UnreadableRows::take() {
  const std::lock_guard lock(mutex_);
  return std::exchange(rows_, {});
}

std::vector<FileFailure> Session::takeUnreadable() {
  std::vector<std::pair<int, int>> rows = unreadable_.take();
  std::sort(rows.begin(), rows.end());
  std::vector<FileFailure> files;
  int last = 0;
  for (const auto& [row, error] : rows) {
    if (row == last || row < 1 || row > candidates_.count()) continue;
    last = row;
    files.push_back({candidates_.row(row).FullPath, error});
  }
  return files;
}

const std::string& Session::scannedRoot() const {
  static const std::string kNone;
  return scan_.roots.empty() ? kNone : scan_.roots.front();
}

std::function<void()> Session::checkpointOf(RunContext& run) const {
  if (!config_.checkpointHook) return [&run] { run.checkpoint(); };
  return [&run, hook = config_.checkpointHook] {
    hook();
    run.checkpoint();
  };
}

std::optional<TableRow> Session::candidateAt(ListIndex row) const {
  if (row.value < 0 || row.value >= filesList_.rowCount()) return std::nullopt;
  const TableRow k = row.tableRow();
  if (k.value > candidates_.count()) return std::nullopt;
  return k;
}

void Session::setTicked(TableRow row, bool on) {
  const ListIndex i = row.listIndex();
  if (i.value >= 0 && i.value < filesList_.rowCount()) filesList_.setChecked(i.value, on);
}

void Session::filesTickChanged(ListIndex row, bool tickFlipped) {
  if (filesList_.rowCount() != candidates_.CandidateCount.load(std::memory_order_acquire)) return;
  if (row.value < 0 || row.value >= candidates_.size()) return;
  // Only a tick that flipped rebuilds "Files to delete": a new selection or
  // focus must not undo the user's unticks there.
  if (!tickFlipped) return;
  DeleteListStale = true;
  events_.deleteListRebuildDue();
  deleteBuilder_.changedFrom(row.tableRow().value);
}

DeleteListBuilder::Lists Session::deleteLists() {
  return {candidates_, deleteTable_, deleteList_, filesList_, icons_, DeleteRowsExpected};
}

bool Session::buildDeleteListSlice() {
  // A slice of this many rows takes a few milliseconds.
  constexpr int kSliceRows = 4096;
  events_.deleteListRebuilding(true);
  const bool whole = deleteBuilder_.step(deleteLists(), kSliceRows);
  events_.deleteListRebuilding(false);
  return whole;
}

void Session::refreshDeleteList() {
  if (DeleteListStale) {
    if (deleteListBlocked()) {
      // The grouping is refilling the candidate table, or Delete Checked will
      // remove rows of it: rebuild once that is done.
      resultsShowDeferred_ = true;
    } else if (buildDeleteListSlice()) {
      DeleteListStale = false;
    } else {
      // More rows to build: the next slice runs once the window's events have.
      events_.deleteListRebuildDue();
      return;
    }
  }
  DeleteTickedCount = deleteList_.checkedCount();
  events_.statusText(DeleteTotalsText(deleteList_.rowCount(), DeleteTickedCount));
}

void Session::completeDeleteList() {
  if (DeleteListStale && !deleteListBlocked()) {
    events_.deleteListRebuilding(true);
    deleteBuilder_.finish(deleteLists());
    events_.deleteListRebuilding(false);
    DeleteListStale = false;
  }
  refreshDeleteList();
}

void Session::tickAllFiles(bool tick) {
  if (refuseDuringRun()) return;
  if (tick) {
    SetAllTicks(filesList_, true);
  } else {
    UntickAllFiles(filesList_, candidates_);
  }
}

void Session::tickAllDeleteRows(bool tick) {
  if (deleteBuilder_.building()) completeDeleteList();
  SetAllTicks(deleteList_, tick);
}

bool Session::setFilesColumns(const std::vector<std::string>& captions) {
  if (phase_ == Phase::Grouping || phase_ == Phase::Deleting) {
    // The grouping adds rows by the columns of "Files", Delete Checked removes
    // rows by position: apply once they have ended.
    filesColumnsDeferred_ = true;
    dialogs_.information(texts::kColumnsWaitForFill);
    return false;
  }
  deleteBuilder_.forget();
  filesList_.clearColumns();
  for (const std::string& caption : captions) filesList_.addColumn(caption);
  if (FilesListFilled.load()) {
    filesList_.beginUpdate();
    filesList_.clear();
    for (int k = 1; k <= candidates_.count(); ++k) {
      const CandidateRow& c = candidates_.row(k);
      const int icon = icons_.FileTypeIconIndex(IconTypeName(c.FileName()));
      AddListRow(filesList_, filesList_, icon, c.FileName(), c.Size, c.FullPath);
    }
    filesList_.endUpdate();
  }
  return true;
}

void Session::setDeleteColumns(const std::vector<std::string>& captions) {
  deleteList_.clearColumns();
  for (const std::string& caption : captions) deleteList_.addColumn(caption);
  DeleteListStale = true;
  deleteBuilder_.forget();
}

void Session::runDeferred() {
  if (filesColumnsDeferred_) {
    filesColumnsDeferred_ = false;
    events_.columnsApplyDue();
  }
  if (resultsShowDeferred_) {
    resultsShowDeferred_ = false;
    refreshDeleteList();
  }
}

void Session::saveList(SavedField field) {
  // The grouping refills the candidate table: a save then would read it half-built.
  if (phase_ == Phase::Grouping) {
    dialogs_.information(texts::kRunActive);
    return;
  }
  const auto chosen = dialogs_.saveFile(kSaveListFilter, lastSaveName_);
  if (!chosen) return;
  lastSaveName_ = *chosen;
  const std::string name = SaveListFileName(*chosen);
  if (auto error = SaveCandidateList(name, candidates_, field)) {
    dialogs_.errorBox(*error);
  }
}
