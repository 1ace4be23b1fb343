#include "lists/file_actions.h"

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

void DeleteCheckedWalk(CandidateTable& candidates, const DeleteTable& table, ResultList& files,
                       ResultList& deleteList, const std::function<void(int percent)>& progress,
                       const FileDeleter& deleter) {
  // Entries beyond DeleteCount (or beyond what is stored) do not exist: a list
  // with more rows than that ends the walk instead of reading past the table.
  const int entries = table.DeleteCount < table.stored() ? table.DeleteCount : table.stored();
  int i = 0;  // row of the list as it is now
  int j = 1;  // entry of the table, in build order
  while (i < deleteList.rowCount() && j <= entries) {
    if (!deleteList.isChecked(i)) {
      ++i;
      ++j;
      continue;
    }
    deleteList.removeRow(i);
    const CandidateRow& entry = table.row(j);
    // Nothing changes the table between finding the candidate and removing
    // it, so one lookup serves both steps.
    const int k = FindCandidateByPath(candidates, entry.FullPath);
    if (k > 0) {
      if (k - 1 < files.rowCount()) files.removeRow(k - 1);
      RemoveCandidate(candidates, k);
    }
    // The file goes only when it is still the one the scan found; a missing,
    // changed or undeletable file is left alone, its rows removed all the same.
    if (deleter) {
      deleter(entry.FullPath, entry.Identity);
    } else {
      DeleteIfUnchanged(entry.FullPath, entry.Identity);
    }
    if (progress) progress(j * 100 / table.DeleteCount);
    ++j;
  }
}

void SetAllTicks(ResultList& list, bool checked) {
  // The change handler may act on every tick, so the row count is read anew.
  for (int r = 0; r < list.rowCount(); ++r) list.setChecked(r, checked);
}

void UntickAllFiles(ResultList& files, CandidateTable& candidates) {
  for (int r = 0; r < files.rowCount(); ++r) {
    files.setChecked(r, false);
    if (r + 1 <= candidates.count()) candidates.row(r + 1).Matched = 0;
  }
}
