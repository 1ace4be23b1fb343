// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>

#include <cstdint>

#include "scan/walk.h"

// What a scan takes in besides its folder: the smallest file size and the
// kinds of entries walked. The defaults walk every entry.
struct ScanOptions {
  std::int64_t minSize = 0;  // files smaller than this are no candidates; 0: every size
  ScanScope scope;
};

// "Scan Options": the smallest size and the three kinds of entries, each a
// control named for tests and read by its text.
class ScanOptionsDialog final : public QDialog {
 public:
  ScanOptionsDialog(const ScanOptions& options, QWidget* parent);
  // The options as the controls show them.
  ScanOptions options() const;

 private:
  QLineEdit* minSize_;
  QCheckBox* hidden_;
  QCheckBox* trash_;
  QCheckBox* vcs_;
};
