// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// File actions: deleting the ticked files, running a file, ticking and
// unticking whole lists, the popup of "Files".
#include "app/form_main.h"

void TFormMain::SpeedButton26Click() {
  session_->deleteChecked();
}

void TFormMain::SpeedButton2Click() {
  session_->tickAllFiles(true);
}

void TFormMain::SpeedButton3Click() {
  session_->tickAllFiles(false);
}

void TFormMain::SpeedButton25Click() {
  session_->tickAllDeleteRows(true);
}

void TFormMain::SpeedButton21Click() {
  session_->tickAllDeleteRows(false);
}

void TFormMain::RunFile(const std::string& fullPath) {
  // The raw bytes travel percent-encoded, so names that are not UTF-8 still open.
  const QByteArray encoded =
      QByteArray("file://") + QByteArray::fromStdString(fullPath).toPercentEncoding("/");
  openUrl_(QUrl::fromEncoded(encoded));
}

void TFormMain::LaunchFile1Click() {
  if (const auto row = session_->candidateAt({vgListView1_->selectedRow()}))
    RunFile(candidates().row(row->value).FullPath);
}

void TFormMain::vgListView1DblClick() {
  const int row = vgListView1_->selectedRow();
  if (row < 0) return;
  if (RadioGroup2_->itemIndex() == 0) {
    if (const auto k = session_->candidateAt({row})) RunFile(candidates().row(k->value).FullPath);
  } else if (row < filesList().rowCount()) {
    filesList().setChecked(row, !filesList().isChecked(row));
  }
}

void TFormMain::RxPopupMenu1Popup() {
  for (QAction* action : RxPopupMenu1_->actions()) action->setVisible(false);
  if (vgListView1_->selectedRow() >= 0) {
    LaunchFile1_->setVisible(true);
  } else {
    UncheckallItems1_->setVisible(true);
    SelectallItems1_->setVisible(true);
  }
}
