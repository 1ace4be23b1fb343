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

void TFormMain::SpeedButton4Click() {
  if (session_->refuseDuringDelete()) return;
  if (filesList().columnCount() == 0) {
    dialogs_->information(texts::kAddColumnsFirst);
    return;
  }
  const std::string folder = folderText();
  if (IsExistingDirectory(folder)) {
    session_->requestScan();
  } else {
    dialogs_->warning(texts::kFolderMissingBefore + Display(folder) + texts::kFolderMissingAfter);
  }
}

void TFormMain::DirectoryEdit1ButtonClick() {
  if (session_->refuseDuringDelete()) return;
  const std::string walkedUp = WalkUpToExistingFolder(folderText());
  if (walkedUp != folderText()) setFolderText(walkedUp);
  if (filesList().columnCount() == 0) {
    dialogs_->information(texts::kAddColumnsFirst);
    return;
  }
  std::string start = folderText();
  if (start.empty()) start = lastPickedFolder_.empty() ? "/" : lastPickedFolder_;
  const auto picked = dialogs_->pickFolder(start);
  if (!picked) return;
  session_->requestScan();
  // The field takes the folder before the timer's first tick, so it is the one scanned.
  lastPickedFolder_ = *picked;
  setFolderText(*picked);
}

void TFormMain::TimerScan1Timer() {
  session_->scanTimerStep({folderText()});
}

void TFormMain::SpeedButton1Click() {
  session_->cancelScan();
}

void TFormMain::showPhaseCaption(const std::string& text) {
  FormProgressScanning_->Label2()->setText(QString::fromUtf8(text.c_str()));
}

void TFormMain::lockRunControls(bool locked) {
  if (locked) {
    LockRunControls();
  } else {
    UnlockRunControls();
  }
}

void TFormMain::showFilesPage() {
  PageControl2_->setCurrentWidget(TabSheetFiles_);
}

void TFormMain::holdListPaint(ListId list, bool hold) {
  ResultListView* view = list == ListId::Files ? vgListView1_ : vgListView2_;
  view->setUpdatesEnabled(!hold);
  if (!hold && list == ListId::Files) view->viewport()->update();
}

void TFormMain::runScanTimer(bool run) {
  if (run) {
    TimerScan1.start();
  } else {
    TimerScan1.stop();
  }
}

void TFormMain::armDeleteListTimer() {
  if (!Timer2.isActive()) Timer2.start();
}
