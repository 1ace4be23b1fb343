// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "app/sets_model.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QTimer>

#include <algorithm>

#include "core/paths.h"
#include "session/session.h"

namespace {

QString Plural(qint64 n, const char* one, const char* many) {
  return QLocale().toString(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many);
}

QString Decoded(std::string_view bytes) {
  return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

}  // namespace

QString HumanSize(std::int64_t bytes) {
  if (bytes < 1024) return Plural(bytes, "byte", "bytes");
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  // Three significant digits, as 999.5 KiB rounds to "1000 KiB" otherwise.
  const int decimals = value >= 99.95 ? 0 : value >= 9.995 ? 1 : 2;
  return QLocale().toString(value, 'f', decimals) + QLatin1Char(' ') +
         QString::fromLatin1(kUnits[unit]);
}

SetsModel::SetsModel(Session& session, QObject* parent)
    : QAbstractItemModel(parent), session_(session) {}

bool SetsModel::rowExists(int row) const {
  return row >= 1 && row <= session_.candidates().count();
}

void SetsModel::count(Set& set) const {
  set.ticked = 0;
  set.freed = 0;
  for (const int r : set.rows) {
    if (!session_.ticked(r)) continue;
    ++set.ticked;
    set.freed += session_.candidates().row(r).Size;
  }
}

void SetsModel::refill() {
  beginResetModel();
  sets_.clear();
  const int rows = session_.candidates().count();
  for (const std::vector<int>& found : session_.identicalSets()) {
    Set set;
    for (const int r : found) {
      if (r >= 1 && r <= rows) set.rows.push_back(r);
    }
    if (set.rows.size() < 2) continue;
    std::sort(set.rows.begin(), set.rows.end());
    set.first = set.rows.front();
    // Kept members first, then the ticked ones, each in row order.
    std::stable_partition(set.rows.begin(), set.rows.end(),
                          [this](int r) { return !session_.ticked(r); });
    count(set);
    sets_.push_back(std::move(set));
  }
  std::sort(sets_.begin(), sets_.end(), [](const Set& a, const Set& b) {
    return a.freed != b.freed ? a.freed > b.freed : a.first < b.first;
  });
  where_.assign(static_cast<std::size_t>(rows) + 1, {0, 0});
  tickedFiles_ = 0;
  bytesToFree_ = 0;
  for (std::size_t s = 0; s < sets_.size(); ++s) {
    const Set& set = sets_[s];
    for (std::size_t i = 0; i < set.rows.size(); ++i)
      where_[static_cast<std::size_t>(set.rows[i])] = {static_cast<int>(s) + 1,
                                                       static_cast<int>(i)};
    tickedFiles_ += set.ticked;
    bytesToFree_ += set.freed;
  }
  dirty_.clear();
  isDirty_.assign(sets_.size(), 0);
  endResetModel();
}

void SetsModel::clear() {
  beginResetModel();
  sets_.clear();
  where_.clear();
  dirty_.clear();
  isDirty_.clear();
  tickedFiles_ = 0;
  bytesToFree_ = 0;
  endResetModel();
}

void SetsModel::tickFlipped(TableRow row) {
  const auto r = static_cast<std::size_t>(row.value);
  if (row.value < 1 || r >= where_.size() || where_[r].first == 0) return;
  const auto s = static_cast<std::size_t>(where_[r].first - 1);
  if (!isDirty_[s]) {
    isDirty_[s] = 1;
    dirty_.push_back(static_cast<int>(s));
  }
  if (flushPosted_) return;
  flushPosted_ = true;
  QTimer::singleShot(0, this, [this] { flushTicks(); });
}

void SetsModel::flushTicks() {
  flushPosted_ = false;
  if (dirty_.empty()) return;
  for (const int s : dirty_) {
    Set& set = sets_[static_cast<std::size_t>(s)];
    tickedFiles_ -= set.ticked;
    bytesToFree_ -= set.freed;
    count(set);
    tickedFiles_ += set.ticked;
    bytesToFree_ += set.freed;
    isDirty_[static_cast<std::size_t>(s)] = 0;
    const QModelIndex node = index(s, Name);
    Q_EMIT dataChanged(node, node);
    const int last = static_cast<int>(set.rows.size()) - 1;
    Q_EMIT dataChanged(index(0, 0, node), index(last, ColumnCount - 1, node));
  }
  dirty_.clear();
  if (onTotals) onTotals();
}

QString SetsModel::summary() const {
  QString text = Plural(setCount(), "set", "sets") + QStringLiteral(", ") +
                 Plural(tickedFiles_, "file ticked", "files ticked") + QStringLiteral(", ") +
                 HumanSize(bytesToFree_) + QStringLiteral(" to free");
  // Delete Checked takes every tick of "Files", not only those shown here.
  const int outside = session_.filesList().checkedCount() - tickedFiles_;
  if (!sets_.empty() && outside > 0) {
    text += QStringLiteral("; ") + Plural(outside, "more file ticked in \"Files\" is in no set",
                                          "more files ticked in \"Files\" are in no set");
  }
  return text;
}

QString SetsModel::setText(const Set& set) const {
  return Plural(static_cast<qint64>(set.rows.size()), "copy", "copies") + QStringLiteral(", ") +
         HumanSize(set.freed) + QStringLiteral(" can be freed");
}

int SetsModel::rowOf(const QModelIndex& index) const {
  if (!index.isValid() || index.internalId() == 0) return 0;
  const Set& set = sets_[index.internalId() - 1];
  return set.rows[static_cast<std::size_t>(index.row())];
}

QModelIndex SetsModel::indexOfRow(TableRow row) const {
  const auto r = static_cast<std::size_t>(row.value);
  if (row.value < 1 || r >= where_.size() || where_[r].first == 0) return {};
  return index(where_[r].second, Name, index(where_[r].first - 1, Name));
}

QModelIndex SetsModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= ColumnCount) return {};
  if (!parent.isValid()) {
    return row < setCount() ? createIndex(row, column, quintptr{0}) : QModelIndex();
  }
  if (parent.internalId() != 0 || parent.column() != 0 || parent.row() >= setCount()) return {};
  const Set& set = sets_[static_cast<std::size_t>(parent.row())];
  if (row >= static_cast<int>(set.rows.size())) return {};
  return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex SetsModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == 0) return {};
  return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr{0});
}

int SetsModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return setCount();
  if (parent.internalId() != 0 || parent.column() != 0) return 0;
  return static_cast<int>(sets_[static_cast<std::size_t>(parent.row())].rows.size());
}

int SetsModel::columnCount(const QModelIndex&) const {
  return ColumnCount;
}

QVariant SetsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (index.internalId() != 0) return memberData(rowOf(index), index.column(), role);
  if (index.column() != Name) return {};
  const Set& set = sets_[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
    return setText(set);
  return {};
}

QVariant SetsModel::memberData(int row, int column, int role) const {
  if (!rowExists(row)) return {};
  const CandidateRow& c = session_.candidates().row(row);
  const bool ticked = session_.ticked(row);
  if (role == Qt::CheckStateRole && column == Tick) return ticked ? Qt::Checked : Qt::Unchecked;
  if (role == Qt::TextAlignmentRole && column == Size)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (role == Qt::ToolTipRole && (column == Name || column == Folder)) return Decoded(c.FullPath);
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  switch (column) {
    case Name:
      return Decoded(c.FileName());
    case Folder:
      return Decoded(FolderOrDotOf(c.FullPath));
    case Size:
      return HumanSize(c.Size);
    case Modified:
      return QDateTime::fromMSecsSinceEpoch(c.Identity.MtimeNs / 1000000)
          .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Tick:
      // The box alone shows it; a screen reader says it in words.
      if (role == Qt::AccessibleTextRole)
        return ticked ? QStringLiteral("ticked") : QStringLiteral("kept");
      return {};
    default:
      return {};
  }
}

bool SetsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const int row = rowOf(index);
  if (role != Qt::CheckStateRole || index.column() != Tick || !rowExists(row)) return false;
  // Through "Files": its change handler tells this model back.
  session_.setTicked(TableRow{row}, value.toInt() == Qt::Checked);
  return true;
}

Qt::ItemFlags SetsModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.internalId() != 0) {
    flags |= Qt::ItemNeverHasChildren;
    if (index.column() == Tick) flags |= Qt::ItemIsUserCheckable;
  }
  return flags;
}

QVariant SetsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
    return {};
  static const char* const kCaptions[] = {"Name", "Folder", "Size", "Modified", "Delete"};
  if (section < 0 || section >= ColumnCount) return {};
  return QString::fromLatin1(kCaptions[section]);
}
