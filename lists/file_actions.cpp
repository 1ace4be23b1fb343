#include "lists/file_actions.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

int FindCandidateByPath(const CandidateTable& candidates, const std::string& path) {
  const int count = candidates.count();
  for (int k = 1; k <= count; ++k) {
    if (candidates.row(k).FullPath == path) return k;
  }
  return -1;
}

void RemoveCandidate(CandidateTable& candidates, int k) {
  if (k < 1 || k > candidates.count()) return;
  candidates.erase(k);
  candidates.CandidateCount.fetch_sub(1, std::memory_order_acq_rel);
}

namespace {

// Candidate rows by path: the first row of each path, and for every row the
// next row with the same path (0 for none). Taking the first row of a path
// and moving on to its next one is FindCandidateByPath followed by
// RemoveCandidate, in constant time.
class CandidatesByPath {
 public:
  explicit CandidatesByPath(const CandidateTable& candidates)
      : next_(static_cast<std::size_t>(candidates.count()) + 1, 0) {
    first_.reserve(static_cast<std::size_t>(candidates.count()));
    for (int k = candidates.count(); k >= 1; --k) {
      int& head = first_[candidates.row(k).FullPath];
      next_[static_cast<std::size_t>(k)] = head;
      head = k;
    }
  }
  // The first row of `path` not yet taken, taken now; 0 when none is left.
  int take(const std::string& path) {
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

void DeleteCheckedWalk(CandidateTable& candidates, const DeleteTable& table, ResultList& files,
                       ResultList& deleteList, const std::function<void(int percent)>& progress,
                       const FileDeleter& deleter) {
  // Entries beyond DeleteCount (or beyond what is stored) do not exist: a list
  // with more rows than that ends the walk instead of reading past the table.
  const int entries = table.DeleteCount < table.stored() ? table.DeleteCount : table.stored();
  // The walk with the two indices visits list row j - 1 as it was before the
  // walk for every entry j (a removed row lets the next move into its place),
  // and removes each row, candidate and "Files" row it meets. The rows are
  // marked on the way and removed together at the end, so a walk over many
  // rows stays linear; each candidate keeps the "Files" row it stands with.
  const int walked = std::min(deleteList.rowCount(), entries);
  const int filesRows = files.rowCount();
  std::optional<CandidatesByPath> byPath;
  std::vector<int> listGone;
  std::vector<int> candidatesGone;
  for (int j = 1; j <= walked; ++j) {
    if (!deleteList.isChecked(j - 1)) continue;
    listGone.push_back(j - 1);
    const CandidateRow& entry = table.row(j);
    if (!byPath) byPath.emplace(candidates);
    if (const int k = byPath->take(entry.FullPath); k > 0) candidatesGone.push_back(k);
    // The file goes only when it is still the one the scan found; a missing,
    // changed or undeletable file is left alone, its rows removed all the same.
    if (deleter) {
      deleter(entry.FullPath, entry.Identity);
    } else {
      DeleteIfUnchanged(entry.FullPath, entry.Identity);
    }
    if (progress) progress(j * 100 / table.DeleteCount);
  }
  deleteList.removeRows(listGone);
  std::sort(candidatesGone.begin(), candidatesGone.end());
  std::vector<int> filesGone;
  for (const int k : candidatesGone) {
    if (k - 1 < filesRows) filesGone.push_back(k - 1);
  }
  files.removeRows(filesGone);
  candidates.eraseRows(candidatesGone);
  candidates.CandidateCount.fetch_sub(static_cast<int>(candidatesGone.size()),
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
