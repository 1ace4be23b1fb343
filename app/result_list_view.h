// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QTreeView>

#include <functional>
#include <utility>

#include "lists/result_list.h"

class IconRegistry;

// Shows a ResultList: texts, icons and ticks; a tick clicked in the view goes
// to ResultList::setChecked, so the list's change handler sees it.
class ResultListModel final : public QAbstractTableModel, public ResultListObserver {
 public:
  ResultListModel(ResultList& list, IconRegistry& icons, QObject* parent = nullptr);
  ~ResultListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // The view asks for every row's index when it lays out all rows at once;
  // checked here directly, without the two virtual counts of the default.
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  ResultList& list() { return list_; }

  // ResultListObserver
  void columnsAboutToChange() override;
  void columnsChanged() override;
  void rowsAboutToBeAppended(int first, int last) override;
  void rowsAppended() override;
  void rowsAboutToBeRemoved(int first, int last) override;
  void rowsRemoved() override;
  void aboutToReset() override;
  void reset() override;
  void rowsDataChanged(int first, int last) override;
  void columnWidthChanged(int column) override;

  // Called with a column whose width the list changed.
  std::function<void(int column)> onColumnWidth;
  std::function<void()> onColumnsChanged;
  // The rows the view shows now (first, last); set by the view. A change of
  // many rows is announced for these only: the tree view walks every row of
  // an announced range (heights, children), which a flat list of uniform rows
  // does not need, and rows out of sight are read afresh when shown.
  std::function<std::pair<int, int>()> shownRows;

 private:
  ResultList& list_;
  IconRegistry& icons_;
};

// A report-style list with tick boxes, whole-row single selection, no
// editing, no sorting; column widths kept in step with the ResultList.
class ResultListView final : public QTreeView {
 public:
  ResultListView(ResultList& list, IconRegistry& icons, QWidget* parent = nullptr);

  ResultList& list() { return model_->list(); }
  ResultListModel* resultModel() { return model_; }

  // Background and text colour of the whole list, rows included.
  void setListColors(const QColor& background, const QColor& text);
  void setListBackground(const QColor& background);
  void setListTextColor(const QColor& text);
  // The row of the current selection, or -1.
  int selectedRow() const;

 private:
  void applyColumnWidths();

  ResultListModel* model_;
  bool syncingWidths_ = false;
};
