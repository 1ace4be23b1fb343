// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One column of a result list, known by its caption alone.
struct ListColumn {
  std::string Caption;
  int Width = 50;
};

// One row: an icon index, its texts and its tick. The texts are the caption
// (first column) and up to two sub-item texts (second and third column, in
// column order). They share one buffer, each followed by a NUL, because half
// a million rows are held at once; a text is cut at a NUL of its own (paths
// and sizes have none).
class ListRow {
 public:
  int ImageIndex = -1;
  bool Checked = false;

  ListRow() = default;
  explicit ListRow(std::string_view caption, std::span<const std::string> subItems = {});

  std::string_view caption() const { return text(0); }
  int subItemCount() const;
  // Sub-item i (from 0); empty past the last.
  std::string_view subItem(int i) const { return text(i + 1); }
  std::vector<std::string> subItems() const;

 private:
  std::string_view text(int i) const;
  void append(std::string_view text);

  std::string texts_;
};

// Told about every change of a ResultList, on the thread that made it (the
// window thread). The Qt model of the list implements it.
class ResultListObserver {
 public:
  virtual ~ResultListObserver() = default;
  virtual void columnsAboutToChange() = 0;
  virtual void columnsChanged() = 0;
  virtual void rowsAboutToBeAppended(int first, int last) = 0;
  virtual void rowsAppended() = 0;
  virtual void rowsAboutToBeRemoved(int first, int last) = 0;
  virtual void rowsRemoved() = 0;
  virtual void aboutToReset() = 0;
  virtual void reset() = 0;
  virtual void rowsDataChanged(int first, int last) = 0;
  virtual void columnWidthChanged(int column) = 0;
};

// Where a list's ticks live when they belong to records outside it: row i's
// tick is tick(i). Only the list writes them while it holds rows.
class TickStore {
 public:
  virtual bool tick(int row) const = 0;
  virtual void setTick(int row, bool on) = 0;

 protected:
  ~TickStore() = default;
};

// A report-style list with a tick box per row, rows numbered from 0. Plain
// C++: the logic fills and reads it, a Qt model shows it. Used on the window
// thread only.
//
// Change notification: setChecked() that flips a tick, and
// notifyChange() (selection or focus moved), call the change handler with the
// row and whether its tick flipped. Appending and removing rows do not. The
// handler must not add or remove rows.
class ResultList {
 public:
  using ChangeHandler = std::function<void(int row, bool tickFlipped)>;

  // Columns.
  int columnCount() const { return static_cast<int>(columns_.size()); }
  const ListColumn& column(int i) const { return columns_[static_cast<std::size_t>(i)]; }
  void addColumn(std::string caption, int width = 50);
  // Replaces every column at once: one change for the view, however many.
  void setColumns(std::vector<ListColumn> columns);
  void clearColumns();
  void setColumnWidth(int i, int width);

  // Rows.
  int rowCount() const { return static_cast<int>(rows_.size()); }
  const ListRow& row(int i) const { return rows_[static_cast<std::size_t>(i)]; }
  void appendRow(ListRow row);
  void appendRows(std::vector<ListRow> rows);
  // Makes room for `rows` rows in all.
  void reserve(int rows) { rows_.reserve(static_cast<std::size_t>(std::max(rows, 0))); }
  void removeRow(int i);
  // Removes the rows at `sorted` (ascending, no repeats) in one pass; many
  // scattered rows reach the view as one reset instead of one removal each.
  void removeRows(const std::vector<int>& sorted);
  // Keeps rows 0..count-1 and removes the rest.
  void truncate(int count);
  void clear();

  bool isChecked(int i) const {
    return store_ != nullptr ? store_->tick(i) : rows_[static_cast<std::size_t>(i)].Checked;
  }
  // The ticks live in `store` from now on (the rows' own flags are unused).
  void keepTicksIn(TickStore* store);
  // Sets the tick of row i; a tick that changes fires the change handler.
  void setChecked(int i, bool checked);
  // The same for each of `rows` in turn (handlers fire in that order); the
  // view hears of the changed rows once, as one range.
  void setChecked(const std::vector<int>& rows, bool checked);
  // Every row's tick, first to last; the row count is read anew after each
  // handler call, since a handler may rebuild the list. The view hears once.
  void setAllChecked(bool checked);
  // Fires the change handler for row i (the selection or focus moved to it).
  void notifyChange(int i);

  // Batch update: the view repaints once at the end. Nested brackets count.
  void beginUpdate() { ++updateDepth_; }
  void endUpdate();
  bool updating() const { return updateDepth_ > 0; }

  void setChangeHandler(ChangeHandler handler) { onChange_ = std::move(handler); }
  void setObserver(ResultListObserver* observer) { observer_ = observer; }

  // Rows whose tick is set, kept as ticks change (the totals ask on every tick).
  int checkedCount() const { return checked_; }

 private:
  bool tickOf(int i, const ListRow& row) const {
    return store_ != nullptr ? store_->tick(i) : row.Checked;
  }
  bool flip(int i, bool checked);  // false when the tick already is `checked`

  std::vector<ListColumn> columns_;
  std::vector<ListRow> rows_;
  ChangeHandler onChange_;
  ResultListObserver* observer_ = nullptr;
  TickStore* store_ = nullptr;
  int updateDepth_ = 0;
  int checked_ = 0;
};
