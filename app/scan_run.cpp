// The scan run: requests, the timer that drives it, the walk on its worker,
// the hand-over to the grouping, failure and cancel.

#include <QFile>

#include "app/form_main.h"
#include "app/progress_window.h"
#include "app/texts.h"
#include "lists/row_texts.h"
#include "scan/folder_path.h"
#include "scan/walk.h"

namespace {
// A path as text for a message: decoded for display only.
std::string Display(const std::string& path) {
  return QFile::decodeName(path.c_str()).toStdString();
}
}  // namespace

void TFormMain::LockRunControls() {
  SpeedButton4_->setEnabled(false);
  SpeedButton10_->setEnabled(false);
  SpeedButton25_->setEnabled(false);
  SpeedButton21_->setEnabled(false);
  SpeedButton1_->show();
}

void TFormMain::UnlockRunControls() {
  SpeedButton4_->setEnabled(true);
  SpeedButton10_->setEnabled(true);
  SpeedButton25_->setEnabled(true);
  SpeedButton21_->setEnabled(true);
  SpeedButton1_->hide();
}

void TFormMain::requestScanRun() {
  ScanStep = 1;
  TimerScan1.start();
}

void TFormMain::SpeedButton4Click() {
  if (refuseDuringDelete()) return;
  if (filesList_.columnCount() == 0) {
    dialogs_->information(texts::kAddColumnsFirst);
    return;
  }
  const std::string folder = folderText();
  if (IsExistingDirectory(folder)) {
    requestScanRun();
  } else {
    dialogs_->warning(texts::kFolderMissingBefore + Display(folder) + texts::kFolderMissingAfter);
  }
}

void TFormMain::DirectoryEdit1ButtonClick() {
  if (refuseDuringDelete()) return;
  const std::string walkedUp = WalkUpToExistingFolder(folderText());
  if (walkedUp != folderText()) setFolderText(walkedUp);
  if (filesList_.columnCount() == 0) {
    dialogs_->information(texts::kAddColumnsFirst);
    return;
  }
  std::string start = folderText();
  if (start.empty()) start = lastPickedFolder_.empty() ? "/" : lastPickedFolder_;
  const auto picked = dialogs_->pickFolder(start);
  if (!picked) return;
  requestScanRun();
  // The field takes the folder before the timer's first tick, so it is the one scanned.
  lastPickedFolder_ = *picked;
  setFolderText(*picked);
}

void TFormMain::resetFilesList() {
  while (filesList_.updating()) filesList_.endUpdate();
  filesList_.clear();
  fillInProgress_ = false;
  vgListView1_->setUpdatesEnabled(true);
  vgListView1_->viewport()->update();
}

void TFormMain::TimerScan1Timer() {
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
    groupingActive_ = false;
    resetFilesList();
    LockRunControls();
    FormProgressScanning_->Label2()->setText(QString::fromUtf8(texts::kPhaseCreating));
    setStatusText(std::string(texts::kScanStarted));
    ScanStep = 2;
    ScanRoot = folderText();
    WalkFailed.store(0);
    RunPhase = 1;
    WalkDone.store(0);
    ScanThread.start([this, root = ScanRoot](RunContext& run) { ScanThreadExecute(run, root); });
  } else if (ScanStep == 2) {
    if (WalkDone.load(std::memory_order_acquire) == 1) {
      TimerScan1.stop();
      RunPhase = 2;
      groupingActive_ = true;
      // The candidates are refilled: nothing built from them stays valid.
      deleteBuilder_.forget();
      vgThreadAfterScan.start([this, captions = ColumnCaptions(filesList_)](RunContext& run) {
        vgThreadAfterScanExecute(run, captions);
      });
    } else if (WalkFailed.load(std::memory_order_acquire) == 1) {
      TimerScan1.stop();
      dialogs_->plain(texts::kError);
    }
  }
}

void TFormMain::ScanThreadExecute(RunContext& run, const std::string& root) {
  class Observer final : public WalkObserver {
   public:
    Observer(RunContext& run, TFormMain& form) : run_(run), form_(form) {}
    void checkpoint() override { run_.checkpoint(); }
    void lookIn(const std::string& name) override {
      const QString text = QStringLiteral("Look in \"%1\"").arg(QFile::decodeName(name.c_str()));
      run_.post([form = &form_, text] { form->setStatusText(text); });
    }

   private:
    RunContext& run_;
    TFormMain& form_;
  } observer(run, *this);

  if (WalkTree(root, scanTable_, observer)) {
    WalkDone.store(1, std::memory_order_release);
    return;
  }
  // The warning is shown on the window thread; the failed flag follows its dismissal.
  run.post([this] {
    dialogs_->warning(texts::kWalkFailed);
    WalkFailed.store(1, std::memory_order_release);
  });
}

void TFormMain::SpeedButton1Click() {
  TimerScan1.stop();
  if (RunPhase == 2) vgThreadAfterScan.stopNow();
  // The walk is stopped in either phase: after the hand-over it has ended,
  // and stopping it only drops its texts still on their way to the window.
  if (RunPhase == 1 || RunPhase == 2) ScanThread.stopNow();
  setProgress(0);
  setStatusText(std::string(texts::kScanCanceled));
  resetFilesList();
  // The grouping ends at its next record; once it has, a rebuild of "Files to
  // delete" that waited for it may run.
  vgThreadAfterScan.wait();
  groupingActive_ = false;
  runDeferredAfterFill();
}
