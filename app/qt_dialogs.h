// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QPointer>
#include <QWidget>

#include "core/dialogs.h"

// The dialogs as Qt's modal message boxes and file dialogs.
class QtDialogs final : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void information(const std::string& text) override;
  void warning(const std::string& text) override;
  void plain(const std::string& text) override;
  void confirmOk(const std::string& text) override;
  bool confirmYesNo(const std::string& text) override;
  bool confirmYesNoDetailed(const std::string& text, const std::string& informative) override;
  void errorBox(const std::string& text) override;
  std::optional<std::string> pickFolder(const std::string& start) override;
  std::optional<std::string> saveFile(const std::string& filter,
                                      const std::string& lastName) override;

 private:
  QPointer<QWidget> parent_;
};
