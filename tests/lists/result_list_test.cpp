// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/result_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/list_helpers.h"

namespace {

TEST(ResultListTest, ChangeHandlerFiresOnTickFlipsAndNotifyOnly) {
  ResultList list;
  std::vector<int> changed;
  list.setChangeHandler([&](int row, bool) { changed.push_back(row); });
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
                "rowsAppended", "rowsDataChanged 2 2", "rowsAboutToBeRemoved 0 0", "rowsRemoved",
                "aboutToReset", "reset", "columnsAboutToChange", "columnsChanged"}));
}

// Batch ticks fire the handler per flipped row in the order given and tell the
// view once; batch removal keeps the other rows in order, by ranges when the
// rows are few runs and by one reset when they are many.
TEST(ResultListTest, BatchTicksAndRemovals) {
  ResultList list;
  RecordingObserver observer;
  std::vector<int> handled;
  list.setChangeHandler([&](int row, bool) { handled.push_back(row); });
  for (int r = 0; r < 100; ++r) {
    ListRow row(std::to_string(r));
    row.Checked = r == 7;
    list.appendRow(std::move(row));
  }
  list.setObserver(&observer);

  list.setChecked(std::vector<int>{9, 7, 3}, true);
  EXPECT_EQ(handled, (std::vector<int>{9, 3}));
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"rowsDataChanged 3 9"}));
  list.setChecked(std::vector<int>{7}, true);
  EXPECT_EQ(observer.calls.size(), 1u);
  list.setAllChecked(false);
  EXPECT_EQ(handled, (std::vector<int>{9, 3, 3, 7, 9}));
  EXPECT_EQ(list.checkedCount(), 0);

  observer.calls.clear();
  list.removeRows({0, 1, 2, 50, 99});
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"rowsAboutToBeRemoved 99 99", "rowsRemoved",
                                                      "rowsAboutToBeRemoved 50 50", "rowsRemoved",
                                                      "rowsAboutToBeRemoved 0 2", "rowsRemoved"}));
  ASSERT_EQ(list.rowCount(), 95);
  EXPECT_EQ(list.row(0).caption(), "3");
  EXPECT_EQ(list.row(46).caption(), "49");
  EXPECT_EQ(list.row(47).caption(), "51");

  std::vector<int> evens;
  for (int r = 0; r < list.rowCount(); r += 2) evens.push_back(r);
  observer.calls.clear();
  list.removeRows(evens);
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"aboutToReset", "reset"}));
  ASSERT_EQ(list.rowCount(), 47);
  EXPECT_EQ(list.row(0).caption(), "4");
  EXPECT_EQ(list.row(46).caption(), "97");

  list.truncate(10);
  EXPECT_EQ(list.rowCount(), 10);
  EXPECT_EQ(list.row(9).caption(), "22");
}

}  // namespace
