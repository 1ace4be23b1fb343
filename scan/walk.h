// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/file_identity.h"
#include "core/worker.h"
#include "scan/scan_table.h"

// What the walk tells its caller while it runs. Called on the walking thread.
class WalkObserver {
 public:
  virtual ~WalkObserver() = default;
  // Before each new entry. May throw (StopRun) to stop the walk at once; the
  // entries added so far stay in the table.
  virtual void checkpoint() {}
  // A directory entry was added; `name` is its bare name as read.
  virtual void lookIn(const std::string& name) { (void)name; }
  // A folder whose listing could not be opened or read (`error` is the
  // errno), root folders included; the walk goes on without its entries.
  virtual void unlistable(const std::string& folder, int error) {
    (void)folder;
    (void)error;
  }
};

// Kinds of entries a walk takes in; by default every kind. A walked folder
// itself is always listed, whatever its name.
struct ScanScope {
  bool hidden = true;        // files and folders whose name starts with '.'
  bool trashFolders = true;  // folders named .Trash or .Trash-<digits>, and the home Trash
  bool vcsFolders = true;    // folders named .git, .hg or .svn

  bool operator==(const ScanScope&) const = default;
};

// Which entries a walk leaves out (not recorded, a folder not entered): those
// matching one of the globs (fnmatch rules) by their name when the glob has
// no '/', else by their path below the walked folder, and those outside the
// scope. Empty: no globs.
class WalkFilter {
 public:
  WalkFilter() = default;
  explicit WalkFilter(std::vector<std::string> globs, ScanScope scope = {});
  bool empty() const { return globs_.empty(); }
  // `relative` is the entry's path below its walked folder, without a leading '/'.
  bool excludes(std::string_view relative) const;
  // Whether the scope leaves out an entry by its name alone (a hidden one).
  bool leavesOutName(std::string_view name) const {
    return !scope_.hidden && !name.empty() && name.front() == '.';
  }
  // Whether the scope leaves out the folder `name` of that identity.
  bool leavesOutFolder(std::string_view name, const FolderIdentity& identity) const;

 private:
  std::vector<std::string> globs_;
  ScanScope scope_;
  FolderIdentity homeTrash_;  // known only when Trash folders are left out
};

// Whether `name` is that of a Trash folder on a mount: ".Trash" (its
// $uid folders below) or ".Trash-" followed by digits.
bool IsTrashFolderName(std::string_view name);

// Fills `table` from the folder `root`, breadth-first: the root's entries in
// the order readdir returns them, then those of each directory in the order
// the directories were added. Returns false when root is not an existing
// directory (the table is left as it was), when the table's cap is reached
// (capacity - 1 entries stay) and when an error is raised inside the walk (the
// entries added so far stay). A directory (device and inode) is listed at most
// once per walk, so links that form cycles end. A folder of a pseudo file
// system (proc, sysfs, devtmpfs, cgroup, ...) is recorded but never listed.
//
// With `threads` above 1, that many helper threads read the next folders of
// the queue ahead of the calling thread (a bounded number of entries), which
// adds what they read. Entries still reach the table, and the observer is
// still called, on the calling thread only and in the order above; a folder
// is read ahead only once the folder that found it has been added in full.
// On a tree that does not change meanwhile, the table and the observer's
// calls are the same for any number of threads.
//
// Each folder listed is recorded in the table (ScanTable::folder) with the
// device and inode of the descriptor its names were read through, and its
// entries name it. A folder whose listing cannot be opened or read is told
// to observer.unlistable where its entries would have ended, a root that is
// no directory included.
bool WalkTree(const std::string& root, ScanTable& table, WalkObserver& observer,
              int threads = DefaultThreads());

// The same over several folders, walked in order into one table, each
// breadth-first; a directory is listed at most once over all of them, so a
// folder given twice, or inside another, is walked once. False as above when
// any of `roots` is not an existing directory (the table as it was), at the
// cap, or on an error. `filter` leaves entries out.
bool WalkTrees(const std::vector<std::string>& roots, ScanTable& table, WalkObserver& observer,
               const WalkFilter& filter, int threads = DefaultThreads());

// Packs a time as MS-DOS local date and time; 0 when the year is outside 1980..2107.
std::uint32_t PackDosTime(std::time_t time);
