// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The scan run: the request, the timer steps that start the walk and hand
// over to the grouping, the walk and the grouping on their workers, cancel.
#include "group/grouping.h"
#include "lists/row_texts.h"
#include "scan/folder_path.h"
#include "session/session.h"
#include "session/texts.h"

ScanRefusal Session::scanRefusal(const ScanRequest& request) const {
  if (phase_ == Phase::Deleting) return {ScanRefusalReason::DeleteActive, {}};
  // The grouping lays the rows out by the columns of "Files".
  if (config_.listRows && filesList_.columnCount() == 0) return {ScanRefusalReason::NoColumns, {}};
  for (const std::string& root : request.roots) {
    if (!IsExistingDirectory(root)) return {ScanRefusalReason::FolderMissing, root};
  }
  return {};
}

ScanRefusal Session::requestScan(ScanRequest request) {
  ScanRefusal refusal = scanRefusal(request);
  if (refusal.refused()) return refusal;
  pendingScan_ = std::move(request);
  ScanStep = 1;
  scanTimerOn_ = true;
  return {};
}

void Session::resetFilesList() {
  while (filesList_.updating()) filesList_.endUpdate();
  filesList_.clear();
  events_.filesFilling(false);
}

bool Session::scanStep() {
  if (!scanTimerOn_) return false;
  if (ScanStep == 1) {
    // A run requested while another is active starts over: its workers stop
    // first, so nothing reads the tables that the new walk refills. A check
    // stopped by "Cancel" may still be finishing: it ends before the grouping
    // can clear the candidates it writes.
    stopCheckRun();
    vgThreadAfterScan.stopNow();
    ScanThread.stopNow();
    vgThreadAfterScan.wait();
    ScanThread.wait();
    resetFilesList();
    forgetSets();
    checkHasRun_ = false;
    scan_ = pendingScan_;
    report_ = {};
    ScanStep = 2;
    WalkFailed.store(0);
    RunPhase = 1;
    setPhase(Phase::Walking);
    events_.statusText(texts::kScanStarted);
    WalkDone.store(0);
    ScanThread.start([this, request = scan_](RunContext& run) { scanBody(run, request); });
  } else if (ScanStep == 2) {
    if (WalkDone.load(std::memory_order_acquire) == 1) {
      scanTimerOn_ = false;
      RunPhase = 2;
      setPhase(Phase::Grouping);
      // The candidates are refilled: nothing built from them stays valid.
      deleteBuilder_.forget();
      vgThreadAfterScan.start(
          [this, captions = ColumnCaptions(filesList_), minSize = scan_.minSize](RunContext& run) {
            groupingBody(run, captions, minSize);
          });
    } else if (WalkFailed.load(std::memory_order_acquire) == 1) {
      scanTimerOn_ = false;
      report_.walkFailed = true;
      setPhase(Phase::Idle);
      dialogs_.plain(texts::kError);
    }
  }
  return scanTimerOn_;
}

void Session::scanBody(RunContext& run, const ScanRequest& request) {
  class Observer final : public WalkObserver {
   public:
    Observer(RunContext& run, Session& session, WalkObserver* also)
        : run_(run), session_(session), also_(also) {}
    void checkpoint() override {
      if (also_ != nullptr) also_->checkpoint();
      run_.checkpoint();
      // Entries walked, now and then: a terminal shows the count.
      constexpr std::uint64_t kEntriesPerUpdate = 1024;
      if (++entries % kEntriesPerUpdate == 0) {
        run_.post([s = &session_, n = entries] { s->events_.progress({Phase::Walking, 0, n}); });
      }
    }
    void lookIn(const std::string& name) override {
      if (also_ != nullptr) also_->lookIn(name);
      run_.post([s = &session_, text = texts::LookIn(name)] { s->events_.statusText(text); });
    }
    void unlistable(const std::string& folder, int error) override {
      if (also_ != nullptr) also_->unlistable(folder, error);
      unlisted.push_back({folder, error});
    }
    std::uint64_t entries = 0;
    std::vector<FileFailure> unlisted;

   private:
    RunContext& run_;
    Session& session_;
    WalkObserver* also_;
  } observer(run, *this, config_.walkObserver);

  const bool walked =
      WalkTrees(request.roots, scanTable_, observer, WalkFilter(request.excludes, request.scope));
  // The folders left unlisted reach the report before the end is seen.
  run.post([this, unlisted = std::move(observer.unlisted)]() mutable {
    report_.unlistable = std::move(unlisted);
  });
  if (walked) {
    WalkDone.store(1, std::memory_order_release);
    return;
  }
  // The warning is shown on the window thread; the failed flag follows its dismissal.
  run.post([this] {
    dialogs_.warning(texts::kWalkFailed);
    WalkFailed.store(1, std::memory_order_release);
  });
}

