// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// Files that change under a run: between the scan and the check, while the
// check reads them, and the scanned folder going away during the walk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "reliability/reliability_helpers.h"
#include "scan/walk.h"
#include "support/temp_tree.h"

namespace {

constexpr std::size_t kBlock = 64 * 1024;

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 4099) & 0xff);
  return s;
}

void Overwrite(const std::string& path, std::size_t at, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at)),
            static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

// Two files of several blocks with the same bytes; one of them changes before
// the check or once the first block of both has been read. A tick is only
// right when the bytes are still the same afterwards; a change of the bytes
// must never be ticked.
TEST(ChangingFilesTest, AFileChangedBeforeOrDuringTheCheckIsNeverTakenForACopy) {
  const std::size_t size = 3 * kBlock + 100;
  const std::string content = Pattern(size);
  struct Change {
    const char* name;
    bool bytesDiffer;  // afterwards, from the other file's
    std::function<void(TempTree&, const std::string&)> apply;
  };
  const std::vector<Change> changes = {
      {"truncated", true,
       [](TempTree&, const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), kBlock + 10), 0); }},
      {"extended", true,
       [&](TempTree&, const std::string& p) {
         ASSERT_EQ(::truncate(p.c_str(), static_cast<off_t>(size + 1)), 0);
       }},
      {"rewritten in a block already read", true,
       [](TempTree&, const std::string& p) { Overwrite(p, 10, "~changed~"); }},
      {"rewritten in a block not yet read", true,
       [&](TempTree&, const std::string& p) { Overwrite(p, size - 20, "~changed~"); }},
      {"rewritten with its own bytes", false,
       [&](TempTree&, const std::string& p) { Overwrite(p, 10, content.substr(10, 9)); }},
      {"replaced by an equal file", false,
       [&](TempTree& tree, const std::string& p) {
         const std::string other = tree.write("replacement", content);
         ASSERT_EQ(::rename(other.c_str(), p.c_str()), 0);
       }},
      {"deleted", true, [](TempTree&, const std::string& p) { ASSERT_EQ(::unlink(p.c_str()), 0); }},
  };
  for (const Change& change : changes) {
    for (const bool duringReads : {false, true}) {
      for (const CheckMode mode : {CheckMode::Fast, CheckMode::Careful}) {
        for (const int changed : {1, 2}) {
          SCOPED_TRACE(testing::Message()
                       << change.name << (duringReads ? " while read" : " before the check") << ", "
                       << (mode == CheckMode::Fast ? "fast" : "careful") << ", row " << changed);
          TempTree tree;
          tree.write("a", content);
          tree.write("b", content);
          PlainRun run;
          ASSERT_TRUE(run.scan(tree.root()));
          ASSERT_EQ(run.candidates->count(), 2);
          const std::string target = run.candidates->row(changed).FullPath;
          if (!duringReads) change.apply(tree, target);
          int calls = 0;
          // Calls 1 and 2 come before each row is looked at, 3 and 4 before
          // the first block of each is read.
          const std::vector<int> ticks = run.check(mode, [&] {
            if (duringReads && ++calls == 5) change.apply(tree, target);
          });
          if (duringReads) {
            EXPECT_GE(calls, 5);
          }
          const std::string first = ReadFileBytes(run.candidates->row(1).FullPath);
          const std::string second = ReadFileBytes(run.candidates->row(2).FullPath);
          if (!ticks.empty()) {
            EXPECT_EQ(ticks.size(), 1u);
            EXPECT_TRUE(PathExists(target));
            EXPECT_TRUE(first == second) << "ticked, but the bytes differ";
          }
          if (change.bytesDiffer) {
            EXPECT_EQ(ticks, std::vector<int>{});
          } else if (!duringReads) {
            EXPECT_EQ(ticks.size(), 1u) << "unchanged bytes before the check are a copy";
          }
        }
      }
    }
  }
}

// The folder being scanned disappears while it is listed: the walk ends
// without error with what it found, and a check of that leaves every row
// unticked.
TEST(ChangingFilesTest, TheScannedFolderDeletedDuringTheWalk) {
  struct Observer final : WalkObserver {
    std::function<void()> atCheckpoint;
    std::function<void(const std::string&)> atLookIn;
    int checkpoints = 0;
    void checkpoint() override {
      ++checkpoints;
      if (atCheckpoint) atCheckpoint();
    }
    void lookIn(const std::string& name) override {
      if (atLookIn) atLookIn(name);
    }
  };
  for (const bool fromLookIn : {false, true}) {
    SCOPED_TRACE(fromLookIn ? "deleted when the first folder is found"
                            : "deleted at the third entry");
    TempTree holder;
    const std::string root = holder.mkdir("scanned");
    for (int i = 0; i < 20; ++i) holder.write("scanned/f" + std::to_string(i), "same bytes");
    holder.write("scanned/sub/inner1", "same bytes");
    holder.write("scanned/sub/inner2", "same bytes");
    Observer observer;
    bool deleted = false;
    const auto remove = [&] {
      if (deleted) return;
      deleted = true;
      std::filesystem::remove_all(root);
    };
    if (fromLookIn) {
      observer.atLookIn = [&](const std::string&) { remove(); };
    } else {
      observer.atCheckpoint = [&] {
        if (observer.checkpoints == 3) remove();
      };
    }
    PlainRun run(100);
    EXPECT_TRUE(run.scan(root, observer));
    ASSERT_TRUE(deleted);
    const ScanTable& table = *run.table;
    std::set<std::string> paths;
    for (int i = 1; i <= table.size(); ++i) {
      const std::string path = table.path(i);
      EXPECT_TRUE(path.starts_with(root + "/")) << path;
      EXPECT_FALSE(path.starts_with(root + "/sub/")) << path;
      EXPECT_TRUE(paths.insert(path).second) << "twice: " << path;
    }
    for (const std::string& path : run.candidatePaths()) EXPECT_TRUE(paths.count(path)) << path;
    EXPECT_LE(table.size(), 21);
    for (const CheckMode mode : {CheckMode::Fast, CheckMode::Careful}) {
      EXPECT_EQ(run.check(mode), std::vector<int>{});
    }
  }
}

}  // namespace
