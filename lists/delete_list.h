#pragma once

#include <string>

#include "core/records.h"
#include "lists/result_list.h"
#include "lists/row_texts.h"

// Rebuilds "Files to delete" (`deleteList`) and the DeleteTable from the
// candidates whose Checked is 1, in table order, every row ticked.
// DeleteRowsExpected runs two above the rows added while the rows are added
// (so the list's change handler ignores them) and equals the row count at the
// end. Rows go through AddListRow, so none are added while "Files" (`files`)
// has no columns; the DeleteTable is filled all the same. Window thread.
void RebuildDeleteList(const CandidateTable& candidates, DeleteTable& table, ResultList& deleteList,
                       const ResultList& files, IconIndexer& icons, int& DeleteRowsExpected);

// "Total files in "Files to delete": <rows>. Files to delete: <ticked>"
std::string DeleteTotalsText(int rows, int ticked);
