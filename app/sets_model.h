// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QAbstractItemModel>
#include <QString>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "core/row_index.h"

class Session;

// Sizes in binary units with three significant digits: "512 bytes",
// "14.2 KiB", "142 MiB".
QString HumanSize(std::int64_t bytes);

// The session's sets of identical files as a tree: one node per set, its
// members below. The order is taken when the model is filled (sets by the
// bytes their ticks free, most first; each set's kept members, then its
// ticked ones, each in row order) and stays while ticks change, so a row does
// not move under the pointer; texts and totals follow every tick. Ticks are
// read from and written to the session, the one tick store of "Files".
class SetsModel final : public QAbstractItemModel {
 public:
  enum Column { Name, Folder, Size, Modified, Tick, ColumnCount };

  explicit SetsModel(Session& session, QObject* parent = nullptr);

  // Takes the session's sets afresh; clear() drops them (while rows may be
  // renumbered, nothing reads a row of the session).
  void refill();
  void clear();
  // Candidate `row` was ticked or unticked; the totals and texts follow once
  // the events waiting now are handled (ticking all of "Files" flips every row).
  void tickFlipped(TableRow row);

  int setCount() const { return static_cast<int>(sets_.size()); }
  // Members of set `set` in shown order (candidate rows).
  const std::vector<int>& members(int set) const {
    return sets_[static_cast<std::size_t>(set)].rows;
  }
  // The candidate row of a member's index; 0 for a set's node.
  int rowOf(const QModelIndex& index) const;
  QModelIndex indexOfRow(TableRow row) const;
  int tickedFiles() const { return tickedFiles_; }
  std::int64_t bytesToFree() const { return bytesToFree_; }
  // "N sets, M files ticked, X to free".
  QString summary() const;
  // Called once ticks changed the totals.
  std::function<void()> onTotals;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  struct Set {
    std::vector<int> rows;
    int first = 0;  // the lowest row: ties of the order go by it
    int ticked = 0;
    std::int64_t freed = 0;  // sizes of the ticked members
  };
  void count(Set& set) const;
  void flushTicks();
  QString setText(const Set& set) const;
  QVariant memberData(int row, int column, int role) const;
  bool rowExists(int row) const;

  Session& session_;
  std::vector<Set> sets_;
  // Candidate row -> (its set + 1, its place in the set); 0: in no set shown.
  std::vector<std::pair<int, int>> where_;
  std::vector<int> dirty_;  // sets whose ticks flipped since the last flush
  std::vector<char> isDirty_;
  bool flushPosted_ = false;
  int tickedFiles_ = 0;
  std::int64_t bytesToFree_ = 0;
};
