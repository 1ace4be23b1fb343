// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "compare/verified_delete.h"

// A file or folder the run could not use, with the system's errno.
struct FileFailure {
  std::string path;
  int error = 0;
};

// What Delete Checked did with one ticked file.
struct DeletedFile {
  std::string path;
  std::int64_t size = 0;
  DeleteResult result = DeleteResult::NoCopy;
  int error = 0;            // the errno of a Failed delete, else 0
  std::string keeper;       // the staying copy the act was verified against; "" for none
  std::uint64_t bytes = 0;  // bytes freed (a delete, a link) or shared (blocks), when done
};

// What the runs since the last scan met, for the window's messages and the
// CLI's error stream and exit status. The session owns it: a scan starts it
// afresh, a check replaces `unreadable`, a Delete Checked replaces `deletes`.
struct RunReport {
  bool walkFailed = false;              // the walk gave up (a cap, a vanished root)
  std::vector<FileFailure> unlistable;  // folders the walk could not open or read, in walk order
  std::vector<FileFailure>
      unreadable;  // candidates the check could not open or read, each once, in row order
  std::vector<DeletedFile> deletes;  // every ticked file of the last Delete Checked, in list order
  FileAct act = FileAct::Delete;     // what the last Delete Checked (or replace) did
  bool trash = false;                // its deletes moved files to the Trash
  bool dryRun = false;               // it verified everything and changed nothing

  std::size_t count(DeleteResult result) const;
  // Ticked files of the last delete still on disk: changed, without a copy,
  // failed or protected.
  std::size_t kept() const;
  // Nothing was left out: the walk listed every folder and the check read every file.
  bool complete() const { return !walkFailed && unlistable.empty() && unreadable.empty(); }
};
