// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "core/capacity.h"

// Records numbered 1..size() in the order appended; append() refuses a record
// beyond `capacity`. Storage for up to kTableSlots records is reserved at
// once, so a fill within that never moves them (the window reads rows while
// a fill goes on); a larger table (the command-line tool's, which has no
// cap) grows as it fills.
template <class Row>
class Table {
 public:
  explicit Table(int capacity = kTableSlots) : capacity_(capacity) {
    rows_.reserve(static_cast<std::size_t>(capacity < kTableSlots ? capacity : kTableSlots));
  }
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  int capacity() const { return capacity_; }
  int size() const { return static_cast<int>(rows_.size()); }

  // Record i, 1 <= i <= size().
  Row& row(int i) { return rows_[static_cast<std::size_t>(i - 1)]; }
  const Row& row(int i) const { return rows_[static_cast<std::size_t>(i - 1)]; }

  bool append(Row record) {
    if (size() >= capacity_) return false;
    rows_.push_back(std::move(record));
    return true;
  }
  // Room for `count` records in all (at most the capacity), so a fill of
  // known size past kTableSlots moves nothing and leaves no slack.
  void reserve(int count) {
    rows_.reserve(static_cast<std::size_t>(count < capacity_ ? count : capacity_));
  }
  // Drops every record and releases their storage's contents (the capacity stays).
  void clear() { rows_.clear(); }
  // Drops every record and gives their storage back; room for a new fill is
  // reserved as at construction (address space only, until it is written).
  void release() {
    std::vector<Row>().swap(rows_);
    rows_.reserve(static_cast<std::size_t>(capacity_ < kTableSlots ? capacity_ : kTableSlots));
  }
  // Keeps records 1..count and drops the rest.
  void truncate(int count) {
    if (count < size()) rows_.resize(static_cast<std::size_t>(count));
  }
  // Removes record k; the records after it move up one place.
  void erase(int k) { rows_.erase(rows_.begin() + (k - 1)); }
  // Removes the records at `sorted` (1-based, ascending, no repeats) in one
  // pass; the others keep their order.
  void eraseRows(const std::vector<int>& sorted) {
    std::size_t kept = 0;
    std::size_t next = 0;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
      if (next < sorted.size() && static_cast<std::size_t>(sorted[next]) == r + 1) {
        ++next;
        continue;
      }
      if (kept != r) rows_[kept] = std::move(rows_[r]);
      ++kept;
    }
    rows_.resize(kept);
  }

 private:
  int capacity_;
  std::vector<Row> rows_;
};
