// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/capacity.h"
#include "core/file_identity.h"
#include "core/paths.h"
#include "core/table.h"

// The record of the candidate and "Files to delete" tables.
struct ddd1 {
  std::string FullPath;  // raw bytes, as the walk found them
  std::int64_t Size = 0;
  std::uint8_t Band = 0;     // band flag: toggles at every change of size
  std::uint8_t Matched = 0;  // found identical to an earlier row of its band
  std::uint8_t Checked = 0;  // mirror of the row's tick in "Files"
  FileIdentity Identity;     // the regular file the walk found at FullPath
  FolderIdentity Folder;     // the folder the walk listed it in (unknown: not recorded)

  // The part of FullPath after its last '/'. Read from the path rather than
  // stored beside it: a copy would cost a string per row, millions of rows
  // in the command-line tool, and could never say anything else.
  std::string_view FileName() const { return FileNameOf(FullPath); }
};
using CandidateRow = ddd1;

// The same-size candidates, row n being row n of "Files" (n from 1).
// CandidateCount is published separately from the records: while a grouping
// fills the table it runs two above the rows added, so the change handler of
// "Files" ignores the fill. It is read on the window thread and written by the
// grouping worker, hence atomic.
class CandidateTable final : public Table<ddd1> {
 public:
  using Table::Table;
  std::atomic<int> CandidateCount{0};

  // Rows 1..count() are the candidates that exist: never past size(), the
  // records stored, which may differ from the published count during a fill.
  int count() const {
    const int published = CandidateCount.load(std::memory_order_acquire);
    return published < size() ? published : size();
  }
};

// The table behind "Files to delete": entry i belongs to row i as built.
class DeleteTable final : public Table<ddd1> {
 public:
  using Table::Table;
  int DeleteCount = 0;  // window thread only
};
