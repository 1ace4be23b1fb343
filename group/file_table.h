#pragma once

#include <cstdint>
#include <vector>

#include "core/capacity.h"

// One file of the scan table, as the grouping sorts it. The path stays in the
// scan table: ScanIndex names the entry (1-based), so sorting moves 16 bytes.
struct FileRecord {
  int ScanIndex = 0;
  std::uint8_t UniqueSize = 0;  // no other file of the run has this size
  std::int64_t Size = 0;
};

// Records numbered 1..FileCount(), storage reserved once. Used by the grouping
// worker only.
class FileTable final {
 public:
  explicit FileTable(int capacity = kTableSlots) {
    records_.reserve(static_cast<std::size_t>(capacity));
  }
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  int FileCount() const { return static_cast<int>(records_.size()); }
  FileRecord& at(int i) { return records_[static_cast<std::size_t>(i - 1)]; }
  const FileRecord& at(int i) const { return records_[static_cast<std::size_t>(i - 1)]; }
  void clear() { records_.clear(); }
  void append(const FileRecord& r) { records_.push_back(r); }

 private:
  std::vector<FileRecord> records_;
};
