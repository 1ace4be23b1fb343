// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/records.h"

// Which members of each set of identical rows stay (unticked); the others are
// ticked, so that Delete Checked removes them.
struct KeepRule {
  // A set with a member below one of these folders keeps its members below
  // the first such folder. Folders are written as the candidates' paths are.
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

// True when `path` lies below `folder` ("/" holds every absolute path).
bool IsBelowFolder(const std::string& path, const std::string& folder);

// The members of `set` (candidate rows) that `rule` keeps; empty when the
// rule does not decide the set.
std::vector<int> KeptMembers(const std::vector<int>& set, const CandidateTable& candidates,
                             const KeepRule& rule);

// The ticks `rule` gives the members of `sets`, given whether each row is
// ticked now (`ticked[row]`, 1-based): every member of a set the rule decides
// is ticked unless kept; a set it does not decide keeps its ticks, but one
// whose members are all ticked gets its first row unticked, so no set is
// ever left without a member that stays. Only ticks that change are listed,
// in set order.
std::vector<KeepTick> KeepRuleTicks(const std::vector<std::vector<int>>& sets,
                                    const CandidateTable& candidates, const KeepRule& rule,
                                    const std::vector<char>& ticked);

// `folder` written as the candidates of a scan of `root` write their paths:
// when its real path lies below the real path of `root` (or is it), `root`
// followed by the rest; otherwise `folder` itself. Trailing slashes go.
std::string FolderAsScanned(const std::string& folder, const std::string& root);
