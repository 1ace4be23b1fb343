// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// "Files to delete": the tick mirror, the deferred rebuild and the swap of
// the button groups with the list page in front.
#include "app/form_main.h"

void TFormMain::vgListView1Change(int row, bool tickFlipped) {
  session_->filesTickChanged({row}, tickFlipped);
}

void TFormMain::vgListView2Change(int) {
  if (session_->deleteListWhole()) TabSheetResultsShow();
}

void TFormMain::Timer2Timer() {
  Timer2.stop();
  TabSheetResultsShow();
}

void TFormMain::TabSheetFilesShow() {
  GroupBox7_->hide();
  GroupBox1_->show();
}

void TFormMain::TabSheetResultsShow() {
  if (PageControl2_->currentWidget() == TabSheetResults_) {
    GroupBox1_->hide();
    GroupBox7_->show();
  }
  session_->refreshDeleteList();
}

void TFormMain::Timer1Timer() {
  Timer1.stop();
  PageControl2_->setCurrentWidget(TabSheetResults_);
  PageControl2_->setCurrentWidget(TabSheetFiles_);
  PageControl1_->setCurrentWidget(TabSheet3_);
  PageControl3_->setCurrentWidget(TabSheetColumnsDelete_);
  PageControl3_->setCurrentWidget(TabSheetColumnsFiles_);
  PageControl1_->setCurrentWidget(TabSheetScan_);
}
