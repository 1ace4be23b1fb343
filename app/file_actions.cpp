// File actions: deleting the ticked files, running a file, ticking and
// unticking whole lists, the popup of "Files".
#include <QFile>

#include "app/form_main.h"
#include "app/texts.h"
#include "lists/file_actions.h"

void TFormMain::SpeedButton26Click() {
  DeleteCheckedFiles();
}

void TFormMain::DeleteCheckedFiles() {
  if (refuseDuringRun()) return;
  if (deleteBuilder_.building()) completeDeleteList();
  if (filesList_.rowCount() == 0 || deleteList_.rowCount() == 0) {
    dialogs_->confirmOk(texts::kNoCheckedFiles);
    return;
  }
  if (!dialogs_->confirmYesNo(texts::kConfirmDelete)) return;
  setProgress(0);
  DeleteCheckedWalk(candidates_, deleteTable_, filesList_, deleteList_,
                    [this](int percent) { setProgress(percent); });
  setProgress(0);
  deleteTable_.DeleteCount = 0;
  DeleteListStale = true;
  deleteBuilder_.forget();
  setStatusText(std::string(texts::kUpdatingInformation));
  for (int k = 1; k <= candidates_.count(); ++k) {
    if (k - 1 < filesList_.rowCount())
      filesList_.setChecked(k - 1, candidates_.row(k).Checked == 1);
  }
  completeDeleteList();
  setStatusText(std::string(texts::kInformationUpdated));
}

void TFormMain::SpeedButton2Click() {
  if (refuseDuringRun()) return;
  SetAllTicks(filesList_, true);
}

void TFormMain::SpeedButton3Click() {
  if (refuseDuringRun()) return;
  UntickAllFiles(filesList_, candidates_);
}

void TFormMain::SpeedButton25Click() {
  if (deleteBuilder_.building()) completeDeleteList();
  SetAllTicks(deleteList_, true);
}

void TFormMain::SpeedButton21Click() {
  if (deleteBuilder_.building()) completeDeleteList();
  SetAllTicks(deleteList_, false);
}

void TFormMain::RunFile(const std::string& fullPath) {
  // The raw bytes travel percent-encoded, so names that are not UTF-8 still open.
  const QByteArray encoded =
      QByteArray("file://") + QByteArray::fromStdString(fullPath).toPercentEncoding("/");
  openUrl_(QUrl::fromEncoded(encoded));
}

void TFormMain::LaunchFile1Click() {
  const int row = vgListView1_->selectedRow();
  if (row < 0 || row + 1 > candidates_.count()) return;
  RunFile(candidates_.row(row + 1).FullPath);
}

void TFormMain::vgListView1DblClick() {
  const int row = vgListView1_->selectedRow();
  if (row < 0) return;
  if (RadioGroup2_->itemIndex() == 0) {
    if (row + 1 <= candidates_.count()) RunFile(candidates_.row(row + 1).FullPath);
  } else if (row < filesList_.rowCount()) {
    filesList_.setChecked(row, !filesList_.isChecked(row));
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
