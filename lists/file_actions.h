// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <vector>

#include "compare/verified_delete.h"
#include "core/file_identity.h"
#include "core/records.h"
#include "lists/result_list.h"

// Which rows of "Files to delete" are ticked, first to last.
std::vector<char> DeleteListTicks(const ResultList& deleteList);

// What "Delete Checked" works on: every ticked row j of "Files to delete"
// (list row j - 1 as built, entry j of `table`, up to the rows and entries
// that exist) as a target, and every candidate of a size some target has
// that is no target's directory entry (by path, or by device, inode, name and
// folder: any spelling of a target's path is that target) as a keeper. Only
// reads the tables (and the folders of files that are a target's file), so a
// worker can take it while nothing else changes them.
DeletePlan PlanDelete(const CandidateTable& candidates, const DeleteTable& table,
                      const std::vector<char>& ticked);

// The rows that go once the file work is done: for every target deleted or
// missing, its "Files to delete" row (0-based) and the first candidate with
// its path not yet taken (1-based, ascending). Targets that were kept, or
// whose delete failed, keep their rows. Only reads the table.
struct RowRemoval {
  std::vector<int> listRows;
  std::vector<int> candidates;
};
RowRemoval PlanRowRemoval(const CandidateTable& candidates, const DeletePlan& plan,
                          const std::vector<DeleteResult>& results);

// Removes those rows, the "Files" rows of the candidates with them, in one
// pass each. Window thread.
void ApplyRowRemoval(CandidateTable& candidates, ResultList& files, ResultList& deleteList,
                     const RowRemoval& removal);

// Ticks or unticks every row of `list`, first to last.
void SetAllTicks(ResultList& list, bool checked);

// "Uncheck all Items" of "Files": unticks every row and clears Matched of
// candidate row r + 1 with list row r.
void UntickAllFiles(ResultList& files, CandidateTable& candidates);
