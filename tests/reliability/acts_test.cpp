// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
// twinscan-cli's acts over random real trees, with changes from outside
// between the check and the act: every content on disk before the act is
// on disk after it, and every path that stays reads what it read before.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "reliability/reliability_helpers.h"
#include "support/cli_capture.h"
#include "support/loop_file_system.h"
#include "support/temp_tree.h"

namespace {

using Listing = std::map<std::string, std::string>;

// A regular file's entry in ListTree: "f:" and its bytes.
bool IsFile(const std::string& entry) {
  return entry.rfind("f:", 0) == 0;
}

// Between the check and the act: files removed, edited with their times
// restored, swapped for another file (a twin's bytes or their own, a new
// inode), or a hard link turned into a copy of its own.
void ChangeFromOutside(const TempTree& tree, std::mt19937& rng) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& [path, entry] : ListTree(tree.root())) {
    if (IsFile(entry)) files.emplace_back(path, entry.substr(2));
  }
  for (const auto& [path, bytes] : files) {
    const std::string fresh = path.substr(tree.root().size() + 1) + ".new";
    struct stat st {};
    switch (rng() % 10) {
      case 0:
        ::unlink(path.c_str());
        break;
      case 1:
        if (!bytes.empty()) {
          std::string edited = bytes;
          edited[rng() % edited.size()] ^= 0x40;
          EditKeepingTimes(path, edited);
        }
        break;
      case 2:
      case 3: {
        std::string twin = bytes;
        for (const auto& other : files) {
          if (other.second.size() == bytes.size() && rng() % 2 == 0) twin = other.second;
        }
        ::rename(tree.write(fresh, twin).c_str(), path.c_str());
        break;
      }
      case 4:
        if (::lstat(path.c_str(), &st) == 0 && st.st_nlink > 1) {
          ::rename(tree.write(fresh, bytes).c_str(), path.c_str());
        }
        break;
      default:
        break;
    }
  }
}

struct Tally {
  int done = 0;
  int kept = 0;
};

// One act of twinscan-cli (`args` before the folder) on a random tree below
// `base`, the outside changes made right before it. A dry run changes nothing.
void ActOnRandomTree(const std::string& base, const std::vector<std::string>& args, int seed,
                     Tally& tally) {
  SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << args.front());
  const TempTree tree(base);
  std::mt19937 rng(static_cast<std::mt19937::result_type>(seed * 104729));
  BuildRandomTree(tree, rng);
  Listing before;
  CliEnvironment env;
  env.beforeAct = [&] {
    ChangeFromOutside(tree, rng);
    before = ListTree(tree.root());
  };
  std::vector<std::string> argv = args;
  const bool dry = seed % 5 == 0;
  if (dry) argv.emplace_back("--dry-run");
  if (seed % 3 == 0) argv.insert(argv.end(), {"--keep", "newest"});
  if (seed % 4 == 1) argv.insert(argv.end(), {"--mode", "fast"});
  argv.push_back(tree.root());
  std::string out;
  std::string err;
  const int status = RunCli(argv, out, err, env);
  const Listing after = ListTree(tree.root());

  std::set<std::string> contents;
  for (const auto& [path, entry] : after) contents.insert(entry);
  for (const auto& [path, entry] : before) {
    if (IsFile(entry)) {
      EXPECT_EQ(contents.count(entry), 1u) << "last copy lost: " << path;
    }
  }
  for (const auto& [path, entry] : after) {
    const auto was = before.find(path);
    EXPECT_TRUE(was != before.end() && was->second == entry) << "changed or new: " << path;
  }
  // One line per ticked file; only a delete done removes a path, a link
  // done makes it the keeper's inode.
  std::set<std::string> removed;
  bool anyKept = false;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> field;
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, '\t');) field.push_back(f);
    field.resize(4);
    const bool done = field[1] == "done";
    (done ? tally.done : tally.kept) += 1;
    anyKept = anyKept || !done;
    if (done && !dry && field[0] == "delete") removed.insert(field[2]);
    struct stat target {};
    struct stat keeper {};
    if (done && !dry && field[0] == "link") {
      EXPECT_TRUE(::lstat(field[2].c_str(), &target) == 0 &&
                  ::lstat(field[3].c_str(), &keeper) == 0 && target.st_ino == keeper.st_ino)
          << line;
    }
  }
  for (const auto& [path, entry] : before) {
    if (after.count(path) == 0) {
      EXPECT_EQ(removed.count(path), 1u) << "gone: " << path;
    }
  }
  EXPECT_EQ(status, anyKept ? 4 : 0) << err;
}

void ActOnRandomTrees(const std::string& base, const std::vector<std::string>& acts, int seeds) {
  Tally tally;
  for (int seed = 1; seed <= seeds; ++seed) {
    for (const std::string& act : acts) ActOnRandomTree(base, {act}, seed, tally);
  }
  // The changes did bite, and files were still acted on.
  EXPECT_GT(tally.done, seeds);
  EXPECT_GT(tally.kept, seeds);
}

TEST(ActsTest, OutsideChangesBeforeAnActNeverCostAContentOrAPath) {
  ActOnRandomTrees("", {"--delete", "--link", "--reflink"}, 16);
}

TEST(ActsTest, OnFileSystemsThatShareBlocksToo) {
  std::string skipped;
  int mounted = 0;
  for (const char* type : {"xfs", "btrfs"}) {
    SCOPED_TRACE(type);
    const LoopFileSystem fs(type);
    if (!fs.mounted()) {
      skipped += std::string(type) + ": " + fs.whyNot() + "; ";
      continue;
    }
    ++mounted;
    ActOnRandomTrees(fs.tree().root(), {"--link", "--reflink"}, 8);
  }
  if (mounted == 0) GTEST_SKIP() << skipped;
  if (!skipped.empty()) std::cout << "[  SKIPPED ] " << skipped << "\n";
}

}  // namespace
