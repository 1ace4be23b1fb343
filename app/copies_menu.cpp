// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The "Copies" menu: the window of the sets of identical files (whole, or at
// the set a row belongs to), and the keep rules that tick every set at once.
#include <QMenuBar>

#include "app/form_main.h"
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
  add("Keep the copies in a folder...", "KeepFolder1", &TFormMain::KeepFolder1Click);
  add("Keep the oldest copy of each set", "KeepOldest1", &TFormMain::KeepOldest1Click);
  add("Keep the newest copy of each set", "KeepNewest1", &TFormMain::KeepNewest1Click);
  Copies1_->menuAction()->setEnabled(false);
}

void TFormMain::updateCopiesMenu() {
  if (Copies1_ != nullptr) Copies1_->menuAction()->setEnabled(session_->copiesAvailable());
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

void TFormMain::KeepFolder1Click() {
  const std::optional<TableRow> row = session_->candidateAt({vgListView1_->selectedRow()});
  const std::string start = row ? std::string(FolderOrDotOf(candidates().row(row->value).FullPath))
                                : session_->scannedRoot();
  const auto folder = dialogs_->pickFolder(start);
  if (!folder) return;
  session_->keepCopies({{*folder}, {}});
}

void TFormMain::KeepOldest1Click() {
  session_->keepCopies({{}, {KeepCriterion::Oldest}});
}

void TFormMain::KeepNewest1Click() {
  session_->keepCopies({{}, {KeepCriterion::Newest}});
}
