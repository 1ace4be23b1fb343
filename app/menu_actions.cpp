// The main menu, help, the about window and the outside addresses.
#include <sys/stat.h>

#include <QEvent>
#include <QFile>

#include "app/about_window.h"
#include "app/form_main.h"
#include "app/progress_window.h"
#include "app/texts.h"
#include "lists/save_lists.h"

void TFormMain::Savepathesoffilestofile1Click() {
  saveList(static_cast<int>(SavedField::FullPath));
}

void TFormMain::Savenamestofile1Click() {
  saveList(static_cast<int>(SavedField::FileName));
}

void TFormMain::saveList(int field) {
  // The grouping refills the candidate table: a save then would read it half-built.
  if (groupingActive_ || fillInProgress_) {
    dialogs_->information(texts::kRunActive);
    return;
  }
  const auto chosen = dialogs_->saveFile(kSaveListFilter, lastSaveName_);
  if (!chosen) return;
  lastSaveName_ = *chosen;
  const std::string name = SaveListFileName(*chosen);
  if (auto error = SaveCandidateList(name, candidates_, static_cast<SavedField>(field))) {
    dialogs_->errorBox(*error);
  }
}

void TFormMain::SpeedButton9Click() {
  const std::string page = startDirectory_ + "/DATA/HELP/indexr.html";
  struct stat st {};
  if (::stat(page.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    RunFile(page);
  } else {
    dialogs_->warning(texts::kHelpNotFound);
  }
}

void TFormMain::SpeedButton8Click() {
  FormAbout_->show();
  FormAbout_->raise();
  FormAbout_->activateWindow();
}

void TFormMain::OfficialWebSite1Click() {
  openUrl_(QUrl(QString::fromLatin1(links::kWebSite)));
}

void TFormMain::Exit1Click() {
  // Ends the program without the close processing: the settings are not written.
  exiting_ = true;
  exitNow_();
}

void TFormMain::FormActivate() {
  if (FormAbout_->isVisible()) FormAbout_->raise();
  if (FormProgressScanning_->isVisible()) FormProgressScanning_->raise();
}

void TFormMain::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
  QMainWindow::changeEvent(event);
}
