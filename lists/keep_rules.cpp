// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/keep_rules.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "core/paths.h"

namespace {

std::string RealPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
  return real ? std::string(real.get()) : std::string();
}

// `path` without doubled '/', "." components and trailing '/'; "" for ".".
std::string Tidy(const std::string& path) {
  std::string out;
  std::size_t i = 0;
  if (!path.empty() && path.front() == '/') out = "/";
  while (i < path.size()) {
    const std::size_t next = std::min(path.find('/', i), path.size());
    const std::string_view part(path.data() + i, next - i);
    if (!part.empty() && part != ".") {
      if (!out.empty() && out.back() != '/') out += '/';
      out.append(part);
    }
    i = next + 1;
  }
  return out;
}

// The folder above `folder` (tidied), "" when there is none: lexically while
// the path has a '/' and no "..", else from its real path.
std::string ParentOf(const std::string& folder) {
  if (folder == "/" || folder.empty()) return {};
  const bool dots = folder == ".." || folder.starts_with("../") ||
                    folder.find("/../") != std::string::npos || folder.ends_with("/..");
  const std::string path =
      dots || folder.find('/') == std::string::npos ? RealPath(folder) : folder;
  return std::string(FolderOf(path));
}

}  // namespace

FolderMatcher::FolderMatcher(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    struct stat st {};
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      folders_.emplace_back();
      continue;
    }
    folders_.emplace_back(
        Key{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)});
  }
}

int FolderMatcher::nodeOf(const std::string& folder) {
  // Iterative: a chain thousands of folders deep must not exhaust the stack.
  std::vector<std::string> missing;
  std::string at = folder;
  int known = -1;
  while (!at.empty()) {
    const auto found = nodes_.find(at);
    if (found != nodes_.end()) {
      known = found->second;
      break;
    }
    missing.push_back(at);
    at = ParentOf(at);
  }
  // Outermost first, so each node's parent is made before it.
  std::reverse(missing.begin(), missing.end());
  for (const std::string& path : missing) {
    Node node;
    node.parent = known;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
      node.key = Key{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    chain_.push_back(node);
    known = static_cast<int>(chain_.size()) - 1;
    nodes_.emplace(path, known);
  }
  return known;
}

bool FolderMatcher::holds(std::size_t i, const std::string& path) {
  if (i >= folders_.size() || !folders_[i]) return false;
  const std::string tidy = Tidy(path);
  const std::string folder(FolderOrDotOf(tidy));
  const auto below = [&](int n) {
    for (; n >= 0; n = chain_[static_cast<std::size_t>(n)].parent) {
      if (chain_[static_cast<std::size_t>(n)].key == folders_[i]) return true;
    }
    return false;
  };
  // Below it as the path reads (each folder on the way, links followed), or
  // where the file really is: a keep folder keeps what either way is in it.
  if (below(nodeOf(folder))) return true;
  auto real = realNodes_.find(folder);
  if (real == realNodes_.end()) {
    const std::string resolved = RealPath(folder);
    real = realNodes_.emplace(folder, resolved.empty() ? -1 : nodeOf(resolved)).first;
  }
  return below(real->second);
}

std::vector<int> KeptMembers(const std::vector<int>& set, const CandidateTable& candidates,
                             const KeepRule& rule, FolderMatcher& folders) {
  std::vector<int> kept;
  for (std::size_t f = 0; f < rule.folders.size(); ++f) {
    for (const int row : set) {
      if (folders.holds(f, candidates.row(row).FullPath)) kept.push_back(row);
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
  FolderMatcher folders(rule.folders);
  for (const std::vector<int>& set : sets) {
    if (set.empty()) continue;
    const std::vector<int> kept = KeptMembers(set, candidates, rule, folders);
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
