// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/dialogs.h"
#include "lists/keep_rules.h"

// The keep rules as the user set them: every criterion in the user's order,
// each on or off; the folders to prefer, in order; the protected folders;
// whether the rule is applied after every check.
struct KeepRulesChoice {
  std::vector<std::pair<KeepCriterion, bool>> criteria = AllCriteriaOff();
  std::vector<std::string> preferred;
  std::vector<std::string> protectedFolders;
  bool afterEveryCheck = false;

  // The seven criteria in their own order, all off.
  static std::vector<std::pair<KeepCriterion, bool>> AllCriteriaOff();
  // The rule to apply: the preferred folders and the criteria that are on.
  KeepRule rule() const;
  // The stored form: each criterion by its word; empty when all are off in
  // their own order, so a default choice adds no line to the settings.
  std::vector<std::pair<std::string, bool>> criteriaWords() const;
  // The criteria from their stored words, in that order; unknown words and
  // repeats are skipped, criteria not named follow in their own order, off.
  void setCriteriaWords(const std::vector<std::pair<std::string, bool>>& words);
};

// "Keep Rules": the ordered criteria with their check boxes, the preferred
// and the protected folders, "Apply after every check", and Apply, OK and
// Cancel. Apply hands the choice shown to `apply`; OK leaves it in choice()
// and accepts. Folders are picked through `dialogs`, starting at `start`.
class KeepRulesDialog final : public QDialog {
 public:
  KeepRulesDialog(const KeepRulesChoice& choice, Dialogs& dialogs, std::string start,
                  std::function<void(const KeepRulesChoice&)> apply, QWidget* parent);
  // The choice as the controls show it.
  KeepRulesChoice choice() const;
  // Apply is offered only while the sets of identical files are at hand.
  void setApplyEnabled(bool on) { apply_->setEnabled(on); }

 private:
  void addFolder(QListWidget* list);

  Dialogs& dialogs_;
  std::string start_;
  QListWidget* criteria_;
  QListWidget* preferred_;
  QListWidget* protected_;
  QCheckBox* afterCheck_;
  QPushButton* apply_;
};

// What each criterion reads as in the dialog.
QString KeepCriterionText(KeepCriterion criterion);
