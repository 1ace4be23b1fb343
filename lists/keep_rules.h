// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/records.h"

// One way to choose the member of a set that stays.
enum class KeepCriterion : std::uint8_t {
  Oldest,        // earliest modification time
  Newest,        // latest modification time
  ShortestPath,  // fewest bytes of path
  LongestPath,   // most bytes of path
  Shallowest,    // fewest '/' in the path
  Deepest,       // most '/' in the path
  Name,          // first file name by bytes, then first path
};

// The word the command line and the settings use for a criterion:
// "oldest", "newest", "shortest-path", "longest-path", "shallowest",
// "deepest", "name".
std::string_view KeepCriterionWord(KeepCriterion criterion);
std::optional<KeepCriterion> KeepCriterionFromWord(std::string_view word);

// Which member of each set of identical rows stays (unticked); the others are
// ticked, so that Delete Checked removes them.
struct KeepRule {
  // Preferred folders, in order: the first that holds a member of a set
  // decides, and only its members compete for the one copy kept. Any
  // spelling of a folder, or a link to it, names the same folder: they are
  // compared by device and inode.
  std::vector<std::string> folders;
  // In order: a tie on one criterion falls to the next, then to the earliest
  // row.
  std::vector<KeepCriterion> criteria;
  bool empty() const { return folders.empty() && criteria.empty(); }
};

// One row's tick as a rule sets it (1-based candidate row).
struct KeepTick {
  int row = 0;
  bool ticked = false;
};

// Which of a list of folders hold a path, by device and inode: "dir",
// "dir/", "dir//", "./dir" and a link to dir are one folder, and a path is
// below it however the scan spelled it: through the folders its text names
// (links followed) or through its real path. Each folder on the way up is
// looked up once (stat) and remembered; above a relative path's first
// component the walk goes on from its real path.
class FolderMatcher {
 public:
  explicit FolderMatcher(const std::vector<std::string>& folders);
  // Whether folders[i] holds `path`.
  bool holds(std::size_t i, const std::string& path);

 private:
  struct Key {
    std::uint64_t dev = 0;
    std::uint64_t ino = 0;
    bool operator==(const Key&) const = default;
  };
  struct Node {
    std::optional<Key> key;  // none: not found
    int parent = -1;
  };
  int nodeOf(const std::string& folder);

  std::vector<std::optional<Key>> folders_;
  std::unordered_map<std::string, int> nodes_;
  std::unordered_map<std::string, int> realNodes_;  // a folder's real path's node
  std::vector<Node> chain_;
};

// What besides a rule decides ticks: nothing below a protected folder is
// ticked, and a member in a Trash folder is never the one kept while a member
// outside any Trash is there.
struct KeepGuards {
  std::vector<std::string> protectedFolders;
  std::function<bool(const std::string& path)> inTrash;  // empty: none is
};

// The ticks `rule` gives the members of `sets`, given whether each row is
// ticked now (`ticked[row]`, 1-based). A set the rule decides (a folder of
// it holds a member, or it has a criterion) keeps exactly one member
// unticked; one it does not decide keeps its ticks. Either way no member
// below a protected folder stays ticked, and a set whose members that stay
// are all in a Trash (or none) gets its first member outside any Trash
// unticked. Only ticks that change are listed, in set order.
std::vector<KeepTick> KeepRuleTicks(const std::vector<std::vector<int>>& sets,
                                    const CandidateTable& candidates, const KeepRule& rule,
                                    const std::vector<char>& ticked, const KeepGuards& guards = {});
