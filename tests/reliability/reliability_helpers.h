#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "compare/check_engine.h"
#include "compare/check_run.h"
#include "compare/verified_delete.h"
#include "core/records.h"
#include "group/file_table.h"
#include "scan/scan_table.h"
#include "scan/walk.h"

// One run's tables as the window keeps them, driven without the window: the
// walk and the grouping fill them, the check ticks rows.
struct PlainRun {
  explicit PlainRun(int slots = 4096);

  // Walk and grouping; false when the walk fails (no grouping then).
  bool scan(const std::string& root);
  bool scan(const std::string& root, WalkObserver& observer);
  // The check in `mode`; returns the rows it ticked, ascending, and mirrors
  // them into Checked as "Files" does.
  std::vector<int> check(CheckMode mode, const std::function<void()>& checkpoint = {},
                         const EngineLimits& limits = {});
  // "Delete Checked" after the confirmation: "Files" and "Files to delete"
  // built from Checked, the rows at `untick` (positions in "Files to delete")
  // unticked, then the walk with the real deleter. Returns the paths that were
  // ticked in "Files to delete".
  // `threads` verify runs of one size side by side.
  std::vector<std::string> deleteChecked(const std::vector<int>& untick = {}, int threads = 1);

  std::vector<std::string> candidatePaths() const;

  // What the last deleteChecked() did with each ticked row, in list order
  // (the second question answered No).
  std::vector<DeleteResult> lastDelete;

  std::unique_ptr<ScanTable> table;
  std::unique_ptr<FileTable> files;
  std::unique_ptr<CandidateTable> candidates;
};

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
