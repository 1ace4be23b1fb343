#include "lists/delete_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "lists/list_helpers.h"

namespace {

CandidateRow Row(const std::string& path, std::int64_t size, bool checked, std::uint64_t ino) {
  CandidateRow row = MakeCandidate(path, size, checked);
  row.Band = 1;
  row.Matched = 1;
  row.Identity = {1, ino, size, 42};
  return row;
}

class RebuildDeleteListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FillCandidates(candidates, {Row("/d/a.txt", 100, true, 1), Row("/d/b.txt", 100, false, 2),
                                Row("/d/c.jpg", 300, true, 3), Row("/d/README", 500, true, 4),
                                Row("/d/e.txt", 500, false, 5)});
    AddColumns(deleteList, {"FileName", "Size"});
    // Rows and entries of an earlier build, to be replaced.
    deleteList.appendRow({});
    table.append(Row("/old", 1, true, 9));
    table.DeleteCount = 1;
    deleteList.setChangeHandler(
        [this](int) { seen.emplace_back(deleteList.rowCount(), expected); });
  }

  CandidateTable candidates{16};
  DeleteTable table{16};
  ResultList files;
  ResultList deleteList;
  FakeIcons icons;
  int expected = 0;
  std::vector<std::pair<int, int>> seen;  // row count, DeleteRowsExpected
};

TEST_F(RebuildDeleteListTest, ListsTickedCandidatesInTableOrderAllTicked) {
  AddColumns(files, {"Path"});
  RebuildDeleteList(candidates, table, deleteList, files, icons, expected);

  EXPECT_EQ(Captions(deleteList), (std::vector<std::string>{"a.txt", "c.jpg", "README"}));
  EXPECT_EQ(deleteList.row(2).SubItems, std::vector<std::string>{"500"});
  EXPECT_EQ(deleteList.checkedCount(), 3);
  EXPECT_FALSE(deleteList.updating());
  EXPECT_EQ(icons.requests, (std::vector<std::string>{"file.txt", "file.jpg", "file."}));
  EXPECT_EQ(deleteList.row(1).ImageIndex, 101);

  ASSERT_EQ(table.DeleteCount, 3);
  ASSERT_EQ(table.stored(), 3);
  const int sources[] = {1, 3, 4};
  for (int e = 1; e <= 3; ++e) {
    const CandidateRow& entry = table.row(e);
    const CandidateRow& source = candidates.row(sources[e - 1]);
    EXPECT_EQ(entry.FullPath, source.FullPath);
    EXPECT_EQ(entry.FileName, source.FileName);
    EXPECT_EQ(entry.Size, source.Size);
    EXPECT_EQ(entry.Identity, source.Identity);
    EXPECT_EQ(entry.Band, 0);
    EXPECT_EQ(entry.Matched, 0);
    EXPECT_EQ(entry.Checked, 1);
  }

  // Every tick of the rebuild reaches the handler while the count is off by two.
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 3}, {2, 4}, {3, 5}}));
  EXPECT_EQ(expected, deleteList.rowCount());

  EXPECT_EQ(DeleteTotalsText(deleteList.rowCount(), deleteList.checkedCount()),
            "Total files in \"Files to delete\": 3. Files to delete: 3");
}

TEST_F(RebuildDeleteListTest, FilesWithoutColumnsFillsTheTableOnly) {
  RebuildDeleteList(candidates, table, deleteList, files, icons, expected);
  EXPECT_EQ(deleteList.rowCount(), 0);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(table.DeleteCount, 3);
  EXPECT_EQ(table.row(1).FullPath, "/d/a.txt");
  EXPECT_EQ(expected, 3);

  // Nothing ticked: both emptied.
  for (int k = 1; k <= candidates.count(); ++k) candidates.row(k).Checked = 0;
  AddColumns(files, {"Path"});
  RebuildDeleteList(candidates, table, deleteList, files, icons, expected);
  EXPECT_EQ(deleteList.rowCount(), 0);
  EXPECT_EQ(table.DeleteCount, 0);
  EXPECT_EQ(table.stored(), 0);
  EXPECT_EQ(expected, 0);
}

TEST(DeleteTotalsTextTest, Text) {
  EXPECT_EQ(DeleteTotalsText(12, 10),
            "Total files in \"Files to delete\": 12. Files to delete: 10");
  EXPECT_EQ(DeleteTotalsText(0, 0), "Total files in \"Files to delete\": 0. Files to delete: 0");
}

}  // namespace
