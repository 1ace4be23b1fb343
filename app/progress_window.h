// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QDialog>
#include <QLabel>

// The secondary progress window. Runs write their phase into Label2; no run
// shows the window.
class TFormProgressScanning final : public QDialog {
 public:
  explicit TFormProgressScanning(QWidget* parent = nullptr);
  QLabel* Label2() const { return label2_; }

 private:
  QLabel* label2_;
};
