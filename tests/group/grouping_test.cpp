// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#include "group/grouping.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/worker.h"
#include "scan/walk.h"
#include "support/temp_tree.h"

namespace {

constexpr int kSlots = 1024;

// Records every effect in order; progress values are also kept on their own.
class RecordingSink final : public GroupingSink {
 public:
  void stage(GroupingStage stage, int count) override {
    static const char* const names[] = {"Loading", "Grouping", "Filling", "Filled", "Done"};
    events.push_back(std::string("stage:") + names[static_cast<int>(stage)] + ":" +
                     std::to_string(count));
  }
  void progress(int percent) override {
    percents.push_back(percent);
    events.push_back("progress:" + std::to_string(percent));
  }
  void rows(std::vector<CandidateListRow> batch) override {
    EXPECT_LE(batch.size(), kGroupingRowBatch);
    for (CandidateListRow& row : batch) {
      events.push_back("row:" + row.FullPath);
      this->rowsSent.push_back(std::move(row));
    }
  }
  bool wantsRows() const override { return true; }

  void clear() {
    events.clear();
    percents.clear();
    rowsSent.clear();
  }

  // The events without progress values and rows.
  std::vector<std::string> steps() const {
    std::vector<std::string> out;
    for (const auto& e : events) {
      if (e.rfind("progress:", 0) != 0 && e.rfind("row:", 0) != 0) out.push_back(e);
    }
    return out;
  }

  std::vector<std::string> events;
  std::vector<int> percents;
  std::vector<CandidateListRow> rowsSent;
};

// Numbers type names in the order they are first asked for.
class FakeIcons final : public IconIndexer {
 public:
  int FileTypeIconIndex(const std::string& typeName) override {
    asked.push_back(typeName);
    return indices.emplace(typeName, static_cast<int>(indices.size()) + 10).first->second;
  }
  std::map<std::string, int> indices;
  std::vector<std::string> asked;
};

// Entries as the walk would have found them at `path`.
void File(ScanTable& scan, const std::string& path, std::int64_t size) {
  static std::uint64_t inode = 100;
  ScanEntry e;
  e.Walked = 1;
  e.Size = size;
  e.IsRegular = 1;
  e.Identity = FileIdentity{7, ++inode, size, 1700000000000000000};
  ASSERT_TRUE(scan.appendPath(e, path));
}

void Directory(ScanTable& scan, const std::string& path) {
  ScanEntry e;
  e.IsDirectory = 1;
  e.Walked = 1;
  e.Size = 4096;
  ASSERT_TRUE(scan.appendPath(e, path));
}

// A link to a file, a FIFO, a socket or a device: not a regular file itself.
void NonRegular(ScanTable& scan, const std::string& path, std::int64_t size) {
  File(scan, path, size);
  scan.row(scan.size()).IsRegular = 0;
}

const char* const kLoading = "stage:Loading:0";
const char* const kGrouping = "stage:Grouping:0";

std::string Filling(int rows) {
  return "stage:Filling:" + std::to_string(rows);
}

std::vector<std::string> CompletedSteps(int found) {
  return {kLoading, kGrouping, Filling(found), "stage:Filled:" + std::to_string(found),
          "stage:Done:" + std::to_string(found)};
}

class GroupingTest : public ::testing::Test {
 protected:
  void Run(
      const std::function<void()>& checkpoint = [] {}, const std::atomic<bool>* cancel = nullptr) {
    RunGrouping({scan, files, candidates, filled}, icons, sink, checkpoint, cancel);
  }

  void AddFiles(const std::vector<std::int64_t>& sizes) {
    for (std::size_t k = 0; k < sizes.size(); ++k) {
      File(scan, "/data/dir/f" + std::to_string(k) + ".txt", sizes[k]);
    }
  }

