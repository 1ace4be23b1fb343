// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/capacity.h"
#include "core/file_identity.h"
#include "core/table.h"

// One file or directory found by the walk.
struct ScanEntry {
  std::string Path;        // the listed folder, '/', and the name as read
  std::int64_t Size = 0;   // true 64-bit length (st_size, links followed)
  FileIdentity Identity;   // device and inode (of the target for directories), size, mtime
  std::uint32_t Time = 0;  // st_mtime as packed MS-DOS local date and time; 0 outside 1980..2107
  std::uint8_t IsDirectory = 0;  // stat() of Path (links followed) says directory
  std::uint8_t Walked = 0;       // 0: a directory whose listing is still to come
  std::uint8_t IsRegular = 0;    // the entry itself is a regular file (lstat)
};
static_assert(sizeof(ScanEntry) <= 88, "a scan entry is held half a million times");

// The walk's output: entries numbered 1..size() in the order the walk added
// them. The walk fills at most capacity - 1 entries. Written by the walk only;
// read by the grouping after the walk has returned.
using ScanTable = Table<ScanEntry>;
