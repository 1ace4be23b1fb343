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
// ticked again, as a fresh build would leave them) when they still match the
// candidates; the rest is rebuilt. Each kept prefix is checked first: its
// entries must name exactly the ticked candidates before the change, with
// the same path, size and identity, or the whole list is rebuilt.
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

  std::vector<int> sources_;  // candidate row behind each DeleteTable entry
  int changedFrom_ = 1;       // the first candidate row not known to be built
  int next_ = 0;              // the next candidate row a build looks at; 0: idle
};

// A whole build at once (tests, and callers with small lists).
void RebuildDeleteList(const CandidateTable& candidates, DeleteTable& table, ResultList& deleteList,
                       const ResultList& files, IconIndexer& icons, int& DeleteRowsExpected);

// "Total files in "Files to delete": <rows>. Files to delete: <ticked>"
std::string DeleteTotalsText(int rows, int ticked);