  std::vector<std::int64_t> RowSizes() const {
    std::vector<std::int64_t> out;
    for (int i = 1; i <= candidates.size(); ++i) out.push_back(candidates.row(i).Size);
    return out;
  }
  std::vector<int> Bands() const {
    std::vector<int> out;
    for (int i = 1; i <= candidates.size(); ++i) out.push_back(candidates.row(i).Band);
    return out;
  }

  ScanTable scan{kSlots};
  FileTable files{kSlots};
  CandidateTable candidates{kSlots};
  std::atomic<bool> filled{false};
  FakeIcons icons;
  RecordingSink sink;
};

TEST_F(GroupingTest, SameSizesBecomeBandedRows) {
  const struct {
    std::vector<std::int64_t> sizes;  // scan-table order
    std::vector<std::int64_t> rows;
    std::vector<int> bands;
  } cases[] = {
      {{9, 5, 7, 12, 9, 7, 9}, {7, 7, 9, 9, 9}, {0, 0, 1, 1, 1}},
      {{42}, {}, {}},
      {{}, {}, {}},
      {{3, 3}, {3, 3}, {0, 0}},
      {{4, 1, 3, 2}, {}, {}},
      {{1, 2, 2, 3, 3, 4, 5, 5, 6, 6, 6}, {2, 2, 3, 3, 5, 5, 6, 6, 6}, {0, 0, 1, 1, 0, 0, 1, 1, 1}},
      {{0, 0, 0, 8}, {0, 0, 0}, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.sizes));
    scan.clear();
    sink.clear();
    filled = false;
    AddFiles(c.sizes);
    Run();

    EXPECT_EQ(files.size(), static_cast<int>(c.sizes.size()));
    EXPECT_EQ(RowSizes(), c.rows);
    EXPECT_EQ(Bands(), c.bands);
    EXPECT_EQ(candidates.CandidateCount.load(), static_cast<int>(c.rows.size()));
    EXPECT_EQ(sink.rowsSent.size(), c.rows.size());
    EXPECT_EQ(sink.steps(), CompletedSteps(static_cast<int>(c.rows.size())));
    EXPECT_TRUE(filled.load());
    for (int i = 1; i <= files.size(); ++i) {
      const bool unique = std::count(c.sizes.begin(), c.sizes.end(), files.row(i).Size) == 1;
      EXPECT_EQ(files.row(i).UniqueSize, unique ? 1 : 0) << "record " << i;
    }
  }
}

TEST_F(GroupingTest, RowsCarryTheScanEntryInSortedOrder) {
  // Four files of one size and a smaller one between them: the sort gives
  // odd, C, B, A, D and the odd size is dropped.
  File(scan, "/data/a/A.txt", 7);
  Directory(scan, "/data/a/sub");
  File(scan, "/data/a/B.jpg", 7);
  File(scan, "/data/a/C", 7);
  File(scan, "/data/a/odd.txt", 3);
  File(scan, "/data/a/D.tar.gz", 7);
  const std::vector<int> scanOrder = {4, 3, 1, 6};
  std::vector<std::string> paths;
  for (const int i : scanOrder) paths.push_back(scan.path(i));
  Run();

  ASSERT_EQ(candidates.size(), 4);
  ASSERT_EQ(sink.rowsSent.size(), 4u);
  for (int i = 1; i <= 4; ++i) {
    SCOPED_TRACE(i);
    const ScanEntry& entry = scan.row(scanOrder[i - 1]);
    const CandidateRow& row = candidates.row(i);
    EXPECT_EQ(row.FullPath, paths[static_cast<std::size_t>(i - 1)]);
    EXPECT_EQ(row.Size, 7);
    EXPECT_EQ(row.Identity, entry.Identity);
    EXPECT_EQ(row.Matched, 0);
    EXPECT_EQ(row.Checked, 0);

    const CandidateListRow& listRow = sink.rowsSent[i - 1];
    EXPECT_EQ(listRow.FullPath, row.FullPath);
    EXPECT_EQ(listRow.Size, 7);
    EXPECT_EQ(listRow.ImageIndex, icons.indices.at(IconTypeName(row.FileName())));
  }
  EXPECT_EQ(icons.asked, (std::vector<std::string>{"file.", "file.jpg", "file.txt", "file.gz"}));
}

