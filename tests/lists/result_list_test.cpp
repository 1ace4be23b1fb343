#include "lists/result_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/list_helpers.h"

namespace {

TEST(ResultListTest, ChangeHandlerFiresOnTickFlipsAndNotifyOnly) {
  ResultList list;
  std::vector<int> changed;
  list.setChangeHandler([&](int row) { changed.push_back(row); });
  list.appendRow({});
  list.appendRows({ListRow{}, ListRow{}});
  list.removeRow(2);
  list.clear();
  list.appendRows({ListRow{}, ListRow{}});
  EXPECT_TRUE(changed.empty());

  list.setChecked(1, true);
  list.setChecked(1, true);   // already ticked
  list.setChecked(0, false);  // already unticked
  list.notifyChange(0);
  list.setChecked(1, false);
  EXPECT_EQ(changed, (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(list.checkedCount(), 0);
}

TEST(ResultListTest, ObserverSeesEveryChangeInOrder) {
  ResultList list;
  RecordingObserver observer;
  list.setObserver(&observer);
  list.addColumn("Path");
  list.setColumnWidth(0, 80);
  EXPECT_EQ(list.column(0).Width, 80);
  list.appendRow({});
  list.appendRows({ListRow{}, ListRow{}});
  list.appendRows({});
  list.setChecked(2, true);
  list.setChecked(2, true);
  list.removeRow(0);
  list.clear();
  list.clearColumns();
  EXPECT_EQ(observer.calls,
            (std::vector<std::string>{
                "columnsAboutToChange", "columnsChanged", "columnWidthChanged 0",
                "rowsAboutToBeAppended 0 0", "rowsAppended", "rowsAboutToBeAppended 1 2",
                "rowsAppended", "rowDataChanged 2", "rowAboutToBeRemoved 0", "rowRemoved",
                "aboutToReset", "reset", "columnsAboutToChange", "columnsChanged"}));
}

}  // namespace
