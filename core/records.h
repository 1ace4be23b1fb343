#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/capacity.h"
#include "core/file_identity.h"

// The record of the candidate and "Files to delete" tables.
struct ddd1 {
  std::string FullPath;  // raw bytes, as the walk found them
  std::string FileName;  // the part of FullPath after its last '/'
  std::int64_t Size = 0;
  std::uint8_t Band = 0;     // band flag: toggles at every change of size
  std::uint8_t Matched = 0;  // found identical to an earlier row of its band
  std::uint8_t Checked = 0;  // mirror of the row's tick in "Files"
  FileIdentity Identity;     // the regular file the walk found at FullPath
};
using CandidateRow = ddd1;

// The part of a path after its last '/' (the whole path when it has none).
std::string FileNameOf(const std::string& path);

// A fixed-capacity table of records numbered from 1. The storage is reserved
// once; append() refuses a record beyond the capacity.
class RowTable {
 public:
  explicit RowTable(int capacity = kTableSlots) : capacity_(capacity) {
    rows_.reserve(static_cast<std::size_t>(capacity));
  }
  RowTable(const RowTable&) = delete;
  RowTable& operator=(const RowTable&) = delete;

  int capacity() const { return capacity_; }
  // Records stored, which may differ from the published count during a fill.
  int stored() const { return static_cast<int>(rows_.size()); }

  // Record i, 1 <= i <= stored().
  ddd1& row(int i) { return rows_[static_cast<std::size_t>(i - 1)]; }
  const ddd1& row(int i) const { return rows_[static_cast<std::size_t>(i - 1)]; }

  bool append(ddd1 record) {
    if (stored() >= capacity_) return false;
    rows_.push_back(std::move(record));
    return true;
  }
  void clear() { rows_.clear(); }
  // Keeps records 1..count and drops the rest.
  void truncate(int count) {
    if (count < stored()) rows_.resize(static_cast<std::size_t>(count));
  }
  // Removes record k (1-based); the records after it move up one place.
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
  std::vector<ddd1> rows_;
};

// The same-size candidates, row n being row n of "Files" (n from 1).
// CandidateCount is published separately from the records: while a grouping
// fills the table it runs two above the rows added, so the change handler of
// "Files" ignores the fill. It is read on the window thread and written by the
// grouping worker, hence atomic.
class CandidateTable final : public RowTable {
 public:
  using RowTable::RowTable;
  std::atomic<int> CandidateCount{0};

  // Rows 1..count() are the candidates that exist: never past stored().
  int count() const {
    const int published = CandidateCount.load(std::memory_order_acquire);
    return published < stored() ? published : stored();
  }
};

// The table behind "Files to delete": entry i belongs to row i as built.
class DeleteTable final : public RowTable {
 public:
  using RowTable::RowTable;
  int DeleteCount = 0;  // window thread only
};
