// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/file_actions.h"

#include <algorithm>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// Candidate rows of the given paths: the first row of each path, and for
// every such row the next row with the same path (0 for none): taking the
// first row of a path not yet taken is constant time. Only the paths asked for are
// indexed, so a few rows to remove cost little memory however many rows there are.
class CandidatesByPath {
 public:
  CandidatesByPath(const CandidateTable& candidates, const std::vector<std::string_view>& paths)
      : next_(static_cast<std::size_t>(candidates.count()) + 1, 0) {
    first_.reserve(paths.size());
    for (const std::string_view path : paths) first_.emplace(path, 0);
    for (int k = candidates.count(); k >= 1; --k) {
      const auto it = first_.find(candidates.row(k).FullPath);
      if (it == first_.end()) continue;
      next_[static_cast<std::size_t>(k)] = it->second;
      it->second = k;
    }
  }
  // The first row of `path` not yet taken, taken now; 0 when none is left
  // (or when `path` was not asked for).
  int take(std::string_view path) {
    const auto it = first_.find(path);
    if (it == first_.end() || it->second == 0) return 0;
    const int k = it->second;
    it->second = next_[static_cast<std::size_t>(k)];
    return k;
  }

 private:
  std::unordered_map<std::string_view, int> first_;
  std::vector<int> next_;
};

}  // namespace

std::vector<char> DeleteListTicks(const ResultList& deleteList) {
  std::vector<char> ticked(static_cast<std::size_t>(deleteList.rowCount()));
  for (int r = 0; r < deleteList.rowCount(); ++r)
    ticked[static_cast<std::size_t>(r)] = deleteList.isChecked(r) ? 1 : 0;
  return ticked;
}

DeletePlan PlanDelete(const CandidateTable& candidates, const DeleteTable& table,
                      const std::vector<char>& ticked) {
  DeletePlan plan;
  plan.table = &table;
  plan.candidates = &candidates;
  plan.deleteCount = table.DeleteCount;
  // Entries beyond DeleteCount (or beyond what is stored) do not exist: a list
  // with more rows than that ends the walk instead of reading past the table.
  const int entries = std::min(table.DeleteCount, table.size());
  const int walked = std::min(static_cast<int>(ticked.size()), entries);
  // Sorted views rather than a hash set: a quarter of a million paths to
  // look up, at 16 bytes each instead of a node each.
  std::vector<std::string_view> targetPaths;
  // The targets by device and inode: a candidate that is the same file is
  // compared with them by directory entry.
  std::vector<std::tuple<std::uint64_t, std::uint64_t, int>> targetFiles;
  std::unordered_set<std::int64_t> sizes;
  plan.targetEntries.reserve(static_cast<std::size_t>(std::count_if(
      ticked.begin(), ticked.begin() + std::max(walked, 0), [](char t) { return t != 0; })));
  for (int j = 1; j <= walked; ++j) {
    if (ticked[static_cast<std::size_t>(j - 1)] == 0) continue;
    const CandidateRow& entry = table.row(j);
    plan.targetEntries.push_back(j);
    targetPaths.push_back(entry.FullPath);
    targetFiles.emplace_back(entry.Identity.Dev, entry.Identity.Ino, j);
    sizes.insert(entry.Identity.Size);
  }
  std::sort(targetPaths.begin(), targetPaths.end());
  std::sort(targetFiles.begin(), targetFiles.end());
  // A target is never a keeper, under any spelling of its path: after a
  // rescan written another way (a trailing '/', "/./", a link to the folder,
  // a bind mount) the stale rows of "Files to delete" would each take the
  // other under its new path as the copy that stays. Another hard link, a
  // directory entry of its own, may stay.
  const auto isTarget = [&](const CandidateRow& row) {
    if (std::binary_search(targetPaths.begin(), targetPaths.end(), std::string_view(row.FullPath)))
      return true;
    if (row.Identity.Ino == 0) return false;  // no identity recorded
    const auto same = std::equal_range(
        targetFiles.begin(), targetFiles.end(),
        std::tuple<std::uint64_t, std::uint64_t, int>(row.Identity.Dev, row.Identity.Ino, 0),
        [](const auto& a, const auto& b) {
          return std::tie(std::get<0>(a), std::get<1>(a)) <
                 std::tie(std::get<0>(b), std::get<1>(b));
        });
    return std::any_of(same.first, same.second, [&](const auto& file) {
      const CandidateRow& target = table.row(std::get<2>(file));
      return SameEntry(target.FullPath, target.Folder, row.FullPath, row.Folder);
    });
  };
  std::vector<char> keeps(static_cast<std::size_t>(std::max(candidates.count(), 0)) + 1, 0);
  std::size_t keepers = 0;
  for (int k = 1; k <= candidates.count(); ++k) {
    const CandidateRow& row = candidates.row(k);
    const bool keeper = sizes.count(row.Identity.Size) != 0 && !isTarget(row);
    keeps[static_cast<std::size_t>(k)] = keeper ? 1 : 0;
    keepers += keeper ? 1 : 0;
  }
  plan.keeperRows.reserve(keepers);
  for (int k = 1; k < static_cast<int>(keeps.size()); ++k) {
    if (keeps[static_cast<std::size_t>(k)] != 0) plan.keeperRows.push_back(k);
  }
  return plan;
}

RowRemoval PlanRowRemoval(const CandidateTable& candidates, const DeletePlan& plan,
                          const std::vector<DeleteResult>& results) {
  // Each target stands for list row entry - 1 as built and, through its path,
  // for the first candidate of that path not yet removed.
  RowRemoval removal;
  std::vector<std::string_view> paths;
  for (std::size_t t = 0; t < plan.targetCount() && t < results.size(); ++t) {
    if (!RowsGo(results[t])) continue;
    const DeleteTarget target = plan.target(t);
    removal.listRows.push_back(target.entry - 1);
    paths.push_back(target.path);
  }
  if (paths.empty()) return removal;
  CandidatesByPath byPath(candidates, paths);
  for (const std::string_view path : paths) {
    if (const int k = byPath.take(path); k > 0) removal.candidates.push_back(k);
  }
  std::sort(removal.candidates.begin(), removal.candidates.end());
  return removal;
}

void ApplyRowRemoval(CandidateTable& candidates, ResultList& files, ResultList& deleteList,
                     const RowRemoval& removal) {
  // All rows go together, so many rows stay linear; each candidate keeps the
  // "Files" row it stands with.
  std::vector<int> listGone;
  for (const int r : removal.listRows) {
    if (r < deleteList.rowCount()) listGone.push_back(r);
  }
  deleteList.removeRows(listGone);
  std::vector<int> filesGone;
  for (const int k : removal.candidates) {
    if (k - 1 < files.rowCount()) filesGone.push_back(k - 1);
  }
  files.removeRows(filesGone);
  candidates.eraseRows(removal.candidates);
  candidates.CandidateCount.fetch_sub(static_cast<int>(removal.candidates.size()),
                                      std::memory_order_acq_rel);
}

void SetAllTicks(ResultList& list, bool checked) {
  list.setAllChecked(checked);
}

void UntickAllFiles(ResultList& files, CandidateTable& candidates) {
  files.setAllChecked(false);
  const int rows = std::min(files.rowCount(), candidates.count());
  for (int r = 1; r <= rows; ++r) candidates.row(r).Matched = 0;
}
