// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/delete_list.h"

#include <algorithm>
#include <limits>

void DeleteListBuilder::changedFrom(int row) {
  changedFrom_ = std::max(1, std::min(changedFrom_, row));
  // A build past the change must go back to it.
  if (next_ > changedFrom_) next_ = 0;
}

bool DeleteListBuilder::prefixHolds(const Lists& lists, int kept) const {
  if (kept == 0) return true;
  if (lists.table.size() < kept || lists.table.DeleteCount < kept) return false;
  if (lists.files.columnCount() > 0 ? lists.deleteList.rowCount() < kept
                                    : lists.deleteList.rowCount() != 0)
    return false;
  // Callers report every change; the last kept entry is looked at all the
  // same, so candidates replaced without a report are never built upon. It
  // costs one comparison, so a build can resume after every batch of ticks.
  const int k = sources_[static_cast<std::size_t>(kept - 1)];
  if (k >= changedFrom_ || k > lists.candidates.count()) return false;
  const CandidateRow& source = lists.candidates.row(k);
  const CandidateRow& entry = lists.table.row(kept);
  return source.Checked == 1 && entry.FullPath == source.FullPath && entry.Size == source.Size &&
         entry.Identity == source.Identity;
}

void DeleteListBuilder::begin(const Lists& lists) {
  // Entries built from candidates before the change stay when they still hold.
  const auto firstStale = std::lower_bound(sources_.begin(), sources_.end(), changedFrom_);
  int kept = static_cast<int>(firstStale - sources_.begin());
  if (!prefixHolds(lists, kept)) kept = 0;
  // The entries and rows past the kept ones go in slices (see trim): freeing
  // a list of many rows at once would hold the window up.
  sources_.resize(static_cast<std::size_t>(kept));
  lists.table.DeleteCount = kept;
  lists.DeleteRowsExpected = kept + 2;
  reticked_ = false;
  next_ = kept == 0 ? 1 : sources_.back() + 1;
  changedFrom_ = std::numeric_limits<int>::max();
}

bool DeleteListBuilder::trim(const Lists& lists, int budget) {
  const int entries = lists.table.DeleteCount;
  if (lists.table.size() > entries) {
    lists.table.truncate(std::max(entries, lists.table.size() - budget));
    if (lists.table.size() != entries) return false;
  }
  const int rows = lists.files.columnCount() > 0 ? entries : 0;
  if (lists.deleteList.rowCount() > rows) {
    lists.deleteList.truncate(std::max(rows, lists.deleteList.rowCount() - budget));
    if (lists.deleteList.rowCount() != rows) return false;
  }
  if (!reticked_) {
    // A fresh build leaves every row ticked.
    if (lists.deleteList.checkedCount() != lists.deleteList.rowCount())
      lists.deleteList.setAllChecked(true);
    reticked_ = true;
  }
  return true;
}

bool DeleteListBuilder::step(const Lists& lists, int rowBudget) {
  if (next_ == 0) begin(lists);
  if (!trim(lists, 8 * std::min(rowBudget, 1 << 24))) return false;
  const CandidateTable& candidates = lists.candidates;
  const int count = candidates.count();
  const bool addRows = lists.files.columnCount() > 0;
  const std::vector<std::string> captions = ColumnCaptions(lists.deleteList);
  std::vector<ListRow> rows;
  // Unticked candidates cost little; a budget of rows bounds the slice.
  int looked = 0;
  for (; next_ <= count && static_cast<int>(rows.size()) < rowBudget && looked < 16 * rowBudget;
       ++next_, ++looked) {
    const CandidateRow& source = candidates.row(next_);
    if (source.Checked != 1) continue;
    CandidateRow entry;
    entry.FullPath = source.FullPath;
    entry.Size = source.Size;
    entry.Identity = source.Identity;
    entry.Folder = source.Folder;
    entry.Checked = 1;
    // Entry r must stay the row r of the list; a full table takes no more rows.
    if (!lists.table.append(std::move(entry))) {
      next_ = count + 1;
      break;
    }
    sources_.push_back(next_);
    ++lists.table.DeleteCount;
    if (!addRows) continue;
    const int icon = lists.icons.FileTypeIconIndex(IconTypeName(source.FileName()));
    ListRow row = MakeListRowFor(captions, icon, source.FileName(), source.Size, source.FullPath);
    row.Checked = true;
    rows.push_back(std::move(row));
  }
  lists.deleteList.appendRows(std::move(rows));
  lists.DeleteRowsExpected = lists.table.DeleteCount + 2;
  if (next_ <= count) return false;
  next_ = 0;
  lists.DeleteRowsExpected = lists.table.DeleteCount;
  return true;
}

void DeleteListBuilder::finish(const Lists& lists) {
  while (!step(lists, std::numeric_limits<int>::max() / 16)) {
  }
}

void RebuildDeleteList(const CandidateTable& candidates, DeleteTable& table, ResultList& deleteList,
                       const ResultList& files, IconIndexer& icons, int& DeleteRowsExpected) {
  DeleteListBuilder builder;
  builder.finish({candidates, table, deleteList, files, icons, DeleteRowsExpected});
}

std::string DeleteTotalsText(int rows, int ticked) {
  return "Total files in \"Files to delete\": " + std::to_string(rows) +
         ". Files to delete: " + std::to_string(ticked);
}
