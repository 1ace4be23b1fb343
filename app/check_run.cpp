// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// The duplicate check run's buttons and how the window shows a check.
#include "app/form_main.h"
#include "session/texts.h"

void TFormMain::SpeedButton10Click() {
  session_->startCheck(static_cast<CheckMode>(RadioGroup1_->itemIndex()));
}

void TFormMain::SpeedButton17Click() {
  session_->togglePause();
}

void TFormMain::SpeedButton18Click() {
  session_->cancelCheck();
}

void TFormMain::showCheckControls(bool running) {
  if (!running) {
    endCheckRunControls();
    return;
  }
  TabSheet3_->setEnabled(false);
  GroupBox1_->setEnabled(false);
  RadioGroup1_->setEnabled(false);
  GroupBox2_->setEnabled(false);
  SpeedButton17_->setEnabled(true);
  SpeedButton18_->setEnabled(true);
  SpeedButton10_->setEnabled(false);
}

void TFormMain::endCheckRunControls() {
  SpeedButton17_->setEnabled(false);
  SpeedButton18_->setEnabled(false);
  TabSheet3_->setEnabled(true);
  GroupBox1_->setEnabled(true);
  RadioGroup1_->setEnabled(true);
  GroupBox2_->setEnabled(true);
  SpeedButton10_->setEnabled(true);
}
