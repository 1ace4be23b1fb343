// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "lists/file_actions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "lists/delete_list.h"
#include "lists/list_helpers.h"
#include "support/temp_tree.h"

namespace {

// "Delete Checked" after the confirmation as the session runs it, on the
// calling thread: the plan, one pass over every target, the rows removed.
std::vector<DeleteResult> DeleteChecked(CandidateTable& candidates, const DeleteTable& table,
                                        ResultList& files, ResultList& deleteList,
                                        const std::function<void(int percent)>& progress,
                                        const DeletePassOptions& options) {
  const DeletePlan plan = PlanDelete(candidates, table, DeleteListTicks(deleteList));
  std::vector<int> all(plan.targetCount());
  for (std::size_t t = 0; t < all.size(); ++t) all[t] = static_cast<int>(t);
  std::vector<DeleteResult> results = RunDeletePass(plan, all, options, {}, progress);
  ApplyRowRemoval(candidates, files, deleteList, PlanRowRemoval(candidates, plan, results));
  return results;
}

CandidateRow Flagged(const std::string& path, std::uint8_t band, std::uint8_t matched,
                     std::uint8_t checked) {
  CandidateRow row = MakeCandidate(path, 10);
  row.Band = band;
  row.Matched = matched;
  row.Checked = checked;
  return row;
}

TEST(TickAllTest, UntickAllClearsTicksAndMatchedOfExistingCandidates) {
  CandidateTable candidates(8);
  FillCandidates(candidates, {Flagged("/a", 0, 1, 1), Flagged("/b", 0, 1, 1)});
  ResultList files;
  AddColumns(files, {"Path"});
  FillFilesList(files, candidates);
  files.appendRow({});  // a row without a candidate
  std::vector<int> changed;
  files.setChangeHandler([&](int row, bool) { changed.push_back(row); });

  SetAllTicks(files, true);
  EXPECT_EQ(files.checkedCount(), 3);
  EXPECT_EQ(changed, std::vector<int>{2});
  EXPECT_EQ(candidates.row(1).Matched, 1);

  UntickAllFiles(files, candidates);
  EXPECT_EQ(files.checkedCount(), 0);
  EXPECT_EQ(changed, (std::vector<int>{2, 0, 1, 2}));
  EXPECT_EQ(candidates.row(1).Matched, 0);
  EXPECT_EQ(candidates.row(2).Matched, 0);

  SetAllTicks(files, false);
  EXPECT_EQ(changed.size(), 4u);
}

// Real files below a temporary folder, listed in "Files" and, when ticked, in
// "Files to delete" as a rebuild lists them.
class DeleteCheckedTest : public ::testing::Test {
 protected:
  DeleteCheckedTest() {
    AddColumns(files, {"Path"});
    AddColumns(deleteList, {"Path"});
  }

  // One file per name, same content; `ticked` names the ticked positions.
  std::vector<std::string> Scan(const std::vector<std::string>& names,
                                const std::vector<int>& ticked) {
    std::vector<std::string> paths;
    std::vector<CandidateRow> rows;
    for (std::size_t n = 0; n < names.size(); ++n) {
      paths.push_back(tree.write(names[n], "content"));
      rows.push_back(MakeCandidate(paths.back(), 7));
    }
    for (int t : ticked) rows[static_cast<std::size_t>(t)].Checked = 1;
    FillCandidates(candidates, std::move(rows));
    files.clear();
    FillFilesList(files, candidates);
    RebuildDeleteList(candidates, table, deleteList, files, icons, expected);
    return paths;
  }

  std::vector<DeleteResult> Walk(const FileDeleter& deleter = {}) {
    DeletePassOptions options;
    options.deleter = deleter;
    return DeleteChecked(
        candidates, table, files, deleteList, [this](int p) { progress.push_back(p); }, options);
  }

  void ExpectFilesMatchCandidates() { EXPECT_EQ(Captions(files), CandidatePaths(candidates)); }

