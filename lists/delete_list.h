// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <string>
#include <vector>

#include "core/records.h"
#include "lists/result_list.h"
#include "lists/row_texts.h"

// Builds "Files to delete" (`deleteList`) and the DeleteTable from the
// candidates whose Checked is 1, in table order, every row ticked, in slices
// so that a list of many rows never holds the window thread for long.
//
// The rows built from candidates before the first changed one are kept (and
// ticked again, as a fresh build would leave them); the rest is rebuilt. So
// every change of a candidate's Checked must be reported with changedFrom(),
// and every other change of the candidates or the columns with forget(). The
// last kept entry must still match its candidate (path, size, identity), or
// the whole list is rebuilt.
//
// DeleteRowsExpected runs two above the entries while a build goes on (so the
// list's change handler ignores it) and equals the entries once it is done.
// No row is added while "Files" (`files`) has no columns; the DeleteTable is
// filled all the same. Window thread.
class DeleteListBuilder {
 public:
  struct Lists {
    const CandidateTable& candidates;
    DeleteTable& table;
    ResultList& deleteList;
    const ResultList& files;
    IconIndexer& icons;
    int& DeleteRowsExpected;
  };

  // Candidate row `row` (1-based) changed its tick: rows from it on are rebuilt.
  void changedFrom(int row);
  // Anything else changed (the candidates, the columns): everything is rebuilt.
  void forget() { changedFrom(1); }

  // Builds on by at most about `rowBudget` rows; true once the list is whole.
  bool step(const Lists& lists, int rowBudget);
  // Builds to the end.
  void finish(const Lists& lists);
  bool building() const { return next_ > 0; }

 private:
  void begin(const Lists& lists);
  bool prefixHolds(const Lists& lists, int kept) const;
  // Drops up to `budget` stale entries or rows; true once none is left.
  bool trim(const Lists& lists, int budget);

  std::vector<int> sources_;  // candidate row behind each DeleteTable entry
  int changedFrom_ = 1;       // the first candidate row not known to be built
  int next_ = 0;              // the next candidate row a build looks at; 0: idle
  bool reticked_ = false;     // the kept rows are ticked again
};

// A whole build at once (tests, and callers with small lists).
void RebuildDeleteList(const CandidateTable& candidates, DeleteTable& table, ResultList& deleteList,
                       const ResultList& files, IconIndexer& icons, int& DeleteRowsExpected);

// "Total files in "Files to delete": <rows>. Files to delete: <ticked>"
std::string DeleteTotalsText(int rows, int ticked);