TEST_F(GroupingTest, OnlyRegularFilesReachTheFileTable) {
  Directory(scan, "/data");
  File(scan, "/data/a.bin", 100);
  NonRegular(scan, "/data/link-to-a.bin", 100);
  Directory(scan, "/data/x");
  Directory(scan, "/data/y");  // two directories of one size
  NonRegular(scan, "/data/fifo", 0);
  NonRegular(scan, "/data/socket", 0);
  File(scan, "/data/b.bin", 100);
  Run();

  ASSERT_EQ(files.size(), 2);
  for (int i = 1; i <= files.size(); ++i) {
    EXPECT_EQ(scan.row(files.row(i).ScanIndex).IsRegular, 1);
  }
  ASSERT_EQ(candidates.size(), 2);
  EXPECT_EQ(candidates.row(1).FullPath, "/data/a.bin");
  EXPECT_EQ(candidates.row(2).FullPath, "/data/b.bin");
  EXPECT_EQ(candidates.CandidateCount.load(), 2);
}

TEST_F(GroupingTest, ProgressEventsOfAThreeFileRun) {
  AddFiles({5, 5, 5});
  Run();
  const std::string r0 = "row:/data/dir/f0.txt", r1 = "row:/data/dir/f1.txt",
                    r2 = "row:/data/dir/f2.txt";
  // Equal sizes sort to f1, f0, f2.
  EXPECT_EQ(sink.events, (std::vector<std::string>{
                             kLoading, kGrouping, "progress:33", "progress:66", "progress:100",
                             Filling(3), "progress:33", r1, "progress:66", r0, "progress:100", r2,
                             "stage:Filled:3", "progress:0", "stage:Done:3"}));
}

TEST_F(GroupingTest, BarMovesOnlyWhenThePercentRises) {
  std::vector<std::int64_t> sizes;
  for (int k = 0; k < 300; ++k) sizes.push_back(k % 150);
  AddFiles(sizes);
  Run();
  // Records 1 and 2 give 0, which leaves the bar; record 3 gives 1.
  std::vector<int> expected;
  for (int phase = 0; phase < 2; ++phase) {
    for (int p = 1; p <= 100; ++p) expected.push_back(p);
  }
  expected.push_back(0);
  EXPECT_EQ(sink.percents, expected);
}

TEST_F(GroupingTest, CancelEndsTheRunWhereItIsSeen) {
  // Five regular files and a directory: checkpoints 1-5 copy, 6 follows the
  // sort, 7-11 group, 12-16 fill.
  const struct {
    int stopAt;
    int fileCount;
    std::vector<std::string> steps;
    int rows;
  } cases[] = {
      {1, 0, {kLoading}, 0},
      {4, 3, {kLoading}, 0},
      {6, 5, {kLoading}, 0},
      {9, 5, {kLoading, kGrouping}, 0},
      {12, 5, {kLoading, kGrouping, Filling(4)}, 0},
      // Mid-fill: the rows so far stay and are the published count; none of
      // the end steps runs.
      {16, 5, {kLoading, kGrouping, Filling(4)}, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stopAt);
    scan.clear();
    sink.clear();
    AddFiles({2, 2, 1});
    Directory(scan, "/data/dir/sub");
    AddFiles({2, 2});
    filled = false;
    int calls = 0;
    EXPECT_THROW(Run([&] {
                   if (++calls == c.stopAt) throw StopRun{};
                 }),
                 StopRun);
    EXPECT_EQ(files.size(), c.fileCount);
    EXPECT_EQ(sink.steps(), c.steps);
    EXPECT_EQ(candidates.size(), c.rows);
    EXPECT_EQ(static_cast<int>(sink.rowsSent.size()), c.rows);
    EXPECT_EQ(candidates.CandidateCount.load(), c.rows);
    EXPECT_FALSE(filled.load());
  }

  // The next run starts over from the first slot.
  scan.clear();
  sink.clear();
  AddFiles({1, 1});
  Run();
  EXPECT_EQ(files.size(), 2);
  EXPECT_EQ(RowSizes(), (std::vector<std::int64_t>{1, 1}));
  EXPECT_EQ(candidates.CandidateCount.load(), 2);
  EXPECT_TRUE(filled.load());
}

