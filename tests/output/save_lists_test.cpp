// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "output/save_lists.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "lists/list_helpers.h"
#include "support/small_disk.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

namespace {

TEST(SaveListFileNameTest, AppendsTxtUnlessTheLastDotEndsInTxt) {
  const struct {
    const char* chosen;
    const char* saved;
  } cases[] = {{"list", "list.txt"},
               {"list.TXT", "list.TXT"},
               {"report.TxT", "report.TxT"},
               {"list.doc", "list.doc.txt"},
               {"report.csv", "report.csv.txt"},
               {"/home/u/a.b/list", "/home/u/a.b/list.txt"},
               {"/home/u/a.txt/list", "/home/u/a.txt/list.txt"},
               {"list.", "list..txt"},
               {"list.txt.bak", "list.txt.bak.txt"}};
  for (const auto& c : cases) EXPECT_EQ(SaveListFileName(c.chosen), c.saved) << c.chosen;
}

class SaveCandidateListTest : public ::testing::Test {
 protected:
  SaveCandidateListTest() {
    FillCandidates(candidates, {MakeCandidate("/d/p1", 1, true), MakeCandidate("/d/p2", 1),
                                MakeCandidate("/e/\xff\xfe name", 1, true)});
  }
  TempTree tree;
  CandidateTable candidates{8};
};

TEST_F(SaveCandidateListTest, WritesEveryRowInTableOrder) {
  const std::string out = tree.path("list.txt");
  ASSERT_EQ(SaveCandidateList(out, candidates, SavedField::FullPath), std::nullopt);
  EXPECT_EQ(ReadFileBytes(out), "/d/p1\r\n/d/p2\r\n/e/\xff\xfe name\r\n");

  // Saving again replaces the contents.
  ASSERT_EQ(SaveCandidateList(out, candidates, SavedField::FileName), std::nullopt);
  EXPECT_EQ(ReadFileBytes(out), "p1\r\np2\r\n\xff\xfe name\r\n");

  // Only rows that exist are written, whatever the published count says.
  candidates.CandidateCount = 5;
  ASSERT_EQ(SaveCandidateList(out, candidates, SavedField::FileName), std::nullopt);
  EXPECT_EQ(ReadFileBytes(out), "p1\r\np2\r\n\xff\xfe name\r\n");

  FillCandidates(candidates, {});
  ASSERT_EQ(SaveCandidateList(out, candidates, SavedField::FullPath), std::nullopt);
  EXPECT_TRUE(PathExists(out));
  EXPECT_EQ(ReadFileBytes(out), "");
}

TEST_F(SaveCandidateListTest, LargeTableIsWrittenWhole) {
  CandidateTable many(20000);
  std::vector<CandidateRow> rows;
  std::string expected;
  for (int n = 0; n < 20000; ++n) {
    rows.push_back(MakeCandidate("/some/longer/folder/name/file" + std::to_string(n), 1));
    expected += rows.back().FullPath + "\r\n";
  }
  FillCandidates(many, std::move(rows));
  const std::string out = tree.path("many.txt");
  ASSERT_EQ(SaveCandidateList(out, many, SavedField::FullPath), std::nullopt);
  EXPECT_EQ(ReadFileBytes(out), expected);
}

TEST_F(SaveCandidateListTest, FailuresReportTheSystemsReason) {
  const std::string missing = tree.path("no/such/folder/list.txt");
  EXPECT_EQ(SaveCandidateList(missing, candidates, SavedField::FullPath),
            "Cannot create file \"" + missing + "\": No such file or directory");
  if (PathExists("/dev/full")) {
    EXPECT_EQ(SaveCandidateList("/dev/full", candidates, SavedField::FullPath),
              std::string("Cannot write file \"/dev/full\": No space left on device"));
  }
  EXPECT_NE(SaveCandidateList(tree.root(), candidates, SavedField::FullPath), std::nullopt);

  // A folder without write permission takes no list, and an existing list
  // there stays as it was.
  ASSERT_EQ(::chmod(tree.root().c_str(), 0755), 0);
  const std::string kept = tree.write("protected/old.txt", "old");
  const std::string fresh = tree.path("protected/new.txt");
  ASSERT_EQ(::chmod(tree.path("protected").c_str(), 0555), 0);
  ASSERT_EQ(::chmod(kept.c_str(), 0444), 0);
  ScopedUnprivileged nobody;
  if (!nobody.active()) GTEST_SKIP() << "cannot drop root's rights";
  EXPECT_EQ(SaveCandidateList(fresh, candidates, SavedField::FullPath),
            "Cannot create file \"" + fresh + "\": Permission denied");
  EXPECT_EQ(SaveCandidateList(kept, candidates, SavedField::FileName),
            "Cannot create file \"" + kept + "\": Permission denied");
  EXPECT_FALSE(PathExists(fresh));
  EXPECT_EQ(ReadFileBytes(kept), "old");
}

// A FIFO named like a list gives the error box at once instead of waiting
// for a reader; a list that does not fit on the disk leaves the old list
// whole and nothing else behind.
TEST_F(SaveCandidateListTest, AFifoOrAFullDiskLeavesNoFragment) {
  const std::string fifo = tree.path("pipe.txt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(SaveCandidateList(fifo, candidates, SavedField::FullPath),
            "Cannot create file \"" + fifo + "\": No such device or address");

  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << disk.whyNot();
  const std::string list = disk.tree().write("list.txt", "old list\r\n");
  // 5000 rows of 20 bytes and more: larger than the whole disk.
  CandidateTable many(5000);
  std::vector<CandidateRow> rows;
  for (int n = 0; n < 5000; ++n)
    rows.push_back(MakeCandidate("/folder/file" + std::to_string(n), 1));
  FillCandidates(many, std::move(rows));
  EXPECT_EQ(SaveCandidateList(list, many, SavedField::FullPath),
            "Cannot write file \"" + list + "\": No space left on device");
  EXPECT_EQ(ReadFileBytes(list), "old list\r\n");
  EXPECT_EQ(disk.names(), std::set<std::string>{"list.txt"});

  // With room the new list replaces the old one whole.
  ASSERT_EQ(SaveCandidateList(list, candidates, SavedField::FileName), std::nullopt);
  EXPECT_EQ(ReadFileBytes(list), "p1\r\np2\r\n\xff\xfe name\r\n");
}

}  // namespace
