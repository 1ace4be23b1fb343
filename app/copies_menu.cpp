// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The "Copies" menu: the set of identical files a row belongs to, the keep
// rules that tick every set at once, and what a scan takes in.
#include <QDateTime>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QMenuBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/form_main.h"
#include "app/keep_rules_dialog.h"
#include "app/scan_options_dialog.h"
#include "core/paths.h"
#include "lists/row_texts.h"

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
  add("Show copies of the selected file", "ShowCopies1", &TFormMain::ShowCopies1Click);
  Copies1_->addSeparator();
  add("Keep Rules...", "KeepRules1", &TFormMain::KeepRules1Click);
  add("Scan Options...", "ScanOptions1", &TFormMain::ScanOptions1Click);
  updateCopiesMenu();
}

void TFormMain::updateCopiesMenu() {
  if (Copies1_ == nullptr) return;
  // The commands above the separator work on the sets of the last check;
  // the rules and options below it can be set at any time.
  const bool sets = session_->copiesAvailable();
  for (QAction* action : Copies1_->actions()) {
    if (action->isSeparator()) break;
    action->setEnabled(sets);
  }
  if (keepRulesDialog_) keepRulesDialog_->setApplyEnabled(sets);
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
  const std::vector<int> set = session_->setOfRow(row);
  if (set.empty()) {
    dialogs_->information(kNoCopies);
    return;
  }
  auto* window = new QDialog(this);
  window->setObjectName(QStringLiteral("CopiesWindow"));
  window->setWindowTitle(QStringLiteral("Copies"));
  window->setAttribute(Qt::WA_DeleteOnClose);
  // Nothing else may change the rows while it shows them.
  window->setWindowModality(Qt::ApplicationModal);
  auto* list = new QTreeWidget(window);
  list->setObjectName(QStringLiteral("CopiesList"));
  list->setAccessibleName(QStringLiteral("Copies"));
  list->setRootIsDecorated(false);
  list->setHeaderLabels(
      {QStringLiteral("Path"), QStringLiteral("Size"), QStringLiteral("Modified")});
  for (const int r : set) {
    const CandidateRow& c = candidates().row(r);
    auto* item = new QTreeWidgetItem(list);
    item->setText(0, QFile::decodeName(QByteArray::fromStdString(c.FullPath)));
    item->setText(1, QString::fromStdString(FormatSizeText(std::to_string(c.Size))));
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(2, QDateTime::fromMSecsSinceEpoch(c.Identity.MtimeNs / 1000000)
                         .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    item->setData(0, Qt::UserRole, r);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, session_->ticked(r) ? Qt::Checked : Qt::Unchecked);
  }
  list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  // A tick here is a tick of the row in "Files": Checked and "Files to delete" follow.
  connect(list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (column == 0)
      session_->setTicked({item->data(0, Qt::UserRole).toInt()},
                          item->checkState(0) == Qt::Checked);
  });
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(list);
  window->resize(560, 220);
  window->show();
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
