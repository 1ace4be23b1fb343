// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <vector>

#include "core/capacity.h"
#include "core/table.h"

// One file of the scan table, as the grouping sorts it. The path stays in the
// scan table: ScanIndex names the entry (1-based), so sorting moves 16 bytes.
struct FileRecord {
  int ScanIndex = 0;
  std::uint8_t UniqueSize = 0;  // no other file of the run has this size
  std::int64_t Size = 0;
};

// Records numbered 1..size(). Used by the grouping worker only.
using FileTable = Table<FileRecord>;