  TempTree tree;
  CandidateTable candidates{64};
  DeleteTable table{64};
  ResultList files;
  ResultList deleteList;
  FakeIcons icons;
  int expected = 0;
  std::vector<int> progress;
};

TEST_F(DeleteCheckedTest, DeletesTickedFilesAndTheirRows) {
  std::vector<std::string> names;
  for (int n = 0; n < 10; ++n) names.push_back("f" + std::to_string(n));
  const auto paths = Scan(names, {1, 4, 9});
  Walk();

  std::vector<std::string> kept;
  for (int n : {0, 2, 3, 5, 6, 7, 8}) kept.push_back(paths[static_cast<std::size_t>(n)]);
  EXPECT_EQ(CandidatePaths(candidates), kept);
  ExpectFilesMatchCandidates();
  for (const auto& p : kept) EXPECT_TRUE(PathExists(p)) << p;
  for (int n : {1, 4, 9}) EXPECT_FALSE(PathExists(paths[static_cast<std::size_t>(n)]));
  EXPECT_EQ(deleteList.rowCount(), 0);
  EXPECT_EQ(progress, (std::vector<int>{33, 66, 100}));
}

TEST_F(DeleteCheckedTest, UntickedRowsAreKept) {
  const auto paths = Scan({"a", "b", "c", "d"}, {0, 1, 3});
  deleteList.setChecked(1, false);
  Walk();

  EXPECT_FALSE(PathExists(paths[0]));
  EXPECT_TRUE(PathExists(paths[1]));
  EXPECT_FALSE(PathExists(paths[3]));
  EXPECT_EQ(CandidatePaths(candidates), (std::vector<std::string>{paths[1], paths[2]}));
  EXPECT_EQ(candidates.row(1).Checked, 1);
  ExpectFilesMatchCandidates();
  EXPECT_EQ(Captions(deleteList), std::vector<std::string>{paths[1]});
  EXPECT_EQ(progress, (std::vector<int>{33, 100}));
}

TEST_F(DeleteCheckedTest, ProgressInQuartersAndRawByteNames) {
  const auto paths = Scan({"one", "\xff\xfe", "three.txt", "x\xff.bin", "kept"}, {0, 1, 2, 3});
  Walk();
  for (int n = 0; n < 4; ++n) EXPECT_FALSE(PathExists(paths[static_cast<std::size_t>(n)]));
  EXPECT_EQ(CandidatePaths(candidates), std::vector<std::string>{paths[4]});
  EXPECT_EQ(files.rowCount(), 1);
  EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 100}));
}

TEST_F(DeleteCheckedTest, FilesChangedSinceTheScanStayOnDisk) {
  const auto paths =
      Scan({"missing", "grown", "touched", "folder", "link", "other"}, {0, 1, 2, 3, 4});
  ASSERT_EQ(::unlink(paths[0].c_str()), 0);
  tree.write("grown", "content and more");
  const timespec later[2] = {{0, UTIME_OMIT},
                             {candidates.row(3).Identity.MtimeNs / 1000000000 + 5, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, paths[2].c_str(), later, 0), 0);
  ASSERT_EQ(::unlink(paths[3].c_str()), 0);
  tree.mkdir("folder/inner");
  ASSERT_EQ(::unlink(paths[4].c_str()), 0);
  tree.symlink(paths[5], "link");
  const std::vector<DeleteResult> results = Walk();

  EXPECT_EQ(ReadFileBytes(paths[1]), "content and more");
  EXPECT_EQ(ReadFileBytes(paths[2]), "content");
  EXPECT_TRUE(PathExists(tree.path("folder/inner")));
  EXPECT_TRUE(PathExists(paths[4]));
  EXPECT_EQ(ReadFileBytes(paths[5]), "content");
  EXPECT_EQ(results, (std::vector<DeleteResult>{DeleteResult::Missing, DeleteResult::Changed,
                                                DeleteResult::Changed, DeleteResult::Changed,
                                                DeleteResult::Changed}));
  // The missing file's rows go; the changed ones keep theirs, ticked.
  EXPECT_EQ(CandidatePaths(candidates),
            (std::vector<std::string>{paths[1], paths[2], paths[3], paths[4], paths[5]}));
  ExpectFilesMatchCandidates();
  EXPECT_EQ(deleteList.rowCount(), 4);
  EXPECT_EQ(deleteList.checkedCount(), 4);
  EXPECT_EQ(progress.back(), 100);
}

