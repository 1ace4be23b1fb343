// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The scan run: the request, the timer steps that start the walk and hand
// over to the grouping, the walk and the grouping on their workers, cancel.
#include "group/grouping.h"
#include "lists/row_texts.h"
#include "session/session.h"
#include "session/texts.h"

void Session::requestScan() {
  ScanStep = 1;
  scanTimerOn_ = true;
  view_.runScanTimer(true);
}

void Session::resetFilesList() {
  while (filesList_.updating()) filesList_.endUpdate();
  filesList_.clear();
  view_.holdListPaint(ListId::Files, false);
}

void Session::scanTimerStep(const std::vector<std::string>& folders) {
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
    scannedRoot_ = folders.empty() ? std::string() : folders.front();
    view_.lockRunControls(true);
    view_.showPhaseCaption(texts::kPhaseCreating);
    view_.showStatus(texts::kScanStarted);
    ScanStep = 2;
    WalkFailed.store(0);
    RunPhase = 1;
    setPhase(Phase::Walking);
    WalkDone.store(0);
    ScanThread.start([this, roots = folders](RunContext& run) { scanBody(run, roots); });
  } else if (ScanStep == 2) {
    if (WalkDone.load(std::memory_order_acquire) == 1) {
      scanTimerOn_ = false;
      view_.runScanTimer(false);
      RunPhase = 2;
      setPhase(Phase::Grouping);
      // The candidates are refilled: nothing built from them stays valid.
      deleteBuilder_.forget();
      vgThreadAfterScan.start([this, captions = ColumnCaptions(filesList_)](RunContext& run) {
        groupingBody(run, captions);
      });
    } else if (WalkFailed.load(std::memory_order_acquire) == 1) {
      scanTimerOn_ = false;
      view_.runScanTimer(false);
      setPhase(Phase::Idle);
      dialogs_.plain(texts::kError);
    }
  }
}

void Session::scanBody(RunContext& run, const std::vector<std::string>& roots) {
  class Observer final : public WalkObserver {
   public:
    Observer(RunContext& run, Session& session, WalkObserver* also)
        : run_(run), session_(session), also_(also) {}
    void checkpoint() override {
      if (also_ != nullptr) also_->checkpoint();
      run_.checkpoint();
    }
    void lookIn(const std::string& name) override {
      if (also_ != nullptr) also_->lookIn(name);
      run_.post([s = &session_, text = texts::LookIn(name)] { s->view_.showStatus(text); });
    }
    void unlistable(const std::string& folder, int error) override {
      if (also_ != nullptr) also_->unlistable(folder, error);
    }

   private:
    RunContext& run_;
    Session& session_;
    WalkObserver* also_;
  } observer(run, *this, config_.walkObserver);

  if (WalkTrees(roots, scanTable_, observer, WalkFilter(config_.excludes))) {
    WalkDone.store(1, std::memory_order_release);
    return;
  }
  // The warning is shown on the window thread; the failed flag follows its dismissal.
  run.post([this] {
    dialogs_.warning(texts::kWalkFailed);
    WalkFailed.store(1, std::memory_order_release);
  });
}

void Session::groupingBody(RunContext& run, const std::vector<std::string>& captions) {
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
            s->view_.holdListPaint(ListId::Files, true);
          });
          run_.post([s = s_] { s->view_.showPhaseCaption(texts::kPhaseAdding); });
          status(texts::kAddingFiles);
          break;
        case GroupingStage::Filled:
          run_.post([s = s_] {
            while (s->filesList_.updating()) s->filesList_.endUpdate();
            s->view_.holdListPaint(ListId::Files, false);
          });
          status(texts::FoundBySize(rows));
          break;
        case GroupingStage::Done:
          run_.post([s = s_] {
            s->view_.showFilesPage();
            s->setPhase(Phase::Idle);
            s->view_.lockRunControls(false);
            s->runDeferred();
          });
          break;
      }
    }
    void progress(int percent) override {
      run_.post([s = s_, percent] { s->view_.showProgress(percent); });
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
      run_.post([s = s_, text = std::move(text)] { s->view_.showStatus(text); });
    }

    RunContext& run_;
    Session* s_;
    const std::vector<std::string>& captions_;
  } sink(run, *this, captions);

  RunGrouping(
      {scanTable_, fileTable_, candidates_, FilesListFilled, config_.minSize}, icons_, sink,
      [&run] { run.checkpoint(); }, &run.stopFlag());
  // Half a million entries are some 60 MB that nothing reads any more.
  if (!config_.keepScanTable) {
    scanTable_.release();
    fileTable_.release();
  }
}

void Session::cancelScan() {
  scanTimerOn_ = false;
  view_.runScanTimer(false);
  if (RunPhase == 2) vgThreadAfterScan.stopNow();
  // The walk is stopped in either phase: after the hand-over it has ended,
  // and stopping it only drops its texts still on their way to the window.
  if (RunPhase == 1 || RunPhase == 2) ScanThread.stopNow();
  view_.showProgress(0);
  view_.showStatus(texts::kScanCanceled);
  resetFilesList();
  // The grouping ends at its next record; once it has, a rebuild of "Files to
  // delete" that waited for it may run.
  vgThreadAfterScan.wait();
  if (phase_ == Phase::Walking || phase_ == Phase::Grouping) setPhase(Phase::Idle);
  runDeferred();
}
