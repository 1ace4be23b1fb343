#include "lists/delete_list.h"

void RebuildDeleteList(const CandidateTable& candidates, DeleteTable& table, ResultList& deleteList,
                       const ResultList& files, IconIndexer& icons, int& DeleteRowsExpected) {
  deleteList.beginUpdate();
  deleteList.clear();
  DeleteRowsExpected = 2;
  table.DeleteCount = 0;
  table.clear();
  const int count = candidates.count();
  for (int k = 1; k <= count; ++k) {
    const CandidateRow& source = candidates.row(k);
    if (source.Checked != 1) continue;
    CandidateRow entry;
    entry.FullPath = source.FullPath;
    entry.FileName = source.FileName;
    entry.Size = source.Size;
    entry.Identity = source.Identity;
    entry.Checked = 1;
    // Entry r must stay the row r of the list; a full table takes no more rows.
    if (!table.append(std::move(entry))) break;
    ++DeleteRowsExpected;
    ++table.DeleteCount;
    const int icon = icons.FileTypeIconIndex(IconTypeName(source.FileName));
    // While the count runs two above the rows, the list's change handler
    // ignores the tick set here.
    if (AddListRow(deleteList, files, icon, source.FileName, source.Size, source.FullPath)) {
      deleteList.setChecked(deleteList.rowCount() - 1, true);
    }
  }
  DeleteRowsExpected -= 2;
  deleteList.endUpdate();
}

std::string DeleteTotalsText(int rows, int ticked) {
  return "Total files in \"Files to delete\": " + std::to_string(rows) +
         ". Files to delete: " + std::to_string(ticked);
}