TEST_F(GroupingTest, CancelSeenOnlyByTheSortStillEndsTheRun) {
  // The flag is set but the checkpoint does not throw: the unsorted table
  // must not be grouped.
  AddFiles({9, 1, 9, 1});
  std::atomic<bool> cancel{true};
  EXPECT_THROW(Run([] {}, &cancel), StopRun);
  EXPECT_EQ(sink.steps(), (std::vector<std::string>{kLoading}));
  ASSERT_EQ(files.size(), 4);
  EXPECT_EQ(files.row(1).ScanIndex, 1);  // the sort returned at once
  EXPECT_EQ(candidates.size(), 0);
  EXPECT_EQ(candidates.CandidateCount.load(), 0);
  EXPECT_FALSE(filled.load());
}

// A chain of folders 4,000 deep with names of 200 bytes (paths up to 800 KB;
// in memory where it can be, an ext4 disk takes seconds for it): the table
// holds each name once, so its path storage stays near the names' 800 KB
// (1.6 GB of full paths before), and the copies half way and at the bottom
// become candidates with their whole paths and their folders.
TEST_F(GroupingTest, ADeepTreeCostsItsNamesNotItsPaths) {
  constexpr int kDepth = 4000;
  const std::string name(200, 'd');
  const TempTree tree(MemoryFolder());
  std::map<std::string, FolderIdentity> copies;  // path, folder
  std::string path = tree.root();
  int dir = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (int level = 1; level <= kDepth; ++level) {
    ASSERT_EQ(::mkdirat(dir, name.c_str(), 0755), 0);
    const int next = ::openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ::close(dir);
    dir = next;
    path += "/" + name;
    if (level % (kDepth / 2) != 0) continue;
    ::close(::openat(dir, "copy", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    struct stat st {};
    ASSERT_EQ(::fstat(dir, &st), 0);
    copies[path + "/copy"] = FolderIdentity{st.st_dev, st.st_ino};
  }
  ::close(dir);

  ScanTable deep(kDepth + 10);
  WalkObserver quiet;
  const bool walked = WalkTree(tree.root(), deep, quiet);
  if (walked)
    RunGrouping(
        {deep, files, candidates, filled}, icons, sink, [] {}, nullptr);
  // Taken apart from the top, a level at a time (removing it by its paths takes long).
  const int root = ::open(tree.root().c_str(), O_DIRECTORY | O_CLOEXEC);
  for (bool more = true; more;) {
    const int top = ::openat(root, name.c_str(), O_DIRECTORY | O_CLOEXEC);
    ::unlinkat(top, "copy", 0);
    more = ::renameat(top, name.c_str(), root, "next") == 0;
    ::close(top);
    ::unlinkat(root, name.c_str(), AT_REMOVEDIR);
    if (more) ::renameat(root, "next", root, name.c_str());
  }
  ::close(root);

  ASSERT_TRUE(walked);
  ASSERT_EQ(deep.size(), kDepth + 2);
  EXPECT_LT(deep.pathBytes(), std::size_t{2} << 20);
  ASSERT_EQ(candidates.size(), 2);
  std::map<std::string, FolderIdentity> found;
  for (int i = 1; i <= 2; ++i) found[candidates.row(i).FullPath] = candidates.row(i).Folder;
  EXPECT_TRUE(found == copies);
}

}  // namespace
