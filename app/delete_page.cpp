// "Files to delete": the tick mirror, the deferred rebuild, the totals and the
// swap of the button groups with the list page in front.
#include "app/form_main.h"
#include "lists/delete_list.h"

void TFormMain::vgListView1Change(int row) {
  if (filesList_.rowCount() != candidates_.CandidateCount.load(std::memory_order_acquire)) return;
  if (row < 0 || row >= candidates_.stored()) return;
  // Only a tick that differs from its mirror rebuilds "Files to delete": a new
  // selection or focus must not undo the user's unticks there.
  const std::uint8_t ticked = filesList_.isChecked(row) ? 1 : 0;
  if (candidates_.row(row + 1).Checked == ticked) return;
  candidates_.row(row + 1).Checked = ticked;
  DeleteListStale = true;
  if (!Timer2.isActive()) Timer2.start();
  deleteBuilder_.changedFrom(row + 1);
}

void TFormMain::vgListView2Change(int) {
  if (deleteList_.rowCount() == DeleteRowsExpected) TabSheetResultsShow();
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
  if (DeleteListStale) {
    if (groupingActive_ || fillInProgress_ || deleteActive_) {
      // The grouping is refilling the candidate table, or Delete Checked will
      // remove rows of it: rebuild once that is done.
      resultsShowDeferred_ = true;
    } else if (BuildDeleteListSlice()) {
      DeleteListStale = false;
    } else {
      // More rows to build: the next slice runs once the window's events have.
      if (!Timer2.isActive()) Timer2.start();
      return;
    }
  }
  DeleteTickedCount = deleteList_.checkedCount();
  setStatusText(DeleteTotalsText(deleteList_.rowCount(), DeleteTickedCount));
}

DeleteListBuilder::Lists TFormMain::deleteLists() {
  return {candidates_, deleteTable_, deleteList_, filesList_, icons_, DeleteRowsExpected};
}

bool TFormMain::BuildDeleteListSlice() {
  // A slice of this many rows takes a few milliseconds.
  constexpr int kSliceRows = 4096;
  vgListView2_->setUpdatesEnabled(false);
  const bool whole = deleteBuilder_.step(deleteLists(), kSliceRows);
  vgListView2_->setUpdatesEnabled(true);
  return whole;
}

void TFormMain::completeDeleteList() {
  if (DeleteListStale && !groupingActive_ && !fillInProgress_ && !deleteActive_) {
    vgListView2_->setUpdatesEnabled(false);
    deleteBuilder_.finish(deleteLists());
    vgListView2_->setUpdatesEnabled(true);
    DeleteListStale = false;
  }
  TabSheetResultsShow();
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
