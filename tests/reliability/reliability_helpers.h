// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "compare/check_engine.h"
#include "compare/check_run.h"
#include "compare/verified_delete.h"
#include "core/records.h"
#include "lists/keep_rules.h"
#include "scan/scan_table.h"
#include "scan/walk.h"
#include "support/temp_tree.h"

// The session the window drives, driven from this thread: the walk and the
// grouping fill its tables, the check ticks "Files", Delete Checked deletes.
struct PlainRun {
  explicit PlainRun(int slots = 4096);
  ~PlainRun();

  // Walk and grouping; false when the walk fails (no grouping then).
  bool scan(const std::string& root);
  // The same, `observer` told of every step of the walk.
  bool scan(const std::string& root, WalkObserver& observer);
  // The check in `mode`; returns the rows it ticked, ascending (their
  // Checked follows, as in the window). `checkpoint` runs at each of the
  // check's checkpoints.
  std::vector<int> check(CheckMode mode, const std::function<void()>& checkpoint = {},
                         const EngineLimits& limits = {});
  // "Delete Checked", confirmed: "Files to delete" built, the rows at
  // `untick` (its positions) unticked, then the delete through `deleter`
  // (empty: unlinking), `threads` verifying runs of one size side by side;
  // the second question is answered No. Returns the paths that were ticked
  // in "Files to delete".
  std::vector<std::string> deleteChecked(const std::vector<int>& untick = {}, int threads = 1,
                                         const FileDeleter& deleter = {});

  std::vector<std::string> candidatePaths() const;

  // A keep rule through the session (its sets computed first when the last
  // check kept none); returns the ticked rows, ascending.
  std::vector<int> keep(const KeepRule& rule);
  class Session& session();

  // What the last deleteChecked() did with each ticked row, in list order,
  // and the message it ended with (empty: none).
  std::vector<DeleteResult> lastDelete;
  std::string lastReport;

  struct Parts;
  std::unique_ptr<Parts> parts;
  ScanTable* table;
  CandidateTable* candidates;
};

// The ways Delete Checked removes a file, each put through the same attacks
// by the tests that take a deleter. The Trash (core/trash.h,
// MoveToTrashIfUnchanged) belongs here beside the unlink.
struct NamedDeleter {
  const char* name;
  FileDeleter deleter;
};
std::vector<NamedDeleter> DeletersUnderTest();

// Every entry below `root` by its path: "d" for a folder, "l:" + target for a
// link, "f:" + bytes for a file, "o" for anything else, "?" for what cannot be
// opened or listed. Reads folders by descriptor, so any depth works.
std::map<std::string, std::string> ListTree(const std::string& root);

// The bytes of a file of any path length; nothing when it cannot be read.
std::string ReadAnyPath(const std::string& path);

// Creates `levels` nested folders named `name` below `root` and a file in the
// deepest for each of `files` (name, content). Returns the deepest folder's path.
std::string MakeDeepFolder(const std::string& root, const std::string& name, int levels,
                           const std::vector<std::pair<std::string, std::string>>& files);

// Copies, near-copies, empty files, hard links, links to files and folders,
// files and folders nobody but root may read. The same seed builds the same tree.
void BuildRandomTree(const TempTree& tree, std::mt19937& rng);

// The regular file `path` gets `content`, same size, its times as before:
// only the change time shows the edit.
void EditKeepingTimes(const std::string& path, const std::string& content);
