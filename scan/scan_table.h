#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/capacity.h"
#include "core/file_identity.h"

// One file or directory found by the walk.
struct ScanEntry {
  std::string Path;              // the listed folder, '/', and the name as read
  std::uint8_t IsDirectory = 0;  // stat() of Path (links followed) says directory
  std::uint8_t Walked = 0;       // 0: a directory whose listing is still to come
  std::int64_t Size = 0;         // true 64-bit length (st_size, links followed)
  std::uint32_t Time = 0;  // st_mtime as packed MS-DOS local date and time; 0 outside 1980..2107
  std::uint8_t IsRegular = 0;  // the entry itself is a regular file (lstat)
  FileIdentity Identity;       // device and inode (of the target for directories), size, mtime
};

// The walk's output: entries numbered 1..Count() in the order the walk added
// them. Storage is reserved once for `capacity` slots and never grows; the walk
// fills at most capacity - 1 entries. Written by the walk only; read by the
// grouping after the walk has returned.
class ScanTable final {
 public:
  explicit ScanTable(int capacity = kTableSlots) : capacity_(capacity) {
    entries_.reserve(static_cast<std::size_t>(capacity));
  }
  ScanTable(const ScanTable&) = delete;
  ScanTable& operator=(const ScanTable&) = delete;

  int capacity() const { return capacity_; }
  int Count() const { return static_cast<int>(entries_.size()); }
  ScanEntry& entry(int i) { return entries_[static_cast<std::size_t>(i - 1)]; }
  const ScanEntry& entry(int i) const { return entries_[static_cast<std::size_t>(i - 1)]; }

  // For the walk: empties the table (the previous walk's entries are released)
  // and appends entries. push() is only called while Count() + 1 < capacity().
  void reset() { entries_.clear(); }
  ScanEntry& push(ScanEntry entry) { return entries_.emplace_back(std::move(entry)); }

 private:
  int capacity_;
  std::vector<ScanEntry> entries_;
};