void Session::groupingBody(RunContext& run, const std::vector<std::string>& captions,
                           std::int64_t minSize) {
  class Sink final : public GroupingSink {
   public:
    Sink(RunContext& run, Session& session, const std::vector<std::string>& captions)
        : run_(run), s_(&session), captions_(captions) {}

    void stage(GroupingStage stage, int rows) override {
      switch (stage) {
        case GroupingStage::Loading:
          status(texts::kLoadingFiles);
          break;
        case GroupingStage::Grouping:
          status(texts::kGroupingFiles);
          break;
        case GroupingStage::Filling:
          run_.post([s = s_, rows, lists = wantsRows()] {
            s->resetFilesList();
            if (!lists) return;
            // Room for every row at once: growing a list of many rows on the
            // way would move all of them each time.
            s->filesList_.reserve(rows);
            s->filesList_.beginUpdate();
            s->events_.filesFilling(true);
          });
          status(texts::kAddingFiles);
          break;
        case GroupingStage::Filled:
          run_.post([s = s_] {
            while (s->filesList_.updating()) s->filesList_.endUpdate();
            s->events_.filesFilling(false);
          });
          status(texts::FoundBySize(rows));
          break;
        case GroupingStage::Done:
          run_.post([s = s_] {
            s->setPhase(Phase::Idle, true);
            s->runDeferred();
          });
          break;
      }
    }
    void progress(int percent) override {
      run_.post([s = s_, percent] { s->showProgress(percent); });
    }
    void rows(std::vector<CandidateListRow> batch) override {
      // The rows' texts are laid out here, off the window thread, by the
      // columns "Files" had when the grouping started; they cannot change
      // before the fill ends (a column apply waits for it).
      std::vector<ListRow> rows;
      rows.reserve(batch.size());
      for (const CandidateListRow& row : batch) {
        rows.push_back(MakeListRowFor(captions_, row.ImageIndex, FileNameOf(row.FullPath), row.Size,
                                      row.FullPath));
      }
      run_.post([s = s_, rows = std::move(rows)]() mutable {
        ResultList& files = s->filesList_;
        if (files.columnCount() == 0) return;  // AddListRow adds nothing without columns
        files.appendRows(std::move(rows));
      });
    }
    bool wantsRows() const override { return s_->config_.listRows; }

   private:
    void status(std::string text) {
      run_.post([s = s_, text = std::move(text)] { s->events_.statusText(text); });
    }

    RunContext& run_;
    Session* s_;
    const std::vector<std::string>& captions_;
  } sink(run, *this, captions);

  RunGrouping(
      {scanTable_, fileTable_, candidates_, FilesListFilled, minSize}, icons_, sink,
      [&run] { run.checkpoint(); }, &run.stopFlag());
  // Half a million entries are some 60 MB that nothing reads any more.
  if (!config_.keepScanTable) {
    scanTable_.release();
    fileTable_.release();
  }
}

void Session::cancelScan() {
  scanTimerOn_ = false;
  if (RunPhase == 2) vgThreadAfterScan.stopNow();
  // The walk is stopped in either phase: after the hand-over it has ended,
  // and stopping it only drops its texts still on their way to the window.
  if (RunPhase == 1 || RunPhase == 2) ScanThread.stopNow();
  showProgress(0);
  events_.statusText(texts::kScanCanceled);
  resetFilesList();
  // The grouping ends at its next record; once it has, a rebuild of "Files to
  // delete" that waited for it may run.
  vgThreadAfterScan.wait();
  if (phase_ == Phase::Walking || phase_ == Phase::Grouping) setPhase(Phase::Idle);
  runDeferred();
}
