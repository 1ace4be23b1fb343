// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/records.h"

// Which members of each set of identical rows stay (unticked); the others are
// ticked, so that Delete Checked removes them.
struct KeepRule {
  // A set with a member below one of these folders keeps its members below
  // the first such folder. Any spelling of a folder, or a link to it, names
  // the same folder: they are compared by device and inode.
  std::vector<std::string> folders;
  // A set that no folder decides keeps its oldest or its newest member (by
  // modification time; of equal times the earliest row); with None its
  // ticks stay as they are.
  enum class Age : std::uint8_t { None, Oldest, Newest } age = Age::None;
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

// The members of `set` (candidate rows) that `rule` keeps; empty when the
// rule does not decide the set. `folders` matches rule.folders.
std::vector<int> KeptMembers(const std::vector<int>& set, const CandidateTable& candidates,
                             const KeepRule& rule, FolderMatcher& folders);

// The ticks `rule` gives the members of `sets`, given whether each row is
// ticked now (`ticked[row]`, 1-based): every member of a set the rule decides
// is ticked unless kept; a set it does not decide keeps its ticks, but one
// whose members are all ticked gets its first row unticked, so no set is
// ever left without a member that stays. Only ticks that change are listed,
// in set order.
std::vector<KeepTick> KeepRuleTicks(const std::vector<std::vector<int>>& sets,
                                    const CandidateTable& candidates, const KeepRule& rule,
                                    const std::vector<char>& ticked);
