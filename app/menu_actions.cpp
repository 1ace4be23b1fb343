// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The main menu, help, the about window and the outside addresses.
#include <sys/stat.h>

#include <QEvent>
#include <QFile>

#include "app/about_window.h"
#include "app/form_main.h"
#include "app/progress_window.h"
#include "output/save_lists.h"
#include "session/texts.h"

void TFormMain::Savepathesoffilestofile1Click() {
  saveList(SavedField::FullPath);
}

void TFormMain::Savenamestofile1Click() {
  saveList(SavedField::FileName);
}

void TFormMain::saveList(SavedField field) {
  session_->saveList(field);
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
