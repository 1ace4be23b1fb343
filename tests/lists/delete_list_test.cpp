// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/delete_list.h"

#include <gtest/gtest.h>

#include <random>
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
        [this](int, bool) { seen.emplace_back(deleteList.rowCount(), expected); });
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
  EXPECT_EQ(deleteList.row(2).subItems(), std::vector<std::string>{"500"});
  EXPECT_EQ(deleteList.checkedCount(), 3);
  EXPECT_FALSE(deleteList.updating());
  EXPECT_EQ(icons.requests, (std::vector<std::string>{"file.txt", "file.jpg", "file."}));
  EXPECT_EQ(deleteList.row(1).ImageIndex, 101);

  ASSERT_EQ(table.DeleteCount, 3);
  ASSERT_EQ(table.size(), 3);
  const int sources[] = {1, 3, 4};
  for (int e = 1; e <= 3; ++e) {
    const CandidateRow& entry = table.row(e);
    const CandidateRow& source = candidates.row(sources[e - 1]);
    EXPECT_EQ(entry.FullPath, source.FullPath);
    EXPECT_EQ(entry.FileName(), source.FileName());
    EXPECT_EQ(entry.Size, source.Size);
    EXPECT_EQ(entry.Identity, source.Identity);
    EXPECT_EQ(entry.Band, 0);
    EXPECT_EQ(entry.Matched, 0);
    EXPECT_EQ(entry.Checked, 1);
  }

  // A tick of the rebuild that reaches the handler finds the count off by two.
  for (const auto& [rows, expectedThen] : seen) EXPECT_EQ(expectedThen, rows + 2);
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
  EXPECT_EQ(table.size(), 0);
  EXPECT_EQ(expected, 0);
}

TEST(DeleteTotalsTextTest, Text) {
  EXPECT_EQ(DeleteTotalsText(12, 10),
            "Total files in \"Files to delete\": 12. Files to delete: 10");
  EXPECT_EQ(DeleteTotalsText(0, 0), "Total files in \"Files to delete\": 0. Files to delete: 0");
}

// The built list and table: the ticked candidates, in order, every row ticked.
void ExpectWhole(const CandidateTable& candidates, const DeleteTable& table,
                 const ResultList& deleteList, int expected, int round) {
  std::vector<std::string> paths;
  for (int k = 1; k <= candidates.count(); ++k) {
    if (candidates.row(k).Checked == 1) paths.push_back(candidates.row(k).FullPath);
  }
  std::vector<std::string> built;
  for (int e = 1; e <= table.DeleteCount; ++e) built.push_back(table.row(e).FullPath);
  ASSERT_EQ(built, paths) << "round " << round;
  ASSERT_EQ(table.size(), table.DeleteCount);
  std::vector<std::string> shown;
  for (int r = 0; r < deleteList.rowCount(); ++r) shown.emplace_back(deleteList.row(r).caption());
  ASSERT_EQ(shown, paths) << "round " << round;
  ASSERT_EQ(deleteList.checkedCount(), deleteList.rowCount());
  ASSERT_EQ(expected, deleteList.rowCount());
}

// Ticks change between slices of a build, rows of the list get unticked, the
// candidates are replaced: every build that ends leaves what a fresh build
// would, whatever was kept from the one before.
TEST(DeleteListBuilderTest, SlicedBuildsEndAsAFreshBuild) {
  std::mt19937 random(11);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  CandidateTable candidates{600};
  DeleteTable table{600};
  ResultList files;
  ResultList deleteList;
  AddColumns(files, {"Path"});
  AddColumns(deleteList, {"Path"});
  FakeIcons icons;
  int expected = 0;
  DeleteListBuilder builder;
  const DeleteListBuilder::Lists lists{candidates, table, deleteList, files, icons, expected};
  const auto refill = [&] {
    std::vector<CandidateRow> rows;
    const int count = 1 + pick(500);
    for (int k = 0; k < count; ++k) {
      rows.push_back(Row("/r" + std::to_string(pick(100000)), 1 + pick(3), pick(3) == 0,
                         static_cast<std::uint64_t>(k)));
    }
    FillCandidates(candidates, rows);
  };
  refill();
  int builds = 0;
  for (int round = 0; round < 3000; ++round) {
    switch (pick(10)) {
      case 0:
        refill();
        builder.forget();
        break;
      case 1:
        // The user unticks a row of a whole list; the next build ticks it again.
        if (!builder.building() && deleteList.rowCount() > 0)
          deleteList.setChecked(pick(deleteList.rowCount()), false);
        break;
      case 2:
      case 3:
      case 4: {
        const int k = 1 + pick(candidates.count());
        candidates.row(k).Checked = 1 - candidates.row(k).Checked;
        builder.changedFrom(k);
        break;
      }
      default:
        if (builder.step(lists, 1 + pick(40))) {
          ++builds;
          ExpectWhole(candidates, table, deleteList, expected, round);
        }
        break;
    }
  }
  builder.finish(lists);
  ExpectWhole(candidates, table, deleteList, expected, -1);
  EXPECT_GT(builds, 100);
}

}  // namespace
