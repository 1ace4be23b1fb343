// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The "Copies" menu: the window of the sets of identical files (whole, or at
// the set a row belongs to), the keep rules that tick every set at once,
// what a scan takes in, and the two ways to free the ticked copies' space
// while keeping their paths.
#include <QMenuBar>

#include "app/form_main.h"
#include "app/keep_rules_dialog.h"
#include "app/scan_options_dialog.h"
#include "app/sets_window.h"
#include "core/paths.h"

namespace {

constexpr const char* kSelectFirst = "Please, select a file in \"Files\" first.";
constexpr const char* kNoCopies = "The selected file has no identical copy in \"Files\".";

}  // namespace

void TFormMain::buildCopiesMenu() {
  Copies1_ = menuBar()->addMenu(QStringLiteral("Copies"));
  Copies1_->setObjectName(QStringLiteral("Copies1"));
  const auto add = [this](const char* text, const char* name, void (TFormMain::*handler)()) {
    QAction* a = Copies1_->addAction(QString::fromUtf8(text));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  };
  add("Sets of Identical Files...", "SetsOfIdenticalFiles1",
      &TFormMain::SetsOfIdenticalFiles1Click);
  add("Show copies of the selected file", "ShowCopies1", &TFormMain::ShowCopies1Click);
  Copies1_->addSeparator();
  add("Keep Rules...", "KeepRules1", &TFormMain::KeepRules1Click);
  add("Scan Options...", "ScanOptions1", &TFormMain::ScanOptions1Click);
  // Like "Delete Checked" these stay enabled: the session refuses them
  // during a run and says why.
  Copies1_->addSeparator();
  add("Replace Checked by Hard Links...", "ReplaceByHardLinks1",
      &TFormMain::ReplaceByHardLinks1Click);
  add("Share the Blocks of Checked Files...", "ShareBlocks1", &TFormMain::ShareBlocks1Click);
  updateCopiesMenu();
}

void TFormMain::updateCopiesMenu() {
  if (Copies1_ == nullptr) return;
  // The commands above the first separator work on the sets of the last
  // check; those below it can be used at any time.
  const bool sets = session_->copiesAvailable();
  for (QAction* action : Copies1_->actions()) {
    if (action->isSeparator()) break;
    action->setEnabled(sets);
  }
  if (keepRulesDialog_) keepRulesDialog_->setApplyEnabled(sets);
  if (SetsWindow_ != nullptr) SetsWindow_->followSession();
}

void TFormMain::ShowCopies1Click() {
  const std::optional<TableRow> row = session_->candidateAt({vgListView1_->selectedRow()});
  if (!row) {
    dialogs_->information(kSelectFirst);
    return;
  }
  session_->withIdenticalSets([this, row = *row] { showCopiesWindow(row); });
}

void TFormMain::showCopiesWindow(TableRow row) {
  if (session_->setOfRow(row).empty()) {
    dialogs_->information(kNoCopies);
    return;
  }
  showSetsWindow(row);
}

void TFormMain::SetsOfIdenticalFiles1Click() {
  session_->withIdenticalSets([this] { showSetsWindow(std::nullopt); });
}

void TFormMain::showSetsWindow(std::optional<TableRow> at) {
  // One window: an open one is brought forward at the row.
  if (SetsWindow_ == nullptr) SetsWindow_ = new SetsWindow(*session_, openUrl_, this);
  SetsWindow_->showSets(at);
}

void TFormMain::useKeepRules(const KeepRulesChoice& choice) {
  keepRules_ = choice;
  session_->setProtectedFolders(choice.protectedFolders);
  session_->setKeepAfterCheck(choice.afterEveryCheck ? std::optional<KeepRule>(choice.rule())
                                                     : std::nullopt);
}

void TFormMain::KeepRules1Click() {
  const std::optional<TableRow> row = session_->candidateAt({vgListView1_->selectedRow()});
  std::string start = row ? std::string(FolderOrDotOf(candidates().row(row->value).FullPath))
                          : session_->scannedRoot();
  if (start.empty()) start = folderText().empty() ? "/" : folderText();
  auto* dialog = new KeepRulesDialog(
      keepRules_, *dialogs_, start,
      [this](const KeepRulesChoice& choice) {
        useKeepRules(choice);
        session_->keepCopies(choice.rule());
      },
      this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  keepRulesDialog_ = dialog;
  updateCopiesMenu();
  connect(dialog, &QDialog::accepted, this, [this, dialog] { useKeepRules(dialog->choice()); });
  // Window-modal: nothing else changes the sets while it shows.
  dialog->open();
}

void TFormMain::ScanOptions1Click() {
  auto* dialog = new ScanOptionsDialog(scanOptions_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::accepted, this, [this, dialog] { scanOptions_ = dialog->options(); });
  dialog->open();
}

void TFormMain::ReplaceByHardLinks1Click() {
  session_->replaceChecked(FileAct::HardLink);
}

void TFormMain::ShareBlocks1Click() {
  session_->replaceChecked(FileAct::ShareBlocks);
}
