#include "lists/file_actions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/delete_list.h"
#include "lists/list_helpers.h"
#include "support/temp_tree.h"

namespace {

CandidateRow Flagged(const std::string& path, std::uint8_t band, std::uint8_t matched,
                     std::uint8_t checked) {
  CandidateRow row = MakeCandidate(path, 10);
  row.Band = band;
  row.Matched = matched;
  row.Checked = checked;
  return row;
}

TEST(CandidateLookupTest, FindsTheFirstExactMatchWithinCount) {
  CandidateTable candidates(8);
  FillCandidates(candidates,
                 {MakeCandidate("/a/x", 1), MakeCandidate("/a/X", 1), MakeCandidate("/a/x", 1),
                  MakeCandidate("/a/\xff", 1), MakeCandidate("/a/late", 1)});
  candidates.CandidateCount = 4;
  const struct {
    const char* path;
    int index;
  } cases[] = {{"/a/x", 1}, {"/a/X", 2}, {"/a/\xff", 4}, {"/a/x ", -1},
               {"/a", -1},  {"", -1},    {"/a/late", -1}};
  for (const auto& c : cases) EXPECT_EQ(FindCandidateByPath(candidates, c.path), c.index) << c.path;
}

TEST(CandidateLookupTest, RemoveCandidateMovesLaterRowsUpWithTheirFlags) {
  CandidateTable candidates(8);
  FillCandidates(candidates, {Flagged("/a", 1, 0, 0), Flagged("/b", 0, 1, 1),
                              Flagged("/c", 1, 1, 0), Flagged("/d", 0, 0, 1)});
  RemoveCandidate(candidates, 2);
  EXPECT_EQ(CandidatePaths(candidates), (std::vector<std::string>{"/a", "/c", "/d"}));
  EXPECT_EQ(candidates.stored(), 3);
  EXPECT_EQ(candidates.row(2).Band, 1);
  EXPECT_EQ(candidates.row(2).Matched, 1);
  EXPECT_EQ(candidates.row(3).Checked, 1);
  RemoveCandidate(candidates, 0);
  RemoveCandidate(candidates, 4);
  RemoveCandidate(candidates, 3);
  EXPECT_EQ(CandidatePaths(candidates), (std::vector<std::string>{"/a", "/c"}));
  EXPECT_EQ(candidates.CandidateCount.load(), 2);
}

TEST(TickAllTest, UntickAllClearsTicksAndMatchedOfExistingCandidates) {
  CandidateTable candidates(8);
  FillCandidates(candidates, {Flagged("/a", 0, 1, 1), Flagged("/b", 0, 1, 1)});
  ResultList files;
  AddColumns(files, {"Path"});
  FillFilesList(files, candidates);
  files.appendRow({});  // a row without a candidate
  std::vector<int> changed;
  files.setChangeHandler([&](int row) { changed.push_back(row); });

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
class DeleteCheckedWalkTest : public ::testing::Test {
 protected:
  DeleteCheckedWalkTest() {
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

  void Walk(const FileDeleter& deleter = DeleteIfUnchanged) {
    DeleteCheckedWalk(
        candidates, table, files, deleteList, [this](int p) { progress.push_back(p); }, deleter);
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

TEST_F(DeleteCheckedWalkTest, DeletesTickedFilesAndTheirRows) {
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

TEST_F(DeleteCheckedWalkTest, UntickedRowsAreKept) {
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

TEST_F(DeleteCheckedWalkTest, ProgressInQuartersAndRawByteNames) {
  const auto paths = Scan({"one", "\xff\xfe", "three.txt", "x\xff.bin"}, {0, 1, 2, 3});
  Walk();
  for (const auto& p : paths) EXPECT_FALSE(PathExists(p));
  EXPECT_EQ(candidates.count(), 0);
  EXPECT_EQ(files.rowCount(), 0);
  EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 100}));
}

TEST_F(DeleteCheckedWalkTest, FilesChangedSinceTheScanStayOnDisk) {
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
  Walk();

  EXPECT_EQ(ReadFileBytes(paths[1]), "content and more");
  EXPECT_EQ(ReadFileBytes(paths[2]), "content");
  EXPECT_TRUE(PathExists(tree.path("folder/inner")));
  EXPECT_TRUE(PathExists(paths[4]));
  EXPECT_EQ(ReadFileBytes(paths[5]), "content");
  // Handled like files that cannot be deleted: their rows are gone.
  EXPECT_EQ(CandidatePaths(candidates), std::vector<std::string>{paths[5]});
  ExpectFilesMatchCandidates();
  EXPECT_EQ(deleteList.rowCount(), 0);
  EXPECT_EQ(progress.back(), 100);
}

TEST_F(DeleteCheckedWalkTest, UndeletableFileLosesItsRowsOnly) {
  const auto paths = Scan({"a", "b"}, {1});
  std::vector<std::string> asked;
  Walk([&](const std::string& path, const FileIdentity& id) {
    asked.push_back(path);
    EXPECT_EQ(id, RegularFileIdentity(path).value());
    return DeleteOutcome::Failed;
  });
  EXPECT_EQ(asked, std::vector<std::string>{paths[1]});
  EXPECT_TRUE(PathExists(paths[1]));
  EXPECT_EQ(CandidatePaths(candidates), std::vector<std::string>{paths[0]});
  ExpectFilesMatchCandidates();
  EXPECT_EQ(deleteList.rowCount(), 0);
}

TEST_F(DeleteCheckedWalkTest, RowFromAnEarlierScanDeletesItsFileOnly) {
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

TEST_F(DeleteCheckedWalkTest, StopsAtTheEndOfTheTable) {
  const auto paths = Scan({"a", "b"}, {0});
  ListRow extra;
  extra.Checked = true;
  deleteList.appendRow(extra);
  int asked = 0;
  Walk([&](const std::string&, const FileIdentity&) {
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

}  // namespace
