// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/keep_rules.h"

#include <climits>
#include <cstdlib>
#include <memory>

namespace {

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string RealPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
  return real ? std::string(real.get()) : std::string();
}

}  // namespace

bool IsBelowFolder(const std::string& path, const std::string& folder) {
  const std::string dir = WithoutTrailingSlashes(folder);
  if (dir.empty()) return false;
  if (dir == "/") return path.size() > 1 && path.front() == '/';
  return path.size() > dir.size() + 1 && path.compare(0, dir.size(), dir) == 0 &&
         path[dir.size()] == '/';
}

std::vector<int> KeptMembers(const std::vector<int>& set, const CandidateTable& candidates,
                             const KeepRule& rule) {
  std::vector<int> kept;
  for (const std::string& folder : rule.folders) {
    for (const int row : set) {
      if (IsBelowFolder(candidates.row(row).FullPath, folder)) kept.push_back(row);
    }
    if (!kept.empty()) return kept;
  }
  if (rule.age == KeepRule::Age::None || set.empty()) return kept;
  // Of equal times the earliest row: the first member of the set met.
  int best = set.front();
  for (const int row : set) {
    const std::int64_t time = candidates.row(row).Identity.MtimeNs;
    const std::int64_t bestTime = candidates.row(best).Identity.MtimeNs;
    const bool better = rule.age == KeepRule::Age::Oldest ? time < bestTime : time > bestTime;
    if (better || (time == bestTime && row < best)) best = row;
  }
  kept.push_back(best);
  return kept;
}

std::vector<KeepTick> KeepRuleTicks(const std::vector<std::vector<int>>& sets,
                                    const CandidateTable& candidates, const KeepRule& rule,
                                    const std::vector<char>& ticked) {
  const auto isTicked = [&](int row) {
    return row >= 0 && static_cast<std::size_t>(row) < ticked.size() &&
           ticked[static_cast<std::size_t>(row)] != 0;
  };
  std::vector<KeepTick> changes;
  for (const std::vector<int>& set : sets) {
    if (set.empty()) continue;
    const std::vector<int> kept = KeptMembers(set, candidates, rule);
    if (kept.empty()) {
      bool allTicked = true;
      for (const int row : set) allTicked = allTicked && isTicked(row);
      if (allTicked) changes.push_back({set.front(), false});
      continue;
    }
    for (const int row : set) {
      bool keep = false;
      for (const int k : kept) keep = keep || k == row;
      if (isTicked(row) == keep) changes.push_back({row, !keep});
    }
  }
  return changes;
}

std::string FolderAsScanned(const std::string& folder, const std::string& root) {
  std::string plain = WithoutTrailingSlashes(folder);
  const std::string realFolder = RealPath(plain);
  const std::string realRoot = RealPath(root);
  if (realFolder.empty() || realRoot.empty()) return plain;
  std::string scannedRoot = WithoutTrailingSlashes(root);
  if (realFolder == realRoot) return scannedRoot;
  if (IsBelowFolder(realFolder, realRoot)) {
    const std::size_t rest = realRoot == "/" ? 1 : realRoot.size() + 1;
    return (scannedRoot == "/" ? scannedRoot : scannedRoot + "/") + realFolder.substr(rest);
  }
  return plain;
}
