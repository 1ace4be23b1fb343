#pragma once

#include <functional>
#include <string>

#include "core/file_identity.h"
#include "core/records.h"
#include "lists/result_list.h"

// The 1-based index of the first candidate row whose FullPath equals `path`
// byte for byte, searching rows 1..count(); -1 when none does.
int FindCandidateByPath(const CandidateTable& candidates, const std::string& path);

// Removes candidate row k (1 <= k <= count()): later rows move up one place and
// CandidateCount drops by one. Touches no list.
void RemoveCandidate(CandidateTable& candidates, int k);

// Deletes one file only when it is still the file recorded; see DeleteIfUnchanged.
using FileDeleter = std::function<DeleteOutcome(const std::string& path, const FileIdentity& id)>;

// The walk of "Delete Checked", after the confirmation: for every ticked row
// of "Files to delete" (index i in the list as it is now, j in build order),
// remove the row, remove the matching "Files" row and candidate when the path
// is a candidate, delete the file when it is unchanged since the scan, and
// report progress j * 100 / DeleteCount. Failures are not reported: the rows
// stay removed. Window thread.
void DeleteCheckedWalk(CandidateTable& candidates, const DeleteTable& table, ResultList& files,
                       ResultList& deleteList, const std::function<void(int percent)>& progress,
                       const FileDeleter& deleter = DeleteIfUnchanged);

// Ticks or unticks every row of `list`, first to last.
void SetAllTicks(ResultList& list, bool checked);

// "Uncheck all Items" of "Files": unticks every row and clears Matched of
// candidate row r + 1 with list row r.
void UntickAllFiles(ResultList& files, CandidateTable& candidates);
