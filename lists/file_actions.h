#pragma once

#include <functional>
#include <string>
#include <vector>

#include "compare/verified_delete.h"
#include "core/file_identity.h"
#include "core/records.h"
#include "lists/result_list.h"

// The 1-based index of the first candidate row whose FullPath equals `path`
// byte for byte, searching rows 1..count(); -1 when none does.
int FindCandidateByPath(const CandidateTable& candidates, const std::string& path);

// Removes candidate row k (1 <= k <= count()): later rows move up one place and
// CandidateCount drops by one. Touches no list.
void RemoveCandidate(CandidateTable& candidates, int k);

// What "Delete Checked" works on, taken on the window thread: every ticked
// row j of "Files to delete" (list row j - 1 as built, entry j of `table`,
// up to the rows and entries that exist) as a target, and every candidate
// whose path no target has, of a size some target has, as a keeper.
DeletePlan PlanDelete(const CandidateTable& candidates, const DeleteTable& table,
                      const ResultList& deleteList);

// After the file work: removes the rows of every target whose rows go (its
// "Files to delete" row, and the first candidate with its path not yet
// removed, with its "Files" row) in one pass. Targets that were kept keep
// their rows. Window thread.
void RemoveDeletedRows(CandidateTable& candidates, ResultList& files, ResultList& deleteList,
                       const DeletePlan& plan, const std::vector<DeleteResult>& results);

// The whole of "Delete Checked" after the confirmation, on the calling thread:
// plan, one pass (see RunDeletePass), the rows removed. Returns the result of
// each target.
std::vector<DeleteResult> DeleteCheckedWalk(CandidateTable& candidates, const DeleteTable& table,
                                            ResultList& files, ResultList& deleteList,
                                            const std::function<void(int percent)>& progress,
                                            const DeletePassOptions& options = {});

// Ticks or unticks every row of `list`, first to last.
void SetAllTicks(ResultList& list, bool checked);

// "Uncheck all Items" of "Files": unticks every row and clears Matched of
// candidate row r + 1 with list row r.
void UntickAllFiles(ResultList& files, CandidateTable& candidates);