// A file the deleter refuses is still on disk: its rows stay, ticked (they
// used to go, reporting the failure as a success).
TEST_F(DeleteCheckedTest, UndeletableFileKeepsItsRowsTicked) {
  const auto paths = Scan({"a", "b"}, {1});
  std::vector<std::string> asked;
  const std::vector<DeleteResult> results =
      Walk([&](const std::string& path, const FileIdentity& id, const FolderIdentity&,
               FileIdentity*, int* error) {
        asked.push_back(path);
        EXPECT_EQ(id, RegularFileIdentity(path).value());
        *error = EROFS;
        return DeleteOutcome::Failed;
      });
  EXPECT_EQ(asked, std::vector<std::string>{paths[1]});
  EXPECT_EQ(results, std::vector<DeleteResult>{DeleteResult::Failed});
  EXPECT_TRUE(PathExists(paths[1]));
  EXPECT_EQ(CandidatePaths(candidates), paths);
  ExpectFilesMatchCandidates();
  EXPECT_EQ(Captions(deleteList), std::vector<std::string>{paths[1]});
  EXPECT_EQ(deleteList.checkedCount(), 1);
}

TEST_F(DeleteCheckedTest, RowFromAnEarlierScanDeletesItsFileOnly) {
  const auto old = Scan({"old1", "old2"}, {0, 1});
  // A new scan replaces the candidates and "Files", not "Files to delete".
  CandidateTable fresh(64);
  FillCandidates(fresh, {MakeCandidate(tree.write("n1", "content"), 7),
                         MakeCandidate(tree.write("n2", "content"), 7)});
  FillCandidates(candidates, {fresh.row(1), fresh.row(2)});
  files.clear();
  FillFilesList(files, candidates);
  const auto before = CandidatePaths(candidates);
  Walk();

  EXPECT_FALSE(PathExists(old[0]));
  EXPECT_FALSE(PathExists(old[1]));
  EXPECT_EQ(CandidatePaths(candidates), before);
  ExpectFilesMatchCandidates();
  EXPECT_EQ(deleteList.rowCount(), 0);
}

TEST_F(DeleteCheckedTest, StopsAtTheEndOfTheTable) {
  const auto paths = Scan({"a", "b"}, {0});
  ListRow extra;
  extra.Checked = true;
  deleteList.appendRow(extra);
  int asked = 0;
  Walk([&](const std::string&, const FileIdentity&, const FolderIdentity&, FileIdentity*, int*) {
    ++asked;
    return DeleteOutcome::Deleted;
  });
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(deleteList.rowCount(), 1);
  EXPECT_EQ(progress, std::vector<int>{100});

  // An empty table (DeleteCount 0) deletes nothing at all.
  table.clear();
  table.DeleteCount = 0;
  Walk();
  EXPECT_TRUE(PathExists(paths[0]));
  EXPECT_EQ(deleteList.rowCount(), 1);
}

// The walk row by row, as the two indices describe it: the reference the
// batched walk must match.
void ReferenceWalk(CandidateTable& candidates, const DeleteTable& table, ResultList& files,
                   ResultList& deleteList, std::vector<std::string>& deleted) {
  const int entries = std::min(table.DeleteCount, table.size());
  int i = 0;
  int j = 1;
  while (i < deleteList.rowCount() && j <= entries) {
    if (!deleteList.isChecked(i)) {
      ++i;
      ++j;
      continue;
    }
    deleteList.removeRow(i);
    // The first candidate of the path goes, with its "Files" row.
    int k = 1;
    while (k <= candidates.count() && candidates.row(k).FullPath != table.row(j).FullPath) ++k;
    if (k <= candidates.count()) {
      if (k - 1 < files.rowCount()) files.removeRow(k - 1);
      candidates.erase(k);
      --candidates.CandidateCount;
    }
    deleted.push_back(table.row(j).FullPath);
    ++j;
  }
}

