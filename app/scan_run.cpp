// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The scan run's controls: requests, the timer that drives the session's
// steps, cancel, and how the window shows a run.
#include <QFile>

#include "app/form_main.h"
#include "app/progress_window.h"
#include "scan/folder_path.h"
#include "session/texts.h"

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

void TFormMain::showScanRefusal(const ScanRefusal& refusal) {
  switch (refusal.reason) {
    case ScanRefusalReason::None:
      break;
    case ScanRefusalReason::DeleteActive:
      dialogs_->information(texts::kDeleteActive);
      break;
    case ScanRefusalReason::NoColumns:
      dialogs_->information(texts::kAddColumnsFirst);
      break;
    case ScanRefusalReason::FolderMissing:
      dialogs_->warning(texts::kFolderMissingBefore + Display(refusal.folder) +
                        texts::kFolderMissingAfter);
      break;
  }
}

void TFormMain::requestScanOf(std::vector<std::string> roots) {
  const ScanRefusal refusal =
      session_->requestScan({std::move(roots), {}, scanOptions_.minSize, scanOptions_.scope});
  if (refusal.refused()) {
    showScanRefusal(refusal);
  } else {
    TimerScan1.start();
  }
}

void TFormMain::SpeedButton4Click() {
  requestScanOf({folderText()});
}

void TFormMain::DirectoryEdit1ButtonClick() {
  if (const ScanRefusal refusal = session_->scanRefusal({});
      refusal.reason == ScanRefusalReason::DeleteActive) {
    showScanRefusal(refusal);
    return;
  }
  const std::string walkedUp = WalkUpToExistingFolder(folderText());
  if (walkedUp != folderText()) setFolderText(walkedUp);
  if (const ScanRefusal refusal = session_->scanRefusal({}); refusal.refused()) {
    showScanRefusal(refusal);
    return;
  }
  std::string start = folderText();
  if (start.empty()) start = lastPickedFolder_.empty() ? "/" : lastPickedFolder_;
  const auto picked = dialogs_->pickFolder(start);
  if (!picked) return;
  lastPickedFolder_ = *picked;
  setFolderText(*picked);
  requestScanOf({*picked});
}

void TFormMain::TimerScan1Timer() {
  if (!session_->scanStep()) TimerScan1.stop();
}

void TFormMain::SpeedButton1Click() {
  TimerScan1.stop();
  session_->cancelScan();
}

void TFormMain::phaseChanged(const PhaseChange& change) {
  const auto checking = [](Phase phase) {
    return phase == Phase::Checking || phase == Phase::CheckPaused;
  };
  if (change.to == Phase::Walking) {
    LockRunControls();
    FormProgressScanning_->Label2()->setText(QString::fromUtf8(texts::kPhaseCreating));
  }
  if (change.from == Phase::Grouping && change.to == Phase::Idle && change.completed) {
    // The scan filled "Files".
    PageControl2_->setCurrentWidget(TabSheetFiles_);
    UnlockRunControls();
  }
  if (checking(change.to) && !checking(change.from)) showCheckControls(true);
  if (checking(change.from) && !checking(change.to)) showCheckControls(false);
  if (checking(change.to)) {
    SpeedButton17_->setText(
        QString::fromUtf8(change.to == Phase::CheckPaused ? texts::kResume : texts::kPause));
  }
  updateCopiesMenu();
}

void TFormMain::progress(const RunProgress& progress) {
  // The walk has no share to show; its folders are named in the status text.
  if (progress.phase != Phase::Walking) setProgress(progress.percent);
}

void TFormMain::filesFilling(bool on) {
  if (on) FormProgressScanning_->Label2()->setText(QString::fromUtf8(texts::kPhaseAdding));
  vgListView1_->setUpdatesEnabled(!on);
  if (!on) vgListView1_->viewport()->update();
}

void TFormMain::deleteListRebuilding(bool on) {
  vgListView2_->setUpdatesEnabled(!on);
}

void TFormMain::deleteListRebuildDue() {
  if (!Timer2.isActive()) Timer2.start();
}
