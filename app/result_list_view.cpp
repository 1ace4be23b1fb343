// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/result_list_view.h"

#include <QFile>
#include <QHeaderView>

#include "app/icon_registry.h"

namespace {
QString Text(std::string_view bytes) {
  return QFile::decodeName(
      QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
}
}  // namespace

ResultListModel::ResultListModel(ResultList& list, IconRegistry& icons, QObject* parent)
    : QAbstractTableModel(parent), list_(list), icons_(icons) {
  list_.setObserver(this);
}

ResultListModel::~ResultListModel() {
  list_.setObserver(nullptr);
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.rowCount();
}

int ResultListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.columnCount();
}

QModelIndex ResultListModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || column < 0 || row >= list_.rowCount() ||
      column >= list_.columnCount())
    return {};
  return createIndex(row, column);
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.rowCount()) return {};
  const ListRow& row = list_.row(index.row());
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: {
      return Text(column == 0 ? row.caption() : row.subItem(column - 1));
    }
    case Qt::DecorationRole:
      return column == 0 ? QVariant(icons_.icon(row.ImageIndex)) : QVariant();
    case Qt::CheckStateRole:
      return column == 0 ? QVariant(list_.isChecked(index.row()) ? Qt::Checked : Qt::Unchecked)
                         : QVariant();
    default:
      return {};
  }
}

bool ResultListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole) return false;
  list_.setChecked(index.row(), value.toInt() == Qt::Checked);
  return true;
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
  return f;
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section >= list_.columnCount()) return {};
  if (role == Qt::DisplayRole) return Text(list_.column(section).Caption);
  return {};
}

void ResultListModel::columnsAboutToChange() {
  beginResetModel();
}
void ResultListModel::columnsChanged() {
  endResetModel();
  if (onColumnsChanged) onColumnsChanged();
}
void ResultListModel::rowsAboutToBeAppended(int first, int last) {
  beginInsertRows({}, first, last);
}
void ResultListModel::rowsAppended() {
  endInsertRows();
}
void ResultListModel::rowsAboutToBeRemoved(int first, int last) {
  beginRemoveRows({}, first, last);
}
void ResultListModel::rowsRemoved() {
  endRemoveRows();
}
void ResultListModel::aboutToReset() {
  beginResetModel();
}
void ResultListModel::reset() {
  endResetModel();
}
void ResultListModel::rowsDataChanged(int first, int last) {
  // A list without columns has rows but no cell to name or repaint.
  const int columns = list_.columnCount();
  if (columns == 0) return;
  constexpr int kFewRows = 256;
  if (last - first >= kFewRows && shownRows) {
    const auto [top, bottom] = shownRows();
    first = std::max(first, top);
    last = std::min(last, bottom);
    if (first > last) return;
  }
  Q_EMIT dataChanged(index(first, 0), index(last, columns - 1));
}
void ResultListModel::columnWidthChanged(int column) {
  if (onColumnWidth) onColumnWidth(column);
}

ResultListView::ResultListView(ResultList& list, IconRegistry& icons, QWidget* parent)
    : QTreeView(parent), model_(new ResultListModel(list, icons, this)) {
  setModel(model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSortingEnabled(false);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(16, 16));
  header()->setStretchLastSection(false);
  header()->setSectionsClickable(false);
  header()->setSectionsMovable(false);
  header()->setSectionResizeMode(QHeaderView::Interactive);
  model_->onColumnsChanged = [this] { applyColumnWidths(); };
  model_->shownRows = [this] {
    // A hidden view paints everything afresh when it is shown.
    if (!isVisible()) return std::pair<int, int>{0, -1};
    const int rows = this->list().rowCount();
    const QModelIndex top = indexAt(QPoint(0, 0));
    const QModelIndex bottom = indexAt(QPoint(0, viewport()->height() - 1));
    // A screen's worth either side covers rows about to scroll into sight.
    const int first = top.isValid() ? top.row() : 0;
    const int last = bottom.isValid() ? bottom.row() : rows - 1;
    const int margin = std::max(last - first + 1, 64);
    return std::pair<int, int>{std::max(0, first - margin), std::min(rows - 1, last + margin)};
  };
  model_->onColumnWidth = [this](int column) {
    if (syncingWidths_) return;
    syncingWidths_ = true;
    header()->resizeSection(column, this->list().column(column).Width);
    syncingWidths_ = false;
  };
  // Widths the user drags are kept in the list, which the settings store.
  connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
    if (syncingWidths_ || column >= this->list().columnCount()) return;
    syncingWidths_ = true;
    this->list().setColumnWidth(column, size);
    syncingWidths_ = false;
  });
}

void ResultListView::applyColumnWidths() {
  syncingWidths_ = true;
  // While the header does not paint, a resize skips locating its section on
  // screen, which walks all sections: many columns would take quadratic time.
  const bool updates = header()->updatesEnabled();
  header()->setUpdatesEnabled(false);
  for (int c = 0; c < list().columnCount(); ++c) header()->resizeSection(c, list().column(c).Width);
  header()->setUpdatesEnabled(updates);
  syncingWidths_ = false;
}

void ResultListView::setListColors(const QColor& background, const QColor& text) {
  setListBackground(background);
  setListTextColor(text);
}

void ResultListView::setListBackground(const QColor& background) {
  QPalette p = palette();
  p.setColor(QPalette::Base, background);
  p.setColor(QPalette::AlternateBase, background);
  setPalette(p);
}

void ResultListView::setListTextColor(const QColor& text) {
  QPalette p = palette();
  p.setColor(QPalette::Text, text);
  setPalette(p);
}

int ResultListView::selectedRow() const {
  const auto rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
  return rows.isEmpty() ? -1 : rows.first().row();
}
