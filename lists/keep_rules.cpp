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

std::string_view KeepCriterionWord(KeepCriterion criterion) {
  switch (criterion) {
    case KeepCriterion::Oldest:
      return "oldest";
    case KeepCriterion::Newest:
      return "newest";
    case KeepCriterion::ShortestPath:
      return "shortest-path";
    case KeepCriterion::LongestPath:
      return "longest-path";
    case KeepCriterion::Shallowest:
      return "shallowest";
    case KeepCriterion::Deepest:
      return "deepest";
    case KeepCriterion::Name:
      return "name";
  }
  return {};
}

std::optional<KeepCriterion> KeepCriterionFromWord(std::string_view word) {
  for (const KeepCriterion c :
       {KeepCriterion::Oldest, KeepCriterion::Newest, KeepCriterion::ShortestPath,
        KeepCriterion::LongestPath, KeepCriterion::Shallowest, KeepCriterion::Deepest,
        KeepCriterion::Name}) {
    if (KeepCriterionWord(c) == word) return c;
  }
  return std::nullopt;
}

namespace {

// <0 when row `a` goes before row `b` by `criterion`, >0 after, 0 on a tie.
int CompareBy(KeepCriterion criterion, const CandidateRow& a, const CandidateRow& b) {
  const auto order = [](auto x, auto y) { return x < y ? -1 : y < x ? 1 : 0; };
  const auto depth = [](const std::string& path) {
    return std::count(path.begin(), path.end(), '/');
  };
  switch (criterion) {
    case KeepCriterion::Oldest:
      return order(a.Identity.MtimeNs, b.Identity.MtimeNs);
    case KeepCriterion::Newest:
      return order(b.Identity.MtimeNs, a.Identity.MtimeNs);
    case KeepCriterion::ShortestPath:
      return order(a.FullPath.size(), b.FullPath.size());
    case KeepCriterion::LongestPath:
      return order(b.FullPath.size(), a.FullPath.size());
    case KeepCriterion::Shallowest:
      return order(depth(a.FullPath), depth(b.FullPath));
    case KeepCriterion::Deepest:
      return order(depth(b.FullPath), depth(a.FullPath));
    case KeepCriterion::Name: {
      const int byName = FileNameOf(a.FullPath).compare(FileNameOf(b.FullPath));
      return byName != 0 ? byName : a.FullPath.compare(b.FullPath);
    }
  }
  return 0;
}

// The one member the rule keeps of `eligible` (candidate rows); none when no
// folder holds one and the rule has no criterion.
std::optional<int> KeptMember(const std::vector<int>& eligible, const CandidateTable& candidates,
                              const KeepRule& rule, FolderMatcher& folders) {
  std::vector<int> compete;
  for (std::size_t f = 0; f < rule.folders.size() && compete.empty(); ++f) {
    for (const int row : eligible) {
      if (folders.holds(f, candidates.row(row).FullPath)) compete.push_back(row);
    }
  }
  if (compete.empty()) {
    if (rule.criteria.empty()) return std::nullopt;
    compete = eligible;
  }
  return *std::min_element(compete.begin(), compete.end(), [&](int a, int b) {
    for (const KeepCriterion c : rule.criteria) {
      const int by = CompareBy(c, candidates.row(a), candidates.row(b));
      if (by != 0) return by < 0;
    }
    return a < b;
  });
}

}  // namespace

std::vector<KeepTick> KeepRuleTicks(const std::vector<std::vector<int>>& sets,
                                    const CandidateTable& candidates, const KeepRule& rule,
                                    const std::vector<char>& ticked, const KeepGuards& guards) {
  const auto isTicked = [&](int row) {
    return row >= 0 && static_cast<std::size_t>(row) < ticked.size() &&
           ticked[static_cast<std::size_t>(row)] != 0;
  };
  std::vector<KeepTick> changes;
  FolderMatcher folders(rule.folders);
  FolderMatcher shielded(guards.protectedFolders);
  const auto isProtected = [&](const std::string& path) {
    for (std::size_t f = 0; f < guards.protectedFolders.size(); ++f) {
      if (shielded.holds(f, path)) return true;
    }
    return false;
  };
  std::vector<int> eligible;
  std::vector<char> after;
  for (const std::vector<int>& set : sets) {
    if (set.empty()) continue;
    // Members in a Trash compete only when every member is in one.
    eligible.clear();
    for (const int row : set) {
      if (!guards.inTrash || !guards.inTrash(candidates.row(row).FullPath)) eligible.push_back(row);
    }
    if (eligible.empty()) eligible = set;
    const std::optional<int> kept = KeptMember(eligible, candidates, rule, folders);
    after.assign(set.size(), 0);
    bool staysEligible = false;
    for (std::size_t i = 0; i < set.size(); ++i) {
      const int row = set[i];
      const bool tick =
          (kept ? row != *kept : isTicked(row)) && !isProtected(candidates.row(row).FullPath);
      after[i] = tick ? 1 : 0;
      if (!tick && std::find(eligible.begin(), eligible.end(), row) != eligible.end())
        staysEligible = true;
    }
    if (!staysEligible) {
      const auto first = std::find(set.begin(), set.end(), eligible.front());
      after[static_cast<std::size_t>(first - set.begin())] = 0;
    }
    for (std::size_t i = 0; i < set.size(); ++i) {
      if (isTicked(set[i]) != (after[i] != 0)) changes.push_back({set[i], after[i] != 0});
    }
  }
  return changes;
}
