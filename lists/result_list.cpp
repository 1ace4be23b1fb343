// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/result_list.h"

#include <algorithm>

ListRow::ListRow(std::string_view caption, std::span<const std::string> subItems) {
  // One allocation of the exact size: growing by doubling would waste a
  // quarter of the buffer on average.
  std::size_t bytes = caption.size() + 1;
  for (const std::string& text : subItems) bytes += text.size() + 1;
  texts_.reserve(bytes);
  append(caption);
  for (const std::string& text : subItems) append(text);
}

int ListRow::subItemCount() const {
  const auto texts = static_cast<int>(std::count(texts_.begin(), texts_.end(), '\0'));
  return texts > 0 ? texts - 1 : 0;
}

std::vector<std::string> ListRow::subItems() const {
  const int count = subItemCount();
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) out.emplace_back(subItem(i));
  return out;
}

void ListRow::append(std::string_view text) {
  texts_.append(text.substr(0, text.find('\0')));
  texts_.push_back('\0');
}

std::string_view ListRow::text(int i) const {
  std::size_t start = 0;
  for (; i > 0; --i) {
    const std::size_t end = texts_.find('\0', start);
    if (end == std::string::npos) return {};
    start = end + 1;
  }
  const std::size_t end = texts_.find('\0', start);
  if (end == std::string::npos) return {};
  return std::string_view(texts_).substr(start, end - start);
}

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
  checked_ += store_ != nullptr ? (store_->tick(first) ? 1 : 0) : (row.Checked ? 1 : 0);
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
  for (auto& r : rows) {
    checked_ += tickOf(static_cast<int>(rows_.size()), r) ? 1 : 0;
    rows_.push_back(std::move(r));
  }
  if (observer_) observer_->rowsAppended();
}

void ResultList::removeRow(int i) {
  if (observer_) observer_->rowsAboutToBeRemoved(i, i);
  checked_ -= isChecked(i) ? 1 : 0;
  rows_.erase(rows_.begin() + i);
  if (observer_) observer_->rowsRemoved();
}

void ResultList::removeRows(const std::vector<int>& sorted) {
  if (sorted.empty()) return;
  // Runs of adjacent rows; a few go to the view one by one (keeping its
  // selection and scroll position), many as a reset.
  std::size_t runs = 1;
  for (std::size_t k = 1; k < sorted.size(); ++k) runs += sorted[k] != sorted[k - 1] + 1 ? 1 : 0;
  constexpr std::size_t kMostRuns = 32;
  if (runs <= kMostRuns) {
    std::size_t end = sorted.size();
    while (end > 0) {
      std::size_t begin = end - 1;
      while (begin > 0 && sorted[begin - 1] + 1 == sorted[begin]) --begin;
      const int first = sorted[begin];
      const int last = sorted[end - 1];
      if (observer_) observer_->rowsAboutToBeRemoved(first, last);
      for (int i = first; i <= last; ++i) checked_ -= isChecked(i) ? 1 : 0;
      rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
      if (observer_) observer_->rowsRemoved();
      end = begin;
    }
    return;
  }
  if (observer_) observer_->aboutToReset();
  std::size_t kept = 0;
  std::size_t next = 0;
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    if (next < sorted.size() && static_cast<std::size_t>(sorted[next]) == r) {
      ++next;
      checked_ -= isChecked(static_cast<int>(r)) ? 1 : 0;
      continue;
    }
    if (kept != r) rows_[kept] = std::move(rows_[r]);
    ++kept;
  }
  rows_.resize(kept);
  if (observer_) observer_->reset();
}

void ResultList::truncate(int count) {
  if (count >= rowCount()) return;
  if (observer_) observer_->rowsAboutToBeRemoved(count, rowCount() - 1);
  for (int i = count; i < rowCount(); ++i) checked_ -= isChecked(i) ? 1 : 0;
  rows_.resize(static_cast<std::size_t>(count));
  if (observer_) observer_->rowsRemoved();
}

void ResultList::clear() {
  if (observer_) observer_->aboutToReset();
  rows_.clear();
  rows_.shrink_to_fit();
  checked_ = 0;
  if (observer_) observer_->reset();
}

bool ResultList::flip(int i, bool checked) {
  if (isChecked(i) == checked) return false;
  if (store_ != nullptr) {
    store_->setTick(i, checked);
  } else {
    rows_[static_cast<std::size_t>(i)].Checked = checked;
  }
  checked_ += checked ? 1 : -1;
  return true;
}

void ResultList::setChecked(int i, bool checked) {
  if (!flip(i, checked)) return;
  if (observer_) observer_->rowsDataChanged(i, i);
  if (onChange_) onChange_(i, true);
}

void ResultList::setChecked(const std::vector<int>& rows, bool checked) {
  int first = -1;
  int last = -1;
  for (const int i : rows) {
    if (i < 0 || i >= rowCount() || !flip(i, checked)) continue;
    first = first < 0 ? i : std::min(first, i);
    last = std::max(last, i);
    if (onChange_) onChange_(i, true);
  }
  if (observer_ && first >= 0) observer_->rowsDataChanged(first, last);
}

void ResultList::setAllChecked(bool checked) {
  // The handler may rebuild the list, so the row count is read anew each step.
  int first = -1;
  int last = -1;
  for (int i = 0; i < rowCount(); ++i) {
    if (!flip(i, checked)) continue;
    first = first < 0 ? i : first;
    last = i;
    if (onChange_) onChange_(i, true);
  }
  last = std::min(last, rowCount() - 1);
  if (observer_ && first >= 0 && first <= last) observer_->rowsDataChanged(first, last);
}

void ResultList::notifyChange(int i) {
  if (onChange_) onChange_(i, false);
}

void ResultList::keepTicksIn(TickStore* store) {
  store_ = store;
  checked_ = 0;
  for (int i = 0; i < rowCount(); ++i) checked_ += isChecked(i) ? 1 : 0;
}

void ResultList::endUpdate() {
  if (updateDepth_ > 0) --updateDepth_;
}
