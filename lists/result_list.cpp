#include "lists/result_list.h"

#include <algorithm>

void ResultList::addColumn(std::string caption, int width) {
  if (observer_) observer_->columnsAboutToChange();
  columns_.push_back({std::move(caption), width});
  if (observer_) observer_->columnsChanged();
}

void ResultList::setColumns(std::vector<ListColumn> columns) {
  if (observer_) observer_->columnsAboutToChange();
  columns_ = std::move(columns);
  if (observer_) observer_->columnsChanged();
}

void ResultList::clearColumns() {
  if (observer_) observer_->columnsAboutToChange();
  columns_.clear();
  if (observer_) observer_->columnsChanged();
}

void ResultList::setColumnWidth(int i, int width) {
  columns_[static_cast<std::size_t>(i)].Width = width;
  if (observer_) observer_->columnWidthChanged(i);
}

void ResultList::appendRow(ListRow row) {
  const int first = rowCount();
  if (observer_) observer_->rowsAboutToBeAppended(first, first);
  rows_.push_back(std::move(row));
  if (observer_) observer_->rowsAppended();
}

void ResultList::appendRows(std::vector<ListRow> rows) {
  if (rows.empty()) return;
  const int first = rowCount();
  if (observer_) observer_->rowsAboutToBeAppended(first, first + static_cast<int>(rows.size()) - 1);
  // Grow geometrically: an exact reserve per batch would move every row on
  // every batch, making a fill of many batches quadratic.
  const std::size_t needed = rows_.size() + rows.size();
  if (rows_.capacity() < needed) rows_.reserve(std::max(needed, 2 * rows_.capacity()));
  for (auto& r : rows) rows_.push_back(std::move(r));
  if (observer_) observer_->rowsAppended();
}

void ResultList::removeRow(int i) {
  if (observer_) observer_->rowAboutToBeRemoved(i);
  rows_.erase(rows_.begin() + i);
  if (observer_) observer_->rowRemoved();
}

void ResultList::clear() {
  if (observer_) observer_->aboutToReset();
  rows_.clear();
  rows_.shrink_to_fit();
  if (observer_) observer_->reset();
}

void ResultList::setChecked(int i, bool checked) {
  auto& r = rows_[static_cast<std::size_t>(i)];
  if (r.Checked == checked) return;
  r.Checked = checked;
  if (observer_) observer_->rowDataChanged(i);
  if (onChange_) onChange_(i);
}

void ResultList::notifyChange(int i) {
  if (onChange_) onChange_(i);
}

void ResultList::endUpdate() {
  if (updateDepth_ > 0) --updateDepth_;
}

int ResultList::checkedCount() const {
  int n = 0;
  for (const auto& r : rows_) n += r.Checked ? 1 : 0;
  return n;
}
