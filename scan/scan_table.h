// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/capacity.h"
#include "core/file_identity.h"
#include "core/table.h"

// One file or directory found by the walk. Its path is not stored: the table
// keeps its name and the folder it was listed in (ScanTable::path builds it).
struct ScanEntry {
  std::int64_t Size = 0;     // true 64-bit length (st_size, links followed)
  FileIdentity Identity;     // device and inode (of the target for directories), size, mtime
  std::uint32_t Time = 0;    // st_mtime as packed MS-DOS local date and time; 0 outside 1980..2107
  std::uint32_t Folder = 0;  // the folder record it was listed in (ScanTable::folder), from 1
  std::uint64_t NameAt : 48 = 0;      // where the table keeps its name
  std::uint64_t NameLength : 8 = 0;   // a name is at most 255 bytes
  std::uint64_t IsDirectory : 1 = 0;  // stat() of its path (links followed) says directory
  std::uint64_t Walked : 1 = 0;       // 0: a directory whose listing is still to come
  std::uint64_t IsRegular : 1 = 0;    // the entry itself is a regular file (lstat)
};
static_assert(sizeof(ScanEntry) <= 64, "a scan entry is held millions of times");

// A folder the walk listed: a walked root (by the path it was given) or the
// directory entry it was found as, and its device and inode as listed (fstat
// of the descriptor its names were read through).
struct ScanFolder {
  int Entry = 0;  // the directory's entry; 0 for a root
  int Root = 0;   // for a root: which of the table's root paths
  FolderIdentity Identity;
};

// The walk's output: entries numbered 1..size() in the order the walk added
// them, each stored as its folder and its name, so memory grows with the
// entries, not with the depth of the tree. The walk fills at most
// capacity - 1 entries. Written by the walk only; read by the grouping after
// the walk has returned.
class ScanTable {
 public:
  explicit ScanTable(int capacity = kTableSlots);
  ScanTable(const ScanTable&) = delete;
  ScanTable& operator=(const ScanTable&) = delete;

  int capacity() const { return entries_.capacity(); }
  int size() const { return entries_.size(); }
  ScanEntry& row(int i) { return entries_.row(i); }
  const ScanEntry& row(int i) const { return entries_.row(i); }

  // Entry i's name as read, and its path: its folder's path, '/', the name
  // (a root "/" joins as "/name", any other folder, trailing '/' or not, as
  // folder + "/" + name).
  std::string_view name(int i) const;
  std::string path(int i) const;

  int folders() const { return static_cast<int>(folders_.size()); }
  const ScanFolder& folder(int f) const { return folders_[static_cast<std::size_t>(f - 1)]; }
  // The path folder record f was listed by.
  std::string folderPath(int f) const;

  // Records a folder about to be listed and returns its number: a root by
  // its path as given, or the directory at entry `entry`.
  int addRoot(const std::string& path, const FolderIdentity& identity);
  int addFolder(int entry, const FolderIdentity& identity);
  // Appends `entry` (its Folder set) with its name; false beyond the capacity.
  bool append(ScanEntry entry, std::string_view name);
  // Appends `entry` as found at `path`, its folder a root record of
  // everything before the last '/' (one record for a run of entries of the
  // same folder): for tables made without a walk. False without a '/'.
  bool appendPath(ScanEntry entry, std::string_view path);

  // The bytes the table holds for paths: names, folder records, roots.
  std::size_t pathBytes() const;

  // Drops every entry and folder (the entries' storage stays reserved).
  void clear();
  // The same, giving all storage back (entries' room reserved as at construction).
  void release();

 private:
  // Names are kept in chunks of kChunk bytes that never move; NameAt counts
  // bytes over all chunks.
  static constexpr std::size_t kChunk = std::size_t{256} << 10;
  void clearNames();

  Table<ScanEntry> entries_;
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::size_t chunkUsed_ = 0;  // of the last chunk
  std::vector<ScanFolder> folders_;
  std::vector<std::string> roots_;
};