struct WalkState {
  CandidateTable candidates{1000};
  DeleteTable table{1000};
  ResultList files;
  ResultList deleteList;
};

// Random tables with repeated paths, paths no candidate has, fewer "Files"
// rows than candidates and more list rows than entries.
void FillRandom(WalkState& s, std::mt19937& random) {
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::vector<CandidateRow> rows;
  const int count = 1 + pick(60);
  for (int k = 0; k < count; ++k) {
    rows.push_back(MakeCandidate("/p" + std::to_string(pick(40)), 1, pick(2) == 0));
  }
  FillCandidates(s.candidates, rows);
  AddColumns(s.files, {"Path"});
  AddColumns(s.deleteList, {"Path"});
  const int filesRows = pick(count + 1);
  for (int k = 1; k <= filesRows; ++k) s.files.appendRow(ListRow(s.candidates.row(k).FullPath));
  const int entries = pick(50);
  for (int e = 0; e < entries; ++e) {
    s.table.append(MakeCandidate("/p" + std::to_string(pick(50)), 1, true));
  }
  s.table.DeleteCount = entries - pick(3) > 0 ? entries - pick(3) : entries;
  const int listRows = entries + pick(3);
  for (int r = 0; r < listRows; ++r) {
    ListRow row("r");
    row.Checked = pick(3) != 0;
    s.deleteList.appendRow(std::move(row));
  }
}

TEST(DeleteCheckedBatchTest, MatchesTheRowByRowWalk) {
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    WalkState a;
    FillRandom(a, random);
    WalkState b;
    // Same content for both: copy every table and list field by field.
    for (int k = 1; k <= a.candidates.size(); ++k) b.candidates.append(a.candidates.row(k));
    b.candidates.CandidateCount = a.candidates.CandidateCount.load();
    for (int k = 1; k <= a.table.size(); ++k) b.table.append(a.table.row(k));
    b.table.DeleteCount = a.table.DeleteCount;
    AddColumns(b.files, {"Path"});
    AddColumns(b.deleteList, {"Path"});
    for (int r = 0; r < a.files.rowCount(); ++r) b.files.appendRow(a.files.row(r));
    for (int r = 0; r < a.deleteList.rowCount(); ++r) b.deleteList.appendRow(a.deleteList.row(r));

    std::vector<std::string> expected;
    ReferenceWalk(a.candidates, a.table, a.files, a.deleteList, expected);
    std::vector<std::string> deleted;
    DeletePassOptions options;
    options.requireCopy = false;
    options.deleter = [&](const std::string& path, const FileIdentity&, const FolderIdentity&,
                          FileIdentity*, int*) {
      deleted.push_back(path);
      return DeleteOutcome::Deleted;
    };
    DeleteChecked(b.candidates, b.table, b.files, b.deleteList, {}, options);
    ASSERT_EQ(deleted, expected) << "round " << round;
    ASSERT_EQ(CandidatePaths(b.candidates), CandidatePaths(a.candidates)) << "round " << round;
    ASSERT_EQ(b.candidates.CandidateCount.load(), a.candidates.CandidateCount.load());
    ASSERT_EQ(Captions(b.files), Captions(a.files)) << "round " << round;
    ASSERT_EQ(b.deleteList.rowCount(), a.deleteList.rowCount()) << "round " << round;
    ASSERT_EQ(b.deleteList.checkedCount(), a.deleteList.checkedCount()) << "round " << round;
  }
}

}  // namespace
